#pragma once
// A step of the client's routines run to its end from a test: started as a routine of its own,
// and waited for with the test's event loop, as QTRY_VERIFY waits (QuickTry.h).
#include "QuickTry.h"
#include "base/Routine.h"

#include <QTest>

#include <optional>

namespace TestDetail {
template <typename T>
Routine runInto(Task<T> task, std::optional<T> &result)
{
    result.emplace(co_await std::move(task));
}
inline Routine runInto(Task<> task, bool &done)
{
    co_await std::move(task);
    done = true;
}
} // namespace TestDetail

// The result of task, or nullopt when it did not end within timeoutMs.
template <typename T>
std::optional<T> awaited(Task<T> task, int timeoutMs = 15000)
{
    std::optional<T> result;
    Routine routine = TestDetail::runInto(std::move(task), result);
    (void)QuickTry::waitFor([&] { return result.has_value(); }, timeoutMs);
    return result;
}

// Whether task ended within timeoutMs.
inline bool awaited(Task<> task, int timeoutMs = 15000)
{
    bool done = false;
    Routine routine = TestDetail::runInto(std::move(task), done);
    return done || QuickTry::waitFor([&] { return done; }, timeoutMs);
}
