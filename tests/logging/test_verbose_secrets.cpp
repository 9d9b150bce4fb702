// Diagnostics a member can send without giving anything away. The real quorvel executable runs as
// a child against the in-process simulator, with a saved account (dave, who answers a security
// question) set to sign in automatically, and --verbose: standard error must show the requests,
// the readers' outcomes and the file writes, and none of the visit's secrets, not even a piece of
// one: the password, the answer, the enciphered login.ini values, every form token the forum
// asked for and every cookie value it set. Without --verbose the run says nothing of the kind,
// and QT_LOGGING_RULES alone turns a category on. In-process, with the categories on and a
// message handler catching every line, the exchange, the sign-out and a lost-password request
// add their secrets to the search. A hostile site that puts the member's cookie value, password,
// answer and form token into its redirects' addresses (on the site, off it, in another host's
// name) gets none of them onto standard error, with --verbose or without.
#include "base/CodePage.h"
#include "base/Logging.h"
#include "base/Settings.h"
#include "ClientWindows.h"
#include "ForumSimulator.h"
#include "net/CookieStore.h"
#include "net/Network.h"
#include "rules/SavedAccount.h"
#include "LogCapture.h"
#include "ScriptedServer.h"
#include "SeamRecorder.h"
#include "session/QuorvelModule.h"
#include "SimFixture.h"
#include "start/StartRoutine.h"
#include "TempDataDir.h"
#include "windows/identity/Form3.h"
#include "windows/login/Form1.h"
#include "windows/panel/Form2.h"
#include "windows/recovery/Form4.h"
#include "TestSession.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {


// Every value of key in a query or form body ("a=1&key=v&...").
QStringList valuesOf(const QByteArray &text, const QByteArray &key)
{
    QStringList out;
    static const QRegularExpression pair(u"(?:^|[?&])([^=&]+)=([^&]*)"_s);
    auto it = pair.globalMatch(QString::fromLatin1(text));
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(1).toLatin1() == key && !m.captured(2).isEmpty())
            out << m.captured(2);
    }
    return out;
}

// The secrets of what the simulator received: form tokens in addresses and bodies, and the
// value of every cookie the client sent back (each one the forum set).
QStringList secretsSeenBy(const ForumSimulator &sim)
{
    QStringList secrets;
    for (const RecordedRequest &r : sim.requests()) {
        for (const QByteArray &key : {QByteArrayLiteral("formhash"), QByteArrayLiteral("loginhash"),
                                      QByteArrayLiteral("password"), QByteArrayLiteral("answer"),
                                      QByteArrayLiteral("seccodeverify")}) {
            secrets += valuesOf(r.pathAndQuery, key);
            secrets += valuesOf(r.body, key);
        }
        for (const QByteArray &part : r.header("Cookie").split(';')) {
            const qsizetype eq = part.indexOf('=');
            if (eq > 0 && part.size() > eq + 1)
                secrets << QString::fromLatin1(part.mid(eq + 1).trimmed());
        }
    }
    secrets.removeDuplicates();
    return secrets;
}

// A secret, or any six characters in a row of it (all of it when shorter), found in the log.
QString leakIn(const QString &log, const QStringList &secrets)
{
    for (const QString &secret : secrets) {
        const QStringList forms = {secret, QString::fromUtf8(QByteArray::fromPercentEncoding(secret.toLatin1()))};
        for (QString form : forms) {
            // The forum's "lip" cookie starts with the member's address, which here is also the
            // site's host and the cookie file's name: that part is no secret, the rest is.
            form.remove(u"127.0.0.1"_s);
            if (form.isEmpty())
                continue;
            const qsizetype window = std::min<qsizetype>(6, form.size());
            for (qsizetype i = 0; i + window <= form.size(); ++i)
                if (log.contains(form.mid(i, window)))
                    return u"\""_s + form.mid(i, window) + u"\" of secret \""_s + form + u'"';
        }
    }
    return {};
}

struct ChildRun {
    QString log;
    bool ran = false;
};

} // namespace

class TestVerboseSecrets : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void childSignsInWithVerbose();
    void quietWithoutVerbose();
    void loggingRulesAloneTurnACategoryOn();
    void inProcessVisitKeepsSecrets();
    void hostileRedirectsKeepSecrets_data();
    void hostileRedirectsKeepSecrets();

