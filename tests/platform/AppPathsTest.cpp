#include "platform/AppPaths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void Write(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
}

QByteArray Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

class ProgramFolder : public ::testing::Test
{
protected:
    void Prepare() { ASSERT_TRUE(AppPaths::PrepareProgramFolder(Path("new"), Path("earlier"), {Path("samples")})); }
    std::string Path(const char* name) const { return dir.filePath(name).toStdString(); }
    QString File(const char* folder, const char* name) const { return dir.filePath(QString(folder) + "/" + name); }

    QTemporaryDir dir;
};

// The files an earlier start kept beside the executable come over, edited band plans before
// the samples of the same name; the executable's folder keeps everything it held.
TEST_F(ProgramFolder, TheFirstStartCopiesTheEarlierFolderAndTheSamplesAndKeepsTheOriginals)
{
    Write(File("earlier", "40m.bpl"), "[MainBand]\r\nCaption=edited\r\n");
    Write(File("earlier", "Night.thm"), "[Colours]\r\n");
    Write(File("earlier", "QSO 1.wav"), "RIFF");
    Write(File("earlier", "Dream.ini"), "[Receiver]\r\n");
    Write(File("earlier", "ZOZEVERE.log"), "log\r\n");
    Write(File("earlier", "zozevere"), "program");
    Write(File("samples", "40m.bpl"), "[MainBand]\r\n");
    Write(File("samples", "20m.bpl"), "[MainBand]\r\n");
    Write(File("samples", "Day.thm"), "[Colours]\r\n");
    Prepare();

    EXPECT_EQ(Read(File("new", "40m.bpl")), "[MainBand]\r\nCaption=edited\r\n");
    for (const char* name : {"Night.thm", "QSO 1.wav", "Dream.ini", "ZOZEVERE.log", "20m.bpl", "Day.thm"})
        EXPECT_TRUE(QFile::exists(File("new", name))) << name;
    EXPECT_FALSE(QFile::exists(File("new", "zozevere")));
    for (const char* name : {"40m.bpl", "Night.thm", "QSO 1.wav", "Dream.ini", "ZOZEVERE.log", "zozevere"})
        EXPECT_TRUE(QFile::exists(File("earlier", name))) << name << " was kept";
    EXPECT_EQ(Read(File("samples", "40m.bpl")), "[MainBand]\r\n");
}

// Once made, the folder is the user's: what was removed from it is not brought back.
TEST_F(ProgramFolder, IsFilledOnlyOnce)
{
    Write(File("earlier", "QSO 1.wav"), "RIFF");
    Write(File("samples", "20m.bpl"), "[MainBand]\r\n");
    Prepare();
    ASSERT_TRUE(QFile::remove(File("new", "QSO 1.wav")));
    ASSERT_TRUE(QFile::remove(File("new", "20m.bpl")));
    Prepare();
    EXPECT_TRUE(QDir(dir.filePath("new")).isEmpty());
}

TEST_F(ProgramFolder, AFolderThatCannotBeMadeIsReported)
{
    Write(dir.filePath("file"), "not a folder");
    EXPECT_FALSE(AppPaths::PrepareProgramFolder(Path("file/new"), Path("earlier"), {}));
}

// Without $ZOZEVERE_HOME the folder is the user's data folder, whatever the executable's.
TEST_F(ProgramFolder, IsTheDataFolderWithoutTheVariable)
{
    const QByteArray home = qgetenv(AppPaths::ProgramFolderVariable);
    const QByteArray data = qgetenv("XDG_DATA_HOME");
    qunsetenv(AppPaths::ProgramFolderVariable);
    qputenv("XDG_DATA_HOME", dir.path().toLocal8Bit());
    const std::string folder = AppPaths::ProgramFolder();
    qputenv("XDG_DATA_HOME", data);
    if (!home.isEmpty())
        qputenv(AppPaths::ProgramFolderVariable, home);

    EXPECT_EQ(folder, Path("ZOZEVERE"));
    EXPECT_TRUE(QFileInfo(QString::fromStdString(folder)).isDir());
}

} // namespace
