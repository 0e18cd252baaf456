#pragma once

#include <string>
#include <vector>

namespace AppPaths {

inline constexpr const char* ApplicationTitle = "ZOZEVERE";  // log file name, message titles
inline constexpr const char* ProductName = "ZOZEVERE";
inline constexpr const char* ProgramFolderVariable = "ZOZEVERE_HOME";

// Band plans, themes, the log file, Dream.ini and recordings: $ZOZEVERE_HOME when set (even
// when it names no usable folder: the start-up then says so); else $XDG_DATA_HOME/ZOZEVERE
// (~/.local/share/ZOZEVERE), made on the first start by PrepareProgramFolder from the
// executable's folder and the samples installed with the program. Never the build tree,
// which a clean rebuild deletes. No trailing "/".
std::string ProgramFolder();

// The folder that earlier versions kept the user's files in.
std::string ExecutableFolder();

// Makes the program folder when it does not exist, and only then fills it: with the user's
// files that an earlier start left in earlierFolder (band plans, themes, recordings, the
// log, Dream.ini), copied, never moved; then with the sample band plans and themes of the
// sample folders that the first step did not bring. False when the folder cannot be made.
bool PrepareProgramFolder(const std::string& folder, const std::string& earlierFolder,
                          const std::vector<std::string>& sampleFolders);

// $XDG_CONFIG_HOME/ZOZEVERE/ZOZEVERE.ini (~/.config/... when unset).
std::string SettingsFilePath();

// The executable's file name without folder and extension.
std::string ExecutableName();

} // namespace AppPaths
