#include "Routine.h"

// clang 14 cannot assemble this coroutine under UBSan's function-type check ("Cannot represent a
// difference across sections", as with some of the tests' coroutines): it goes without that one
// check. gcc has no such check.
#if defined(__clang__)
#define QUORVEL_WITHOUT_FUNCTION_TYPE_CHECK __attribute__((no_sanitize("function")))
#else
#define QUORVEL_WITHOUT_FUNCTION_TYPE_CHECK
#endif

namespace Wait::Detail {

namespace {

// The runner's one wait: the step, started with the runner as its caller.
struct StepToEnd {
    AheadStep &step;
    bool await_ready() const noexcept { return false; }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<Routine::promise_type> runner)
    {
        return step.start(runner);
    }
    void await_resume() { step.keepResult(); }
};

} // namespace

QUORVEL_WITHOUT_FUNCTION_TYPE_CHECK Routine runAhead(std::unique_ptr<AheadStep> step, AheadState *state)
{
    co_await StepToEnd{*step};
    state->in = true;
    if (Step *waiting = std::exchange(state->waiting, nullptr))
        waiting->resume(); // may destroy the Ahead, and state with it: nothing of either after
}

} // namespace Wait::Detail
