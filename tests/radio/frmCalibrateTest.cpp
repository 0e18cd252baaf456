#include "radio/frmCalibrate.h"

#include "RadioTestRig.h"
#include "radio/clsCY27EE16.h"
#include "radio/clsSoftDDS.h"
#include "radio/clsVFO.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <string>

namespace {

constexpr double TwoTo32 = 4294967296.0;
constexpr const char* ZeroMessage = "Official Frequency must not be ZERO";

// The number a label shows in the "#0 000 000" picture.
long long Shown(const QLabel* label)
{
    std::string digits;
    for (const QChar c : label->text())
        if (c != ' ') digits += c.toLatin1();
    return std::stoll(digits);
}

class Calibration : public RadioTestRig
{
protected:
    // A receiver at 7.083 MHz with a 45 MHz IF above it, on a 360.096 MHz clock.
    void SetUp() override
    {
        chip->ClkIn(360'096'000);
        vfo.OscType(chip);
        vfo.RxMaxFreq(30'000'000);
        vfo.IFFrequency(45'000'000);
        vfo.TunedFrequency(70'830'000);
    }

    std::shared_ptr<TestOscillatorChip> chip = std::make_shared<TestOscillatorChip>();
    clsVFO vfo;
};

TEST_F(Calibration, OpeningShowsTheCurrentValuesAndWorksOutTheSameClock)
{
    frmCalibrate window(vfo);
    EXPECT_EQ(window.windowTitle(), "ZOZEVERE - Calibrate DDS CLKIN");
    EXPECT_EQ(window.lblCurrentTunedFreq->text(), "7 083 000");
    EXPECT_EQ(window.lblDDSClkInCurrent->text(), "360 096 000");
    EXPECT_EQ(window.txtOfficialFreq->text(), "7 083 000");
    // The tuning word resolves the clock to 360096000 / 52083000 x 2^32 / 2^32 parts.
    EXPECT_NEAR(Shown(window.lblDDSClkinNew), 360'096'000, 4);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_FALSE(window.ApplyChanges);
}

TEST_F(Calibration, TheMultipliersEnterTheNewClock)
{
    vfo.OscMultiplier(4);
    vfo.PLLMultiplier(2);
    vfo.IFFrequency(12'000);
    vfo.TunedFrequency(70'830'000);              // the chip runs at 2 x 7.095 MHz
    EXPECT_NEAR(Shown(frmCalibrate(vfo).lblDDSClkinNew), 360'096'000, 4);
}

TEST_F(Calibration, TheOscillatorIsTheOfficialFrequencyPlusOrMinusTheIF)
{
    frmCalibrate window(vfo);
    const double word = chip->CurrentTuningWord();
    window.txtOfficialFreq->setText("10000000");                 // above: 55 MHz
    EXPECT_NEAR(Shown(window.lblDDSClkinNew), TwoTo32 * 55'000'000 / word, 0.5);

    vfo.HiSideLo(false);                                           // below: read afresh
    window.txtOfficialFreq->setText("10000001");
    EXPECT_NEAR(Shown(window.lblDDSClkinNew), TwoTo32 * (10'000'001.0 - 45'000'000) * -1 / word, 0.5);
    EXPECT_GT(Shown(window.lblDDSClkinNew), 0);                    // official below the IF
    window.txtOfficialFreq->setText("45000000");                   // no oscillator frequency: kept
    EXPECT_NEAR(Shown(window.lblDDSClkinNew), TwoTo32 * 34'999'999 / word, 0.5);
}

TEST_F(Calibration, OfficialFrequencyTexts)
{
    frmCalibrate window(vfo);
    const double word = chip->CurrentTuningWord();
    for (const char* text : {"7 083 000", "7083000", "7083000.4"}) {
        SCOPED_TRACE(text);
        window.txtOfficialFreq->setText("1");
        window.txtOfficialFreq->setText(text);
        EXPECT_NEAR(Shown(window.lblDDSClkinNew), TwoTo32 * 52'083'000 / word, 0.5);
    }
    window.txtOfficialFreq->setText("7,083,000");                 // reads 7
    EXPECT_NEAR(Shown(window.lblDDSClkinNew), TwoTo32 * 45'000'007 / word, 0.5);

    const long long before = Shown(window.lblDDSClkinNew);
    window.txtOfficialFreq->clear();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.Last().prompt, ZeroMessage);
    EXPECT_EQ(boxes.Last().style, MessageBoxes::vbOKOnly);
    EXPECT_EQ(Shown(window.lblDDSClkinNew), before);
    window.txtOfficialFreq->setText("99999999999");                // too large for the formula
    EXPECT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(Shown(window.lblDDSClkinNew), before);
}

TEST_F(Calibration, TryCancelAndApply)
{
    {
        frmCalibrate window(vfo);
        window.txtOfficialFreq->setText("7083100");
        const long long tried = Shown(window.lblDDSClkinNew);
        window.cmdTry->click();
        EXPECT_NEAR(chip->ClkIn(), tried, 1);
        window.cmdCancel->click();
        EXPECT_EQ(chip->ClkIn(), 360'096'000);
        EXPECT_FALSE(window.ApplyChanges);
        EXPECT_EQ(window.result(), QDialog::Rejected);
    }
    {
        frmCalibrate window(vfo);                   // closing any other way after a Try
        window.txtOfficialFreq->setText("7083100");
        window.cmdTry->click();
        window.reject();
        EXPECT_NE(chip->ClkIn(), 360'096'000);
        EXPECT_FALSE(window.ApplyChanges);
    }
    chip->ClkIn(360'096'000);
    frmCalibrate window(vfo);
    window.txtOfficialFreq->setText("7082900");
    const long long applied = Shown(window.lblDDSClkinNew);
    window.cmdApply->click();
    EXPECT_TRUE(window.ApplyChanges);
    EXPECT_NEAR(chip->ClkIn(), applied, 1);
    EXPECT_EQ(window.result(), QDialog::Accepted);
}

TEST_F(Calibration, NoClockOfZeroReachesTheDriver)
{
    chip->CurrentTuningWord(0);                  // nothing tuned yet
    frmCalibrate window(vfo);
    EXPECT_EQ(window.lblDDSClkinNew->text(), "88.888 888");
    chip->clocksAssigned.clear();
    window.cmdTry->click();
    window.cmdApply->click();
    EXPECT_TRUE(chip->clocksAssigned.empty());
    EXPECT_FALSE(window.ApplyChanges);
    EXPECT_EQ(boxes.boxes.size(), 2u);           // each press says why nothing happened
}

TEST_F(Calibration, ChipsWithoutATuningWordAreRefused)
{
    const std::shared_ptr<OscillatorChip> chips[] = {std::make_shared<clsCY27EE16>(), std::make_shared<clsSoftDDS>()};
    for (const auto& other : chips) {
        SCOPED_TRACE(other->Name());
        vfo.OscType(other);
        const double clock = other->ClkIn();
        const double maxFreq = other->MaxFreq();
        boxes.boxes.clear();
        frmCalibrate window(vfo);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_NE(boxes.Last().prompt.find("cannot be calibrated"), std::string::npos);
        EXPECT_FALSE(window.cmdTry->isEnabled());
        EXPECT_FALSE(window.cmdApply->isEnabled());
        window.cmdCancel->click();
        EXPECT_EQ(other->ClkIn(), clock);
        EXPECT_EQ(other->MaxFreq(), maxFreq);
        EXPECT_FALSE(window.ApplyChanges);
    }
}

} // namespace
