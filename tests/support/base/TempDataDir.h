#pragma once
// A temporary program folder for one test: Settings point at it, shared state starts fresh, and
// the previous settings come back afterwards.
#include "base/Settings.h"
#include "base/State.h"
#include "TestSession.h"

#include <QTemporaryDir>

class TempDataDir
{
public:
    TempDataDir()
    {
        testSession().settings().setDataDir(m_dir.path());
        resetMemberState();
    }
    ~TempDataDir() { testSession().settings().setDataDir({}); }
    TempDataDir(const TempDataDir &) = delete;
    TempDataDir &operator=(const TempDataDir &) = delete;

    [[nodiscard]] QString path() const { return m_dir.path(); }
    [[nodiscard]] QString file(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};
