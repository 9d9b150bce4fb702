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

Answer messageBox(const QString &text, Icon icon, Buttons buttons)
{
    MessageRequest request{readable(text, kMaxBoxChars), icon, buttons, kTitle};
    if (messageHandler())
        return messageHandler()(request);
    QTextStream(stderr) << request.title << ": " << request.text << Qt::endl;
    return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
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

void setUrlHandler(UrlHandler handler)
{
    urlHandler() = std::move(handler);
}

void setEndHandler(EndHandler handler)
{
    endHandler() = std::move(handler);
}

} // namespace Seams
