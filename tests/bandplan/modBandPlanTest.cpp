#include "bandplan/modBandPlan.h"
#include "fakes/FakeMessageBoxes.h"
#include "platform/FolderListing.h"
#include "platform/IniText.h"
#include "support/BandPlanFile.h"
#include "support/ChildChecks.h"
#include "support/ScopedTestHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace modBandPlan;

class BandPlanFiles : public ::testing::Test
{
protected:
    void SetUp() override { BandPlans.reserve(32); }   // references to bands stay valid
    void TearDown() override { BandPlans.clear(); }

    BandRecord& Band(const std::string& name, const char* text)
    {
        return AddBandPlan(home.file(name + ".bpl"), name, text);
    }

    BandRecord& Loaded(const std::string& name, const char* text)
    {
        BandRecord& band = Band(name, text);
        InitBandPlan(band);
        EXPECT_TRUE(LoadBandPlan(band));
        return band;
    }

    std::string Stored(const std::string& name, const std::string& section, const std::string& key)
    {
        std::string text;
        IniText::ReadFile(home.file(name + ".bpl"), text);
        return IniText::Parse(text).Value(section, key).value_or("<missing>");
    }

    ScopedTestHome home;
    FakeMessageBoxes boxes;
};

TEST_F(BandPlanFiles, AnEmptyFileGivesEighteenHiddenSubBandsOfTwelveUnusedPresets)
{
    const BandRecord& band = Loaded("empty", "");
    ASSERT_EQ(band.NumSubBands, 17);
    ASSERT_EQ(band.SubBands.size(), 19u);
    for (int i = 0; i <= 17; ++i) {
        const SubBandRecord& subBand = band.SubBands[static_cast<size_t>(i)];
        EXPECT_EQ(subBand.Caption, "S" + std::to_string(i + 1));
        EXPECT_EQ(subBand.Description, "SubBand #" + std::to_string(i + 1));
        EXPECT_FALSE(subBand.HasFrequencies);
        ASSERT_EQ(subBand.Presets.size(), 13u);
        EXPECT_EQ(subBand.Presets[11].Caption, "P12");
        EXPECT_EQ(subBand.Presets[11].Description, "Preset12");
        EXPECT_FALSE(subBand.Presets[11].Used());
    }
}

// Headers match without regard to case and only whole names; a key may have blanks before
// "=" and before itself; captions are cut to 6 (sub-band) and 7 (preset) characters;
// presets of a sub-band without frequencies are not read; counts out of room are clamped.
TEST_F(BandPlanFiles, ReadsKeysAndSectionsByTheReadersRules)
{
    const BandRecord& band = Loaded("40m",
                                    "[mainband]\r\nNumSubBands=40\r\nActiveSubBand=25\r\n"
                                    "[SubBand.0]\r\nCaption=Broadcast\r\nFreqMin = 7000\r\n  FreqMax=7200\r\n"
                                    "ActivePreset=20\r\nNotchFilterWidth=13000\r\n"
                                    "[Preset.0.10]\r\nCaption=Ten\r\n[Preset.0.1]\r\nCaption=Station1A\r\nFreqCurrent=7050000\r\n"
                                    "[SubBand.1]\r\nNotchFilterWidth=12999\r\n"
                                    "[Preset.1.0]\r\nCaption=Hidden\r\nFreqCurrent=7100000\r\n");
    EXPECT_EQ(band.NumSubBands, 17);
    EXPECT_EQ(band.ActiveSubBand, 17);
    const SubBandRecord& first = band.SubBands[0];
    EXPECT_EQ(first.Caption, "Broadc");
    EXPECT_EQ(first.FreqMin, 7000);
    EXPECT_EQ(first.FreqMax, 7200);
    EXPECT_TRUE(first.HasFrequencies);
    EXPECT_EQ(first.ActivePreset, 11);
    EXPECT_EQ(first.ModeSettings.NotchFilterWidth, 100);
    EXPECT_EQ(first.Presets[1].Caption, "Station");
    EXPECT_EQ(first.Presets[1].ModeSettings.FreqCurrent, 7050000);
    EXPECT_EQ(first.Presets[10].Caption, "Ten");
    const SubBandRecord& second = band.SubBands[1];
    EXPECT_EQ(second.ModeSettings.NotchFilterWidth, 12999);
    EXPECT_FALSE(second.HasFrequencies);
    EXPECT_EQ(second.Presets[0].Caption, "P1");
}

