#include "Seams.h"

#include <QTextStream>
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

Answer messageBox(const QString &text, Icon icon, Buttons buttons)
{
    MessageRequest request{text, icon, buttons, kTitle};
    if (messageHandler())
        return messageHandler()(request);
    QTextStream(stderr) << request.title << ": " << text << Qt::endl;
    return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
}

void openUrl(const QString &url)
{
    if (urlHandler())
        urlHandler()(url);
    else
        QTextStream(stderr) << "open: " << url << Qt::endl;
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
