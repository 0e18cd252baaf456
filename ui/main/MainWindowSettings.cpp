#include "ui/main/MainWindowSettings.h"

#include "audio/QELVODX8.h"
#include "core/MainWindowValues.h"
#include "core/Numeric.h"
#include "core/PublicVars.h"
#include "core/Settings.h"
#include "core/TryStep.h"
#include "core/frmLog.h"
#include "dsp/QELVO.h"
#include "dsp/ReceiveState.h"
#include "platform/AppPaths.h"
#include "ui/main/BlockLoop.h"
#include "ui/main/FrontPanel.h"
#include "ui/main/ScrollLabels.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

const std::string section = "frmMain";

int32_t ToLong(const std::string& text) { return Numeric::CLng(text); }
bool ToBool(const std::string& text) { return Numeric::CBool(text); }
std::string AsIs(const std::string& text) { return text; }

// The stored text, or the default's text when the key is missing, converted; a text that
// does not convert leaves the value in force.
template <typename Value, typename Convert>
void Read(const std::string& key, Value& value, const std::string& defaultText, Convert convert)
{
    TryStep([&] { value = static_cast<Value>(convert(Settings::GetSetting(section, key, defaultText))); });
}

// A number outside its range (a stale or hand-edited store) gives the default.
void ReadIndex(const std::string& key, int32_t& value, int32_t defaultValue, int32_t last,
               int32_t (*convert)(const std::string&))
{
    Read(key, value, Numeric::Str(defaultValue), convert);
    if (value < 0 || value > last)
        value = defaultValue;
}

// The number as stored where no name is stored with it: a number outside the list (a card
// unplugged since) is what the next On reports as not among the devices found. Beside a
// stored name, which chooses the device, one outside the list is held to 1.
int32_t StoredDeviceNumber(const std::string& key, int32_t current, size_t listed, bool named)
{
    int32_t number = current;
    Read(key, number, "1", ToLong);
    if (!named || (number >= 1 && static_cast<size_t>(number) <= std::max<size_t>(listed, 1)))
        return number;
    AddLog(ScrollLabelSteps::HeldNote("frmMain.RestoreSoundDevices", key, number, 1));
    return 1;
}

int32_t LeadingNumber(const std::string& text) { return Numeric::CLng(Numeric::Val(text)); }

// The noise floor is stored in hundred-thousandths but held in single precision, which
// cannot give every stored number back: the text read is written back while the value has
// not changed, so the stored number survives any number of runs.
struct StoredNoiseFloor
{
    std::string text;
    float value = 0;
} storedNoiseFloor;

float NoiseFloorFromText(const std::string& text)
{
    const float value = Numeric::CSng(text) / 100000.0f;
    storedNoiseFloor = {text, value};
    return value;
}

// Whole hundred-thousandths, as its default "1000000" (10.0) is; empty for a value that has none.
std::string NoiseFloorText(float noiseFloor)
{
    if (noiseFloor == storedNoiseFloor.value && !storedNoiseFloor.text.empty())
        return storedNoiseFloor.text;
    const double hundredThousandths = std::floor(static_cast<double>(noiseFloor) * 100000.0);
    if (!std::isfinite(hundredThousandths) || std::abs(hundredThousandths) >= 1e18)
        return "";
    return Numeric::Str(static_cast<int64_t>(hundredThousandths));
}

void Write(const std::string& key, const std::string& text) { Settings::SaveSetting(section, key, text); }
void Write(const std::string& key, bool value) { Write(key, Numeric::BoolText(value)); }
void Write(const std::string& key, int32_t value) { Write(key, Numeric::Str(value)); }

// The colour keys in the order the start-up reads them, each defaulting to the scheme's
// colour in force.
struct ColourKey
{
    const char* key;
    int32_t SDRColourScheme::*field;
};

const ColourKey ColourKeys[] = {
    {"SDRBackgroundColour", &SDRColourScheme::SDRBackgroundColour},
    {"SDRLabelColour", &SDRColourScheme::SDRLabelColour},
    {"SDRTuningColour", &SDRColourScheme::SDRTuningColour},
    {"SDRFrameNormalColour", &SDRColourScheme::SDRFrameNormalColour},
    {"SDRFrameFocusColour", &SDRColourScheme::SDRFrameFocusColour},
    {"ScrollableLabelNormalColour", &SDRColourScheme::ScrollableLabelNormalColour},
    {"ScrollableLabelFocusColour", &SDRColourScheme::ScrollableLabelFocusColour},
};

} // namespace

