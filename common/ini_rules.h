#pragma once
// Rules of the settings file that do not depend on how the file is read:
// the defaults for file and section, numbers as booleans, key escaping.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace merovix {

// An empty file or section name selects SettingsFile / SettingsSection.
std::string SettingsFileOr(const std::string& file);
std::string SettingsSectionOr(const std::string& section);

// A whole number as the settings file holds it: decimal with an optional
// sign, or hexadecimal after "$" (also after "0x"/"0X" when more follows).
// Nothing for an empty value, other text, or a number beyond 32 bits.
std::optional<std::int32_t> ParseIniInteger(std::string_view value);

// "0" is false, any other whole number true; anything else gives `fallback`.
bool IniValueToBool(std::string_view value, bool fallback);

// Every "[" becomes "#~", then every "]" becomes "~#".
std::string EscapeIniKey(std::string_view key);

}  // namespace merovix
