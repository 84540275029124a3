#include "runtime/script/StackGuard.h"

#include <pthread.h>

#include <cstddef>
#include <cstdint>

namespace tintara::script {

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr uintptr_t kReserve = 3u << 20;  // instrumented frames are several times larger
#else
constexpr uintptr_t kReserve = 1u << 20;
#endif

// The lowest address of this thread's stack, 0 when it cannot be found.
uintptr_t StackLow() {
  pthread_attr_t attr;
  if (pthread_getattr_np(pthread_self(), &attr) != 0) return 0;
  void* low = nullptr;
  size_t size = 0;
  const bool found = pthread_attr_getstack(&attr, &low, &size) == 0;
  pthread_attr_destroy(&attr);
  return found ? reinterpret_cast<uintptr_t>(low) : 0;
}

constexpr size_t kLargeStack = size_t{64} << 20;  // pages are only taken as they are used

void* RunWork(void* work) {
  (*static_cast<const std::function<void()>*>(work))();
  return nullptr;
}

}  // namespace

void RunWithLargeStack(const std::function<void()>& work) {
  pthread_attr_t attr;
  pthread_t thread;
  bool started = false;
  if (pthread_attr_init(&attr) == 0) {
    started = pthread_attr_setstacksize(&attr, kLargeStack) == 0 &&
              pthread_create(&thread, &attr, RunWork, const_cast<std::function<void()>*>(&work)) == 0;
    pthread_attr_destroy(&attr);
  }
  if (started)
    pthread_join(thread, nullptr);
  else
    work();
}

bool StackNearlyFull(bool calls) {
  thread_local const uintptr_t low = StackLow();
  const uintptr_t here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  return low != 0 && here < low + (calls ? 2 * kReserve : kReserve);
}

}  // namespace tintara::script
