#include "app/index/build_workers.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace qm {

unsigned BuildWorkers() {
  if (const char* forced = std::getenv("QUILLMERE_BUILD_THREADS")) {
    unsigned value = 0;
    const char* end = forced + std::strlen(forced);
    const auto [at, error] = std::from_chars(forced, end, value);
    if (error == std::errc() && at == end && value > 0) return value;
  }
  // Zero means the count is unknown: one thread is always there.
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 0 ? cores : 1;
}

void RunJobs(std::size_t count, unsigned workers, const std::function<void(std::size_t)>& job) {
  std::atomic<std::size_t> next{0};
  std::mutex failure_lock;
  std::exception_ptr failure;
  const auto take_jobs = [&] {
    for (std::size_t k; (k = next.fetch_add(1)) < count;) {
      try {
        job(k);
      } catch (...) {
        const std::lock_guard hold(failure_lock);
        if (!failure) failure = std::current_exception();
      }
    }
  };
  const std::size_t helpers = std::min<std::size_t>(std::max(workers, 1u) - 1, count > 0 ? count - 1 : 0);
  std::vector<std::jthread> threads;
  threads.reserve(helpers);
  for (std::size_t i = 0; i < helpers; ++i) {
    try {
      threads.emplace_back(take_jobs);
    } catch (const std::system_error&) {
      break;  // the threads there are, the caller included, do the rest
    }
  }
  take_jobs();
  for (auto& thread : threads) thread.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace qm
