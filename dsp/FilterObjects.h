#pragma once

#include "dsp/clHilbert.h"
#include "dsp/clsFFTFilter.h"
#include "dsp/clsFFTReal.h"

// The receive chain's process-wide filter objects and transforms. CreateFilterObjects sets
// up the filters and Hilbert transformers at start-up; FFTReal, the chains' 4096-point real
// transform, is set up by the main window's start-up (Points 4096, then FFTInit).
inline clsFFTFilter AFFilter;      // audio output filter
inline clsFFTFilter NRFilter;      // noise reducer's output filter
inline clsFFTFilter DynFilter;     // dynamic audio filter
inline clsFFTFilter IFFilter;      // IF band-pass before demodulation
inline clsFFTFilter IFFilterQ;
inline clsFFTFilter PhaseFilterI;  // phasing pair: in-phase and quadrature branch
inline clsFFTFilter PhaseFilterQ;
inline clsFFTFilter SSBFilterI;    // sideband filter pair
inline clsFFTFilter SSBFilterQ;
inline clsFFTFilter NotchFilter;
inline clsFFTFilter NotchFilter2;
inline clHilbert HilbertI;          // the IF's quadrature pair (FM; on I/Q also BC and DRM), in
inline clHilbert HilbertQ;          // whichever chain runs (one at a time: one stream's history)
inline clsFFTReal FFTReal;

// Creates every filter object and Hilbert transformer afresh, in start-up order: each
// filter gets 4096-point segments, blocks of 2048 and 48000 samples per second, its own
// window, flags and edges, then init; AFFilter, NRFilter, DynFilter, IFFilter, IFFilterQ and
// the phasing pair are designed at once, the sideband and notch filters only later. The
// Hilbert transformers get 128 taps for blocks of 2048. A failing step is skipped.
void CreateFilterObjects();