// Only loaded bands are written; keys not written this time (a hand-made key, an unused
// preset's section, a state read and never changed) stay as the file had them.
TEST_F(BandPlanFiles, WritingBackKeepsWhatItDoesNotWrite)
{
    BandRecord& band = Loaded("20m",
                              "[MainBand]\r\nNumSubBands=1\r\nMyNote=kept\r\n"
                              "[SubBand.0]\r\nFreqMin=14000000\r\nDemodMode=1\r\nFilterMode=3\r\n"
                              "[Preset.0.5]\r\nDescription=by hand\r\n");
    Band("untouched", "[MainBand]\r\n");
    const auto before = QFileInfo(QString::fromStdString(home.file("untouched.bpl"))).lastModified();
    band.SubBands[0].Caption = "Digital";
    band.SubBands[1].ModeSettings.Changed = true;
    band.SubBands[1].ModeSettings.DemodMode = 2;
    band.SubBands[0].Presets[2].ModeSettings.FreqCurrent = 14074000;

    EXPECT_TRUE(SaveAllBandPlans());
    EXPECT_EQ(Stored("20m", "MainBand", "MyNote"), "kept");
    EXPECT_EQ(Stored("20m", "MainBand", "NumSubBands"), "1");
    EXPECT_EQ(Stored("20m", "SubBand.0", "Caption"), "Digital");
    EXPECT_EQ(Stored("20m", "SubBand.0", "FilterMode"), "3");
    EXPECT_EQ(Stored("20m", "SubBand.0", "AGCMode"), "<missing>");
    EXPECT_EQ(Stored("20m", "SubBand.1", "DemodMode"), "2");
    EXPECT_EQ(Stored("20m", "SubBand.1", "NotchFilterWidth"), "100");
    EXPECT_EQ(Stored("20m", "Preset.0.2", "Caption"), "P3");
    EXPECT_EQ(Stored("20m", "Preset.0.5", "Description"), "by hand");
    EXPECT_EQ(Stored("20m", "Preset.0.5", "Caption"), "<missing>");
    EXPECT_EQ(QFileInfo(QString::fromStdString(home.file("untouched.bpl"))).lastModified(), before);
}

// A caption that starts or ends with a blank comes back with it; captions in quotes that
// were written by hand without such blanks keep their quotes, as before.
TEST_F(BandPlanFiles, CaptionsKeepTheirBlanks)
{
    BandRecord& band = Loaded("17m", "[MainBand]\r\nCaption=\"17m\"\r\nNumSubBands=1\r\n"
                                     "[SubBand.0]\r\nFreqMin=18068000\r\nCaption= \"SSB\"\r\n"
                                     "[Preset.0.1]\r\nCaption=Plain\r\nFreqCurrent=18100000\r\n");
    EXPECT_EQ(band.Caption, "\"17m\"");
    EXPECT_EQ(band.SubBands[0].Caption, "\"SSB\"");
    EXPECT_EQ(band.SubBands[0].Presets[1].Caption, "Plain");
    band.SubBands[0].Caption = " SSB ";
    band.SubBands[0].Presets[1].Caption = " kHz (U";
    ASSERT_TRUE(SaveAllBandPlans());
    BandPlans.clear();
    const BandRecord& again = Loaded("17m", nullptr);
    EXPECT_EQ(again.Caption, "\"17m\"");
    EXPECT_EQ(Stored("17m", "SubBand.0", "Caption"), " SSB ");
    EXPECT_EQ(again.SubBands[0].Caption, " SSB ");
    EXPECT_EQ(again.SubBands[0].Presets[1].Caption, " kHz (U");
}

