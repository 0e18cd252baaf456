#pragma once

#include "platform/IniText.h"

#include <cstdint>
#include <optional>
#include <string>

// Reading and writing keys of INI files (band plans, colour themes, Dream.ini). Section
// and key names compare without regard to case; blanks around a value and one pair of
// enclosing quotes are dropped when it is read.
namespace modIniFiles {

// Writes key=value into the section, adding the section or key when missing and keeping
// every other line. The file is replaced whole through a temporary file, so a failed
// write leaves it as it was; a failure shows "ProfileSaveItem: " with the error.
void WriteINI(const std::string& section, const std::string& key, const std::string& value,
              const std::string& fileName);
// The same for several keys of one section, in one rewrite of the file and with at most
// one message. True when the file was written.
bool WriteINIKeys(const std::string& section, const IniText::KeyValues& keys, const std::string& fileName);

// The key's value (the default when the file, section or key is missing), cut to 2047
// characters. Field 0 returns it whole; field n > 0 its n-th comma-separated item as it
// stands, or empty text when it has fewer items; a negative field gives empty text.
// A file that exists but cannot be read shows "ProfileGetItemError: " and gives empty text.
std::string ReadINI(const std::string& section, const std::string& key, const std::string& defaultValue,
                    const std::string& fileName, int32_t fieldNumber = 0);

// A file read once for many keys (a missing file is empty); one that exists but cannot be
// read shows "ProfileGetItemError: " once and gives nothing.
std::optional<IniText> LoadINI(const std::string& fileName);
// A key of a file loaded by LoadINI, by the rules of ReadINI.
std::string ReadINI(const IniText& file, const std::string& section, const std::string& key,
                    const std::string& defaultValue, int32_t fieldNumber = 0);

} // namespace modIniFiles
