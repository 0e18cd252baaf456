#include "platform/IniText.h"

#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::vector<std::string> linesOf(std::string_view text) { return IniText::Parse(text).Lines(); }

std::string tempPath(const QTemporaryDir& dir, const std::string& name) { return dir.path().toStdString() + "/" + name; }

// What work tells, run in a child process, so that what it changes of the process (a mount
// namespace, the user) stays there.
std::string InChild(const std::function<std::string()>& work)
{
    int ends[2];
    if (::pipe(ends) != 0) return "skip: no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ends[0]);
        const std::string told = work();
        [[maybe_unused]] const ssize_t written = ::write(ends[1], told.data(), told.size());
        ::_exit(0);
    }
    ::close(ends[1]);
    std::string told;
    char buffer[512];
    for (ssize_t got; (got = ::read(ends[0], buffer, sizeof buffer)) > 0;) told.append(buffer, size_t(got));
    ::close(ends[0]);
    ::waitpid(child, nullptr, 0);
    return child < 0 ? "skip: no child process" : told;
}

std::string Told(const IniText::FileStatus& status) { return std::to_string(status.number) + " " + status.description; }

// The status of a write to a settings file of the given mode on a file system mounted
// read-only, in a mount namespace of the child's own. "skip: why" where no mount can be
// made (a process without the right to make mount namespaces).
std::string WriteOnReadOnlyMount(const std::string& folder, mode_t mode)
{
    return InChild([&] {
        const std::string file = folder + "/ZOZEVERE.ini";
        if (::unshare(CLONE_NEWNS) != 0 || ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") != 0)
            return std::string("skip: no read-only mount to be had: ") + std::strerror(errno);
        std::ofstream(file) << "[frmMain]\r\nSDRModelNo=3\r\n";
        ::chmod(file.c_str(), mode);
        if (::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0)
            return std::string("skip: the mount stays writable: ") + std::strerror(errno);
        return Told(IniText::WriteFileAtomically(file, "[frmMain]\r\nSDRModelNo=4\r\n"));
    });
}

} // namespace

// A file system mounted read-only is told apart from a read-only file, whatever the file's
// own permissions, and both from a file of another user; each is left as it is.
TEST(IniTextTest, AReadOnlyFileSystemIsToldApartFromAReadOnlyFile)
{
    QTemporaryDir dir;
    const std::string locked = tempPath(dir, "locked.ini");
    std::ofstream(locked) << "[frmMain]\r\n";
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    EXPECT_EQ(Told(IniText::WriteFileAtomically(locked, "x")),
              std::to_string(EACCES) + " Cannot write \"" + locked + "\": the file is read-only; it was left as it is");

    // Root may write anywhere: the child takes an ordinary user's rights first.
    const std::string others = tempPath(dir, "others.ini");
    std::ofstream(others) << "[frmMain]\r\n";
    ASSERT_EQ(::chmod(dir.path().toStdString().c_str(), 0755), 0);
    if (::geteuid() == 0) {
        EXPECT_EQ(InChild([&] {
                      if (::setgid(65534) != 0 || ::setuid(65534) != 0) return std::string("no other user");
                      return Told(IniText::WriteFileAtomically(others, "x"));
                  }),
                  std::to_string(EACCES) + " Cannot write \"" + others +
                      "\": you have no permission to write to the file; it was left as it is");
    }

    const std::string folder = tempPath(dir, "mounted");
    std::filesystem::create_directory(folder);
    const std::string expected = std::to_string(EROFS) + " Cannot write \"" + folder +
                                 "/ZOZEVERE.ini\": the file system it is on is mounted read-only; it was left as it is";
    for (const mode_t mode : {mode_t{0644}, mode_t{0444}}) {
        const std::string told = WriteOnReadOnlyMount(folder, mode);
        if (told.starts_with("skip:")) GTEST_SKIP() << told;
        EXPECT_EQ(told, expected) << std::oct << mode;
    }
}

TEST(IniTextTest, ReadsEveryLineWhateverTheLineEnds)
{
    using Lines = std::vector<std::string>;
    EXPECT_EQ(linesOf("[a]\r\nk=1\r\n"), (Lines{"[a]", "k=1"}));
    EXPECT_EQ(linesOf("[a]\nk=1\n"), (Lines{"[a]", "k=1"}));
    EXPECT_EQ(linesOf("[a]\nk=1"), (Lines{"[a]", "k=1"}));                   // no final line break
    EXPECT_EQ(linesOf("\xEF\xBB\xBF[a]\r\nk=1"), (Lines{"[a]", "k=1"}));     // byte-order mark
    EXPECT_EQ(linesOf("a\r\n\r\nb\rc"), (Lines{"a", "", "b", "c"}));        // CR alone, as old Macs wrote
    EXPECT_TRUE(linesOf("").empty());
}