// Every free text a band file holds comes back as it was written, blanks and tabs at either
// end, quotes of its own and texts that look like a quoted one included. The name is never
// read back (it follows the file's name), so the file holds it the same way.
TEST_F(BandPlanFiles, EveryFreeTextKeepsItsBlanksThroughASaveAndARead)
{
    const std::vector<std::string> texts = {" and repeaters\xE2\x80\xA6", "trailing ", "\tboth\t", " ",
                                            "\" q \"", "\"\"", "\"\" q \"\"", "\"17m\"", "plain"};
    for (const std::string& text : texts) {
        SCOPED_TRACE("[" + text + "]");
        const std::string when = text + "2024-01-02 03:04:05" + text;
        BandRecord& band = Loaded(" 30m", "[MainBand]\r\nNumSubBands=0\r\n[SubBand.0]\r\nFreqMin=10100000\r\n"
                                          "[Preset.0.0]\r\nFreqCurrent=10110000\r\n");
        SubBandRecord& subBand = band.SubBands[0];
        PresetRecord& preset = subBand.Presets[0];
        band.Caption = band.Description = subBand.Description = preset.Description = text;
        subBand.Caption = text.substr(0, 6);
        preset.Caption = text.substr(0, 7);
        preset.When = when;
        ASSERT_TRUE(SaveAllBandPlans());
        EXPECT_EQ(Stored(" 30m", "MainBand", "Name"), " 30m");
        BandPlans.clear();

        const BandRecord& again = Loaded(" 30m", nullptr);
        EXPECT_EQ(again.Caption, text);
        EXPECT_EQ(again.Description, text);
        EXPECT_EQ(again.SubBands[0].Caption, text.substr(0, 6));
        EXPECT_EQ(again.SubBands[0].Description, text);
        EXPECT_EQ(again.SubBands[0].Presets[0].Caption, text.substr(0, 7));
        EXPECT_EQ(again.SubBands[0].Presets[0].Description, text);
        EXPECT_EQ(again.SubBands[0].Presets[0].When, when);
        BandPlans.clear();
    }
}

// A preset's settings are read on first use: a value that does not convert reads as its
// default and the rest is still read.
TEST_F(BandPlanFiles, APresetsSettingsAreReadOnFirstUseSkippingABadValue)
{
    Loaded("15m", "[SubBand.0]\r\nFreqMin=21000000\r\n"
                  "[Preset.0.3]\r\nFreqCurrent=21074000\r\nDemodMode=USB\r\nFilterMode=2\r\nAGCMode=-1\r\n");
    const ModeSettingsRecord& state = BandPlans[0].SubBands[0].Presets[3].ModeSettings;
    EXPECT_FALSE(state.Loaded);
    LoadPresetSettings(0, 0, 3);
    EXPECT_TRUE(state.Loaded);
    EXPECT_EQ(state.DemodMode, 0);
    EXPECT_EQ(state.FilterMode, 2);
    EXPECT_EQ(state.AGCMode, -1);
    EXPECT_EQ(state.IFFilterHi, 4500);
    LoadPresetSettings(0, 0, 40);   // out of the records: nothing
}

