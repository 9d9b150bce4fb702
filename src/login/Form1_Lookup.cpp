// The account lookup when the account box is left, and the avatar.
#include "Form1.h"

#include "app/Numeric.h"
#include "app/QuorvelModule.h"
#include "app/State.h"
#include "login/AvatarPath.h"
#include "net/Inet.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace {

const QString kStatusUnknownAccount = QStringLiteral("您输入的用户名不存在,请检查..");

} // namespace

void Form1::Text1_LostFocus()
{
    // The focus left with a mouse press elsewhere, the login button most often: the press has to
    // finish first, or the lookup's wait would swallow the release and the click would be lost.
    if (QGuiApplication::mouseButtons() != Qt::NoButton) {
        QTimer::singleShot(0, this, [this] { lookUpAccount(); });
        return;
    }
    lookUpAccount();
}

void Form1::lookUpAccount()
{
    const quint64 lookup = ++m_lookupSerial;
    const QPointer<Form1> alive(this);
    // The page fetches run events: the window may close, or the member may come back and leave
    // the box again, which starts a newer lookup that then owns the box.
    const auto overtaken = [&] { return !alive || lookup != m_lookupSerial; };

    lookupSlots.clear();
    const QString entry = Text1->text();
    bool failed = false;

    if (Numeric::isNumeric(entry)) {
        // A UID: the avatar at once, then the member's name from the profile page.
        loginState().AvatarUid = entry;
        txcx();
        if (overtaken())
            return;
        const QString page = QuorvelModule::HttpGetPageText(ProfileLookup::uidProfileUrl(entry));
        if (overtaken())
            return;
        lookupSlots.uid[0] = page;
        // Any titled page keeps the UID (the forum's notices too, private profiles' "sign in to
        // view" among them); only a profile's title gives the name.
        if (!page.isEmpty())
            failed = !ProfileLookup::readUidPage(lookupSlots.uid);
    } else {
        // A user name: the UID from the profile page, then its avatar. A server's error page is no
        // answer, not word that the name is unknown.
        const QString page = QuorvelModule::HttpGetPageText(ProfileLookup::nameProfileUrl(entry));
        if (overtaken())
            return;
        lookupSlots.name[0] = page;
        const ProfileLookup::Notice notice = ProfileLookup::readNotice(page);
        if (notice == ProfileLookup::Notice::NoSuchMember) {
            failed = true;
        } else if (notice == ProfileLookup::Notice::SignInToView) {
            // The member exists but the page does not say the UID: the default avatar.
            loginState().AvatarUid.clear();
            txcx();
            if (overtaken())
                return;
        } else if (!page.isEmpty()) {
            failed = !ProfileLookup::readNamePage(lookupSlots.name);
            if (!failed) {
                loginState().AvatarUid = lookupSlots.name[2];
                txcx();
                if (overtaken())
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

void Form1::txcx()
{
    const QString address = AvatarPath::avatarUrl(loginState().AvatarUid);
    QPixmap picture;
    if (!address.isEmpty()) {
        const QPointer<Form1> alive(this);
        // The probe fetches the address; what it found there is the picture, if it is one.
        Inet2->OpenURL(address);
        if (!alive)
            return;
        picture = QPixmap::fromImage(AvatarPath::avatarFromProbe(Inet2->lastStatus(), Inet2->lastBody()));
    }
    Image1->setPixmap(picture.isNull() ? defaultAvatar() : picture);
}
