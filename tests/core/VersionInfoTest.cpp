#include "core/CFileVersionInfo.h"
#include "core/GetDLLVer.h"
#include "fakes/FakeVersionResources.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {

constexpr uint32_t UsEnglishUnicode = 0x04B00409;   // language 0409, code page 04B0
constexpr uint32_t GermanWindows = 0x04E40407;      // language 0407, code page 04E4

VersionInfoData Version(std::vector<uint32_t> translations,
                        std::map<std::string, std::map<std::string, std::string>> blocks)
{
    return {std::move(translations), std::move(blocks)};
}

} // namespace

TEST(GetDLLVersion, NeedsALoadableLibraryWithAFixedVersionPart)
{
    FakeVersionResources resources;
    resources.Libraries["nsp.dll"] = {"/opt/dsp/nsp.dll\0junk"s, true, 52};
    resources.Libraries["noversion.dll"] = {"/opt/dsp/noversion.dll"s, false, 0};
    resources.Libraries["nofixedpart.dll"] = {"/opt/dsp/nofixedpart.dll"s, true, 0};
    resources.Libraries["negative.dll"] = {"/opt/dsp/negative.dll"s, true, -1};
    resources.Libraries["nameless.dll"] = {std::nullopt, true, 52};

    std::string path = "as set";
    EXPECT_FALSE(GetDLLVer::GetDLLVersion("missing.dll", path));
    EXPECT_EQ(path, "as set");

    EXPECT_TRUE(GetDLLVer::GetDLLVersion("nsp.dll", path));
    EXPECT_EQ(path, "/opt/dsp/nsp.dll");

    // The path is reported even when the version resource does not do.
    EXPECT_FALSE(GetDLLVer::GetDLLVersion("noversion.dll", path));
    EXPECT_EQ(path, "/opt/dsp/noversion.dll");
    EXPECT_FALSE(GetDLLVer::GetDLLVersion("nofixedpart.dll", path));
    EXPECT_FALSE(GetDLLVer::GetDLLVersion("negative.dll", path));

    path = "as set";
    EXPECT_TRUE(GetDLLVer::GetDLLVersion("nameless.dll", path));
    EXPECT_EQ(path, "as set");
}

TEST(CFileVersionInfo, ReadsFileVersionFromTheFirstTranslationsBlock)
{
    FakeVersionResources resources;
    resources.VersionInfos["/opt/dsp/nsp.dll"] = Version(
        {UsEnglishUnicode, GermanWindows},
        {{"040904B0", {{"CompanyName", "Intel Corporation"}, {"FileVersion", "4, 5, 2, 2\0\0"s}}},
         {"040704E4", {{"CompanyName", "Intel"}, {"FileVersion", "9, 9, 9, 9"}}}});
    resources.VersionInfos["/opt/dsp/points.dll"] = Version(
        {UsEnglishUnicode}, {{"040904B0", {{"CompanyName", "Intel"}, {"FileVersion", "4.5.2.2 "}}}});
    resources.VersionInfos["/opt/dsp/nofileversion.dll"] = Version(
        {UsEnglishUnicode}, {{"040904B0", {{"CompanyName", "Intel"}}}});

    CFileVersionInfo info;
    EXPECT_FALSE(info.Available());
    EXPECT_EQ(info.FileVersion(), "");

    info.SetFullPathName("/opt/dsp/nsp.dll");
    EXPECT_EQ(info.FullPathName(), "/opt/dsp/nsp.dll");
    EXPECT_TRUE(info.Available());
    EXPECT_EQ(info.FileVersion(), "4, 5, 2, 2");

    info.SetFullPathName("/opt/dsp/points.dll");
    EXPECT_EQ(info.FileVersion(), "4.5.2.2 ");  // as stored, for the caller to reject

    info.SetFullPathName("/opt/dsp/nofileversion.dll");
    EXPECT_TRUE(info.Available());
    EXPECT_EQ(info.FileVersion(), "");
}

TEST(CFileVersionInfo, FallsBackToUsEnglishWhenTheFirstBlockHasNoCompanyName)
{
    FakeVersionResources resources;
    resources.VersionInfos["/a.dll"] = Version(
        {GermanWindows}, {{"040704E4", {{"CompanyName", ""}, {"FileVersion", "1, 0, 0, 0"}}},
                          {"040904E4", {{"CompanyName", "Intel"}, {"FileVersion", "4, 5, 2, 2"}}}});
    // No company anywhere: the first block's version stands.
    resources.VersionInfos["/b.dll"] = Version(
        {GermanWindows}, {{"040704E4", {{"FileVersion", "1, 0, 0, 0"}}},
                          {"040904E4", {{"CompanyName", "\0"s}, {"FileVersion", "4, 5, 2, 2"}}}});
    // The fallback keeps the first translation's code page.
    resources.VersionInfos["/c.dll"] = Version(
        {GermanWindows}, {{"040904B0", {{"CompanyName", "Intel"}, {"FileVersion", "4, 5, 2, 2"}}}});

    CFileVersionInfo info;
    info.SetFullPathName("/a.dll");
    EXPECT_EQ(info.FileVersion(), "4, 5, 2, 2");
    info.SetFullPathName("/b.dll");
    EXPECT_EQ(info.FileVersion(), "1, 0, 0, 0");
    info.SetFullPathName("/c.dll");
    EXPECT_EQ(info.FileVersion(), "");
}

TEST(CFileVersionInfo, ReadingsThatStopEarlyKeepWhatThePreviousOneLeft)
{
    FakeVersionResources resources;
    resources.VersionInfos["/nsp.dll"] = Version(
        {UsEnglishUnicode}, {{"040904B0", {{"CompanyName", "Intel"}, {"FileVersion", "4, 5, 2, 2"}}}});
    resources.VersionInfos["/notranslation.dll"] = Version({}, {});
    resources.UnresolvableNames = {"??"};

    CFileVersionInfo info;
    info.SetFullPathName("/nsp.dll");

    // No translation table: available, the version text stays.
    info.SetFullPathName("/notranslation.dll");
    EXPECT_TRUE(info.Available());
    EXPECT_EQ(info.FileVersion(), "4, 5, 2, 2");

    // A name that cannot be resolved changes nothing.
    info.SetFullPathName("??");
    EXPECT_EQ(info.FullPathName(), "/notranslation.dll");
    EXPECT_TRUE(info.Available());

    // No version information: unavailable, the version text stays.
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

TEST(VersionResources, TheRealReaderFindsNoLibraryAndNoVersionInformation)
{
    std::string path = "as set";
    EXPECT_FALSE(GetDLLVer::GetDLLVersion("nsp.dll", path));
    EXPECT_EQ(path, "as set");

    CFileVersionInfo info;
    info.SetFullPathName("nsp.dll");
    EXPECT_EQ(info.FullPathName(), (std::filesystem::current_path() / "nsp.dll").string());
    EXPECT_FALSE(info.Available());
    EXPECT_EQ(info.FileVersion(), "");
}
