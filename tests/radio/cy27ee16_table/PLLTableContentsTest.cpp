// What the stored table holds, checked against the rows and figures its design fixes: telling
// slots, runs of equal settings, charge-pump bands and the accuracy by band.

#include "radio/cy27ee16_table/CY27EE16PLLTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <vector>

namespace {

struct Slot {
    std::int64_t NominalHz = 0;
    PLLFields Fields;
    double ErrorHz = 0;  // output - nominal
    bool Exact = false;
};

std::vector<Slot> DecodeSettings(const CY27EE16PLLTable& table)
{
    std::vector<Slot> slots;
    for (int i = 0; i < table.Header().LUTCount; ++i) {
        Slot s;
        s.NominalHz = 448000 + 4000LL * i;
        s.Fields = PLLEntryCodec::Unpack(table.PLLTable()[i]);
        const std::int64_t p = s.Fields.Ptotal(), q = s.Fields.Qtotal(), n = s.Fields.N;
        s.Exact = 10000000 * p == s.NominalHz * q * n;
        s.ErrorHz = 1e7 * p / q / n - s.NominalHz;
        slots.push_back(s);
    }
    return slots;
}

class PLLTableContents : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Table.BuildLUT();
        Slots = DecodeSettings(Table);
    }
    static PLLEntry Entry(int slot) { return Table.PLLTable()[slot]; }
    static void ExpectRun(int first, int last, PLLEntry entry)
    {
        for (int slot = first; slot <= last; ++slot)
            EXPECT_EQ(Entry(slot), entry) << "slot " << slot;
    }

    static CY27EE16PLLTable Table;
    static std::vector<Slot> Slots;
};

CY27EE16PLLTable PLLTableContents::Table;
std::vector<Slot> PLLTableContents::Slots;

TEST_F(PLLTableContents, TellingSlotsHoldTheirSettings)
{
    // Decoded by the codec, whose own test covers the fields: here the entry and its error.
    const struct {
        int Slot;
        PLLEntry Entry;
        double ErrorHz;
    } rows[] = {
        {0, 0x7D0D5A7B, 0}, {1, 0x7D0D4F76, 0}, {18, 0x7E1195FB, 0}, {75, 0x7D122D76, 0},
        {76, 0x7F1281FF, 36011.964}, {85, 0x7F1281FF, 11.964}, {88, 0x7F12777B, 0}, {688, 0x7C13DC30, 0},
        {1652, 0x32136E30, 0}, {1939, 0x22128BAD, 5.006}, {2047, 0x15121339, -3.228}, {2999, 0x1713ACC0, 5.270},
        {3636, 0x1913A530, 0}, {3637, 0x0F13A1D1, -16.064}, {3638, 0x07000680, 0}, {3640, 0x0A13A67B, 0},
        {4055, 0x08101001, -1333.333}, {6001, 0x0812C647, 54.795}, {6822, 0x0913E2CE, 111.111},
        {9886, 0x03100800, 8000}, {9888, 0x03000800, 0}, {12073, 0x031253D0, -162.602}, {12388, 0x03000B00, 0},
        {12398, 0x02126DFB, 0}, {13396, 0x0311F2BC, 258.065}, {19532, 0x0413F9BF, 923.077},
        {21137, 0x02100D00, 4000}, {21138, 0x02000D00, 0}, {24768, 0x0212D2C7, 547.945},
        {24801, 0x05123915, 173.913}, {24868, 0x05126C97, 0}, {24908, 0x021272BD, -634.921},
        {29881, 0x02101400, 28000}, {29888, 0x02041400, 0}, {29900, 0x0213F8D3, 10823.529},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Entry(row.Slot), row.Entry) << "slot " << row.Slot;
        EXPECT_NEAR(Slots[row.Slot].ErrorHz, row.ErrorHz, 0.001) << "slot " << row.Slot;
    }
    EXPECT_EQ(Entry(29901), 0u);
}

TEST_F(PLLTableContents, SettingsNearFrequenciesWithSmallQtotalRepeat)
{
    ExpectRun(76, 85, 0x7F1281FF);  // the lowest output above a 100 MHz VCO
    ExpectRun(9886, 9887, 0x03100800);  // 40 MHz; its exact slot 9888 has pump 0
    ExpectRun(9889, 9890, 0x03100800);
    ExpectRun(19893, 19897, 0x0313F8D3);  // +19,215.686 Hz beats the 80 MHz setting's -20,000 Hz
    ExpectRun(29874, 29880, 0x0213F7D3);  // the three settings nearest 120 MHz
    ExpectRun(29881, 29887, 0x02101400);
    ExpectRun(29889, 29895, 0x02101400);
    ExpectRun(29896, 29900, 0x0213F8D3);

    std::map<int, int> runsByLength;
    for (int first = 0; first < 29901;) {
        int last = first;
        while (last + 1 < 29901 && Entry(last + 1) == Entry(first))
            ++last;
        if (last > first)
            ++runsByLength[last - first + 1];
        first = last + 1;
    }
    const std::map<int, int> expected{{2, 126}, {3, 23}, {4, 22}, {5, 9}, {6, 8}, {7, 5}, {10, 1}};
    EXPECT_EQ(runsByLength, expected);
}

