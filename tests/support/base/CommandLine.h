#pragma once
// The client's command line read the way the start routine reads it: Qt's parser with the
// program's options, then the settings filled from what it found.
#include "base/Settings.h"
#include "TestSession.h"

#include <QCommandLineParser>
#include <QStringList>

// False with the parser's message (an unknown option, a missing value: the program stops there
// with Qt's words) or with the settings' own (a bad value).
inline bool applyCommandLine(const QStringList &arguments, QString *errorMessage = nullptr)
{
    QCommandLineParser parser;
    Settings::addOptions(parser);
    if (!parser.parse(arguments)) {
        if (errorMessage)
            *errorMessage = parser.errorText();
        return false;
    }
    return testSession().settings().applyArguments(parser, errorMessage);
}
