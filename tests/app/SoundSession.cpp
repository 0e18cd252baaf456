#include "SoundSession.h"

#include "support/BusyMachine.h"
#include "support/TonePurity.h"

#include <QElapsedTimer>
#include <QString>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <iterator>
#include <sstream>

using namespace SoundSessionJudging;

namespace {

std::string Seconds(double seconds)
{
    return QString::number(seconds, 'f', 3).toStdString() + " s";
}

bool Contains(const std::string& line, const char* word)
{
    return QString::fromStdString(line).contains(QLatin1String(word), Qt::CaseInsensitive);
}

// Trace lines that tell of sound lost, dropped or restarted.
bool TellsOfATrouble(const std::string& line)
{
    for (const char* word : {"underrun", "overrun", "dropped", "restart", "opening it again", "silence played",
                             "played nothing", "ran dry", "cannot", "MsgBox"})
        if (Contains(line, word))
            return true;
    return false;
}

bool NamesAnUnderrun(const std::string& line)
{
    for (const char* word : {"underrun", "ran dry", "silence played"})
        if (Contains(line, word))
            return true;
    return false;
}

} // namespace

bool SoundSession::Start(ChildReceiver::Priority priority)
{
    if (!rig.SkipReason().empty()) {
        [this] { GTEST_SKIP() << rig.SkipReason(); }();
        return false;
    }
    EXPECT_TRUE(program.Start(priority)) << program.Failure();
    EXPECT_TRUE(program.Click("optMode_1")) << program.Failure();   // USB
    // The AGC would change the tone's level as it goes: with it off, the tone comes out as
    // steady as it goes in.
    EXPECT_TRUE(program.Tick("chkAGC", false)) << program.Failure();
    std::string failure;
    EXPECT_TRUE(rig.StartRecording(failure)) << failure;
    WatchTrace(true);
    kernel_.Start(program.ProcessId());
    return !HasFailure();
}

void SoundSession::Click(const std::string& control, After after)
{
    std::string lastWords;
    ASSERT_TRUE(rig.Alive(lastWords)) << "the sound server ended: " << lastWords;
    // The click is taken as done when it is sent: the program handles it at once.
    // The played sink is kept awake for the sound that may come after the silence.
    if (after == After::Silence) {
        ASSERT_TRUE(rig.KeepAwake(true));
        letSinkSleepAt_ = -1;
    }
    const std::string what = control == "optPwr_0" ? "On" : control == "optPwr_1" ? "Off" : control;
    actions_.push_back({what, rig.RecordingSeconds(), after});
    if (after == After::Sound)
        letSinkSleepAt_ = actions_.back().AtSeconds + SoundWithinSeconds + 1.0;
    ASSERT_TRUE(program.Click(control)) << program.Failure();
}

void SoundSession::SoundShouldCome(const std::string& what)
{
    actions_.push_back({what, rig.RecordingSeconds(), After::Sound});
    letSinkSleepAt_ = actions_.back().AtSeconds + SoundWithinSeconds + 1.0;
}

void SoundSession::Wait(double seconds)
{
    const double until = rig.RecordingSeconds() + seconds;
    for (double now = rig.RecordingSeconds(); now < until; now = rig.RecordingSeconds()) {
        if (letSinkSleepAt_ >= 0 && now >= letSinkSleepAt_) {
            rig.KeepAwake(false);
            letSinkSleepAt_ = -1;
        }
        WatchTrace();
        QThread::msleep(static_cast<unsigned long>(std::clamp((until - now) * 1000, 1.0, 20.0)));
    }
}

bool SoundSession::OpenSoundcardTab()
{
    if (!program.Click("cmdConfig"))
        return false;
    // The configuration window shows once the program has handled the click.
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (program.ChooseTab("TabStrip1", "Soundcard"))
            return true;
        QThread::msleep(100);
    }
    return false;
}