private:
    ChildRun runChild(const QStringList &extraArguments, const QProcessEnvironment &environment,
                      const QByteArray &waitForRequest);
    std::unique_ptr<SimFixture> m_sim;
    std::unique_ptr<TempDataDir> m_dir;
    std::unique_ptr<SeamRecorder> m_seams;
    QString m_pass;
    QString m_ans;
};

void TestVerboseSecrets::initTestCase()
{
    QVERIFY2(QFileInfo(qEnvironmentVariable("QUORVEL_EXE")).isExecutable(), "QUORVEL_EXE names no program");
}

void TestVerboseSecrets::cleanup()
{
    closeClientWindows();
    testSession().setLoginWindowOpener({});
    Logging::setVerbose(false);
    (void)LogCapture::stop();
    testSession().network().setTimeoutMs(0);
    testSession().network().cookieStore().endSession();
    m_sim.reset();
    m_seams.reset();
    m_dir.reset();
    testSession().settings().restoreDefaults();
}

ChildRun TestVerboseSecrets::runChild(const QStringList &extraArguments, const QProcessEnvironment &environment,
                                      const QByteArray &waitForRequest)
{
    ChildRun run;
    m_sim = std::make_unique<SimFixture>();
    if (!m_sim->isRunning())
        return run;
    QTemporaryDir data;
    const SavedAccount saved = SavedAccount::fromSignIn(true, u"dave"_s, u"dave000"_s, true, u"3"_s, u"上海"_s, true);
    if (!saved.save(data.filePath(u"login.ini"_s)))
        return run;
    m_pass = saved.pass;
    m_ans = saved.ans;

    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::SeparateChannels);
    QStringList arguments = m_sim->sim().clientArguments();
    arguments << u"--data-dir"_s << data.path() << extraArguments;
    child.start(qEnvironmentVariable("QUORVEL_EXE"), arguments);
    if (!child.waitForStarted(10000))
        return run;
    // The panel's pages come after the identity check's second; the simulator answers from this
    // process's event loop, which qWaitFor keeps turning.
    const bool reached = QTest::qWaitFor([&] { return !m_sim->sim().requestsTo(waitForRequest).isEmpty(); }, 20000);
    QTest::qWait(1500); // the rest of the panel's requests and their log lines
    run.log = endChild(child);
    run.ran = reached;
    return run;
}

void TestVerboseSecrets::childSignsInWithVerbose()
{
    const ChildRun run = runChild({u"--verbose"_s}, QProcessEnvironment::systemEnvironment(), "ac=credit");
    QVERIFY2(run.ran, qPrintable(u"the child never reached the panel's credit page; it wrote:\n"_s + run.log));
    const ForumSimulator &sim = m_sim->sim();
    QVERIFY2(!sim.requestsTo("action=login").isEmpty(), "no login post");

    // What the log must show: the login post and a panel page with role, status, time and size;
    // the reader's outcome; the file writes.
    static const QRegularExpression loginLine(
        u"quorvel\\.net: POST forum /member\\.php\\?mod=logging&action=login\\S* -> 200 \\d+ ms \\d+ bytes"_s);
    QVERIFY2(loginLine.match(run.log).hasMatch(), qPrintable(run.log));
    static const QRegularExpression creditLine(u"quorvel\\.net: GET home /home\\.php\\?\\S*ac=credit\\S* -> 200 "_s);
    QVERIFY2(creditLine.match(run.log).hasMatch(), qPrintable(run.log));
    QVERIFY2(run.log.contains(u"quorvel.login: "_s), qPrintable(run.log));
    QVERIFY2(run.log.contains(u"quorvel.panel: "_s), qPrintable(run.log));
    QVERIFY2(run.log.contains(u"quorvel.files: "_s), qPrintable(run.log));

    QStringList secrets = secretsSeenBy(sim);
    // Known values, so the search cannot come up empty by a slip in the collection above.
    QVERIFY2(secrets.contains(u"dave000"_s), qPrintable(secrets.join(u'|')));
    QVERIFY2(secrets.contains(u"%C9%CF%BA%A3"_s), qPrintable(secrets.join(u'|'))); // 上海 in GBK
    QVERIFY(std::any_of(secrets.cbegin(), secrets.cend(), [](const QString &s) { return s.size() >= 8; }));
    const QByteArray auth = ForumSimulator::authCookieName();
    QVERIFY(sim.requestsTo("ac=credit").last().header("Cookie").contains(QByteArray(auth + '=')));
    secrets << u"上海"_s << m_pass << m_ans;
    const QString leak = leakIn(run.log, secrets);
    QVERIFY2(leak.isEmpty(), qPrintable(leak + u"\nlog:\n"_s + run.log));
}

