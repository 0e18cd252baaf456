#include "platform/VersionResources.h"

#include <filesystem>

namespace {

// This platform has no loadable libraries with version resources: every probe finds
// nothing, and only the path resolution does real work.
class NoVersionResources : public VersionResources
{
public:
    std::optional<LoadedLibraryInfo> ProbeLibrary(const std::string&) override { return std::nullopt; }

    std::optional<std::string> ResolveFullPath(const std::string& name) override
    {
        if (name.empty())
            return std::nullopt;
        std::error_code error;
        const std::filesystem::path full = std::filesystem::absolute(name, error);
        if (error)
            return std::nullopt;
        return full.lexically_normal().string();
    }

    std::optional<VersionInfoData> ReadVersionInfo(const std::string&) override { return std::nullopt; }
};

NoVersionResources realResources;
VersionResources* current = &realResources;

} // namespace

VersionResources& CurrentVersionResources() { return *current; }

void SetVersionResources(VersionResources* resources) { current = resources ? resources : &realResources; }
