// How close the running thread is to the end of its stack. Scripts nest calls as deep as they
// like (a function that calls itself); the interpreter asks before each level so that a deep
// script ends in an error, never in a crash.
#pragma once

#include <functional>

namespace tintara::script {

// Runs `work` on a thread of its own with a large stack (or here, if no thread can be made), so
// that a script may nest calls as deeply as scripts for the host do; returns when it is done.
// Exceptions thrown by `work` must be caught inside it.
void RunWithLargeStack(const std::function<void()>& work);

// Whether less than the reserve needed by one more level of parsing is left. Calls ask with
// `calls`, keeping twice that reserve, so that a script whose calls nest without end is stopped
// at a call (whose message says so) rather than while parsing the file a call imports.
bool StackNearlyFull(bool calls = false);

}  // namespace tintara::script
