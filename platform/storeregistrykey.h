#pragma once

#include "platform/registry.h"
#include "platform/registryvalue.h"

#include <system_error>

namespace corvane {

class RegistryStore;

// A key of the store file: the hive is read when the key opens and every write saves it whole.
class StoreRegistryKey : public RegistryKey {
public:
    explicit StoreRegistryKey(const RegistryStore& store);
    ~StoreRegistryKey() override;
    StoreRegistryKey(const StoreRegistryKey&) = delete;
    StoreRegistryKey& operator=(const StoreRegistryKey&) = delete;

    bool openKey(const std::string& root, const std::string& subKey, bool create) override;
    void closeKey() override;
    bool isOpen() const override { return open_; }

    bool valueExists(const std::string& name) const override;
    std::int32_t readInteger(const std::string& name) const override;
    void writeInteger(const std::string& name, std::int32_t value) override;
    std::string readString(const std::string& name) const override;
    void writeString(const std::string& name, const std::string& value) override;

private:
    const RegistryValue* find(const std::string& name) const;
    void writeValue(const std::string& name, std::uint32_t type, std::string data);

    const RegistryStore& store_;
    RegistryHive hive_;
    std::string keyPath_;
    bool open_ = false;
    std::error_code failure_; // why the key could not be created, for the first write's error
};

} // namespace corvane
