#pragma once
// The one way to wait. A routine that waits with the event loop running (any network call, a
// message box, a routine that makes one) holds a ticket across the wait. While events run, the
// window that owns the routine may be closed and deleted, or the member may start the same thing
// again (a newer sign-in, lookup or picture), which then owns what the older one would touch.
//
// The rules of waiting:
//   1. Re-check after every wait: the first thing after a wait is `if (!ticket.valid()) return;`
//      (or a window-specific check built on it). Nothing of the owner is touched before it.
//   2. Emit signals last: a signal runs its receivers at once, and they may wait or delete the
//      sender; a routine that emits must be done with its owner by then.
//   3. Touch nothing of a window after its close(): a window that deletes itself on close goes once
//      events run, so take what is to be handed over first and close last.
//
// The kinds of ticket:
//   WaitTicket(this)                          the owner only: valid while it exists.
//   WaitTicket::begin(this, m_loginAttempts)  starts a new attempt: tickets of every older attempt
//                                             of that counter fail their check from now on.
//   WaitTicket(this, m_loginAttempts)         joins the attempt under way (a reply handler).
//
// wait() runs a waiting call and checks the ticket after it, so that the result can only be had
// through the check: `const auto page = ticket.wait([&] { return fetch(url); }); if (!page) return;`
#include <QObject>
#include <QPointer>
#include <QtGlobal>

#include <optional>
#include <type_traits>
#include <utility>

class WaitTicket;

// The attempts of one routine that can be overtaken by its own next run. A member of the object
// that owns the routine (the ticket reads it only while that owner exists).
class AttemptCounter
{
public:
    // The attempt under way (0 before the first one).
    [[nodiscard]] quint64 current() const noexcept { return m_current; }

private:
    friend class WaitTicket;
    quint64 m_current = 0;
};

class [[nodiscard]] WaitTicket
{
public:
    // The owner only.
    explicit WaitTicket(const QObject *owner)
        : m_owner(owner)
    {
    }

    // Joins the attempt now under way on attempts, a member of owner.
    WaitTicket(const QObject *owner, const AttemptCounter &attempts)
        : m_owner(owner), m_attempts(&attempts), m_attempt(attempts.current())
    {
    }

    // Starts a new attempt on attempts, a member of owner; every older ticket of it is overtaken.
    [[nodiscard]] static WaitTicket begin(const QObject *owner, AttemptCounter &attempts)
    {
        ++attempts.m_current;
        return WaitTicket(owner, attempts);
    }

    // True while the owner exists and, for an attempt's ticket, no newer attempt has begun.
    [[nodiscard]] bool valid() const
    {
        // The owner first: the counter lives in it and is gone with it.
        if (m_owner.isNull())
            return false;
        return m_attempts == nullptr || m_attempts->current() == m_attempt;
    }

    // Runs wait (a call that waits with events running) and checks the ticket after it. A call
    // that returns nothing gives valid(); one that returns a value gives it only while valid().
    template <typename Wait>
    [[nodiscard]] auto wait(Wait &&call) const
    {
        using Result = std::invoke_result_t<Wait>;
        if constexpr (std::is_void_v<Result>) {
            std::forward<Wait>(call)();
            return valid();
        } else {
            std::optional<std::decay_t<Result>> result(std::forward<Wait>(call)());
            if (!valid())
                result.reset();
            return result;
        }
    }

private:
    QPointer<const QObject> m_owner;
    const AttemptCounter *m_attempts = nullptr;
    quint64 m_attempt = 0;
};
