#include "fakes/FakeSettingsStore.h"
#include "ui/scope/clsSpectrumAnalyser.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

// A settings store that also keeps the order of the writes.
class OrderedSettingsStore : public FakeSettingsStore
{
public:
    IniText::FileStatus Write(const std::string& section, const std::string& key, const std::string& value) override
    {
        written.push_back(section + ":" + key);
        return FakeSettingsStore::Write(section, key, value);
    }
    std::vector<std::string> written;
};

void Store(FakeSettingsStore& store, const std::string& section, const std::string& key, const std::string& value)
{
    store.values[FakeSettingsStore::name(section, key)] = value;
}

} // namespace

// The defaults that are worked out rather than stored: the smoothing divider and the log scale.
TEST(SpectrumAnalyserSettings, AnEmptyStoreGivesTheDefaults)
{
    FakeSettingsStore settings;
    clsSpectrumAnalyser analyser;
    EXPECT_TRUE(analyser.Mode() == 0 && !analyser.Active() && analyser.SmoothSpectrum && analyser.FrameRate() == 1);
    EXPECT_FLOAT_EQ(analyser.SmoothDivider, 4.5f);
    EXPECT_NEAR(analyser.ModeSettings(0).LogYScaleMax, 7.380211, 1E-5);
    EXPECT_NEAR(analyser.ModeSettings(1).LogYScaleMin, -0.0451545, 1E-6);
}

// Automatic gain always starts off; the phase mode's stored channels win during
// construction; a value that is no number keeps the default; a stored gain of 0 stays 0.
TEST(SpectrumAnalyserSettings, StoredValuesAreReadBack)
{
    FakeSettingsStore settings;
    Store(settings, "SpectrumAnalyser", "AutoGain", "True");
    Store(settings, "SpectrumAnalyser", "Mode", "2");
    Store(settings, "SpectrumAnalyser", "FrameRate", "abc");
    Store(settings, "SpectrumAnalyser", "SpectrumSmooth", "24");
    Store(settings, "SpectrumAnalyser", "HideFreqTooltip", "True");
    Store(settings, "SpectrumAnalyser.Mode.2", "Chn1.Enabled", "False");
    Store(settings, "SpectrumAnalyser.Mode.1", "Chn2.Gain", "0");
    Store(settings, "SpectrumAnalyser.Mode.0", "Chn1.Shift", "-12.5");
    clsSpectrumAnalyser analyser;
    EXPECT_FALSE(analyser.AutoGain);
    EXPECT_EQ(analyser.Mode(), 2);
    EXPECT_FALSE(analyser.Chn1Enabled());
    EXPECT_EQ(analyser.FrameRate(), 1);
    EXPECT_FLOAT_EQ(analyser.SmoothDivider, 12.5f);
    EXPECT_TRUE(analyser.HideFreqToolTip());
    EXPECT_EQ(analyser.ModeSettings(1).Chn2Gain, 0.0f);
    EXPECT_EQ(analyser.ModeSettings(0).Chn1Shift, -12.5f);
    EXPECT_EQ(analyser.ModeSettings(0).Chn1Offset, 0.0f);
    analyser.FSampling = 48000;
    analyser.Order = 11;
    analyser.Mode(2);
    EXPECT_TRUE(analyser.Chn1Enabled());
}

TEST(SpectrumAnalyserSettings, DestructionWritesTheModeSectionsThenTheMainSection)
{
    OrderedSettingsStore settings;
    { clsSpectrumAnalyser analyser; }
    std::vector<std::string> expected;
    for (const char* mode : {"0", "1", "2"})
        for (const char* key : {"LogMode", "FastMode", "Chn1.Shift", "Chn2.Shift", "Chn1.Gain", "Chn2.Gain",
                                "Chn1.Enabled", "Chn2.Enabled", "Chn1.TriggerOn", "Chn2.TriggerOn"})
            expected.push_back(std::string("SpectrumAnalyser.Mode.") + mode + ":" + key);
    for (const char* key : {"Mode", "ShowNotch", "ShowFilter", "ReverseSpectrum", "Active", "SmoothSpectrum",
                            "AutoGain", "SpectrumWidth", "TriggerChn", "HideFreqTooltip", "SpectrumSmooth",
                            "FrameRate", "DefaultSmoothCount", "Y1BaseColour", "Y2BaseColour", "ControlColourNormal",
                            "ControlColourFocused", "NotchFilterColour", "FilterCurveColour", "ScopeBackColour",
                            "GraticuleColour", "XTextColour", "YTextColour"})
        expected.push_back(std::string("SpectrumAnalyser:") + key);
    EXPECT_EQ(settings.written, expected);
    EXPECT_EQ(settings.values[FakeSettingsStore::name("SpectrumAnalyser", "NotchFilterColour")], "12648288");
}

TEST(SpectrumAnalyserSettings, PropertiesKeepTheirRules)
{
    FakeSettingsStore settings;
    clsSpectrumAnalyser analyser;
    analyser.FSampling = 48000;   // a mode change sizes the analyser first
    analyser.Order = 11;
    for (auto [frames, divider] : {std::pair{1, 1.0f}, {3, 2.0f}, {24, 12.5f}, {0, 0.0f}}) {
        analyser.SpectrumSmooth(frames);
        EXPECT_FLOAT_EQ(analyser.SmoothDivider, divider) << frames;
    }
    analyser.SetChannelBrightness(0, 50);
    EXPECT_EQ(analyser.Y1Colour, 0x8000);
    analyser.SetChannelBrightness(2, 50);
    EXPECT_EQ(analyser.Y2Colour, 0xFFFF);

    analyser.Chn1Gain(0);
    EXPECT_EQ(analyser.Chn1Gain(), 1E-6f);
    analyser.Mode(1);
    analyser.Chn1Shift(100);
    EXPECT_NEAR(analyser.ModeSettings(1).Chn1Offset, 43690.67, 0.01);
    for (auto [channel, trig1, trig2] : {std::tuple{1, true, false}, {2, false, true}, {0, false, false}, {3, false, false}}) {
        analyser.TriggerChn(static_cast<int16_t>(channel));
        EXPECT_EQ(analyser.Chn1Trig(), trig1);
        EXPECT_EQ(analyser.Chn2Trig(), trig2);
    }

    analyser.Mode(0);
    analyser.LogMode(true);
    EXPECT_NEAR(analyser.YScaleMax(), 7.380211, 1E-5);
    EXPECT_NEAR(analyser.YScaleMin(), -7.380211E-6, 1E-10);
    analyser.YScaleMax(1E6f);
    EXPECT_NEAR(analyser.YScaleMax(), 7.380211, 1E-5);
    analyser.LogMode(false);
    EXPECT_FLOAT_EQ(analyser.YScaleRange(), 1E6f + 2.4E7f);

    // A mode outside 0..2 is kept as stored and uses the nearest record.
    analyser.Mode(7);
    EXPECT_EQ(analyser.Mode(), 7);
    EXPECT_EQ(analyser.YScaleMax(), 32768.0f);
}
