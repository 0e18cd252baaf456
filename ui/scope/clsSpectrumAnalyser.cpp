#include "ui/scope/clsSpectrumAnalyser.h"

#include "core/Numeric.h"
#include "core/PublicFuncs.h"
#include "core/Settings.h"
#include "core/TryStep.h"
#include "dsp/QELVO.h"

#include <algorithm>
#include <functional>

namespace {

const std::string restoreRoutine = "clsSpectrumAnalyser.Class_Initialize";

std::string ModeSection(const std::string& name, int32_t mode) { return name + ".Mode." + Numeric::Str(mode); }

float ToSingle(const std::string& text) { return Numeric::CSng(text); }
bool ToBool(const std::string& text) { return Numeric::CBool(text); }
int32_t ToLong(const std::string& text) { return Numeric::CLng(text); }

// A stored value replaces value; a missing or malformed one leaves it.
template <typename Value, typename Convert>
void Restore(const std::string& section, const char* key, Value& value, Convert convert)
{
    Settings::RestoreSetting(
        section, key, [&](const std::string& text) { value = static_cast<Value>(convert(text)); }, restoreRoutine);
}

// The same for a value set through its property.
template <typename Value, typename Convert>
void RestoreInto(const std::string& section, const char* key, Value current, Convert convert,
                 const std::function<void(Value)>& apply)
{
    Value value = current;
    Restore(section, key, value, convert);
    apply(value);
}

} // namespace

clsSpectrumAnalyser::clsSpectrumAnalyser(ScopeControlColours unstored)
{
    initialising_ = true;
    ControlColourNormal = unstored.Normal;
    ControlColourFocused = unstored.Focused;
    DefaultSmoothCount = 8;
    SpectrumSmooth(8);
    FrameRate(1);
    SetChannelBrightness(0, 100);
    SetChannelBrightness(1, 100);
    SetDefaultScales();
    TryStep([this] { RestoreSettings(); });
    for (int32_t mode = 0; mode < ModeCount; ++mode)
        TryStep([this, mode] { RestoreModeSettings(mode); });
    fOffset_ = 0;
    Gain = 1.0f;
    AutoGain = false;   // automatic gain always starts off, whatever was stored
    initialising_ = false;
}

clsSpectrumAnalyser::~clsSpectrumAnalyser()
{
    TryStep([this] { SaveSettings(); });
}

void clsSpectrumAnalyser::SetDefaultScales()
{
    for (int32_t mode = 0; mode < ModeCount; ++mode) {
        ModeScaleRecord& record = modeSettings_[static_cast<size_t>(mode)];
        record.LinYScaleMax = mode == ScopeModeEnum::Spectrum ? 2.4E7f : 32768.0f;
        record.LinYScaleMin = -record.LinYScaleMax;
        record.LinYScaleRange = record.LinYScaleMax - record.LinYScaleMin;
        record.LogYScaleMax = static_cast<float>(QELVO::Log10(record.LinYScaleMax));
        record.LogYScaleMin = record.LogYScaleMax * (mode == ScopeModeEnum::Spectrum ? -1E-6f : -0.01f);
        record.LogYScaleRange = record.LogYScaleMax - record.LogYScaleMin;
    }
}

void clsSpectrumAnalyser::RestoreSettings()
{
    const std::string& s = Name;
    Restore(s, "Active", active_, ToBool);
    RestoreInto<int32_t>(s, "Mode", mode_, ToLong, [this](int32_t m) { Mode(m); });
    Restore(s, "SmoothSpectrum", SmoothSpectrum, ToBool);
    Restore(s, "ShowNotch", showNotch_, ToBool);
    Restore(s, "ShowFilter", showFilter_, ToBool);
    Restore(s, "AutoGain", AutoGain, ToBool);
    Restore(s, "ReverseSpectrum", reverseSpectrum_, ToBool);
    Restore(s, "HideFreqToolTip", hideFreqToolTip_, ToBool);
    RestoreInto<int32_t>(s, "SpectrumSmooth", spectrumSmooth_, ToLong, [this](int32_t k) { SpectrumSmooth(k); });
    Restore(s, "FrameRate", frameRate_, ToLong);
    Restore(s, "DefaultSmoothCount", DefaultSmoothCount, ToLong);
    Restore(s, "Y1BaseColour", y1BaseColour_, ToLong);
    Restore(s, "Y2BaseColour", y2BaseColour_, ToLong);
    Restore(s, "ControlColourNormal", ControlColourNormal, ToLong);
    Restore(s, "ControlColourFocused", ControlColourFocused, ToLong);
    Restore(s, "NotchFilterColour", notchFilterColour_, ToLong);
    Restore(s, "FilterCurveColour", filterCurveColour_, ToLong);
    Restore(s, "ScopeBackColour", scopeBackColour_, ToLong);
    Restore(s, "GraticuleColour", graticuleColour_, ToLong);
    Restore(s, "XTextColour", xTextColour_, ToLong);
    Restore(s, "YTextColour", yTextColour_, ToLong);
}

