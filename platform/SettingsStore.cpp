#include "platform/SettingsStore.h"

#include "platform/AppPaths.h"

#include <cerrno>
#include <utility>

namespace {

SettingsStore* installedStore = nullptr;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Values are stored as they are, except that one that an INI reading would change
// (blanks at either end, enclosing quotes) is put in double quotes, which the
// reading removes again.
std::string storedForm(const std::string& value)
{
    const bool blankAtEnd = !value.empty() && (isBlank(value.front()) || isBlank(value.back()));
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    return (blankAtEnd || quoted) ? "\"" + value + "\"" : value;
}

} // namespace

FileSettingsStore::FileSettingsStore(std::string path) : path_(std::move(path)) {}

std::string FileSettingsStore::Path() const { return path_.empty() ? AppPaths::SettingsFilePath() : path_; }

std::optional<std::string> FileSettingsStore::Read(const std::string& section, const std::string& key)
{
    std::string contents;
    const IniText::FileStatus status = IniText::ReadFile(Path(), contents);
    lastRead_ = status.number == ENOENT ? IniText::FileStatus{} : status;
    if (!status.ok()) return std::nullopt;
    return IniText::Parse(contents).Value(section, key);
}

IniText::FileStatus FileSettingsStore::Write(const std::string& section, const std::string& key,
                                             const std::string& value)
{
    return IniText::UpdateFile(Path(), section, {{key, storedForm(value)}});
}

IniText::FileStatus FileSettingsStore::WriteAll(const IniText::Entries& entries)
{
    IniText::Entries stored = entries;
    for (IniText::Entry& entry : stored)
        entry.value = storedForm(entry.value);
    return IniText::UpdateFile(Path(), stored);
}

SettingsStore& CurrentSettingsStore()
{
    // Never destroyed: objects that save their settings as they are destroyed at
    // program exit still find the store.
    static auto* userFile = new FileSettingsStore;
    return installedStore ? *installedStore : *userFile;
}

void SetSettingsStore(SettingsStore* store) { installedStore = store; }
