#include "core/clsComDlg.h"

#include "core/Settings.h"
#include "fakes/FakeFileDialogs.h"
#include "support/ScopedTestHome.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

class ComDlgTest : public ::testing::Test
{
protected:
    ~ComDlgTest() override { ReleaseComDlg(); }

    // The request of the next file dialog, answered by a cancel.
    FileDialogs::FileRequest NextOpenRequest()
    {
        ComDlg().ShowOpen();
        return dialogs.fileRequests.back();
    }

    std::string StoredColour(int index) const
    {
        return Settings::GetSetting("ComDlg", "CustomColour(" + std::to_string(index) + ")", "missing");
    }

    ScopedTestHome home;
    FakeFileDialogs dialogs;
};

} // namespace

TEST_F(ComDlgTest, ChosenFileGivesFileNameAndFolderAndACancelKeepsThem)
{
    clsComDlg& dlg = ComDlg();
    dialogs.ChooseFile("/home/op/recordings/take1.wav");
    EXPECT_TRUE(dlg.ShowOpen());
    EXPECT_EQ(dlg.FileName(), "/home/op/recordings/take1.wav");
    EXPECT_EQ(dlg.Directory(), "/home/op/recordings");

    // another caller's cancelled dialog leaves the last results in place
    dlg.FileName("other.wav");
    dlg.Directory("/tmp");
    EXPECT_FALSE(dlg.ShowSave());
    EXPECT_EQ(dlg.FileName() + "|" + dlg.Directory(), "/home/op/recordings/take1.wav|/home/op/recordings");

    dialogs.ChooseFile("/take2.wav");
    EXPECT_TRUE(dlg.ShowOpen());
    EXPECT_EQ(dlg.Directory(), "/");
}

TEST_F(ComDlgTest, InitialValuesReachTheDialogAndTheChosenFileBecomesTheNextName)
{
    clsComDlg& dlg = ComDlg();
    dlg.DialogTitle("Select Filename to Save Recording");
    dlg.Directory("/home/op");
    dlg.FileName("untitled.wav");
    dlg.Extension("*.wav");
    dlg.Filter("Sound Files (*.wav)|*.wav|All Files|*.*");
    dialogs.ChooseFile("/home/op/night.wav", 2);
    ASSERT_TRUE(dlg.ShowSave());

    const FileDialogs::FileRequest& save = dialogs.fileRequests.back();
    EXPECT_EQ(save.mode, FileDialogs::Mode::Save);
    EXPECT_EQ(save.title + "|" + save.initialFolder + "|" + save.initialName + "|" + save.defaultExtension,
              "Select Filename to Save Recording|/home/op|untitled.wav|wav");
    ASSERT_EQ(save.fileTypes.size(), 2u);
    EXPECT_EQ(save.fileTypes[1].description + "|" + save.fileTypes[1].pattern, "All Files|*.*");
    EXPECT_EQ(save.filterIndex, 0);

    const FileDialogs::FileRequest next = NextOpenRequest();
    EXPECT_EQ(next.initialName, "/home/op/night.wav");
    EXPECT_EQ(next.filterIndex, 2);
    EXPECT_EQ(next.title, "Select Filename to Save Recording");
}

TEST_F(ComDlgTest, WrittenNameExtensionAndFilterAreTakenAsDialogsExpectThem)
{
    clsComDlg& dlg = ComDlg();
    dlg.FileName("kept.wav");
    dlg.FileName(std::string(261, 'a'));  // too long: the previous name stays
    EXPECT_EQ(NextOpenRequest().initialName, "kept.wav");
    std::string accented;  // 260 two-byte letters are still 260 characters
    for (int i = 0; i < 260; ++i)
        accented += "\xC3\xA9";
    dlg.FileName(accented);
    EXPECT_EQ(NextOpenRequest().initialName, accented);

    for (const auto& [written, expected] : {std::pair{"*.wav", "wav"}, {".wav", "wav"}, {"*.EXE", "exe"},
                                            {"*.jpeg", "jpe"}, {"*.*", ""}}) {
        dlg.Extension(written);
        EXPECT_EQ(NextOpenRequest().defaultExtension, expected) << written;
    }

    dlg.Filter("A|*.a|B");  // a description without its pattern is dropped
    const FileDialogs::FileRequest request = NextOpenRequest();
    ASSERT_EQ(request.fileTypes.size(), 1u);
    EXPECT_EQ(request.fileTypes[0].pattern, "*.a");
}

