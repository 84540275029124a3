// The command makes frames on threads with a large stack, so that a script's chain of clips can
// be as long as memory allows rather than as long as the usual 8 MB stack allows (each clip of a
// chain takes about 1 KB of stack while a frame is made, and as much again while the chain is
// freed). The address space is reserved, not used: pages are committed only as deep chains
// touch them.
#pragma once

#include <cstddef>
#include <functional>

namespace tintara::cli {

// The stack every thread created from now on gets (std::thread included).
constexpr size_t kLargeStack = size_t{1} << 30;

// Runs `work` on a thread with kLargeStack of stack, and makes that the size of every later
// thread; the work may start `threads` more. Where the system refuses that much address space
// for them all, the size is halved, down to 64 MB, then the usual stack is used. Returns what
// `work` returns.
int RunWithLargeStack(const std::function<int()>& work, int threads);

}  // namespace tintara::cli
