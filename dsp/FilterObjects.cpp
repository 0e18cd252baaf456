#include "dsp/FilterObjects.h"

#include "core/Globals.h"
#include "core/TryStep.h"
#include "dsp/ReceiveState.h"

namespace {

struct FilterSettings
{
    int32_t windowType = 2;       // Blackman unless said otherwise
    bool qPhase = false;
    bool normaliseGain = true;
    bool bandReject = false;
    int32_t fLow = 0;
    int32_t fHigh = 0;
    bool design = true;
};

void CreateFilter(clsFFTFilter& filter, const FilterSettings& settings)
{
    filter = clsFFTFilter{};
    filter.SegmentSize = SpectrumPoints;
    filter.Points = BlockSize;
    filter.FSampling = ReceiveSampleRate;
    filter.WindowType = settings.windowType;
    filter.QPhase = settings.qPhase;
    filter.NormaliseGain = settings.normaliseGain;
    filter.BandReject = settings.bandReject;
    filter.FLow = settings.fLow;
    filter.FHigh = settings.fHigh;
    filter.init(filter.Points);
    if (settings.design)
        filter.MakeFilter();
}

// A copy takes the edges of the filter it copies as that filter's design left them.
FilterSettings EdgesOf(const clsFFTFilter& original, FilterSettings settings)
{
    settings.fLow = original.FLow;
    settings.fHigh = original.FHigh;
    return settings;
}

// A quadrature partner also takes the opposite QPhase of its I partner.
FilterSettings PartnerOf(const clsFFTFilter& i, const FilterSettings& settings)
{
    FilterSettings partner = EdgesOf(i, settings);
    partner.qPhase = !i.QPhase;
    return partner;
}

void CreateHilbert(clHilbert& hilbert)
{
    hilbert = clHilbert{};
    hilbert.Load(128, BlockSize);
}

} // namespace

void CreateFilterObjects()
{
    const FilterSettings audio{.fLow = 100, .fHigh = 4500};
    const FilterSettings ifBand{.windowType = 0, .normaliseGain = false, .fLow = IFCentreHz - 4500,
                                .fHigh = IFCentreHz + 4500};
    const FilterSettings phasing{.fLow = IFCentreHz - IFCentreHz - 1000, .fHigh = 2 * IFCentreHz - 1000};
    const FilterSettings sideband{.fLow = 300, .fHigh = 2300, .design = false};
    const FilterSettings notch{.windowType = 1, .bandReject = true, .fLow = 950, .fHigh = 1050, .design = false};

    TryStep([&] { CreateFilter(AFFilter, audio); });
    TryStep([&] { CreateFilter(NRFilter, audio); });
    TryStep([&] { CreateFilter(DynFilter, audio); });
    TryStep([&] { CreateFilter(IFFilter, ifBand); });
    TryStep([&] { CreateFilter(IFFilterQ, EdgesOf(IFFilter, ifBand)); });
    TryStep([&] { CreateHilbert(HilbertI); });
    TryStep([&] { CreateHilbert(HilbertQ); });
    TryStep([&] { CreateFilter(PhaseFilterI, phasing); });
    TryStep([&] { CreateFilter(PhaseFilterQ, PartnerOf(PhaseFilterI, phasing)); });
    TryStep([&] { CreateFilter(SSBFilterI, sideband); });
    TryStep([&] { CreateFilter(SSBFilterQ, PartnerOf(SSBFilterI, sideband)); });
    TryStep([&] { CreateFilter(NotchFilter, notch); });
    TryStep([&] { CreateFilter(NotchFilter2, notch); });
}
