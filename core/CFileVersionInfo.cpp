#include "core/CFileVersionInfo.h"

#include "core/modIsProcessRunning.h"
#include "platform/VersionResources.h"

#include <cstdint>
#include <cstdio>

namespace {

// The platform's path buffer holds 260 characters, the terminating NUL included.
constexpr std::size_t MaxPathLength = 259;
constexpr uint16_t UsEnglish = 0x0409;

// "040904B0": language and code page, four upper-case hexadecimal digits each.
std::string StringBlockName(uint16_t language, uint16_t codePage)
{
    char name[9];
    std::snprintf(name, sizeof name, "%04X%04X", language, codePage);
    return name;
}

// An entry of a string block up to its NUL; empty when the block or the entry is missing.
std::string EntryText(const VersionInfoData& info, const std::string& block, const std::string& entry)
{
    const auto blockEntries = info.StringBlocks.find(block);
    if (blockEntries == info.StringBlocks.end())
        return {};
    const auto value = blockEntries->second.find(entry);
    if (value == blockEntries->second.end())
        return {};
    return modIsProcessRunning::StripNulls(value->second);
}

} // namespace

void CFileVersionInfo::SetFullPathName(const std::string& name)
{
    const std::optional<std::string> resolved = CurrentVersionResources().ResolveFullPath(name);
    if (!resolved)
        return;
    fullPathName_ = *resolved;
    // A path too long for the platform's buffer names no readable file.
    if (fullPathName_.size() > MaxPathLength) {
        available_ = false;
        return;
    }
    Refresh();
}

void CFileVersionInfo::Refresh()
{
    const std::optional<VersionInfoData> info = CurrentVersionResources().ReadVersionInfo(fullPathName_);
    available_ = info.has_value();
    if (!info || info->Translations.empty())
        return;

    const uint32_t translation = info->Translations.front();
    const auto language = static_cast<uint16_t>(translation & 0xFFFF);
    const auto codePage = static_cast<uint16_t>(translation >> 16);
    std::string block = StringBlockName(language, codePage);

    // Files whose first translation carries no strings often keep them under US English.
    if (EntryText(*info, block, "CompanyName").empty()) {
        const std::string usEnglishBlock = StringBlockName(UsEnglish, codePage);
        if (!EntryText(*info, usEnglishBlock, "CompanyName").empty())
            block = usEnglishBlock;
    }
    fileVersion_ = EntryText(*info, block, "FileVersion");
}
