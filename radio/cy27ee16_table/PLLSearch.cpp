#include "radio/cy27ee16_table/PLLSearch.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

// The scores must come out bit for bit as IEEE single precision: no wider evaluation.
static_assert(std::numeric_limits<float>::is_iec559, "single precision must be IEEE 754");
static_assert(FLT_EVAL_METHOD == 0, "float expressions must be evaluated in float");

namespace PLLSearch {

namespace {

constexpr int SmallestN = 2;
constexpr int LargestN = 127;
constexpr int SmallestQtotal = 2;
constexpr int LargestQtotal = 129;
constexpr int SmallestPtotal = 8;
constexpr int LargestPtotal = 2047;  // PB 1019; PB 1020 to 1023 are not used

// Below this the VCO has no lower bound; at and above it the VCO must exceed 100 MHz.
constexpr std::int64_t VCOFloorFromHz = 750000;
// Below this, ties go to the largest N and Qtotal; from it on, to the smallest.
constexpr std::int64_t SmallestWinsFromHz = 15000000;
// From this on the VCO may reach (but not touch) 500 MHz instead of 400 MHz.
constexpr std::int64_t WideVCOFromHz = 99600000;

// The Ptotal values admitted for one Qtotal: the field's range cut to the VCO window.
struct PtotalRange {
    int Lowest = 0;
    int Highest = 0;
    bool Empty() const { return Lowest > Highest; }
    int Clamp(std::int64_t ptotal) const
    {
        return static_cast<int>(std::clamp<std::int64_t>(ptotal, Lowest, Highest));
    }
};

PtotalRange AdmittedPtotals(std::int64_t frequencyHz, int qtotal)
{
    // V = 10 MHz x Ptotal / Qtotal, so V > 100 MHz is Ptotal > 10 Qtotal and V < k x 10 MHz
    // is Ptotal < k Qtotal.
    const int vcoCeilingTens = frequencyHz >= WideVCOFromHz ? 50 : 40;
    PtotalRange range;
    range.Lowest = frequencyHz >= VCOFloorFromHz ? std::max(SmallestPtotal, 10 * qtotal + 1)
                                                 : SmallestPtotal;
    range.Highest = std::min(LargestPtotal, vcoCeilingTens * qtotal - 1);
    return range;
}

float ScoreAgainst(const Candidate& candidate, float fHz)
{
    // The VCO may be worked out in double first: it rounds to the same float as the exact value.
    const double vcoHz = static_cast<double>(ReferenceHz) * candidate.Ptotal / candidate.Qtotal;
    const float vco = static_cast<float>(vcoHz);
    const float output = vco / static_cast<float>(candidate.N);
    return std::fabs(output - fHz);
}

struct Best {
    Candidate Winner;
    float Score = std::numeric_limits<float>::infinity();
    bool TiesToLater = false;  // the later candidate of the scan wins a tie
    float FHz = 0;

    void Consider(const Candidate& candidate)
    {
        const float score = ScoreAgainst(candidate, FHz);
        if (score < Score || (TiesToLater && score == Score)) {
            Winner = candidate;
            Score = score;
        }
    }
};

}  // namespace

std::int64_t NominalHz(int slot)
{
    return FirstHz + StepHz * slot;
}

float Score(const Candidate& candidate, std::int64_t frequencyHz)
{
    // F is a multiple of 4 kHz below 2^27, so it is exact in single precision.
    return ScoreAgainst(candidate, static_cast<float>(frequencyHz));
}

bool IsExact(const Candidate& candidate, std::int64_t frequencyHz)
{
    return ReferenceHz * candidate.Ptotal ==
           frequencyHz * candidate.Qtotal * static_cast<std::int64_t>(candidate.N);
}

int ChargePump(int ptotal, bool exact)
{
    if (!exact || ptotal >= 800)
        return 4;
    if (ptotal >= 640)
        return 3;
    if (ptotal >= 480)
        return 2;
    if (ptotal >= 45)
        return 1;
    return 0;
}

Candidate BestCandidate(std::int64_t frequencyHz)
{
    Best best;
    best.TiesToLater = frequencyHz < SmallestWinsFromHz;
    best.FHz = static_cast<float>(frequencyHz);
    for (int n = SmallestN; n <= LargestN; ++n) {
        for (int qtotal = SmallestQtotal; qtotal <= LargestQtotal; ++qtotal) {
            const PtotalRange admitted = AdmittedPtotals(frequencyHz, qtotal);
            if (admitted.Empty())
                continue;
            // The integer nearest F x N x Qtotal / 10 MHz; at exactly halfway both neighbours.
            const std::int64_t target = frequencyHz * n * qtotal;
            const std::int64_t below = target / ReferenceHz;
            const std::int64_t twiceRemainder = 2 * (target % ReferenceHz);
            const bool takeBelow = twiceRemainder <= ReferenceHz;
            const bool takeAbove = twiceRemainder >= ReferenceHz;
            const int lower = admitted.Clamp(below);
            const int upper = admitted.Clamp(below + 1);
            if (takeBelow)
                best.Consider({n, qtotal, lower});
            if (takeAbove && !(takeBelow && upper == lower))
                best.Consider({n, qtotal, upper});
        }
    }
    return best.Winner;
}

PLLEntry Pack(const Candidate& candidate, bool exact)
{
    PLLFields fields;
    fields.Q = candidate.Qtotal - 2;
    fields.PO = candidate.Ptotal % 2;
    fields.PB = (candidate.Ptotal - fields.PO) / 2 - 4;
    fields.Pump = ChargePump(candidate.Ptotal, exact);
    fields.N = candidate.N;
    return PLLEntryCodec::Pack(fields);
}

PLLEntry SettingForSlot(int slot)
{
    const std::int64_t frequencyHz = NominalHz(slot);
    const Candidate winner = BestCandidate(frequencyHz);
    return Pack(winner, IsExact(winner, frequencyHz));
}

std::vector<PLLEntry> SearchTable()
{
    std::vector<PLLEntry> table;
    table.reserve(SettingCount + 1);
    for (int slot = 0; slot < SettingCount; ++slot)
        table.push_back(SettingForSlot(slot));
    table.push_back(0);
    return table;
}

}  // namespace PLLSearch
