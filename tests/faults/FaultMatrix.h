#pragma once
// What the three fault-matrix tests share: one cell's surroundings (a fresh simulator, program
// folder, cookie store and message-box recorder, short time limits), the short names under which
// the windows' texts appear in the table, and the table each test prints when it ends.
//
// A cell is one request of the client met by one fault of the site. Its outcome is written as a
// line of "field=value" parts read off the real windows; the test compares that line with the
// expected one and adds both to the table (ctest -R test_faults -V shows it).
#include "AwaitedNet.h"
#include "SimSession.h"
#include "TestSession.h"

#include <QList>
#include <QTest>
#include <QString>
#include <QStringList>
#include <QTimer>

class QLabel;

namespace FaultMatrix {

// The client's time limit during the matrix, and the simulator's slow delay just past it.
constexpr int kTimeLimitMs = 1000;
constexpr int kSlowDelayMs = 1300;
// The longest a cell waits for the windows to settle once its last reply is due; a window still
// busy after that is reported as it stands (stuck, or the login post's wait for a reply).
constexpr int kSettleMs = kSlowDelayMs + kTimeLimitMs + 1500;

// Runs events until the condition holds or the time is up; the cell then reads the windows as they
// stand either way, so a window that never settles shows in the outcome rather than as a time-out.
template <typename Condition>
void waitUntil(Condition condition, int ms = kSettleMs)
{
    [[maybe_unused]] const bool reached = QuickTry::waitFor(condition, ms);
}

// The faults of the matrix, in table order. withToken503: also the form-token refusal, which only
// form posts (and the log-out, which takes a token) can meet.
[[nodiscard]] QList<SimFault> faults(bool withToken503);
[[nodiscard]] QString faultName(SimFault fault);

// The short ASCII name of a text the windows show (dates as "date+N", counted from today), so the
// table's columns stay aligned; an unknown text comes back as it is, so a surprise stands out.
[[nodiscard]] QString tag(const QString &text);
// "-" for an empty value.
[[nodiscard]] QString orDash(const QString &value);
// Every box in order as "box=tag,tag" ("!" after an exclamation box, "?" after a Yes/No question);
// "box=none" when none was shown.
[[nodiscard]] QString boxes(const QList<Seams::MessageRequest> &messages);
// "default" when a label shows the given default picture, "picture" for another one, "none".
[[nodiscard]] QString pictureKind(const QLabel *label, const QImage &defaultPicture);

// Signs the member in through the forum's login form and lets the real identity check hand over
// to the panel (then Form2::existing(testSession())); false when the forum did not greet the member. The check
// opens and returns at once: this waits until it has handed over and gone (or the time is up, and
// the cell reads what stands).
[[nodiscard]] bool signInToPanel(const QString &account, const QString &password);

// The rows seen so far; printTable() writes them as one table (and a legend of the tags used) with qInfo.
void addRow(const QString &request, const QString &fault, const QString &seen, const QString &expected);
void printTable(const QString &title);

// The columns every matrix has: the program's own request type, the fault and the expected outcome.
template <typename Request>
void addColumns()
{
    QTest::addColumn<Request>("request");
    QTest::addColumn<SimFault>("fault");
    QTest::addColumn<QString>("expected");
}

// Adds a row named "request / fault", for a program whose requests requestName names.
template <typename Request>
[[nodiscard]] auto rowAdder(QString (*requestName)(Request))
{
    return [requestName](Request request, SimFault fault, const QString &expected) {
        QTest::newRow(qPrintable(requestName(request) + QStringLiteral(" / ") + faultName(fault))) << request << fault << expected;
    };
}

// The current row's cell: runs it, adds what it saw to the table and compares with the expected.
template <typename Request, typename Run>
void runCell(QString (*requestName)(Request), Run run)
{
    QFETCH(Request, request);
    QFETCH(SimFault, fault);
    QFETCH(QString, expected);
    const QString seen = run(request, fault);
    addRow(requestName(request), faultName(fault), seen, expected);
    QCOMPARE(seen, expected);
}

// One cell's surroundings: the shared simulator session with the matrix's time limit and slow
// delay. The windows a cell opens are the test's to destroy before this goes.
class Cell
{
public:
    Cell();
    Cell(const Cell &) = delete;
    Cell &operator=(const Cell &) = delete;

    [[nodiscard]] bool ready() const { return m_session.isRunning(); }
    ForumSimulator &sim() { return m_session.sim(); }
    SeamRecorder &seams() { return m_session.seams; }
    // Whether the shared cookie store still holds the forum's sign-in cookie.
    [[nodiscard]] static bool holdsSession();

private:
    SimSession m_session{kTimeLimitMs};
};

// While alive, steps the identity check's one-second wait as soon as the window is up, so that a
// cell does not idle through it; the fetch and the hand-over then run as they always do.
class IdentityCheckHurry
{
public:
    IdentityCheckHurry();

private:
    QTimer m_timer;
};

} // namespace FaultMatrix
