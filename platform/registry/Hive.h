/*
 * Registry hives as text files. The program keeps its settings in two hives, shaped like the
 * Windows registry keys it was designed around: HKEY_LOCAL_MACHINE (machine-wide, file
 * $TALLYVOL_HOME/machine.reg) and HKEY_CURRENT_USER (per user, file
 * ${XDG_CONFIG_HOME:-~/.config}/tallyvol/user.reg). The file format is the "regedit" export
 * format, so a person can read and edit a hive with any text editor.
 *
 * Every operation re-reads the file, so processes sharing a hive (a scheduled run and the
 * window) always see each other's writes. A change is made under an exclusive flock on a
 * lock file beside the hive: the hive is read again, changed, written to a temporary file and
 * renamed into place, so no concurrent write is lost and a reader never sees half a file.
 * Lines that cannot be parsed are dropped when read; everything that could be parsed survives
 * the next write. Any thread may use these functions.
 */
#ifndef TALLYVOL_PLATFORM_REGISTRY_HIVE_H
#define TALLYVOL_PLATFORM_REGISTRY_HIVE_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform::registry {

enum class Root { LocalMachine, CurrentUser };

// Value types, numbered as their Windows counterparts.
enum ValueType : std::uint32_t {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_BINARY = 3,
    REG_DWORD = 4,
};

struct Value {
    std::string name;
    std::uint32_t type = REG_NONE;
    std::vector<std::uint8_t> data; // REG_SZ: UTF-8 text without terminator; REG_DWORD: 4 bytes LE
};

struct Key {
    std::string path; // below the root, e.g. "software\Tallyvol\Settings"
    std::vector<Value> values;

    Value* FindValue(const std::string& name);
    const Value* FindValue(const std::string& name) const;
};

// The parsed content of one hive file. Key paths and value names compare case-insensitively
// (ASCII), like the registry's; they keep the case they were created with.
class HiveData {
public:
    Key* FindKey(const std::string& path);
    const Key* FindKey(const std::string& path) const;
    // Finds or creates the key and every ancestor; `created` tells whether the key was new.
    Key& CreateKey(const std::string& path, bool* created = nullptr);
    // Removes the key and all keys below it; true when something was removed.
    bool DeleteKeyTree(const std::string& path);
    const std::vector<Key>& Keys() const { return m_keys; }

    static HiveData Parse(const std::string& text, Root root);
    std::string Serialize(Root root) const;

private:
    std::vector<Key> m_keys;
};

// Name of the hive's root as written in section headers ("HKEY_LOCAL_MACHINE").
const char* RootName(Root root);

// Path of the hive file for the root, from the environment (see the file comment).
std::string HiveFilePath(Root root);

// Reads the hive; a missing or unreadable file reads as empty.
HiveData ReadHive(Root root);

// Applies `change` to the current content under the hive's write lock and stores the result
// when `change` returns true. Returns false when the hive could not be written (no directory,
// no write permission, full disk); the file is then left as it was.
bool ModifyHive(Root root, const std::function<bool(HiveData&)>& change);

bool EqualsIgnoreCase(const std::string& a, const std::string& b);

} // namespace platform::registry

#endif
