#include "dsp/MakeFilters.h"

#include "core/BusyGuard.h"
#include "core/DoEvents.h"
#include "core/MainWindowValues.h"
#include "dsp/FilterObjects.h"
#include "dsp/ModeChange.h"
#include "dsp/ReceiveDefaults.h"
#include "dsp/ReceiveLinks.h"

namespace {

constexpr int32_t FMHalfWidth = 10000;   // Hz each side of the IF
constexpr int32_t PhasingTop = 24000;

void SetIFEdges(int32_t high, int32_t low)
{
    IFFilter.FHigh = high;
    IFFilter.FLow = low;
}

void SetSidebandIFEdges()
{
    const bool above = SidebandAboveIF(DemodMode);
    if (IFFilterMode == IFFilterModeEnum::Man) {
        const IFFilterEntry& entry = IFFilterTable.at(IFFilterIndex(DemodMode, IFFilterModeEnum::Man));
        if (above)
            SetIFEdges(IFFreq + entry.Hi, IFFreq + entry.Lo);
        else
            SetIFEdges(IFFreq - entry.Lo, IFFreq - entry.Hi);
    } else if (IFFilterMode == IFFilterModeEnum::Track) {
        if (above)
            SetIFEdges(IFFreq + FilterHi, IFFreq + FilterLo);
        else
            SetIFEdges(IFFreq - FilterLo, IFFreq - FilterHi);
    }
}

void SetIFFilterEdges()
{
    switch (DemodMode) {
    case DemodModeEnum::AM:
    case DemodModeEnum::BC:
    case DemodModeEnum::SAM:
        if (IFFilterMode == IFFilterModeEnum::Man) {
            const IFFilterEntry& entry = IFFilterTable.at(IFFilterIndex(DemodMode, IFFilterModeEnum::Man));
            SetIFEdges(IFFreq + entry.Hi, IFFreq - entry.Lo);
        } else {
            SetIFEdges(IFFreq + FilterHi, IFFreq - FilterHi);
        }
        break;
    case DemodModeEnum::USB:
    case DemodModeEnum::LSB:
        SetSidebandIFEdges();
        break;
    case DemodModeEnum::FM:
        SetIFEdges(IFFreq + FMHalfWidth, IFFreq - FMHalfWidth);
        break;
    default:   // DRM follows the AF pass band whatever the IF filter mode
        SetIFEdges(IFFreq + FilterHi, IFFreq - FilterHi);
        break;
    }
}

void Design(clsFFTFilter& filter, int32_t high, int32_t low)
{
    filter.FHigh = high;
    filter.FLow = low;
    filter.MakeFilter();
    WaitForReceiveChain();
}

// The quadrature partner copies its I partner's edges as that partner's design left them.
void DesignPartner(clsFFTFilter& q, const clsFFTFilter& i)
{
    q.QPhase = !i.QPhase;
    q.FHigh = i.FHigh;
    q.FLow = i.FLow;
    q.MakeFilter();
}

void Redesign()
{
    SetIFFilterEdges();
    IFFilter.MakeFilter();
    WaitForReceiveChain();
    if (PhaseFilterI.Active) {
        PhaseFilterI.QPhase = false;
        Design(PhaseFilterI, PhasingTop, 0);
    }
    if (PhaseFilterQ.Active) {
        DesignPartner(PhaseFilterQ, PhaseFilterI);
        WaitForReceiveChain();
    }
    if (AFFilter.Active)
        Design(AFFilter, FilterHi, FilterLo);
    Design(NRFilter, FilterHi, FilterLo);
    if (SSBFilterI.Active) {
        SSBFilterI.QPhase = false;
        Design(SSBFilterI, FilterHi, FilterLo);
    }
    if (SSBFilterQ.Active)
        DesignPartner(SSBFilterQ, SSBFilterI);
    DoEvents();
    WaitForReceiveChain();
    IFFilter.GetFilterCoeffs_T_S(FilterCurveCoeffs);
    if (ReceiveLinks::SpectrumAnalyser)
        ReceiveLinks::SpectrumAnalyser->LoadFilterCoeffs_T_S(FilterCurveCoeffs);
}

} // namespace

bool SidebandAboveIF(int32_t mode)
{
    const bool flag = IQModeOn ? IQSelectUpper : HiSideLoOn;
    return mode == DemodModeEnum::LSB ? !flag : flag;
}

void MakeFilters()
{
    if (InMakeFilters)
        return;
    BusyGuard busy(InMakeFilters);
    try {
        Redesign();
    } catch (...) {
        // The filters not reached keep their previous design; the next call starts afresh.
    }
    FiltersDesignedFor(DemodMode);
}
