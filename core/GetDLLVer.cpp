#include "core/GetDLLVer.h"

#include "core/modIsProcessRunning.h"
#include "platform/VersionResources.h"

namespace GetDLLVer {

bool GetDLLVersion(const std::string& libraryName, std::string& fullPath)
{
    const std::optional<LoadedLibraryInfo> library = CurrentVersionResources().ProbeLibrary(libraryName);
    if (!library)
        return false;
    if (library->ModuleFileName)
        fullPath = modIsProcessRunning::StripNulls(*library->ModuleFileName);
    return library->HasVersionResource && library->FixedPartLength > 0;
}

} // namespace GetDLLVer
