#include "radio/modSetupRX.h"

#include "RadioTestRig.h"
#include "core/MainWindowValues.h"
#include "core/Numeric.h"
#include "radio/HardwareObjects.h"
#include "radio/RXDefinitions.h"
#include "radio/RadioControls.h"

#include <algorithm>
#include <cerrno>
#include <optional>

namespace {

using RXDefinitions::RXModels;

constexpr double TwoTo32 = 4294967296.0;

class ReceiverSetup : public RadioTestRig
{
protected:
    void SetUp() override
    {
        SDRModelNo = 0;
        EnableShaftEncoder = false;
        IQModeOn = false;
        IQSelectUpper = false;
        HardwareObjects::CreateHardwareObjects();
        SoftDDS->ConnectRIT([this](float offsetHz) { ritOffsets.push_back(offsetHz); });
    }

    void TearDown() override
    {
        modSetupRX::ReleaseRx();
        DDSSerialIF->ClosePort();
        HardwareObjects::ReleaseHardwareObjects();
        RadioControls::MSComm1.reset();
        EnableShaftEncoder = false;
        IQModeOn = false;
        SDRModelNo = 0;
    }

    void StoreFor(int model, const char* key, const std::string& value)
    {
        RXDefinitions::Initialise();
        StoreIn("RXModel." + RXModels[model].Name, key, value);
    }

    void ClearTraces()
    {
        lines.ClearTrace();
        port.ClearTrace();
        ritOffsets.clear();
    }

    // The DDS tuning word for an oscillator frequency, when one can express it.
    static std::optional<uint32_t> ExpectedWord(int32_t oscillator)
    {
        const double word = std::nearbyint(oscillator * TwoTo32 / (modSetupRX::CurrentChip->ClkIn() * 10));
        if (word >= 2147483648.0)
            return std::nullopt;
        return static_cast<uint32_t>(word);
    }

    // Four bytes, most significant first.
    static uint32_t WordOf(const std::vector<uint8_t>& bytes)
    {
        return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
    }

    // What the chip of the model last received, stated as the chip sees it.
    void ExpectChipSetTo(const RXModelRecord& row, int32_t oscillator)
    {
        const auto word = ExpectedWord(oscillator);
        switch (row.DDSChip) {
        case DDSChipCode::AD9951: {
            PrinterPortWiring wiring{row.SDATABitNo, row.SCLCKBitNo, row.IOUPDBitNo, row.Inverting};
            const auto frames = row.DDSInterfaceType == DDSInterfaceCode::Serial ? lines.Chip().SelectedFrames()
                                                                                : port.Chip(wiring).SelectedFrames();
            ASSERT_FALSE(frames.empty());
            const auto bytes = frames.back().Bytes(BitOrder::MSBFirst);
            ASSERT_EQ(bytes.size(), 5u);
            EXPECT_EQ(bytes[0], 0x04);
            if (word) {
                EXPECT_EQ(WordOf({bytes.begin() + 1, bytes.end()}), *word);
            }
            break;
        }
        case DDSChipCode::AD9835: {
            const auto words = lines.Chip().Words16();
            if (!word)
                break;   // the chip cannot be set to half its clock: nothing is sent
            ASSERT_GE(words.size(), 4u);
            std::vector<uint8_t> bytes;
            for (size_t i = words.size() - 4; i < words.size(); ++i)
                bytes.push_back(static_cast<uint8_t>(words[i] & 0xFF));
            EXPECT_EQ(words[words.size() - 4] & 0xFF00, 0x3300);
            EXPECT_EQ(words.back() & 0xFF00, 0x2000);
            EXPECT_EQ(WordOf(bytes), *word);
            break;
        }
        case DDSChipCode::AD9850:
        case DDSChipCode::AD9851: {
            const auto frames = port.Chip().UpdatedFrames();
            ASSERT_FALSE(frames.empty());
            if (word) {
                EXPECT_EQ(frames.back().Value(BitOrder::LSBFirst, 0, 32), *word);
            }
            break;
        }
        case DDSChipCode::CY27EE16: {
            const auto writes = lines.I2C().I2CTransactions();
            ASSERT_FALSE(writes.empty());
            const int32_t fine = Numeric::CLng(oscillator / 40.0) % 1000;
            EXPECT_EQ(writes.back().bytes, (std::vector<uint8_t>{0xD2, 0x12, 0x08, uint8_t(fine / 4), 0x00}));
            break;
        }
        default: {
            ASSERT_FALSE(ritOffsets.empty());
            const double offset = std::nearbyint((oscillator - 10.0 * row.XtalFrequency) / 10 / 4);
            // The span of offsets lies about the image's distance from the oscillator, negated.
            const double centre = -VFO->ImageOffsetHz();
            EXPECT_EQ(ritOffsets.back(), std::clamp(offset, centre - 24000.0, centre + 24000.0));
            break;
        }
        }
    }

