#pragma once

#include "platform/registry.h"

#include <windows.h>

namespace corvane {

// A key of the system registry. Names and strings cross the API as UTF-16.
class WindowsRegistryKey : public RegistryKey {
public:
    WindowsRegistryKey() = default;
    ~WindowsRegistryKey() override;
    WindowsRegistryKey(const WindowsRegistryKey&) = delete;
    WindowsRegistryKey& operator=(const WindowsRegistryKey&) = delete;

    // root is "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_CLASSES_ROOT" or "HKEY_USERS".
    bool openKey(const std::string& root, const std::string& subKey, bool create) override;
    void closeKey() override;
    bool isOpen() const override { return key_ != nullptr; }

    bool valueExists(const std::string& name) const override;
    std::int32_t readInteger(const std::string& name) const override;
    void writeInteger(const std::string& name, std::int32_t value) override;
    std::string readString(const std::string& name) const override;
    void writeString(const std::string& name, const std::string& value) override;

private:
    HKEY key_ = nullptr;
};

class WindowsRegistry : public Registry {
public:
    std::unique_ptr<RegistryKey> newKey() const override;
};

} // namespace corvane
