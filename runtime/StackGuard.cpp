#include "runtime/StackGuard.h"

#include <pthread.h>

#include <algorithm>
#include <cstdint>

namespace tintara {

namespace {

// The lowest address of the calling thread's stack and the stack's size; 0 when unknown. The
// stack grows down on every platform this runs on.
struct StackBounds {
  uintptr_t low = 0;
  size_t size = 0;
};

StackBounds BoundsOfThisThread() {
  StackBounds bounds;
  pthread_attr_t attr;
  if (pthread_getattr_np(pthread_self(), &attr) != 0) return bounds;
  void* address = nullptr;
  size_t size = 0;
  if (pthread_attr_getstack(&attr, &address, &size) == 0) {
    bounds.low = reinterpret_cast<uintptr_t>(address);
    bounds.size = size;
  }
  pthread_attr_destroy(&attr);
  return bounds;
}

}  // namespace

void CheckStackLeft(IScriptEnvironment* env) {
  // Looked up once per thread: for the main thread it reads /proc/self/maps.
  thread_local const StackBounds bounds = BoundsOfThisThread();
  if (bounds.low == 0) return;
  // The frame address, not a local's: sanitizers may keep locals on a heap-allocated stack.
  const uintptr_t here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  const size_t margin = std::min(kStackMargin, bounds.size / 4);
  if (here > bounds.low + margin) return;
  env->ThrowError("the chain of clips is too long to make a frame: it would overflow this thread's %zu MB stack",
                  bounds.size >> 20);
}

}  // namespace tintara
