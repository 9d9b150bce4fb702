#pragma once
// QuorvelModule's routines over text and files: no network, no widgets, so that the readers can use
// them. The web routines of the module are in session/QuorvelModule.h, which includes this one.
#include <QString>

class Settings;

namespace QuorvelModule {

// The folder number of the cookies folder (the shell's CSIDL_COOKIES), for SpecialFolderPath.
inline constexpr int kCookiesFolder = 33;

// A value of a profile-string file; the default when the file or key is missing. Whole, however long.
QString ReadIniValue(const QString &section, const QString &key, const QString &defaultValue, const QString &filePath);
// kCookiesFolder: the cookies folder "<data folder>/Cookies" without a trailing separator, made
// for its owner alone when missing; other numbers: empty.
QString SpecialFolderPath(const Settings &settings, int folder);

} // namespace QuorvelModule
