#include "radio/MouseOverS.h"

#include "RadioTestRig.h"
#include "core/MainWindowValues.h"
#include "platform/SerialLines.h"
#include "radio/HardwareObjects.h"
#include "radio/RadioControls.h"

#include <QTimer>

#include <initializer_list>
#include <stdexcept>

namespace {

using namespace MouseOverS;

// The modem status for an encoder state: bit 0 set means CTS is not asserted, bit 1 DSR.
uint32_t StatusFor(int32_t state)
{
    return ((state & 1) ? 0u : uint32_t{SerialLines::MS_CTS_ON}) | ((state & 2) ? 0u : uint32_t{SerialLines::MS_DSR_ON});
}

class ShaftEncoder : public RadioTestRig
{
protected:
    void SetUp() override
    {
        EnableShaftEncoder = true;
        ShaftAutoRate = false;
        EncoderState = 0;
        ShaftPendingUp = 0;
        ShaftPendingDown = 0;
        InitEncoderHistory();
        RadioControls::dialtuner.Attach(nullptr, nullptr);
        RadioControls::dialtuner.Value(0);
        lines.SetModemStatus(StatusFor(0));

        DDSSerialIF = std::make_shared<clsDDSSerialIF>();
        DDSSerialIF->Initialise();
        VFO = std::make_shared<clsVFO>();
        VFO->OscType(chip);
        VFO->RxMaxFreq(30'000'000);
        VFO->RXMinFreq(10'000);
        VFO->TuneStep(100);
        VFO->TunedFrequency(70'000'000);
    }

    void TearDown() override
    {
        RadioControls::dialtuner.Attach(nullptr, nullptr);
        HardwareObjects::ReleaseHardwareObjects();
        RadioControls::MSComm1.reset();
        EnableShaftEncoder = false;
        ShaftAutoRate = false;
    }

    void OpenPolled() { ASSERT_GE(DDSSerialIF->OpenPort(false), 1); }

    // Sets the inputs to each state in turn and lets the encoder look, as an event would.
    void Turn(std::initializer_list<int32_t> states)
    {
        for (const int32_t state : states) {
            lines.SetModemStatus(StatusFor(state));
            ShaftEncoderPoll();
        }
    }

    // The same, each transition the given number of microseconds after the previous one.
    void TurnEvery(double microseconds, std::initializer_list<int32_t> states)
    {
        for (const int32_t state : states) {
            clock.Count += static_cast<int64_t>(microseconds * 10);
            Turn({state});
        }
    }

    std::shared_ptr<TestOscillatorChip> chip = std::make_shared<TestOscillatorChip>();
};

TEST_F(ShaftEncoder, QuadratureSequencesStepTheVFOAndTheDial)
{
    OpenPolled();
    Turn({0});                                   // both asserted: the initial state, no step
    EXPECT_EQ(VFO->TunedFrequency(), 70'000'000);

    Turn({1, 3, 2, 0});                          // CTS leads: down
    EXPECT_EQ(VFO->TunedFrequency(), 70'000'000 - 4 * 100);
    EXPECT_EQ(RadioControls::dialtuner.Value(), -4);

    Turn({2, 3, 1, 0, 2});                       // DSR leads: up
    EXPECT_EQ(VFO->TunedFrequency(), 70'000'000 + 100);
    EXPECT_EQ(RadioControls::dialtuner.Value(), 1);

    Turn({1, 2});                                // both inputs changed at once: ignored
    EXPECT_EQ(VFO->TunedFrequency(), 70'000'000 + 100);
    EXPECT_EQ(RadioControls::dialtuner.Value(), 1);
}

TEST_F(ShaftEncoder, DisabledOrClosedItDoesNothing)
{
    EnableShaftEncoder = false;
    ShaftAutoRate = true;
    OpenPolled();
    Turn({1, 3, 2, 0});
    RadioControls::tmrShaft_Timer();
    EXPECT_EQ(VFO->TunedFrequency(), 70'000'000);
    EXPECT_EQ(ShaftPendingDown, 0);

    EnableShaftEncoder = true;
    ShaftAutoRate = false;
    DDSSerialIF->ClosePort();                    // a closed port reads state 3 for good
    Turn({0, 1, 0});
    EXPECT_EQ(EncoderState, 3);
    EXPECT_EQ(RadioControls::dialtuner.Value(), 0);
}

TEST_F(ShaftEncoder, AutomaticRateAppliesAtMostOneStepPerTick)
{
    ShaftAutoRate = true;
    OpenPolled();
    Turn({1, 3, 2, 0, 1, 3, 2, 0, 2, 3});        // ten transitions, the last one up
    EXPECT_EQ(VFO->TunedFrequency(), 70'000'000);
    RadioControls::tmrShaft_Timer();
    const int32_t afterTick = VFO->TunedFrequency();
    EXPECT_GT(afterTick, 70'000'000);
    EXPECT_EQ(afterTick - 70'000'000, VFO->TuneStep());
    EXPECT_EQ(RadioControls::dialtuner.Value(), 0);
    RadioControls::tmrShaft_Timer();             // nothing left pending
    EXPECT_EQ(VFO->TunedFrequency(), afterTick);
}

TEST_F(ShaftEncoder, RateBandsByMeanInterval)
{
    const std::pair<int64_t, std::pair<int32_t, int32_t>> bands[] = {
        {999, {1, 1}},      {1000, {2, 10}},      {7999, {40, 10}},     {8000, {80, 100}},
        {12000, {100, 100}}, {12001, {1000, 1000}}, {-1, {1000, 1000}}};
    for (const auto& [mean, divisors] : bands) {
        SCOPED_TRACE(mean);
        const RateDivisors found = RateDivisorsFor(mean);
        EXPECT_EQ(found.step, divisors.first);
        EXPECT_EQ(found.rounding, divisors.second);
        // Every step and snapping unit is a whole, non-zero number of tenths of a hertz.
        EXPECT_EQ(ShaftBaseStep / found.step, std::floor(ShaftBaseStep / found.step));
        EXPECT_GE(ShaftBaseStep / found.rounding, 1);
    }
}

TEST_F(ShaftEncoder, SlowTurningTunesFinelyAndFastTurningCoarsely)
{
    ShaftAutoRate = true;
    OpenPolled();
    TurnEvery(20'000, {1, 3, 2, 0, 1, 3});       // 50 transitions a second
    EXPECT_EQ(VFO->TuneStep(), 100);             // 10 Hz
    RadioControls::tmrShaft_Timer();
    EXPECT_EQ(VFO->TunedFrequency(), 70'000'000 - 100);

    TurnEvery(500, {2, 0, 1, 3, 2, 0});          // 2000 transitions a second
    EXPECT_EQ(VFO->TuneStep(), 100'000);         // 10 kHz
    RadioControls::tmrShaft_Timer();
    EXPECT_EQ(VFO->TunedFrequency(), 70'000'000 - 100'000);

    TurnEvery(6'500, {1, 3, 2, 0, 1, 3});
    EXPECT_EQ(VFO->TuneStep(), 5'000);           // 500 Hz
    EXPECT_EQ(VFO->TuneStepLSD(), 10'000);
}

TEST_F(ShaftEncoder, EventsOfTheSerialControlDriveTheEncoder)
{
    RadioControls::CreateMSComm1();
    DDSSerialIF->MSCommCtl(RadioControls::MSComm1);
    ASSERT_GE(DDSSerialIF->OpenPort(true), 1);

    lines.SetModemStatus(StatusFor(2));          // DSR leads: up
    ASSERT_TRUE(ProcessEventsUntil([] { return RadioControls::dialtuner.Value() == 1; }));
    EXPECT_EQ(VFO->TunedFrequency(), 70'000'000 + 100);

    // An error while handling an event is shown, and the next event is handled again.
    RadioControls::dialtuner.Attach([] { return 1; }, [](int32_t) { throw std::runtime_error("dial broke"); });
    lines.SetModemStatus(StatusFor(3));
    ASSERT_TRUE(ProcessEventsUntil([&] { return !boxes.boxes.empty(); }));
    EXPECT_EQ(boxes.Last().prompt, "The shaft encoder's turn on the serial port could not be taken:\ndial broke");
    EXPECT_EQ(boxes.Last().title, "Error");

    int32_t dial = 1;
    RadioControls::dialtuner.Attach([&] { return dial; }, [&](int32_t value) { dial = value; });
    lines.SetModemStatus(StatusFor(1));
    ASSERT_TRUE(ProcessEventsUntil([&] { return dial == 2; }));
}

TEST_F(ShaftEncoder, VFOUpdateTimerResendsWhileAutoUpdateIsOn)
{
    QTimer tmrVFOUpdate;
    tmrVFOUpdate.setInterval(RadioControls::tmrVFOUpdateFirstInterval);
    RadioControls::tmrVFOUpdate_Timer(tmrVFOUpdate);
    EXPECT_EQ(chip->refreshes, 0);
    EXPECT_EQ(tmrVFOUpdate.interval(), 1000);

    VFO->AutoUpdate(true);
    for (int tick = 0; tick < 20; ++tick) {
        RadioControls::tmrVFOUpdate_Timer(tmrVFOUpdate);
        EXPECT_GE(tmrVFOUpdate.interval(), 1500);
        EXPECT_LE(tmrVFOUpdate.interval(), 3000);
    }
    EXPECT_EQ(chip->refreshes, 20);

    chip->CMDOutActive = true;                   // a transfer in progress is not interrupted
    RadioControls::tmrVFOUpdate_Timer(tmrVFOUpdate);
    EXPECT_EQ(chip->refreshes, 20);
}

} // namespace
