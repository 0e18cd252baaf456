#pragma once

#include <cstdint>
#include <string>

// Reading and writing single keys of INI files (band plans, colour themes, Dream.ini).
// Section and key names compare without regard to case; blanks around a value and one
// pair of enclosing quotes are dropped when it is read.
namespace modIniFiles {

// Writes key=value into the section, adding the section or key when missing and keeping
// every other line. The file is replaced whole through a temporary file, so a failed
// write leaves it as it was; a failure shows "ProfileSaveItem: " with the error.
void WriteINI(const std::string& section, const std::string& key, const std::string& value,
              const std::string& fileName);

// The key's value (the default when the file, section or key is missing), cut to 2047
// characters. Field 0 returns it whole; field n > 0 its n-th comma-separated item as it
// stands, or empty text when it has fewer items; a negative field gives empty text.
// A file that exists but cannot be read shows "ProfileGetItemError: " and gives empty text.
std::string ReadINI(const std::string& section, const std::string& key, const std::string& defaultValue,
                    const std::string& fileName, int32_t fieldNumber = 0);

} // namespace modIniFiles
