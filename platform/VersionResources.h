#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// The version information a library or program file carries: its translation table and
// its string blocks, each named by language and code page in upper-case hexadecimal
// ("040904B0").
struct VersionInfoData
{
    // Each entry: language in the low 16 bits, code page in the high 16 bits.
    std::vector<uint32_t> Translations;
    // Entries by block name, then by entry name ("CompanyName", "FileVersion"). A value is
    // the stored text, which may run on past a terminating NUL.
    std::map<std::string, std::map<std::string, std::string>> StringBlocks;
};

// What the platform tells about a library it has loaded by name.
struct LoadedLibraryInfo
{
    std::optional<std::string> ModuleFileName;  // none: the platform did not report it
    bool HasVersionResource = false;            // the version resource was found and read
    int16_t FixedPartLength = 0;                // length of the resource's fixed version part
};

// Reads libraries and their version resources. The real reader finds no such library
// and no version resources on this platform; tests install their own.
class VersionResources
{
public:
    virtual ~VersionResources() = default;

    // Loads the library the way the platform's loader searches for it, inspects it and
    // releases it again. None when it cannot be loaded.
    virtual std::optional<LoadedLibraryInfo> ProbeLibrary(const std::string& libraryName) = 0;

    // The full path of a file name. None when the name cannot be resolved.
    virtual std::optional<std::string> ResolveFullPath(const std::string& name) = 0;

    // The file's version information. None when the file has none.
    virtual std::optional<VersionInfoData> ReadVersionInfo(const std::string& fullPath) = 0;
};

VersionResources& CurrentVersionResources();
void SetVersionResources(VersionResources* resources);  // nullptr restores the real reader
