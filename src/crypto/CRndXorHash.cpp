#include "CRndXorHash.h"

#include "base/CodePage.h"
#include "base/Seams.h"
#include "CryptoFiles.h"
#include "MEncryptDecrypt.h"

#include <cmath>
#include <exception>

namespace {

constexpr qint16 DefaultKeySize = 8;

// The pad alphabet: the 94 printable ASCII characters '!' to '~'.
char16_t padCharacter(int index)
{
    return static_cast<char16_t>(u'!' + index);
}

// A unit read as a signed 16-bit number.
float signedCode(QChar c)
{
    return static_cast<float>(static_cast<qint16>(c.unicode()));
}

} // namespace

CRndXorHash::CRndXorHash()
    : m_pad(QStringLiteral("40718263"))
{
}

void CRndXorHash::setKeySize(qint16 NewValue)
{
    m_keySize = NewValue < 1 ? DefaultKeySize : NewValue;
    m_pad.resize(m_keySize);
    for (int i = 0; i < m_keySize; ++i)
        m_pad[i] = QChar(padCharacter(i & 93)); // a bitwise AND, not a remainder
}

void CRndXorHash::SeedFromText(const QString &s)
{
    const float start = m_random.value(-1.0f);
    m_random.mix(start);
    for (const QChar c : s) {
        const float r = m_random.value();
        const float v = m_random.value(-r * signedCode(c));
        // v lies in [0, 1): to the nearest whole number with halves to even is 1 only above 0.5.
        m_random.mix(v > 0.5f ? 1.0 : 0.0);
    }
}

QString CRndXorHash::XorText(const QString &s)
{
    QString out(s.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < s.size(); ++i) {
        const auto k = static_cast<char16_t>(std::floor(128.0f * m_random.value()));
        out[i] = QChar(static_cast<char16_t>(s.at(i).unicode() ^ k));
    }
    return out;
}

QString CRndXorHash::HashText(const QString &s)
{
    SeedFromText(s + m_pad);
    const QString mixed = XorText(s + m_pad);
    SeedFromText(mixed);
    return XorText(m_pad);
}

QString CRndXorHash::encipher(const QString &plain, const QString &password)
{
    // The salt changes from second to second: the moment as date text followed by time text.
    const QDateTime now = m_clock ? m_clock() : QDateTime::currentDateTime();
    const QString salt = HashText(now.toString(QStringLiteral("yyyy/M/d")) + now.toString(QStringLiteral("H:mm:ss")));
    const QString check = HashText(salt + password);
    const QString integrity = HashText(plain);
    const QString header = salt + check + integrity;
    SeedFromText(header);
    return MEncryptDecrypt::HexEncodeText(header + XorText(plain));
}

QString CRndXorHash::StringEncrypt(const QString &Plaintext, const QString &strPassword)
{
    try {
        return encipher(Plaintext, strPassword);
    } catch (const std::exception &) {
        return {};
    }
}

std::optional<QString> CRndXorHash::decipher(const QString &cipher, const QString &password)
{
    const QString raw = MEncryptDecrypt::HexDecodeText(cipher);
    const qsizetype k = m_keySize;
    const QString header = raw.left(3 * k);
    const QString salt = header.mid(0, k);
    const QString integrity = header.mid(2 * k, k);
    const QString body = raw.mid(3 * k);
    const QString check = HashText(salt + password);
    // The check value must stand right after the salt (its first occurrence in the header).
    if (header.indexOf(check) != k) {
        Seams::tell(nullptr, QStringLiteral("密码不正确！"), Seams::Icon::Critical);
        return std::nullopt;
    }
    SeedFromText(header);
    const QString plain = XorText(body);
    if (HashText(plain) != integrity) {
        Seams::tell(nullptr, QStringLiteral("密文被修改，完整性不正确！"), Seams::Icon::Exclamation);
        return std::nullopt;
    }
    return plain;
}

QString CRndXorHash::StringDecrypt(const QString &Ciphertext, const QString &strPassword)
{
    try {
        return decipher(Ciphertext, strPassword).value_or(QString());
    } catch (const std::exception &) {
        return {};
    }
}

void CRndXorHash::FileEncrypt(const QString &PlaintextFileName, const QString &CiphertextFileName,
                              const QString &strPassword)
{
    try {
        const QString plain = CodePage::fromAnsi(CryptoFiles::readAll(PlaintextFileName));
        CryptoFiles::writeAll(CiphertextFileName, encipher(plain, strPassword).toLatin1());
    } catch (const std::exception &) {
        // Silent by design: no message, no further output.
    }
}

void CRndXorHash::FileDecrypt(const QString &PlaintextFileName, const QString &CiphertextFileName,
                              const QString &strPassword)
{
    try {
        const QString cipher = CodePage::fromAnsi(CryptoFiles::readAll(CiphertextFileName));
        if (const auto plain = decipher(cipher, strPassword))
            CryptoFiles::writeAll(PlaintextFileName, CodePage::toAnsi(*plain));
    } catch (const std::exception &) {
        // Silent by design: no message, no further output.
    }
}
