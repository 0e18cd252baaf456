#pragma once

#include <array>
#include <cstdint>

// The shaft encoder: a quadrature knob on the serial port's CTS and DSR lines. Each valid
// change of the two inputs steps the VFO by its tuning step and turns the tuning dial by
// a notch; with the automatic rate the step follows the turning speed and the timer
// applies it (RadioControls::tmrShaft_Timer).
namespace MouseOverS {

inline constexpr int EncoderHistoryLength = 25;
// Times between automatic-rate runs in ten-thousandths of a microsecond (four fixed
// decimals), the newest first.
inline std::array<int64_t, EncoderHistoryLength> EncoderIntervals{};

// A step waiting for the shaft timer, 0 or 1 each.
inline int32_t ShaftPendingUp = 0;
inline int32_t ShaftPendingDown = 0;

// The inputs as last decoded: bit 0 set when CTS is not asserted, bit 1 when DSR is not.
inline int32_t EncoderState = 0;

// The step the automatic rate divides, in tenths of a hertz: 10 kHz, the largest
// tuning step, so that the slowest turning tunes by 10 Hz and the fastest by 10 kHz.
inline constexpr double ShaftBaseStep = 100000;

// Every interval of the history back to 100000 microseconds (slow turning).
void InitEncoderHistory();

// Reads CTS and DSR through the serial transport and acts on a change: down for
// 0-1-3-2-0, up for 0-2-3-1-0, nothing when both inputs changed at once.
void ShaftEncoderPoll();

// Measures the time since the last run and sets the VFO's step and snapping unit from
// the mean of the last five intervals.
void ShaftEncoderAutoRate();

// The divisors of ShaftBaseStep for the step and the snapping unit at a mean interval
// in microseconds.
struct RateDivisors
{
    int32_t step;
    int32_t rounding;
};
RateDivisors RateDivisorsFor(int64_t meanMicroseconds);

} // namespace MouseOverS
