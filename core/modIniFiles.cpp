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
    WriteINIKeys(section, {{key, value}}, fileName);
}

bool WriteINIKeys(const std::string& section, const IniText::KeyValues& keys, const std::string& fileName)
{
    const IniText::FileStatus status = IniText::UpdateFile(fileName, section, keys);
    if (!status.ok()) showFailure("ProfileSaveItem: ", status);
    return status.ok();
}

std::optional<IniText> LoadINI(const std::string& fileName)
{
    std::string contents;
    const IniText::FileStatus status = IniText::ReadFile(fileName, contents);
    if (!status.ok() && status.number != ENOENT) {
        showFailure("ProfileGetItemError: ", status);
        return std::nullopt;
    }
    return IniText::Parse(contents);
}

std::string ReadINI(const IniText& file, const std::string& section, const std::string& key,
                    const std::string& defaultValue, int32_t fieldNumber)
{
    std::string value = file.Value(section, key).value_or(defaultValue);
    if (value.size() > LongestValue) value.resize(LongestValue);
    if (value.empty() || fieldNumber < 0) return "";
    return fieldNumber == 0 ? value : field(value, fieldNumber);
}

std::string ReadINI(const std::string& section, const std::string& key, const std::string& defaultValue,
                    const std::string& fileName, int32_t fieldNumber)
{
    const std::optional<IniText> file = LoadINI(fileName);
    return file ? ReadINI(*file, section, key, defaultValue, fieldNumber) : "";
}

} // namespace modIniFiles
