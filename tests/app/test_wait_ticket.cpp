// The ticket a routine holds across a nested wait: its owner, and its attempt where the routine can
// be overtaken by its own next run.
#include "base/WaitTicket.h"

#include <QCoreApplication>
#include <QTest>

#include <memory>
#include <type_traits>

namespace {

// A routine's owner as the windows are: the counter is a member, so it goes with the owner.
class Owner : public QObject
{
public:
    AttemptCounter attempts;
    AttemptCounter otherAttempts;
};

// Every ticket names its owner: there is no ticket that checks nothing.
static_assert(!std::is_default_constructible_v<WaitTicket>);

} // namespace

class TestWaitTicket : public QObject
{
    Q_OBJECT
private slots:
    void ownerOnly()
    {
        auto owner = std::make_unique<Owner>();
        const WaitTicket ticket(owner.get());
        QVERIFY(ticket.valid());
        // Attempts of the owner's routines do not concern an owner-only ticket.
        (void)WaitTicket::begin(owner.get(), owner->attempts);
        QVERIFY(ticket.valid());
        owner.reset();
        QVERIFY(!ticket.valid());
    }

    void ownerDeletedLaterWhileWaiting()
    {
        // The usual way a window goes during a wait: deleteLater, then events run.
        auto *owner = new Owner;
        const WaitTicket ticket(owner);
        owner->deleteLater();
        QVERIFY(ticket.valid()); // nothing ran yet
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!ticket.valid());
    }

    void newerAttemptOvertakes()
    {
        Owner owner;
        QCOMPARE(owner.attempts.current(), quint64(0));
        const WaitTicket first = WaitTicket::begin(&owner, owner.attempts);
        QCOMPARE(owner.attempts.current(), quint64(1));
        QVERIFY(first.valid());
        const WaitTicket second = WaitTicket::begin(&owner, owner.attempts);
        QCOMPARE(owner.attempts.current(), quint64(2));
        QVERIFY(!first.valid());
        QVERIFY(second.valid());
        // Another counter of the same owner is another routine: it overtakes nothing here.
        (void)WaitTicket::begin(&owner, owner.otherAttempts);
        QVERIFY(second.valid());
    }

    void joinedAttemptStaysValid()
    {
        Owner owner;
        const WaitTicket begun = WaitTicket::begin(&owner, owner.attempts);
        // A reply handler joins the attempt under way; joining starts nothing new.
        const WaitTicket joined(&owner, owner.attempts);
        const WaitTicket joinedAgain(&owner, owner.attempts);
        QVERIFY(begun.valid());
        QVERIFY(joined.valid());
        QVERIFY(joinedAgain.valid());
        QCOMPARE(owner.attempts.current(), quint64(1));
        // A copy holds the same attempt.
        const WaitTicket copy = joined;
        QVERIFY(copy.valid());
        // The next attempt overtakes all of them, copies included.
        const WaitTicket next = WaitTicket::begin(&owner, owner.attempts);
        QVERIFY(!begun.valid());
        QVERIFY(!joined.valid());
        QVERIFY(!copy.valid());
        QVERIFY(next.valid());
        // Joining before any attempt began is joining attempt 0, valid until the first one.
        Owner fresh;
        const WaitTicket early(&fresh, fresh.attempts);
        QVERIFY(early.valid());
        (void)WaitTicket::begin(&fresh, fresh.attempts);
        QVERIFY(!early.valid());
    }

    void ownerDeletedBeforeCounterIsRead()
    {
        // The counter lives in the owner: once the owner is gone the check must not read it (the
        // sanitizer build reports a read of freed memory if it did).
        auto *owner = new Owner;
        const WaitTicket attempt = WaitTicket::begin(owner, owner->attempts);
        const WaitTicket joined(owner, owner->attempts);
        delete owner;
        QVERIFY(!attempt.valid());
        QVERIFY(!joined.valid());
        // The memory may be reused by a new owner whose counter happens to hold the same number:
        // the old ticket still fails, as its owner is not the new one.
        auto reused = std::make_unique<Owner>();
        (void)WaitTicket::begin(reused.get(), reused->attempts);
        QVERIFY(!attempt.valid());
        QVERIFY(!joined.valid());
    }

    void waitGivesTheResultOnlyWhileValid()
    {
        Owner owner;
        const WaitTicket ticket = WaitTicket::begin(&owner, owner.attempts);
        // A wait that nothing overtook gives its result.
        const std::optional<QString> page = ticket.wait([] { return QStringLiteral("page"); });
        QVERIFY(page.has_value());
        QCOMPARE(*page, QStringLiteral("page"));
        // An empty result is still a result: only the ticket decides.
        const std::optional<QString> empty = ticket.wait([] { return QString(); });
        QVERIFY(empty.has_value());
        QVERIFY(empty->isEmpty());
        const bool ran = ticket.wait([] {});
        QVERIFY(ran);

        // A newer attempt begun while the call waited: no result.
        int calls = 0;
        const std::optional<int> overtaken = ticket.wait([&] {
            ++calls;
            (void)WaitTicket::begin(&owner, owner.attempts);
            return 42;
        });
        QCOMPARE(calls, 1);
        QVERIFY(!overtaken.has_value());
        QVERIFY(!ticket.wait([] {}));
    }

    void waitAfterTheOwnerWentDuringTheCall()
    {
        auto *owner = new Owner;
        const WaitTicket ticket = WaitTicket::begin(owner, owner->attempts);
        const WaitTicket window(owner);
        // The owner goes while the call runs events.
        const std::optional<int> answer = ticket.wait([owner] {
            owner->deleteLater();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return 1;
        });
        QVERIFY(!answer.has_value());
        QVERIFY(!window.valid());
        QVERIFY(!window.wait([] {}));
    }
};

QTEST_GUILESS_MAIN(TestWaitTicket)
#include "test_wait_ticket.moc"
