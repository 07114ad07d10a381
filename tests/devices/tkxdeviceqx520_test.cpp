#include "devices/tkxdeviceqx520cls.h"

#include "devices/tkxdevicemodelfixture.h"
#include "params/tkxparbitfieldcls.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparlongcls.h"

#include <gmock/gmock.h>

namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

class TkxDeviceQX520Test : public TkxDeviceModelFixture {
protected:
    TkxDeviceQX520Test()
        : TkxDeviceModelFixture("model_qx520.par") {}
};

TEST_F(TkxDeviceQX520Test, EveryPropertyBindsOnItsFile) {
    TkxDeviceQX520& drive = Identify<TkxDeviceQX520>("QX520v100");
    EXPECT_THAT(UnboundProperties(drive, TkxDeviceQX520::ClassProperties()), IsEmpty());
    EXPECT_EQ(drive.RegChillerState, drive.RegisterByName("ChillerState"));
    EXPECT_EQ(drive.ParWorkedTime->HighRegister(), drive.RegisterByName("WorkedTimeHi"));
    EXPECT_EQ(drive.CfgTestMode->Mask(), 0x30U);
    EXPECT_EQ(drive.CfgTestMode->GetValueString(), "Off");
}

TEST_F(TkxDeviceQX520Test, ChillerMeasurementsAreReadOnlyAndTheCommandsEditable) {
    TkxDeviceQX520& drive = Identify<TkxDeviceQX520>("QX520v100");
    for (const TkxParValue* measured : std::initializer_list<const TkxParValue*>{
             drive.ParWorkedTime, drive.ParPowerT, drive.ParSetPointTemp, drive.ParDifferenziale,
             drive.ParNtcInH2Odolce, drive.ParSeaWaterTin, drive.ParSeaWaterTout, drive.ParEvapT,
             drive.ParAspT, drive.ParFluxMCH, drive.HwLowPressure, drive.HwHighpressure,
             drive.HwAux, drive.HwNoMotor, drive.HwJP401, drive.HwJP402, drive.HwJP403,
             drive.HwStepperShort, drive.ParHWLimitVolt}) {
        EXPECT_TRUE(measured->ReadOnly()) << measured->GetDescription();
    }
    for (const TkxParValue* editable : std::initializer_list<const TkxParValue*>{
             drive.ParMainVoltage, drive.CmdGoForward, drive.CmdGoReverse, drive.ParSpeedRef,
             drive.ParHighPressureAlarm, drive.CfgTestMode}) {
        EXPECT_FALSE(editable->ReadOnly()) << editable->GetDescription();
    }
}

TEST_F(TkxDeviceQX520Test, VoltagesCurrentsAndSpeedsFollowEachOtherAndTheHardwareLimits) {
    TkxDeviceQX520& drive = Identify<TkxDeviceQX520>("QX520v100");
    EXPECT_THAT(drive.ParMainVoltage->SetValueString("401"), HasSubstr("at most 400"));
    EXPECT_EQ(drive.ParMainVoltage->SetValueString("400"), "");

    EXPECT_THAT(drive.ParMotorUrV->SetValueString("381"), HasSubstr("at most 380"));
    EXPECT_THAT(drive.ParMotorUminV->SetValueString("231"), HasSubstr("at most 230"));
    EXPECT_EQ(drive.ParMotorUmaxV->SetValueString("1000"), "") << "no hardware link here";

    EXPECT_THAT(drive.ParMotorIrA->SetValueString("10.1"), HasSubstr("at most 10"));
    EXPECT_THAT(drive.ParMotorIpA->SetValueString("20.1"), HasSubstr("at most 20"));
    EXPECT_THAT(drive.ParMotorIpA->SetValueString("4.9"), HasSubstr("at least 5"));
    drive.ParHWLimitAmp->SetValueDouble(30.0);
    EXPECT_EQ(drive.ParMotorIpA->SetValueString("25"), "");

    EXPECT_THAT(drive.ParSpeedRef->SetValueString("3001"), HasSubstr("at most 3000"));
    EXPECT_THAT(drive.ParSpeedRef->SetValueString("499"), HasSubstr("at least 500"));
    EXPECT_THAT(drive.ParSpeedMax->SetValueString("1499"), HasSubstr("at least 1500"));
    EXPECT_THAT(drive.ParSpeedMin->SetValueString("1501"), HasSubstr("at most 1500"));
    EXPECT_THAT(drive.ParMotorFmaxHz->SetValueString("49"), HasSubstr("at least 50"));
}

TEST_F(TkxDeviceQX520Test, ListingEndsWithTheWorkedTimeReadFromTheDrive) {
    FSlave.SetWord(103, 1);
    FSlave.SetWord(104, 1);
    TkxDeviceQX520& drive = ReadyDevice<TkxDeviceQX520>("QX520v100");
    ASSERT_TRUE(PumpUntil([&] { return drive.ParWorkedTime->GetValueDouble() == 65537.0; }));
    std::vector<std::string> lines;
    drive.ListProperties(lines);
    ASSERT_EQ(lines.size(), 4U) << "address, voltage and current limits, worked time";
    EXPECT_THAT(lines.back(), HasSubstr("Worked time: 65537 h"));

    drive.ParWorkedTime->SetEnabled(false);
    lines.clear();
    drive.ListProperties(lines);
    EXPECT_EQ(lines.size(), 3U);
}

TEST_F(TkxDeviceQX520Test, AFileLackingTheOptionalEntriesConstructs) {
    UseDefinitionFileWithout(
        {"ParMotorFmaxHz", "ParHWLimitAmp", "ParWorkedTime", "CmdGoReverse", "ParSpeedRef"});
    TkxDeviceQX520& drive = Identify<TkxDeviceQX520>("QX520v100");
    EXPECT_EQ(drive.ParMotorFrHz->SetValueString("500"), "");
    EXPECT_EQ(drive.ParMotorIpA->SetValueString("100"), "");
    EXPECT_EQ(drive.ParSpeedMax->SetValueString("600"), "") << "the chain breaks at the gap";
    std::vector<std::string> lines;
    drive.ListProperties(lines);
    EXPECT_EQ(lines.size(), 2U);
}

} // namespace
