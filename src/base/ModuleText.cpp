#include "ModuleText.h"

#include "ProfileString.h"
#include "Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// "$&" the match, "$1".."$99" a group, "$$" a dollar; everything else literal, backslashes too
// (the replacement syntax of the script runtime's regular expressions).
QString expandReplacement(const QString &replacement, const QRegularExpressionMatch &match)
{
    if (!replacement.contains(QLatin1Char('$')))
        return replacement;
    QString out;
    for (qsizetype i = 0; i < replacement.size(); ++i) {
        const QChar c = replacement.at(i);
        const QChar next = i + 1 < replacement.size() ? replacement.at(i + 1) : QChar();
        if (c != QLatin1Char('$')) {
            out += c;
        } else if (next == QLatin1Char('$')) {
            out += c;
            ++i;
        } else if (next == QLatin1Char('&')) {
            out += match.captured(0);
            ++i;
        } else if (next.isDigit()) {
            int group = next.digitValue();
            qsizetype used = 1;
            if (i + 2 < replacement.size() && replacement.at(i + 2).isDigit()) {
                const int two = group * 10 + replacement.at(i + 2).digitValue();
                if (two <= match.lastCapturedIndex()) {
                    group = two;
                    used = 2;
                }
            }
            if (group == 0 || group > match.lastCapturedIndex()) {
                out += c; // not a group: kept as written
            } else {
                out += match.captured(group);
                i += used;
            }
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

namespace QuorvelModule {

QString ReadIniValue(const QString &section, const QString &key, const QString &defaultValue, const QString &filePath)
{
    // The whole value: a fixed 255-byte buffer would cut a long enciphered password.
    return ProfileString::read(section, key, defaultValue, filePath);
}

QString RegexReplace(const QString &text, const QString &pattern, const QString &replacement)
{
    const QRegularExpression expression(pattern, QRegularExpression::CaseInsensitiveOption);
    if (!expression.isValid())
        return text;
    QString out;
    qsizetype copied = 0;
    auto matches = expression.globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        out += QStringView(text).sliced(copied, match.capturedStart() - copied);
        out += expandReplacement(replacement, match);
        copied = match.capturedEnd();
    }
    out += QStringView(text).sliced(copied);
    return out;
}

QString SpecialFolderPath(int folder)
{
    if (folder != kCookiesFolder)
        return {};
    const QString path = Settings::instance().cookiesDir();
    // The folder holds the forum session: made for its owner alone, whatever the umask.
    if (!QFileInfo::exists(path) && QDir().mkpath(Settings::instance().dataDir()))
        QDir().mkdir(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

} // namespace QuorvelModule
