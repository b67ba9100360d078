#pragma once

#include <QObject>
#include <QString>

#include <gtest/gtest.h>

namespace corvane::test {

// The child of `parent` that the form names `name`; a test that looks for one that is not there
// fails, and gets nullptr.
template <typename T>
T* child(const QObject& parent, const char* name)
{
    T* found = parent.findChild<T*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

} // namespace corvane::test