// Stored values go straight into the record: the offsets stay 0 and a stored gain of 0
// stays 0 (the traces then show flat lines, as the user asked).
void clsSpectrumAnalyser::RestoreModeSettings(int32_t mode)
{
    const std::string section = ModeSection(Name, mode);
    ModeScaleRecord& r = modeSettings_[static_cast<size_t>(mode)];
    r.LogMode = false;
    r.FastMode = false;
    r.Chn1Shift = r.Chn2Shift = 0;
    r.Chn1Gain = r.Chn2Gain = 1;
    r.Chn1Enabled = r.Chn2Enabled = true;
    r.Chn1Trig = true;
    r.Chn2Trig = false;
    Restore(section, "LogMode", r.LogMode, ToBool);
    Restore(section, "FastMode", r.FastMode, ToBool);
    Restore(section, "Chn1.Shift", r.Chn1Shift, ToSingle);
    Restore(section, "Chn2.Shift", r.Chn2Shift, ToSingle);
    Restore(section, "Chn1.Gain", r.Chn1Gain, ToSingle);
    Restore(section, "Chn2.Gain", r.Chn2Gain, ToSingle);
    Restore(section, "Chn1.Enabled", r.Chn1Enabled, ToBool);
    Restore(section, "Chn2.Enabled", r.Chn2Enabled, ToBool);
    Restore(section, "Chn1.TriggerOn", r.Chn1Trig, ToBool);
    Restore(section, "Chn2.TriggerOn", r.Chn2Trig, ToBool);
}

void clsSpectrumAnalyser::SaveModeSettings(int32_t mode) const
{
    const std::string section = ModeSection(Name, mode);
    const ModeScaleRecord& r = modeSettings_[static_cast<size_t>(mode)];
    using Numeric::BoolText;
    using Numeric::Str;
    Settings::SaveSetting(section, "LogMode", BoolText(r.LogMode));
    Settings::SaveSetting(section, "FastMode", BoolText(r.FastMode));
    Settings::SaveSetting(section, "Chn1.Shift", Str(r.Chn1Shift));
    Settings::SaveSetting(section, "Chn2.Shift", Str(r.Chn2Shift));
    Settings::SaveSetting(section, "Chn1.Gain", Str(r.Chn1Gain));
    Settings::SaveSetting(section, "Chn2.Gain", Str(r.Chn2Gain));
    Settings::SaveSetting(section, "Chn1.Enabled", BoolText(r.Chn1Enabled));
    Settings::SaveSetting(section, "Chn2.Enabled", BoolText(r.Chn2Enabled));
    Settings::SaveSetting(section, "Chn1.TriggerOn", BoolText(r.Chn1Trig));
    Settings::SaveSetting(section, "Chn2.TriggerOn", BoolText(r.Chn2Trig));
}

