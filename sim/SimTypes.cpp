#include "SimTypes.h"

#include "FormCodec.h"
#include "SiteCodePage.h"

QByteArray RecordedRequest::header(const QByteArray &name) const
{
    for (const auto &h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    }
    return {};
}

QByteArray RecordedRequest::formBytes(const QByteArray &name) const
{
    return FormCodec::value(FormCodec::decode(body), name);
}

QByteArray RecordedRequest::queryBytes(const QByteArray &name) const
{
    return FormCodec::value(FormCodec::decode(FormCodec::queryOf(pathAndQuery)), name);
}

QString RecordedRequest::formValue(const QByteArray &name) const
{
    return SiteCodePage::decode(formBytes(name), utf8);
}

QString RecordedRequest::queryValue(const QByteArray &name) const
{
    return SiteCodePage::decode(queryBytes(name), utf8);
}
