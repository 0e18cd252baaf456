#include "platform/SettingsStore.h"
#include "platform/TerminationSignals.h"

#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(SettingsStoreTest, ValuesComeBackExactlyWhateverTheCaseOfTheirNames)
{
    QTemporaryDir dir;
    FileSettingsStore store(dir.path().toStdString() + "/config/ZOZEVERE/ZOZEVERE.ini");
    ASSERT_TRUE(store.Write("RXModel.Soft Rock", "CLKIn", "28224000").ok());
    ASSERT_TRUE(store.Write("rxmodel.soft rock", "ClkIn", "28224001").ok());
    EXPECT_EQ(store.Read("RXMODEL.SOFT ROCK", "clkin"), "28224001");
    EXPECT_EQ(store.Read("RXModel.Soft Rock", "BaseFrequency"), std::nullopt);

    for (const std::string value : {" -M 0 -I ", "\"quoted\"", "'single'", "", "a=b;c", "\"", "C:\\Dream\\"}) {
        ASSERT_TRUE(store.Write("frmMain", "Value", value).ok());
        EXPECT_EQ(store.Read("frmMain", "Value"), value);
    }
    const std::string text = readAll(store.Path());
    EXPECT_EQ(text, "[RXModel.Soft Rock]\r\nClkIn=28224001\r\n[frmMain]\r\nValue=C:\\Dream\\\r\n");
}

TEST(SettingsStoreTest, AMalformedOrUnreadableFileGivesNoValuesAndIsNotOverwritten)
{
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/ZOZEVERE.ini";
    {
        std::ofstream out(path, std::ios::binary);
        const char garbage[] = "\0\xff[frmMain\n=\nkey\n[frmMain]\nSDRModelNo=3\n[]\n]x=\n[unclosed\n";
        out.write(garbage, sizeof garbage - 1);
    }
    FileSettingsStore store(path);
    EXPECT_EQ(store.Read("frmMain", "SDRModelNo"), "3");
    EXPECT_EQ(store.Read("frmMain", "key"), std::nullopt);

    const std::string folderPath = dir.path().toStdString() + "/folder.ini";
    std::filesystem::create_directory(folderPath);
    FileSettingsStore unreadable(folderPath);
    EXPECT_EQ(unreadable.Read("frmMain", "SDRModelNo"), std::nullopt);
    EXPECT_FALSE(unreadable.Write("frmMain", "SDRModelNo", "1").ok());
    EXPECT_TRUE(std::filesystem::is_directory(folderPath));
}

namespace {

class SettingsFile : public ::testing::Test
{
protected:
    std::string path(const std::string& name) const { return dir.path().toStdString() + "/" + name; }
    std::vector<std::string> names() const
    {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path().toStdString()))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }

    QTemporaryDir dir;
};

} // namespace

// A dotfiles folder links the settings file to a target that does not exist yet.
TEST_F(SettingsFile, ADanglingLinkStaysAndItsTargetIsCreated)
{
    std::filesystem::create_symlink("dotfiles/zozevere/settings.ini", path("ZOZEVERE.ini"));
    FileSettingsStore store(path("ZOZEVERE.ini"));
    ASSERT_TRUE(store.Write("frmMain", "SDRModelNo", "3").ok());
    EXPECT_TRUE(std::filesystem::is_symlink(path("ZOZEVERE.ini")));
    EXPECT_EQ(readAll(path("dotfiles/zozevere/settings.ini")), "[frmMain]\r\nSDRModelNo=3\r\n");

    std::filesystem::create_symlink("loop.ini", path("loop.ini"));
    const IniText::FileStatus loop = FileSettingsStore(path("loop.ini")).Write("frmMain", "SDRModelNo", "3");
    EXPECT_EQ(loop.number, ELOOP);
    EXPECT_TRUE(std::filesystem::is_symlink(path("loop.ini")));
}

TEST_F(SettingsFile, TemporariesOfAKilledSaveAreRemovedByTheNextSave)
{
    for (const char* name : {"ZOZEVERE.ini.saving-Ab12Cd", "ZOZEVERE.ini.saving-x9Y8z7", "ZOZEVERE.ini.backup",
                             "ZOZEVERE.ini.saving-longer1", "other.ini.saving-Ab12Cd"})
        std::ofstream(path(name)) << "kept unless stale";
    ASSERT_TRUE(FileSettingsStore(path("ZOZEVERE.ini")).Write("frmMain", "SDRModelNo", "3").ok());
    EXPECT_EQ(names(), (std::vector<std::string>{"ZOZEVERE.ini", "ZOZEVERE.ini.backup", "ZOZEVERE.ini.saving-longer1",
                                                 "other.ini.saving-Ab12Cd"}));
}

// Under a file-size limit the kernel would end the program with SIGXFSZ mid-save.
TEST_F(SettingsFile, AFileSizeLimitIsAFailedWriteThatKeepsTheFile)
{
    IgnoreFileSizeLimitSignal();
    FileSettingsStore store(path("ZOZEVERE.ini"));
    ASSERT_TRUE(store.Write("frmMain", "SDRModelNo", "3").ok());
    rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 1024;
    if (::setrlimit(RLIMIT_FSIZE, &small) != 0)
        GTEST_SKIP() << "the file-size limit cannot be lowered here";
    const IniText::FileStatus status = store.Write("frmMain", "PathToDream", std::string(4096, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(status.number, EFBIG);
    EXPECT_NE(status.description.find("ZOZEVERE.ini"), std::string::npos);
    EXPECT_EQ(readAll(path("ZOZEVERE.ini")), "[frmMain]\r\nSDRModelNo=3\r\n");
    EXPECT_EQ(names(), std::vector<std::string>{"ZOZEVERE.ini"});
}

// Such names were written, never found again, and grew the file at every rewrite.
TEST_F(SettingsFile, NamesALineCannotHoldAreRefusedAndNothingIsWritten)
{
    FileSettingsStore store(path("ZOZEVERE.ini"));
    ASSERT_TRUE(store.Write("frmMain", "SDRModelNo", "3").ok());
    struct Case { const char* section; const char* key; };
    for (const Case& c : {Case{"frmMain", "a=b"}, Case{"frmMain", " ;key"}, Case{"frmMain", "[Next]"},
                          Case{"frmMain", "two\nlines"}, Case{"frm]Main", "key"}, Case{"frm\r\nMain", "key"}}) {
        const IniText::FileStatus status = store.Write(c.section, c.key, "1");
        EXPECT_EQ(status.number, EINVAL) << c.section << "/" << c.key;
        EXPECT_NE(status.description.find("cannot be written as an INI line"), std::string::npos);
    }
    EXPECT_EQ(readAll(path("ZOZEVERE.ini")), "[frmMain]\r\nSDRModelNo=3\r\n");
    EXPECT_TRUE(store.Write("RXModel.[v6", "Key;x[y]", "1").ok());  // such characters inside names are fine
    EXPECT_EQ(store.Read("RXModel.[v6", "Key;x[y]"), "1");
}
