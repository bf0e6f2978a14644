/*
 * The program's two settings stores: the machine-wide store (every user of the computer; most
 * options, the database connection, logging, printing) and the per-user profile (display
 * preferences, recent directories, remembered warnings). Failures are silent everywhere: a read
 * that fails gives the default, a write that fails is lost. The getters write a missing value's
 * default back, so every key shows up in the store after its first use.
 *
 * Each call opens, uses and closes its key; nothing is cached, so any thread may call.
 */
#ifndef TALLYVOL_APP_BASE_SETTINGS_H
#define TALLYVOL_APP_BASE_SETTINGS_H

#include "app/base/SettingKeys.h"

#include <cstdint>
#include <string>
#include <vector>

namespace app {

// ---- Machine-wide store, sub-key "Settings" ----
int GetMachineInt(const std::string& key, int defaultValue);
std::string GetMachineString(const std::string& key, const std::string& defaultValue);
int ReadMachineInt(const std::string& key, int defaultValue); // no write-back
void SetMachineInt(const std::string& key, int value);
void SetMachineString(const std::string& value, const std::string& key); // note: value first

// ---- Machine-wide store, directly under the program's key ----
int GetMachineRootInt(const std::string& key, int defaultValue);
std::string GetMachineRootString(const std::string& key, const std::string& defaultValue);
int ReadMachineRootInt(const std::string& key, int defaultValue);
void SetMachineRootInt(const std::string& key, int value);
void SetMachineRootString(const std::string& key, const std::string& value);

// The registry path of the program's machine key (the brand's GlobalRegKey) and sub-keys.
std::string MachineKeyPath(const std::string& subKey = {});

// ---- Per-user profile ----
int GetProfileIntEx(const std::string& section, const std::string& key, int defaultValue);
std::string GetProfileStringEx(const std::string& key, const std::string& defaultValue);
// The profile writes of the application framework.
void WriteProfileInt(const std::string& section, const std::string& key, int value);
void WriteProfileString(const std::string& section, const std::string& key, const std::string& value);
// Several strings of one section in one write of the store.
void WriteProfileStrings(const std::string& section,
                         const std::vector<std::pair<std::string, std::string>>& values);
// The registry path of a profile section: Software\Fennick\TALLYVOL\<section>.
std::string ProfileKeyPath(const std::string& section);

// ---- Settings by descriptor (SettingKeys.h): the one place defaults come from ----
int GetSetting(const IntSetting& setting);
std::string GetSetting(const StringSetting& setting);
std::string DefaultOf(const StringSetting& setting);
void SetSetting(const IntSetting& setting, int value);
void SetSetting(const StringSetting& setting, const std::string& value);

// ---- The window font: a 92-byte font record (Windows LOGFONTW layout) ----
inline constexpr std::size_t kFontRecordSize = 92;
std::vector<std::uint8_t> DefaultFontRecord();
// The stored record; a missing record or one of the wrong type or size is replaced by the
// default record, which is then read again.
std::vector<std::uint8_t> GetFontRecord();
void SetFontRecord(const std::vector<std::uint8_t>& record);

// One-time copy of the old per-user settings into the machine store.
void MigrateRegistry();
// True when `name` (compared without case) is one of the machine settings the migration copies
// from the old per-user store: such settings belong in the machine store.
bool IsMigratedMachineSetting(const std::string& name);

} // namespace app

#endif
