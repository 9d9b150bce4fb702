#include "ForumCharset.h"

#include "base/CodePage.h"
#include "base/Logging.h"
#include "base/Settings.h"
#include "SitePolicy.h"

#include <QUrl>

ForumCharset::ForumCharset(const Settings &settings)
    : m_settings(settings)
{
}

QByteArray ForumCharset::learned() const
{
    return m_forumOrigin == m_settings.origin(HostRole::Forum) ? m_charset : QByteArray();
}

QByteArray ForumCharset::forForms() const
{
    const QByteArray charset = learned();
    return charset.isEmpty() ? QByteArray(CodePage::kGbk) : charset;
}

bool ForumCharset::isDeclared() const
{
    return !learned().isEmpty();
}

void ForumCharset::noteReply(const QUrl &url, int status, const QByteArray &contentType, const QByteArray &body)
{
    if (status < 200 || status > 299 || !SitePolicy::isForumAddress(m_settings, url))
        return;
    const CodePage::Declaration declared = CodePage::declaration(body, contentType);
    if (declared.name.isEmpty() && !declared.odd)
        return;
    const std::optional<QByteArray> usable = declared.odd ? std::nullopt : CodePage::usableCharset(declared.name);
    if (!usable || usable->startsWith("UTF-16") || usable->startsWith("UTF-32")) {
        // The declared name is the site's text: not written out, only the choice made.
        qCInfo(lcNet, "the forum declares a code page that forms cannot use: forms stay in %s", forForms().constData());
        return;
    }
    if (learned() != *usable) {
        m_forumOrigin = m_settings.origin(HostRole::Forum);
        m_charset = *usable;
        qCInfo(lcNet, "the forum declares the code page %s: typed texts go out in it", usable->constData());
    }
}

void ForumCharset::forget()
{
    m_charset.clear();
}
