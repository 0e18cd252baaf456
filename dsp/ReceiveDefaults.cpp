#include "dsp/ReceiveDefaults.h"

#include "core/Numeric.h"
#include "core/frmLog.h"
#include "dsp/ReceiveState.h"

namespace {

struct Band
{
    int32_t lo;
    int32_t hi;
};

// Lower and upper edges of the AF presets, by filter button.
constexpr std::array<Band, 5> AFPresets{{{50, 5000}, {200, 600}, {300, 2300}, {300, 3000}, {240, 4000}}};

// Offsets below (lo) and above (hi) the IF, by demodulation mode AM .. SAM.
constexpr std::array<Band, 7> IFBands{
    {{4500, 4500}, {0, 6000}, {6000, 0}, {5500, 5500}, {10000, 10000}, {5500, 5500}, {4500, 4500}}};

constexpr int32_t IFModesPerBlock = 9;

IFFilterEntry IFEntryFor(const Band& band)
{
    return {band.hi, band.lo, band.hi, band.lo, band.hi, band.lo, band.hi == band.lo};
}

} // namespace

int32_t IFFilterIndex(int32_t demodMode, int32_t ifFilterMode)
{
    return demodMode + IFModesPerBlock * ifFilterMode;
}

namespace ReceiveDefaults {

void FillFilterTable(const std::string& tracePrefix)
{
    for (size_t mode = 0; mode < AFPresets.size(); ++mode) {
        AddLog(tracePrefix + ":Initialising Variable Filter Default Values (" + std::to_string(mode) + ")");
        const Band& band = AFPresets[mode];
        FilterTable[mode] = {band.hi, band.lo, band.hi, band.lo, band.hi, band.lo, false};
    }
}

void FillAGCTable(const std::string& tracePrefix, float attackMax, float decayMax)
{
    for (int32_t mode = 1; mode <= 3; ++mode) {
        AddLog(tracePrefix + ":Initialising Variable AGC Default Values (" + std::to_string(mode) + ")");
        const double divisor = 1 << (3 - mode);   // Fast a quarter, Normal half, Slow the whole maximum
        const int32_t attack = Numeric::CLng(attackMax / divisor);
        const int32_t decay = Numeric::CLng(decayMax / divisor);
        AGCTable[mode] = {attack, attack, attack, decay, decay, decay};
    }
}

void FillIFFilterTable(const std::string& tracePrefix)
{
    AddLog(tracePrefix + ":Initialising Variable IF Filter Default Values (0)");
    for (int32_t mode = DemodModeEnum::AM; mode <= DemodModeEnum::SAM; ++mode) {
        const IFFilterEntry entry = IFEntryFor(IFBands[mode]);
        IFFilterTable[IFFilterIndex(mode, IFFilterModeEnum::Man)] = entry;
        IFFilterTable[IFFilterIndex(mode, IFFilterModeEnum::Track)] = entry;
    }
}

void SetNotchDefaults(const std::string& tracePrefix)
{
    AddLog(tracePrefix + ":Initialising NotchFilter Default Values");
    NotchFilterWidth = 200;
    NotchFilterCenter = 1000;
    NotchLastCentre = NotchFilterCenter;
}

} // namespace ReceiveDefaults
