#include "ForumCharset.h"

#include "base/CodePage.h"
#include "base/Logging.h"
#include "base/Settings.h"
#include "SitePolicy.h"

#include <QUrl>

namespace {

struct Learned {
    QString forumOrigin; // what it was learned of; another forum host knows nothing yet
    QByteArray charset;
};

Learned &learned()
{
    static Learned value;
    const QString origin = Settings::instance().origin(HostRole::Forum);
    if (value.forumOrigin != origin)
        value = Learned{origin, {}};
    return value;
}

} // namespace

namespace ForumCharset {

QByteArray forForms()
{
    const QByteArray &charset = learned().charset;
    return charset.isEmpty() ? QByteArray(CodePage::kGbk) : charset;
}

bool isDeclared()
{
    return !learned().charset.isEmpty();
}

void noteReply(const QUrl &url, int status, const QByteArray &contentType, const QByteArray &body)
{
    if (status < 200 || status > 299 || !SitePolicy::isForumAddress(url))
        return;
    const CodePage::Declaration declared = CodePage::declaration(body, contentType);
    if (declared.name.isEmpty() && !declared.odd)
        return;
    const std::optional<QByteArray> usable = declared.odd ? std::nullopt : CodePage::usableCharset(declared.name);
    Learned &site = learned();
    if (!usable || usable->startsWith("UTF-16") || usable->startsWith("UTF-32")) {
        // The declared name is the site's text: not written out, only the choice made.
        qCInfo(lcNet, "the forum declares a code page that forms cannot use: forms stay in %s", forForms().constData());
        return;
    }
    if (site.charset != *usable) {
        site.charset = *usable;
        qCInfo(lcNet, "the forum declares the code page %s: typed texts go out in it", usable->constData());
    }
}

void forget()
{
    learned().charset.clear();
}

} // namespace ForumCharset
