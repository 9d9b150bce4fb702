#include "TestCa.h"

#include <QFile>
#include <QProcess>

namespace {

QString fileName(TestCa::Server server)
{
    switch (server) {
    case TestCa::Server::Good: return QStringLiteral("good.pem");
    case TestCa::Server::WrongName: return QStringLiteral("wrongname.pem");
    case TestCa::Server::Expired: return QStringLiteral("expired.pem");
    case TestCa::Server::UnknownIssuer: return QStringLiteral("unknown.pem");
    }
    return {};
}

} // namespace

TestCa::TestCa()
{
    const QString d = m_dir.path() + QLatin1Char('/');
    QFile loopback(d + QStringLiteral("loopback.ext"));
    QFile other(d + QStringLiteral("other.ext"));
    if (!loopback.open(QIODevice::WriteOnly) || !other.open(QIODevice::WriteOnly)) {
        m_error = QStringLiteral("cannot write in ") + d;
        return;
    }
    loopback.write("subjectAltName=IP:127.0.0.1,IP:127.0.0.2,DNS:localhost\n");
    other.write("subjectAltName=DNS:forum.example.org\n");
    loopback.close();
    other.close();
    const auto authority = [this, &d](const QString &name, const QString &subject) {
        return run({QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
                    QStringLiteral("-nodes"), QStringLiteral("-keyout"), d + name + QStringLiteral(".key"),
                    QStringLiteral("-out"), d + name + QStringLiteral(".pem"), QStringLiteral("-days"), QStringLiteral("3"),
                    QStringLiteral("-subj"), subject, QStringLiteral("-addext"),
                    QStringLiteral("basicConstraints=critical,CA:TRUE"), QStringLiteral("-addext"),
                    QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")});
    };
    const auto sign = [this, &d](const QString &out, const QString &ca, const QString &days, const QString &ext,
                                 const QString &csr = QStringLiteral("server.csr")) {
        return run({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), d + csr,
                    QStringLiteral("-CA"), d + ca + QStringLiteral(".pem"), QStringLiteral("-CAkey"), d + ca + QStringLiteral(".key"),
                    QStringLiteral("-CAcreateserial"), QStringLiteral("-out"), d + out, QStringLiteral("-days"), days,
                    QStringLiteral("-extfile"), d + ext});
    };
    m_valid = authority(QStringLiteral("ca"), QStringLiteral("/CN=Quorvel test authority"))
        && authority(QStringLiteral("otherca"), QStringLiteral("/CN=Somebody else's authority"))
        && run({QStringLiteral("req"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"), QStringLiteral("-nodes"),
                QStringLiteral("-keyout"), d + QStringLiteral("server.key"), QStringLiteral("-out"), d + QStringLiteral("server.csr"),
                QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1")})
        // Qt also matches the subject's common name, so the wrong-name certificate names another
        // host there too.
        && run({QStringLiteral("req"), QStringLiteral("-new"), QStringLiteral("-key"), d + QStringLiteral("server.key"),
                QStringLiteral("-out"), d + QStringLiteral("other.csr"), QStringLiteral("-subj"), QStringLiteral("/CN=forum.example.org")})
        && sign(fileName(Server::Good), QStringLiteral("ca"), QStringLiteral("2"), QStringLiteral("loopback.ext"))
        && sign(fileName(Server::WrongName), QStringLiteral("ca"), QStringLiteral("2"), QStringLiteral("other.ext"),
                QStringLiteral("other.csr"))
        // -days -1: valid until a day before it was made, so already expired
        && sign(fileName(Server::Expired), QStringLiteral("ca"), QStringLiteral("-1"), QStringLiteral("loopback.ext"))
        && sign(fileName(Server::UnknownIssuer), QStringLiteral("otherca"), QStringLiteral("2"), QStringLiteral("loopback.ext"));
    if (m_valid && (key().isNull() || chain(Server::Good).isEmpty())) {
        m_valid = false;
        m_error = QStringLiteral("openssl made files Qt cannot read");
    }
}

bool TestCa::run(const QStringList &arguments)
{
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"), arguments);
    if (!openssl.waitForFinished(60000) || openssl.exitStatus() != QProcess::NormalExit || openssl.exitCode() != 0) {
        m_error = QStringLiteral("openssl %1 failed: %2 %3")
                      .arg(arguments.join(QLatin1Char(' ')), openssl.errorString(), QString::fromLocal8Bit(openssl.readAll()));
        return false;
    }
    return true;
}

QString TestCa::caFile() const
{
    return m_dir.filePath(QStringLiteral("ca.pem"));
}

QString TestCa::certificateFile(Server server) const
{
    return m_dir.filePath(fileName(server));
}

QList<QSslCertificate> TestCa::chain(Server server) const
{
    return QSslCertificate::fromPath(certificateFile(server), QSsl::Pem, QSslCertificate::PatternSyntax::FixedString);
}

QString TestCa::keyFile() const
{
    return m_dir.filePath(QStringLiteral("server.key"));
}

QSslKey TestCa::key() const
{
    QFile file(keyFile());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QSslKey(file.readAll(), QSsl::Rsa, QSsl::Pem);
}