void TestVerboseSecrets::quietWithoutVerbose()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"QT_LOGGING_RULES"_s);
    const ChildRun run = runChild({}, environment, "ac=credit");
    QVERIFY2(run.ran, qPrintable(run.log));
    QVERIFY2(!run.log.contains(u"quorvel."_s), qPrintable(run.log));
}

void TestVerboseSecrets::loggingRulesAloneTurnACategoryOn()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_LOGGING_RULES"_s, u"quorvel.files.debug=true"_s);
    const ChildRun run = runChild({}, environment, "ac=credit");
    QVERIFY2(run.ran, qPrintable(run.log));
    QVERIFY2(run.log.contains(u"quorvel.files: "_s), qPrintable(run.log));
    QVERIFY2(!run.log.contains(u"quorvel.net: "_s), qPrintable(run.log));
}

void TestVerboseSecrets::inProcessVisitKeepsSecrets()
{
    m_dir = std::make_unique<TempDataDir>();
    testSession().network().cookieStore().setFolder(QuorvelModule::SpecialFolderPath(testSession().settings(), QuorvelModule::kCookiesFolder));
    testSession().network().cookieStore().endSession();
    m_seams = std::make_unique<SeamRecorder>();
    m_sim = std::make_unique<SimFixture>();
    QVERIFY(m_sim->isRunning());
    testSession().network().setTimeoutMs(3000);
    registerWindows(testSession());
    LogCapture::start();
    Logging::setVerbose(true);

    QTimer tick;
    connect(&tick, &QTimer::timeout, this, [] {
        if (Form3 *check = Form3::current(testSession()); check && !check->handOverStarted())
            check->Timer1_Timer();
    });
    tick.start(5);
    const QString password = u"xm&=+%密码"_s; // 小明: form characters and Chinese in the password
    QPointer<Form1> login = Form1::openNew(testSession());
    QVERIFY(login);
    login->Text1->setText(u"小明"_s);
    login->Text2->setText(password);
    login->Combo1->setCurrentIndex(0);
    login->Check1->setChecked(true);
    login->Check2->setChecked(false);
    login->Command1->click();
    QTRY_VERIFY_WITH_TIMEOUT(!login && Form2::existing(testSession()) && Form2::existing(testSession())->isVisible() && !Form3::current(testSession()), 10000);
    QPointer<Form2> panel = Form2::existing(testSession());
    QTRY_COMPARE_WITH_TIMEOUT(panel->Label1[1]->text(), u"20"_s, 5000);
    panel->Text3->setText(u"4"_s);
    panel->Text5->setText(password);
    m_seams->queueAnswer(Seams::Answer::Yes);
    panel->Command6->click();
    QTRY_COMPARE_WITH_TIMEOUT(panel->Label1[1]->text(), u"19"_s, 5000);
    m_seams->queueAnswer(Seams::Answer::Yes);
    panel->Command5->click();
    QTRY_VERIFY_WITH_TIMEOUT(!panel, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!m_sim->sim().requestsTo("action=logout").isEmpty(), 5000);
    {
        Form4 lost(testSession());
        lost.show();
        lost.findChild<QLineEdit *>(u"Text1"_s)->setText(u"小明"_s);
        lost.findChild<QLineEdit *>(u"Text2"_s)->setText(u"xiaoming@example.com"_s);
        const qsizetype before = m_seams->messages.size();
        lost.findChild<QPushButton *>(u"Command1"_s)->click();
        QTRY_VERIFY_WITH_TIMEOUT(m_seams->messages.size() > before, 5000);
    }
    Logging::setVerbose(false);

    const QString log = LogCapture::stop();
    QVERIFY2(log.contains(u"quorvel.net: POST home /home.php?mod=spacecp&ac=credit&op=exchange"_s), qPrintable(log));
    QVERIFY2(log.contains(u"quorvel.net: GET forum /member.php?mod=logging&action=logout&formhash=…"_s), qPrintable(log));
    QStringList secrets = secretsSeenBy(m_sim->sim());
    QVERIFY2(secrets.contains(QString::fromLatin1(CodePage::percentEncode(password))), qPrintable(secrets.join(u'|')));
    secrets << password;
    for (const QNetworkCookie &c : testSession().network().cookieStore().allCookies())
        secrets << QString::fromLatin1(c.value());
    const QString leak = leakIn(log, secrets);
    QVERIFY2(leak.isEmpty(), qPrintable(leak + u"\nlog:\n"_s + log));
}

