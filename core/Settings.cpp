#include "core/Settings.h"

#include "core/RuntimeError.h"
#include "core/TryStep.h"
#include "core/frmLog.h"
#include "platform/MessageBoxes.h"
#include "platform/SettingsStore.h"

#include <utility>

namespace Settings {

namespace {

// Settings are saved key by key, many at a time at exit: the user hears of a store
// that cannot be written once per run, the trace log records every failure.
bool writeFailureShown = false;
bool readFailureShown = false;

// The open batches, and what they hold: one entry per key, the latest value.
int batchDepth = 0;
IniText::Entries batched;

IniText::Entry* BatchedEntry(const std::string& section, const std::string& key)
{
    for (IniText::Entry& entry : batched)
        if (IniText::SameText(entry.section, section) && IniText::SameText(entry.key, key))
            return &entry;
    return nullptr;
}

// A file status's description ends without a full stop; in a box it is a sentence.
std::string AsSentence(const std::string& description)
{
    return description.ends_with('.') ? description : description + ".";
}

// Settings are read key by key too: a store that cannot be read is told once per run.
void reportReadFailure(const IniText::FileStatus& status)
{
    if (readFailureShown) return;
    readFailureShown = true;
    AddLog("Settings.GetSetting:Code=" + std::to_string(status.number) + " Description=" + status.description +
           " Source=Settings");
    MessageBoxes::MsgBox("The settings could not be read. " + AsSentence(status.description) +
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
    MessageBoxes::MsgBox("The settings could not be saved. " + AsSentence(status.description) +
                             "\nCheck that the folder exists and that it and the file can be written; until then "
                             "changed settings are lost at exit.",
                         MessageBoxes::vbExclamation);
}

} // namespace

std::string GetSetting(const std::string& section, const std::string& key, const std::string& defaultValue)
{
    if (const IniText::Entry* entry = BatchedEntry(section, key))
        return entry->value;
    SettingsStore& store = CurrentSettingsStore();
    std::optional<std::string> value = store.Read(section, key);
    if (const IniText::FileStatus status = store.LastReadStatus(); !status.ok())
        reportReadFailure(status);
    return value.value_or(defaultValue);
}

void SaveSetting(const std::string& section, const std::string& key, const std::string& value)
{
    if (batchDepth > 0) {
        if (IniText::Entry* entry = BatchedEntry(section, key))
            entry->value = value;
        else
            batched.push_back({section, key, value});
        return;
    }
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

Batch::Batch() { ++batchDepth; }

// A failure is told as a failed SaveSetting is, for each key the batch held.
Batch::~Batch()
{
    if (--batchDepth > 0)
        return;
    const IniText::Entries entries = std::exchange(batched, {});
    if (entries.empty())
        return;
    TryStep([&entries] {
        if (const IniText::FileStatus status = CurrentSettingsStore().WriteAll(entries); !status.ok())
            for (const IniText::Entry& entry : entries)
                reportWriteFailure(entry.section, entry.key, status);
    });
}

} // namespace Settings
