#pragma once

#include <cstdint>
#include <span>

// What the receive chains and the filter redesign use of the spectrum analyser: its
// switch, the two traces it draws, the placing of its frequency axis and the filter curve
// it draws over the spectrum. The analyser implements it; tests use a recording double.
class SpectrumFeed
{
public:
    virtual ~SpectrumFeed() = default;

    virtual bool Active() const = 0;
    virtual void SetIQMode(bool IQMode) = 0;
    // Copies the samples of two traces for the next redraw.
    virtual void LoadSamples_S(std::span<const float> Y1, std::span<const float> Y2) = 0;
    virtual int32_t FStart() const = 0;   // Hz at the left end of the displayed span
    virtual int32_t FEnd() const = 0;     // Hz at the right end
    virtual void SetFOffset(int32_t FOffset) = 0;
    virtual void SetReverseSpectrum(bool Reverse) = 0;
    // Rebuilds the drawn filter curve from time-domain taps.
    virtual void LoadFilterCoeffs_T_S(std::span<const float> Coeffs) = 0;
};
