#include "platform/SettingsStore.h"

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

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
