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
bool readFailureShown = false;

// Settings are read key by key too: a store that cannot be read is told once per run.
void reportReadFailure(const IniText::FileStatus& status)
{
    if (readFailureShown) return;
    readFailureShown = true;
    AddLog("Settings.GetSetting:Code=" + std::to_string(status.number) + " Description=" + status.description +
           " Source=Settings");
    MessageBoxes::MsgBox("The settings could not be read. " + status.description +
                             "\nThe program runs with its default settings and leaves the file as it is; "
                             "replace it with a plain file (or remove it) to keep settings again.",
                         MessageBoxes::vbExclamation);
}

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
    SettingsStore& store = CurrentSettingsStore();
    std::optional<std::string> value = store.Read(section, key);
    if (const IniText::FileStatus status = store.LastReadStatus(); !status.ok())
        reportReadFailure(status);
    return value.value_or(defaultValue);
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