void TestVerboseSecrets::hostileRedirectsKeepSecrets_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<bool>("verbose");
    for (const bool verbose : {true, false}) {
        const char *const mode = verbose ? "--verbose" : "quiet";
        QTest::addRow("on the site, %s", mode) << u"on the site"_s << verbose;
        QTest::addRow("off the site, %s", mode) << u"off the site"_s << verbose;
        QTest::addRow("in another host's name, %s", mode) << u"host name"_s << verbose;
    }
}

// The real program signs in automatically (the password is the saved account's) against a site
// whose every page redirects to an address made of the member's secrets, setting the auth cookie
// whose value is one of them. On the site the redirect is followed (logged with --verbose), off
// it refused (a warning, also without --verbose): neither line holds a secret.
void TestVerboseSecrets::hostileRedirectsKeepSecrets()
{
    QFETCH(QString, where);
    QFETCH(bool, verbose);
    const QByteArray cookie = "c00kieQ7vZ2x";
    const QByteArray password = "pw4Secret9x";
    const QByteArray answer = CodePage::percentEncode(u"上海"_s);
    const QByteArray token = "5c2e9a17";
    const QByteArray secretPath = "/x/" + cookie + '/' + password + '/' + answer;
    const QByteArray secretQuery = "?formhash=" + token + "&mod=logging";

    ScriptedServer site;
    QVERIFY(site.isListening());
    QByteArray location = secretPath + secretQuery;
    if (where == u"off the site"_s)
        location = "http://127.0.0.2:" + QByteArray::number(ScriptedServer::unusedPort()) + location;
    else if (where == u"host name"_s)
        location = "http://" + cookie.toLower() + '.' + password.toLower() + ".example:81/x";
    ScriptedReply redirect = ScriptedReply::page(302, "text/html", "moved");
    redirect.headers << qMakePair(QByteArray("Location"), location)
                     << qMakePair(QByteArray("Set-Cookie"), "qvbbs_2132_auth=" + cookie + "; path=/");
    site.setFallback(redirect);
    site.script("/probe", ScriptedReply::page(200, "text/html", "online"));
    site.script(secretPath, ScriptedReply::page(200, "text/html", "nothing here"));

    QTemporaryDir data;
    const SavedAccount saved =
        SavedAccount::fromSignIn(true, u"dave"_s, QString::fromLatin1(password), true, u"3"_s, u"上海"_s, true);
    QVERIFY(saved.save(data.filePath(u"login.ini"_s)));
    QStringList arguments{u"--probe-url"_s, site.url(u"/probe"_s), u"--data-dir"_s, data.path()};
    for (const char *role : {"--forum-host", "--home-host", "--vip-host", "--soft-host", "--main-host"})
        arguments << QString::fromLatin1(role) << site.origin();
    if (verbose)
        arguments << u"--verbose"_s;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"QT_LOGGING_RULES"_s);
    QProcess child;
    child.setProcessEnvironment(environment);
    child.start(qEnvironmentVariable("QUORVEL_EXE"), arguments);
    QVERIFY(child.waitForStarted(10000));
    // The account lookup's request and its redirect (followed on the site), and more after it.
    const auto redirectsSeen = [&] {
        return site.requests().size() >= 2 && (where != u"on the site"_s || site.countTo(secretPath) > 0);
    };
    const bool reached = QTest::qWaitFor(redirectsSeen, 20000);
    QTest::qWait(1000); // what follows from it, and its lines
    const QString log = endChild(child);
    QVERIFY2(reached, qPrintable(log));

    // The lines that would carry the secrets are there.
    if (where != u"on the site"_s)
        QVERIFY2(log.contains(u"which is not one of its own addresses"_s), qPrintable(log));
    else if (verbose)
        QVERIFY2(log.contains(u"moved to http forum /x/…?formhash=…&mod=logging"_s), qPrintable(log));
    if (where == u"host name"_s)
        QVERIFY2(log.contains(u"http://….example:81/x"_s), qPrintable(log));
    const QStringList secrets{QString::fromLatin1(cookie), QString::fromLatin1(password), QString::fromLatin1(answer),
                              u"上海"_s, QString::fromLatin1(token)};
    const QString leak = leakIn(log, secrets);
    QVERIFY2(leak.isEmpty(), qPrintable(leak + u"\nlog:\n"_s + log));
}

QTEST_MAIN(TestVerboseSecrets)
#include "test_verbose_secrets.moc"
