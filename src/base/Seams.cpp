#include "Seams.h"

#include "Logging.h"

#include <QTextStream>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

namespace {

Seams::MessageHandler &messageHandler()
{
    static Seams::MessageHandler handler;
    return handler;
}

Seams::BoxOpener &boxOpener()
{
    static Seams::BoxOpener opener;
    return opener;
}

// The answer a box gets where none is opened: the handler's, or the box printed and answered OK / No.
Seams::Answer answerAtOnce(const Seams::MessageRequest &request)
{
    if (messageHandler())
        return messageHandler()(request);
    QTextStream(stderr) << request.title << ": " << request.text << Qt::endl;
    return request.buttons == Seams::Buttons::YesNo ? Seams::Answer::No : Seams::Answer::Ok;
}

Seams::UrlHandler &urlHandler()
{
    static Seams::UrlHandler handler;
    return handler;
}

Seams::EndHandler &endHandler()
{
    static Seams::EndHandler handler;
    return handler;
}

} // namespace

namespace Seams {

QString readable(const QString &text, qsizetype maxChars)
{
    if (maxChars < 1 || text.size() <= maxChars)
        return text;
    qsizetype keep = maxChars - 1;
    if (keep > 0 && text.at(keep - 1).isHighSurrogate())
        --keep;
    return text.left(keep) + QChar(0x2026);
}

Asking::Asking(QObject *window, MessageRequest request)
    : m_window(window), m_request(std::move(request))
{
    m_request.text = readable(m_request.text, kMaxBoxChars);
}

Asking::~Asking()
{
    if (m_box)
        Wait::DeleteLater()(m_box); // it may be inside its own finished()
}

bool Asking::answeredAtOnce()
{
    if (messageHandler() || !boxOpener()) {
        m_answer = answerAtOnce(m_request);
        return true;
    }
    return false;
}

void Asking::open()
{
    m_box = boxOpener()(m_request, m_window, [this](Answer answer) {
        m_answer = answer;
        m_step.resume();
    });
}

Asking ask(QObject *window, const QString &text, Icon icon, Buttons buttons)
{
    return Asking(window, MessageRequest{text, icon, buttons, kTitle});
}

void tell(QObject *window, const QString &text, Icon icon)
{
    const MessageRequest request{readable(text, kMaxBoxChars), icon, Buttons::Ok, kTitle};
    if (messageHandler() || !boxOpener())
        (void)answerAtOnce(request);
    else
        boxOpener()(request, window, {});
}

void openUrl(const QString &url)
{
    if (urlHandler())
        urlHandler()(url);
    else
        QTextStream(stderr) << "open: " << Logging::safeAddress(QUrl(url)) << Qt::endl;
}

void endProgram()
{
    if (endHandler()) {
        endHandler()();
        return;
    }
    // "End" of the program: at once, without running further event handlers.
    std::fflush(nullptr);
    std::_Exit(0);
}

void setMessageHandler(MessageHandler handler)
{
    messageHandler() = std::move(handler);
}

void setBoxOpener(BoxOpener opener)
{
    boxOpener() = std::move(opener);
}

void setUrlHandler(UrlHandler handler)
{
    urlHandler() = std::move(handler);
}

void setEndHandler(EndHandler handler)
{
    endHandler() = std::move(handler);
}

} // namespace Seams