// Files edited by hand: what the reader takes for a header or a key is what the writer
// replaces, whatever the line ends; a value that does not convert gives its default and
// leaves the state loaded, so later changes are written.
TEST_F(BandPlanFiles, HandEditedFilesAreReadAsTheyAreWrittenBack)
{
    BandRecord& band = Loaded("when 40m",
                              "\xEF\xBB\xBF[MainBand]\rNumSubBands=1\r"
                              " [SubBand.1]\r  Caption=Hand\rDescription=tune FreqCurrent=7100000 here\r"
                              "FreqMin=7100000\rAGCAttack=fast\rAGCDecay=20\r"
                              "[Preset.1.0]\rName=when 40m preset\rWhen=2024-01-02 03:04:05\rFreqCurrent=7110000\r");
    const SubBandRecord& hand = band.SubBands[1];
    EXPECT_EQ(hand.Caption, "Hand");
    EXPECT_EQ(hand.Description, "tune FreqCurrent=7100000 here");
    EXPECT_EQ(hand.FreqMin, 7100000);
    EXPECT_TRUE(hand.ModeSettings.Loaded);
    EXPECT_EQ(hand.ModeSettings.AGCAttack, 10.0f);   // "fast" gives the default
    EXPECT_EQ(hand.ModeSettings.AGCDecay, 20.0f);    // and the keys after it are read
    EXPECT_EQ(hand.Presets[0].When, "2024-01-02 03:04:05");

    ASSERT_TRUE(SaveBandPlan(band));
    std::string text;
    IniText::ReadFile(band.FileName, text);
    EXPECT_EQ(text.rfind("\xEF\xBB\xBF[MainBand]\rNumSubBands=1\r", 0), 0u);   // its mark and line ends
    EXPECT_NE(text.find("\rDescription=tune FreqCurrent=7100000 here\r"), std::string::npos);
    EXPECT_NE(text.find("\rAGCAttack=fast\r"), std::string::npos);   // unchanged states are not rewritten
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(IniText::Parse(text).Value("SubBand.1", "Caption"), "Hand");

    band.SubBands[1].ModeSettings.Changed = true;
    ASSERT_TRUE(SaveBandPlan(band));
    EXPECT_EQ(Stored("when 40m", "SubBand.1", "AGCAttack"), "10");
}

// A band file that exists but cannot be read (a pipe; a file of mode 000, for a user the mode
// binds) is named when its band is selected, and is not replaced at the close.
TEST_F(BandPlanFiles, AnUnreadableBandFileIsNamedWhenItsBandIsSelected)
{
    const std::string pipe = home.file("pipe.bpl");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    BandRecord& band = AddBandPlan(pipe, "pipe", nullptr);
    InitBandPlan(band);
    EXPECT_TRUE(LoadBandPlan(band));   // at once, without waiting for a writer
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.Last().prompt.find(pipe), std::string::npos);
    EXPECT_EQ(band.SubBands[0].Caption, "S1");
    EXPECT_FALSE(SaveBandPlan(band));

    BandRecord& locked = Band("locked", "[MainBand]\r\nCaption=Locked\r\n");
    QFile::setPermissions(QString::fromStdString(locked.FileName), {});
    QFile::setPermissions(QString::fromStdString(home.path()), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                                   QFile::ReadOther | QFile::ExeOther);
    ExpectInChild([&] {
        ASSERT_TRUE(TakeAnOrdinaryUsersRights());
        InitBandPlan(locked);
        EXPECT_TRUE(LoadBandPlan(locked));
        ASSERT_EQ(boxes.boxes.size(), 2u);
        EXPECT_NE(boxes.Last().prompt.find(locked.FileName), std::string::npos);
        EXPECT_NE(locked.Caption, "Locked");   // nothing of the file was read
    });
}

// The samples as the program finds them in its folder: every band, in the order of the
// listing, so that each band's index is the one it writes.
void InstallSamples(const ScopedTestHome& home)
{
    for (const QString& file : QDir(ZOZ_DATA_DIR).entryList({"*.bpl"}, QDir::Files)) {
        const QString copy = QString::fromStdString(home.file(file.toStdString()));
        ASSERT_TRUE(QFile::copy(QString(ZOZ_DATA_DIR "/") + file, copy));
    }
    for (const std::string& file : FolderListing::FilesEndingIn(home.path(), ".bpl").names)
        AddBandPlan(home.file(file), file.substr(0, file.size() - 4), nullptr);
}

