#include "SimTypes.h"

#include "FormCodec.h"

QByteArray RecordedRequest::header(const QByteArray &name) const
{
    for (const auto &h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    }
    return {};
}

QString RecordedRequest::formValue(const QByteArray &name) const
{
    return FormCodec::value(FormCodec::decode(body), QString::fromLatin1(name));
}

QString RecordedRequest::queryValue(const QByteArray &name) const
{
    return FormCodec::value(FormCodec::decode(FormCodec::queryOf(pathAndQuery)), QString::fromLatin1(name));
}
