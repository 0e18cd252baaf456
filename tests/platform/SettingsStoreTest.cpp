#include "platform/SettingsStore.h"
#include "platform/TerminationSignals.h"

#include <QTemporaryDir>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <set>
#include <gtest/gtest.h>
#include <sys/stat.h>
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

// Keys of several sections in one rewrite; a write that changes nothing leaves the file as it
// is, without the wait for the disk that a rewrite costs.
TEST(SettingsStoreTest, KeysOfSeveralSectionsGoInOneRewriteAndAnUnchangedFileIsLeftAlone)
{
    QTemporaryDir dir;
    FileSettingsStore store(dir.path().toStdString() + "/ZOZEVERE.ini");
    const IniText::Entries entries{{"RXModel.A", "CLKIn", "1"}, {"frmMain", "Args", " -M 0 "}, {"RXModel.A", "Base", "2"}};
    ASSERT_TRUE(store.WriteAll(entries).ok());
    EXPECT_EQ(readAll(store.Path()), "[RXModel.A]\r\nCLKIn=1\r\nBase=2\r\n[frmMain]\r\nArgs=\" -M 0 \"\r\n");
    EXPECT_EQ(store.Read("frmMain", "Args"), " -M 0 ");

    const auto fileIdentity = [&store] {
        struct stat status {};
        return ::stat(store.Path().c_str(), &status) == 0 ? status.st_ino : 0;
    };
    const ino_t written = fileIdentity();
    ASSERT_NE(written, 0u);
    ASSERT_TRUE(store.WriteAll(entries).ok());
    ASSERT_TRUE(store.Write("RXModel.A", "CLKIn", "1").ok());
    EXPECT_EQ(fileIdentity(), written) << "rewritten with the values it held";
    ASSERT_TRUE(store.Write("RXModel.A", "CLKIn", "5").ok());
    EXPECT_NE(fileIdentity(), written);
    EXPECT_EQ(store.Read("RXModel.A", "CLKIn"), "5");
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

// A pipe is not waited for and not replaced; a file without write permission is kept as it is,
// whoever runs the program.
TEST(SettingsStoreTest, APipeOrAReadOnlyFileIsNeitherWaitedForNorReplaced)
{
    QTemporaryDir dir;
    const std::string pipe = dir.path().toStdString() + "/pipe.ini";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    FileSettingsStore piped(pipe);
    EXPECT_EQ(piped.Read("frmMain", "SDRModelNo"), std::nullopt);
    EXPECT_NE(piped.LastReadStatus().description.find(pipe), std::string::npos);
    EXPECT_FALSE(piped.Write("frmMain", "SDRModelNo", "1").ok());
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));

    const std::string locked = dir.path().toStdString() + "/locked.ini";
    std::ofstream(locked, std::ios::binary) << "[frmMain]\r\nSDRModelNo=3\r\n";
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    FileSettingsStore readOnly(locked);
    EXPECT_EQ(readOnly.Read("frmMain", "SDRModelNo"), "3");
    EXPECT_TRUE(readOnly.LastReadStatus().ok());
    const IniText::FileStatus refused = readOnly.Write("frmMain", "SDRModelNo", "4");
    EXPECT_EQ(refused.number, EACCES);
    EXPECT_NE(refused.description.find(locked), std::string::npos);
    EXPECT_EQ(readOnly.Read("frmMain", "SDRModelNo"), "3");
    EXPECT_EQ(FileSettingsStore(dir.path().toStdString() + "/missing.ini").LastReadStatus().number, 0);
}

namespace {

class SettingsFile : public ::testing::Test
{
protected:
    std::string path(const std::string& name) const { return dir.path().toStdString() + "/" + name; }
    std::set<std::string> names() const
    {
        std::set<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path().toStdString()))
            found.insert(entry.path().filename().string());
        return found;
    }

    QTemporaryDir dir;
    FileSettingsStore store{path("ZOZEVERE.ini")};
};

} // namespace

// A dotfiles folder links the settings file to a target that does not exist yet.
TEST_F(SettingsFile, ADanglingLinkStaysAndItsTargetIsCreated)
{
    std::filesystem::create_symlink("dotfiles/zozevere/settings.ini", path("ZOZEVERE.ini"));
    ASSERT_TRUE(store.Write("frmMain", "SDRModelNo", "3").ok());
    EXPECT_TRUE(std::filesystem::is_symlink(path("ZOZEVERE.ini")));
    EXPECT_EQ(readAll(path("dotfiles/zozevere/settings.ini")), "[frmMain]\r\nSDRModelNo=3\r\n");

    std::filesystem::create_symlink("loop.ini", path("loop.ini"));
    EXPECT_EQ(FileSettingsStore(path("loop.ini")).Write("frmMain", "SDRModelNo", "3").number, ELOOP);
}

TEST_F(SettingsFile, TemporariesOfAKilledSaveAreRemovedByTheNextSave)
{
    for (const char* name : {"ZOZEVERE.ini.saving-Ab12Cd", "ZOZEVERE.ini.saving-x9Y8z7", "ZOZEVERE.ini.backup",
                             "ZOZEVERE.ini.saving-longer1", "other.ini.saving-Ab12Cd"})
        std::ofstream(path(name)) << "kept unless stale";
    ASSERT_TRUE(store.Write("frmMain", "SDRModelNo", "3").ok());
    EXPECT_EQ(names(), (std::set<std::string>{"ZOZEVERE.ini", "ZOZEVERE.ini.backup", "ZOZEVERE.ini.saving-longer1",
                                              "other.ini.saving-Ab12Cd"}));
}

// Under a file-size limit the kernel would end the program with SIGXFSZ mid-save.
TEST_F(SettingsFile, AFileSizeLimitIsAFailedWriteThatKeepsTheFile)
{
    IgnoreFileSizeLimitSignal();
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
    EXPECT_EQ(readAll(path("ZOZEVERE.ini")), "[frmMain]\r\nSDRModelNo=3\r\n");
    EXPECT_EQ(names(), std::set<std::string>{"ZOZEVERE.ini"});
}

// Such names were written, never found again, and grew the file at every rewrite.
TEST_F(SettingsFile, NamesALineCannotHoldAreRefusedAndNothingIsWritten)
{
    ASSERT_TRUE(store.Write("frmMain", "SDRModelNo", "3").ok());
    struct Case { const char* section; const char* key; };
    for (const Case& c : {Case{"frmMain", "a=b"}, Case{"frmMain", " ;key"}, Case{"frmMain", "[Next]"},
                          Case{"frmMain", "two\nlines"}, Case{"frm]Main", "key"}, Case{"frm\r\nMain", "key"}})
        EXPECT_EQ(store.Write(c.section, c.key, "1").number, EINVAL) << c.section << "/" << c.key;
    EXPECT_EQ(readAll(path("ZOZEVERE.ini")), "[frmMain]\r\nSDRModelNo=3\r\n");
    ASSERT_TRUE(store.Write("RXModel.[v6", "Key;x[y]", "1").ok());  // inside a name they are fine
    EXPECT_EQ(store.Read("RXModel.[v6", "Key;x[y]"), "1");
}