// A state the user can tune: a sub-band's, or one of its used presets' (preset -1: none).
struct TunedState
{
    int32_t subBand;
    int32_t preset;
    std::string Section() const
    {
        const std::string sub = std::to_string(subBand);
        return preset < 0 ? "SubBand." + sub : "Preset." + sub + "." + std::to_string(preset);
    }
};

std::vector<TunedState> EveryState(const BandRecord& band)
{
    std::vector<TunedState> states;
    for (int32_t i = 0; i <= band.NumSubBands; ++i) {
        states.push_back({i, -1});
        for (int32_t j = 0; j < PresetButtons; ++j) {
            if (band.SubBands[size_t(i)].Presets[size_t(j)].Used())
                states.push_back({i, j});
        }
    }
    return states;
}

// Tunes the state 1 kHz up as the front panel does: a preset is read on its first use.
const ModeSettingsRecord& Retune(BandRecord& band, const TunedState& at)
{
    SubBandRecord& subBand = band.SubBands[size_t(at.subBand)];
    if (at.preset >= 0)
        LoadPresetSettings(band.Index, at.subBand, at.preset);
    ModeSettingsRecord& state = at.preset < 0 ? subBand.ModeSettings : subBand.Presets[size_t(at.preset)].ModeSettings;
    state.FreqCurrent += 1000;
    state.Changed = true;
    return state;
}

// The lines a save of the tuned state should leave: the frequency in place, and the
// injection side added at the end of its section. That one key the samples leave out on
// purpose: without it a state keeps the receiver's own side.
std::vector<std::string> LinesAfterTuning(const std::vector<std::string>& lines, const std::string& section,
                                          const ModeSettingsRecord& tuned)
{
    std::vector<std::string> expected;
    bool inTuned = false;
    const auto endSection = [&] {
        if (inTuned)
            expected.push_back(std::string("LowSideLO=") + (tuned.LowSideLO ? "True" : "False"));
    };
    for (const std::string& line : lines) {
        if (const auto name = IniText::SectionName(line)) {
            endSection();
            inTuned = *name == section;
        }
        const auto entry = IniText::KeyLineOf(line);
        const bool frequency = inTuned && entry && entry->name == "FreqCurrent";
        expected.push_back(frequency ? "FreqCurrent=" + std::to_string(tuned.FreqCurrent) : line);
    }
    endSection();
    return expected;
}

std::string Joined(const std::vector<std::string>& lines, const std::string& lineEnd)
{
    std::string text;
    for (const std::string& line : lines)
        text.append(line).append(lineEnd);
    return text;
}

// Every sample, read and written back with one tuning change in any of its sub-bands or
// presets, keeps each of its other lines, in place, with its line ends: the samples hold
// every key the program writes.
TEST_F(BandPlanFiles, ASampleWrittenBackWithOneTuningChangeKeepsEveryOtherLine)
{
    InstallSamples(home);
    ASSERT_FALSE(BandPlans.empty());
    const std::vector<BandRecord> asFound = BandPlans;
    for (BandRecord& band : BandPlans) {
        std::string original;
        ASSERT_TRUE(IniText::ReadFile(band.FileName, original).ok());
        const std::string lineEnd = original.find("\r\n") != std::string::npos ? "\r\n" : "\n";
        InitBandPlan(band);
        ASSERT_TRUE(LoadBandPlan(band));
        for (const TunedState& at : EveryState(band)) {
            band = asFound[size_t(band.Index)];
            InitBandPlan(band);
            ASSERT_TRUE(LoadBandPlan(band));
            const ModeSettingsRecord& tuned = Retune(band, at);
            ASSERT_TRUE(SaveBandPlan(band));
            std::string saved;
            IniText::ReadFile(band.FileName, saved);
            ASSERT_TRUE(IniText::WriteFileAtomically(band.FileName, original).ok());

            const std::string where = band.Name + ".bpl, " + at.Section() + " tuned";
            const auto expected = LinesAfterTuning(IniText::Parse(original).Lines(), at.Section(), tuned);
            const IniText written = IniText::Parse(saved);
            const std::vector<std::string>& lines = written.Lines();
            const auto [wanted, found] = std::mismatch(expected.begin(), expected.end(), lines.begin(), lines.end());
            ASSERT_TRUE(wanted == expected.end() && found == lines.end())
                << where << ": line " << (wanted - expected.begin() + 1) << " reads \""
                << (found == lines.end() ? "<end>" : *found) << "\" instead of \""
                << (wanted == expected.end() ? "<end>" : *wanted) << "\"";
            EXPECT_TRUE(saved == Joined(expected, lineEnd)) << where << ": line ends or encoding changed";
        }
    }
}