// By the name that opens it, "[pulse:<sink>]": "default" is described after the server's
// default sink too.
std::string SoundSession::EntryOfSink(const std::string& list, const char* sink, std::string& listed)
{
    std::vector<std::string> entries;
    if (!program.Entries(list, entries))
        return {};
    const std::string name = std::string("[pulse:") + sink + "]";
    for (const std::string& entry : entries) {
        if (entry.find(name) != std::string::npos)
            return entry;
        listed += "\n  " + entry;
    }
    return {};
}

std::vector<Heard> SoundSession::Listen()
{
    const double spansEnd = rig.RecordingSeconds();
    Wait(TailSeconds);
    const double end = rig.RecordingSeconds();
    played_ = rig.Played();
    const double recorded = static_cast<double>(played_.size()) / PacedSoundRig::SampleRate;
    const double ahead = std::max(rig.AheadOfTheClockSeconds(), 0.0);
    std::cout << "  recorded " << Seconds(recorded) << " in " << Seconds(end) << ", "
              << Seconds(rig.AheadOfTheClockSeconds()) << " ahead of the clock as it ended\n";
    // Everything up to now and no more, else it would not line up with the actions; its sink
    // plays no further ahead than the longest latency a recorder asks for.
    EXPECT_GE(recorded, end - BlockSeconds) << "the recorder lost sound, or fell behind";
    EXPECT_LE(recorded, end + BlockSeconds) << "the recording holds more than the time that passed";
    EXPECT_LE(ahead, MostAheadSeconds) << "the recording runs ahead of the clock";
    const std::vector<double> levels = BlockLevels(played_, BlockSamples);
    others_ = {rig.InputBreaks(), rig.ReferenceBreaks(), {},
               kernel_.Stalls(KernelStallWatch::ClockSeconds() - rig.RecordingSeconds())};
    const double tones[] = {PlayedToneHz, PlayedSecondToneHz};
    toneBreaks_ = ToneBreakJudge::TonesBreaks(played_, PacedSoundRig::SampleRate, tones, ToneBreakSteps);
    judgedSpans_.clear();
    WatchTrace();
    for (const auto& [what, breaks] : {std::pair{"the rig's signal", &others_.Input}, std::pair{"the reference stream", &others_.Reference}}) {
        if (breaks->empty())
            continue;
        std::cout << "  " << what << " broke at";
        for (const double at : *breaks)
            std::cout << " " << Seconds(at);
        std::cout << "\n";
    }
    if (!others_.Machine.empty()) {
        std::cout << "  the kernel held the program";
        for (const ToneBreakJudge::MachineStall& stall : others_.Machine)
            std::cout << " " << std::lround(stall.HeldSeconds * 1000) << " ms up to " << Seconds(stall.EndSeconds) << ";";
        std::cout << "\n";
    }
    ListBusyThreads();
    // A sink that plays ahead hands its monitor's recording on ahead of the clock, and a sink
    // hands it on a period at a time: the silence an action brings may show that much before
    // the action's time, and a span that ends at an action ends that much earlier.
    std::vector<Heard> heard;
    for (size_t k = 0; k < actions_.size(); ++k)
        if (actions_[k].Then == After::Sound)
            heard.push_back(Judge(levels, k, spansEnd, ahead + SinkPeriodSeconds));
    return heard;
}

// Where a thread of the program ran its own code without a pause: a hole that follows such a
// span is the program's, whatever else happened.
void SoundSession::ListBusyThreads()
{
    const std::vector<KernelStallWatch::BusySpan> spans =
        kernel_.BusySpans(KernelStallWatch::ClockSeconds() - rig.RecordingSeconds());
    if (spans.empty())
        return;
    std::cout << "  the program's threads ran without a pause:";
    for (const KernelStallWatch::BusySpan& span : spans)
        std::cout << " " << (span.ThreadId == program.ProcessId() ? std::string("main") : std::to_string(span.ThreadId)) << " "
                  << std::lround(span.RanSeconds * 1000) << " ms up to " << Seconds(span.EndSeconds) << ";";
    std::cout << "\n";
}

