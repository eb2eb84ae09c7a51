// Preloaded into the program by the interrupted-build tests. It watches the
// two steps that change files on disk, a write to one of the program's
// temporary files and a rename, and raises a signal right after the step
// chosen by number:
//   QM_FAULT_AT      the 1-based number of the step after which to strike
//                    (0 or unset: never)
//   QM_FAULT_SIGNAL  the signal to raise (default SIGKILL)
//   QM_FAULT_LOG     a file to which every step is appended as one line
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using WriteFn = ssize_t (*)(int, const void*, size_t);
using RenameFn = int (*)(const char*, const char*);

WriteFn RealWrite() {
  static const auto fn = reinterpret_cast<WriteFn>(dlsym(RTLD_NEXT, "write"));
  return fn;
}

bool IsTemporaryName(const char* path) { return std::strstr(path, ".quillmere-tmp-") != nullptr; }

// The program writes its outputs on several threads: each step must get a
// number of its own, or the chosen one may never come.
std::atomic<long> steps{0};

void Step(const char* what, const char* path) {
  const long step = steps.fetch_add(1) + 1;
  if (const char* log = std::getenv("QM_FAULT_LOG")) {
    char line[8192];
    const int n = std::snprintf(line, sizeof line, "%ld %s %s\n", step, what, path);
    const int fd = open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd >= 0) {
      RealWrite()(fd, line, static_cast<size_t>(n < static_cast<int>(sizeof line) ? n : sizeof line - 1));
      close(fd);
    }
  }
  const char* at = std::getenv("QM_FAULT_AT");
  if (at == nullptr || std::atol(at) != step) return;
  const char* number = std::getenv("QM_FAULT_SIGNAL");
  raise(number != nullptr ? std::atoi(number) : SIGKILL);
}

}  // namespace

extern "C" ssize_t write(int fd, const void* buffer, size_t count) {
  const ssize_t written = RealWrite()(fd, buffer, count);
  if (fd > 2 && written > 0) {
    char link[64];
    char path[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, path, sizeof path - 1);
    if (n > 0) {
      path[n] = '\0';
      if (IsTemporaryName(path)) Step("write", path);
    }
  }
  return written;
}

extern "C" int rename(const char* from, const char* to) {
  static const auto real = reinterpret_cast<RenameFn>(dlsym(RTLD_NEXT, "rename"));
  const int result = real(from, to);
  if (result == 0) Step("rename", to);
  return result;
}