void clsSpectrumAnalyser::SaveSettings() const
{
    for (int32_t mode = 0; mode < ModeCount; ++mode)
        SaveModeSettings(mode);
    using Numeric::BoolText;
    using Numeric::Str;
    const std::string& s = Name;
    Settings::SaveSetting(s, "Mode", Str(mode_));
    Settings::SaveSetting(s, "ShowNotch", BoolText(showNotch_));
    Settings::SaveSetting(s, "ShowFilter", BoolText(showFilter_));
    Settings::SaveSetting(s, "ReverseSpectrum", BoolText(reverseSpectrum_));
    Settings::SaveSetting(s, "Active", BoolText(active_));
    Settings::SaveSetting(s, "SmoothSpectrum", BoolText(SmoothSpectrum));
    Settings::SaveSetting(s, "AutoGain", BoolText(AutoGain));
    Settings::SaveSetting(s, "SpectrumWidth", Str(SpectrumWidth));
    Settings::SaveSetting(s, "TriggerChn", Str(int32_t{TriggerChn()}));
    Settings::SaveSetting(s, "HideFreqTooltip", BoolText(hideFreqToolTip_));
    Settings::SaveSetting(s, "SpectrumSmooth", Str(spectrumSmooth_));
    Settings::SaveSetting(s, "FrameRate", Str(frameRate_));
    Settings::SaveSetting(s, "DefaultSmoothCount", Str(DefaultSmoothCount));
    Settings::SaveSetting(s, "Y1BaseColour", Str(y1BaseColour_));
    Settings::SaveSetting(s, "Y2BaseColour", Str(y2BaseColour_));
    Settings::SaveSetting(s, "ControlColourNormal", Str(ControlColourNormal));
    Settings::SaveSetting(s, "ControlColourFocused", Str(ControlColourFocused));
    Settings::SaveSetting(s, "NotchFilterColour", Str(notchFilterColour_));
    Settings::SaveSetting(s, "FilterCurveColour", Str(filterCurveColour_));
    Settings::SaveSetting(s, "ScopeBackColour", Str(scopeBackColour_));
    Settings::SaveSetting(s, "GraticuleColour", Str(graticuleColour_));
    Settings::SaveSetting(s, "XTextColour", Str(xTextColour_));
    Settings::SaveSetting(s, "YTextColour", Str(yTextColour_));
}

int32_t clsSpectrumAnalyser::ModeInUse() const { return std::clamp(mode_, int32_t{0}, ModeCount - 1); }

// The weights j / K for j = 1..K add up to (K + 1) / 2.
void clsSpectrumAnalyser::SpectrumSmooth(int32_t frames)
{
    spectrumSmooth_ = frames;
    SmoothDivider = 0;
    for (int16_t j = 1; j <= frames && j > 0; ++j)
        SmoothDivider += static_cast<float>(static_cast<double>(j) / frames);
}

void clsSpectrumAnalyser::SetChannelBrightness(int16_t Channel, int16_t level)
{
    if (Channel == 0)
        Y1Colour = PublicFuncs::ScaleColour(y1BaseColour_, level);
    else if (Channel == 1)
        Y2Colour = PublicFuncs::ScaleColour(y2BaseColour_, level);
}

void clsSpectrumAnalyser::Chn1Gain(float gain) { Record().Chn1Gain = gain == 0 ? 1E-6f : gain; }
void clsSpectrumAnalyser::Chn2Gain(float gain) { Record().Chn2Gain = gain == 0 ? 1E-6f : gain; }

void clsSpectrumAnalyser::TriggerChn(int16_t channel)
{
    ModeScaleRecord& r = Record();
    r.TriggerChn = channel;
    r.Chn1Trig = channel == 1;
    r.Chn2Trig = channel == 2;
}

void clsSpectrumAnalyser::Chn1Shift(float shift)
{
    Record().Chn1Shift = shift;
    Record().Chn1Offset = shift / 150 * YScaleRange();
}

void clsSpectrumAnalyser::Chn2Shift(float shift)
{
    Record().Chn2Shift = shift;
    Record().Chn2Offset = shift / 150 * YScaleRange();
}

float clsSpectrumAnalyser::YScaleMax() const { return LogMode() ? Record().LogYScaleMax : Record().LinYScaleMax; }
float clsSpectrumAnalyser::YScaleMin() const { return LogMode() ? Record().LogYScaleMin : Record().LinYScaleMin; }
float clsSpectrumAnalyser::YScaleRange() const
{
    return LogMode() ? Record().LogYScaleRange : Record().LinYScaleRange;
}

void clsSpectrumAnalyser::YScaleMax(float value)
{
    Record().LinYScaleMax = value;
    Record().LinYScaleRange = value - Record().LinYScaleMin;
}

void clsSpectrumAnalyser::YScaleMin(float value)
{
    Record().LinYScaleMin = value;
    Record().LinYScaleRange = Record().LinYScaleMax - value;
}

// The phase display always shows both channels.
void clsSpectrumAnalyser::Mode(int32_t mode)
{
    mode_ = mode;
    if (mode == ScopeModeEnum::Phase) {
        modeSettings_[ScopeModeEnum::Phase].Chn1Enabled = true;
        modeSettings_[ScopeModeEnum::Phase].Chn2Enabled = true;
    }
    SetupAxes();
}
