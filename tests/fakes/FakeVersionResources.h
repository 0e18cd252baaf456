#pragma once

#include "platform/VersionResources.h"

#include <set>

// Version resources as a test describes them. Install it for the test's lifetime:
//     FakeVersionResources resources;  // installs itself, restores the real reader at the end
class FakeVersionResources : public VersionResources
{
public:
    FakeVersionResources() { SetVersionResources(this); }
    ~FakeVersionResources() override { SetVersionResources(nullptr); }
    FakeVersionResources(const FakeVersionResources&) = delete;
    FakeVersionResources& operator=(const FakeVersionResources&) = delete;

    std::map<std::string, LoadedLibraryInfo> Libraries;       // by library name
    std::map<std::string, std::string> FullPaths;             // names resolved otherwise than as given
    std::set<std::string> UnresolvableNames;
    std::map<std::string, VersionInfoData> VersionInfos;      // by full path

    std::optional<LoadedLibraryInfo> ProbeLibrary(const std::string& libraryName) override
    {
        const auto found = Libraries.find(libraryName);
        if (found == Libraries.end())
            return std::nullopt;
        return found->second;
    }

    std::optional<std::string> ResolveFullPath(const std::string& name) override
    {
        if (UnresolvableNames.count(name))
            return std::nullopt;
        const auto found = FullPaths.find(name);
        return found == FullPaths.end() ? name : found->second;
    }

    std::optional<VersionInfoData> ReadVersionInfo(const std::string& fullPath) override
    {
        const auto found = VersionInfos.find(fullPath);
        if (found == VersionInfos.end())
            return std::nullopt;
        return found->second;
    }
};
