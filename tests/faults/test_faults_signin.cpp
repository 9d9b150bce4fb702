// Fault matrix of the login window: the network probe, the login post, the account lookup by UID
// and by name, the avatar and the captcha picture, each met by every fault of the simulated site. Each cell drives the
// real login window and reads its outcome off the window: its state (idle, waiting, closed, or the
// member panel it handed over to), the status line, the boxes shown, the account box and avatar.
#include "ClientWindows.h"
#include "FaultMatrix.h"

#include "base/State.h"
#include "net/Inet.h"
#include "windows/login/Form1.h"
#include "windows/panel/Form2.h"
#include "TestSession.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace FaultMatrix;
using F = SimFault;

namespace {

// The lookups meet today's forum twice: with its private profiles (the default) and with guests
// allowed to view profiles, where the page names the member.
enum class Request { Probe, LoginForm, LoginPost, LookupByUid, LookupByName, PublicLookupByUid, PublicLookupByName, Avatar,
                     CaptchaPicture };

QString requestName(Request request)
{
    switch (request) {
    case Request::Probe:
        return QStringLiteral("probe");
    case Request::LoginForm:
        return QStringLiteral("login form (token)");
    case Request::LoginPost:
        return QStringLiteral("login post");
    case Request::LookupByUid:
        return QStringLiteral("lookup by UID");
    case Request::LookupByName:
        return QStringLiteral("lookup by name");
    case Request::PublicLookupByUid:
        return QStringLiteral("lookup by UID, public");
    case Request::PublicLookupByName:
        return QStringLiteral("lookup by name, public");
    case Request::Avatar:
        return QStringLiteral("avatar");
    case Request::CaptchaPicture:
        return QStringLiteral("captcha picture");
    }
    return {};
}

// Outcomes, as the cells write them.
const QString kNoNetwork = QStringLiteral("idle; status=no-network; box=none; session=none");
const QString kHandedOver = QStringLiteral("panel(alice); box=none; session=open");
const QString kServerFailure = QStringLiteral("window closed; box=server-failure; session=none");
const QString kNoToken = QStringLiteral("idle; status=token-unavailable; box=none; session=none");
const QString kTokenRefused = QStringLiteral("idle; status=token-refused; box=token-refused!; session=none");

} // namespace

Q_DECLARE_METATYPE(Request)

class TestFaultsSignIn : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void cleanupTestCase();

    void matrix_data();
    void matrix();

private:
    // Sets the fault where the request goes, drives the window, and describes how it ended.
    QString run(Request request, SimFault fault);
    QString signIn(const QString &account, const QString &password);
    QString lookUp(const QString &entry);
    QString signInWithCaptcha();
    [[nodiscard]] QString windowState() const;
    [[nodiscard]] QString signInOutcome() const;
    [[nodiscard]] bool signInSettled() const;

    std::unique_ptr<Cell> m_cell;
    QPointer<Form1> m_form;
};

void TestFaultsSignIn::init()
{
    m_cell = std::make_unique<Cell>();
    QVERIFY(m_cell->ready());
}

void TestFaultsSignIn::cleanup()
{
    closeClientWindows();
    m_cell.reset();
}

void TestFaultsSignIn::cleanupTestCase()
{
    printTable(QStringLiteral("login window (probe, login post, account lookup, avatar)"));
}

