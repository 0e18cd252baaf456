#include "core/clsINIFile.h"

#include "core/DoEvents.h"
#include "core/RuntimeError.h"
#include "platform/IniText.h"

#include <cerrno>

namespace {

constexpr int FileNotFound = 53;
constexpr int PathFileAccessError = 75;

bool isBlank(char c) { return c == ' '; }

std::string trimBlanks(const std::string& line)
{
    const size_t first = line.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return line.substr(first, line.find_last_not_of(' ') - first + 1);
}

std::string_view dropLeadingBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    return text;
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

    // Only a "[" in the first column starts a section header.
    std::vector<size_t> sectionLines;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].empty() || lines[i].front() != '[') continue;
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
    const std::string header = "[" + Section + "]";
    for (size_t s = 0; s < sectionLines_.size(); ++s) {
        if (IniText::FindText(lines_[sectionLines_[s]], header) == std::string::npos) continue;
        for (size_t i = sectionLines_[s] + 1; i < sectionEnd(s); ++i) {
            const std::string_view line = lines_[i];
            if (line.size() < Key.size() || IniText::FindText(line, Key) == std::string::npos) continue;
            const std::string_view rest = dropLeadingBlanks(line.substr(Key.size()));
            if (!rest.empty() && rest.front() == '=') return std::string(dropLeadingBlanks(rest.substr(1)));
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
