#pragma once

#include "dsp/SpectrumFeed.h"

#include <vector>

// A spectrum analyser that records what the receive chain and the filter redesign hand it.
class FakeSpectrumFeed : public SpectrumFeed
{
public:
    int loads = 0;
    std::vector<float> y1;   // the first trace last loaded
    bool iqMode = true;
    int32_t fOffset = 0;
    bool reverse = false;
    std::vector<float> filterCoeffs;

    bool Active() const override { return true; }
    void SetIQMode(bool IQMode) override { iqMode = IQMode; }
    void LoadSamples_S(std::span<const float> Y1, std::span<const float>) override
    {
        ++loads;
        y1.assign(Y1.begin(), Y1.end());
    }
    int32_t FStart() const override { return 0; }
    int32_t FEnd() const override { return 24000; }
    void SetFOffset(int32_t FOffset) override { fOffset = FOffset; }
    void SetReverseSpectrum(bool Reverse) override { reverse = Reverse; }
    void LoadFilterCoeffs_T_S(std::span<const float> Coeffs) override { filterCoeffs.assign(Coeffs.begin(), Coeffs.end()); }
};
