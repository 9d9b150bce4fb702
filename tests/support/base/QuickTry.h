#pragma once
// Waiting in the test's event loop for a condition, awake as soon as an event comes.
//
// QtTest's QTRY_* macros check their condition every 50 ms and sleep between event passes
// (QTest::qWait), and QTest::qWaitFor sleeps 10 ms between passes: a reply that arrives during a
// sleep is read only after it, and every wait ends up to 50 ms after its condition came true. A
// whole visit is dozens of such steps. Here the wait blocks in the event dispatcher instead, so a
// socket, a timer or a posted event wakes it at once, and the condition is checked after every
// pass; a condition no event of this process announces (a file another process writes) is still
// checked every 10 ms. Time limits, the conditions and the messages on failure stay QtTest's own.
//
// Every test takes it through the tests' precompiled header (tests/support/TestPrelude.h), which
// includes it after QtTest, so that QTRY_* below are the ones the tests expand.
#include <QtTest/qtestcase.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include <algorithm>

namespace QuickTry {

// The longest a pass waits for an event before the condition is checked again.
constexpr int kPollMs = 10;

// Handles the events that are pending, or else waits for the next one, for at most ms (and
// kPollMs); then deletes what was left for deletion, as QTest::qWait does.
inline void handleEvents(qint64 ms)
{
    QTimer wake; // its time-out is the event that ends the wait when nothing else comes
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(int(std::clamp<qint64>(ms, 0, kPollMs)));
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// QTest::qWaitFor, awake on every event: whether predicate held within timeoutMs.
template <typename Predicate>
[[nodiscard]] bool waitFor(Predicate predicate, int timeoutMs)
{
    if (predicate())
        return true;
    const QDeadlineTimer deadline(timeoutMs, Qt::PreciseTimer);
    do {
        handleEvents(deadline.remainingTime());
        if (predicate())
            return true;
    } while (!deadline.hasExpired());
    return predicate();
}

} // namespace QuickTry

// QtTest's loop of the QTRY_* macros (qtestcase.h), with the wait above in place of qWait(step).
// As there, qt_test_i is the time waited in ms when the loop ends, for the failure message.
#undef QTRY_LOOP_IMPL
#define QTRY_LOOP_IMPL(expr, timeoutValue, step)                                                         \
    (void)(step);                                                                                        \
    if (!(expr)) {                                                                                       \
        QTest::qWait(0);                                                                                 \
    }                                                                                                    \
    int qt_test_i = 0;                                                                                   \
    for (const QDeadlineTimer qt_test_deadline((timeoutValue), Qt::PreciseTimer);                        \
         qt_test_i < (timeoutValue) && !(QTest::runningTest() && QTest::currentTestFailed()) && !(expr); \
         qt_test_i = int((timeoutValue) - qt_test_deadline.remainingTime())) {                           \
        QuickTry::handleEvents(qt_test_deadline.remainingTime());                                        \
    }