// A file read and written back unchanged keeps its bytes: its line ends, its mark, its
// last line without a break, and bytes that are not UTF-8.
TEST(IniTextTest, AnUnchangedTextSerialisesToItsOwnBytes)
{
    for (const char* text : {"[a]\r\nk=1\r\n", "[a]\nk=1", "[a]\rk=1\r", "\xEF\xBB\xBF[a]\r\nk=\xE9t\xE9\r\n", "", "\r\n\r\n"})
        EXPECT_EQ(IniText::Parse(text).Serialise(), text);
    IniText ini = IniText::Parse("\xEF\xBB\xBF[a]\rk=1");
    ini.SetValue("a", "n", "2");
    ini.SetValue("b", "m", "3");
    EXPECT_EQ(ini.Serialise(), "\xEF\xBB\xBF[a]\rk=1\rn=2\r[b]\rm=3");
    EXPECT_EQ(IniText().Serialise(), "");
    IniText fresh;
    fresh.SetValue("a", "k", "1");
    EXPECT_EQ(fresh.Serialise(), "[a]\r\nk=1\r\n");  // a new file has CR LF
}

TEST(IniTextTest, LooksUpSectionsAndKeysWithoutRegardToCase)
{
    const IniText ini = IniText::Parse("k=outside\n"
                                       "[RXModel.Test]\n"
                                       "; CLKIn=comment\n"
                                       "  CLKIn  =  100  \n"
                                       "clkin=second\n"
                                       "Quoted=\" padded \"\n"
                                       "Empty=\n"
                                       "[rxmodel.test]\n"
                                       "Other=never seen\n");
    EXPECT_EQ(ini.Value("RXModel.Test", "ClkIn"), "100");
    EXPECT_EQ(ini.Value(" rxmodel.TEST ", "Quoted"), " padded ");
    EXPECT_EQ(ini.Value("RXModel.Test", "Empty"), "");
    EXPECT_EQ(ini.Value("RXModel.Test", "Other"), std::nullopt);  // only the first section of a name
    EXPECT_EQ(ini.Value("RXModel.Test", "k"), std::nullopt);      // lines before any header belong nowhere
    EXPECT_EQ(ini.Value("Missing", "CLKIn"), std::nullopt);
}

TEST(IniTextTest, SettingAKeyKeepsEveryOtherLine)
{
    IniText ini = IniText::Parse("; band plan\n[MainBand]\nName=40m\nCaption = old\n\n[SubBand.0]\nF=1\n");
    ini.SetValue("mainband", "CAPTION", "new");
    ini.SetValue("MainBand", "Added", "x");
    ini.SetValue("SubBand.1", "F", "2");
    EXPECT_EQ(ini.Serialise(), "; band plan\n[MainBand]\nName=40m\nCAPTION=new\nAdded=x\n\n"
                               "[SubBand.0]\nF=1\n[SubBand.1]\nF=2\n");
}

TEST(IniTextTest, AValueCannotAddLinesOfItsOwn)
{
    IniText ini;
    ini.SetValue("A", "Key", "one\r\n[B]\nKey=two");
    EXPECT_EQ(ini.Lines().size(), 2u);
    EXPECT_EQ(ini.Value("B", "Key"), std::nullopt);
}

TEST(IniTextTest, WritesFilesWholeAndReportsFailuresByFileName)
{
    QTemporaryDir dir;
    const std::string path = tempPath(dir, "new/folder/plan.bpl");
    ASSERT_TRUE(IniText::WriteFileAtomically(path, "first").ok());  // the folder is created
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(IniText::WriteFileAtomically(path, "second").ok());

    std::string contents;
    ASSERT_TRUE(IniText::ReadFile(path, contents).ok());
    EXPECT_EQ(contents, "second");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);  // a rewrite keeps the file's permissions
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path().toStdString() + "/new/folder"),
                            std::filesystem::directory_iterator()), 1);  // no temporary file left

    const std::string link = tempPath(dir, "link.bpl");
    std::filesystem::create_symlink(path, link);
    ASSERT_TRUE(IniText::WriteFileAtomically(link, "through the link").ok());
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    ASSERT_TRUE(IniText::ReadFile(path, contents).ok());
    EXPECT_EQ(contents, "through the link");

    const IniText::FileStatus missing = IniText::ReadFile(tempPath(dir, "none.ini"), contents);
    EXPECT_EQ(missing.number, ENOENT);
    EXPECT_NE(missing.description.find("none.ini"), std::string::npos);

    // A folder where the file should be: reading and writing fail, nothing is left behind.
    const std::string folder = tempPath(dir, "folder.ini");
    std::filesystem::create_directory(folder);
    EXPECT_FALSE(IniText::ReadFile(folder, contents).ok());
    const IniText::FileStatus write = IniText::WriteFileAtomically(folder, "x");
    EXPECT_FALSE(write.ok());
    EXPECT_NE(write.description.find("folder.ini"), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path().toStdString()),
                            std::filesystem::directory_iterator()), 3);
}
