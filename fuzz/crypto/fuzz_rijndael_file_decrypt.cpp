// cRijndael::FileDecrypt on any file: result 0 or 1, and never more output than input.
#include "FuzzInput.h"
#include "crypto/cRijndael.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInput::silenceMessages();
    // On tmpfs where there is one: the output is committed with a sync, which a disk makes slow.
    static QTemporaryDir dir(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                 ? QStringLiteral("/dev/shm/quorvel-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/quorvel-fuzz-XXXXXX"));
    static cRijndael cipher;
    static const QString cipherName = dir.filePath(QStringLiteral("cipher"));
    static const QString plainName = dir.filePath(QStringLiteral("plain"));
    if (size < 1)
        return 0;
    static const int keyBits[] = {128, 192, 256, 256};
    cipher.SetCipherKeyString(QStringLiteral("fuzz key"), keyBits[data[0] & 3]);
    cipher.setTransformPath(FuzzInput::path(data[0] >> 2));
    {
        QFile file(cipherName);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            __builtin_trap();
        file.write(reinterpret_cast<const char *>(data + 1), static_cast<qint64>(size - 1));
    }
    QFile::remove(plainName);
    const int result = cipher.FileDecrypt(plainName, cipherName);
    if (result != 0 && result != 1)
        __builtin_trap();
    if (result == 0 && QFileInfo(plainName).size() > static_cast<qint64>(size - 1))
        __builtin_trap();
    if (result == 1 && QFile::exists(plainName))
        __builtin_trap();
    return 0;
}
