#include "platform/registry/RegKey.h"

#include <unistd.h>

namespace platform::registry {

std::optional<RegKey> RegKey::Open(Root root, const std::string& path) {
    HiveData hive = ReadHive(root);
    if (hive.FindKey(path) == nullptr) {
        return std::nullopt;
    }
    return RegKey(root, path);
}

std::optional<RegKey> RegKey::Create(Root root, const std::string& path, bool* created) {
    // Opening for writing fails without the right to write, even when the key exists.
    std::string file = HiveFilePath(root);
    if (::access(file.c_str(), F_OK) == 0 && ::access(file.c_str(), W_OK) != 0) {
        return std::nullopt;
    }
    HiveData hive = ReadHive(root);
    if (hive.FindKey(path) != nullptr) {
        if (created) *created = false;
        return RegKey(root, path);
    }
    bool wasCreated = false;
    bool stored = ModifyHive(root, [&](HiveData& data) {
        data.CreateKey(path, &wasCreated);
        return wasCreated;
    });
    if (!stored) {
        return std::nullopt;
    }
    if (created) *created = wasCreated;
    return RegKey(root, path);
}

bool RegKey::DeleteTree(Root root, const std::string& path) {
    bool removed = false;
    bool stored = ModifyHive(root, [&](HiveData& data) {
        removed = data.DeleteKeyTree(path);
        return removed;
    });
    return stored && removed;
}

bool RegKey::QueryValue(const std::string& name, std::uint32_t* type,
                        std::vector<std::uint8_t>* data) const {
    HiveData hive = ReadHive(m_root);
    const Key* key = hive.FindKey(m_path);
    const Value* value = key != nullptr ? key->FindValue(name) : nullptr;
    if (value == nullptr) {
        return false;
    }
    if (type) *type = value->type;
    if (data) *data = value->data;
    return true;
}

bool RegKey::QueryDword(const std::string& name, std::uint32_t* value) const {
    std::uint32_t type = REG_NONE;
    std::vector<std::uint8_t> data;
    if (!QueryValue(name, &type, &data) || type != REG_DWORD || data.size() != 4) {
        return false;
    }
    *value = data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
    return true;
}

bool RegKey::QueryString(const std::string& name, std::string* value) const {
    std::uint32_t type = REG_NONE;
    std::vector<std::uint8_t> data;
    if (!QueryValue(name, &type, &data) || type != REG_SZ) {
        return false;
    }
    value->assign(data.begin(), data.end());
    return true;
}

bool RegKey::SetValue(const std::string& name, std::uint32_t type,
                      const std::vector<std::uint8_t>& data) const {
    return ModifyHive(m_root, [&](HiveData& hive) {
        Key& key = hive.CreateKey(m_path);
        if (Value* existing = key.FindValue(name)) {
            existing->type = type;
            existing->data = data;
        } else {
            key.values.push_back(Value{name, type, data});
        }
        return true;
    });
}

bool RegKey::SetDword(const std::string& name, std::uint32_t value) const {
    return SetValue(name, REG_DWORD,
                    {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                     static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

bool RegKey::SetString(const std::string& name, const std::string& value) const {
    return SetValue(name, REG_SZ, std::vector<std::uint8_t>(value.begin(), value.end()));
}

bool RegKey::DeleteValue(const std::string& name) const {
    bool removed = false;
    bool stored = ModifyHive(m_root, [&](HiveData& hive) {
        Key* key = hive.FindKey(m_path);
        if (key == nullptr) return false;
        for (auto it = key->values.begin(); it != key->values.end(); ++it) {
            if (EqualsIgnoreCase(it->name, name)) {
                key->values.erase(it);
                removed = true;
                return true;
            }
        }
        return false;
    });
    return stored && removed;
}

bool RegKey::EnumValue(std::size_t index, Value* value) const {
    std::vector<Value> all = Values();
    if (index >= all.size()) {
        return false;
    }
    *value = all[index];
    return true;
}

std::vector<Value> RegKey::Values() const {
    HiveData hive = ReadHive(m_root);
    const Key* key = hive.FindKey(m_path);
    return key != nullptr ? key->values : std::vector<Value>{};
}

} // namespace platform::registry
