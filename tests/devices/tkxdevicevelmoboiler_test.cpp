#include "devices/tkxdevicevelmoboilercls.h"

#include "devices/tkxdevicemodelfixture.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparlongcls.h"
#include "registers/tkxregblockcls.h"

#include <gmock/gmock.h>

namespace {

using ::testing::IsEmpty;

class TkxDeviceVelmoBoilerTest : public TkxDeviceModelFixture {
protected:
    TkxDeviceVelmoBoilerTest()
        : TkxDeviceModelFixture("model_velmolcd.par") {}
};

TEST_F(TkxDeviceVelmoBoilerTest, BindsItsStateAndMarksTheMeasurementsReadOnly) {
    TkxDeviceVelmoBoiler& boiler = Identify<TkxDeviceVelmoBoiler>("DeviceVelmoLcd");
    EXPECT_THAT(UnboundProperties(boiler, TkxDeviceVelmoBoiler::ClassProperties()), IsEmpty());
    for (const TkxParValue* measured : std::initializer_list<const TkxParValue*>{
             boiler.ParBoilerWaterTemp, boiler.ParReturnTemp, boiler.ParFlueTemp,
             boiler.ParBoilerAnalogIn1, boiler.ParBoilerAnalogIn2, boiler.ParBurnerHours,
             boiler.HwFlame, boiler.HwBurnerLockout, boiler.HwWaterPressure}) {
        EXPECT_TRUE(measured->ReadOnly()) << measured->GetDescription();
    }
    EXPECT_FALSE(boiler.ParBoilerSetPoint->ReadOnly());
    EXPECT_FALSE(boiler.CmdBurnerOn->ReadOnly());
}

TEST_F(TkxDeviceVelmoBoilerTest, ReadsTheBoilerStateOnlyOnceEnabled) {
    FSlave.SetWord(406, 3);
    FSlave.SetWord(407, 1);
    TkxDeviceVelmoBoiler& boiler = ReadyDevice<TkxDeviceVelmoBoiler>("DeviceVelmoLcd");
    EXPECT_EQ(boiler.ReadState->ReadBlocks()->ToText(), "400/410");
    EXPECT_EQ(boiler.ReadState->GetRepeatTime(), 10);
    for (const TkxMBChainedTransa* transaction :
         {boiler.ReadState, boiler.ReadAlarm, boiler.ReadSetup, boiler.SendSetup,
          boiler.SaveEEProm}) {
        EXPECT_FALSE(transaction->IsEnabled()) << transaction->GetTransaName();
    }
    boiler.ReadState->SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return boiler.ParBurnerHours->GetValueDouble() == 65539.0; }));
}

} // namespace
