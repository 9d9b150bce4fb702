#include "SeamRecorder.h"

SeamRecorder::SeamRecorder()
{
    Seams::setMessageHandler([this](const Seams::MessageRequest &request) {
        messages.append(request);
        if (request.buttons == Seams::Buttons::Ok)
            return Seams::Answer::Ok;
        return m_answers.isEmpty() ? Seams::Answer::No : m_answers.takeFirst();
    });
    Seams::setUrlHandler([this](const QString &url) { openedUrls.append(url); });
    Seams::setEndHandler([this] { ++endCount; });
}

SeamRecorder::~SeamRecorder()
{
    Seams::setMessageHandler({});
    Seams::setUrlHandler({});
    Seams::setEndHandler({});
}

QStringList SeamRecorder::messageTexts() const
{
    QStringList texts;
    for (const auto &m : messages)
        texts.append(m.text);
    return texts;
}

void SeamRecorder::clear()
{
    messages.clear();
    openedUrls.clear();
    endCount = 0;
    m_answers.clear();
}
