#include "Routine.h"

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

Routine runAhead(std::unique_ptr<AheadStep> step, AheadState *state)
{
    co_await StepToEnd{*step};
    state->in = true;
    if (Step *waiting = std::exchange(state->waiting, nullptr))
        waiting->resume(); // may destroy the Ahead, and state with it: nothing of either after
}

} // namespace Wait::Detail
