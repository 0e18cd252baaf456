#pragma once

#include "platform/IniText.h"
#include "platform/SettingsStore.h"

#include <cerrno>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

// An in-memory settings store that installs itself for its lifetime. Names compare
// without regard to case, as in the real store. failWrites makes every write fail.
class FakeSettingsStore : public SettingsStore
{
public:
    FakeSettingsStore() { SetSettingsStore(this); }
    ~FakeSettingsStore() override { SetSettingsStore(nullptr); }
    FakeSettingsStore(const FakeSettingsStore&) = delete;
    FakeSettingsStore& operator=(const FakeSettingsStore&) = delete;

    std::optional<std::string> Read(const std::string& section, const std::string& key) override
    {
        const auto found = values.find(name(section, key));
        return found == values.end() ? std::nullopt : std::optional<std::string>(found->second);
    }

    IniText::FileStatus Write(const std::string& section, const std::string& key, const std::string& value) override
    {
        ++writeCount;
        written.push_back(name(section, key));
        if (onWrite) onWrite();
        if (failWrites) return {EACCES, "Cannot write \"fake settings\": Permission denied"};
        values[name(section, key)] = value;
        return {};
    }

    // Counted, then key by key as the real store's rewrite sets them.
    IniText::FileStatus WriteAll(const IniText::Entries& entries) override
    {
        ++writeAllCount;
        keysWrittenTogether += static_cast<int>(entries.size());
        return SettingsStore::WriteAll(entries);
    }

    // "section\nkey" in lower case.
    static std::string name(const std::string& section, const std::string& key)
    {
        std::string joined = section + "\n" + key;
        for (char& c : joined)
            if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        return joined;
    }

    std::map<std::string, std::string> values;
    bool failWrites = false;
    int writeCount = 0;                 // keys written, one by one or in a WriteAll
    int writeAllCount = 0;
    int keysWrittenTogether = 0;        // by WriteAll
    std::vector<std::string> written;   // every write's name, in order
    std::function<void()> onWrite;      // runs before each write
};