void TestFaultsSignIn::matrix_data()
{
    addColumns<Request>();
    const auto row = rowAdder(requestName);

    // The probe: an answer with any text means the network is there; none (or one past the
    // limits) means it is not, and only the status line says so.
    for (SimFault fault : faults(false)) {
        const bool answered = fault == F::ErrorPage || fault == F::Status500 || fault == F::NoCdata || fault == F::InvalidGbk;
        row(Request::Probe, fault, answered ? kHandedOver : kNoNetwork);
    }

    // The login form gives the session's token before the post: a form that cannot be had ends
    // the attempt with a message and nothing posted. A whole page in its place (an error notice)
    // leaves the token to the front page.
    for (SimFault fault : faults(true)) {
        const bool readable = fault == F::NoCdata || fault == F::InvalidGbk || fault == F::ErrorPage;
        row(Request::LoginForm, fault, readable ? kHandedOver : kNoToken);
    }

    // The login post has no time limit: a late greeting still signs in, a reply that never comes
    // keeps the window waiting until the member cancels. A reply with nothing readable ends the
    // program; a connection that fails first sends the member back to the inputs.
    row(Request::LoginPost, F::Slow, kHandedOver);
    row(Request::LoginPost, F::Empty, kServerFailure);
    row(Request::LoginPost, F::ErrorPage, kServerFailure);
    row(Request::LoginPost, F::Status500, kServerFailure);
    row(Request::LoginPost, F::Drop, kNoNetwork);
    row(Request::LoginPost, F::NoCdata, kHandedOver);
    row(Request::LoginPost, F::Huge, kNoNetwork);
    row(Request::LoginPost, F::InvalidGbk, kHandedOver);
    // A refused token is not the end: the post goes once more with a fresh token, and only a
    // second refusal ends the attempt, with the window usable.
    row(Request::LoginPost, F::Token503, kTokenRefused);
    row(Request::LoginPost, F::NoAnswer,
        QStringLiteral("waiting; status=signing-in; box=none; session=none -> cancel -> idle; status=cancelled; box=none; "
                       "session=none"));

    // Lookup by UID: the avatar comes first (from the UID alone); a page that cannot be had teaches
    // nothing, and an error page has a title but no name in it. Private profiles: the forum's
    // "sign in to view" says the member exists but not the name.
    const QString uidNameless = QStringLiteral("Text1=1234; status=prompt; avatar=picture; uid=1234; name=-; box=none");
    const QString uidFound = QStringLiteral("Text1=1234; status=prompt; avatar=picture; uid=1234; name=alice; box=none");
    for (SimFault fault : faults(false)) {
        row(Request::LookupByUid, fault, uidNameless);
        row(Request::PublicLookupByUid, fault, fault == F::NoCdata || fault == F::InvalidGbk ? uidFound : uidNameless);
    }

    // Lookup by name: an empty or failed fetch teaches nothing, and neither does an HTTP error
    // status, which keeps the typed name. A page that arrives as the forum's answer but is neither
    // a profile with "(UID: " nor the forum's notice (the 200 error page) means the name is
    // unknown. The private profile's notice keeps the name with the default avatar.
    const QString nameSilent = QStringLiteral("Text1=alice; status=prompt; avatar=default; uid=-; name=-; box=none");
    const QString nameUnknown = QStringLiteral("Text1=-; status=unknown-account; avatar=default; uid=-; name=-; box=none");
    const QString nameFound = QStringLiteral("Text1=alice; status=prompt; avatar=picture; uid=1234; name=-; box=none");
    for (SimFault fault : faults(false)) {
        const bool found = fault == F::NoCdata || fault == F::InvalidGbk;
        row(Request::LookupByName, fault, fault == F::ErrorPage ? nameUnknown : nameSilent);
        row(Request::PublicLookupByName, fault, found ? nameFound : fault == F::ErrorPage ? nameUnknown : nameSilent);
    }

    // The avatar: only a complete picture replaces the default one; the lookup itself goes on.
    // Bytes that break the code page do not touch a picture, whose tail the decoder ignores.
    const QString avatarDefault = QStringLiteral("Text1=1234; status=prompt; avatar=default; uid=1234; name=-; box=none");
    const QString avatarShown = QStringLiteral("Text1=1234; status=prompt; avatar=picture; uid=1234; name=-; box=none");
    for (SimFault fault : faults(false))
        row(Request::Avatar, fault, fault == F::NoCdata || fault == F::InvalidGbk ? avatarShown : avatarDefault);

    // The captcha picture on a site that asks for one: whatever goes wrong, the window stays usable,
    // says so and offers a new picture; once the site answers again, the new picture's code signs
    // in. Bytes that are not GBK mean nothing to a picture, and where they land in its data is
    // chance: that fault is left out.
    const QString recovered = QStringLiteral(" -> new picture, code, Enter -> panel(alice); box=none; session=open");
    for (SimFault fault : faults(false)) {
        if (fault == F::InvalidGbk)
            continue;
        const QString first = fault == F::NoCdata ? QStringLiteral("idle; status=prompt; picture=shown")
            : fault == F::ErrorPage                 ? QStringLiteral("idle; status=captcha-broken; picture=none")
                                                    : QStringLiteral("idle; status=captcha-no-answer; picture=none");
        row(Request::CaptchaPicture, fault, first + recovered);
    }
}

