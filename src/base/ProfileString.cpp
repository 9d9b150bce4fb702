#include "ProfileString.h"

#include "CodePage.h"
#include "SafeFile.h"

#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>
#include <QList>

namespace {

const QByteArray kNewline = QByteArrayLiteral("\r\n");

// The blanks the Windows profile reader trims, Ctrl-Z included.
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1a';
}

// First byte of a GBK double-byte character; the byte after it may look like ASCII ('[', ']', letters).
bool isLeadByte(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x81 && u <= 0xfe;
}

char foldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

QByteArrayView trimmed(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// Section and key names match without regard to ASCII case; both bytes of a double-byte
// character must match exactly (folding a trail byte would merge different characters).
bool sameName(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (isLeadByte(a[i]) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1])
                return false;
            ++i;
        } else if (foldAscii(a[i]) != foldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

// The text as a C string sees it: everything before the first NUL.
QByteArrayView beforeNul(QByteArrayView text)
{
    const qsizetype nul = text.indexOf('\0');
    return nul < 0 ? text : text.first(nul);
}

// A name or value to be written on one line: a line break inside it would forge further lines.
QByteArray oneLine(QByteArrayView text)
{
    QByteArray out;
    for (const char c : beforeNul(text))
        if (c != '\r' && c != '\n')
            out.append(c);
    return out;
}

struct Line {
    enum Kind { Blank, Section, Key, Other };
    Kind kind = Other;
    qsizetype begin = 0; // first byte of the line
    qsizetype end = 0;   // end of the line's text, before CR LF / LF
    qsizetype next = 0;  // first byte of the following line
    QByteArrayView name; // section or key name, trimmed
    QByteArrayView value; // key value, trimmed
};

// "[name]" with the last ']' of the line that is not the second byte of a double-byte character.
bool parseSectionHeader(QByteArrayView text, QByteArrayView *name)
{
    if (text.isEmpty() || text[0] != '[')
        return false;
    qsizetype close = -1;
    for (qsizetype i = 1; i < text.size(); ++i) {
        if (isLeadByte(text[i]))
            ++i;
        else if (text[i] == ']')
            close = i;
    }
    if (close < 0)
        return false;
    *name = trimmed(text.sliced(1, close - 1));
    return true;
}

QList<Line> parseLines(QByteArrayView file)
{
    QList<Line> lines;
    qsizetype pos = 0;
    while (pos < file.size()) {
        Line line;
        line.begin = pos;
        const qsizetype lf = file.indexOf('\n', pos);
        line.next = lf < 0 ? file.size() : lf + 1;
        line.end = lf < 0 ? file.size() : lf;
        if (line.end > line.begin && file[line.end - 1] == '\r')
            --line.end;
        pos = line.next;

        const QByteArrayView text = trimmed(file.sliced(line.begin, line.end - line.begin));
        if (text.isEmpty()) {
            line.kind = Line::Blank;
        } else if (parseSectionHeader(text, &line.name)) {
            line.kind = Line::Section;
        } else if (const qsizetype eq = text.indexOf('='); eq >= 0) {
            // '=' (0x3D) is never the second byte of a GBK character, so the first one splits.
            line.kind = Line::Key;
            line.name = trimmed(text.first(eq));
            line.value = trimmed(text.sliced(eq + 1));
        }
        lines.append(line);
    }
    return lines;
}

// Where a key is, or where it would go.
struct Location {
    qsizetype keyLine = -1;         // the first line of the key in a matching section
    qsizetype lastSectionLine = -1; // last non-blank line of the first matching section
};

Location locate(const QList<Line> &lines, QByteArrayView section, QByteArrayView key)
{
    Location where;
    bool inSection = false;
    bool inFirstSection = false;
    bool firstSectionSeen = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Line &line = lines.at(i);
        if (line.kind == Line::Section) {
            // An empty section name never matches, as with the Windows calls; lines before the
            // first header belong to no section.
            inSection = !line.name.isEmpty() && sameName(line.name, section);
            inFirstSection = inSection && !firstSectionSeen;
            if (inFirstSection) {
                firstSectionSeen = true;
                where.lastSectionLine = i;
            }
            continue;
        }
        if (!inSection)
            continue;
        if (inFirstSection && line.kind != Line::Blank)
            where.lastSectionLine = i;
        if (line.kind == Line::Key && sameName(line.name, key)) {
            where.keyLine = i;
            return where;
        }
    }
    return where;
}

// A value in matching quotes loses them, as GetPrivateProfileString does ("\"a b\"" reads a b).
QByteArrayView withoutQuotes(QByteArrayView value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.sliced(1, value.size() - 2);
    return value;
}

QByteArray readFile(const QString &filePath, bool *ok)
{
    return SafeFile::readRegular(filePath, ProfileString::kMaxFileBytes, ok);
}

} // namespace

