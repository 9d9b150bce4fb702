#pragma once
// Qt's own texts (the buttons of message boxes, the context menu of text boxes) in Simplified
// Chinese, as the rest of the interface is, whatever language the system is set to.
#include <QString>

namespace QtTranslation {

// The catalogue of Qt's texts that ships with Qt (Debian: qt6-translations-l10n).
inline constexpr char kCatalogue[] = "qtbase_zh_CN";

// Loads kCatalogue from folder (Qt's own translations folder when empty) and installs it on the
// application, once. A missing or unreadable catalogue leaves Qt's English texts and is said once
// on quorvel.files (--verbose); it never stops the start. True when the catalogue is installed.
bool install(const QString &folder = QString());

} // namespace QtTranslation
