#pragma once
// How the client waits: a routine that waits for the network, a timer or the member's answer is a
// coroutine that returns to the one event loop at each `co_await` and continues when what it waits
// for is in. Nothing waits in a loop of its own, so no handler ever runs inside another's wait.
//
//   Routine   a routine a window starts and owns, kept in a member: `m_signIn = signIn();`. It runs
//             at once up to its first wait. Destroying the Routine (the window goes) or assigning a
//             newer one (the member starts the same thing again) ends it where it waits: it is
//             never resumed, and whatever it waited on (a request, a timer) is stopped with it.
//   Task<T>   a step of a routine that waits too (read a page, fetch a token): `co_await step()`
//             starts it and gives its result. It belongs to the routine that awaits it and ends
//             with it.
//   Wait::Ahead<T>  a step sent on its way before the routine awaits it, so that two answers are
//             waited for at once: `Wait::Ahead<int> form(step());` ... `co_await form`. It is
//             held in the routine's frame and ends with the routine too.
//
// So after any `co_await` the owner exists and the attempt is the newest: no check is needed. A
// routine ended while it runs (it started its own successor, or closed its window) finishes the
// step it is in and ends at its next wait, without starting what that wait would have started.
//
// The waits themselves (Wait::Step) are in this folder for timers and signals and in src/net for
// requests.
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <coroutine>
#include <exception>
#include <memory>
#include <optional>
#include <utility>

namespace Wait {

// What the routine behind a chain of awaited tasks knows of itself.
struct Chain {
    bool running = false;  // a wait is resuming it now
    bool abandoned = false; // its Routine is gone: end it at the next wait
    std::coroutine_handle<> root;
};

struct PromiseBase {
    Chain *chain = nullptr;
};

// One suspension at a wait: where to go on, and the chain that decides whether to.
class Step
{
public:
    // False when the routine is to end here: the wait then starts nothing.
    template <typename Promise>
    bool suspend(std::coroutine_handle<Promise> handle)
    {
        m_handle = handle;
        m_chain = handle.promise().chain;
        return !m_chain->abandoned;
    }
    // The routine's Routine went while it ran: it is to end at this wait.
    [[nodiscard]] bool ended() const { return m_chain->abandoned; }
    // Goes on with the routine (once per wait); ends it instead when its Routine went meanwhile.
    void resume()
    {
        Chain *chain = m_chain;
        const std::coroutine_handle<> handle = std::exchange(m_handle, {});
        if (!handle)
            return;
        chain->running = true;
        handle.resume(); // may destroy this Step (it lives in the frame), so nothing of it after
        chain->running = false;
        if (chain->abandoned)
            chain->root.destroy();
    }

private:
    std::coroutine_handle<> m_handle;
    Chain *m_chain = nullptr;
};

} // namespace Wait

class [[nodiscard]] Routine
{
public:
    struct promise_type : Wait::PromiseBase {
        Wait::Chain ownChain;
        promise_type()
        {
            ownChain.root = std::coroutine_handle<promise_type>::from_promise(*this);
            chain = &ownChain;
        }
        Routine get_return_object() { return Routine(std::coroutine_handle<promise_type>::from_promise(*this)); }
        std::suspend_never initial_suspend() noexcept { return {}; }
        std::suspend_always final_suspend() noexcept { return {}; }
        void return_void() noexcept {}
        void unhandled_exception() noexcept { std::terminate(); }
    };

    Routine() = default;
    Routine(Routine &&other) noexcept
        : m_handle(std::exchange(other.m_handle, {}))
    {
    }
    Routine &operator=(Routine &&other) noexcept
    {
        if (this != &other) {
            end();
            m_handle = std::exchange(other.m_handle, {});
        }
        return *this;
    }
    Routine(const Routine &) = delete;
    Routine &operator=(const Routine &) = delete;
    ~Routine() { end(); }

    // Still waiting (neither finished nor ended).
    [[nodiscard]] bool isRunning() const { return m_handle && !m_handle.done(); }
    // Ends it now: it is not resumed again.
    void end()
    {
        const auto handle = std::exchange(m_handle, {});
        if (!handle)
            return;
        Wait::Chain &chain = handle.promise().ownChain;
        if (chain.running)
            chain.abandoned = true; // ended from inside itself: at its next wait
        else
            handle.destroy();
    }

private:
    explicit Routine(std::coroutine_handle<promise_type> handle)
        : m_handle(handle)
    {
    }
    std::coroutine_handle<promise_type> m_handle;
};

