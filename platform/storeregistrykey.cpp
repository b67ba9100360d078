#include "platform/storeregistrykey.h"

#include "platform/registrystore.h"

namespace corvane {
namespace {

std::string keyPathOf(const std::string& root, const std::string& subKey)
{
    std::string path = root;
    if (!subKey.empty())
        path += '\\' + subKey;
    while (!path.empty() && path.back() == '\\')
        path.pop_back();
    return path;
}

} // namespace

StoreRegistryKey::StoreRegistryKey(const RegistryStore& store)
    : store_(store)
{
}

StoreRegistryKey::~StoreRegistryKey()
{
    closeKey();
}

bool StoreRegistryKey::openKey(const std::string& root, const std::string& subKey, bool create)
{
    closeKey();
    failure_.clear();
    // Opening with create repairs a store that is no registry text; without, nothing is touched.
    auto hive = create ? store_.loadOrSetAside(failure_) : store_.load();
    if (!hive)
        return false;
    const std::string path = keyPathOf(root, subKey);
    if (!hive->findKey(path)) {
        if (!create)
            return false;
        hive->addKey(path);
        failure_ = store_.save(*hive);
        if (failure_)
            return false;
    }
    hive_ = std::move(*hive);
    keyPath_ = path;
    open_ = true;
    return true;
}

void StoreRegistryKey::closeKey()
{
    open_ = false;
    hive_ = {};
    keyPath_.clear();
}

const RegistryValue* StoreRegistryKey::find(const std::string& name) const
{
    if (!open_)
        return nullptr;
    for (const auto& key : hive_.keys)
        if (sameRegistryName(key.path, keyPath_))
            for (const auto& value : key.values)
                if (sameRegistryName(value.name, name))
                    return &value;
    return nullptr;
}

bool StoreRegistryKey::valueExists(const std::string& name) const
{
    return find(name) != nullptr;
}

std::int32_t StoreRegistryKey::readInteger(const std::string& name) const
{
    const RegistryValue* value = find(name);
    // Too much data fails before any type check, as a 4-byte read of the registry does.
    if (!value || value->dataSize() > 4)
        throwRegistryGetData(name);
    if (value->type != kRegDword)
        throwRegistryInvalidType(name);
    return static_cast<std::int32_t>(dwordFromBytes(value->data));
}

std::string StoreRegistryKey::readString(const std::string& name) const
{
    const RegistryValue* value = find(name);
    if (!value || value->dataSize() == 0)
        return {};
    if (value->type != kRegString && value->type != kRegExpandString)
        throwRegistryInvalidType(name);
    // Text ends at its first NUL, as the program has always read it.
    return value->data.substr(0, value->data.find('\0'));
}

void StoreRegistryKey::writeInteger(const std::string& name, std::int32_t value)
{
    writeValue(name, kRegDword, dwordBytes(static_cast<std::uint32_t>(value)));
}

void StoreRegistryKey::writeString(const std::string& name, const std::string& value)
{
    writeValue(name, kRegString, value);
}

void StoreRegistryKey::writeValue(const std::string& name, std::uint32_t type, std::string data)
{
    if (!open_)
        throwRegistrySetData(name, failure_);
    RegistryHive updated = hive_;
    RegistryKeyData* key = updated.findKey(keyPath_);
    if (!key)
        key = &updated.addKey(keyPath_);
    RegistryValue* target = nullptr;
    for (auto& value : key->values)
        if (sameRegistryName(value.name, name))
            target = &value;
    if (!target) {
        key->values.push_back({name, type, {}});
        target = &key->values.back();
    }
    target->type = type;
    target->data = std::move(data);
    if (const std::error_code failure = store_.save(updated))
        throwRegistrySetData(name, failure);
    hive_ = std::move(updated);
}

} // namespace corvane
