#include "StartRoutine.h"

#include "base/Logging.h"
#include "Form5.h"
#include "ProgramIcon.h"
#include "session/MemberSession.h"
#include "StartupTrace.h"
#include "ui/AccessibleNames.h"
#include "ui/QtTranslation.h"
#include "ui/WidgetSeams.h"
#include "windows/login/Form1.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>

namespace {

QString versionText()
{
    return QString::number(QUORVEL_VERSION_MAJOR) + QLatin1Char('.') + QString::number(QUORVEL_VERSION_MINOR)
        + QLatin1Char('.') + QString::number(QUORVEL_VERSION_PATCH);
}

// SHA-256 of the skins earlier releases shipped: a copy still byte for byte one of them was never
// edited, and gives way to the skin shipped now (those lacked the login window's complete look).
bool isEarlierShippedSkin(const QString &path)
{
    static const QByteArray kShipped[] = {
        "2fd45e8349823317978985ab5047164ed43f822a1a2a9d703cc05c121744880a", // 2.she
        "a57a6d82d5b894cec0d3301efa4e853740c6c9da7619b6b503efb8a46191d752",
        "f42c0b3e63336bd9899eddfbfcc0167b5ff268eaa5fb4815219a3b6f4afd72be",
        "7aa9d28606de8bdb6848842a2fc73e7f1ffcebba29a50512d27bc9eb040d2f27", // SoftSkin.she
        "adfbbf05c72620d96c468d61e805c7ce668040fc22f46c450af3bb9ec139eab1",
    };
    QFile file(path);
    if (file.size() > 64 * 1024 || !file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray digest = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
    return std::find(std::begin(kShipped), std::end(kShipped), digest) != std::end(kShipped);
}

} // namespace

void copySkins(const QString &fromDir, const QString &to)
{
    const QDir from(fromDir);
    if (QFileInfo(from.absolutePath()).canonicalFilePath() == QFileInfo(to).canonicalFilePath())
        return;
    // Compared by suffix: a name filter is a wildcard that Qt compiles to a regular expression,
    // bringing the expression library in (and half a megabyte with it) before the first window.
    const QStringList files = from.entryList(QDir::Files);
    for (const QString &skin : files) {
        if (!skin.endsWith(QLatin1String(".she")))
            continue;
        const QString target = to + QLatin1Char('/') + skin;
        const bool stale = QFileInfo(target).isFile() && !QFileInfo(target).isSymLink() && isEarlierShippedSkin(target);
        if (stale)
            QFile::remove(target);
        if (!QFileInfo::exists(target)) {
            const bool copied = QFile::copy(from.filePath(skin), target);
            qCDebug(lcFiles).noquote() << "skin" << skin << (copied ? (stale ? "updated in" : "copied to") : "could not be copied to")
                                       << to;
        }
    }
}

void registerWindows(MemberSession &session)
{
    session.setLoginWindowOpener([](MemberSession &s, QWidget *windowGivingWay) { Form1::openNew(s, windowGivingWay); });
}

int runQuorvel(int argc, char *argv[])
{
    QApplication app(argc, argv);
    StartupTrace::install(app);
    QApplication::setApplicationName(QStringLiteral("quorvel"));
    QApplication::setApplicationVersion(versionText());
    QApplication::setWindowIcon(programIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("quorvel")); // quorvel.desktop: task bar grouping

    QCommandLineParser parser;
    Settings::addOptions(parser);
    parser.process(app); // --help, --version, unknown options and missing values end here
    if (parser.isSet(QStringLiteral("verbose")))
        Logging::setVerbose(true);

    QString error;
    Settings settings;
    if (!settings.applyArguments(parser, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    // The one session of the run: every window gets it from here.
    MemberSession session(std::move(settings));
    const QString caFile = session.settings().caCertificatesFile();
    if (!caFile.isEmpty() && !session.network().useCaCertificatesFile(caFile, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    if (!session.network().checkProxySetting(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }

    copySkins(session.settings().resourceDir(), session.settings().dataDir());
    // After the command line: --help and --version stay as the manual page shows them, and
    // --verbose is known when the catalogue turns out to be missing (the start goes on in English).
    QtTranslation::install();
    WidgetSeams::install();
    AccessibleNames::install();
    registerWindows(session);
    // The network manager and the cookie store come with the first request: a start without a
    // saved account shows the login window without either.

    // The start window's load is the start routine: skin, start window, login window.
    auto *startWindow = new Form5(session);
    startWindow->setAttribute(Qt::WA_DeleteOnClose);
    // The load returns at once: the start window goes up at the first event and the login window
    // once its lookup is done, so no window may be visible yet. Nothing closes before the loop runs.
    startWindow->Form_Load();
    return QApplication::exec();
}
