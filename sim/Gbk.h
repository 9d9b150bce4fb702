#pragma once
// The forum's code page. The simulator has its own conversion, not the client's, so that a fault in
// the client's encoding is not mirrored by the forum it is tested against.
#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

namespace Gbk {

// GBK where ICU has it, else GB18030, which agrees with it on every GBK sequence.
inline const char *codecName()
{
    static const char *name = QStringDecoder("GBK").isValid() ? "GBK" : "GB18030";
    return name;
}

inline QByteArray encode(const QString &text)
{
    QStringEncoder encoder(codecName(), QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

inline QString decode(const QByteArray &bytes)
{
    QStringDecoder decoder(codecName(), QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

} // namespace Gbk
