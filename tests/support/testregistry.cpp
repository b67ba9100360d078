#include "support/testregistry.h"

#include "support/testfiles.h"

#include <stdexcept>

#ifdef _WIN32
#include "platform/registry_win.h"
#include "platform/widetext_win.h"

#include <windows.h>
#include <random>
#else
#include "platform/registrystore.h"
#endif

namespace corvane::test {

#ifdef _WIN32

namespace {

bool isText(std::uint32_t type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

} // namespace

struct TestRegistry::Impl {
    WindowsRegistry registry;
    std::wstring scratchPath;
    HKEY scratch = nullptr;
};

TestRegistry::TestRegistry()
    : impl_(std::make_unique<Impl>())
{
    impl_->scratchPath = L"Software\\Corvane Tests\\" + std::to_wstring(std::random_device{}());
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, impl_->scratchPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                          nullptr, &impl_->scratch, nullptr)
            != ERROR_SUCCESS
        || ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, impl_->scratch) != ERROR_SUCCESS)
        throw std::runtime_error("no scratch registry key");
}

TestRegistry::~TestRegistry()
{
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    ::RegCloseKey(impl_->scratch);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, impl_->scratchPath.c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, impl_->scratchPath.c_str());
}

void TestRegistry::seed(const std::string& subKey, const std::string& name, std::uint32_t type,
                        const std::string& data) const
{
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, toWide(subKey).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &key, nullptr)
        != ERROR_SUCCESS)
        throw std::runtime_error("cannot seed the registry");
    std::string bytes = data;
    if (isText(type)) {
        const std::wstring wide = toWide(data) + L'\0';
        bytes.assign(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
    }
    const LONG result =
        ::RegSetValueExW(key, toWide(name).c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                         static_cast<DWORD>(bytes.size()));
    ::RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        throw std::runtime_error("cannot seed the registry");
}

#else

struct TestRegistry::Impl {
    TempDir dir;
    RegistryStore registry{dir.dir() + "system.reg"};
};

TestRegistry::TestRegistry()
    : impl_(std::make_unique<Impl>())
{
}

TestRegistry::~TestRegistry() = default;

void TestRegistry::seed(const std::string& subKey, const std::string& name, std::uint32_t type,
                        const std::string& data) const
{
    auto hive = impl_->registry.load();
    std::string path = "HKEY_LOCAL_MACHINE\\" + subKey;
    while (path.back() == '\\')
        path.pop_back();
    if (!hive)
        throw std::runtime_error("cannot seed the registry");
    auto& values = hive->addKey(path).values;
    for (auto it = values.begin(); it != values.end(); ++it)
        if (sameRegistryName(it->name, name)) {
            values.erase(it);
            break;
        }
    values.push_back({name, type, data});
    if (const std::error_code error = impl_->registry.save(*hive))
        throw std::runtime_error("cannot seed the registry: " + error.message());
}

#endif

const Registry& TestRegistry::registry() const
{
    return impl_->registry;
}

} // namespace corvane::test
