#include "platform/registry_win.h"

#include "platform/widetext_win.h"

#include <cstring>

namespace corvane {
namespace {

HKEY rootNamed(const std::string& root)
{
    const struct {
        const char* name;
        HKEY key;
    } roots[] = {
        {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {"HKEY_USERS", HKEY_USERS},
    };
    for (const auto& r : roots)
        if (root == r.name)
            return r.key;
    return nullptr;
}

bool isTextType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

} // namespace

WindowsRegistryKey::~WindowsRegistryKey()
{
    closeKey();
}

bool WindowsRegistryKey::openKey(const std::string& root, const std::string& subKey, bool create)
{
    closeKey();
    const HKEY parent = rootNamed(root);
    if (!parent)
        return false;
    const std::wstring name = toWide(subKey);
    HKEY key = nullptr;
    const LONG result = create ? ::RegCreateKeyExW(parent, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                   KEY_ALL_ACCESS, nullptr, &key, nullptr)
                               : ::RegOpenKeyExW(parent, name.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (result != ERROR_SUCCESS)
        return false;
    key_ = key;
    return true;
}

void WindowsRegistryKey::closeKey()
{
    if (key_)
        ::RegCloseKey(key_);
    key_ = nullptr;
}

bool WindowsRegistryKey::valueExists(const std::string& name) const
{
    return key_
           && ::RegQueryValueExW(key_, toWide(name).c_str(), nullptr, nullptr, nullptr, nullptr)
                  == ERROR_SUCCESS;
}

std::int32_t WindowsRegistryKey::readInteger(const std::string& name) const
{
    const std::wstring wideName = toWide(name);
    DWORD type = 0;
    DWORD size = 0;
    if (!key_ || ::RegQueryValueExW(key_, wideName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        throwRegistryGetData(name);
    // The program reads 4 bytes through the ANSI interface, where text takes a byte a character:
    // longer data fails to get before its type is looked at.
    const DWORD ansiSize = isTextType(type) ? size / sizeof(wchar_t) : size;
    if (ansiSize > 4)
        throwRegistryGetData(name);
    if (type != REG_DWORD)
        throwRegistryInvalidType(name);
    DWORD value = 0;
    size = sizeof value;
    if (::RegQueryValueExW(key_, wideName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size)
        != ERROR_SUCCESS)
        throwRegistryGetData(name);
    return static_cast<std::int32_t>(value);
}

std::string WindowsRegistryKey::readString(const std::string& name) const
{
    if (!key_)
        return {};
    const std::wstring wideName = toWide(name);
    for (;;) {
        DWORD type = 0;
        DWORD size = 0;
        if (::RegQueryValueExW(key_, wideName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS
            || size == 0)
            return {};
        // Room for a terminating NUL the stored data may lack.
        std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
        DWORD got = size;
        const LONG result = ::RegQueryValueExW(key_, wideName.c_str(), nullptr, &type,
                                               reinterpret_cast<BYTE*>(data.data()), &got);
        if (result == ERROR_MORE_DATA)
            continue; // it grew in between
        if (result != ERROR_SUCCESS)
            throwRegistryGetData(name);
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            throwRegistryInvalidType(name);
        // The text ends at its first NUL.
        data.resize(std::wcslen(data.c_str()));
        return fromWide(data);
    }
}

void WindowsRegistryKey::writeInteger(const std::string& name, std::int32_t value)
{
    const DWORD data = static_cast<DWORD>(value);
    if (!key_
        || ::RegSetValueExW(key_, toWide(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                            sizeof data)
               != ERROR_SUCCESS)
        throwRegistrySetData(name);
}

void WindowsRegistryKey::writeString(const std::string& name, const std::string& value)
{
    const std::wstring data = toWide(value);
    // Stored with its terminating NUL.
    const DWORD size = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
    if (!key_
        || ::RegSetValueExW(key_, toWide(name).c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(data.c_str()), size)
               != ERROR_SUCCESS)
        throwRegistrySetData(name);
}

std::unique_ptr<RegistryKey> WindowsRegistry::newKey() const
{
    return std::make_unique<WindowsRegistryKey>();
}

std::unique_ptr<Registry> programRegistry()
{
    return std::make_unique<WindowsRegistry>();
}

} // namespace corvane