void TestFaultsSignIn::matrix()
{
    runCell(requestName, [this](Request request, SimFault fault) { return run(request, fault); });
}

QString TestFaultsSignIn::run(Request request, SimFault fault)
{
    ForumSimulator &sim = m_cell->sim();
    switch (request) {
    case Request::Probe:
        sim.setFault(fault, {}, SimRole::Probe);
        return signIn(QStringLiteral("alice"), QStringLiteral("alice123"));
    case Request::LoginForm:
        sim.setFault(fault, "action=login&infloat=yes", SimRole::Forum);
        return signIn(QStringLiteral("alice"), QStringLiteral("alice123"));
    case Request::LoginPost:
        sim.setFault(fault, "loginsubmit=yes", SimRole::Forum);
        return signIn(QStringLiteral("alice"), QStringLiteral("alice123"));
    case Request::LookupByUid:
        sim.setFault(fault, "uid=1234&do=profile", SimRole::Home);
        return lookUp(QStringLiteral("1234"));
    case Request::LookupByName:
        sim.setFault(fault, "username=alice&do=profile", SimRole::Home);
        return lookUp(QStringLiteral("alice"));
    case Request::PublicLookupByUid:
    case Request::PublicLookupByName: {
        SimSiteSettings settings = sim.siteSettings();
        settings.guestsViewProfiles = true;
        sim.setSiteSettings(settings);
        const bool byUid = request == Request::PublicLookupByUid;
        sim.setFault(fault, byUid ? "uid=1234&do=profile" : "username=alice&do=profile", SimRole::Home);
        return lookUp(byUid ? QStringLiteral("1234") : QStringLiteral("alice"));
    }
    case Request::Avatar:
        sim.setFault(fault, "/uc_server/data/avatar/", SimRole::Forum);
        return lookUp(QStringLiteral("1234"));
    case Request::CaptchaPicture:
        sim.setCaptchaEnabled(true);
        sim.setFault(fault, "mod=seccode", SimRole::Forum);
        return signInWithCaptcha();
    }
    return {};
}

QString TestFaultsSignIn::windowState() const
{
    const int enabled = enabledLoginInputs(m_form);
    const bool overlay = !m_form->Picture2->isHidden();
    if (loginWindowIdle(m_form))
        return QStringLiteral("idle");
    if (enabled == 0 && overlay && m_form->Command2->isEnabled())
        return QStringLiteral("waiting");
    return QStringLiteral("STUCK(%1 of 5 inputs enabled, overlay %2)").arg(enabled).arg(overlay ? QStringLiteral("up") : QStringLiteral("hidden"));
}

QString TestFaultsSignIn::signInOutcome() const
{
    // A sign-in that did not go through leaves no forum session in the client.
    const QString shown = boxes(m_cell->seams().messages) + QStringLiteral("; session=")
                          + (Cell::holdsSession() ? QStringLiteral("open") : QStringLiteral("none"));
    if (Form2 *panel = Form2::existing(testSession()); panel && panel->isVisible())
        return QStringLiteral("panel(%1); ").arg(panel->Label3->text()) + shown;
    if (!m_form || !m_form->isVisible())
        return QStringLiteral("window closed; ") + shown;
    return windowState() + QStringLiteral("; status=") + tag(m_form->status()) + QStringLiteral("; ") + shown;
}

