#pragma once

#include <string>

namespace AppPaths {

inline constexpr const char* ApplicationTitle = "ZOZEVERE";  // log file name, message titles
inline constexpr const char* ProductName = "ZOZEVERE";
inline constexpr const char* ProgramFolderVariable = "ZOZEVERE_HOME";

// Band plans, the log file, Dream.ini and recordings: $ZOZEVERE_HOME when set (even
// when it names no usable folder: the start-up then says so); else the
// executable's folder when writable; else $XDG_DATA_HOME/ZOZEVERE, filled on first use
// with the sample band plans and themes installed beside the program. No trailing "/".
std::string ProgramFolder();

// $XDG_CONFIG_HOME/ZOZEVERE/ZOZEVERE.ini (~/.config/... when unset).
std::string SettingsFilePath();

// The executable's file name without folder and extension.
std::string ExecutableName();

} // namespace AppPaths
