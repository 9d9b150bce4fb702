// The client's waiting type: a routine continues after a wait only while its owner keeps it, and
// the newest run of a routine is the only one that continues.
#include "base/Routine.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTest>

#include <memory>

namespace {

// Something a routine waits for, which the test lets go by hand.
class Trigger : public QObject
{
    Q_OBJECT
public:
    void fire() { emit fired(); }
signals:
    void fired();
};

// A window-like owner: one routine member, the steps it went through.
struct Owner {
    Trigger trigger;
    QStringList steps;
    Routine routine;

    Routine twoWaits(QString name)
    {
        steps << name + u":start";
        co_await Wait::signal(&trigger, &Trigger::fired);
        steps << name + u":after first";
        co_await Wait::signal(&trigger, &Trigger::fired);
        steps << name + u":after second";
    }
};

Task<int> twice(Trigger &trigger, int value)
{
    co_await Wait::signal(&trigger, &Trigger::fired);
    co_return 2 * value;
}

Task<int> nested(Trigger &trigger, int value)
{
    const int first = co_await twice(trigger, value);
    co_return first + co_await twice(trigger, 1);
}

// Counts its copies alive: a routine ended mid-wait destroys what its frame holds.
struct Alive {
    explicit Alive(int &count)
        : count(count)
    {
        ++count;
    }
    ~Alive() { --count; }
    int &count;
};

Routine holdWhileWaiting(Trigger &trigger, int &alive, bool &resumed)
{
    const Alive held(alive);
    co_await Wait::signal(&trigger, &Trigger::fired);
    resumed = true;
}

Task<int> heldUntilFired(Trigger &trigger, int &alive)
{
    const Alive held(alive);
    co_await Wait::signal(&trigger, &Trigger::fired);
    co_return 1;
}

} // namespace

class TestRoutine : public QObject
{
    Q_OBJECT
private slots:
    void runsToItsFirstWaitAtOnce()
    {
        Owner owner;
        owner.routine = owner.twoWaits(u"a"_qs);
        QCOMPARE(owner.steps, QStringList{u"a:start"_qs});
        QVERIFY(owner.routine.isRunning());
        owner.trigger.fire();
        owner.trigger.fire();
        QCOMPARE(owner.steps, (QStringList{u"a:start"_qs, u"a:after first"_qs, u"a:after second"_qs}));
        QVERIFY(!owner.routine.isRunning());
    }

    void aNewerRunOvertakes()
    {
        Owner owner;
        owner.routine = owner.twoWaits(u"a"_qs);
        owner.routine = owner.twoWaits(u"b"_qs);
        owner.trigger.fire();
        // Only the newer run goes on: the older one was never resumed.
        QCOMPARE(owner.steps, (QStringList{u"a:start"_qs, u"b:start"_qs, u"b:after first"_qs}));
    }

    void endedWithItsOwner()
    {
        int alive = 0;
        bool resumed = false;
        Trigger trigger;
        {
            const Routine routine = holdWhileWaiting(trigger, alive, resumed);
            QCOMPARE(alive, 1);
        }
        // The frame went with its owner, and what it held with it.
        QCOMPARE(alive, 0);
        trigger.fire();
        QVERIFY(!resumed);
    }

    void endedFromInsideEndsAtItsNextWait()
    {
        // A routine that ends itself (it closes its window, it starts its own successor) finishes
        // the step it is in, then is not resumed again.
        Owner owner;
        owner.routine = [](Owner &o) -> Routine {
            o.steps << u"start"_qs;
            co_await Wait::signal(&o.trigger, &Trigger::fired);
            o.routine.end();
            o.steps << u"rest of the step"_qs;
            co_await Wait::signal(&o.trigger, &Trigger::fired);
            o.steps << u"never"_qs;
        }(owner);
        owner.trigger.fire();
        QVERIFY(!owner.routine.isRunning());
        owner.trigger.fire();
        QCOMPARE(owner.steps, (QStringList{u"start"_qs, u"rest of the step"_qs}));
    }

