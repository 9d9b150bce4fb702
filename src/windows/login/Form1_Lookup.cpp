// The account lookup when the account box is left, and the avatar.
#include "Form1.h"

#include "base/Numeric.h"
#include "base/Settings.h"
#include "base/State.h"
#include "net/ForumCharset.h"
#include "net/Inet.h"
#include "pictures/AvatarProbe.h"
#include "rules/AvatarPath.h"
#include "session/MemberSession.h"
#include "session/QuorvelModule.h"
#include "session/SiteSession.h"

#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>

namespace {

const QString kStatusUnknownAccount = QStringLiteral("您输入的用户名不存在,请检查..");

} // namespace

void Form1::Text1_LostFocus()
{
    // The window stays live while the lookup waits: a click on the login button made meanwhile
    // waits for its verdict (Command1_Click), and what the member types goes to its box.
    m_lookup = lookUpAccount();
}

Routine Form1::lookUpAccount()
{
    co_await lookUpEntry();
    // A sign-in held for the lookup goes ahead only when the box still holds the entry the member
    // asked to sign in with (a rejected one has been emptied). A newer lookup ends this one: the
    // held sign-in then waits for that one's verdict.
    if (!m_signInAfterLookup)
        co_return;
    m_signInAfterLookup = false;
    if (!LoginRequest::typedAccount(Text1->text()).isEmpty())
        QTimer::singleShot(0, this, [this] { Command1_Click(); });
}

Task<> Form1::lookUpEntry()
{
    lookupSlots.clear();
    // The prompt is no entry: it is looked up as the empty box it stands for.
    const QString entry = LoginRequest::typedAccount(Text1->text());
    bool failed = false;

    if (Numeric::isNumeric(entry)) {
        // A UID: the avatar at once, then the member's name from the profile page.
        m_session.login().AvatarUid = entry;
        co_await txcx();
        const QString page
            = co_await QuorvelModule::HttpGetPageText(m_session.site(), ProfileLookup::uidProfileUrl(m_session.settings().origin(HostRole::Home), entry));
        lookupSlots.uid[0] = page;
        // Any titled page keeps the UID (the forum's notices too, private profiles' "sign in to
        // view" among them); only a profile's title gives the name.
        if (!page.isEmpty())
            failed = !ProfileLookup::readUidPage(lookupSlots.uid);
    } else {
        // A user name: the UID from the profile page, then its avatar. A server's error page is no
        // answer, not word that the name is unknown.
        const QString page = co_await fetchNamePage(entry);
        lookupSlots.name[0] = page;
        const ProfileLookup::Notice notice = ProfileLookup::readNotice(page);
        if (notice == ProfileLookup::Notice::NoSuchMember) {
            failed = true;
        } else if (notice == ProfileLookup::Notice::SignInToView) {
            // The member exists but the page does not say the UID: the default avatar.
            m_session.login().AvatarUid.clear();
            co_await txcx();
        } else if (!page.isEmpty()) {
            failed = !ProfileLookup::readNamePage(lookupSlots.name);
            if (!failed) {
                m_session.login().AvatarUid = lookupSlots.name[2];
                co_await txcx();
            }
        }
    }

    if (!failed) {
        if (Text1->text().isEmpty())
            Text1->setText(kAccountPrompt);
        co_return;
    }
    // The entry names nobody. What the member typed since the lookup began is left alone.
    if (!Text1->text().isEmpty() && Text1->text() == entry) {
        Text1->clear();
        Text1->setFocus();
        setStatus(kStatusUnknownAccount);
    }
}

Task<QString> Form1::fetchNamePage(QString name)
{
    // The forum compares the name as the bytes it gets: they go in its code page, GBK before any
    // page of it declared one (the older site). Where this first answer declares another, the
    // name goes once more in that one; after it the code page is known, so once in a run at most.
    const bool declared = m_session.network().charset().isDeclared();
    const QByteArray sentIn = m_session.network().charset().forForms();
    const bool ascii = std::all_of(name.cbegin(), name.cend(), [](QChar c) { return c.unicode() < 0x80; });
    for (int round = 0;; ++round) {
        if (const QString unsendable = m_session.site().unsendable({name}); !unsendable.isEmpty()) {
            setStatus(unsendable);
            co_return QString(); // nothing asked, nothing learned: the entry stays
        }
        const QString page = co_await QuorvelModule::HttpGetPageText(m_session.site(), 
            ProfileLookup::nameProfileUrl(m_session.settings().origin(HostRole::Home), name, m_session.network().charset().forForms()));
        if (round == 1 || declared || ascii || m_session.network().charset().forForms() == sentIn)
            co_return page;
    }
}

Task<> Form1::txcx()
{
    const QString address = AvatarPath::avatarUrl(m_session.settings().origin(HostRole::Forum), m_session.login().AvatarUid);
    QPixmap picture;
    if (!address.isEmpty()) {
        // The probe fetches the address; what it found there is the picture, if it is one.
        (void)co_await Inet2->OpenURL(address);
        picture = QPixmap::fromImage(AvatarPath::avatarFromProbe(Inet2->lastStatus(), Inet2->lastBody()));
    }
    Image1->setPixmap(picture.isNull() ? defaultAvatar() : picture);
}
