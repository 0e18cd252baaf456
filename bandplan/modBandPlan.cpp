#include "bandplan/modBandPlan.h"

#include "core/BusyGuard.h"
#include "core/DoEvents.h"
#include "core/MainWindowValues.h"
#include "core/Numeric.h"
#include "core/RuntimeError.h"
#include "core/TryStep.h"
#include "core/clsINIFile.h"
#include "core/frmLog.h"
#include "core/modIniFiles.h"
#include "platform/IniText.h"
#include "platform/MessageBoxes.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string_view>
#include <variant>

namespace modBandPlan {

namespace {

using IntField = int32_t ModeSettingsRecord::*;
using BoolField = bool ModeSettingsRecord::*;
using FloatField = float ModeSettingsRecord::*;

// One settings key of a stored state; a null default reads as the field's current value.
struct SettingsKey
{
    const char* Key;
    std::variant<IntField, BoolField, FloatField> Field;
    const char* Default;
};

// In the order they are read.
const SettingsKey SettingsKeys[] = {
    {"DemodMode", &ModeSettingsRecord::DemodMode, nullptr},
    {"FreqCurrent", &ModeSettingsRecord::FreqCurrent, nullptr},
    {"LowSideLO", &ModeSettingsRecord::LowSideLO, nullptr},
    {"TuneStep", &ModeSettingsRecord::TuneStep, "1000"},
    {"FilterMode", &ModeSettingsRecord::FilterMode, nullptr},
    {"FilterHi", &ModeSettingsRecord::FilterHi, "-1"},
    {"FilterLo", &ModeSettingsRecord::FilterLo, "-1"},
    {"MusicModeActive", &ModeSettingsRecord::MusicModeActive, "False"},
    {"DynFilterActive", &ModeSettingsRecord::DynFilterActive, "False"},
    {"IFFilterActive", &ModeSettingsRecord::IFFilterActive, "False"},
    {"IFFilterMode", &ModeSettingsRecord::IFFilterMode, "2"},
    {"IFFilterHi", &ModeSettingsRecord::IFFilterHi, "4500"},
    {"IFFilterLo", &ModeSettingsRecord::IFFilterLo, "50"},
    {"AGCOn", &ModeSettingsRecord::AGCOn, "True"},
    {"AGCMode", &ModeSettingsRecord::AGCMode, "2"},
    {"AGCAttack", &ModeSettingsRecord::AGCAttack, "10"},
    {"AGCDecay", &ModeSettingsRecord::AGCDecay, "10"},
    {"NotchActive", &ModeSettingsRecord::NotchActive, "False"},
    {"NotchMode", &ModeSettingsRecord::NotchMode, "1"},
    {"NotchType", &ModeSettingsRecord::NotchType, "0"},
    {"NotchMirror", &ModeSettingsRecord::NotchMirror, "False"},
    {"NotchFilterCenter", &ModeSettingsRecord::NotchFilterCenter, "1000"},
    {"NotchFilterWidth", &ModeSettingsRecord::NotchFilterWidth, "100"},
    {"OutputAttenuation", &ModeSettingsRecord::OutputAttenuation, "0"},
};

// The same keys in the order they are written (indices into SettingsKeys).
constexpr int WriteOrder[] = {0, 1, 2, 3, 7, 8, 9, 10, 11, 12, 4, 5, 6, 13, 14, 15, 16, 17, 18, 19, 21, 22, 20, 23};

constexpr int32_t WidestNotch = 12999;   // Hz; a wider stored notch reads as the default
constexpr int32_t DefaultNotchWidth = 100;

std::unique_ptr<clsINIFile> BandPlanINI;   // the band file being read, whole
IniText pendingFile;                       // the band file being written
bool saveFailureShown = false;
int lastSaveCode = 0;                      // the system's error number of the last save

std::string Text(int32_t value) { return Numeric::Str(value); }
std::string Text(bool value) { return Numeric::BoolText(value); }
std::string Text(float value) { return Numeric::Str(value); }
std::string Text(const std::string& value) { return value; }

void Convert(const std::string& text, int32_t& field) { field = Numeric::CLng(text); }
void Convert(const std::string& text, bool& field) { field = Numeric::CBool(text); }
void Convert(const std::string& text, float& field) { field = Numeric::CSng(text); }
void Convert(const std::string& text, std::string& field) { field = text; }

// The first count characters (not bytes) of a UTF-8 text.
std::string LeftChars(const std::string& text, size_t count)
{
    size_t end = 0;
    for (size_t taken = 0; end < text.size() && taken < count; ++taken) {
        ++end;
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
            ++end;
    }
    return text.substr(0, end);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsQuoted(std::string_view text) { return text.size() >= 2 && text.front() == '"' && text.back() == '"'; }

std::string_view WithoutQuotes(std::string_view text) { return text.substr(1, text.size() - 2); }

// The reader drops the blanks around a value, so a free text (a caption, a description, the
// time a preset was stored) that starts or ends with one is kept between double quotes, as
// is a text in quotes that would itself read as such a quoted one; any other text is written
// as it is. Quotes around a text that needs none (written so by hand) are the text's own.
bool NeedsQuotes(std::string_view text)
{
    for (;; text = WithoutQuotes(text)) {
        if (!text.empty() && (IsBlank(text.front()) || IsBlank(text.back())))
            return true;
        if (!IsQuoted(text))
            return false;
    }
}

std::string UnquotedText(std::string_view text)
{
    return std::string(IsQuoted(text) && NeedsQuotes(WithoutQuotes(text)) ? WithoutQuotes(text) : text);
}

std::string QuotedText(const std::string& text) { return NeedsQuotes(text) ? '"' + text + '"' : text; }

// One key of the current section into a field; a missing key, or a value that does not
// convert, keeps the field's value.
template <typename Value>
void TryRead(const std::string& key, Value& field)
{
    TryStep([&] { Convert(ReadKey(key, Text(field)), field); });
}

void ReadText(const std::string& key, std::string& text)
{
    TryRead(key, text);
    text = UnquotedText(text);
}

template <typename Value>
void Write(const std::string& key, const Value& value)
{
    WriteKey(key, Text(value));
}

// The 24 keys through reader(key, default text), each converted into its field. A value
// that does not convert reads as the key's default: the state still counts as read, so a
// later change to it is written, and until then the file keeps the value as it stands.
template <typename Reader>
void ReadSettingsKeys(ModeSettingsRecord& state, Reader reader)
{
    for (const SettingsKey& key : SettingsKeys) {
        std::visit([&](auto member) {
            auto& field = state.*member;
            const std::string defaultText = key.Default ? std::string(key.Default) : Text(field);
            if (!TryStep([&] { Convert(reader(key.Key, defaultText), field); }))
                Convert(defaultText, field);
        }, key.Field);
    }
    if (state.NotchFilterWidth > WidestNotch)
        state.NotchFilterWidth = DefaultNotchWidth;
}

std::string SubBandSection(int32_t i) { return "SubBand." + std::to_string(i); }
std::string PresetSection(int32_t i, int32_t j) { return "Preset." + std::to_string(i) + "." + std::to_string(j); }
std::string SubBandName(const BandRecord& band, int32_t i) { return band.Name + ".SubBand(" + std::to_string(i) + ")"; }

void ReadMainBand(BandRecord& band)
{
    BandPlanSection = "MainBand";
    ReadText("Caption", band.Caption);
    ReadText("Description", band.Description);
    TryRead("Active", band.Active);
    TryRead("ActiveSubBand", band.ActiveSubBand);
    TryRead("NumSubBands", band.NumSubBands);
    band.NumSubBands = std::clamp(band.NumSubBands, 0, std::min(band.SubBandCount, SubBandButtons) - 1);
    band.ActiveSubBand = std::clamp(band.ActiveSubBand, 0, band.NumSubBands);
}

void ReadPresetHeaders(SubBandRecord& subBand)
{
    for (int32_t j = 0; j <= subBand.NumPresets && j < static_cast<int32_t>(subBand.Presets.size()); ++j) {
        PresetRecord& preset = subBand.Presets[static_cast<size_t>(j)];
        BandPlanSection = PresetSection(subBand.Index, j);
        ReadText("Caption", preset.Caption);
        preset.Caption = LeftChars(preset.Caption, 7);
        ReadText("Description", preset.Description);
        TryRead("Active", preset.Active);
        ReadText("When", preset.When);
        TryRead("FreqCurrent", preset.ModeSettings.FreqCurrent);
        preset.ModeSettings.Loaded = false;
        DoEvents();
    }
}

void ReadSubBand(SubBandRecord& subBand)
{
    BandPlanSection = SubBandSection(subBand.Index);
    ReadText("Caption", subBand.Caption);
    subBand.Caption = LeftChars(subBand.Caption, 6);
    ReadText("Description", subBand.Description);
    TryRead("ActivePreset", subBand.ActivePreset);
    subBand.ActivePreset = std::clamp(subBand.ActivePreset, -1, PresetButtons - 1);
    TryRead("FreqMin", subBand.FreqMin);
    TryRead("FreqMax", subBand.FreqMax);
    TryRead("FreqCurrent", subBand.ModeSettings.FreqCurrent);
    subBand.HasFrequencies =
        !(subBand.FreqMin < 0 && subBand.FreqMax < 0 && subBand.ModeSettings.FreqCurrent < 0);
    subBand.ModeSettings.Loaded = false;
    ReadModeSettings(subBand.ModeSettings);
    DoEvents();
    if (subBand.HasFrequencies)
        ReadPresetHeaders(subBand);
    DoEvents();
}

// The first four keys of a band's, sub-band's or preset's section.
template <typename Record>
void WriteHeader(const std::string& section, const Record& record)
{
    BandPlanSection = section;
    Write("Index", record.Index);
    Write("Name", QuotedText(record.Name));
    Write("Caption", QuotedText(record.Caption));
    Write("Description", QuotedText(record.Description));
}

void WritePreset(const SubBandRecord& subBand, const PresetRecord& preset)
{
    WriteHeader(PresetSection(subBand.Index, preset.Index), preset);
    Write("Active", preset.Active);
    Write("When", QuotedText(preset.When));
    WriteModeSettings(preset.ModeSettings);
}

void WriteSubBand(const SubBandRecord& subBand)
{
    WriteHeader(SubBandSection(subBand.Index), subBand);
    Write("NumPresets", subBand.NumPresets);
    Write("ActivePreset", subBand.ActivePreset);
    Write("FreqMin", subBand.FreqMin);
    Write("FreqMax", subBand.FreqMax);
    WriteModeSettings(subBand.ModeSettings);
    for (int32_t j = 0; j < subBand.PresetDim && j < static_cast<int32_t>(subBand.Presets.size()); ++j) {
        const PresetRecord& preset = subBand.Presets[static_cast<size_t>(j)];
        if (preset.ModeSettings.FreqCurrent > 0)
            WritePreset(subBand, preset);
    }
}

void WriteBand(const BandRecord& band)
{
    WriteHeader("MainBand", band);
    Write("Active", band.Active);
    Write("ActiveSubBand", band.ActiveSubBand);
    Write("NumSubBands", band.NumSubBands);
    for (int32_t i = 0; i <= band.NumSubBands && i < static_cast<int32_t>(band.SubBands.size()); ++i)
        WriteSubBand(band.SubBands[static_cast<size_t>(i)]);
}

void ReportUnreadableFile(const BandRecord& band, const std::string& why)
{
    AddLog("modBandPlan.LoadBandPlan:Description=" + why + " Source=" + band.FileName);
    MessageBoxes::MsgBox("The band plan of " + band.Caption + " could not be read. " + why +
                             "\nThe band shows its default sub-bands, and the file is left as it is. "
                             "Make the file readable and restart to use it.",
                         MessageBoxes::vbExclamation);
}

void ReportSaveFailures(const std::vector<std::string>& files)
{
    if (files.empty() || saveFailureShown)
        return;
    saveFailureShown = true;
    std::string list;
    for (const std::string& file : files)
        list.append("\n").append(file);
    MessageBoxes::MsgBox("These band plans could not be saved; the changes made to them in this run are lost:" +
                             list + "\nCheck that the files and their folder are writable.",
                         MessageBoxes::vbExclamation);
}

} // namespace

std::string DateTimeText(const QDateTime& when)
{
    return when.toString("yyyy-MM-dd HH:mm:ss").toStdString();
}

bool InitBandPlan(BandRecord& band)
{
    if (band.Loaded)
        return true;
    band.SubBandCount = std::clamp(band.SubBandCount, 1, SubBandButtons);
    band.PresetCount = std::clamp(band.PresetCount, 1, PresetButtons);
    band.NumSubBands = band.SubBandCount - 1;
    band.SubBands.resize(static_cast<size_t>(band.SubBandCount) + 1);
    const std::string now = DateTimeText(CurrentTime());
    // The injection side belongs to the receiver: a state the file gives none for keeps the
    // side in force rather than switching every receiver to the high side.
    const bool lowSide = !HiSideLoOn;
    for (int32_t i = 0; i <= band.SubBandCount; ++i) {
        SubBandRecord& subBand = band.SubBands[static_cast<size_t>(i)];
        subBand.Name = SubBandName(band, i);
        subBand.Index = i;
        subBand.NumPresets = subBand.PresetDim = band.PresetCount;
        subBand.Caption = std::string("S").append(std::to_string(i + 1));
        subBand.Description = std::string("SubBand #").append(std::to_string(i + 1));
        subBand.ActivePreset = -1;
        subBand.ModeSettings.FreqCurrent = subBand.FreqMin = subBand.FreqMax = -1;
        subBand.ModeSettings.LowSideLO = lowSide;
        subBand.HasFrequencies = false;
        subBand.Presets.assign(static_cast<size_t>(subBand.PresetDim) + 1, PresetRecord{});
        for (int32_t j = 0; j <= subBand.PresetDim; ++j) {
            PresetRecord& preset = subBand.Presets[static_cast<size_t>(j)];
            preset.Name = subBand.Name + ".Preset(" + std::to_string(j) + ")";
            preset.Caption = std::string("P").append(std::to_string(j + 1));
            preset.Description = std::string("Preset").append(std::to_string(j + 1));
            preset.Index = j;
            preset.When = now;
            preset.ModeSettings.FreqCurrent = -1;
            preset.ModeSettings.LowSideLO = lowSide;
        }
    }
    return true;
}

bool LoadBandPlan(BandRecord& band)
{
    if (band.Loaded)
        return true;
    if (BandPlanBusy)
        return false;
    BusyGuard busy(BandPlanBusy);
    BusyGuard loading(BandPlanLoading);
    if (band.SubBands.empty())
        InitBandPlan(band);
    BandPlanFile = band.FileName;
    if (!BandPlanINI)
        BandPlanINI = std::make_unique<clsINIFile>();
    // A missing or unreadable file leaves the reader empty: every key keeps its default.
    // One that exists but cannot be read is named now, while the user looks at its band.
    TryStep([&] { BandPlanINI->init(BandPlanFile); }, [&band](const std::exception& error) {
        const auto* failure = dynamic_cast<const RuntimeError*>(&error);
        if (failure && failure->Number() != clsINIFile::FileNotFound)
            ReportUnreadableFile(band, failure->Description());
    });
    ReadMainBand(band);
    for (int32_t i = 0; i <= band.NumSubBands; ++i)
        ReadSubBand(band.SubBands[static_cast<size_t>(i)]);
    band.Loaded = true;
    return true;
}

bool SaveBandPlan(BandRecord& band)
{
    if (!band.Loaded)
        return true;
    if (BandPlanBusy) {
        lastSaveCode = EBUSY;
        LastSaveError = "\"" + band.FileName + "\": a band file was being read";
        return false;
    }
    BusyGuard busy(BandPlanBusy);
    BandPlanFile = band.FileName;
    std::string contents;
    IniText::FileStatus status = IniText::ReadFile(BandPlanFile, contents);
    // A file that exists but cannot be read is never replaced by what memory holds of it.
    if (status.ok() || status.number == ENOENT) {
        pendingFile = IniText::Parse(contents);
        WriteBand(band);
        status = IniText::WriteFileAtomically(BandPlanFile, pendingFile.Serialise());
    }
    pendingFile = IniText{};
    lastSaveCode = status.number;
    LastSaveError = status.ok() ? "" : status.description;
    return status.ok();
}

bool SaveAllBandPlans()
{
    std::vector<std::string> failed;
    for (BandRecord& band : BandPlans) {
        if (SaveBandPlan(band))
            continue;
        AddLog("modBandPlan.SaveBandPlan:Code=" + std::to_string(lastSaveCode) + " Description=" + LastSaveError +
               " Source=" + band.FileName);
        failed.push_back(band.FileName);
    }
    ReportSaveFailures(failed);
    return failed.empty();
}

void ReadModeSettings(ModeSettingsRecord& state)
{
    state.Changed = false;
    ReadSettingsKeys(state, ReadKey);
    state.Loaded = true;
}

void WriteModeSettings(const ModeSettingsRecord& state)
{
    if (!state.Loaded || !state.Changed)
        return;
    for (const int index : WriteOrder) {
        const SettingsKey& key = SettingsKeys[index];
        std::visit([&](auto member) { Write(key.Key, state.*member); }, key.Field);
    }
}

void LoadPresetSettings(int32_t bandIndex, int32_t subBandIndex, int32_t presetIndex)
{
    if (bandIndex < 0 || static_cast<size_t>(bandIndex) >= BandPlans.size())
        return;
    BandRecord& band = BandPlans[static_cast<size_t>(bandIndex)];
    if (subBandIndex < 0 || static_cast<size_t>(subBandIndex) >= band.SubBands.size())
        return;
    SubBandRecord& subBand = band.SubBands[static_cast<size_t>(subBandIndex)];
    if (presetIndex < 0 || static_cast<size_t>(presetIndex) >= subBand.Presets.size())
        return;
    BandPlanSection = PresetSection(subBandIndex, presetIndex);
    BandPlanFile = band.FileName;
    ModeSettingsRecord& state = subBand.Presets[static_cast<size_t>(presetIndex)].ModeSettings;
    if (state.Loaded)
        return;
    state.Changed = false;
    // Read once for its 24 keys; a file that cannot be read says so once and leaves the
    // defaults.
    const IniText file = modIniFiles::LoadINI(BandPlanFile).value_or(IniText{});
    const auto reader = [&file](const std::string& key, const std::string& defaultValue) {
        return modIniFiles::ReadINI(file, BandPlanSection, key, defaultValue);
    };
    ReadSettingsKeys(state, reader);
    state.Loaded = true;
}

std::string ReadKey(const std::string& key, const std::string& defaultValue)
{
    if (!BandPlanINI)
        BandPlanINI = std::make_unique<clsINIFile>();
    return BandPlanINI->LoadItem(BandPlanSection, key, defaultValue);
}

void WriteKey(const std::string& key, const std::string& value)
{
    pendingFile.SetValue(BandPlanSection, key, value);
}

} // namespace modBandPlan
