#include "radio/clsDDSNullIF.h"

#include "core/RuntimeError.h"
#include "fakes/FakePerfCounter.h"
#include "fakes/FakeSettingsStore.h"

#include <gtest/gtest.h>

#include <array>

namespace {

TEST(NullTransport, AcceptsEveryLineCallWithoutWaitingOrKeepingPorts)
{
    FakePerfCounter clock(10'000'000, 1);
    FakeSettingsStore settings;
    clsDDSNullIF transport;
    transport.RxName("RXModel.Test");
    transport.WaitTime(5e-6);
    transport.PortNo(3);
    transport.Inverting(true);

    const std::array<uint8_t, 2> bytes{0x12, 0x34};
    EXPECT_EQ(transport.SendSeqLSB(bytes, 2), 0);
    EXPECT_EQ(transport.SendSeqMSB(bytes, 2), 0);
    transport.Out8(0xFF);
    transport.Out8LSB(0xFF);
    transport.Out16(0xFFFF);
    transport.SDATA(1);
    EXPECT_EQ(clock.Reads, 0) << "the null transport never waits";

    EXPECT_EQ(transport.WaitTime(), 5e-6);
    EXPECT_EQ(transport.PortNo(), 0);
    EXPECT_TRUE(transport.Inverting());
    EXPECT_EQ(transport.OpenPort(true), 0);
    EXPECT_EQ(transport.ClosePort(), 0);
    EXPECT_EQ(transport.MSCommCtl(), nullptr);
    EXPECT_EQ(transport.Initialise(), 0);
    EXPECT_TRUE(transport.Initialised());
    transport.SaveSettings();
    EXPECT_EQ(settings.writeCount, 0);

    EXPECT_THROW(transport.I2CSendSeq(bytes, 2), RuntimeError);
    EXPECT_THROW(transport.SendSeqMSB(bytes, 3), RuntimeError) << "the count is checked here too";
}

} // namespace
