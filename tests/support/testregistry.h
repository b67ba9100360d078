#pragma once

#include "platform/registry.h"

#include <cstdint>
#include <memory>
#include <string>

namespace corvane::test {

// A registry of the platform's own kind that only this test sees: here a store file in a
// temporary folder; on Windows the system registry with HKEY_LOCAL_MACHINE redirected to a
// scratch key for this process, removed afterwards.
class TestRegistry {
public:
    TestRegistry();
    ~TestRegistry();
    TestRegistry(const TestRegistry&) = delete;
    TestRegistry& operator=(const TestRegistry&) = delete;

    const Registry& registry() const;
    // Stores a value of any type under HKEY_LOCAL_MACHINE\subKey. Text types take UTF-8 text
    // (stored with a terminating NUL), the others their bytes as they are.
    void seed(const std::string& subKey, const std::string& name, std::uint32_t type,
              const std::string& data) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace corvane::test
