#pragma once
// Takes over the program's seams for one test: records every message box, browser address and
// program end, and answers boxes from a queue (Ok / No when the queue is empty).
#include "base/Seams.h"

#include <QList>
#include <QString>
#include <QStringList>

class SeamRecorder
{
public:
    SeamRecorder();
    ~SeamRecorder();
    SeamRecorder(const SeamRecorder &) = delete;
    SeamRecorder &operator=(const SeamRecorder &) = delete;

    // Answers for the next Yes/No boxes, in order.
    void queueAnswer(Seams::Answer answer) { m_answers.append(answer); }

    QList<Seams::MessageRequest> messages;
    QStringList openedUrls;
    int endCount = 0;

    [[nodiscard]] QStringList messageTexts() const;
    [[nodiscard]] QString lastMessage() const { return messages.isEmpty() ? QString() : messages.last().text; }
    void clear();

private:
    QList<Seams::Answer> m_answers;
};
