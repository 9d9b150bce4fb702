// The profile-string reader and writer over any login.ini bytes. Input: three length bytes, then
// section, key and value of those lengths, the rest is the file. No crash; reading gives no NUL;
// a value written under a plain section and key reads back as written (also in another letter
// case), and writing it again changes nothing.
#include "base/ProfileString.h"
#include "ReaderInput.h"

using ReaderInput::check;

namespace {

// Names made of printable ASCII other than the brackets of a section header and the "=" of a key.
bool isPlainName(const QByteArray &name)
{
    if (name.isEmpty())
        return false;
    for (const char c : name)
        if (c < 0x21 || c > 0x7e || c == '[' || c == ']' || c == '=')
            return false;
    return true;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1a';
}

// Values the file can hold as they are: one line, no NUL, no blanks at either end (they are
// trimmed on reading) and not wrapped in matching quotes (they are taken off on reading).
bool isKeptValue(const QByteArray &value)
{
    if (value.contains('\0') || value.contains('\r') || value.contains('\n'))
        return false;
    if (!value.isEmpty() && (isBlank(value.front()) || isBlank(value.back())))
        return false;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return false;
    return true;
}

QByteArray take(const std::uint8_t *&data, std::size_t &size, std::size_t wanted)
{
    wanted = std::min(wanted, size);
    QByteArray part(reinterpret_cast<const char *>(data), static_cast<qsizetype>(wanted));
    data += wanted;
    size -= wanted;
    return part;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 3)
        return 0;
    const std::size_t sectionLength = data[0] % 24;
    const std::size_t keyLength = data[1] % 24;
    const std::size_t valueLength = data[2] % 64;
    data += 3;
    size -= 3;
    const QByteArray section = take(data, size, sectionLength);
    const QByteArray key = take(data, size, keyLength);
    const QByteArray value = take(data, size, valueLength);
    const QByteArray file = ReaderInput::bytes(data, size);

    const QByteArray read = ProfileString::readFromBytes(file, section, key, QByteArrayLiteral("-"));
    check(!read.contains('\0') && read.size() <= std::max<qsizetype>(file.size(), 1));

    const QByteArray written = ProfileString::writeToBytes(file, section, key, value);
    if (isPlainName(section) && isPlainName(key) && isKeptValue(value)) {
        check(ProfileString::readFromBytes(written, section, key, QByteArrayLiteral("-")) == value);
        check(ProfileString::readFromBytes(written, section.toUpper(), key.toLower(), {}) == value);
        check(ProfileString::writeToBytes(written, section, key, value) == written);
    }
    // Whatever the names, the file grows by no more than one new section and one key line (with the
    // line breaks that end the old last line and part the new section from it).
    check(written.size() <= file.size() + section.size() + key.size() + value.size() + 12);
    return 0;
}
