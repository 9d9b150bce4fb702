// Start-up benchmark runner: the client against two floors, side by side, in one run.
//
// Every program is started as a child process with QUORVEL_STARTUP_TRACE set (see
// src/start/StartupTrace.h): it prints the monotonic time at which each window is first
// exposed and ends right after the window the run is about. The time from spawning the child to
// that line is the start-up time; the child's peak resident memory comes from wait4(). Runs of the
// four kinds take turns, so a busy moment of the machine spreads over all of them; each figure is
// the median of its runs.
//
//   plain form  bench_startup_plain: a plain form of the login window's size with its texts, inputs
//               and faces (the fair floor: it pays for the fonts as the login window does)
//   floor       bench_startup_bare: one empty window of the login window's size
//   login       the client on a fresh data folder, up to the login window (Form1)
//   auto        the client with a saved account and automatic sign-in against quorvel-sim, up to
//               the member panel (Form2); the identity check waits 1000 ms on purpose
#include "rules/SavedAccount.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

constexpr double kIdentityWaitMs = 1000.0; // the identity check's fetch timer
constexpr int kRunTimeoutMs = 30000;

struct Run
{
    bool ok = false;
    std::string error;
    std::map<std::string, double> exposedMs; // window object name -> ms after spawn
    double maxRssMiB = 0;
    double cpuMs = 0; // user + system time of the whole process
};

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::vector<std::string> environmentWith(const std::map<std::string, std::string> &overrides)
{
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        const std::string entry(*e);
        const std::string key = entry.substr(0, entry.find('='));
        if (!overrides.count(key))
            env.push_back(entry);
    }
    for (const auto &[key, value] : overrides)
        env.push_back(key + '=' + value);
    return env;
}

// Spawns one program, collects its trace lines until it ends, and reads its peak memory.
Run runOnce(const QStringList &command, const std::map<std::string, std::string> &envOverrides,
            const std::string &endWindow)
{
    Run run;
    std::vector<std::string> args;
    for (const QString &a : command)
        args.push_back(a.toStdString());
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env = environmentWith(envOverrides);
    std::vector<char *> envp;
    for (std::string &e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        run.error = "pipe failed";
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);

    pid_t pid = -1;
    const qint64 start = nowNs();
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(fds[0]);
        run.error = "cannot start " + args[0];
        return run;
    }

    std::string output;
    bool timedOut = false;
    for (;;) {
        pollfd pfd{fds[0], POLLIN, 0};
        const int remaining = kRunTimeoutMs - int((nowNs() - start) / 1000000);
        if (remaining <= 0 || poll(&pfd, 1, remaining) <= 0) {
            timedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        char buffer[4096];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        output.append(buffer, size_t(n));
    }
    close(fds[0]);

    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.maxRssMiB = double(usage.ru_maxrss) / 1024.0; // KiB on Linux
    const auto ms = [](const timeval &t) { return double(t.tv_sec) * 1000.0 + double(t.tv_usec) / 1000.0; };
    run.cpuMs = ms(usage.ru_utime) + ms(usage.ru_stime);

    const std::string marker = "quorvel-startup-trace: exposed ";
    size_t pos = 0;
    while ((pos = output.find(marker, pos)) != std::string::npos) {
        const size_t end = output.find('\n', pos);
        const std::string line = output.substr(pos + marker.size(), end - pos - marker.size());
        const size_t space = line.rfind(' ');
        if (space != std::string::npos)
            run.exposedMs[line.substr(0, space)] = double(std::stoll(line.substr(space + 1)) - start) / 1e6;
        pos = end == std::string::npos ? output.size() : end;
    }
    if (run.exposedMs.count(endWindow)) {
        run.ok = true;
    } else {
        run.error = timedOut ? "no " + endWindow + " within 30 s" : "ended without showing " + endWindow;
        if (!output.empty())
            run.error += "; its output:\n" + output;
    }
    return run;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Series
{
    std::vector<double> values;
    void add(double v) { values.push_back(v); }
    [[nodiscard]] double med() const { return median(values); }
    [[nodiscard]] std::string spread() const
    {
        if (values.empty())
            return "-";
        const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
        char text[64];
        std::snprintf(text, sizeof text, "%.1f–%.1f", *lo, *hi);
        return text;
    }
};

std::map<std::string, std::string> traceEnvironment(const std::string &platform, const char *endWindow)
{
    return {{"QT_QPA_PLATFORM", platform}, {"QUORVEL_STARTUP_TRACE", endWindow}};
}

std::string loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return "?";
    const QList<QByteArray> fields = file.readAll().split(' ');
    return fields.size() >= 3 ? QByteArray(fields[0] + ' ' + fields[1] + ' ' + fields[2]).toStdString() : "?";
}