void SoundSession::WatchTrace(bool forget)
{
    const QList<QByteArray> lines = program.TraceText().split('\n');
    // The last piece is a line still being written, or nothing.
    const size_t complete = lines.size() - 1;
    if (forget)
        traceSeen_.clear();
    else
        for (size_t k = traceLinesSeen_; k < complete; ++k)
            traceSeen_.push_back({rig.RecordingSeconds(), lines[static_cast<qsizetype>(k)].trimmed().toStdString()});
    traceLinesSeen_ = std::max(traceLinesSeen_, complete);
}

void SoundSession::ExpectEveryBreakExplained(const Heard& heard)
{
    // Only a pure tone is judged so, and each span once.
    const std::pair span{heard.FirstBlock, heard.EndBlock};
    if (!judgesBreaks_ || !heard.Sound || std::find(judgedSpans_.begin(), judgedSpans_.end(), span) != judgedSpans_.end())
        return;
    judgedSpans_.push_back(span);
    const ToneBreakJudge::Witnesses witnesses{others_.Input, others_.Reference, others_.Machine};
    const std::vector<ToneBreakJudge::JudgedBreak> judged = ToneBreakJudge::Judge(BreaksAfterTheOnset(toneBreaks_, heard), witnesses);
    const auto unexplained = std::count_if(judged.begin(), judged.end(), [](const ToneBreakJudge::JudgedBreak& verdict) {
        return verdict.By == ToneBreakJudge::Cause::Unexplained;
    });
    for (const ToneBreakJudge::JudgedBreak& verdict : judged)
        if (verdict.By != ToneBreakJudge::Cause::Unexplained)
            others_.Explained.push_back(verdict.AtSeconds);
    std::cout << "  the played tone broke " << judged.size() << " times after " << heard.Action << ", " << unexplained
              << " unexplained" << (judged.empty() ? "" : ": " + ToneBreakJudge::Describe(judged)) << "\n";
    RecordProperty("ToneBreaks", static_cast<int>(judged.size()));
    RecordProperty("UnexplainedToneBreaks", static_cast<int>(unexplained));
    EXPECT_EQ(unexplained, 0) << "breaks of the played tone after " << heard.Action
                              << " that neither the rig's signal, the reference stream nor the kernel explain";
}

Heard SoundSession::WithoutWitnessedHoles(const Heard& heard)
{
    Heard kept = heard;
    kept.Holes.clear();
    for (const Hole& hole : heard.Holes) {
        if (const auto witness = RigBreakBefore(hole, others_))
            std::cout << "  " << hole.Blocks << " blocks at " << Seconds(hole.AtSeconds) << " left unjudged: "
                      << witness->Stream << " broke at " << Seconds(witness->AtSeconds) << "\n";
        else
            kept.Holes.push_back(hole);
    }
    ReportTheKernelsWitness(kept.Holes);
    kept.Holes = HolesOfTheProgram(kept.Holes, others_);
    // The windows of the tone must still keep clear of the holes left out.
    std::copy_if(heard.Holes.begin(), heard.Holes.end(), std::back_inserter(kept.ExcusedHoles), [&](const Hole& hole) {
        return std::none_of(kept.Holes.begin(), kept.Holes.end(),
                            [&](const Hole& program) { return program.AtSeconds == hole.AtSeconds; });
    });
    return kept;
}

void SoundSession::ReportTheKernelsWitness(const std::vector<Hole>& holes) const
{
    for (const Hole& hole : holes) {
        const int explained = BlocksTheKernelExplains(hole, others_);
        if (explained > 0)
            std::cout << "  " << hole.Blocks << " blocks at " << Seconds(hole.AtSeconds)
                      << ": the kernel held the program for up to " << explained << " blocks before it\n";
    }
}

