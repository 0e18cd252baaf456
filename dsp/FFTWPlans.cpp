#include "dsp/FFTWPlans.h"

#include "core/RuntimeError.h"

#include <array>
#include <bit>
#include <cstring>
#include <new>
#include <string>

namespace FFTWPlans {

namespace {

// FFTW_ESTIMATE picks each plan by FFTW's own rules instead of timing candidates: a plan costs
// about a millisecond instead of 100 to 250 ms per size (the program and every test process make
// theirs at start-up), and the same build on the same processor always gets the same plan, so
// results do not change from run to run with the machine's load. Its real-transform plans are
// slow, so the real transforms run on complex plans of half their size instead (see
// RealTransform), which makes the receive chain's 2048-tap filter call as fast as FFTW's measured
// real plans (see the benchmarks). No wisdom is loaded or measured, so nothing else can change
// the plans.
constexpr unsigned PlannerFlags = FFTW_ESTIMATE;

constexpr size_t MaxOrder = 31;
using PlanTable = std::array<fftwf_plan, MaxOrder + 1>;

fftwf_complex* AsComplex(float* floats)
{
    return reinterpret_cast<fftwf_complex*>(floats);
}

// The table slot of size n, a power of two; n itself is checked by the transform classes.
fftwf_plan& SlotOf(PlanTable& table, int32_t n)
{
    if (n < 2 || !std::has_single_bit(static_cast<uint32_t>(n)))
        throw RuntimeError(5, "Invalid procedure call or argument: no transform of " + std::to_string(n) + " points",
                           "FFTWPlans");
    return table[static_cast<size_t>(std::countr_zero(static_cast<uint32_t>(n)))];
}

template <typename MakePlan>
fftwf_plan PlanOnce(PlanTable& table, int32_t n, size_t inFloats, size_t outFloats, MakePlan makePlan)
{
    fftwf_plan& plan = SlotOf(table, n);
    if (plan == nullptr) {
        const AlignedFloats in = AllocateAligned(inFloats);
        const AlignedFloats out = AllocateAligned(outFloats);
        plan = makePlan(in.get(), out.get());
        if (plan == nullptr)
            throw RuntimeError(7, "Out of memory: FFTW could not plan a transform of " + std::to_string(n) + " points",
                               "FFTWPlans");
    }
    return plan;
}

fftwf_plan PlanComplex(PlanTable& table, int32_t n, int direction)
{
    const auto floats = 2 * static_cast<size_t>(n);
    return PlanOnce(table, n, floats, floats, [n, direction](float* in, float* out) {
        return fftwf_plan_dft_1d(n, AsComplex(in), AsComplex(out), direction, PlannerFlags);
    });
}

} // namespace

AlignedFloats AllocateAligned(size_t count)
{
    auto* memory = static_cast<float*>(fftwf_malloc(sizeof(float) * (count == 0 ? 1 : count)));
    if (memory == nullptr)
        throw std::bad_alloc();
    std::memset(memory, 0, sizeof(float) * count);
    return AlignedFloats(memory);
}

fftwf_plan ComplexForward(int32_t n)
{
    static PlanTable plans{};
    return PlanComplex(plans, n, FFTW_FORWARD);
}

fftwf_plan ComplexInverse(int32_t n)
{
    static PlanTable plans{};
    return PlanComplex(plans, n, FFTW_BACKWARD);
}

} // namespace FFTWPlans
