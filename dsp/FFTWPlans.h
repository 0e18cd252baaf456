#pragma once

#include <fftw3.h>

#include <cstddef>
#include <cstdint>
#include <memory>

// FFTW's single-precision plans, one per kind and size for the whole program, and the aligned
// memory they run on.
//
// A plan is made the first time a size is asked for, which the transform classes do when they
// are prepared at start-up, never while a block is processed. Every transform runs on arrays
// from AllocateAligned, out of place, so one plan made on one such pair of arrays serves all of
// them (FFTW requires the same alignment and placement as at planning). Plans are not freed:
// the transform objects live until the program ends. Like everything that prepares transforms,
// planning runs on the main thread only (FFTW's planner is not thread-safe).
namespace FFTWPlans {

struct FreeAligned
{
    void operator()(float* memory) const { fftwf_free(memory); }
};
using AlignedFloats = std::unique_ptr<float[], FreeAligned>;

// count zero-filled floats aligned for FFTW's vector code; std::bad_alloc when memory runs out.
AlignedFloats AllocateAligned(size_t count);

// Unscaled forward DFT of n interleaved complex values (re, im) into n interleaved bins.
fftwf_plan ComplexForward(int32_t n);
// Unscaled inverse of ComplexForward: n interleaved bins back to n times the n complex values.
fftwf_plan ComplexInverse(int32_t n);

} // namespace FFTWPlans
