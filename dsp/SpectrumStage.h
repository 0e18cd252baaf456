#pragma once

#include "dsp/ReceiveState.h"

// The spectrum stage that both receive chains run on the demodulated audio while the
// notch or the dynamic filter is on: one 4096-point spectrum of the block serves the peak
// search (the strongest bin of the AF pass band goes into PeakBinRing) and the AF notch,
// which filters the spectrum, transforms it back into Samples and adds its own overlap.
// An AF pass band whose upper edge is not above its lower edge, or that does not fit the
// spectrum, leaves the peak search out for that block.
struct SpectrumStageVectors
{
    WorkVector& Re;
    WorkVector& Im;
    WorkVector& Power;
    WorkVector& NotchOverlap;   // the AF notch's tail: BlockSize - 2 samples
    double& PeakBin;            // the strongest bin, counted from the first bin of the pass band
};

void SpectrumStage(WorkVector& Samples, const SpectrumStageVectors& vectors);
