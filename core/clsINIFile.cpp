#include "core/clsINIFile.h"

#include "core/DoEvents.h"
#include "core/RuntimeError.h"
#include "platform/IniText.h"

#include <cerrno>

namespace {

std::string trimBlanks(const std::string& line)
{
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return line.substr(first, line.find_last_not_of(" \t") - first + 1);
}

} // namespace

void clsINIFile::init(const std::string& IniFilename)
{
    lines_.clear();
    sectionLines_.clear();
    std::string contents;
    const IniText::FileStatus status = IniText::ReadFile(IniFilename, contents);
    if (!status.ok())
        throw RuntimeError(status.number == ENOENT ? FileNotFound : PathFileAccessError, status.description,
                           "clsINIFile.init");
    DoEvents();

    std::vector<std::string> lines = IniText::Parse(contents).Lines();
    DoEvents();

    // Headers as the band file's writer finds them, leading blanks and all.
    std::vector<size_t> sectionLines;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!IniText::SectionName(lines[i])) continue;
        lines[i] = trimBlanks(lines[i]);
        sectionLines.push_back(i);
        DoEvents();
    }
    lines_ = std::move(lines);
    sectionLines_ = std::move(sectionLines);
}

size_t clsINIFile::sectionEnd(size_t index) const
{
    return index + 1 < sectionLines_.size() ? sectionLines_[index + 1] : lines_.size();
}

std::string clsINIFile::GetItem(const std::string& Section, const std::string& Key,
                                const std::string& DefaultValue) const
{
    for (size_t s = 0; s < sectionLines_.size(); ++s) {
        const auto name = IniText::SectionName(lines_[sectionLines_[s]]);
        if (!IniText::SameText(*name, Section)) continue;
        for (size_t i = sectionLines_[s] + 1; i < sectionEnd(s); ++i) {
            const auto entry = IniText::KeyLineOf(lines_[i]);
            if (entry && IniText::SameText(entry->name, Key)) return std::string(entry->value);
        }
        return DefaultValue;  // only the first section of that name is searched
    }
    return DefaultValue;
}

std::string clsINIFile::LoadItem(const std::string& Section, const std::string& Key,
                                 const std::string& DefaultValue) const
{
    return GetItem(Section, Key, DefaultValue);
}