namespace MainWindowSettings {

void RestoreColourScheme()
{
    SDRColourScheme& scheme = PublicVars::SDRColourSchemes;
    for (const ColourKey& colour : ColourKeys) {
        int32_t& field = scheme.*colour.field;
        Read(colour.key, field, Numeric::Str(field), ToLong);
    }
}

// What the receiver set-up needs before the other settings are read: the model and whether
// the shaft encoder is fitted.
void RestoreInterfaceSettings()
{
    Read("EnableShaftEncoder", EnableShaftEncoder, "False", ToBool);
    Read("SDRModelNo", SDRModelNo, Numeric::Str(SDRModelNo), ToLong);
}

int32_t StoredDisplayMode()
{
    int32_t displayMode = DisplayMode;
    ReadIndex("DisplayMode", displayMode, 2, 3, ToLong);
    return displayMode;
}

// The window's options and most program-wide ones; the sound devices are read when the
// sound card is configured. A key that is missing gives its default (or leaves the value in
// force where the value in force is the default); one that does not convert is skipped.
void RestoreSettings(float& noiseFloor)
{
    AddLog("RestoreSettings : Start");
    const auto current = [](auto value) {
        if constexpr (std::is_same_v<decltype(value), bool>)
            return Numeric::BoolText(value);
        else
            return Numeric::Str(value);
    };
    Read("SDRModelNo", SDRModelNo, current(SDRModelNo), ToLong);
    Read("CurrentMainBandIndex", CurrentMainBandIndex, current(CurrentMainBandIndex), ToLong);
    Read("NoiseFloor", noiseFloor, "1000000", NoiseFloorFromText);
    DisplayMode = StoredDisplayMode();
    ReadIndex("ScopeSource", ScopeSource, ScopeSourceEnum::IFIn, ScopeSourceEnum::AFOut, LeadingNumber);
    Read("PerfStatsOn", PerfStatsOn, "False", ToBool);
    if (QELVO::SPLAvailable)
        Read("UseSPL", QELVO::UseSPL, "False", ToBool);
    Read("ShaftAutoRate", ShaftAutoRate, "False", ToBool);
    Read("EnableShaftEncoder", EnableShaftEncoder, "False", ToBool);
    Read("ScrollWheelEnableOverScope", ScrollWheelEnableOverScope, "False", ToBool);
    Read("MouseOverS.HiLiteBorder", HiLiteBorder, "False", ToBool);
    Read("DRM.RunDreamOnDRM", RunDreamOnDRM, "False", ToBool);
    Read("DRM.MuteAFOnDRM", MuteAFOnDRM, "False", ToBool);
    Read("DRM.CloseSoundcardOnDRM", CloseSoundcardOnDRM, "False", ToBool);
    Read("DRM.PathToDream", PublicVars::PathToDream, "", AsIs);
    Read("DRM.DreamProgArgs", PublicVars::DreamProgArgs, "", AsIs);
    ReadIndex("DRM.DreamWindowStyle", DreamWindowStyle, 1, 3, ToLong);
    Read("DRM.DreamCloseOnExit", PublicVars::DreamCloseOnExit, "True", ToBool);
    Read("DRM.DreamCloseOnModeChange", DreamCloseOnModeChange, "False", ToBool);
    Read("KBDSupport", KBDSupport, "False", ToBool);
    Read("AutoTrackPresets", AutoTrackPresets, "True", ToBool);
    Read("FormCaptionOffOnPwrOn", FormCaptionOffOnPwrOn, "False", ToBool);
    Read("AutoStartSDR", AutoStartSDR, "False", ToBool);
    Read("SaveRecordingspath", SaveRecordingsPath, AppPaths::ProgramFolder(), AsIs);
    // Earlier versions recorded into the executable's folder, whose recordings the program
    // folder now holds; recording on there would put them back into the build tree.
    if (SaveRecordingsPath == AppPaths::ExecutableFolder())
        SaveRecordingsPath = AppPaths::ProgramFolder();
    Read("PhaseBitCorrection", PhaseBitCorrection, current(PhaseBitCorrection), ToBool);
    Read("FlipIQ", FlipIQ, current(FlipIQ), ToBool);
    AddLog("RestoreSettings : End");
}

// A device is chosen by its name where one is stored, wherever it is listed now, and
// otherwise by its number as stored.
void RestoreSoundDevices(QELVODX8& soundCard)
{
    std::string playbackName, captureName;
    Read("CurrentPlaybackDeviceName", playbackName, "", AsIs);
    Read("CurrentCaptureDeviceName", captureName, "", AsIs);
    const int32_t playback = StoredDeviceNumber("CurrentPlaybackDevice", soundCard.CurrentPlaybackDevice(),
                                                soundCard.PlayDevices().size(), !playbackName.empty());
    const int32_t capture = StoredDeviceNumber("CurrentCaptureDevice", soundCard.CurrentCaptureDevice(),
                                               soundCard.CapDevices().size(), !captureName.empty());
    soundCard.SetCurrentPlaybackDevice(playback);
    soundCard.SetCurrentPlaybackDeviceName(playbackName);
    soundCard.SetCurrentCaptureDevice(capture);
    soundCard.SetCurrentCaptureDeviceName(captureName);
}

// Two keys keep the stored format only.
void SaveSettings(float noiseFloor, const QELVODX8* soundCard)
{
    const SDRColourScheme& scheme = PublicVars::SDRColourSchemes;
    const auto write = [](const std::string& key, auto value) { TryStep([&] { Write(key, value); }); };
    write("SDRModelNo", SDRModelNo);
    write("SDRBackgroundColour", scheme.SDRBackgroundColour);
    write("SDRFrameFocusColour", scheme.SDRFrameFocusColour);
    write("SDRFrameNormalColour", scheme.SDRFrameNormalColour);
    write("SDRLabelColour", scheme.SDRLabelColour);
    write("SDRTuningColour", scheme.SDRTuningColour);
    write("ScrollableLabelFocusColour", scheme.ScrollableLabelFocusColour);
    write("ScrollableLabelNormalColour", scheme.ScrollableLabelNormalColour);
    write("CurrentMainBandIndex", CurrentMainBandIndex);
    if (const std::string stored = NoiseFloorText(noiseFloor); !stored.empty())
        write("NoiseFloor", stored);
    write("DisplayMode", DisplayMode);
    write("PerfStatsOn", PerfStatsOn);
    write("UseSPL", QELVO::UseSPL);
    write("ShaftAutoRate", ShaftAutoRate);
    write("EnableShaftEncoder", EnableShaftEncoder);
    write("ScrollWheelEnableOverScope", ScrollWheelEnableOverScope);
    write("ScopeSource", ScopeSource);
    write("NBOn", NBOn);
    write("NB", Numeric::Str(ScrollLabels[9].Value));
    write("CurrentPlaybackDevice", soundCard ? soundCard->CurrentPlaybackDevice() : 1);
    write("CurrentCaptureDevice", soundCard ? soundCard->CurrentCaptureDevice() : 1);
    write("CurrentPlaybackDeviceName", soundCard ? soundCard->CurrentPlaybackDeviceName() : std::string());
    write("CurrentCaptureDeviceName", soundCard ? soundCard->CurrentCaptureDeviceName() : std::string());
    write("AutoDDSRefresh", false);
    write("MouseOverS.HiLiteBorder", HiLiteBorder);
    write("KBDSupport", KBDSupport);
    write("DRM.RunDreamOnDRM", RunDreamOnDRM);
    write("DRM.MuteAFOnDRM", MuteAFOnDRM);
    write("DRM.CloseSoundcardOnDRM", CloseSoundcardOnDRM);
    write("DRM.PathToDream", PublicVars::PathToDream);
    write("DRM.DreamProgArgs", PublicVars::DreamProgArgs);
    write("DRM.DreamWindowStyle", DreamWindowStyle);
    write("DRM.DreamCloseOnExit", PublicVars::DreamCloseOnExit);
    write("DRM.DreamCloseOnModeChange", DreamCloseOnModeChange);
    write("AutoTrackPresets", AutoTrackPresets);
    write("FormCaptionOffOnPwrOn", FormCaptionOffOnPwrOn);
    write("AutoStartSDR", AutoStartSDR);
    write("SaveRecordingsPath", SaveRecordingsPath);
    write("PhaseBitCorrection", PhaseBitCorrection);
    write("FlipIQ", FlipIQ);
    write("DDSIFType", std::string("0"));
}

} // namespace MainWindowSettings
