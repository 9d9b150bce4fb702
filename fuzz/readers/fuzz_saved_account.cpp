// The saved-account reader on any login.ini: the input is written as the file and read back with
// the six keys. No crash; every value is one line without NUL; the question position stays in the
// list; the stored password and answer decipher or are refused, never crash.
#include "ReaderInput.h"
#include "rules/SavedAccount.h"

#include <QFile>

using ReaderInput::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    ReaderInput::silenceMessages();
    const QString path = ReaderInput::scratchFolder().filePath(QStringLiteral("login.ini"));
    {
        QFile file(path);
        check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        const QByteArray bytes = ReaderInput::bytes(data, std::min<std::size_t>(size, 4096));
        check(file.write(bytes) == bytes.size());
    }

    const SavedAccount account = SavedAccount::load(path);
    for (const QString &value : {account.saveChoice, account.user, account.pass, account.ask, account.ans, account.autoLogin})
        check(!value.contains(QLatin1Char('\n')) && !value.contains(QChar(0)));
    if (const std::optional<int> position = account.questionPosition())
        check(*position >= 1 && *position <= 7 && account.restoresQuestion());
    for (const QString &stored : {account.pass, account.ans}) {
        if (const std::optional<QString> plain = SavedAccount::decipher(stored))
            check(!plain->contains(QChar(0)));
    }
    (void)account.keepsAccount();
    (void)account.signsInAutomatically();
    return 0;
}
