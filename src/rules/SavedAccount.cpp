#include "SavedAccount.h"

#include "base/CodePage.h"
#include "base/Logging.h"
#include "base/ModuleText.h"
#include "base/Numeric.h"
#include "base/ProfileString.h"
#include "crypto/CipherError.h"
#include "crypto/cRijndael.h"

namespace {

// The client's fixed key text and sizes: files written by any copy of the client read back.
const QString kCipherKey = QStringLiteral("Brovk");
constexpr int kBlockSize = 256;
constexpr int kKeySize = 256;

// One cipher for the whole run, made on first use (its tables are built when it is created).
cRijndael &cipher()
{
    static cRijndael instance;
    return instance;
}

} // namespace

QString SavedAccount::filePath(const QString &dataDir)
{
    return dataDir + QStringLiteral("/login.ini");
}

SavedAccount SavedAccount::load(const QString &filePath)
{
    const auto value = [&filePath](const QString &key) {
        return QuorvelModule::ReadIniValue(kSection, key, QString(), filePath);
    };
    SavedAccount account;
    account.saveChoice = value(kSaveChoiceKey);
    account.user = value(kUserKey);
    account.pass = value(kPassKey);
    account.ask = value(kAskKey);
    account.ans = value(kAnsKey);
    account.autoLogin = value(kAutoLoginKey);
    return account;
}

SavedAccount SavedAccount::fromSignIn(bool keepAccount, const QString &account, const QString &password,
                                      bool questionChosen, const QString &questionId, const QString &answer,
                                      bool autoLogin)
{
    SavedAccount saved;
    saved.ask = QStringLiteral("0");
    // login.ini holds GBK only: a forum in UTF-8 may take a name, password or answer GBK cannot
    // write, which would come back with "?" and cost a try at the next automatic sign-in.
    const auto fits = [](const QString &text) { return !CodePage::firstUnencodable(text, CodePage::kGbk); };
    const bool writable = fits(account) && fits(password) && (!questionChosen || fits(answer));
    if (keepAccount && !writable)
        qCInfo(lcFiles, "login.ini: the account is not kept, its texts do not fit the file's code page (GBK)");
    if (keepAccount && writable) {
        saved.saveChoice = kOn;
        saved.user = account;
        saved.pass = encipher(password);
        if (questionChosen) {
            saved.ask = questionId;
            saved.ans = encipher(answer);
        }
    } else {
        saved.saveChoice = kOff;
    }
    saved.autoLogin = autoLogin ? kOn : kOff;
    return saved;
}

bool SavedAccount::save(const QString &filePath) const
{
    // Key order as the Windows client writes them, so a new file comes out byte for byte the same.
    // One replace of the whole file: a program killed in the middle of the save never pairs the new
    // account with the old password or answer.
    const bool written = ProfileString::write(kSection,
                                              {{kSaveChoiceKey, saveChoice},
                                               {kUserKey, user},
                                               {kPassKey, pass},
                                               {kAskKey, ask},
                                               {kAnsKey, ans},
                                               {kAutoLoginKey, autoLogin}},
                                              filePath);
    // Which keys, never their values: PASS and ANS are the member's secrets, however enciphered.
    qCDebug(lcFiles).noquote() << "login.ini" << (written ? "written" : "NOT written") << "(six keys; account kept:"
                               << keepsAccount() << "automatic sign-in:" << signsInAutomatically() << ")" << filePath;
    return written;
}

bool SavedAccount::saveAutoLoginOff(const QString &filePath)
{
    const bool written = ProfileString::write(kSection, kAutoLoginKey, kOff, filePath);
    qCDebug(lcFiles).noquote() << "login.ini" << (written ? "written" : "NOT written") << "(自动登录=否)" << filePath;
    return written;
}

bool SavedAccount::restoresQuestion() const
{
    return Numeric::valInt(ask) != 0 && !ans.isEmpty();
}

std::optional<int> SavedAccount::questionPosition() const
{
    if (!restoresQuestion())
        return std::nullopt;
    const int position = Numeric::valInt(ask);
    if (position < 0 || position > 7)
        return std::nullopt;
    return position;
}

QString SavedAccount::encipher(const QString &text)
{
    // The cipher takes no empty source; an empty text is stored as the empty value.
    if (text.isEmpty())
        return {};
    try {
        return cipher().StringEncrypt(text, kCipherKey, kBlockSize, kKeySize);
    } catch (const CipherError &) {
        return {};
    }
}

std::optional<QString> SavedAccount::decipher(const QString &stored)
{
    QString plain;
    try {
        plain = cipher().StringDecrypt(stored, kCipherKey, kBlockSize, kKeySize);
    } catch (const CipherError &) {
        return std::nullopt;
    }
    const qsizetype nul = plain.indexOf(QChar(u'\0'));
    return nul < 0 ? plain : plain.left(nul);
}
