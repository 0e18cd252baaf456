#include "dsp/QELVO.h"

#include "core/RuntimeError.h"
#include "fakes/FakeVersionResources.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <tuple>
#include <vector>

namespace {

constexpr int32_t TwelveKilohertzStep = 268435456;  // 12000 Hz x 2^30 / 48000

// The Intel library as the fake platform reports it, with the given version text.
void InstallSPL(FakeVersionResources& resources, const std::string& fileVersion)
{
    resources.Libraries["nsp.dll"] = LoadedLibraryInfo{"/opt/intel/nsp.dll", true, 52};
    VersionInfoData info;
    info.Translations = {0x04B00409};
    info.StringBlocks["040904B0"] = {{"CompanyName", "Intel Corporation"}, {"FileVersion", fileVersion}};
    resources.VersionInfos["/opt/intel/nsp.dll"] = info;
}

class QELVOProbe : public testing::Test
{
protected:
    void TearDown() override { QELVO::CheckSPL(); }  // the real platform: no such library
};

// Found only at its exact version text, loadable and with a version resource; the probe
// finds the library but leaves switching it on to the user.
TEST_F(QELVOProbe, AcceptsTheIntelLibraryOnlyAtItsExactVersionText)
{
    const struct { const char* version; bool versioned; bool found; } cases[] = {
        {"4, 5, 2, 2", true, true}, {"4.5.2.2", true, false}, {"4, 5, 2, 2 ", true, false},
        {"4, 5, 2, 3", true, false}, {"4,5,2,2", true, false}, {"", true, false}, {"4, 5, 2, 2", false, false}};
    for (const auto& c : cases) {
        FakeVersionResources resources;
        InstallSPL(resources, c.version);
        resources.Libraries["nsp.dll"].HasVersionResource = c.versioned;
        QELVO::UseSPL = true;
        QELVO::CheckSPL();
        EXPECT_EQ(QELVO::SPLAvailable, c.found) << '"' << c.version << '"' << c.versioned;
        EXPECT_FALSE(QELVO::UseSPL);
    }
    QELVO::CheckSPL();  // this platform has no such library
    EXPECT_FALSE(QELVO::SPLAvailable);
}

// One 2048-sample block of the oscillator.
struct NCOBlock
{
    std::vector<float> sine = std::vector<float>(2048);
    std::vector<float> cosine = std::vector<float>(2048);
};

NCOBlock RunNCO(int32_t step, float amplitude = 1.0f)
{
    NCOBlock block;
    QELVO::MakeNCO(step, block.sine, block.cosine, amplitude);
    return block;
}

// Each start begins at phase 0; the phase runs on across blocks, backwards for a negative step.
TEST(QELVOOscillator, LibraryPathRunsOnAcrossBlocksInEitherSenseAndHonoursTheAmplitude)
{
    for (const int32_t step : {22369621 /* 1000 Hz */, -TwelveKilohertzStep}) {
        QELVO::InitDDSDLL(30, 16, 2048);
        ASSERT_TRUE(QELVO::DDSDLLAvailable);
        const NCOBlock first = RunNCO(step);
        const NCOBlock second = RunNCO(step, 0.5f);
        for (int i = 0; i < 4096; ++i) {
            const double angle = 2.0 * std::acos(-1.0) * static_cast<double>(step) * (i + 1) / 1073741824.0;
            const float scale = i < 2048 ? 1.0f : 0.5f;
            const float sine = i < 2048 ? first.sine[i] : second.sine[i - 2048];
            const float cosine = i < 2048 ? first.cosine[i] : second.cosine[i - 2048];
            // The 16-bit table index truncates the phase by up to one table step.
            ASSERT_NEAR(sine, scale * std::sin(angle), 2e-4) << step << " " << i;
            ASSERT_NEAR(cosine, scale * std::cos(angle), 2e-4) << step << " " << i;
        }
    }
}

TEST(QELVOOscillator, RefusedLibraryStartFallsBackToTheOwnTables)
{
    for (const auto& [phaseBits, tableBits, block] : {std::tuple{0, 16, 2048}, {30, 16, 0}, {40, 16, 2048}}) {
        QELVO::InitDDSDLL(phaseBits, tableBits, block);
        EXPECT_FALSE(QELVO::DDSDLLAvailable);
    }

    // The table oscillator's phase runs on for the whole process, so check the pattern
    // rather than absolute values: a quarter-rate step turns the phasor by 90 degrees.
    const NCOBlock block = RunNCO(TwelveKilohertzStep);
    for (int i = 0; i + 1 < 2048; ++i) {
        ASSERT_NEAR(block.sine[i + 1], block.cosine[i], 1e-4) << i;
        ASSERT_NEAR(block.cosine[i + 1], -block.sine[i], 1e-4) << i;
        ASSERT_NEAR(block.sine[i] * block.sine[i] + block.cosine[i] * block.cosine[i], 1.0, 1e-5);
    }

    // Two blocks of 1000 Hz form one unbroken sinusoid: s[n+1] = 2 cos(w) s[n] - s[n-1].
    const int32_t step = 22369621;
    const NCOBlock a = RunNCO(step);
    const NCOBlock b = RunNCO(step, 0.5f);
    std::vector<float> joined(a.sine);
    for (float value : b.sine)
        joined.push_back(2.0f * value);  // undo the amplitude of the second block
    const double twoCos = 2.0 * std::cos(2.0 * std::acos(-1.0) * 1000.0 / 48000.0);
    for (size_t n = 1; n + 1 < joined.size(); ++n)
        ASSERT_NEAR(joined[n + 1], twoCos * joined[n] - joined[n - 1], 5e-4) << n;

    std::vector<float> shortArray(2047);
    std::vector<float> fullArray(2048);
    EXPECT_THROW(QELVO::MakeNCO(step, shortArray, fullArray, 1.0f), RuntimeError);
}

TEST(QELVOPrimitives, BehaveAsTheCallersRelyOn)
{
    const std::vector<float> values{3.0f, -7.0f, 5.0f};
    EXPECT_EQ(QELVO::MaxAbs_S(values.data(), 3), 7.0f);

    std::vector<float> product{1.0f, 1.0f};
    QELVO::VecMpy_S_3(values.data(), values.data(), product.data(), 0);
    EXPECT_EQ(product, (std::vector<float>{1.0f, 1.0f}));

    std::vector<float> overlapping{1, 2, 3, 4, 5};
    QELVO::Copy_S(overlapping.data(), overlapping.data() + 1, 4);
    EXPECT_EQ(overlapping, (std::vector<float>{1, 1, 2, 3, 4}));
    QELVO::Zero_S(overlapping.data() + 3, 2);
    EXPECT_EQ(overlapping, (std::vector<float>{1, 1, 2, 0, 0}));
}

TEST(QELVOUtilities, Log10TakesTheMagnitudeAndNeverFails)
{
    EXPECT_NEAR(QELVO::Log10(0), -99.0, 1e-9);
    EXPECT_NEAR(QELVO::Log10(-100), 2.0, 1e-12);
    EXPECT_NEAR(QELVO::Log10(1), 0.0, 1e-15);
    EXPECT_EQ(QELVO::Log10(-1E-99), 0.0);  // log of 0: undefined, 0 instead
    EXPECT_EQ(QELVO::Log10(std::nan("")), 0.0);
}

TEST(QELVOUtilities, UTCTimeStampShowsTheTimeOfDay)
{
    const std::string stamp = QELVO::UTCTimeStamp();
    EXPECT_TRUE(std::regex_match(stamp, std::regex("[0-2][0-9]:[0-5][0-9]:[0-5][0-9]"))) << stamp;
}

} // namespace
