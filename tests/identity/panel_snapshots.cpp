// Pictures of the identity check and the member panel for each kind of member, drawn with the
// shipped skin against the forum simulator, for looking at the design. Not a test.
//   panel_snapshots OUTPUT_DIR
#include "base/Settings.h"
#include "net/CookieStore.h"
#include "net/Network.h"
#include "SeamRecorder.h"
#include "session/QuorvelModule.h"
#include "SimFixture.h"
#include "SimSignIn.h"
#include "TempDataDir.h"
#include "windows/identity/Form3.h"
#include "windows/panel/Form2.h"
#include "TestSession.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTabBar>
#include <QTextStream>
#include <QTimer>

namespace {

void save(QWidget *widget, const QDir &out, const QString &name)
{
    const QString path = out.filePath(name + QStringLiteral(".png"));
    widget->grab().save(path);
    QTextStream(stdout) << path << Qt::endl;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    TempDataDir dir;
    QFile::copy(QStringLiteral(QUORVEL_SOURCE_DIR "/assets/SoftSkin.she"), dir.file(QStringLiteral("SoftSkin.she")));
    testSession().network().cookieStore().setFolder(dir.file(QStringLiteral("Cookies")));
    SeamRecorder seams;
    SimFixture sim;

    const struct {
        const char *account;
        const char *password;
    } members[] = {{"alice", "alice123"}, {"vipbob", "bob456"}, {"svipcarol", "carol789"}};
    for (const auto &m : members) {
        const QString account = QString::fromLatin1(m.account);
        testSession().network().cookieStore().endSession();
        if (!signInThroughLoginForm(account, QString::fromLatin1(m.password))) {
            QTextStream(stderr) << "sign-in failed for " << account << Qt::endl;
            return 1;
        }
        // The avatar as the login window would have it.
        const ForumMember *member = sim->member(account);
        const QString uid = QStringLiteral("%1").arg(member->uid, 9, 10, QLatin1Char('0'));
        const QPixmap avatar = QuorvelModule::LoadNetPicture(testSession().site(), 
            testSession().settings().url(HostRole::Forum, QStringLiteral("/uc_server/data/avatar/") + uid.mid(0, 3) + QLatin1Char('/')
                                                          + uid.mid(3, 2) + QLatin1Char('/') + uid.mid(5, 2) + QLatin1Char('/')
                                                          + uid.mid(7, 2) + QStringLiteral("_avatar_middle.jpg")));
        // The identity check while it waits (its skin is the one the panel attaches).
        QTimer::singleShot(1600, [&] {
            if (Form3 *window = Form3::current(testSession()))
                save(window, out, QStringLiteral("form3-") + account);
        });
        sim->setSlowDelayMs(2500);
        sim->setFault(SimFault::Slow, "/", SimRole::Vip, 1);
        Form3::showModalAfterLogin(testSession(), avatar, account);
        Form2 *panel = Form2::existing(testSession());
        if (!panel)
            return 1;
        for (int tab = 0; tab < 3; ++tab) {
            panel->TabStrip1->setCurrentIndex(tab);
            panel->TabStrip1_Click();
            QApplication::processEvents();
            save(panel, out, QStringLiteral("panel-%1-tab%2").arg(account).arg(tab));
        }
        Form2::destroy(testSession());
    }
    return 0;
}
