#pragma once

#include "platform/IniText.h"

#include <optional>
#include <string>
#include <utility>

// The per-user settings store: text values by section and key, names compared without
// regard to letter case. The program reaches it through Settings (core/Settings.h).
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;

    // The stored text, or nothing when the key is missing or the store cannot be read.
    virtual std::optional<std::string> Read(const std::string& section, const std::string& key) = 0;
    virtual IniText::FileStatus Write(const std::string& section, const std::string& key,
                                      const std::string& value) = 0;
    // Several keys, in order; the first failure is the result. A store that keeps a file
    // writes them in one rewrite of it.
    virtual IniText::FileStatus WriteAll(const IniText::Entries& entries)
    {
        IniText::FileStatus result;
        for (const IniText::Entry& entry : entries)
            if (IniText::FileStatus status = Write(entry.section, entry.key, entry.value); result.ok())
                result = std::move(status);
        return result;
    }
    // Why the last Read gave nothing when the store itself could not be read; an empty
    // status when it could (a missing key or a store not yet written is no failure).
    virtual IniText::FileStatus LastReadStatus() const { return {}; }
};

// The store as an INI file. Every read takes the file as it is on disk; every write that
// changes it rewrites it whole through a temporary file and a rename, so an interrupted
// write leaves the former file. A file that cannot be read is never overwritten.
class FileSettingsStore : public SettingsStore
{
public:
    // An empty path means AppPaths::SettingsFilePath(), looked up at every access.
    explicit FileSettingsStore(std::string path = "");

    std::optional<std::string> Read(const std::string& section, const std::string& key) override;
    IniText::FileStatus Write(const std::string& section, const std::string& key,
                              const std::string& value) override;
    IniText::FileStatus WriteAll(const IniText::Entries& entries) override;
    IniText::FileStatus LastReadStatus() const override { return lastRead_; }

    std::string Path() const;

private:
    std::string path_;
    IniText::FileStatus lastRead_;
};

// The store in use: the user's settings file unless a test installed another.
SettingsStore& CurrentSettingsStore();
void SetSettingsStore(SettingsStore* store);  // nullptr restores the settings file
