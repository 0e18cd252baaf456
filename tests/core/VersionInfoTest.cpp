#include "core/CFileVersionInfo.h"
#include "core/GetDLLVer.h"
#include "fakes/FakeVersionResources.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {

constexpr uint32_t UsEnglishUnicode = 0x04B00409;  // language 0409, code page 04B0
constexpr uint32_t GermanWindows = 0x04E40407;     // language 0407, code page 04E4

VersionInfoData Version(uint32_t translation, std::map<std::string, std::map<std::string, std::string>> blocks)
{
    return {{translation}, std::move(blocks)};
}

} // namespace

TEST(GetDLLVersion, NeedsALoadableLibraryWithAFixedVersionPart)
{
    FakeVersionResources resources;
    resources.Libraries["nsp.dll"] = {"/opt/dsp/nsp.dll\0junk"s, true, 52};
    resources.Libraries["nofixedpart.dll"] = {"/opt/dsp/nofixedpart.dll"s, true, -1};
    resources.Libraries["nameless.dll"] = {std::nullopt, true, 52};

    std::string path = "as set";
    EXPECT_FALSE(GetDLLVer::GetDLLVersion("missing.dll", path));
    EXPECT_TRUE(GetDLLVer::GetDLLVersion("nameless.dll", path));
    EXPECT_EQ(path, "as set");
    EXPECT_TRUE(GetDLLVer::GetDLLVersion("nsp.dll", path));
    EXPECT_EQ(path, "/opt/dsp/nsp.dll");
    EXPECT_FALSE(GetDLLVer::GetDLLVersion("nofixedpart.dll", path));
    EXPECT_EQ(path, "/opt/dsp/nofixedpart.dll");
}

TEST(CFileVersionInfo, ReadsTheFirstTranslationsBlockOrItsUsEnglishTwin)
{
    FakeVersionResources resources;
    resources.VersionInfos["/nsp.dll"] = Version(
        UsEnglishUnicode, {{"040904B0", {{"CompanyName", "Intel"}, {"FileVersion", "4, 5, 2, 2\0\0"s}}}});
    resources.VersionInfos["/points.dll"] = Version(
        UsEnglishUnicode, {{"040904B0", {{"CompanyName", "Intel"}, {"FileVersion", "4.5.2.2 "}}}});
    resources.VersionInfos["/german.dll"] = Version(
        GermanWindows, {{"040704E4", {{"CompanyName", ""}, {"FileVersion", "1, 0, 0, 0"}}},
                        {"040904E4", {{"CompanyName", "Intel"}, {"FileVersion", "4, 5, 2, 2"}}}});
    resources.VersionInfos["/nocompany.dll"] = Version(
        GermanWindows, {{"040704E4", {{"FileVersion", "1, 0, 0, 0"}}},
                        {"040904E4", {{"CompanyName", "\0"s}, {"FileVersion", "4, 5, 2, 2"}}}});
    resources.VersionInfos["/nofileversion.dll"] = Version(UsEnglishUnicode, {{"040904B0", {}}});

    const std::pair<std::string, std::string> cases[] = {
        {"/nsp.dll", "4, 5, 2, 2"}, {"/points.dll", "4.5.2.2 "}, {"/german.dll", "4, 5, 2, 2"},
        {"/nocompany.dll", "1, 0, 0, 0"}, {"/nofileversion.dll", ""}};
    for (const auto& [path, fileVersion] : cases) {
        CFileVersionInfo info;
        info.SetFullPathName(path);
        EXPECT_TRUE(info.Available()) << path;
        EXPECT_EQ(info.FileVersion(), fileVersion) << path;
    }
}

TEST(CFileVersionInfo, ReadingsThatStopEarlyKeepWhatThePreviousOneLeft)
{
    FakeVersionResources resources;
    resources.VersionInfos["/nsp.dll"] = Version(
        UsEnglishUnicode, {{"040904B0", {{"CompanyName", "Intel"}, {"FileVersion", "4, 5, 2, 2"}}}});
    resources.VersionInfos["/notranslation.dll"] = {};
    resources.UnresolvableNames = {"??"};
    CFileVersionInfo info;
    info.SetFullPathName("/nsp.dll");

    info.SetFullPathName("/notranslation.dll");
    EXPECT_TRUE(info.Available());
    EXPECT_EQ(info.FileVersion(), "4, 5, 2, 2");
    info.SetFullPathName("??");
    EXPECT_EQ(info.FullPathName(), "/notranslation.dll");
    info.SetFullPathName("/plain.txt");
    EXPECT_FALSE(info.Available());
    EXPECT_EQ(info.FileVersion(), "4, 5, 2, 2");

    // A path longer than the platform's 259 characters names no readable file.
    const std::string longPath = "/" + std::string(259, 'x');
    resources.VersionInfos[longPath] = resources.VersionInfos["/nsp.dll"];
    info.SetFullPathName("/nsp.dll");
    info.SetFullPathName(longPath);
    EXPECT_EQ(info.FullPathName(), longPath);
    EXPECT_FALSE(info.Available());
}

// The real platform finds no library (the library probe's test shows it) and no version information.
TEST(CFileVersionInfo, TheRealReaderFindsNoLibraryAndNoVersionInformation)
{
    CFileVersionInfo info;
    info.SetFullPathName("nsp.dll");
    EXPECT_EQ(info.FullPathName(), (std::filesystem::current_path() / "nsp.dll").string());
    EXPECT_FALSE(info.Available());
}
