#pragma once

#include <QTest>

#include <functional>

namespace corvane::test {

// Runs the event loop until the condition holds or the time is up; returns the condition.
// Qt's own wait, without its QTRY_* macros: their failures land in QTest's result, which gtest
// never sees.
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 20000)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

} // namespace corvane::test
