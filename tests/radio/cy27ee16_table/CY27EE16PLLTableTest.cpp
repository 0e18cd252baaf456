#include "radio/cy27ee16_table/CY27EE16PLLSettings.h"
#include "radio/cy27ee16_table/CY27EE16PLLTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <tuple>

namespace {

bool AllZero(const CY27EE16PLLTable& table, int first, int last)
{
    return std::all_of(table.PLLTable().begin() + first, table.PLLTable().begin() + last + 1,
                       [](PLLEntry entry) { return entry == 0; });
}

TEST(CY27EE16PLLTable, BuildLUTWritesHeaderAndEverySettingAndIsRepeatable)
{
    CY27EE16PLLTable table;
    EXPECT_EQ(table.BuildLUT(), 0);
    const PLLTableHeader& h = table.Header();
    EXPECT_EQ(h.LUTRefFreq, 10000000);
    EXPECT_EQ(h.LUTMinFreq, 448000);
    EXPECT_EQ(h.LUTMaxFreq, 120048000);
    EXPECT_EQ(h.LUTCount, 29901);
    EXPECT_EQ(h.LUTStep, 4000);
    EXPECT_EQ(h.LUTIFOffset, 48000);

    EXPECT_TRUE(std::none_of(table.PLLTable().begin(), table.PLLTable().begin() + 29901,
                             [](PLLEntry entry) { return entry == 0; }));
    EXPECT_TRUE(AllZero(table, 29901, 30000));

    const CY27EE16PLLTable::Slots once = table.PLLTable();
    table.BuildLUT();
    EXPECT_EQ(table.PLLTable(), once);
}

TEST(CY27EE16PLLTable, EachFillRoutineWritesExactlyItsOwnRun)
{
    struct Run {
        std::function<std::int32_t(CY27EE16PLLTable&)> Fill;
        int First;
        int Last;
    };
    const Run runs[] = {
        {&CY27EE16PLLTable::FillLUT1, 0, 2999},      {&CY27EE16PLLTable::FillLUT2, 3000, 5999},
        {&CY27EE16PLLTable::FillLUT3, 6000, 8999},   {&CY27EE16PLLTable::FillLUT4, 9000, 11999},
        {&CY27EE16PLLTable::FillLUT5, 12000, 14999}, {&CY27EE16PLLTable::FillLUT6, 15000, 17999},
        {&CY27EE16PLLTable::FillLUT7, 18000, 20999}, {&CY27EE16PLLTable::FillLUT8, 21000, 23999},
        {&CY27EE16PLLTable::FillLUT9, 24000, 26999}, {&CY27EE16PLLTable::FillLUT10, 27000, 29901},
    };
    for (const Run& run : runs) {
        CY27EE16PLLTable table;
        EXPECT_EQ(run.Fill(table), 0);
        EXPECT_TRUE(std::equal(table.PLLTable().begin() + run.First,
                               table.PLLTable().begin() + run.Last + 1,
                               CY27EE16PLLSettings::Settings + run.First))
            << "slots " << run.First << " to " << run.Last;
        if (run.First > 0) {
            EXPECT_TRUE(AllZero(table, 0, run.First - 1)) << "below slot " << run.First;
        }
        EXPECT_TRUE(AllZero(table, run.Last + 1, CY27EE16PLLTable::SlotCount - 1))
            << "above slot " << run.Last;
    }
}

TEST(CY27EE16PLLTable, LookupTruncatesToTheStepAtOrBelowAndReadsNothingOutsideTheSettings)
{
    CY27EE16PLLTable table;
    EXPECT_FALSE(table.SettingFor(4480000).has_value()) << "nothing before BuildLUT";
    table.BuildLUT();
    const struct {
        std::int32_t F;
        std::int64_t Slot;
    } cases[] = {
        {4480000, 0},       {4519999, 0},       {4520000, 1},     {70560000, 1652},
        {1200480000, 29900}, {1200519999, 29900}, {4479999, -1},  {0, -112},
        {-40001, -114},     {1204519999, 30000}, {1204520000, 30001},
    };
    for (const auto& c : cases)
        EXPECT_EQ(table.SlotOf(c.F), c.Slot) << "F = " << c.F;

    EXPECT_EQ(table.SettingFor(4480000), 0x7D0D5A7Bu);
    EXPECT_EQ(table.SettingFor(4520000), 0x7D0D4F76u);
    EXPECT_EQ(table.SettingFor(70560000), 0x32136E30u);
    EXPECT_EQ(table.SettingFor(1200519999), 0x0213F8D3u);
    // Below 448 kHz, the zero slots from 120.052 MHz on, beyond the array, and the extremes.
    for (const std::int32_t f : {4479999, 0, -1, 1200520000, 1204519999, 1204520000, INT_MIN, INT_MAX})
        EXPECT_FALSE(table.SettingFor(f).has_value()) << "F = " << f;
    EXPECT_EQ(table.EntryAt(30000), 0u);
    EXPECT_FALSE(table.EntryAt(30001).has_value());
    EXPECT_FALSE(table.EntryAt(-1).has_value());
}

TEST(PLLEntryCodec, UnpacksRegisterBytesAndDividers)
{
    const struct {
        PLLEntry Entry;
        std::uint8_t Reg40, Reg41, Reg42, N;
        int Qtotal, Ptotal, Pump;
    } cases[] = {
        {0x7D0D5A7B, 0xCD, 0x5A, 0x7B, 125, 125, 700, 3},
        {0x32136E30, 0xD3, 0x6E, 0x30, 50, 50, 1764, 4},
        {0x1713ACC0, 0xD3, 0xAC, 0xC0, 23, 66, 1889, 4},
        {0x0213F8D3, 0xD3, 0xF8, 0xD3, 2, 85, 2041, 4},
        {0x00000000, 0xC0, 0x00, 0x00, 0, 2, 8, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Entry);
        const PLLRegisters registers = PLLEntryCodec::RegistersOf(c.Entry);
        const PLLFields fields = PLLEntryCodec::Unpack(c.Entry);
        EXPECT_EQ(std::tuple(registers.Reg40, registers.Reg41, registers.Reg42, registers.N),
                  std::tuple(c.Reg40, c.Reg41, c.Reg42, c.N));
        EXPECT_EQ(std::tuple(fields.Qtotal(), fields.Ptotal(), fields.Pump), std::tuple(c.Qtotal, c.Ptotal, c.Pump));
        EXPECT_EQ(PLLEntryCodec::Pack(fields), c.Entry);
    }
}

}  // namespace
