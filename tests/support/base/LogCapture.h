#pragma once
// What the client writes through Qt's message handler in this process, captured for a test to
// search for secrets; and the end of a child program with all it wrote.
#include <QProcess>
#include <QStringList>

namespace LogCapture {

namespace Detail {
inline QStringList lines;
inline QtMessageHandler previous = nullptr;
inline void capture(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    lines << QString::fromLatin1(context.category ? context.category : "default") + QStringLiteral(": ") + message;
    // Warnings and worse still reach the test's own output.
    if (previous && type != QtDebugMsg && type != QtInfoMsg)
        previous(type, context, message);
}
} // namespace Detail

// Starts capturing every line, debug and info ones too.
inline void start()
{
    Detail::lines.clear();
    if (!Detail::previous)
        Detail::previous = qInstallMessageHandler(Detail::capture);
}

// Stops capturing (harmless when not started) and gives the lines, one per line.
inline QString stop()
{
    if (Detail::previous) {
        qInstallMessageHandler(Detail::previous);
        Detail::previous = nullptr;
    }
    return Detail::lines.join(QLatin1Char('\n'));
}

} // namespace LogCapture

// Ends a child program (asked first, then killed) and gives all it wrote, standard error first.
inline QString endChild(QProcess &child)
{
    child.terminate();
    if (!child.waitForFinished(5000)) {
        child.kill();
        child.waitForFinished(5000);
    }
    return QString::fromUtf8(child.readAllStandardError()) + QString::fromUtf8(child.readAllStandardOutput());
}
