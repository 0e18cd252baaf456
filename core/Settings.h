#pragma once

#include <functional>
#include <string>

// The per-user settings store: named text values under the application "ZOZEVERE",
// by section and key, compared without regard to case. Backed by the platform's
// settings file (platform/SettingsStore.h).
namespace Settings {

inline constexpr const char* AppName = "ZOZEVERE";

// The stored value, or defaultValue when the key is missing or the store cannot be read;
// the first store that cannot be read in a run is also told to the user, once.
std::string GetSetting(const std::string& section, const std::string& key,
                       const std::string& defaultValue = "");

// Stores the value. A failure to write is logged, the first one of a run is also shown
// to the user (once, as settings are saved many keys at a time), and the program goes on.
void SaveSetting(const std::string& section, const std::string& key, const std::string& value);

// Hands the stored value of a key to apply, when there is one. A value that apply rejects
// with a RuntimeError (text that is not a number, say) is logged under the routine's name,
// and the current value stays in force. Returns false when the value was rejected.
bool RestoreSetting(const std::string& section, const std::string& key,
                    const std::function<void(const std::string&)>& apply, const std::string& routine);

// While a batch lives, the settings saved reach the store together as it ends: one rewrite
// of the settings file for them all instead of one per key, each of which waits for the
// disk. Reads meanwhile see the values saved. Batches may nest; the outermost one writes.
class Batch
{
public:
    Batch();
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;
};

} // namespace Settings
