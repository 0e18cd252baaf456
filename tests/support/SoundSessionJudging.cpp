#include "support/SoundSessionJudging.h"

#include <algorithm>
#include <iterator>
#include <optional>

namespace SoundSessionJudging {

namespace {

bool AnyWithin(const std::vector<double>& breaks, double fromSeconds, double toSeconds)
{
    return std::any_of(breaks.begin(), breaks.end(), [&](double at) { return fromSeconds < at && at < toSeconds; });
}

// The last break within (fromSeconds, toSeconds), if any.
std::optional<double> LastWithin(const std::vector<double>& breaks, double fromSeconds, double toSeconds)
{
    std::optional<double> last;
    for (const double at : breaks)
        if (fromSeconds < at && at < toSeconds)
            last = at;
    return last;
}

} // namespace

// The rig's signal broke where its sink's monitor was recorded, up to a block before the
// program's recording shows it.
bool NearAnInputBreak(const OthersBreaks& breaks, double fromSeconds, double toSeconds)
{
    return AnyWithin(breaks.Input, fromSeconds - InputBreakReachSeconds, toSeconds + BlockSeconds);
}

bool NearAReferenceBreak(const OthersBreaks& breaks, double fromSeconds, double toSeconds)
{
    return AnyWithin(breaks.Reference, fromSeconds - ToneBreakJudge::SameMomentSeconds,
                     toSeconds + ToneBreakJudge::SameMomentSeconds);
}

bool HoldsAnExplainedBreak(const OthersBreaks& breaks, double fromSeconds, double toSeconds)
{
    return AnyWithin(breaks.Explained, fromSeconds - BlockSeconds, toSeconds + BlockSeconds);
}

std::optional<RigBreak> RigBreakBefore(const Hole& hole, const OthersBreaks& breaks)
{
    if (const auto input = LastWithin(breaks.Input, hole.AtSeconds - InputBreakReachSeconds, hole.AtSeconds + BlockSeconds))
        return RigBreak{"the rig's signal", *input};
    if (const auto reference = LastWithin(breaks.Reference, hole.AtSeconds - ToneBreakJudge::SameMomentSeconds,
                                          hole.AtSeconds + ToneBreakJudge::SameMomentSeconds))
        return RigBreak{"the reference stream", *reference};
    return std::nullopt;
}

std::vector<Hole> HolesNotOfTheRig(const std::vector<Hole>& holes, const OthersBreaks& breaks)
{
    std::vector<Hole> kept;
    std::copy_if(holes.begin(), holes.end(), std::back_inserter(kept),
                 [&](const Hole& hole) { return !RigBreakBefore(hole, breaks); });
    return kept;
}

int BlocksTheKernelExplains(const Hole& hole, const OthersBreaks& breaks)
{
    const double held = ToneBreakJudge::HeldBefore(breaks.Machine, hole.AtSeconds, hole.AtSeconds);
    return held > 0 ? static_cast<int>(std::ceil(held / BlockSeconds)) + 1 : 0;
}

std::vector<Hole> HolesOfTheProgram(const std::vector<Hole>& holes, const OthersBreaks& breaks)
{
    std::vector<Hole> kept;
    std::copy_if(holes.begin(), holes.end(), std::back_inserter(kept),
                 [&](const Hole& hole) { return hole.Blocks > BlocksTheKernelExplains(hole, breaks); });
    return HolesNotOfTheRig(kept, breaks);
}

bool JudgedBetweenHoles(const Heard& heard, size_t first, const OthersBreaks& breaks)
{
    const auto touches = [&](const Hole& hole) {
        const auto start = static_cast<size_t>(std::lround(hole.AtSeconds / BlockSeconds));
        return first <= start + static_cast<size_t>(hole.Blocks) && start <= first + PurityWindowBlocks;
    };
    const bool touchesAHole = std::any_of(heard.Holes.begin(), heard.Holes.end(), touches) ||
                              std::any_of(heard.ExcusedHoles.begin(), heard.ExcusedHoles.end(), touches);
    const double from = static_cast<double>(first) * BlockSeconds;
    const double to = from + PurityWindowBlocks * BlockSeconds;
    return !touchesAHole && !NearAnInputBreak(breaks, from, to) && !NearAReferenceBreak(breaks, from, to) &&
           !HoldsAnExplainedBreak(breaks, from, to);
}

std::vector<double> BreaksAfterTheOnset(const std::vector<double>& toneBreaks, const Heard& heard)
{
    const double from = static_cast<double>(heard.FirstBlock + OnsetBlocks) * BlockSeconds;
    const double to = static_cast<double>(heard.EndBlock) * BlockSeconds;
    std::vector<double> breaks;
    std::copy_if(toneBreaks.begin(), toneBreaks.end(), std::back_inserter(breaks),
                 [&](double at) { return from <= at && at < to; });
    return breaks;
}

Heard FromTheNewSound(const Heard& heard, double settledSeconds)
{
    Heard after = heard;
    after.Holes.clear();
    for (const Hole& hole : heard.Holes) {
        if (hole.AtSeconds + hole.Blocks * BlockSeconds <= settledSeconds) {
            after.FirstBlock = static_cast<size_t>(std::lround(hole.AtSeconds / BlockSeconds)) + static_cast<size_t>(hole.Blocks);
            after.Holes.clear();
        } else {
            after.Holes.push_back(hole);
        }
    }
    return after;
}

} // namespace SoundSessionJudging