    // The VFO's oscillator frequency is within the driver's range and is what its tuned
    // frequency maps to.
    static void ExpectConsistentTuning()
    {
        const auto& chip = *modSetupRX::CurrentChip;
        EXPECT_LE(VFO->OscOut(), chip.MaxFreq());
        EXPECT_GE(VFO->OscOut(), chip.MinFreq());
        EXPECT_NEAR(ForwardOscillator(*VFO), VFO->OscOut(), double(VFO->OscMultiplier()) / VFO->PLLMultiplier());
    }

    std::vector<float> ritOffsets;
};

TEST_F(ReceiverSetup, EveryModelIsSetUpAndTunedAcrossItsRange)
{
    RXDefinitions::Initialise();
    for (const RXModelRecord& row : RXModels) {
        SCOPED_TRACE(row.Name);
        ClearTraces();
        int32_t modelNo = row.Index;
        ASSERT_NO_THROW(modSetupRX::InitialiseRX(modelNo));
        EXPECT_TRUE(modSetupRX::CurrentChip->Initialised());
        EXPECT_EQ(VFO->Name(), "RXModel." + row.Name);
        EXPECT_EQ(modSetupRX::CurrentChip->Name(), "DDSChip." + row.DDSChipName);
        EXPECT_EQ(IQModeOn, row.IQMode);
        EXPECT_EQ(VFOControl, row.VFOControl);

        // The first word tunes the chip to the model's default frequency.
        EXPECT_EQ(VFO->TunedFrequency(), row.TunedFrequency);
        ExpectChipSetTo(row, VFO->OscOut());
        ExpectConsistentTuning();

        // On either side, also below the IF, a frequency the oscillator cannot reach is
        // brought back to one that is never negative.
        for (const bool highSide : {true, false}) {
            VFO->HiSideLo(highSide);
            for (const int32_t tuned : {row.RXMinFreq * 10, row.RXMaxFreq * 10, row.TunedFrequency + 12345}) {
                SCOPED_TRACE(testing::Message() << tuned << (highSide ? " high side" : " low side"));
                ClearTraces();
                VFO->TunedFrequency(tuned);
                EXPECT_GE(VFO->TunedFrequency(), 0);
                ExpectConsistentTuning();
                if (highSide)   // low down on the low side the CY27EE16 lies below its table
                    ExpectChipSetTo(row, VFO->OscOut());
            }
        }
        EXPECT_TRUE(boxes.boxes.empty());
    }
}

struct StoredClock
{
    const char* name;
    const char* clock;   // the stored DDS clock in hertz; none: the model's own
    const char* ifHz;    // the stored IF in hertz; none: the model's own
    const char* rxMax;   // the stored top of the receiver in hertz; none: the model's own
};

// The tuned frequencies (not below 0) whose oscillator frequency lies within the oscillator's
// range: one band on either side of the IF, where the offset (calibration +/- IF) puts them.
struct ReachableBands
{
    ReachableBands(double ratio, double offset, double minOsc, double maxOsc)
    {
        const double nearest = std::max(minOsc, 0.0) / ratio, farthest = maxOsc / ratio;
        for (const auto& [low, high] : {std::pair{nearest - offset, farthest - offset},
                                        std::pair{-farthest - offset, -nearest - offset}})
            if (low <= high && high >= 0)
                bands.emplace_back(std::max(low, 0.0), high);
    }
    bool Any() const { return !bands.empty(); }
    bool Meet(double low, double high) const
    {
        return std::any_of(bands.begin(), bands.end(), [&](const auto& band) {
            return band.first <= high && band.second >= low;
        });
    }
    std::vector<std::pair<double, double>> bands;
};

class StoredTunedFrequency : public ReceiverSetup, public ::testing::WithParamInterface<StoredClock>
{
};

// A stored tuned frequency may lie anywhere: below 0, at 0, at and beyond the receiver's
// limits, where the oscillator would have to go beyond its own limits on either side of
// the IF; or none is stored and the model's own is taken. Wherever the set-up has to hold
// the oscillator at its limit, the tuned frequency it computes back lies on the injection
// side in force (tuned + calibration +/- IF not below 0), and a refresh or its own assignment
// (as the start-up and the low-side box make) leaves it there, also where the receiver's
// limits lie across the IF. Tuning runs forwards from there: steps down never raise and steps
// up never lower the tuned frequency, and the step away from the oscillator's limit moves it.
// Where the oscillator reaches no frequency within the receiver's limits (a low side below
// an IF of 45 MHz with a slow clock reaches only about the IF, beyond a 30 MHz top), its own
// range holds the tuned frequency instead, so from a held limit, the set-up's or the one the
// user's assignment of the same frequency gives, a 10 kHz step towards the oscillator's range
// moves it.
// Every model, both sides, with its own clock and IF, with clocks of 1 to 200 MHz, and with
// a 1 MHz clock and a 10.7 MHz IF, where the oscillator's range is far narrower than the
// receiver's.
TEST_P(StoredTunedFrequency, TunesForwardsFromWhereverTheSetUpPutsIt)
{
    RXDefinitions::Initialise();
    const StoredClock config = GetParam();
    int cases = 0, clamped = 0, beyondTheReceiver = 0, heldSteps = 0;
    for (int32_t index = 0; index <= RXDefinitions::RXModelMaxIndex; ++index) {
        const RXModelRecord row = RXModels[static_cast<size_t>(index)];
        const std::string section = "RXModel." + row.Name;
        for (const bool highSide : {true, false}) {
            const auto setUp = [&](std::optional<int64_t> stored) {
                settings.values.clear();
                ClearTraces();
                for (const char* pace : {"WaitTime", "SerialWaitTime", "ParallelWaitTime"})
                    StoreIn(section, pace, "0");   // the lines' pace does not matter here
                if (config.clock)
                    StoreIn(section, "DDSClock", config.clock);
                if (config.ifHz)
                    StoreIn(section, "LOOffset", config.ifHz);
                if (config.rxMax)
                    StoreIn(section, "RXMaxFreq", config.rxMax);
                StoreIn(section, "HiSideLo", highSide ? "True" : "False");
                if (stored)
                    StoreIn(section, "TunedFrequency", std::to_string(*stored));
                int32_t modelNo = row.Index;
                modSetupRX::InitialiseRX(modelNo);
            };
            setUp(row.TunedFrequency);
            const double ratio = double(VFO->OscMultiplier()) / VFO->PLLMultiplier();
            const double side = 10.0 * (VFO->CalibOffset() + (highSide ? VFO->IFFrequency() : -VFO->IFFrequency()));
            const double maxOsc = std::nearbyint(modSetupRX::CurrentChip->MaxFreq());
            const double minOsc = std::nearbyint(modSetupRX::CurrentChip->MinFreq());
            const int64_t rxMin = 10LL * VFO->RXMinFreq(), rxMax = 10LL * VFO->RxMaxFreq();
            // Whether the oscillator reaches any tuned frequency at all (a 1 MHz clock and
            // high-side injection above a 10.7 MHz IF cannot: the tuned frequency then stays
            // at 0, where no step moves it), and whether it reaches one within the receiver's
            // limits, which then hold the tuned frequency.
            const ReachableBands reached(ratio, side, minOsc, maxOsc);
            const bool reachable = reached.Any();
            const bool receiverLimitsHold = !reachable || reached.Meet(double(rxMin), double(rxMax));
            std::vector<std::optional<int64_t>> stored = {std::nullopt, -465794531, -387728607, -92299473, -1, 0,
                                                          rxMin - 1, rxMin, rxMax, rxMax + 1, 2 * rxMax + 12345};
            for (const double osc : {maxOsc, minOsc})
                for (const double sign : {1.0, -1.0})
                    for (const double beyond : {-10.0, 0.0, 10.0})
                        stored.push_back(std::llround(sign * (osc + beyond) / ratio - side));

            // From wherever reach() puts it: within the receiver's limits where they hold, unless
            // the oscillator's limit holds it; a 10 kHz step down never raises and one up never
            // lowers the tuned frequency; held at the oscillator's limit, the step towards its
            // range moves it, unless the receiver's own limit stops it there.
            const auto expectTenKilohertzSteps = [&](const std::function<void()>& reach, const char* from) {
                reach();
                const int32_t tuned = VFO->TunedFrequency(), osc = VFO->OscOut();
                if (receiverLimitsHold && osc != maxOsc && osc != minOsc) {
                    EXPECT_GE(tuned, rxMin) << from;
                    EXPECT_LE(tuned, rxMax) << from;
                }
                const int32_t down = static_cast<int32_t>(VFO->Dec_Freq(100000));
                reach();
                const int32_t up = static_cast<int32_t>(VFO->Inc_Freq(100000));
                EXPECT_LE(down, tuned) << "10 kHz down " << from;
                EXPECT_GE(up, tuned) << "10 kHz up " << from;
                const bool atMax = osc == maxOsc, atMin = osc == minOsc && minOsc > 0;
                if (!reachable || (!atMax && !atMin))
                    return;
                const bool oscillatorRisesWithIt = ratio * (tuned + side) > 0;
                const bool towardsIsUp = atMax != oscillatorRisesWithIt;
                if (receiverLimitsHold && (towardsIsUp ? tuned >= rxMax : tuned <= rxMin))
                    return;
                ++heldSteps;
                EXPECT_NE(towardsIsUp ? up : down, tuned)
                    << "10 kHz " << (towardsIsUp ? "up" : "down") << " towards the oscillator's range " << from;
            };

            for (const std::optional<int64_t> value : stored) {
                if (value && (*value < INT32_MIN || *value > INT32_MAX))
                    continue;
                SCOPED_TRACE(testing::Message() << row.Name << (highSide ? ", high side" : ", low side") << ", stored "
                                                << (value ? std::to_string(*value) : "nothing"));
                setUp(value);
                ++cases;
                const int64_t asked = value.value_or(row.TunedFrequency);
                const int64_t restored = receiverLimitsHold ? std::clamp<int64_t>(asked, rxMin, rxMax)
                                                            : std::max<int64_t>(asked, 0);
                const double wanted = std::fabs(ratio * (static_cast<double>(restored) + side));
                const bool atMax = wanted > maxOsc, atMin = wanted < minOsc;
                const int32_t tuned = VFO->TunedFrequency();
                const int32_t osc = VFO->OscOut();
                if (reachable)
                    ExpectConsistentTuning();
                const auto withinReceiver = [&](double frequency) { return frequency >= rxMin && frequency <= rxMax; };
                const bool injectionSide = tuned + side >= 0;
                if (atMax || atMin) {
                    ++clamped;
                    // The other side's frequency where the injection side's lies beyond the
                    // receiver's limits and this one within them.
                    const bool acrossIntoTheReceiver =
                        receiverLimitsHold && withinReceiver(tuned) && !withinReceiver(osc / ratio - side);
                    EXPECT_TRUE(injectionSide || tuned == 0 || acrossIntoTheReceiver)
                        << "the mirrored solution: " << tuned;
                }
                if (!receiverLimitsHold)
                    ++beyondTheReceiver;
                VFO->Refresh();
                EXPECT_EQ(VFO->TunedFrequency(), tuned) << "a refresh";
                VFO->TunedFrequency(tuned);
                EXPECT_EQ(VFO->TunedFrequency(), tuned) << "its own assignment";

                std::vector<int32_t> steps;   // three steps down, then four up
                for (int step = 0; step < 7; ++step)
                    steps.push_back(static_cast<int32_t>(step < 3 ? VFO->Dec_Freq() : VFO->Inc_Freq()));
                for (int step = 0; step < 7; ++step) {
                    const int32_t before = step == 0 ? tuned : steps[static_cast<size_t>(step - 1)];
                    if (step < 3)
                        EXPECT_LE(steps[static_cast<size_t>(step)], before) << "Down " << step + 1;
                    else
                        EXPECT_GE(steps[static_cast<size_t>(step)], before) << "Up " << step - 2;
                }
                const int32_t down = steps[0], up = steps[3];
                if (atMax && reachable && injectionSide) {
                    EXPECT_LT(down, tuned) << "Down from the oscillator's upper limit";
                }
                const bool inside = reachable && !atMax && !atMin && osc != maxOsc && osc != minOsc &&
                                    tuned > rxMin && tuned < rxMax;
                if (inside) {
                    EXPECT_LT(down, tuned) << "Down";
                    EXPECT_GT(up, steps[2]) << "Up";
                }
                if (atMin && reachable && tuned < rxMax) {   // the receiver's top stops a step too
                    setUp(value);
                    EXPECT_GT(VFO->Inc_Freq(), tuned) << "Up from the oscillator's lower limit";
                }
                expectTenKilohertzSteps([&] { VFO->TunedFrequency(tuned); }, "from the set-up's frequency");
                // The user's own assignment of the frequency asked for keeps its side of the IF.
                expectTenKilohertzSteps([&] { VFO->TunedFrequency(static_cast<int32_t>(asked)); },
                                        "from the frequency assigned");
            }
        }
    }
    EXPECT_GT(clamped, cases / 6) << "the sweep holds the oscillator at a limit in a fair share of the cases";
    EXPECT_GT(heldSteps, cases / 6) << "the sweep steps from a held limit in a fair share of the cases";
    if (std::string(config.name) == "Clock5MHz") {
        EXPECT_GT(beyondTheReceiver, 0) << "the oscillator reaches nothing within some receiver's limits";
    }
}

INSTANTIATE_TEST_SUITE_P(ClocksOf1To200MHz, StoredTunedFrequency,
                         ::testing::Values(StoredClock{"ModelsOwn", nullptr, nullptr, nullptr},
                                           StoredClock{"Clock1MHzIF10700kHz", "1000000", "10700000", nullptr},
                                           StoredClock{"Clock1MHz", "1000000", nullptr, nullptr},
                                           StoredClock{"Clock5MHz", "5000000", nullptr, nullptr},
                                           StoredClock{"Clock20MHz", "20000000", nullptr, nullptr},
                                           StoredClock{"Clock50MHz", "50000000", nullptr, nullptr},
                                           StoredClock{"Clock20MHzTo200MHz", "20000000", nullptr, "200000000"},
                                           StoredClock{"Clock200MHzTo200MHz", "200000000", nullptr, "200000000"}),
                         [](const ::testing::TestParamInfo<StoredClock>& info) { return std::string(info.param.name); });

// Low side below an IF of about 45 MHz with a slow clock: the oscillator (up to half the
// clock) gives tuned frequencies about the IF only, all beyond the receiver's 30 MHz top.
// Held at the oscillator's limit, on the side the set-up takes or on the one a frequency
// the user assigns below the IF lies on, a 10 kHz step towards the oscillator's range tunes
// it; a step away leaves it.
TEST_F(ReceiverSetup, ALowSideReceiverWhoseOscillatorReachesNothingBelowItsTopStillTunes)
{
    struct Case
    {
        int model;
        const char* clock;
        const char* stored;   // none: the model's own
        int32_t setUp, setUpStepped, assigned, assignedStepped;
    };
    const Case cases[] = {
        // Vantrel RAV1, IF 45 MHz, a 5 MHz clock: the oscillator up to 2.5 MHz.
        {0, "5000000", nullptr, 475'000'000, 474'900'000, 425'000'000, 425'100'000},
        // NTI DRB 30, IF 44.998 MHz, a 20 MHz clock: the oscillator up to 10 MHz.
        {15, "20000000", "-387728607", 549'980'000, 549'880'000, 349'980'000, 350'080'000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        settings.values.clear();
        StoreFor(c.model, "DDSClock", c.clock);
        StoreFor(c.model, "HiSideLo", "False");
        if (c.stored)
            StoreFor(c.model, "TunedFrequency", c.stored);
        int32_t modelNo = c.model;
        modSetupRX::InitialiseRX(modelNo);
        const int32_t limit = static_cast<int32_t>(modSetupRX::CurrentChip->MaxFreq());
        ASSERT_EQ(VFO->TunedFrequency(), c.setUp);   // above the IF, the oscillator at its limit
        ASSERT_EQ(VFO->OscOut(), limit);
        EXPECT_EQ(VFO->Inc_Freq(100000), c.setUp);
        EXPECT_EQ(VFO->Dec_Freq(100000), c.setUpStepped);
        EXPECT_EQ(VFO->OscOut(), limit - 100000);

        VFO->TunedFrequency(100'000'000);            // 10 MHz: held below the IF
        ASSERT_EQ(VFO->TunedFrequency(), c.assigned);
        ASSERT_EQ(VFO->OscOut(), limit);
        EXPECT_EQ(VFO->Dec_Freq(100000), c.assigned);
        EXPECT_EQ(VFO->Inc_Freq(100000), c.assignedStepped);
        EXPECT_EQ(VFO->OscOut(), limit - 100000);
    }
}

TEST_F(ReceiverSetup, MainWindowsModelWithoutStoredSettings)
{
    SDRModelNo = 4;
    int32_t modelNo = -1;
    modSetupRX::InitialiseRX(modelNo);
    EXPECT_EQ(modelNo, 4);
    const auto& model = modSetupRX::Model;
    EXPECT_TRUE(model.HiSideLo);
    EXPECT_FALSE(model.AutoUpdate);
    EXPECT_EQ(model.CalibOffset, 0);
    EXPECT_EQ(DDSNullIF->WaitTime(), 0.000005);
    EXPECT_EQ(SoftDDS->BaseFrequency(), 12340000);
    EXPECT_EQ(modSetupRX::CurrentDDSInterface, DDSNullIF);
    EXPECT_EQ(DDSNullIF->Name(), "DDSInterface.Null");

    modSetupRX::ReleaseRx();
    EXPECT_EQ(modSetupRX::CurrentChip, nullptr);
    EXPECT_EQ(modSetupRX::CurrentDDSInterface, nullptr);
}

TEST_F(ReceiverSetup, StoredChoicesOfChipAndTransport)
{
    StoreFor(0, "DDSChip", "1234");
    StoreFor(0, "DDSInterfaceType", "2");
    int32_t modelNo = 0;
    modSetupRX::InitialiseRX(modelNo);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.Last().prompt, "Unknown DDSChip");
    EXPECT_EQ(boxes.Last().style, MessageBoxes::vbOKOnly);
    EXPECT_EQ(modSetupRX::CurrentChip, SoftDDS);
    EXPECT_FALSE(ritOffsets.empty());     // tuned through the software oscillator
    EXPECT_EQ(modSetupRX::CurrentDDSInterface, DDSNullIF);
    EXPECT_TRUE(lines.opens.empty());

    StoreFor(0, "DDSInterfaceType", "3");
    StoreFor(0, "XtalFrequency", "-1");
    SoftDDS->BaseFrequency(1);
    modSetupRX::InitialiseRX(modelNo);
    EXPECT_EQ(modSetupRX::CurrentDDSInterface, DDSNullIF);
    EXPECT_EQ(SoftDDS->BaseFrequency(), 0);
    EXPECT_TRUE(lines.opens.empty());
}

TEST_F(ReceiverSetup, MalformedSettingsStartWithTheDefaults)
{
    RXDefinitions::Initialise();
    const char* keys[] = {"LOOffset", "HiSideLo", "AutoUpdate", "TunedFrequency", "TuneStep", "OscMultiplier",
                          "PLLMultiplier", "CalibOffset", "DDSInterfaceType", "DDSChip", "DDSClock",
                          "XtalFrequency", "IQMode", "VFOControl", "LowSideLOOption", "IOUPDBitNo", "SCLCKBitNo",
                          "SDATABitNo", "Inverting", "WaitTime", "RXMaxFreq", "RXMinFreq"};
    for (const char* key : keys)
        StoreFor(0, key, "#garbage#");
    StoreFor(0, "SDATABitNo", "300");
    StoreFor(0, "DDSClock", "0");
    StoreFor(0, "PLLMultiplier", "0");
    StoreFor(0, "TunedFrequency", "1e12");
    SDRModelNo = 99;

    int32_t modelNo = -1;
    ASSERT_NO_THROW(modSetupRX::InitialiseRX(modelNo));
    EXPECT_EQ(modelNo, 0);
    EXPECT_EQ(SDRModelNo, 0);
    const RXModelRecord& row = RXModels[0];
    const auto& model = modSetupRX::Model;
    EXPECT_EQ(model.LOOffset, row.LOOffset);
    EXPECT_EQ(model.DDSClock, row.DDSClock);
    EXPECT_EQ(model.PLLMultiplier, 1);
    EXPECT_EQ(model.SDATABitNo, row.SDATABitNo);
    EXPECT_EQ(model.WaitTime, 0.000005);
    EXPECT_EQ(VFO->TunedFrequency(), row.TunedFrequency);
    EXPECT_EQ(VFO->IFFrequency(), row.LOOffset);
    EXPECT_EQ(AD9951->ClkIn(), row.DDSClock);
    ExpectChipSetTo(row, VFO->OscOut());
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ReceiverSetup, TheModelsPrinterPortWiringReachesTheTransport)
{
    int32_t modelNo = 15;   // data, clock and update on bits 3, 2 and 1
    modSetupRX::InitialiseRX(modelNo);
    EXPECT_EQ(DDSParallelIF->SDATABitNo(), 3);
    EXPECT_EQ(DDSParallelIF->SCLCKBitNo(), 2);
    EXPECT_EQ(DDSParallelIF->IOUPDBitNo(), 1);

    StoreFor(15, "SDATABitNo", "5");            // a stored wiring still wins
    modSetupRX::InitialiseRX(modelNo);
    EXPECT_EQ(DDSParallelIF->SDATABitNo(), 5);
}

// One failure, one box: the transport's, which names the device, the key that chooses
// another and how to run without a board; the set-up only traces it.
TEST_F(ReceiverSetup, APortThatDoesNotOpenIsReportedOnceAndTheReceiverStillStarts)
{
    lines.failingDevices["/dev/ttyS0"] = EACCES;
    int32_t modelNo = 0;
    ASSERT_NO_THROW(modSetupRX::InitialiseRX(modelNo));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    const std::string& prompt = boxes.Last().prompt;
    for (const char* part : {"Unable to open COM1 (/dev/ttyS0).", "SerialDevice=",
                             "Config → Serial I/F", "Config → DDS → \"Null\" → OK"})
        EXPECT_NE(prompt.find(part), std::string::npos) << part << " in " << prompt;
    EXPECT_TRUE(AD9951->Initialised());
    EXPECT_NO_THROW(VFO->TunedFrequency(70000000));   // line changes on a closed port do nothing
}

TEST_F(ReceiverSetup, TheShaftEncoderOpensThePortInEventMode)
{
    EnableShaftEncoder = true;
    int32_t modelNo = 0;
    modSetupRX::InitialiseRX(modelNo);
    ASSERT_NE(RadioControls::MSComm1, nullptr);
    EXPECT_EQ(DDSSerialIF->MSCommCtl(), RadioControls::MSComm1);
    EXPECT_TRUE(DDSSerialIF->EventMode());
    EXPECT_TRUE(RadioControls::MSComm1->PortOpen());
    EXPECT_EQ(DDSSerialIF->hComm(), RadioControls::MSComm1->CommID());
}

} // namespace