// One client program measured two ways: up to the login window on a fresh data folder, and up to
// the member panel with a saved account that signs in by itself.
struct ClientRuns
{
    ClientRuns(const QString &program, const QStringList &simArgs, const QString &folder)
        : plainDir(folder + QStringLiteral("/plain"))
        , autoDir(folder + QStringLiteral("/auto"))
        , loginCommand(QStringList{program} + simArgs + QStringList{QStringLiteral("--data-dir"), plainDir})
        , autoCommand(QStringList{program} + simArgs + QStringList{QStringLiteral("--data-dir"), autoDir})
    {
    }

    // The demo member alice, kept with automatic sign-in, as the client's own save step writes it.
    bool prepare() const
    {
        QDir().mkpath(plainDir);
        QDir().mkpath(autoDir);
        return SavedAccount::fromSignIn(true, QStringLiteral("alice"), QStringLiteral("alice123"), false,
                                        QStringLiteral("0"), QString(), true)
            .save(autoDir + QStringLiteral("/login.ini"));
    }

    bool runRound(const std::string &platform, bool record)
    {
        const Run l = runOnce(loginCommand, traceEnvironment(platform, "Form1"), "Form1");
        const Run a = runOnce(autoCommand, traceEnvironment(platform, "Form2"), "Form2");
        for (const Run *r : {&l, &a}) {
            if (!r->ok) {
                std::fprintf(stderr, "bench_startup: %s\n", r->error.c_str());
                return false;
            }
        }
        if (!record)
            return true;
        loginMs.add(l.exposedMs.at("Form1"));
        loginRss.add(l.maxRssMiB);
        loginCpu.add(l.cpuMs);
        const double panel = a.exposedMs.at("Form2");
        panelMs.add(panel);
        if (a.exposedMs.count("Form1")) {
            autoLoginMs.add(a.exposedMs.at("Form1"));
            overheadMs.add(panel - kIdentityWaitMs - a.exposedMs.at("Form1"));
        }
        return true;
    }

    // One automatic sign-in against a simulator that answers late (slowArgs point at it): the
    // time from the login window to the panel.
    bool runSlowLink(const QStringList &slowArgs, const std::string &platform)
    {
        const QStringList command = QStringList{autoCommand.first()} + slowArgs + QStringList{QStringLiteral("--data-dir"), autoDir};
        const Run a = runOnce(command, traceEnvironment(platform, "Form2"), "Form2");
        if (!a.ok || !a.exposedMs.count("Form1")) {
            std::fprintf(stderr, "bench_startup: slow link: %s\n", a.ok ? "no login window" : a.error.c_str());
            return false;
        }
        slowLinkMs.add(a.exposedMs.at("Form2") - a.exposedMs.at("Form1"));
        return true;
    }

    QString plainDir, autoDir;
    QStringList loginCommand, autoCommand;
    Series loginMs, loginRss, loginCpu, autoLoginMs, panelMs, overheadMs, slowLinkMs;
};

QString valueOf(const QStringList &args, const QString &option, const QString &fallback)
{
    const qsizetype i = args.indexOf(option);
    return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : fallback;
}

