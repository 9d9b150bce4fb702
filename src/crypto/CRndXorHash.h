#pragma once
// CRndXorHash: the password cipher for texts and text files. Every UTF-16 unit of the plain text is
// XOR-ed (low seven bits only) with values of the seeded generator; in front go a salt (hash of the
// moment of enciphering), a check value of salt and password, and a hash of the plain text, each
// keySize() units long. The whole is written in the hex form of MEncryptDecrypt, so a plain text of n
// units takes 6 * (3 * keySize() + n) characters.
//
// Deciphering shows "密码不正确！" (error icon) for a wrong password and "密文被修改，完整性不正确！"
// (warning icon) for a changed cipher text, through Seams::messageBox, and then returns an empty text /
// writes no file. Every other failure is silent: empty text, no output.
#include "RandomGenerator.h"

#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

class CRndXorHash
{
public:
    CRndXorHash();

    // Length of the pad and of every hash; 8 after creation.
    [[nodiscard]] qint16 keySize() const { return m_keySize; }
    // Values below 1 give 8. Rebuilds the pad from the pad alphabet.
    void setKeySize(qint16 NewValue);

    [[nodiscard]] QString StringEncrypt(const QString &Plaintext, const QString &strPassword);
    [[nodiscard]] QString StringDecrypt(const QString &Ciphertext, const QString &strPassword);
    // The plain file is read as GBK text; the cipher file holds the hex form, one byte per character.
    void FileEncrypt(const QString &PlaintextFileName, const QString &CiphertextFileName, const QString &strPassword);
    void FileDecrypt(const QString &PlaintextFileName, const QString &CiphertextFileName, const QString &strPassword);

    // The clock that gives the salt its moment (the local time by default); tests fix it.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

private:
    [[nodiscard]] QString HashText(const QString &s);
    void SeedFromText(const QString &s);
    [[nodiscard]] QString XorText(const QString &s);
    [[nodiscard]] QString encipher(const QString &plain, const QString &password);
    [[nodiscard]] std::optional<QString> decipher(const QString &cipher, const QString &password);

    qint16 m_keySize = 8;
    QString m_pad;
    // Every operation derives the generator's state afresh from text, so each instance keeps its own.
    RandomGenerator m_random;
    std::function<QDateTime()> m_clock;
};
