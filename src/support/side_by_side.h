// Two tasks at once: one on the calling thread and one on a helper thread
// that is started on first use and then waits for the next task for the
// life of the process. A parallel section costs a wake-up rather than a
// thread's start, and allocates nothing, so that a Newton iteration may
// use one.
#pragma once

namespace pss {

// Runs first(context) here and second(context) on the helper, and returns
// when both are done; an exception thrown by either is thrown here (the
// first task's when both throw). Runs both here, one after the other, when
// the helper is busy with another caller's task or cannot be started.
void run_side_by_side(void (*first)(void*), void (*second)(void*), void* context);

// Starts the helper now, where allocating is fine, rather than in the
// first section that needs it.
void start_side_by_side();

}  // namespace pss
