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
