#include "SoundSession.h"

#include <QByteArray>
#include <QThread>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <random>
#include <sstream>

using namespace SoundSessionJudging;

// A listener's evening: the receiver on, and a long random run of the clicks a listener makes
// (modes, filters, sub-bands and presets, display sizes, the configuration window's OK and
// Apply, the recorder), with the AM signal in noise as input, which every mode turns into
// sound. None of these restarts the sound card: the sound stops only for the blocks a new mode
// takes to fill its stages, and where a busy machine holds the program up, never for long. The run lasts ZOZEVERE_SOAK_SECONDS (75 s unless set),
// its clicks drawn from ZOZEVERE_SOAK_SEED (a fixed seed unless set).
namespace {

constexpr double DefaultSoakSeconds = 75.0;
constexpr unsigned DefaultSeed = 20261208;
constexpr double LongestHoleSeconds = 0.5;
constexpr double ShortestPause = 0.3;
constexpr double LongestPause = 2.5;
// A hole is put down to the clicks this long before it.
constexpr double BlameSeconds = 3.0;
constexpr int WindowShowAttempts = 50;

double SoakSeconds()
{
    const char* text = std::getenv("ZOZEVERE_SOAK_SECONDS");
    const double seconds = text ? std::atof(text) : 0.0;
    return seconds > 0 ? seconds : DefaultSoakSeconds;
}

unsigned SoakSeed()
{
    const char* text = std::getenv("ZOZEVERE_SOAK_SEED");
    return text ? static_cast<unsigned>(std::strtoul(text, nullptr, 10)) : DefaultSeed;
}

// One band of three sub-bands with four presets each, in every mode but DRM, with the
// filters, the IF filter and the AGC set differently.
QByteArray ModeSettings(int mode, int filter, bool agc, int ifFilterMode)
{
    return QByteArray("DemodMode=") + QByteArray::number(mode) + "\r\nTuneStep=100\r\nFilterMode=" +
           QByteArray::number(filter) + "\r\nAGCOn=" + (agc ? "True" : "False") +
           "\r\nAGCMode=2\r\nAGCAttack=50\r\nAGCDecay=100\r\nMusicModeActive=False\r\nDynFilterActive=False\r\n"
           "IFFilterActive=" + (ifFilterMode > 0 ? "True" : "False") + "\r\nIFFilterMode=" +
           QByteArray::number(ifFilterMode) +
           "\r\nIFFilterHi=4500\r\nIFFilterLo=50\r\nFilterHi=-1\r\nFilterLo=-1\r\nNotchActive=False\r\nNotchMode=1\r\n"
           "NotchType=0\r\nNotchFilterCenter=1000\r\nNotchFilterWidth=100\r\nNotchMirror=False\r\nOutputAttenuation=0\r\n";
}

QByteArray SoakBandPlan()
{
    const int subBandModes[3][4] = {{0, 5, 6, 0}, {1, 2, 1, 2}, {4, 6, 5, 1}};
    QByteArray plan = "[MainBand]\r\nCaption=Soak\r\nDescription=Soak band\r\nActiveSubBand=0\r\nNumSubBands=3\r\n"
                      "Index=0\r\nName=Soak\r\nActive=False\r\n";
    for (int s = 0; s < 3; ++s) {
        const QByteArray low = QByteArray::number(7000000 + 100000 * s);
        const QByteArray high = QByteArray::number(7090000 + 100000 * s);
        plan += "[SubBand." + QByteArray::number(s) + "]\r\nCaption=S" + QByteArray::number(s) +
                "\r\nDescription=Soak sub-band\r\nActivePreset=-1\r\nFreqMin=" + low + "\r\nFreqMax=" + high +
                "\r\nFreqCurrent=" + low + "\r\nIndex=" + QByteArray::number(s) + "\r\nName=Soak.SubBand(" +
                QByteArray::number(s) + ")\r\nNumPresets=4\r\n" + ModeSettings(subBandModes[s][0], s + 1, s != 1, s);
        for (int p = 0; p < 4; ++p)
            plan += "[Preset." + QByteArray::number(s) + "." + QByteArray::number(p) + "]\r\nCaption=P" +
                    QByteArray::number(p) + "\r\nDescription=Soak preset\r\nActive=False\r\n"
                    "When=2026-12-01 12:00:00\r\nFreqCurrent=" + QByteArray::number(7010000 + 100000 * s + 1000 * p) +
                    "\r\nIndex=" + QByteArray::number(p) + "\r\nName=Soak.SubBand(" + QByteArray::number(s) +
                    ").Preset(" + QByteArray::number(p) + ")\r\n" + ModeSettings(subBandModes[s][p], p, p % 2 == 0, p % 3);
    }
    return plan;
}

class SoundSessionSoak : public SoundSession
{
protected:
    SoundSessionSoak() : SoundSession(SoundServer::PulseAudio, {.signal = RigSignal::NoisyAM}) { silentRms = DeviceSilenceRms; }

