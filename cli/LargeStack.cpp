#include "cli/LargeStack.h"

#include <pthread.h>
#include <sys/mman.h>

namespace tintara::cli {

namespace {

struct Job {
  const std::function<int()>* work;
  int result;
};

void* RunJob(void* job) {
  Job* j = static_cast<Job*>(job);
  j->result = (*j->work)();
  return nullptr;
}

// Whether the system lets this process reserve `bytes` of address space (a limit on it, or
// strict accounting, may not). Nothing is kept.
bool CanReserve(size_t bytes) {
  void* probe = mmap(nullptr, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (probe == MAP_FAILED) return false;
  munmap(probe, bytes);
  return true;
}

}  // namespace

int RunWithLargeStack(const std::function<int()>& work, int threads) {
  Job job{&work, 0};
  pthread_attr_t usual;
  if (pthread_getattr_default_np(&usual) != 0) return work();
  for (size_t size = kLargeStack; size >= (size_t{64} << 20); size /= 2) {
    // The stacks of the frame threads too, or making frames would fail for want of a thread,
    // and as much again for what the threads allocate.
    if (!CanReserve(2 * size * (static_cast<size_t>(threads) + 1))) continue;
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) break;
    // The default first: frame threads the work makes (std::thread has no stack size of its
    // own) get the same.
    pthread_t thread;
    const bool started = pthread_attr_setstacksize(&attr, size) == 0 && pthread_setattr_default_np(&attr) == 0 &&
                         pthread_create(&thread, &attr, RunJob, &job) == 0;
    pthread_attr_destroy(&attr);
    if (started) {
      pthread_join(thread, nullptr);
      pthread_attr_destroy(&usual);
      return job.result;
    }
  }
  pthread_setattr_default_np(&usual);
  pthread_attr_destroy(&usual);
  return work();  // the usual stack; the runtime's guard reports chains too long for it
}

}  // namespace tintara::cli
