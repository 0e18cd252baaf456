#include "radio/clsDDSNullIF.h"

#include "RadioTestRig.h"

#include <array>

namespace {

TEST(NullTransport, AcceptsTheLineAndSequenceCallsWithoutWaitingOrSaving)
{
    FakePerfCounter clock(10'000'000, 1);
    FakeSettingsStore settings;
    clsDDSNullIF transport;
    transport.RxName(Section);
    transport.WaitTime(5e-6);
    EXPECT_EQ(transport.Initialise(), 0);

    const std::array<uint8_t, 2> bytes{0x12, 0x34};
    EXPECT_EQ(transport.SendSeqLSB(bytes, 2), 0);
    EXPECT_EQ(transport.SendSeqMSB(bytes, 2), 0);
    transport.Out16(0xFFFF);
    transport.SDATA(1);
    EXPECT_EQ(clock.Reads, 0) << "the null transport never waits";
    EXPECT_EQ(transport.OpenPort(true), 0);
    transport.SaveSettings();
    EXPECT_EQ(settings.writeCount, 0);

    EXPECT_THROW(transport.I2CSendSeq(bytes, 2), RuntimeError);
    EXPECT_THROW(transport.SendSeqMSB(bytes, 3), RuntimeError) << "the count is checked here too";
}

} // namespace
