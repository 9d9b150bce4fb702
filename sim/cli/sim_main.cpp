// quorvel-sim: the forum simulator on its own, for the demo and for trying the client by hand.
#include "Gbk.h"
#include "ForumSimulator.h"

#include <QCommandLineParser>
#include <QFile>
#include <QGuiApplication>
#include <QSslCertificate>
#include <QSslKey>

#include <cstdio>

namespace {

QString memberKind(const ForumMember &m)
{
    QStringList kinds;
    if (m.isAdministrator())
        kinds << QStringLiteral("administrator (lost-password refused)");
    if (m.vipLevel == 1)
        kinds << QStringLiteral("VIP, %1 days left").arg(QDate::currentDate().daysTo(m.vipExpiry));
    if (m.vipLevel >= 2)
        kinds << QStringLiteral("SVIP, %1 days left").arg(QDate::currentDate().daysTo(m.vipExpiry));
    if (m.questionId > 0)
        kinds << QStringLiteral("security question %1, answer \"%2\"").arg(m.questionId).arg(m.answer);
    if (m.group.contains(QStringLiteral("禁止")))
        kinds << QStringLiteral("banned");
    if (!m.name.isEmpty() && m.name.toLongLong() > 0)
        kinds << QStringLiteral("numeric-only name");
    if (kinds.isEmpty())
        kinds << QStringLiteral("ordinary member");
    return kinds.join(QStringLiteral("; "));
}

QString helpText()
{
    QString text = QStringLiteral(
        "Usage: quorvel-sim [options]\n"
        "A local stand-in for the Quorvel site: forum, member home, VIP, software and main hosts and the\n"
        "connectivity probe, each on its own port of 127.0.0.1. Serves until killed.\n\n"
        "Options:\n"
        "  --help                  this text\n"
        "  --port-base N           fixed ports N..N+5 (forum, home, vip, soft, main, probe); default: free ports\n"
        "  --fault MODE[:PATH]     answer requests whose path contains PATH (all when absent) with a fault;\n"
        "                          may be given several times\n"
        "  --slow-ms N             delay of the slow fault (default 35000)\n"
        "  --version-text TEXT     content of /version/main.txt (default km:V1.2|2015-03-01)\n"
        "  --version-missing       /version/main.txt answers 404\n"
        "  --legacy                the older site: fixed form tokens accepted, pages without tokens, public\n"
        "                          profiles, UID sign-in, credit buying (default: today's release as it ships)\n"
        "  --guest-profiles        guests may view profiles (default: off, \"sign in to view\")\n"
        "  --uid-login             members may sign in by UID (default: off)\n"
        "  --auto-login-field      every loginfield is read as auto (default: off)\n"
        "  --credit-buying         op=buy shows the credit list (default: off)\n"
        "  --captcha               the login asks for a captcha (four characters of the forum's picture)\n"
        "  --charset gbk|utf-8     the forum's code page (default gbk): its pages and replies are written in it,\n"
        "                          and names, passwords and answers match only when sent in it\n"
        "  --tls-cert FILE         serve over HTTPS with this certificate (PEM; the chain may follow it)\n"
        "  --tls-key FILE          its private key (PEM, not encrypted)\n"
        "  --tls-roles LIST        only these roles over HTTPS (forum,home,vip,soft,main,probe); default all\n"
        "  --print-client-args     print one line with the client's command-line arguments\n"
        "  --quiet                 do not log each request on standard error\n\n"
        "Fault modes: ");
    text += ForumSimulator::faultNames().join(QStringLiteral(", "));
    text += QStringLiteral(
        "\n  slow: late answer; empty: 200 without body; errorpage: 200 HTML error page; status500;\n"
        "  drop: connection closed mid-reply; nocdata: AJAX envelope without CDATA; huge: > 8 MiB;\n"
        "  invalidgbk: bytes that are not GBK; token503: the form-token error page; noanswer: never answers.\n\n"
        "Control requests on any port: /__sim/reset, /__sim/fault?mode=MODE&path=TEXT&role=ROLE&count=N,\n"
        "/__sim/clearfaults, /__sim/slow?ms=N, /__sim/version?text=TEXT|missing=1, /__sim/requests,\n"
        "/__sim/captcha?on=0|1 (answers with the newest code; &salt=SALT: that visitor's code),\n"
        "/__sim/member?name=NAME&za=N&quorvelbi=N&vip=0|1|2&vipdays=N&avatar=0|1,\n"
        "/__sim/site?mode=current|legacy&guestprofiles=0|1&uidlogin=0|1&autofield=0|1&creditbuying=0|1&charset=gbk|utf-8\n"
        "(a mode keeps the charset; /__sim/reset keeps the site's settings)\n\n"
        "Demo members (uid, name, password, Quorvel币, za, avatar, kind, e-mail):\n");
    for (const ForumMember &m : ForumSimulator::demoMembers()) {
        text += QStringLiteral("  %1\t%2\t%3\t%4\t%5\t%6\t%7\t%8\n")
                    .arg(m.uid)
                    .arg(m.name, m.password)
                    .arg(m.quorvelbi)
                    .arg(m.za)
                    .arg(m.hasAvatar ? QStringLiteral("avatar") : QStringLiteral("no avatar"), memberKind(m), m.email);
    }
    text += QStringLiteral("Five failed sign-ins from one address lock sign-in for 15 minutes; a second lost-password\n"
                           "request for one member within 5 minutes is refused. 4 Quorvel币 cost 1 za.\n");
    return text;
}

void printLine(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

} // namespace

int main(int argc, char *argv[])
{
    // Avatars are drawn with fonts, which need a GUI application, but the simulator never shows a
    // window: run without a display unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvel-sim"));

    QCommandLineParser parser;
    const QCommandLineOption help(QStringLiteral("help"));
    const QCommandLineOption portBase(QStringLiteral("port-base"), {}, QStringLiteral("N"));
    const QCommandLineOption fault(QStringLiteral("fault"), {}, QStringLiteral("MODE[:PATH]"));
    const QCommandLineOption slow(QStringLiteral("slow-ms"), {}, QStringLiteral("N"));
    const QCommandLineOption versionText(QStringLiteral("version-text"), {}, QStringLiteral("TEXT"));
    const QCommandLineOption versionMissing(QStringLiteral("version-missing"));
    const QCommandLineOption printArgs(QStringLiteral("print-client-args"));
    const QCommandLineOption quiet(QStringLiteral("quiet"));
    const QCommandLineOption tlsCert(QStringLiteral("tls-cert"), {}, QStringLiteral("FILE"));
    const QCommandLineOption tlsKey(QStringLiteral("tls-key"), {}, QStringLiteral("FILE"));
    const QCommandLineOption tlsRoles(QStringLiteral("tls-roles"), {}, QStringLiteral("LIST"));
    const QCommandLineOption charset(QStringLiteral("charset"), {}, QStringLiteral("gbk|utf-8"));
    const QCommandLineOption legacy(QStringLiteral("legacy"));
    const QCommandLineOption guestProfiles(QStringLiteral("guest-profiles"));
    const QCommandLineOption uidLogin(QStringLiteral("uid-login"));
    const QCommandLineOption autoField(QStringLiteral("auto-login-field"));
    const QCommandLineOption creditBuying(QStringLiteral("credit-buying"));
    const QCommandLineOption captcha(QStringLiteral("captcha"));
    parser.addOptions({help, portBase, fault, slow, versionText, versionMissing, printArgs, quiet, legacy, guestProfiles,
                       uidLogin, autoField, creditBuying, captcha, charset, tlsCert, tlsKey, tlsRoles});
    if (!parser.parse(app.arguments())) {
        printLine(stderr, parser.errorText() + QStringLiteral("\n\n") + helpText());
        return 2;
    }
    if (parser.isSet(help)) {
        printLine(stdout, helpText());
        return 0;
    }

    ForumSimulator sim;
    bool ok = true;
    const uint base = parser.isSet(portBase) ? parser.value(portBase).toUInt(&ok) : 0;
    if (!ok || base > 65535 - kSimRoleCount) {
        printLine(stderr, QStringLiteral("quorvel-sim: bad --port-base"));
        return 2;
    }
    for (const QString &faultRule : parser.values(fault)) {
        const qsizetype colon = faultRule.indexOf(QLatin1Char(':'));
        const std::optional<ForumSimulator::Fault> mode = ForumSimulator::faultFromName(colon < 0 ? faultRule : faultRule.left(colon));
        if (!mode) {
            printLine(stderr, QStringLiteral("quorvel-sim: unknown fault mode in \"%1\"; one of: %2")
                                  .arg(faultRule, ForumSimulator::faultNames().join(QStringLiteral(", "))));
            return 2;
        }
        sim.setFault(*mode, colon < 0 ? QByteArray() : faultRule.mid(colon + 1).toUtf8());
    }
    if (parser.isSet(slow)) {
        const int ms = parser.value(slow).toInt(&ok);
        if (!ok || ms < 0) {
            printLine(stderr, QStringLiteral("quorvel-sim: bad --slow-ms"));
            return 2;
        }
        sim.setSlowDelayMs(ms);
    }
    if (parser.isSet(versionText))
        sim.setVersionText(Gbk::encode(parser.value(versionText)));
    if (parser.isSet(versionMissing))
        sim.setVersionText({});
    SimSiteSettings site = parser.isSet(legacy) ? SimSiteSettings::older() : SimSiteSettings::current();
    site.guestsViewProfiles = site.guestsViewProfiles || parser.isSet(guestProfiles);
    site.uidLogin = site.uidLogin || parser.isSet(uidLogin);
    site.autoLoginField = site.autoLoginField || parser.isSet(autoField);
    site.creditBuying = site.creditBuying || parser.isSet(creditBuying);
    if (parser.isSet(charset)) {
        const std::optional<bool> utf8 = ForumSimulator::utf8FromCharset(parser.value(charset));
        if (!utf8) {
            printLine(stderr, QStringLiteral("quorvel-sim: --charset takes gbk or utf-8, not \"%1\"").arg(parser.value(charset)));
            return 2;
        }
        site.utf8 = *utf8;
    }
    sim.setSiteSettings(site);
    if (parser.isSet(captcha))
        sim.setCaptchaEnabled(true);

    if (parser.isSet(tlsCert) || parser.isSet(tlsKey) || parser.isSet(tlsRoles)) {
        const QList<QSslCertificate> chain = QSslCertificate::fromPath(parser.value(tlsCert), QSsl::Pem,
                                                                        QSslCertificate::PatternSyntax::FixedString);
        QFile keyFile(parser.value(tlsKey));
        const QByteArray keyPem = keyFile.open(QIODevice::ReadOnly) ? keyFile.readAll() : QByteArray();
        QSslKey key(keyPem, QSsl::Rsa, QSsl::Pem);
        if (key.isNull())
            key = QSslKey(keyPem, QSsl::Ec, QSsl::Pem);
        if (chain.isEmpty() || key.isNull()) {
            printLine(stderr, QStringLiteral("quorvel-sim: --tls-cert and --tls-key need a PEM certificate and its key"));
            return 2;
        }
        QList<ForumSimulator::Role> roles;
        for (const QString &name : parser.value(tlsRoles).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const std::optional<ForumSimulator::Role> role = ForumSimulator::roleFromName(name.trimmed());
            if (!role) {
                printLine(stderr, QStringLiteral("quorvel-sim: unknown role \"%1\" in --tls-roles").arg(name));
                return 2;
            }
            roles.append(*role);
        }
        sim.setTls(chain, key, roles);
    }
    if (!parser.isSet(quiet)) {
        QObject::connect(&sim, &ForumSimulator::requestReceived, &sim, [&sim](const QByteArray &method, const QByteArray &path) {
            const QString role = ForumSimulator::roleName(sim.requests().last().role);
            printLine(stderr, QStringLiteral("quorvel-sim: %1 %2 %3").arg(role, QString::fromLatin1(method), QString::fromLatin1(path)));
        });
    }
    if (!sim.start(quint16(base))) {
        printLine(stderr, QStringLiteral("quorvel-sim: cannot listen on 127.0.0.1 (port taken?)"));
        return 1;
    }
    for (int i = 0; i < kSimRoleCount; ++i) {
        const auto role = ForumSimulator::Role(i);
        printLine(stderr, QStringLiteral("quorvel-sim: %1 on %2").arg(ForumSimulator::roleName(role), -6).arg(sim.url(role)));
    }
    if (parser.isSet(printArgs))
        printLine(stdout, sim.clientArguments().join(QLatin1Char(' ')));
    else
        printLine(stderr, QStringLiteral("quorvel-sim: client arguments: ") + sim.clientArguments().join(QLatin1Char(' ')));
    return app.exec();
}