    void tasksGiveTheirResults()
    {
        Trigger trigger;
        std::optional<int> result;
        const Routine routine = [](Trigger &t, std::optional<int> &out) -> Routine {
            out = co_await nested(t, 5);
        }(trigger, result);
        QVERIFY(!result);
        trigger.fire();
        QVERIFY(!result);
        trigger.fire();
        QCOMPARE(result, std::optional<int>(12));
    }

    void aDelayKeepsItsTime()
    {
        bool done = false;
        QElapsedTimer clock;
        clock.start();
        const Routine routine = [](bool &d) -> Routine {
            co_await Wait::delay(50);
            d = true;
        }(done);
        QVERIFY(!done);
        QTRY_VERIFY(done);
        QVERIFY(clock.elapsed() >= 45);
    }

    void anEndedDelayNeverFires()
    {
        bool done = false;
        {
            const Routine routine = [](bool &d) -> Routine {
                co_await Wait::delay(10);
                d = true;
            }(done);
        }
        QTest::qWait(50);
        QVERIFY(!done);
    }

    void aStepAheadWaitsBesideTheRoutine_data()
    {
        QTest::addColumn<bool>("inFirst");
        QTest::newRow("in before it is awaited") << true;
        QTest::newRow("awaited before it is in") << false;
    }

    void aStepAheadWaitsBesideTheRoutine()
    {
        QFETCH(bool, inFirst);
        Trigger ahead;
        Trigger other;
        QStringList steps;
        const Routine routine = [](Trigger &a, Trigger &o, QStringList &s) -> Routine {
            Wait::Ahead<int> value(twice(a, 21));
            s << u"sent"_qs;
            co_await Wait::signal(&o, &Trigger::fired);
            s << u"other in"_qs;
            s << QString::number(co_await value);
        }(ahead, other, steps);
        QCOMPARE(steps, QStringList{u"sent"_qs});
        if (inFirst) {
            ahead.fire();
            QCOMPARE(steps, QStringList{u"sent"_qs});
            other.fire();
        } else {
            other.fire();
            QCOMPARE(steps, (QStringList{u"sent"_qs, u"other in"_qs}));
            ahead.fire();
        }
        QCOMPARE(steps, (QStringList{u"sent"_qs, u"other in"_qs, u"42"_qs}));
        QVERIFY(!routine.isRunning());
    }

    void aStepAheadEndsWithItsRoutine_data()
    {
        QTest::addColumn<bool>("routineEnded");
        QTest::newRow("the routine is ended") << true;
        QTest::newRow("the routine returns without it") << false;
    }

    void aStepAheadEndsWithItsRoutine()
    {
        QFETCH(bool, routineEnded);
        int alive = 0;
        Trigger ahead;
        Trigger other;
        // Once other fires the routine is over without awaiting the step (as a sign-in is when its
        // probe fails).
        Routine routine = [](Trigger &a, Trigger &o, int &count) -> Routine {
            const Wait::Ahead<int> value(heldUntilFired(a, count));
            co_await Wait::signal(&o, &Trigger::fired);
        }(ahead, other, alive);
        QCOMPARE(alive, 1);
        if (routineEnded)
            routine.end();
        else
            other.fire();
        QVERIFY(!routine.isRunning());
        // The step went with the routine's frame (or scope), and what it held with it; its answer
        // coming after all reaches nothing.
        QCOMPARE(alive, 0);
        ahead.fire();
    }

    void aSenderThatGoesEndsTheSignalWait()
    {
        auto trigger = std::make_unique<Trigger>();
        QPointer<Trigger> watched(trigger.get());
        bool resumed = false;
        bool senderLeft = true;
        const Routine routine = [](QPointer<Trigger> &w, bool &r, bool &left) -> Routine {
            co_await Wait::signal(w.data(), &Trigger::fired);
            r = true;
            left = !w.isNull();
        }(watched, resumed, senderLeft);
        trigger.reset();
        QVERIFY(resumed);
        QVERIFY(!senderLeft);
    }
};

QTEST_MAIN(TestRoutine)
#include "test_routine.moc"
