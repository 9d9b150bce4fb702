#pragma once
// A certificate authority made for one test with the openssl command, in a temporary folder, and
// the server certificates the HTTPS tests need: a good one for 127.0.0.1, one for another name,
// an expired one, and one from an authority the client does not know. Nothing here is trusted by
// the system; the client trusts caFile() only when a test hands it over.
#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <QTemporaryDir>

class TestCa
{
public:
    enum class Server { Good, WrongName, Expired, UnknownIssuer };

    TestCa(); // runs openssl; isValid() tells whether everything was made
    [[nodiscard]] bool isValid() const { return m_valid; }
    [[nodiscard]] QString error() const { return m_error; }

    [[nodiscard]] QString caFile() const;                 // PEM of the test authority
    [[nodiscard]] QList<QSslCertificate> chain(Server server) const; // leaf certificate
    [[nodiscard]] QString certificateFile(Server server) const;
    [[nodiscard]] QString keyFile() const;                 // one key for every server certificate
    [[nodiscard]] QSslKey key() const;

private:
    bool run(const QStringList &arguments);
    QTemporaryDir m_dir;
    bool m_valid = false;
    QString m_error;
};
