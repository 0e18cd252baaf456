#pragma once

#include "dsp/SpectrumFeed.h"

#include <cstdint>
#include <span>
#include <vector>

// A spectrum analyser that records what the receive chain and the filter redesign hand it.
class FakeSpectrumFeed : public SpectrumFeed
{
public:
    bool active = true;
    int32_t fStart = 0;
    int32_t fEnd = 24000;

    int loads = 0;
    std::vector<float> y1;   // the first 2048 samples of the last traces loaded
    std::vector<float> y2;
    bool iqMode = true;
    int32_t fOffset = 0;
    bool reverse = false;
    std::vector<float> filterCoeffs;

    bool Active() const override { return active; }
    void SetIQMode(bool IQMode) override { iqMode = IQMode; }
    void LoadSamples_S(std::span<const float> Y1, std::span<const float> Y2) override
    {
        ++loads;
        y1.assign(Y1.begin(), Y1.begin() + 2048);
        y2.assign(Y2.begin(), Y2.begin() + 2048);
    }
    int32_t FStart() const override { return fStart; }
    int32_t FEnd() const override { return fEnd; }
    void SetFOffset(int32_t FOffset) override { fOffset = FOffset; }
    void SetReverseSpectrum(bool Reverse) override { reverse = Reverse; }
    void LoadFilterCoeffs_T_S(std::span<const float> Coeffs) override
    {
        filterCoeffs.assign(Coeffs.begin(), Coeffs.end());
    }
};