template <typename T = void>
class [[nodiscard]] Task;

namespace Wait {

template <typename T>
struct TaskPromiseBase : PromiseBase {
    std::coroutine_handle<> continuation;
    std::suspend_always initial_suspend() noexcept { return {}; }
    auto final_suspend() noexcept
    {
        struct ToCaller {
            bool await_ready() noexcept { return false; }
            std::coroutine_handle<> await_suspend(std::coroutine_handle<>) noexcept { return caller; }
            void await_resume() noexcept {}
            std::coroutine_handle<> caller;
        };
        return ToCaller{continuation};
    }
    void unhandled_exception() noexcept { std::terminate(); }
};

template <typename T>
struct TaskPromise : TaskPromiseBase<T> {
    std::optional<T> value;
    Task<T> get_return_object();
    template <typename U>
    void return_value(U &&result)
    {
        value.emplace(std::forward<U>(result));
    }
};

template <>
struct TaskPromise<void> : TaskPromiseBase<void> {
    Task<void> get_return_object();
    void return_void() noexcept {}
};

} // namespace Wait

template <typename T>
class [[nodiscard]] Task
{
public:
    using promise_type = Wait::TaskPromise<T>;

    Task(Task &&other) noexcept
        : m_handle(std::exchange(other.m_handle, {}))
    {
    }
    Task &operator=(Task &&) = delete;
    Task(const Task &) = delete;
    ~Task()
    {
        if (m_handle)
            m_handle.destroy();
    }

    bool await_ready() const noexcept { return false; }
    template <typename Promise>
    std::coroutine_handle<> await_suspend(std::coroutine_handle<Promise> caller) noexcept
    {
        m_handle.promise().continuation = caller;
        m_handle.promise().chain = caller.promise().chain;
        return m_handle;
    }
    T await_resume()
    {
        if constexpr (!std::is_void_v<T>)
            return std::move(*m_handle.promise().value);
    }

private:
    friend promise_type;
    explicit Task(std::coroutine_handle<promise_type> handle)
        : m_handle(handle)
    {
    }
    std::coroutine_handle<promise_type> m_handle;
};

template <typename T>
Task<T> Wait::TaskPromise<T>::get_return_object()
{
    return Task<T>(std::coroutine_handle<TaskPromise<T>>::from_promise(*this));
}

inline Task<void> Wait::TaskPromise<void>::get_return_object()
{
    return Task<void>(std::coroutine_handle<TaskPromise<void>>::from_promise(*this));
}

