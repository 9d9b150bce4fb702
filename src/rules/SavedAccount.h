#pragma once
// The saved account in login.ini: section "INFORMATION" with six keys, in the forum's code page
// (GBK) with CR LF lines, so the file stays interchangeable with the one the Windows client writes.
//
//   保存账号  "是" / "否"        whether the account below is kept
//   USER      the account as typed (name or UID), or empty
//   PASS      the password enciphered (StringEncrypt, "Brovk", 256, 256), or empty
//   ASK       "0" to "7": the security question; "0" is none
//   ANS       the answer enciphered the same way, or empty
//   自动登录  "是" / "否"        sign in automatically at start
//
// A choice key counts as on when its value contains "是" anywhere ("否是" is on, "Yes" is off).
// Plain functions without widgets; the login window wires its controls to them.
#include <QString>

#include <optional>

struct SavedAccount
{
    // Texts exactly as stored; a missing key is empty.
    QString saveChoice; // 保存账号
    QString user;       // USER
    QString pass;       // PASS
    QString ask;        // ASK
    QString ans;        // ANS
    QString autoLogin;  // 自动登录

    static inline const QString kSection = QStringLiteral("INFORMATION");
    static inline const QString kSaveChoiceKey = QStringLiteral("保存账号");
    static inline const QString kUserKey = QStringLiteral("USER");
    static inline const QString kPassKey = QStringLiteral("PASS");
    static inline const QString kAskKey = QStringLiteral("ASK");
    static inline const QString kAnsKey = QStringLiteral("ANS");
    static inline const QString kAutoLoginKey = QStringLiteral("自动登录");
    static inline const QString kOn = QStringLiteral("是");
    static inline const QString kOff = QStringLiteral("否");

    // <dataDir>/login.ini, dataDir being the program folder (Settings::dataDir()).
    [[nodiscard]] static QString filePath(const QString &dataDir);

    // The six keys of a file; a missing or unreadable file reads as all keys empty.
    [[nodiscard]] static SavedAccount load(const QString &filePath);

    // The values the save step writes after a sign-in. Without keepAccount the account is blanked
    // ("否", empty name, password and answer, question "0") and only the automatic choice is kept;
    // so too where the account, password or answer holds a character GBK cannot write.
    // questionChosen is whether the list shows a question (not entry 0); questionId is written then.
    [[nodiscard]] static SavedAccount fromSignIn(bool keepAccount, const QString &account, const QString &password,
                                                 bool questionChosen, const QString &questionId, const QString &answer,
                                                 bool autoLogin);

    // Writes the six keys in the order the Windows client writes them, with the bytes six separate
    // profile writes would leave, as one atomic replace of the file, readable by its owner only.
    // False (and the old file left as it was) when the file cannot be written.
    bool save(const QString &filePath) const;
    // The one write made when "自动登录" is unticked: 自动登录=否 at once.
    static bool saveAutoLoginOff(const QString &filePath);

    [[nodiscard]] static bool isOn(const QString &choice) { return choice.contains(kOn); }
    [[nodiscard]] bool keepsAccount() const { return isOn(saveChoice); }
    [[nodiscard]] bool signsInAutomatically() const { return isOn(autoLogin); }

    // Whether the restore selects a question and fills the answer: "ASK" not 0 and "ANS" not empty.
    [[nodiscard]] bool restoresQuestion() const;
    // The list position to select when the question is restored; none when "ASK" lies outside the
    // list (the list is then left alone, the answer is still restored).
    [[nodiscard]] std::optional<int> questionPosition() const;

    // The stored form of a password or answer: capital hexadecimal of the GBK bytes enciphered with
    // the client's key. An empty text is stored as empty.
    [[nodiscard]] static QString encipher(const QString &text);
    // The text back, cut at the first NUL of the cipher's zero padding. Malformed stored text gives
    // an empty text after the cipher's own message box; a value the cipher cannot take at all (fewer
    // than two characters) gives none, and the box keeps what it holds.
    [[nodiscard]] static std::optional<QString> decipher(const QString &stored);
};
