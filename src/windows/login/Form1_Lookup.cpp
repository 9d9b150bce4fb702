// The account lookup when the account box is left, and the avatar.
#include "Form1.h"

#include "base/Numeric.h"
#include "base/Settings.h"
#include "base/State.h"
#include "net/ForumCharset.h"
#include "net/Inet.h"
#include "pictures/AvatarProbe.h"
#include "rules/AvatarPath.h"
#include "session/QuorvelModule.h"
#include "session/SiteSession.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTimer>

#include <algorithm>

namespace {

const QString kStatusUnknownAccount = QStringLiteral("您输入的用户名不存在,请检查..");

} // namespace

void Form1::Text1_LostFocus()
{
    // The focus left with a mouse press elsewhere, the login button most often: the press has to
    // finish first, or the lookup's wait would swallow the release and the click would be lost.
    if (QGuiApplication::mouseButtons() != Qt::NoButton) {
        m_lookupPending = true;
        QTimer::singleShot(0, this, [this] {
            if (m_lookupPending) // not already run by a sign-in that could not wait
                lookUpAccount();
        });
        return;
    }
    lookUpAccount();
}

void Form1::lookUpAccount()
{
    m_lookupPending = false;
    const WaitTicket lookup = WaitTicket::begin(this, m_lookupAttempts);
    const WaitTicket window(this);
    ++m_lookupsRunning;
    // Whatever way the lookup ends, a sign-in held for it goes ahead only when the box still holds
    // the entry the member asked to sign in with (a rejected one has been emptied).
    const auto done = qScopeGuard([this, &window, &lookup] {
        if (!window.valid())
            return;
        --m_lookupsRunning;
        if (m_lookupsRunning > 0 || !m_signInAfterLookup || !lookup.valid())
            return;
        m_signInAfterLookup = false;
        if (!LoginRequest::typedAccount(Text1->text()).isEmpty())
            QTimer::singleShot(0, this, [this] { Command1_Click(); });
    });
    // The page fetches run events: the window may close, or the member may come back and leave
    // the box again, which starts a newer lookup that then owns the box.
    const auto fetchPage = [&](const QString &url) {
        return lookup.wait([&url] { return QuorvelModule::HttpGetPageText(url); });
    };

    lookupSlots.clear();
    // The prompt is no entry: it is looked up as the empty box it stands for.
    const QString entry = LoginRequest::typedAccount(Text1->text());
    bool failed = false;

    if (Numeric::isNumeric(entry)) {
        // A UID: the avatar at once, then the member's name from the profile page.
        loginState().AvatarUid = entry;
        if (!lookup.wait([this] { txcx(); }))
            return;
        const std::optional<QString> fetched = fetchPage(ProfileLookup::uidProfileUrl(Settings::instance().origin(HostRole::Home), entry));
        if (!fetched)
            return;
        const QString &page = *fetched;
        lookupSlots.uid[0] = page;
        // Any titled page keeps the UID (the forum's notices too, private profiles' "sign in to
        // view" among them); only a profile's title gives the name.
        if (!page.isEmpty())
            failed = !ProfileLookup::readUidPage(lookupSlots.uid);
    } else {
        // A user name: the UID from the profile page, then its avatar. A server's error page is no
        // answer, not word that the name is unknown.
        const std::optional<QString> fetched = fetchNamePage(lookup, entry);
        if (!fetched)
            return;
        const QString &page = *fetched;
        lookupSlots.name[0] = page;
        const ProfileLookup::Notice notice = ProfileLookup::readNotice(page);
        if (notice == ProfileLookup::Notice::NoSuchMember) {
            failed = true;
        } else if (notice == ProfileLookup::Notice::SignInToView) {
            // The member exists but the page does not say the UID: the default avatar.
            loginState().AvatarUid.clear();
            if (!lookup.wait([this] { txcx(); }))
                return;
        } else if (!page.isEmpty()) {
            failed = !ProfileLookup::readNamePage(lookupSlots.name);
            if (!failed) {
                loginState().AvatarUid = lookupSlots.name[2];
                if (!lookup.wait([this] { txcx(); }))
                    return;
            }
        }
    }

    if (!failed) {
        if (Text1->text().isEmpty())
            Text1->setText(kAccountPrompt);
        return;
    }
    // The entry names nobody. What the member typed since the lookup began is left alone.
    if (!Text1->text().isEmpty() && Text1->text() == entry) {
        Text1->clear();
        Text1->setFocus();
        setStatus(kStatusUnknownAccount);
    }
}

std::optional<QString> Form1::fetchNamePage(const WaitTicket &lookup, const QString &name)
{
    // The forum compares the name as the bytes it gets: they go in its code page, GBK before any
    // page of it declared one (the older site). Where this first answer declares another, the
    // name goes once more in that one; after it the code page is known, so once in a run at most.
    const auto fetch = [&]() -> std::optional<QString> {
        if (const QString unsendable = SiteSession::unsendable({name}); !unsendable.isEmpty()) {
            setStatus(unsendable);
            return QString(); // nothing asked, nothing learned: the entry stays
        }
        const QString url = ProfileLookup::nameProfileUrl(Settings::instance().origin(HostRole::Home), name, ForumCharset::forForms());
        return lookup.wait([&url] { return QuorvelModule::HttpGetPageText(url); });
    };
    const bool declared = ForumCharset::isDeclared();
    const QByteArray sentIn = ForumCharset::forForms();
    const std::optional<QString> page = fetch();
    const bool ascii = std::all_of(name.cbegin(), name.cend(), [](QChar c) { return c.unicode() < 0x80; });
    if (!page || declared || ascii || ForumCharset::forForms() == sentIn)
        return page;
    return fetch();
}

void Form1::txcx()
{
    const QString address = AvatarPath::avatarUrl(Settings::instance().origin(HostRole::Forum), loginState().AvatarUid);
    QPixmap picture;
    if (!address.isEmpty()) {
        const WaitTicket window(this);
        // The probe fetches the address; what it found there is the picture, if it is one.
        if (!window.wait([&] { (void)Inet2->OpenURL(address); }))
            return;
        picture = QPixmap::fromImage(AvatarPath::avatarFromProbe(Inet2->lastStatus(), Inet2->lastBody()));
    }
    Image1->setPixmap(picture.isNull() ? defaultAvatar() : picture);
}
