#include "platform/FolderListing.h"

#include "platform/IniText.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>

namespace {

bool EndsIn(const std::string& name, const std::string& extension)
{
    return name.size() > extension.size() &&
           IniText::SameText(std::string_view(name).substr(name.size() - extension.size()), extension);
}

bool IsOrdinaryFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);  // a link counts as its file
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool ComesBefore(const std::string& a, const std::string& b)
{
    const auto byLetter = [](char x, char y) { return Lower(x) < Lower(y); };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), byLetter))
        return true;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), byLetter))
        return false;
    return a < b;  // names that differ only in case keep one order
}

} // namespace

FolderListing FolderListing::FilesEndingIn(const std::string& folder, const std::string& extension)
{
    FolderListing listing;
    DIR* directory = ::opendir(folder.c_str());
    if (!directory) {
        listing.error = errno;
        return listing;
    }
    while (const dirent* entry = ::readdir(directory)) {
        const std::string name = entry->d_name;
        if (name.front() != '.' && EndsIn(name, extension) && IsOrdinaryFile(folder + "/" + name))
            listing.names.push_back(name);
    }
    ::closedir(directory);
    std::sort(listing.names.begin(), listing.names.end(), ComesBefore);
    return listing;
}
