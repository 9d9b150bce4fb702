#include "Form4.h"
#include "ui/InputHold.h"

#include "base/Seams.h"
#include "base/Settings.h"
#include "net/ForumCharset.h"
#include "net/XmlHttp.h"
#include "rules/LostPasswordReply.h"
#include "session/MemberSession.h"
#include "session/SiteSession.h"

#include <QClipboard>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The window carries no icon: an empty, transparent one keeps the application's icon off it.
QIcon noIcon()
{
    QPixmap blank(16, 16);
    blank.fill(Qt::transparent);
    return QIcon(blank);
}

} // namespace

Form4::Form4(MemberSession &session, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_session(session)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("找回密码"));
    setWindowIcon(noIcon());

    Label1 = new QLabel(QStringLiteral("您的用户名："), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Label2 = new QLabel(QStringLiteral("您的E-mail："), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Text2 = new QLineEdit(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Command1 = new QPushButton(QStringLiteral("找回密码"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    // Enter in either box sends the request, as the only action of the window.
    Command1->setDefault(true);
    Label1->setBuddy(Text1);
    Label2->setBuddy(Text2);

    auto *fields = new QGridLayout;
    fields->setHorizontalSpacing(8);
    fields->setVerticalSpacing(10);
    fields->addWidget(Label1, 0, 0, Qt::AlignRight | Qt::AlignVCenter);
    fields->addWidget(Text1, 0, 1);
    fields->addWidget(Label2, 1, 0, Qt::AlignRight | Qt::AlignVCenter);
    fields->addWidget(Text2, 1, 1);
    fields->setColumnStretch(1, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command1);
    buttons->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 16);
    layout->setSpacing(14);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    Text1->setMinimumWidth(180);
    Command1->setMinimumWidth(96);
    setFixedSize(sizeHint());

    connect(Command1, &QPushButton::clicked, this, &Form4::Command1_Click);
}

Form4::~Form4() = default;

void Form4::showModal(MemberSession &session, QWidget *parent)
{
    // On the heap, gone once closed: the parent deletes its children, so a stack object could be
    // deleted twice. Modal to the window that opened it.
    auto *window = new Form4(session, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    window->open();
}

void Form4::Command1_Click()
{
    using namespace LostPasswordReply;
    if (Text1->text().isEmpty()) {
        Seams::tell(this, kMessageEmptyUserName, Seams::Icon::Information);
        return;
    }
    if (Text2->text().isEmpty()) {
        Seams::tell(this, kMessageEmptyEmail, Seams::Icon::Information);
        return;
    }
    m_request = request();
}

Routine Form4::request()
{
    using namespace LostPasswordReply;
    Command1->setEnabled(false);
    {
        XmlHttp request(m_session.network());
        // The guest token of this session (a page read before gave it, or the login form does
        // now); a refused token leaves the request undone, so it goes once more with a fresh one.
        const auto body = [this] {
            return requestBody(m_session.site().tokenOr(QString::fromLatin1(kFormHash)), Text1->text(), Text2->text(),
                               m_session.network().charset().forForms());
        };
        // A form post: the window takes no input until the forum has answered.
        const QStringList typed{Text1->text(), Text2->text()};
        std::optional<InputHold> hold(std::in_place, this);
        const SiteSession::TokenPost posted
            = co_await m_session.site().postWithToken(request, requestUrl(m_session.settings().origin(HostRole::Forum)), body, typed,
                                                  &SiteSession::fetchLoginForm);
        hold.reset();
        if (posted.outcome != SiteSession::TokenPost::Outcome::Sent) {
            const QString message = posted.outcome == SiteSession::TokenPost::Outcome::Unsendable
                ? posted.message
                : SiteSession::fetchMessage(posted.fetched);
            co_await Seams::ask(this, message, Seams::Icon::Information);
            Command1->setEnabled(true);
            co_return;
        }

        Outcome result = outcome(request.failed(), request.status(), request.responseText());
        if (m_session.site().isTokenRefusal(request.status(), request.responseText()))
            result.text = FormToken::kMessageRefused;
        m_replyText = result.copyReply ? request.responseText() : QString();
        m_messageText = result.text;
        if (result.copyReply) {
            QClipboard *clipboard = QGuiApplication::clipboard();
            clipboard->clear();
            clipboard->setText(m_replyText);
        }
        co_await Seams::ask(this, result.text, result.icon);
    }
    Command1->setEnabled(true);
}
