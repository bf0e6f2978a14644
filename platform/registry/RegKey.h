/*
 * A registry key handle in the manner of the Win32 calls (RegOpenKeyEx, RegCreateKeyEx,
 * RegQueryValueEx, RegSetValueEx, RegEnumValue, RegDeleteValue, RegDeleteKey) over the hive
 * files of Hive.h. A handle names a key; it holds no file open, and every call goes to the file,
 * so a handle stays valid while other processes change the hive.
 */
#ifndef TALLYVOL_PLATFORM_REGISTRY_REGKEY_H
#define TALLYVOL_PLATFORM_REGISTRY_REGKEY_H

#include "platform/registry/Hive.h"

#include <optional>
#include <string>
#include <vector>

namespace platform::registry {

class RegKey {
public:
    // Opens an existing key; nothing when it does not exist.
    static std::optional<RegKey> Open(Root root, const std::string& path);
    // Opens the key, creating it (and its ancestors) when missing; nothing when the hive cannot
    // be written and the key does not exist. `created` tells whether the key had to be created.
    static std::optional<RegKey> Create(Root root, const std::string& path, bool* created = nullptr);
    // Deletes the key and everything below it.
    static bool DeleteTree(Root root, const std::string& path);

    // Reads a value; false when the key or the value is missing.
    bool QueryValue(const std::string& name, std::uint32_t* type, std::vector<std::uint8_t>* data) const;
    bool QueryDword(const std::string& name, std::uint32_t* value) const;
    bool QueryString(const std::string& name, std::string* value) const;

    bool SetValue(const std::string& name, std::uint32_t type, const std::vector<std::uint8_t>& data) const;
    bool SetDword(const std::string& name, std::uint32_t value) const;
    bool SetString(const std::string& name, const std::string& value) const;
    bool DeleteValue(const std::string& name) const;

    // The index-th value of the key in stored order; false past the last one.
    bool EnumValue(std::size_t index, Value* value) const;
    // All values at once (one read of the hive).
    std::vector<Value> Values() const;

    Root GetRoot() const { return m_root; }
    const std::string& Path() const { return m_path; }

private:
    RegKey(Root root, std::string path) : m_root(root), m_path(std::move(path)) {}

    Root m_root;
    std::string m_path;
};

} // namespace platform::registry

#endif