void SoundSession::ExpectHolesWitnessed(const std::vector<Hole>& holes)
{
    ReportTheKernelsWitness(holes);
    const std::vector<Hole> programs = HolesOfTheProgram(holes, others_);
    EXPECT_TRUE(programs.empty()) << "holes that no break of the rig and no stall of the kernel explain whole:"
                                  << Describe(programs);
}

bool SoundSession::Silent(const std::vector<double>& levels, size_t block) const
{
    if (levels[block] < silentRms)
        return true;
    size_t zeros = 0;
    for (size_t i = block * BlockSamples; i < (block + 1) * BlockSamples && zeros < GapSamples; ++i)
        zeros = played_[i] == 0 ? zeros + 1 : 0;
    return zeros == GapSamples;
}

Heard SoundSession::Judge(const std::vector<double>& levels, size_t action, double endSeconds, double ahead) const
{
    Heard heard;
    heard.Action = actions_[action].What;
    heard.ActionSeconds = actions_[action].AtSeconds;
    heard.EndSeconds = endSeconds;
    for (size_t next = action + 1; next < actions_.size() && heard.EndSeconds == endSeconds; ++next)
        if (actions_[next].Then != After::Unchanged)
            heard.EndSeconds = std::max(actions_[next].AtSeconds - ahead, heard.ActionSeconds);
    const auto firstBlock = static_cast<size_t>(std::ceil(heard.ActionSeconds / BlockSeconds));
    heard.EndBlock = std::min(static_cast<size_t>(heard.EndSeconds / BlockSeconds), levels.size());
    for (size_t k = firstBlock; k < heard.EndBlock && !heard.Sound; ++k)
        if (levels[k] >= silentRms)
            heard.Sound = true, heard.FirstBlock = k;
    if (!heard.Sound)
        return heard;
    for (size_t k = heard.FirstBlock + 1; k < heard.EndBlock; ++k) {
        if (!Silent(levels, k))
            continue;
        if (k == heard.FirstBlock + 1 || !Silent(levels, k - 1))
            heard.Holes.push_back({static_cast<double>(k) * BlockSeconds, 0});
        ++heard.Holes.back().Blocks;
    }
    heard.SoundAtTheEnd = levels[heard.EndBlock - 1] >= silentRms;
    // The last span may end in a hole the machine made; the tail after it tells whether the
    // sound came back.
    const bool lastSpan = heard.EndSeconds == endSeconds;
    if (!heard.SoundAtTheEnd && lastSpan)
        heard.SoundAtTheEnd = std::any_of(levels.begin() + static_cast<ptrdiff_t>(heard.EndBlock), levels.end(),
                                          [&](double level) { return level >= silentRms; });
    return heard;
}

void SoundSession::ReportSecondsToSound(const Heard& heard)
{
    std::cout << "  " << heard.Action << " at " << Seconds(heard.ActionSeconds) << ": ";
    if (!heard.Sound) {
        std::cout << "no sound before " << Seconds(heard.EndSeconds) << "\n";
        return;
    }
    std::cout << "sound after " << Seconds(heard.SecondsToSound()) << ", then "
              << heard.EndBlock - heard.FirstBlock << " blocks with " << heard.Holes.size() << " holes"
              << Describe(heard.Holes) << "\n";
    // Several spans after one kind of action are told apart by where they start.
    RecordProperty("SecondsToSoundAfter" + heard.Action + "At" + std::to_string(std::lround(heard.ActionSeconds)),
                   QString::number(heard.SecondsToSound(), 'f', 3).toStdString());
}

void SoundSession::ExpectUnbrokenSound(const Heard& heard)
{
    ReportSecondsToSound(heard);
    ASSERT_TRUE(heard.Sound) << "no sound from " << heard.Action << " at " << Seconds(heard.ActionSeconds)
                             << " to " << Seconds(heard.EndSeconds);
    ExpectSoundKept(heard);
}

void SoundSession::ExpectPromptUnbrokenSound(const Heard& heard)
{
    ExpectUnbrokenSound(heard);
    if (heard.Sound) {
        EXPECT_LE(heard.SecondsToSound(), SoundWithinSeconds) << "the sound was late after " << heard.Action;
    }
}

