#include "ModuleText.h"

#include "ProfileString.h"
#include "Settings.h"

#include <QDir>
#include <QFileInfo>

namespace QuorvelModule {

QString ReadIniValue(const QString &section, const QString &key, const QString &defaultValue, const QString &filePath)
{
    // The whole value: a fixed 255-byte buffer would cut a long enciphered password.
    return ProfileString::read(section, key, defaultValue, filePath);
}

QString SpecialFolderPath(const Settings &settings, int folder)
{
    if (folder != kCookiesFolder)
        return {};
    const QString path = settings.cookiesDir();
    // The folder holds the forum session: made for its owner alone, whatever the umask.
    if (!QFileInfo::exists(path) && QDir().mkpath(settings.dataDir()))
        QDir().mkdir(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

} // namespace QuorvelModule
