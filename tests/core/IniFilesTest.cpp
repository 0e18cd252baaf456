#include "core/clsINIFile.h"
#include "core/modIniFiles.h"
#include "core/RuntimeError.h"

#include "fakes/FakeMessageBoxes.h"

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

class IniFilesTest : public ::testing::Test
{
protected:
    std::string path(const std::string& name) const { return dir_.path().toStdString() + "/" + name; }

    std::string write(const std::string& name, const std::string& contents) const
    {
        std::ofstream(path(name), std::ios::binary) << contents;
        return path(name);
    }

    clsINIFile load(const std::string& contents) const
    {
        clsINIFile ini;
        ini.init(write("test.bpl", contents));
        return ini;
    }

    FakeMessageBoxes boxes_;

private:
    QTemporaryDir dir_;
};

} // namespace

TEST_F(IniFilesTest, ReadINISelectsOneCommaSeparatedField)
{
    const std::string file = write("theme.thm", "[SDRColours]\r\nList=10,20, 30\r\n");
    EXPECT_EQ(modIniFiles::ReadINI("SDRColours", "List", "", file, 0), "10,20, 30");
    for (const auto& [field, expected] : {std::pair{1, "10"}, {3, " 30"}, {4, ""}, {-1, ""}})
        EXPECT_EQ(modIniFiles::ReadINI("SDRColours", "List", "", file, field), expected) << field;
    EXPECT_EQ(modIniFiles::ReadINI("sdrcolours", "LIST", "", file, 0), "10,20, 30");
    // The default takes the key's place, fields and all; a missing file is no failure.
    EXPECT_EQ(modIniFiles::ReadINI("SDRColours", "Missing", "a,b", file, 2), "b");
    EXPECT_EQ(modIniFiles::ReadINI("SDRColours", "Missing", "", path("none.thm"), 0), "");
    EXPECT_TRUE(boxes_.boxes.empty());

    const std::string longValue = write("long.ini", "[S]\nK=" + std::string(3000, 'x') + "\n");
    EXPECT_EQ(modIniFiles::ReadINI("S", "K", "", longValue, 0).size(), 2047u);
}

TEST_F(IniFilesTest, WrittenKeysReadBackThroughBothReaders)
{
    // A band plan edited on Linux: LF line ends, no final line break.
    const std::string file = write("40m.bpl", "; comment\n[MainBand]\nName=40m\n[SubBand.0]\nF=7000000");
    modIniFiles::WriteINI("SubBand.0", "Mode", "1", file);
    modIniFiles::WriteINI("MainBand", "name", "40 m", file);
    modIniFiles::WriteINI("Preset.0.1", "F", "7050000", file);

    clsINIFile ini;
    ini.init(file);
    EXPECT_EQ(ini.GetItem("MainBand", "Name", "?"), "40 m");
    EXPECT_EQ(ini.GetItem("SubBand.0", "F", "?"), "7000000");
    EXPECT_EQ(ini.GetItem("SubBand.0", "Mode", "?"), "1");
    EXPECT_EQ(ini.LoadItem("Preset.0.1", "F", "?"), "7050000");
    EXPECT_EQ(modIniFiles::ReadINI("Preset.0.1", "F", "", file, 0), "7050000");
    EXPECT_EQ(ini.SectionCount(), 3);

    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text.rfind("; comment\n[MainBand]\nname=40 m\n", 0), 0u);  // its own line ends kept
}

TEST_F(IniFilesTest, FailuresShowTheSystemErrorAndChangeNothing)
{
    const std::string folder = path("Dream.ini");
    std::filesystem::create_directory(folder);

    modIniFiles::WriteINI("Receiver", "samplerate", "48000", folder);
    ASSERT_EQ(boxes_.boxes.size(), 1u);
    EXPECT_EQ(boxes_.Last().prompt.rfind("ProfileSaveItem: 21 ", 0), 0u);
    EXPECT_NE(boxes_.Last().prompt.find("Dream.ini"), std::string::npos);
    EXPECT_EQ(boxes_.Last().icon, MessageBoxes::vbCritical);
    EXPECT_EQ(boxes_.Last().title, "");

    EXPECT_EQ(modIniFiles::ReadINI("Receiver", "samplerate", "44100", folder, 0), "");
    ASSERT_EQ(boxes_.boxes.size(), 2u);
    EXPECT_EQ(boxes_.Last().prompt.rfind("ProfileGetItemError: 21 ", 0), 0u);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

// The reader takes for headers and key lines what the writer does, so that a key it reads
// is the key the writer replaces.
TEST_F(IniFilesTest, GetItemFindsHeadersAndKeysAsTheWriterDoes)
{
    const clsINIFile ini = load("Before=outside\r\n"
                                "[mainband] ; the band\r\n"
                                "NumSubBands=17\r\n"
                                "Caption = 40m\r\n"
                                "Caption2=x\r\n"
                                "Desc=Name FreqCurrent=x\r\n"
                                ";Name=comment\r\n"
                                "Name=40m band\r\n"
                                "Trail=  kept  \r\n"
                                " [SubBand.0]\r\n"
                                "  Indented = yes\r\n"
                                "[MainBand]\r\n"
                                "Second=never\r\n"
                                "[Last]\r\n"
                                "Final=found");
    EXPECT_EQ(ini.GetItem("MainBand", "Caption", "?"), "40m");
    EXPECT_EQ(ini.GetItem("MainBand", "Caption2", "?"), "x");
    EXPECT_EQ(ini.GetItem("MainBand", "SubBands", "?"), "?");      // part of a longer key name
    EXPECT_EQ(ini.GetItem("MainBand", "Name", "?"), "40m band");   // never inside another line's value
    EXPECT_EQ(ini.GetItem("MainBand", "FreqCurrent", "?"), "?");
    EXPECT_EQ(ini.GetItem("MainBand", "Trail", "?"), "kept  ");
    EXPECT_EQ(ini.GetItem("MainBand", "Indented", "?"), "?");      // " [SubBand.0]" is a header
    EXPECT_EQ(ini.GetItem("SubBand.0", "Indented", "?"), "yes");
    EXPECT_EQ(ini.GetItem("MainBand", "Second", "?"), "?");        // the second section is never reached
    EXPECT_EQ(ini.GetItem("MainBand", "Before", "?"), "?");
    EXPECT_EQ(ini.GetItem("Last", "Final", "?"), "found");         // last line without CR LF
    EXPECT_EQ(ini.SectionCount(), 4);
}

TEST_F(IniFilesTest, EmptyMissingAndReloadedFiles)
{
    clsINIFile ini = load("");
    EXPECT_EQ(ini.LastLine(), -1);
    EXPECT_EQ(ini.GetItem("MainBand", "Name", "default"), "default");

    ini.init(write("a.bpl", "\xEF\xBB\xBF[MainBand]\nName=a\n"));
    EXPECT_EQ(ini.GetItem("MainBand", "Name", "?"), "a");
    ini.init(write("b.bpl", "[MainBand]\nName=b\n"));
    EXPECT_EQ(ini.GetItem("MainBand", "Name", "?"), "b");

    try {
        ini.init(path("missing.bpl"));
        FAIL() << "a missing file must raise";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.Number(), 53);
        EXPECT_NE(error.Description().find("missing.bpl"), std::string::npos);
    }
    EXPECT_EQ(ini.GetItem("MainBand", "Name", "gone"), "gone");
}
