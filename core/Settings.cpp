#include "core/Settings.h"

#include "core/RuntimeError.h"
#include "core/frmLog.h"
#include "platform/MessageBoxes.h"
#include "platform/SettingsStore.h"

namespace Settings {

namespace {

// Settings are saved key by key, many at a time at exit: the user hears of a store
// that cannot be written once per run, the trace log records every failure.
bool writeFailureShown = false;

void reportWriteFailure(const std::string& section, const std::string& key, const IniText::FileStatus& status)
{
    AddLog("Settings.SaveSetting:" + section + "." + key + " Code=" + std::to_string(status.number) +
           " Description=" + status.description + " Source=Settings");
    if (writeFailureShown) return;
    writeFailureShown = true;
    MessageBoxes::MsgBox("The settings could not be saved. " + status.description +
                             "\nCheck that the folder exists and is writable; until then changed settings are lost at exit.",
                         MessageBoxes::vbExclamation);
}

} // namespace

std::string GetSetting(const std::string& section, const std::string& key, const std::string& defaultValue)
{
    return CurrentSettingsStore().Read(section, key).value_or(defaultValue);
}

void SaveSetting(const std::string& section, const std::string& key, const std::string& value)
{
    const IniText::FileStatus status = CurrentSettingsStore().Write(section, key, value);
    if (!status.ok()) reportWriteFailure(section, key, status);
}

bool RestoreSetting(const std::string& section, const std::string& key,
                    const std::function<void(const std::string&)>& apply, const std::string& routine)
{
    const std::string text = GetSetting(section, key, "");
    if (text.empty())
        return true;
    try {
        apply(text);
        return true;
    } catch (const RuntimeError& error) {
        AddLog(routine + ":Ignoring " + key + "=" + text + " in [" + section + "] Description=" + error.Description());
        return false;
    }
}

} // namespace Settings