TEST_F(PLLTableContents, ChargePumpFollowsPtotalBandsInExactSlotsOnly)
{
    const struct {
        int Slot, Ptotal, Pump;
    } edges[] = {{27388, 44, 0}, {28013, 45, 1},  {23838, 479, 1}, {23938, 481, 2},
                 {10538, 639, 2}, {15913, 641, 3}, {19863, 799, 3}, {16, 800, 4}};
    for (const auto& edge : edges) {
        EXPECT_TRUE(Slots[edge.Slot].Exact) << "slot " << edge.Slot;
        EXPECT_EQ(Slots[edge.Slot].Fields.Ptotal(), edge.Ptotal) << "slot " << edge.Slot;
        EXPECT_EQ(Slots[edge.Slot].Fields.Pump, edge.Pump) << "slot " << edge.Slot;
    }
    std::map<int, int> exactByPump;
    int inexactBelowPump4 = 0;
    for (const Slot& s : Slots) {
        if (s.Exact)
            ++exactByPump[s.Fields.Pump];
        else if (s.Fields.Pump != 4)
            ++inexactBelowPump4;
    }
    const std::map<int, int> expected{{0, 41}, {1, 560}, {2, 240}, {3, 98}, {4, 5694}};
    EXPECT_EQ(exactByPump, expected);
    EXPECT_EQ(inexactBelowPump4, 0);
}

TEST_F(PLLTableContents, AccuracyByBandMatchesTheDesign)
{
    const struct {
        int First, Last, Exact;
        double MedianHz, LargestHz;
        int LargestAt;
    } bands[] = {
        {0, 85, 76, 18012.0, 36011.964, 76},       {86, 387, 300, 4.3, 5.249, 86},
        {388, 1887, 1500, 0, 0, 388},              {1888, 3637, 1069, 8.0, 887.586, 2389},
        {3638, 7387, 1388, 24.1, 6662.757, 7386},  {7388, 12387, 957, 72.1, 12000.0, 12385},
        {12388, 18637, 750, 146.8, 16000.0, 17384}, {18638, 24887, 392, 272.4, 24000.0, 24882},
        {24888, 29900, 201, 444.4, 28000.0, 29881},
    };
    for (const auto& band : bands) {
        std::vector<double> inexact;
        int exact = 0, largestAt = band.First;
        for (int i = band.First; i <= band.Last; ++i) {
            const double error = std::fabs(Slots[i].ErrorHz);
            if (Slots[i].Exact)
                ++exact;
            else
                inexact.push_back(error);
            if (error > std::fabs(Slots[largestAt].ErrorHz) + 1e-6)
                largestAt = i;
        }
        EXPECT_EQ(exact, band.Exact) << "band from slot " << band.First;
        EXPECT_EQ(largestAt, band.LargestAt) << "band from slot " << band.First;
        EXPECT_NEAR(std::fabs(Slots[largestAt].ErrorHz), band.LargestHz, 0.001);
        if (inexact.empty())
            continue;
        std::sort(inexact.begin(), inexact.end());
        const std::size_t mid = inexact.size() / 2;
        const double median =
            inexact.size() % 2 ? inexact[mid] : (inexact[mid - 1] + inexact[mid]) / 2;
        EXPECT_NEAR(median, band.MedianHz, 0.05) << "band from slot " << band.First;
    }

    int below100 = 0, below1k = 0, above5k = 0, high = 0, low = 0;
    for (const Slot& s : Slots) {
        const double error = std::fabs(s.ErrorHz);
        below100 += error < 100;
        below1k += error < 1000;
        above5k += error > 5000;
        high += !s.Exact && s.ErrorHz > 0;
        low += !s.Exact && s.ErrorHz < 0;
    }
    EXPECT_EQ(below100, 15341);
    EXPECT_EQ(below1k, 28306);
    EXPECT_EQ(above5k, 246);
    EXPECT_EQ(high, 11630);
    EXPECT_EQ(low, 11638);
}

}  // namespace