Purity SoundSession::ExpectPureTone(const Heard& heard, Windows windows)
{
    if (windows == Windows::BetweenHoles)
        ExpectEveryBreakExplained(heard);
    const Purity purity = MeasureTone(heard, windows);
    EXPECT_GT(purity.Windows, 0U) << "no whole window of sound";
    EXPECT_GE(purity.WorstSnrDb, PurityDb) << purity.Impure << " of " << purity.Windows << " windows of "
                                           << PurityWindowBlocks << " blocks are impure; the worst at "
                                           << Seconds(purity.WorstAtSeconds);
    return purity;
}

Purity SoundSession::MeasureTone(const Heard& heard, Windows windows)
{
    Purity purity;
    purity.WorstSnrDb = INFINITY;
    std::vector<TonesFit> fits;
    // Half a window apart, so that a fault where two windows meet is inside a third.
    for (size_t first = heard.FirstBlock + OnsetBlocks; heard.Sound && first + PurityWindowBlocks <= heard.EndBlock;
         first += PurityWindowBlocks / 2) {
        if (windows == Windows::BetweenHoles && !JudgedBetweenHoles(heard, first, others_))
            continue;
        const std::span<const int16_t> window(played_.data() + first * BlockSamples, PurityWindowBlocks * BlockSamples);
        const TonesFit fit = FitTones(window, PacedSoundRig::SampleRate, PlayedToneHz, PlayedSecondToneHz);
        fits.push_back(fit);
        ++purity.Windows;
        if (fit.SnrDb < PurityDb) {
            ++purity.Impure;
        } else {
            purity.LowestToneHz = std::min(purity.LowestToneHz, fit.First.FrequencyHz);
            purity.HighestToneHz = std::max(purity.HighestToneHz, fit.First.FrequencyHz);
        }
        if (fit.SnrDb < purity.WorstSnrDb) {
            purity.WorstSnrDb = fit.SnrDb;
            purity.WorstAtSeconds = static_cast<double>(first) * BlockSeconds;
            purity.WorstToneHz = fit.First.FrequencyHz;
        }
    }
    std::cout << "  tones after " << heard.Action << ": worst of " << purity.Windows << " windows "
              << QString::number(purity.WorstSnrDb, 'f', 1).toStdString() << " dB at "
              << Seconds(purity.WorstAtSeconds) << " (" << QString::number(purity.WorstToneHz, 'f', 4).toStdString()
              << " Hz); " << purity.Impure << " below " << PurityDb << " dB";
    if (!fits.empty()) {
        std::sort(fits.begin(), fits.end(), [](const TonesFit& a, const TonesFit& b) { return a.SnrDb < b.SnrDb; });
        const TonesFit& middle = fits[fits.size() / 2];
        std::cout << "; the median " << QString::number(middle.SnrDb, 'f', 1).toStdString() << " dB (amplitudes "
                  << QString::number(middle.First.Amplitude, 'f', 0).toStdString() << " and "
                  << QString::number(middle.Second.Amplitude, 'f', 0).toStdString() << "), the best "
                  << QString::number(fits.back().SnrDb, 'f', 1).toStdString() << " dB";
    }
    std::cout << "\n";
    RecordProperty("WorstWindowSnrDb", QString::number(purity.WorstSnrDb, 'f', 1).toStdString());
    RecordProperty("WorstWindowAtSeconds", QString::number(purity.WorstAtSeconds, 'f', 3).toStdString());
    return purity;
}

std::string SoundSession::Describe(const std::vector<Hole>& holes)
{
    std::ostringstream text;
    for (const Hole& hole : holes)
        text << " " << hole.Blocks << " blocks at " << Seconds(hole.AtSeconds) << ";";
    return text.str();
}

