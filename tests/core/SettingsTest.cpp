#include "core/Numeric.h"
#include "core/Settings.h"

#include "fakes/FakeMessageBoxes.h"
#include "fakes/FakeSettingsStore.h"
#include "platform/AppPaths.h"
#include "support/ScopedTestHome.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(SettingsTest, TheUsersSettingsFileKeepsValuesAcrossCaseChanges)
{
    ScopedTestHome home;  // the settings folder does not exist yet
    EXPECT_EQ(Settings::GetSetting("RXModel.NTI DRB 30", "CLKIn", "100000000"), "100000000");

    Settings::SaveSetting("RXModel.NTI DRB 30", "CLKIn", "99999000");
    EXPECT_EQ(Settings::GetSetting("rxmodel.nti drb 30", "ClkIn", "0"), "99999000");
    EXPECT_EQ(Settings::GetSetting("RXModel.NTI DRB 30", "BaseFrequency", "7"), "7");
    EXPECT_TRUE(std::filesystem::exists(AppPaths::SettingsFilePath()));
}

TEST(SettingsTest, AFailedWriteIsShownOnceAndTheProgramGoesOn)
{
    FakeMessageBoxes boxes;
    FakeSettingsStore store;
    Settings::SaveSetting("frmMain", "SDRModelNo", "3");
    EXPECT_EQ(Settings::GetSetting("FRMMAIN", "sdrmodelno"), "3");

    store.failWrites = true;
    Settings::SaveSetting("frmMain", "SDRModelNo", "4");
    Settings::SaveSetting("frmMain", "CurrentBand", "2");
    EXPECT_EQ(store.writeCount, 3);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.Last().prompt, "The settings could not be saved. Cannot write \"fake settings\": Permission denied.\n"
                                   "Check that the folder exists and that it and the file can be written; until then "
                                   "changed settings are lost at exit.");
    EXPECT_EQ(boxes.Last().icon, MessageBoxes::vbExclamation);
    EXPECT_EQ(Settings::GetSetting("frmMain", "SDRModelNo"), "3");
}

// The keys saved in a batch (nested ones included) reach the store together as the outermost
// one ends, each with its latest value whatever the case of its name; reads see them meanwhile.
TEST(SettingsTest, ABatchReachesTheStoreInOneWriteAndIsReadMeanwhile)
{
    FakeSettingsStore store;
    {
        const Settings::Batch outer;
        Settings::SaveSetting("RXModel.Test", "CLKIn", "1");
        {
            const Settings::Batch inner;
            Settings::SaveSetting("rxmodel.test", "ClkIn", "2");
            Settings::SaveSetting("frmMain", "SDRModelNo", "3");
        }
        EXPECT_EQ(store.writeCount, 0) << "an inner batch leaves the writing to the outer one";
        EXPECT_EQ(Settings::GetSetting("RXModel.Test", "CLKIn"), "2");
    }
    EXPECT_EQ(store.writeAllCount, 1);
    EXPECT_EQ(store.writeCount, 2);
    EXPECT_EQ(store.values[FakeSettingsStore::name("RXModel.Test", "CLKIn")], "2");
    EXPECT_EQ(Settings::GetSetting("FRMMAIN", "sdrmodelno"), "3");
    Settings::SaveSetting("frmMain", "SDRModelNo", "4");
    EXPECT_EQ(store.writeAllCount, 1) << "after the batch, a key is written at once";
    EXPECT_EQ(store.writeCount, 3);
}

// A settings file that is a pipe is not waited for: every key gives its default and the
// user hears of it once, naming the file.
TEST(SettingsTest, AStoreThatCannotBeReadIsToldOnceAndGivesTheDefaults)
{
    FakeMessageBoxes boxes;
    ScopedTestHome home;
    std::filesystem::create_directories(std::filesystem::path(AppPaths::SettingsFilePath()).parent_path());
    ASSERT_EQ(::mkfifo(AppPaths::SettingsFilePath().c_str(), 0600), 0);
    EXPECT_EQ(Settings::GetSetting("frmMain", "SDRBackgroundColour", "0"), "0");
    EXPECT_EQ(Settings::GetSetting("frmMain", "SDRLabelColour", "1"), "1");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.Last().prompt.find(AppPaths::SettingsFilePath()), std::string::npos);
}

TEST(RestoreSetting, AppliesAStoredValueAndKeepsTheCurrentOneWhenItIsRejected)
{
    FakeSettingsStore store;
    Settings::SaveSetting("RXModel.Test", "CLKIn", "12.5");
    int applied = 0;
    EXPECT_TRUE(Settings::RestoreSetting("RXModel.Test", "Missing", [&](const std::string&) { ++applied; }, "Test"));
    EXPECT_EQ(applied, 0) << "a missing key leaves the current value";
    double clock = 0;
    EXPECT_TRUE(Settings::RestoreSetting("RXModel.Test", "clkin", [&](const std::string& text) { clock = Numeric::CDbl(text); }, "Test"));
    EXPECT_EQ(clock, 12.5);
    Settings::SaveSetting("RXModel.Test", "CLKIn", "twelve");
    EXPECT_FALSE(Settings::RestoreSetting("RXModel.Test", "CLKIn", [&](const std::string& text) { clock = Numeric::CDbl(text); }, "Test"));
    EXPECT_EQ(clock, 12.5);
}
