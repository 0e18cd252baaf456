#pragma once

#include "dsp/SpectrumFeed.h"

// The analyser the receive chain feeds until the program has a real one: never active,
// so the chains skip their spectrum feeds.
class NullSpectrumAnalyser : public SpectrumFeed
{
public:
    bool Active() const override { return false; }
    void SetIQMode(bool) override {}
    void LoadSamples_S(std::span<const float>, std::span<const float>) override {}
    int32_t FStart() const override { return 0; }
    int32_t FEnd() const override { return 0; }
    void SetFOffset(int32_t) override {}
    void SetReverseSpectrum(bool) override {}
    void LoadFilterCoeffs_T_S(std::span<const float>) override {}
};