// Starts quorvel-sim on free ports and returns the client's arguments that point at it.
std::optional<QStringList> startSimulator(QProcess &sim, const QString &program, const QStringList &extraArgs = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    sim.setProcessEnvironment(env);
    sim.setStandardErrorFile(QProcess::nullDevice());
    sim.start(program, QStringList{QStringLiteral("--quiet"), QStringLiteral("--print-client-args")} + extraArgs);
    if (!sim.waitForStarted(10000))
        return std::nullopt;
    while (!sim.canReadLine()) {
        if (!sim.waitForReadyRead(15000))
            return std::nullopt;
    }
    return QString::fromUtf8(sim.readLine()).trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

void fail(const std::string &what)
{
    std::fprintf(stderr, "bench_startup: %s\n", what.c_str());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.contains(QStringLiteral("--help"))) {
        std::printf("Usage: bench_startup [--build DIR] [--runs N] [--slow-runs N] [--slow-ms MS] [--platform xcb|offscreen]\n"
                    "                     [--baseline-client PATH]\n"
                    "Runs the client, a plain form with the login window's texts and an empty Qt window side by\n"
                    "side, then the client's automatic sign-in against a simulator that answers every request MS\n"
                    "late (default 100), and prints three markdown tables: slow link, loopback, start-up.\n"
                    "--baseline-client: another build's quorvel, run in the same rounds, in a column of each table.\n"
                    "With xcb, DISPLAY must name a running X server. run.sh starts Xvfb with -noreset, as a\n"
                    "desktop's server lives on: one that regenerates after each program keeps the next one's\n"
                    "first windows waiting on it.\n");
        return 0;
    }
    const QString build = QDir(valueOf(args, QStringLiteral("--build"), QStringLiteral("."))).absolutePath();
    const int runs = std::max(1, valueOf(args, QStringLiteral("--runs"), QStringLiteral("9")).toInt());
    const int slowRuns = std::max(1, valueOf(args, QStringLiteral("--slow-runs"), QStringLiteral("3")).toInt());
    const int slowMs = std::max(1, valueOf(args, QStringLiteral("--slow-ms"), QStringLiteral("100")).toInt());
    const std::string platform = valueOf(args, QStringLiteral("--platform"), QStringLiteral("xcb")).toStdString();
    const QString client = build + QStringLiteral("/quorvel");
    const QString bare = build + QStringLiteral("/bench/startup/bench_startup_bare");
    const QString plain = build + QStringLiteral("/bench/startup/bench_startup_plain");
    const QString baselineClient = valueOf(args, QStringLiteral("--baseline-client"), QString());

    QProcess sim;
    const std::optional<QStringList> simArgs = startSimulator(sim, build + QStringLiteral("/sim/quorvel-sim"));
    if (!simArgs) {
        fail("quorvel-sim did not start");
        return 1;
    }

    QTemporaryDir scratch;
    ClientRuns current(client, *simArgs, scratch.filePath(QStringLiteral("current")));
    std::optional<ClientRuns> baseline;
    if (!baselineClient.isEmpty())
        baseline.emplace(baselineClient, *simArgs, scratch.filePath(QStringLiteral("baseline")));
    if (!current.prepare() || (baseline && !baseline->prepare())) {
        fail("cannot write login.ini");
        return 1;
    }

    Series bareMs, bareRss, bareCpu, plainMs, plainRss, plainCpu;
    const std::string loadBefore = loadAverage();
    // One unmeasured round first: the data folders get their skins and cookie folder, the file
    // cache holds the libraries, as on every start but the very first.
    for (int round = -1; round < runs; ++round) {
        const Run p = runOnce({plain}, traceEnvironment(platform, "PlainForm"), "PlainForm");
        const Run b = runOnce({bare}, traceEnvironment(platform, "BareWindow"), "BareWindow");
        for (const Run *r : {&p, &b}) {
            if (!r->ok) {
                fail(r->error);
                return 1;
            }
        }
        if (!current.runRound(platform, round >= 0) || (baseline && !baseline->runRound(platform, round >= 0)))
            return 1;
        if (round < 0)
            continue;
        bareMs.add(b.exposedMs.at("BareWindow"));
        bareRss.add(b.maxRssMiB);
        bareCpu.add(b.cpuMs);
        plainMs.add(p.exposedMs.at("PlainForm"));
        plainRss.add(p.maxRssMiB);
        plainCpu.add(p.cpuMs);
        std::fprintf(stderr,
                     "round %d/%d: plain %.1f ms %.1f MiB | empty %.1f ms %.1f MiB | login %.1f ms %.1f MiB | panel %.1f ms\n",
                     round + 1, runs, p.exposedMs.at("PlainForm"), p.maxRssMiB, b.exposedMs.at("BareWindow"), b.maxRssMiB,
                     current.loginMs.values.back(), current.loginRss.values.back(), current.panelMs.values.back());
    }
    sim.kill();
    sim.waitForFinished(5000);

    // The slow link: a second simulator that answers every request after slowMs.
    QProcess slowSim;
    const std::optional<QStringList> slowArgs = startSimulator(
        slowSim, build + QStringLiteral("/sim/quorvel-sim"),
        {QStringLiteral("--fault"), QStringLiteral("slow"), QStringLiteral("--slow-ms"), QString::number(slowMs)});
    if (!slowArgs) {
        fail("quorvel-sim (slow) did not start");
        return 1;
    }
    for (int run = 0; run < slowRuns; ++run) {
        if (!current.runSlowLink(*slowArgs, platform) || (baseline && !baseline->runSlowLink(*slowArgs, platform)))
            return 1;
    }
    slowSim.kill();
    slowSim.waitForFinished(5000);

    const auto met = [](bool yes) { return yes ? "yes" : "**no**"; };
    const auto cell = [](const Series &series, const char *unit) {
        char text[96];
        std::snprintf(text, sizeof text, "%.1f %s (%s)", series.med(), unit, series.spread().c_str());
        return std::string(text);
    };
    const std::string baselineHead = baseline ? " baseline |" : "";
    const std::string baselineRule = baseline ? "---:|" : "";
    const auto baselineCell = [&](const Series ClientRuns::*series, const char *unit) {
        return baseline ? " " + cell((*baseline).*series, unit) + " |" : std::string();
    };
    std::printf("Platform %s; load average %s before, %s after. Medians, min–max in brackets.\n\n", platform.c_str(),
                loadBefore.c_str(), loadAverage().c_str());

    const double slowTarget = kIdentityWaitMs + 6.0 * slowMs + 50.0;
    std::printf("Slow link: every answer %d ms late, %d runs.\n\n", slowMs, slowRuns);
    std::printf("| measure | this build |%s target | met |\n|---|---:|%s---|---|\n", baselineHead.c_str(),
                baselineRule.c_str());
    std::printf("| login window to member panel (automatic sign-in) | %s |%s ≤ 1000 + 6 × %d + 50 = %.0f ms | %s |\n\n",
                cell(current.slowLinkMs, "ms").c_str(), baselineCell(&ClientRuns::slowLinkMs, "ms").c_str(), slowMs,
                slowTarget, met(current.slowLinkMs.med() <= slowTarget));

    const double overhead = current.overheadMs.med();
    const double overheadMax = *std::max_element(current.overheadMs.values.begin(), current.overheadMs.values.end());
    std::printf("Loopback: panel − login window − the identity check's 1000 ms, %d runs.\n\n", runs);
    std::printf("| measure | this build |%s target | met |\n|---|---:|%s---|---|\n", baselineHead.c_str(),
                baselineRule.c_str());
    std::printf("| sign-in to panel overhead | %s |%s median ≤ 20 ms, max ≤ 40 ms | %s |\n",
                cell(current.overheadMs, "ms").c_str(), baselineCell(&ClientRuns::overheadMs, "ms").c_str(),
                met(overhead <= 20.0 && overheadMax <= 40.0));
    std::printf("| start to member panel exposed | %s |%s | |\n", cell(current.panelMs, "ms").c_str(),
                baselineCell(&ClientRuns::panelMs, "ms").c_str());
    std::printf("| login window exposed in that run | %s |%s | |\n\n", cell(current.autoLoginMs, "ms").c_str(),
                baselineCell(&ClientRuns::autoLoginMs, "ms").c_str());

    const double timeRatio = current.loginMs.med() / plainMs.med();
    const double cpuRatio = current.loginCpu.med() / plainCpu.med();
    const double memoryLimit = plainRss.med() + 6.0;
    std::printf("Start-up to the login window on a fresh data folder, %d runs each.\n\n", runs);
    std::printf("| measure | client |%s plain form | empty window | client ÷ plain form | target | met |\n", baselineHead.c_str());
    std::printf("|---|---:|%s---:|---:|---:|---|---|\n", baselineRule.c_str());
    std::printf("| CPU time (user + system) | %s |%s %s | %s | %.2f× | ≤ 1.10× | %s |\n", cell(current.loginCpu, "ms").c_str(),
                baselineCell(&ClientRuns::loginCpu, "ms").c_str(), cell(plainCpu, "ms").c_str(), cell(bareCpu, "ms").c_str(),
                cpuRatio, met(cpuRatio <= 1.10));
    std::printf("| start to login window exposed | %s |%s %s | %s | %.2f× | %s | %s |\n", cell(current.loginMs, "ms").c_str(),
                baselineCell(&ClientRuns::loginMs, "ms").c_str(), cell(plainMs, "ms").c_str(), cell(bareMs, "ms").c_str(),
                timeRatio, baseline ? "no worse than the baseline" : "", baseline ? met(current.loginMs.med() <= baseline->loginMs.med()) : "");
    std::printf("| peak memory | %.1f MiB |%s %.1f MiB | %.1f MiB | +%.1f MiB | ≤ plain form + 6 MiB = %.1f MiB | %s |\n",
                current.loginRss.med(), baselineCell(&ClientRuns::loginRss, "MiB").c_str(), plainRss.med(), bareRss.med(),
                current.loginRss.med() - plainRss.med(), memoryLimit, met(current.loginRss.med() <= memoryLimit));
    return 0;
}