TEST_F(ComDlgTest, FlagsOfSaveStayAndExistFlagsHoldForOneDialog)
{
    clsComDlg& dlg = ComDlg();
    FileDialogs::FileRequest first = NextOpenRequest();
    EXPECT_FALSE(first.pathMustExist || first.fileMustExist || first.overwritePrompt || first.createPrompt);

    dlg.ExistFlags(clsComDlg::OFN_FILEMUSTEXIST);
    EXPECT_TRUE(NextOpenRequest().fileMustExist);
    // the recordings folder picker after the decoder picker must accept a typed "dummy"
    dlg.FileName("dummy");
    EXPECT_FALSE(NextOpenRequest().fileMustExist);

    dlg.ExistFlags(clsComDlg::OFN_CREATEPROMPT | clsComDlg::OFN_PATHMUSTEXIST);
    dlg.ShowSave();
    const FileDialogs::FileRequest save = dialogs.fileRequests.back();
    EXPECT_TRUE(save.createPrompt && save.pathMustExist && save.overwritePrompt);
    EXPECT_FALSE(save.fileMustExist);

    const FileDialogs::FileRequest afterSave = NextOpenRequest();
    EXPECT_TRUE(afterSave.pathMustExist && afterSave.overwritePrompt);
    EXPECT_FALSE(afterSave.createPrompt);
}

TEST_F(ComDlgTest, SelectColourReturnsTheChoiceOrMinusOne)
{
    dialogs.ChooseColour(0xC0FFEE);
    EXPECT_EQ(ComDlg().SelectColour(nullptr, 0x123456, true), 0xC0FFEE);
    EXPECT_EQ(dialogs.colourRequests.back().initialColour, 0x123456u);
    EXPECT_TRUE(dialogs.colourRequests.back().fullOpen);

    for (int32_t defColor : {0, 0xFFFFFF, -1}) {
        dialogs.CancelColour();
        EXPECT_EQ(ComDlg().SelectColour(nullptr, defColor), clsComDlg::ColourCancelled);
    }
}

TEST_F(ComDlgTest, CustomColoursStartWhiteAndOutliveTheRun)
{
    ComDlg().SelectColour(nullptr, 0);
    for (uint32_t colour : dialogs.colourRequests.back().customColours)
        EXPECT_EQ(colour, 0xFFFFFFu);

    dialogs.CancelColour({{3, 0x123456}, {15, 0}});  // defined, then cancelled: still kept
    ComDlg().SelectColour(nullptr, 0);
    ReleaseComDlg();
    ReleaseComDlg();
    EXPECT_EQ(StoredColour(0) + " " + StoredColour(3) + " " + StoredColour(15), "16777215 1193046 0");

    ComDlg().SelectColour(nullptr, 0);
    const FileDialogs::CustomColours& next = dialogs.colourRequests.back().customColours;
    EXPECT_EQ(std::tuple(next[3], next[4], next[15]), std::tuple(0x123456u, 0xFFFFFFu, 0u));
}

TEST_F(ComDlgTest, StoredColourThatIsNoColourKeepsWhite)
{
    const std::pair<const char*, uint32_t> stored[] = {
        {"255", 0xFF}, {" 65280 ", 0xFF00}, {"abc", 0xFFFFFF}, {"12.5", 0xFFFFFF},
        {"-1", 0xFFFFFF}, {"16777216", 0xFFFFFF}, {"", 0xFFFFFF}, {"1e99", 0xFFFFFF}};
    for (int index = 0; index < static_cast<int>(std::size(stored)); ++index)
        Settings::SaveSetting("ComDlg", "CustomColour(" + std::to_string(index) + ")", stored[index].first);

    ComDlg().SelectColour(nullptr, 0);
    const FileDialogs::CustomColours& colours = dialogs.colourRequests.back().customColours;
    for (int index = 0; index < static_cast<int>(std::size(stored)); ++index)
        EXPECT_EQ(colours[index], stored[index].second) << stored[index].first;
}
