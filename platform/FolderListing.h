#pragma once

#include <string>
#include <vector>

// The ordinary files of one folder whose names end in an extension, taken by the bytes
// of their names, whatever their encoding: a name that is not valid UTF-8 is listed too,
// and opening folder + "/" + name reaches it. Names starting with "." stay hidden.
struct FolderListing
{
    int error = 0;                   // 0, or why the folder cannot be read (ENOENT, ENOTDIR, EACCES)
    std::vector<std::string> names;  // sorted by name without regard to the case of ASCII letters

    // Extension with its point (".bpl"), compared without regard to case.
    static FolderListing FilesEndingIn(const std::string& folder, const std::string& extension);
};
