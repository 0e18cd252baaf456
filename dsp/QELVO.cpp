#include "dsp/QELVO.h"

#include "core/CFileVersionInfo.h"
#include "core/GetDLLVer.h"
#include "core/RuntimeError.h"
#include "dsp/VectorLib.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace QELVO {

namespace {

constexpr const char* SPLLibraryName = "nsp.dll";
constexpr const char* SPLAcceptedVersion = "4, 5, 2, 2";

constexpr int32_t NCOBlockSize = 2048;
constexpr int32_t NCOTableSize = 65536;
constexpr uint32_t NCOPhaseMask = (uint32_t{1} << 30) - 1;
constexpr int32_t NCOIndexShift = 14;           // the top 16 of the 30 phase bits index the tables

int32_t LibraryBlockSize = 0;                    // block size the library oscillator was started with

// The oscillator's own tables and phase, used while the library oscillator is not.
struct TableOscillator
{
    std::array<float, NCOTableSize> sine{};
    std::array<float, NCOTableSize> cosine{};
    bool tablesBuilt = false;
    uint32_t phase = 0;                          // runs on for the life of the process

    void BuildTables()
    {
        // The angle is accumulated by repeated addition, as the tables always were.
        const double angleStep = 2.0 * 3.14159265358979 / NCOTableSize;
        double angle = 0.0;
        for (int32_t i = 0; i < NCOTableSize; ++i) {
            sine[i] = static_cast<float>(std::sin(angle));
            cosine[i] = static_cast<float>(std::cos(angle));
            angle += angleStep;
        }
        tablesBuilt = true;
    }

    void Fill(int32_t phaseInc, float* sinOut, float* cosOut)
    {
        if (!tablesBuilt)
            BuildTables();
        const auto step = static_cast<uint32_t>(phaseInc);
        for (int32_t i = 0; i < NCOBlockSize; ++i) {
            phase = (phase + step) & NCOPhaseMask;
            const uint32_t index = phase >> NCOIndexShift;
            sinOut[i] = sine[index];
            cosOut[i] = cosine[index];
        }
    }
};

TableOscillator& TheTableOscillator()
{
    static TableOscillator oscillator;
    return oscillator;
}

} // namespace

void Copy_16(const int16_t* src, int16_t* dst, int32_t n)
{
    if (n > 0)
        std::memmove(dst, src, sizeof(int16_t) * static_cast<size_t>(n));
}

void Zero_16(int16_t* dst, int32_t n)
{
    if (n > 0)
        std::memset(dst, 0, sizeof(int16_t) * static_cast<size_t>(n));
}

void Copy_S(const float* src, float* dst, int32_t n)
{
    if (n > 0)
        std::memmove(dst, src, sizeof(float) * static_cast<size_t>(n));
}

void Copy_D(const double* src, double* dst, int32_t n)
{
    if (n > 0)
        std::memmove(dst, src, sizeof(double) * static_cast<size_t>(n));
}

void Zero_S(float* dst, int32_t n)
{
    if (n > 0)
        std::memset(dst, 0, sizeof(float) * static_cast<size_t>(n));
}

void CartToPolar_S(const float* re, const float* im, float* mag, float* phase, int32_t n)
{
    VectorLib::CartToPolar_S_2(re, im, mag, phase, n);
}

void VecMpy_S_1(float value, float* dst, int32_t n)
{
    VectorLib::Mpy_S_1(value, dst, n);
}

void VecMpy_S_2(const float* src, float* dst, int32_t n)
{
    VectorLib::Mpy_S_2(src, dst, n);
}

void VecMpy_S_3(const float* a, const float* b, float* dst, int32_t n)
{
    VectorLib::Mpy_S_3(a, b, dst, n);
}

void VecAdd_S_2(const float* src, float* dst, int32_t n)
{
    VectorLib::Add_S_2(src, dst, n);
}

float MaxAbs_S(const float* src, int32_t n)
{
    return VectorLib::MaxValueAbs_S(src, n);
}

void CheckSPL()
{
    SPLAvailable = false;
    UseSPL = false;

    std::string fullPath;
    if (!GetDLLVer::GetDLLVersion(SPLLibraryName, fullPath))
        return;

    CFileVersionInfo versionInfo;
    versionInfo.SetFullPathName(fullPath);
    // Only this exact text is accepted: digits, commas and blanks as written.
    if (versionInfo.Available() && versionInfo.FileVersion() == SPLAcceptedVersion)
        SPLAvailable = true;
}

void InitDDSDLL(int32_t PhaseBits, int32_t TableBits, int32_t BlockSize)
{
    DDSDLLAvailable = false;
    try {
        VectorLib::InitDDS(PhaseBits, TableBits, BlockSize);
    } catch (...) {
        return;  // any failure: MakeNCO runs on its own tables instead
    }
    LibraryBlockSize = BlockSize;
    DDSDLLAvailable = true;
}

void MakeNCO(int32_t PhaseInc, std::span<float> SinOut, std::span<float> CosOut, float Amplitude)
{
    const int32_t blockSize = DDSDLLAvailable ? LibraryBlockSize : NCOBlockSize;
    if (SinOut.size() < static_cast<size_t>(blockSize) || CosOut.size() < static_cast<size_t>(blockSize))
        throw RuntimeError(9, "Subscript out of range: the oscillator fills " + std::to_string(blockSize) + " samples",
                           "QELVO.MakeNCO");

    if (DDSDLLAvailable)
        VectorLib::MakeFreq(PhaseInc, SinOut.data(), CosOut.data());
    else
        TheTableOscillator().Fill(PhaseInc, SinOut.data(), CosOut.data());

    if (Amplitude != 1.0f) {
        VecMpy_S_1(Amplitude, SinOut.data(), blockSize);
        VecMpy_S_1(Amplitude, CosOut.data(), blockSize);
    }
}

double Log10(double X)
{
    const double magnitude = std::fabs(X + 1E-99);
    if (!(magnitude > 0.0) || std::isinf(magnitude))
        return 0.0;
    return std::log(magnitude) / 2.30258509299405;
}

std::string UTCTimeStamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", utc.tm_hour, utc.tm_min, utc.tm_sec);
    return text;
}

} // namespace QELVO
