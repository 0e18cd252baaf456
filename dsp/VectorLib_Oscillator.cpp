#include "dsp/VectorLib.h"

#include "core/RuntimeError.h"

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

// The library's table oscillator.
namespace VectorLib {

namespace {

constexpr int32_t MaxTableBits = 20;      // 2 x 4 MB of tables
constexpr int32_t MaxBlockSize = 65536;

struct Oscillator
{
    bool started = false;
    uint32_t phaseMask = 0;
    int32_t indexShift = 0;               // phase bits below the table index
    int32_t blockSize = 0;
    uint32_t phase = 0;
    std::vector<float> sine;
    std::vector<float> cosine;
};

Oscillator& TheOscillator()
{
    static Oscillator oscillator;
    return oscillator;
}

bool CanServe(int32_t phaseBits, int32_t tableBits, int32_t blockSize)
{
    return phaseBits >= 1 && phaseBits <= 31 && tableBits >= 1 && tableBits <= phaseBits
        && tableBits <= MaxTableBits && blockSize >= 1 && blockSize <= MaxBlockSize;
}

} // namespace

void InitDDS(int32_t phaseBits, int32_t tableBits, int32_t blockSize)
{
    if (!CanServe(phaseBits, tableBits, blockSize))
        throw RuntimeError(5,
                           "Invalid procedure call or argument: the oscillator cannot run with " + std::to_string(phaseBits)
                               + " phase bits, " + std::to_string(tableBits) + " table bits and blocks of "
                               + std::to_string(blockSize) + " samples",
                           "VectorLib.InitDDS");

    const std::size_t tableSize = std::size_t{1} << tableBits;
    std::vector<float> sine(tableSize);
    std::vector<float> cosine(tableSize);
    for (std::size_t i = 0; i < tableSize; ++i) {
        const double angle = 2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(tableSize);
        sine[i] = static_cast<float>(std::sin(angle));
        cosine[i] = static_cast<float>(std::cos(angle));
    }

    Oscillator& oscillator = TheOscillator();
    oscillator.sine.swap(sine);
    oscillator.cosine.swap(cosine);
    oscillator.phaseMask = static_cast<uint32_t>((uint64_t{1} << phaseBits) - 1);
    oscillator.indexShift = phaseBits - tableBits;
    oscillator.blockSize = blockSize;
    oscillator.phase = 0;
    oscillator.started = true;
}

void MakeFreq(int32_t phaseStep, float* sinOut, float* cosOut)
{
    Oscillator& oscillator = TheOscillator();
    if (!oscillator.started)
        throw RuntimeError(5, "Invalid procedure call or argument: the oscillator has not been started (InitDDS)",
                           "VectorLib.MakeFreq");
    // Unsigned arithmetic: the phase wraps as the two's-complement sum would.
    const auto step = static_cast<uint32_t>(phaseStep);
    uint32_t phase = oscillator.phase;
    for (int32_t i = 0; i < oscillator.blockSize; ++i) {
        phase = (phase + step) & oscillator.phaseMask;
        const uint32_t index = phase >> oscillator.indexShift;
        sinOut[i] = oscillator.sine[index];
        cosOut[i] = oscillator.cosine[index];
    }
    oscillator.phase = phase;
}

} // namespace VectorLib
