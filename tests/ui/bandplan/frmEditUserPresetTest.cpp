#include "ui/bandplan/frmEditUserPreset.h"

#include <QCheckBox>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

PresetRecord StoredFM()
{
    PresetRecord preset;
    preset.Index = 3;
    preset.Description = "Utility";
    preset.When = "2007-02-03 14:05:09";
    preset.ModeSettings.FreqCurrent = 15440000;
    preset.ModeSettings.DemodMode = 4;   // FM: not offered by the window
    preset.ModeSettings.FilterMode = 7;
    preset.ModeSettings.LowSideLO = true;
    preset.ModeSettings.AGCMode = 3;
    return preset;
}

// The window shows the stored values (modes it does not offer as its first option) and
// saves them back as shown; the other stored settings stay.
TEST(frmEditUserPreset, ShowsThePresetAndSavesWhatItShows)
{
    PresetEditRecord = StoredFM();
    PresetEditTitle = "Edit Preset 3";
    PresetEditButtonCaption = "&Update";
    frmEditUserPreset window;
    EXPECT_EQ(window.windowTitle(), "ZOZEVERE - Edit Preset 3");
    EXPECT_EQ(window.txtPresetValues[1]->text(), "15 440 000");
    EXPECT_EQ(window.txtPresetValues[2]->text(), "2007-02-03");
    EXPECT_EQ(window.txtPresetValues[3]->text(), "14:05:09");
    EXPECT_EQ(window.optDemodulationValue.Selected(), 0);
    EXPECT_EQ(window.optFilteringValues.Selected(), 0);
    EXPECT_TRUE(window.chkPresetTuneImage->isChecked());

    window.cmdSave_Click();
    EXPECT_TRUE(PresetEditOK);
    EXPECT_EQ(PresetEditRecord.ModeSettings.FreqCurrent, 15440000);
    EXPECT_EQ(PresetEditRecord.ModeSettings.DemodMode, 0);
    EXPECT_EQ(PresetEditRecord.ModeSettings.FilterMode, 0);
    EXPECT_EQ(PresetEditRecord.ModeSettings.AGCMode, 3);
    EXPECT_EQ(PresetEditRecord.Caption, "15440");
    EXPECT_EQ(PresetEditRecord.When, "2007-02-03 14:05:09");
}

// A description whose bytes are not UTF-8 (a Latin-1 file) is kept byte for byte unless edited.
TEST(frmEditUserPreset, ADescriptionIsTakenOnlyWhenEdited)
{
    PresetEditRecord = StoredFM();
    PresetEditRecord.Description = "Caf\xE9 radio";
    frmEditUserPreset unchanged;
    unchanged.cmdSave_Click();
    EXPECT_EQ(PresetEditRecord.Description, "Caf\xE9 radio");
    frmEditUserPreset edited;
    edited.txtPresetValues[0]->setText("Caf\u00E9 Radio");
    edited.cmdSave_Click();
    EXPECT_EQ(PresetEditRecord.Description, "Caf\xC3\xA9 Radio");
}

// Text that does not begin with a number, or a number beyond the field, leaves the preset
// unused; reading stops where the number ends; cancelling changes nothing.
TEST(frmEditUserPreset, AFrequencyThatIsNoNumberMakesThePresetUnused)
{
    for (const auto& [text, hertz] : {std::pair{"abc", 0}, std::pair{"99 999 999 999", 0}, std::pair{"7 074 000.6 Hz", 7074001}}) {
        PresetEditRecord = StoredFM();
        frmEditUserPreset window;
        window.txtPresetValues[1]->setText(text);
        window.cmdSave_Click();
        EXPECT_EQ(PresetEditRecord.ModeSettings.FreqCurrent, hertz) << text;
    }
    PresetEditRecord = StoredFM();
    frmEditUserPreset window;
    window.txtPresetValues[1]->setText("1");
    window.cmdCancel_Click();
    EXPECT_FALSE(PresetEditOK);
    EXPECT_EQ(PresetEditRecord.ModeSettings.FreqCurrent, 15440000);
}

} // namespace
