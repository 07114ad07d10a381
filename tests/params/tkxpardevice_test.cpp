#include "params/tkxparfloatcls.h"
#include "params/tkxparlongcls.h"
#include "params/tkxparvaluecls.h"

#include "base/tkxmbresultcodes.h"
#include "devices/tkxdevicelinefixture.h"
#include "registers/tkxregistercls.h"

#include <vector>

namespace {

using namespace TkxMBResult;

// Reads of CounterHigh (111) get an exception; every other read answers 0x0102 per register,
// and writes are echoed.
TkxMBScript::Step Drive(const std::vector<std::uint8_t>& query) {
    if (query.size() < 6) {
        return {InvalidResponse, {}, {}};
    }
    const int start = query[2] << 8 | query[3];
    if (query[1] == 6) {
        return {0, query, {}};
    }
    if (start == 111) {
        return {IllegalAddress, {}, {}};
    }
    std::vector<std::uint8_t> reply = {query[0], 3, static_cast<std::uint8_t>(2 * query[5])};
    for (int i = 0; i < query[5]; ++i) {
        reply.push_back(0x01);
        reply.push_back(0x02);
    }
    return {0, reply, {}};
}

class TkxParDeviceTest : public TkxDeviceLineFixture {
protected:
    void SetUp() override {
        Script->SetResponder(Drive);
        UseDefinitionFile("params_numeric.par");
        TkxDeviceLineFixture::SetUp();
    }
};

TEST_F(TkxParDeviceTest, ReadsAndWritesTheRegisterThroughItsDevice) {
    TkxDeviceSlave& device = ReadyDevice();
    TkxParValue par(device.RegisterByName("Ramp"), 0);
    EXPECT_EQ(par.GetDevice(), &device);
    EXPECT_EQ(par.ReadFromDevice(), 0);
    EXPECT_EQ(par.GetValueDouble(), 0x0102);

    par.SetValueDouble(7.0);
    EXPECT_EQ(par.WriteToDevice(), 0);
    EXPECT_EQ(QueriesFor(6, 102), 1);
}

TEST_F(TkxParDeviceTest, TwoRegisterValueStopsAtTheFirstFailure) {
    TkxDeviceSlave& device = ReadyDevice();
    TkxParLong counter(device.RegisterByName("CounterLow"), 0,
                       device.RegisterByName("CounterHigh"));
    EXPECT_EQ(counter.ReadFromDevice(), IllegalAddress) << "the high half's exception";
    EXPECT_EQ(QueriesFor(3, 110), 1) << "low half first";

    TkxParLong hours(device.RegisterByName("HoursLow"), 0, device.RegisterByName("HoursHigh"));
    EXPECT_EQ(hours.ReadFromDevice(), 0);
    EXPECT_EQ(hours.GetValueLong(), 0x01020102);
    EXPECT_EQ(hours.WriteToDevice(), 0);
    EXPECT_EQ(QueriesFor(6, 114), 1);
    EXPECT_EQ(QueriesFor(6, 115), 1);
}

TEST_F(TkxParDeviceTest, AFloatHoldingNoNumberIsNeverWrittenBack) {
    TkxDeviceSlave& device = ReadyDevice();
    TkxRegister* low = device.RegisterByName("HoursLow");
    TkxRegister* high = device.RegisterByName("HoursHigh");
    TkxParFloat torque(low, 0, high);
    high->SetValueInteger(0, 0x7FC0); // a quiet NaN, as a drive may report one
    EXPECT_EQ(torque.GetValueString(), "NAN");
    EXPECT_EQ(torque.WriteToDevice(), InvalidSetup);
    EXPECT_EQ(QueriesFor(6, 114) + QueriesFor(6, 115), 0);

    torque.SetValueDouble(1.0);
    EXPECT_EQ(torque.WriteToDevice(), 0);
    EXPECT_EQ(QueriesFor(6, 115), 1);
}

TEST_F(TkxParDeviceTest, DeviceNotReadyAnswersWithoutTouchingTheLine) {
    TkxDeviceSlave& device = Identify();
    TkxParValue par(device.RegisterByName("Ramp"), 0);
    EXPECT_EQ(par.ReadFromDevice(), WaitTimeout);
    EXPECT_EQ(par.WriteToDevice(), WaitTimeout);
    EXPECT_TRUE(Script->Queries().empty());
}

} // namespace
