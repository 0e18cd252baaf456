#include "core/modIniFiles.h"

#include "platform/IniText.h"
#include "platform/MessageBoxes.h"

#include <cerrno>

namespace modIniFiles {

namespace {

constexpr size_t LongestValue = 2047;

void showFailure(const std::string& prefix, const IniText::FileStatus& status)
{
    MessageBoxes::MsgBox(prefix + std::to_string(status.number) + " " + status.description, MessageBoxes::vbCritical);
}

// The field-th comma-separated item of value, counted from 1.
std::string field(const std::string& value, int32_t fieldNumber)
{
    size_t start = 0;
    for (int32_t cut = 1; cut < fieldNumber; ++cut) {
        const size_t comma = value.find(',', start);
        if (comma == std::string::npos) return "";
        start = comma + 1;
    }
    return value.substr(start, value.find(',', start) - start);
}

} // namespace

void WriteINI(const std::string& section, const std::string& key, const std::string& value,
              const std::string& fileName)
{
    const IniText::FileStatus status = IniText::UpdateFile(fileName, section, key, value);
    if (!status.ok()) showFailure("ProfileSaveItem: ", status);
}

std::string ReadINI(const std::string& section, const std::string& key, const std::string& defaultValue,
                    const std::string& fileName, int32_t fieldNumber)
{
    std::string contents;
    const IniText::FileStatus status = IniText::ReadFile(fileName, contents);
    if (!status.ok() && status.number != ENOENT) {
        showFailure("ProfileGetItemError: ", status);
        return "";
    }
    std::string value = IniText::Parse(contents).Value(section, key).value_or(defaultValue);
    if (value.size() > LongestValue) value.resize(LongestValue);
    if (value.empty() || fieldNumber < 0) return "";
    return fieldNumber == 0 ? value : field(value, fieldNumber);
}

} // namespace modIniFiles
