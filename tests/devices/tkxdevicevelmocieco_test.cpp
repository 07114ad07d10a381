#include "devices/tkxdevicevelmociecocls.h"

#include "devices/tkxdevicemodelfixture.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparlongcls.h"
#include "registers/tkxregblockcls.h"

#include <gmock/gmock.h>

namespace {

using ::testing::IsEmpty;

class TkxDeviceVelmoCiecoTest : public TkxDeviceModelFixture {
protected:
    TkxDeviceVelmoCiecoTest()
        : TkxDeviceModelFixture("model_velmolcd.par") {}
};

TEST_F(TkxDeviceVelmoCiecoTest, BindsItsUnitStateAndMarksTheMeasurementsReadOnly) {
    TkxDeviceVelmoCieco& unit = Identify<TkxDeviceVelmoCieco>("DeviceVelmoLcd");
    EXPECT_THAT(UnboundProperties(unit, TkxDeviceVelmoCieco::ClassProperties()), IsEmpty());
    EXPECT_FALSE(unit.IsInverter);
    for (const TkxParValue* measured : std::initializer_list<const TkxParValue*>{
             unit.ParEvapTemp, unit.ParCondTemp, unit.ParSuctionPressure, unit.ParDischargePressure,
             unit.ParWaterInTemp, unit.ParWaterOutTemp, unit.ParSlaveAnalogIn1,
             unit.ParSlaveAnalogIn2, unit.ParCompressorHours, unit.HwHighPressure,
             unit.HwLowPressure, unit.HwSlaveFlowSwitch, unit.HwThermal}) {
        EXPECT_TRUE(measured->ReadOnly()) << measured->GetDescription();
    }
    EXPECT_FALSE(unit.CmdCompressorOn->ReadOnly());
    EXPECT_FALSE(unit.ParCompressorSpeed->ReadOnly());
}

TEST_F(TkxDeviceVelmoCiecoTest, ReadsTheUnitStateOnlyOnceEnabled) {
    FSlave.SetWord(301, 55);
    FSlave.SetWord(311, 0x0004);
    TkxDeviceVelmoCieco& unit = ReadyDevice<TkxDeviceVelmoCieco>("DeviceVelmoLcd");
    EXPECT_EQ(unit.ReadState->ReadBlocks()->ToText(), "300/313");
    EXPECT_EQ(unit.ReadState->GetRepeatTime(), 10);
    for (const TkxMBChainedTransa* transaction :
         {unit.ReadState, unit.ReadAlarm, unit.ReadSetup, unit.SendSetup, unit.SaveEEProm}) {
        EXPECT_FALSE(transaction->IsEnabled()) << transaction->GetTransaName();
    }
    EXPECT_EQ(unit.ReadSetup->ReadBlocks(), nullptr) << "a unit has no setup of its own";

    unit.ReadState->SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return unit.HwSlaveFlowSwitch->GetBool(); }));
    EXPECT_EQ(unit.ParEvapTemp->GetValueDouble(), 5.5);
}

} // namespace