namespace Wait {

// Objects a wait owns go with deleteLater, never at once: the wait may end inside one of their own
// signals (a timer's timeout, a dialog's finished), which must not return into a deleted object.
// The wait's own connections use the object as their context and go with it: only they are cut
// (Qt's own, a style's watch on a widget's end, must stay).
struct DeleteLater {
    void operator()(QObject *object) const
    {
        QObject::disconnect(object, nullptr, object, nullptr);
        object->deleteLater();
    }
};

// `co_await Wait::delay(ms)`: goes on after ms milliseconds of the event loop.
class [[nodiscard]] Delay
{
public:
    explicit Delay(int ms)
        : m_ms(ms)
    {
    }
    Delay(Delay &&) = delete;
    ~Delay()
    {
        if (m_timer)
            m_timer->stop();
    }
    bool await_ready() const noexcept { return false; }
    template <typename Promise>
    bool await_suspend(std::coroutine_handle<Promise> handle)
    {
        if (!m_step.suspend(handle))
            return true;
        m_timer.reset(new QTimer);
        m_timer->setSingleShot(true);
        QObject::connect(m_timer.get(), &QTimer::timeout, m_timer.get(), [this] { m_step.resume(); });
        m_timer->start(m_ms);
        return true;
    }
    void await_resume() const noexcept {}

private:
    int m_ms;
    std::unique_ptr<QTimer, DeleteLater> m_timer;
    Step m_step;
};

inline Delay delay(int ms)
{
    return Delay(ms);
}

// `co_await Wait::signal(sender, &Sender::done)`: goes on when sender emits the signal (its
// arguments are not kept), or when the sender is destroyed first (keep a QPointer to tell).
template <typename Sender, typename Signal>
class [[nodiscard]] SignalWait
{
public:
    SignalWait(const Sender *sender, Signal signal)
        : m_sender(sender), m_signal(signal)
    {
    }
    SignalWait(SignalWait &&) = delete;
    ~SignalWait() { stop(); }
    bool await_ready() const noexcept { return m_sender == nullptr; }
    template <typename Promise>
    bool await_suspend(std::coroutine_handle<Promise> handle)
    {
        if (!m_step.suspend(handle))
            return true;
        m_connection = QObject::connect(m_sender, m_signal, m_sender, [this] {
            stop();
            m_step.resume();
        });
        m_gone = QObject::connect(m_sender, &QObject::destroyed, [this] {
            stop();
            m_step.resume();
        });
        return true;
    }
    void await_resume() const noexcept {}

private:
    void stop()
    {
        QObject::disconnect(m_connection);
        QObject::disconnect(m_gone);
    }
    const Sender *m_sender;
    Signal m_signal;
    QMetaObject::Connection m_connection;
    QMetaObject::Connection m_gone;
    Step m_step;
};

template <typename Sender, typename Signal>
SignalWait<Sender, Signal> signal(const Sender *sender, Signal signal)
{
    return SignalWait<Sender, Signal>(sender, signal);
}

namespace Detail {

// A step of any result type, as the one runner behind every Ahead sees it.
class AheadStep
{
public:
    virtual ~AheadStep() = default;
    // Starts the step with runner as its caller; gives the step's frame, to go on with at once.
    virtual std::coroutine_handle<> start(std::coroutine_handle<Routine::promise_type> runner) = 0;
    // Keeps the finished step's result where its Ahead gives it.
    virtual void keepResult() = 0;
};

struct AheadState {
    bool in = false;          // the result is kept
    Step *waiting = nullptr;  // the routine's wait for it, once it waits
};

// Runs step to its end (its frame goes with the runner's), keeps the result, marks state in and
// goes on with the routine that waits for it. One coroutine for every Ahead, out of line
// (Routine.cpp), so that clang's trouble with it under UBSan is dealt with in one place.
Routine runAhead(std::unique_ptr<AheadStep> step, AheadState *state);

} // namespace Detail

// `Wait::Ahead<T> ahead(step());` starts step at once, beside whatever the routine waits for next;
// `co_await ahead` (once) gives its result, at once when it is in already. Destroying it (it lives
// in the routine's frame: the routine ended, or went on without it) stops the step where it waits.
template <typename T>
class [[nodiscard]] Ahead
{
public:
    explicit Ahead(Task<T> step)
        : m_state(std::make_unique<Detail::AheadState>())
    {
        m_runner = Detail::runAhead(std::make_unique<TypedStep>(std::move(step), &m_result), m_state.get());
    }
    Ahead(Ahead &&) = delete;

    bool await_ready() const noexcept { return m_state->in; }
    template <typename Promise>
    bool await_suspend(std::coroutine_handle<Promise> handle)
    {
        if (m_wait.suspend(handle))
            m_state->waiting = &m_wait;
        return true;
    }
    T await_resume() { return std::move(*m_result); }

private:
    class TypedStep : public Detail::AheadStep
    {
    public:
        TypedStep(Task<T> task, std::optional<T> *result)
            : m_task(std::move(task))
            , m_result(result)
        {
        }
        std::coroutine_handle<> start(std::coroutine_handle<Routine::promise_type> runner) override
        {
            return m_task.await_suspend(runner);
        }
        void keepResult() override { m_result->emplace(m_task.await_resume()); }

    private:
        Task<T> m_task;
        std::optional<T> *m_result;
    };

    std::optional<T> m_result;
    std::unique_ptr<Detail::AheadState> m_state;
    Step m_wait;
    Routine m_runner; // last: the step stops before what it reports to goes
};

} // namespace Wait
