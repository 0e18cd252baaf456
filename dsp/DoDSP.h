#pragma once

#include "dsp/ReceiveState.h"

#include <array>
#include <cstdint>
#include <span>

// The receive chain of a single-channel receiver, whose low IF (IFFreq, nominally 12 kHz)
// arrives on the sound card's first channel. Per block: conversion, IF notch, IF filter,
// first spectrum feed, an I and a Q branch formed by mode, second spectrum feed,
// demodulator, noise reducer, spectrum stage (peak search, AF notch), dynamic filter, AGC
// and output level, conversion back over Left.

inline WorkVector IFSamples{};
inline WorkVector IFRawSamples{};
inline WorkVector SamplesI{};
inline WorkVector SamplesQ{};
inline std::array<float, BlockSize + 1> CarrierRef{};   // SAM: the IF limited to -1..+1
inline WorkVector SpecRe{};
inline WorkVector SpecIm{};
inline WorkVector SpecPower{};
inline WorkVector NotchOverlap{};
inline std::array<float, BlockSize + 1> NCOCos{};       // the oscillator's block, shared with DoDSPIQ
inline std::array<float, BlockSize + 1> NCOSin{};
inline double PeakBin = 0.0;

// Demodulates Left[0, 2048) in place; Right and NumSamples are not used. A step that fails
// is skipped and the block goes on; InDSP is True only while the chain runs. A Left of
// fewer than 2048 samples raises RuntimeError and is left alone.
void DoDSP(std::span<int16_t> Left, std::span<const int16_t> Right, int32_t NumSamples);