    // Clicks a control of a window that the program shows once it has handled the click
    // that opens it.
    void ClickWhenShown(const std::string& control)
    {
        for (int attempt = 0; attempt < WindowShowAttempts; ++attempt) {
            if (program.Click(control))
                return;
            QThread::msleep(100);
        }
        FAIL() << program.Failure();
    }

    // One click of the run, drawn from every kind a listener makes.
    std::string ClickAtRandom(std::mt19937& random)
    {
        const auto pick = [&random](int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); };
        const auto indexed = [](const char* array, int index) { return std::string(array) + "_" + std::to_string(index); };
        const int modes[] = {0, 1, 2, 4, 5, 6};   // all but DRM, which hands the sound card over
        std::string control;
        switch (pick(9)) {
        case 0: control = indexed("optMode", modes[pick(6)]); break;
        case 1: control = indexed("optFilter", pick(5)); break;
        case 2: control = indexed("optIFFilter", pick(3)); break;
        case 3: control = indexed("optSubBand", pick(3)); break;
        case 4: control = indexed("optPreset", pick(4)); break;
        case 5: control = indexed("optDisplaySize", pick(4)); break;
        case 6:
        case 7: {
            // The configuration window: OK, or Apply and then Cancel.
            const bool apply = pick(2) == 1;
            Click("cmdConfig", After::Unchanged);
            ClickWhenShown(apply ? "cmdApply" : "cmdOK");
            if (apply)
                ClickWhenShown("cmdCancel");
            return apply ? "Config Apply" : "Config OK";
        }
        default:
            // Record, then Pause, which pauses the recording and, pressed again, resumes it.
            control = recording_ ? "cmdWavCtls_2" : "cmdWavCtls_0";
            recording_ = true;
            break;
        }
        Click(control, After::Unchanged);
        return control;
    }

    bool recording_ = false;
};

struct Step
{
    double AtSeconds = 0;
    std::string What;
};

std::string ClicksBefore(const std::vector<Step>& steps, double seconds)
{
    std::ostringstream text;
    for (const Step& step : steps)
        if (step.AtSeconds <= seconds && step.AtSeconds >= seconds - BlameSeconds)
            text << " " << step.What << " at " << step.AtSeconds << " s;";
    return text.str();
}

TEST_F(SoundSessionSoak, RandomClicksNeverSilenceTheSound)
{
    program.SetBandPlan(SoakBandPlan());
    if (!Start())
        return;
    const double seconds = SoakSeconds();
    const unsigned seed = SoakSeed();
    std::cout << "  " << seconds << " s of random clicks, seed " << seed << "\n";
    RecordProperty("Seed", static_cast<int>(seed));
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> pause(ShortestPause, LongestPause);
    std::vector<Step> steps;
    Power(true);
    Wait(2);
    for (double start = rig.RecordingSeconds(); rig.RecordingSeconds() - start < seconds && !HasFatalFailure();) {
        const double at = rig.RecordingSeconds();
        steps.push_back({at, ClickAtRandom(random)});
        Wait(pause(random));
    }
    ASSERT_FALSE(HasFatalFailure());
    Wait(2);
    const std::vector<Heard> heard = Listen();
    ASSERT_EQ(heard.size(), 1U);
    ReportSecondsToSound(heard[0]);
    ASSERT_TRUE(heard[0].Sound);
    std::cout << "  " << steps.size() << " clicks, " << heard[0].Holes.size() << " holes\n";
    // The clicks are judged: the start is the power switch's, which other sessions judge.
    std::vector<Hole> longHoles;
    for (const Hole& hole : heard[0].Holes) {
        const double holeSeconds = hole.Blocks * BlockSeconds;
        const bool afterAClick = !steps.empty() && hole.AtSeconds >= steps.front().AtSeconds;
        std::cout << "  hole of " << holeSeconds << " s at " << hole.AtSeconds << " s after:"
                  << (afterAClick ? ClicksBefore(steps, hole.AtSeconds) : " On") << "\n";
        if (afterAClick && holeSeconds > LongestHoleSeconds)
            longHoles.push_back(hole);
    }
    RecordProperty("Clicks", static_cast<int>(steps.size()));
    RecordProperty("LongHoles", static_cast<int>(longHoles.size()));
    EXPECT_TRUE(longHoles.empty()) << "silences longer than " << LongestHoleSeconds << " s:" << Describe(longHoles);
    EXPECT_TRUE(heard[0].SoundAtTheEnd);
    Troubles();
    EXPECT_EQ(program.Close(), 0);
}

} // namespace