namespace ProfileString {

QByteArray readFromBytes(const QByteArray &file, const QByteArray &section, const QByteArray &key,
                         const QByteArray &defaultValue)
{
    const QByteArrayView wantedSection = trimmed(beforeNul(section));
    const QByteArrayView wantedKey = trimmed(beforeNul(key));
    if (!wantedSection.isEmpty() && !wantedKey.isEmpty()) {
        const QList<Line> lines = parseLines(file);
        const Location where = locate(lines, wantedSection, wantedKey);
        if (where.keyLine >= 0)
            return beforeNul(withoutQuotes(lines.at(where.keyLine).value)).toByteArray();
    }
    // The Windows call drops trailing blanks of the default.
    QByteArrayView fallback = beforeNul(defaultValue);
    while (!fallback.isEmpty() && fallback.back() == ' ')
        fallback.chop(1);
    return fallback.toByteArray();
}

QByteArray writeToBytes(const QByteArray &file, const QByteArray &section, const QByteArray &key,
                        const QByteArray &value)
{
    const QByteArray sectionName = oneLine(trimmed(section));
    const QByteArray keyName = oneLine(trimmed(key));
    const QByteArray valueText = oneLine(value);
    if (sectionName.isEmpty() || keyName.isEmpty())
        return file;

    const QList<Line> lines = parseLines(file);
    const Location where = locate(lines, sectionName, keyName);

    if (where.keyLine >= 0) {
        // Replace in place, keeping the key's own spelling, indentation and line ending.
        const Line &line = lines.at(where.keyLine);
        const QByteArrayView text(file.constData() + line.begin, line.end - line.begin);
        const qsizetype nameEnd = text.indexOf('=');
        QByteArrayView keepName = text.first(nameEnd);
        while (!keepName.isEmpty() && isBlank(keepName.back()))
            keepName.chop(1);
        QByteArray ending = file.mid(line.end, line.next - line.end);
        if (ending.isEmpty())
            ending = kNewline;
        return file.first(line.begin) + keepName.toByteArray() + '=' + valueText + ending + file.sliced(line.next);
    }

    const QByteArray entry = keyName + '=' + valueText + kNewline;
    if (where.lastSectionLine >= 0) {
        // A new key goes after the section's last line, before the blank lines that part it
        // from the next section.
        // A last line that ends in a lone CR (the file's end) only needs its LF: without it the
        // new key would run on inside that line and be lost.
        const Line &after = lines.at(where.lastSectionLine);
        const bool terminated = after.next > after.end && file.at(after.next - 1) == '\n';
        const QByteArray lineEnd = terminated ? QByteArray() : after.next > after.end ? QByteArrayLiteral("\n") : kNewline;
        return file.first(after.next) + lineEnd + entry + file.sliced(after.next);
    }

    QByteArray out = file;
    if (!out.isEmpty()) {
        if (!out.endsWith('\n'))
            out += kNewline;
        if (lines.last().kind != Line::Blank)
            out += kNewline; // a blank line before a new section, as Windows writes it
    }
    return out + '[' + sectionName + ']' + kNewline + entry;
}

QString read(const QString &section, const QString &key, const QString &defaultValue, const QString &filePath)
{
    bool ok = false;
    const QByteArray file = filePath.isEmpty() ? QByteArray() : readFile(filePath, &ok);
    // Nothing to find and nothing to fall back on: the answer is empty, and the code page's
    // converter (ICU and its data, a megabyte) need not be brought in for it, as on a first start.
    if (file.isEmpty() && defaultValue.isEmpty())
        return QString();
    return CodePage::fromAnsi(
        readFromBytes(file, CodePage::toAnsi(section), CodePage::toAnsi(key), CodePage::toAnsi(defaultValue)));
}

bool write(const QString &section, const QString &key, const QString &value, const QString &filePath)
{
    return write(section, {{key, value}}, filePath);
}

bool write(const QString &section, const QList<QPair<QString, QString>> &keysAndValues, const QString &filePath)
{
    if (filePath.isEmpty())
        return false;
    QByteArray updated;
    switch (SafeFile::kindOf(filePath)) {
    case SafeFile::Kind::Missing:
    case SafeFile::Kind::Link:
        // A link reads as a missing file; the save puts a file of our own in its place.
        break;
    case SafeFile::Kind::Regular: {
        // An existing file we cannot read (or one far too big to be ours) is left alone rather
        // than replaced by these keys.
        bool ok = false;
        updated = readFile(filePath, &ok);
        if (!ok)
            return false;
        break;
    }
    case SafeFile::Kind::Other:
        return false; // a FIFO, device or folder is nobody's login.ini
    }
    const QByteArray sectionBytes = CodePage::toAnsi(section);
    for (const auto &[key, value] : keysAndValues)
        updated = writeToBytes(updated, sectionBytes, CodePage::toAnsi(key), CodePage::toAnsi(value));

    // Temporary file + rename, every write checked: a crash or a full disk leaves the old file as
    // it was, and the file holds an enciphered password, so only its owner may read it.
    return SafeFile::replace(filePath, updated);
}

} // namespace ProfileString