bool TestFaultsSignIn::signInSettled() const
{
    if (Form2 *panel = Form2::existing(testSession()); panel && panel->isVisible())
        return true;
    // A sign-in that went through closes the window first; the identity check then hands over.
    if (Form3::current(testSession()))
        return false;
    return !m_form || !m_form->isVisible() || windowState() == QLatin1String("idle");
}

QString TestFaultsSignIn::signIn(const QString &account, const QString &password)
{
    m_form = Form1::openNew(testSession());
    m_form->Text1->setText(account);
    m_form->Text2->setText(password);
    IdentityCheckHurry hurry;
    m_form->Command1->click();
    if (QTest::qWaitFor([&] { return signInSettled(); }, kSettleMs))
        return signInOutcome();

    // Still busy past every time limit: the login post's wait for a reply that never comes,
    // which the member ends with cancel.
    QString seen = signInOutcome();
    if (m_form && !m_form->Picture2->isHidden() && m_form->Command2->isEnabled()) {
        QTest::mouseClick(m_form->Command2, Qt::LeftButton);
        seen += QStringLiteral(" -> cancel -> ") + signInOutcome();
        if (m_form->Inet1->StillExecuting())
            seen += QStringLiteral("; POST STILL RUNNING");
    }
    return seen;
}

QString TestFaultsSignIn::lookUp(const QString &entry)
{
    m_form = Form1::openNew(testSession());
    m_form->Text1->setText(entry);
    // The account box is left: the lookup starts and waits for nothing but the site, one request
    // at a time; with none out any more it has ended.
    m_form->Text1_LostFocus();
    waitUntil([&] { return !m_form || !requestsInFlight(); });
    if (!m_form)
        return QStringLiteral("WINDOW GONE");
    return QStringLiteral("Text1=%1; status=%2; avatar=%3; uid=%4; name=%5; ")
               .arg(orDash(m_form->Text1->text()), tag(m_form->status()),
                    pictureKind(m_form->Image1, m_form->defaultAvatar().toImage()), orDash(testSession().login().AvatarUid),
                    orDash(m_form->profileName()))
        + boxes(m_cell->seams().messages);
}

QString TestFaultsSignIn::signInWithCaptcha()
{
    m_form = Form1::openNew(testSession());
    m_form->Text1->setText(QStringLiteral("alice"));
    m_form->Text2->setText(QStringLiteral("alice123"));
    IdentityCheckHurry hurry;
    // What the login form's announcement makes the window do: the row, and the picture fetched.
    m_form->setCaptchaAnnouncement({CaptchaAnnouncement::Kind::Asked, QStringLiteral("cSfm")});
    const auto pictureSettled = [&] {
        return !m_form || (windowState() == QLatin1String("idle")
                           && (!m_form->Image4->pixmap().isNull() || m_form->status().startsWith(QStringLiteral("验证码图片"))));
    };
    waitUntil(pictureSettled);
    if (!m_form)
        return QStringLiteral("WINDOW GONE");
    QString seen = windowState() + QStringLiteral("; status=") + tag(m_form->status()) + QStringLiteral("; picture=")
        + (m_form->Image4->pixmap().isNull() ? QStringLiteral("none") : QStringLiteral("shown"));

    // The site well again: the link brings a new picture, whose code signs in.
    m_cell->sim().clearFaults();
    QTest::mouseClick(m_form->Label7, Qt::LeftButton);
    waitUntil([&] { return !m_form || !m_form->Image4->pixmap().isNull(); });
    if (!m_form || m_form->Image4->pixmap().isNull())
        return seen + QStringLiteral(" -> NO NEW PICTURE");
    m_form->Text4->setText(QString::fromLatin1(m_cell->sim().captcha().latestCode()));
    QTest::keyClick(m_form->Text4, Qt::Key_Return);
    waitUntil([&] { return signInSettled() && (!m_form || m_form->status() != QStringLiteral("正在为您登录账号..")); });
    return seen + QStringLiteral(" -> new picture, code, Enter -> ") + signInOutcome();
}

QTEST_MAIN(TestFaultsSignIn)
#include "test_faults_signin.moc"
