#include "radio/clsCY27EE16.h"

#include "RadioTestRig.h"
#include "core/Globals.h"
#include "core/frmLog.h"
#include "radio/clsDDSSerialIF.h"
#include "support/ScopedTestHome.h"

#include <QListWidget>
#include <gtest/gtest.h>

#include <memory>

namespace {

using Bytes = std::vector<uint8_t>;

class CY27EE16Driver : public RadioTestRig
{
protected:
    CY27EE16Driver()
    {
        transport->Initialise();
        transport->OpenPort();
        chip.RxName(Section);
        chip.IFHandler(transport);
    }

    void InitialiseAndClear()
    {
        chip.Initialise();
        lines.ClearTrace();
    }

    // The I2C writes since the last ClearTrace, each checked to be complete.
    std::vector<Bytes> Writes() const
    {
        std::vector<Bytes> writes;
        for (const auto& transaction : lines.I2C().I2CTransactions()) {
            EXPECT_TRUE(transaction.stopped);
            EXPECT_EQ(transaction.strayBits, 0u);
            writes.push_back(transaction.bytes);
        }
        return writes;
    }

    std::vector<Bytes> WritesFor(int32_t frequency)
    {
        lines.ClearTrace();
        chip.SetFrequency(frequency);
        return Writes();
    }

    std::shared_ptr<clsDDSSerialIF> transport = std::make_shared<clsDDSSerialIF>();
    clsCY27EE16 chip;
};

TEST_F(CY27EE16Driver, TableStepsDividersAndCrystalPulling)
{
    InitialiseAndClear();
    EXPECT_EQ(WritesFor(4'480'000),
              (std::vector<Bytes>{{0xD2, 0x40, 0xCD, 0x5A, 0x7B}, {0xD2, 0x45, 0x0E, 0x47}, {0xD2, 0x0C, 0x7D},
                                  {0xD2, 0x12, 0x08, 0x00, 0x00}}));
    EXPECT_EQ(WritesFor(70'562'000),
              (std::vector<Bytes>{{0xD2, 0x40, 0xD3, 0x6E, 0x30}, {0xD2, 0x45, 0x0E, 0x47}, {0xD2, 0x0C, 0x32},
                                  {0xD2, 0x12, 0x08, 0x0C, 0x00}}));
    // Divide-by-2 through DIV1N 4 and the crosspoint.
    EXPECT_EQ(WritesFor(1'200'480'000),
              (std::vector<Bytes>{{0xD2, 0x40, 0xD3, 0xF8, 0xD3}, {0xD2, 0x0C, 0x04}, {0xD2, 0x45, 0x0E, 0x87},
                                  {0xD2, 0x12, 0x08, 0x00, 0x00}}));
    // The last 4 Hz unit of a step pulls the crystal by 999 / 4.
    EXPECT_EQ(WritesFor(4'519'960).back(), (Bytes{0xD2, 0x12, 0x08, 0xF9, 0x00}));

    // Divide-by-3 (40 MHz) through DIV1N 6 and the crosspoint.
    const auto writes = WritesFor(400'000'000);
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_EQ(writes[1], (Bytes{0xD2, 0x0C, 0x06}));
    EXPECT_EQ(writes[2], (Bytes{0xD2, 0x45, 0x0E, 0xC7}));
}

TEST_F(CY27EE16Driver, AFrequencyJustBelowAStepTunesThatStepWithoutFineOffset)
{
    InitialiseAndClear();
    // 451999 Hz is 451 kHz plus 999.75 units of 4 Hz: rounded, the 452 kHz step exactly.
    EXPECT_EQ(WritesFor(4'519'990),
              (std::vector<Bytes>{{0xD2, 0x40, 0xCD, 0x4F, 0x76}, {0xD2, 0x45, 0x0E, 0x47}, {0xD2, 0x0C, 0x7D},
                                  {0xD2, 0x12, 0x08, 0x00, 0x00}}));
    // So is 447999 Hz, the first step.
    EXPECT_EQ(WritesFor(4'479'990).front(), (Bytes{0xD2, 0x40, 0xCD, 0x5A, 0x7B}));
}

TEST_F(CY27EE16Driver, FrequenciesOutsideTheTableSendNothingAndSayWhy)
{
    ScopedTestHome home;
    TraceOn = true;
    frmLog log;

    InitialiseAndClear();
    chip.Refresh();   // no request yet: 0 Hz
    EXPECT_TRUE(Writes().empty());
    EXPECT_TRUE(WritesFor(4'479'970).empty());       // below 448 kHz
    EXPECT_TRUE(WritesFor(1'200'520'000).empty());   // the table's closing zero entry
    EXPECT_TRUE(WritesFor(-4'480'000).empty());
    EXPECT_TRUE(WritesFor(std::numeric_limits<int32_t>::max()).empty());
    TraceOn = false;

    ASSERT_EQ(log.lstLog->count(), 5);
    EXPECT_EQ(log.lstLog->item(1)->text().toStdString(),
              "clsCY27EE16.SetFrequency:F=4479970 lies outside the frequency table (448 kHz to 120.052 MHz); "
              "nothing sent");
}

TEST_F(CY27EE16Driver, InitialiseIdlesTheBusAndRefreshRepeatsEveryWrite)
{
    chip.Initialise();
    EXPECT_EQ(lines.I2C().Final(), (ChipPins{true, true, false})) << "SDA and SCL released";
    EXPECT_TRUE(lines.I2C().I2CTransactions().empty());

    const auto first = WritesFor(70'562'000);
    lines.ClearTrace();
    chip.Refresh();
    EXPECT_EQ(Writes(), first);
}

} // namespace