// A band file that cannot be written (a folder in its place, a read-only file) is logged and
// told once, naming it, and kept as it is; the others are still written.
TEST_F(BandPlanFiles, AFailedWriteIsToldOnceAndTheOtherBandsAreWritten)
{
    BandRecord& locked = Loaded("locked", "[MainBand]\r\n");
    BandRecord& open = Loaded("open", "[MainBand]\r\n");
    // A folder where the file should be: neither read nor replaced, whoever runs the test.
    locked.FileName = home.file("locked.bpl.d");
    ASSERT_TRUE(QDir(QString::fromStdString(home.path())).mkdir("locked.bpl.d"));
    open.Caption = "Open";

    BandRecord& readOnly = Loaded("readonly", "[MainBand]\r\nCaption=Mine\r\n");
    readOnly.Caption = "Changed";
    QFile::setPermissions(QString::fromStdString(readOnly.FileName), QFile::ReadOwner | QFile::ReadOther);

    EXPECT_FALSE(SaveAllBandPlans());
    EXPECT_FALSE(SaveAllBandPlans());
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.Last().prompt.find(locked.FileName), std::string::npos);
    EXPECT_NE(boxes.Last().prompt.find(readOnly.FileName), std::string::npos);
    EXPECT_EQ(Stored("open", "MainBand", "Caption"), "Open");
    EXPECT_EQ(Stored("readonly", "MainBand", "Caption"), "Mine");   // kept, whoever runs the test
}

// Every sample band plan reads without anything cut or clamped: named sub-bands with
// frequencies, each with used presets inside the front panel's room.
TEST_F(BandPlanFiles, TheSampleBandPlansAreCompleteAsShipped)
{
    const QStringList files = QDir(ZOZ_DATA_DIR).entryList({"*.bpl"}, QDir::Files);
    ASSERT_GE(files.size(), 12);
    for (const QString& file : files) {
        const std::string name = file.chopped(4).toStdString();
        ASSERT_TRUE(QFile::copy(QString(ZOZ_DATA_DIR "/") + file, QString::fromStdString(home.file(file.toStdString()))));
        const BandRecord& band = Loaded(name, nullptr);
        std::string text;
        IniText::ReadFile(band.FileName, text);
        const IniText ini = IniText::Parse(text);
        EXPECT_EQ(ini.Value("MainBand", "NumSubBands").value_or(""), std::to_string(band.NumSubBands)) << name;
        int presets = 0;
        for (int i = 0; i <= band.NumSubBands; ++i) {
            const SubBandRecord& subBand = band.SubBands[static_cast<size_t>(i)];
            const std::string section = "SubBand." + std::to_string(i);
            EXPECT_EQ(ini.Value(section, "Caption").value_or(""), subBand.Caption) << name << " " << section;
            EXPECT_TRUE(subBand.HasFrequencies && subBand.ModeSettings.Loaded) << name << " " << section;
            EXPECT_LE(subBand.FreqMin, subBand.ModeSettings.FreqCurrent) << name << " " << section;
            EXPECT_LE(subBand.ModeSettings.FreqCurrent, subBand.FreqMax) << name << " " << section;
            for (const PresetRecord& preset : subBand.Presets)
                presets += preset.Used() ? 1 : 0;
        }
        EXPECT_GE(presets, 3) << name;
    }
}

} // namespace
