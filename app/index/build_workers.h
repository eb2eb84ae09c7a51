#pragma once
#include <cstddef>
#include <functional>

namespace qm {

// How many threads an index build may keep busy: the processor count, or
// the positive number in QUILLMERE_BUILD_THREADS when that is set (so a
// one-core run can be had on any machine). Never less than 1.
unsigned BuildWorkers();

// Runs job(0) .. job(count - 1) on the calling thread and up to workers - 1
// threads started for the purpose, each thread taking the next job not yet
// taken, and returns when all have run. Jobs start in index order, so the
// longest should come first. A thread that cannot be started leaves its
// share to the others. The first exception a job throws is thrown again
// here once every job has ended.
void RunJobs(std::size_t count, unsigned workers, const std::function<void(std::size_t)>& job);

}  // namespace qm