std::vector<Hole> SoundSession::LengthsToJudge(const std::vector<Hole>& holes)
{
    if (!KernelMemoryMonitorRuns())
        return holes;
    std::cout << "  the kernel's memory monitor (DAMON) runs here: the holes' lengths are judged against the "
                 "kernel's witness alone\n";
    return {};
}

std::vector<std::string> SoundSession::Troubles()
{
    std::vector<std::string> troubles;
    for (const std::string& line : program.TraceLines())
        if (TellsOfATrouble(line))
            troubles.push_back(line);
    RecordProperty("TraceLinesOfTrouble", static_cast<int>(troubles.size()));
    EXPECT_FALSE(program.TraceShows("MessageBoxes.MsgBox")) << "a message was shown (trace below)";
    for (const std::string& line : troubles)
        std::cout << "  trace: " << line << "\n";
    return troubles;
}

bool SoundSession::CameWithABreakOfTheRig(const std::string& text, size_t nth) const
{
    const auto seen = std::find_if(traceSeen_.begin(), traceSeen_.end(),
                                   [&](const TraceLine& line) { return line.Text == text && nth-- == 0; });
    if (seen == traceSeen_.end())
        return false;
    const auto near = [at = seen->AtSeconds](const std::vector<double>& breaks) {
        return std::any_of(breaks.begin(), breaks.end(), [at](double broke) {
            return at - ToneBreakJudge::TraceLateSeconds <= broke && broke <= at + ToneBreakJudge::TraceEarlySeconds;
        });
    };
    return near(others_.Input) || near(others_.Reference);
}

std::vector<std::string> SoundSession::Underruns() const
{
    std::vector<std::string> underruns;
    for (const std::string& line : program.TraceLines())
        if (NamesAnUnderrun(line))
            underruns.push_back(line);
    return underruns;
}

size_t SoundSession::DeviceUnderruns() const
{
    const std::vector<std::string> lines = program.TraceLines();
    return static_cast<size_t>(
        std::count_if(lines.begin(), lines.end(), [](const std::string& line) { return Contains(line, "Playback underrun"); }));
}

bool SoundSession::ChooseDevice(const std::string& list, const std::string& text)
{
    EXPECT_TRUE(program.Click("cmdConfig")) << program.Failure();
    // The configuration window shows once the program has handled the click.
    bool tabChosen = false;
    for (int attempt = 0; attempt < 50 && !(tabChosen = program.ChooseTab("TabStrip1", "Soundcard")); ++attempt)
        QThread::msleep(100);
    EXPECT_TRUE(tabChosen) << program.Failure();
    std::vector<std::string> entries;
    EXPECT_TRUE(program.Entries(list, entries)) << program.Failure();
    // By the name that opens it ("default" is described after the server's default device too).
    const std::string name = "[pulse:" + text;
    const auto device = std::find_if(entries.begin(), entries.end(),
                                     [&](const std::string& entry) { return entry.find(name) != std::string::npos; });
    if (HasFailure())
        return false;
    if (device == entries.end()) {
        std::string listed;
        for (const std::string& entry : entries)
            listed += "\n  " + entry;
        [&] { GTEST_SKIP() << "the Soundcard tab's " << list << " lists no device of " << text << "; it lists:" << listed; }();
        return false;
    }
    EXPECT_TRUE(program.Choose(list, *device)) << program.Failure();
    EXPECT_TRUE(program.Click("cmdOK")) << program.Failure();
    return !HasFailure();
}

bool SoundSession::WaitForTrace(const std::string& text, double seconds)
{
    QElapsedTimer waited;
    waited.start();
    while (!program.TraceShows(text) && static_cast<double>(waited.elapsed()) < seconds * 1000)
        QThread::msleep(20);
    return program.TraceShows(text);
}

bool SoundSession::RecordAgain()
{
    actions_.clear();
    letSinkSleepAt_ = -1;
    std::string failure;
    const bool recording = rig.StartRecording(failure, false);
    EXPECT_TRUE(recording) << failure;
    WatchTrace(true);
    return recording;
}
