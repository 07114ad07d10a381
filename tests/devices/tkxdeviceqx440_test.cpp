#include "devices/tkxdeviceqx440cls.h"

#include "devices/tkxdevicemodelfixture.h"
#include "params/tkxpar2dpointcls.h"
#include "params/tkxparbitfieldcls.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparencodedcls.h"
#include "params/tkxparfrac16cls.h"
#include "registers/tkxregistercls.h"

#include <gmock/gmock.h>

namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

class TkxDeviceQX440Test : public TkxDeviceModelFixture {
protected:
    TkxDeviceQX440Test()
        : TkxDeviceModelFixture("model_qx440.par") {}
};

TEST_F(TkxDeviceQX440Test, EveryPropertyBindsOnItsFile) {
    TkxDeviceQX440& drive = Identify<TkxDeviceQX440>();
    EXPECT_EQ(TkxDeviceQX440::ClassProperties().Own().size(), 29U);
    EXPECT_THAT(UnboundProperties(drive, TkxDeviceQX440::ClassProperties()), IsEmpty());
    EXPECT_EQ(drive.ParThrottle2->SecondRegister(), drive.RegisterByName("Throttle2Y"));
    EXPECT_EQ(drive.ParAnalogRef->ExpRegister(), drive.RegisterByName("AnalogRefExp"));
    EXPECT_EQ(drive.ParMotorType->GetValueString(), "Asynchronous");
    EXPECT_EQ(drive.CfgBrakeMode->GetValueString(), "Ramp");
    EXPECT_TRUE(drive.CfgCurrentLoop->GetBool());
    EXPECT_FALSE(drive.CfgUseProfiBus->GetBool());
    EXPECT_EQ(drive.FindParameter("ParVFGraph1"), drive.ParVFGraph1);
}

TEST_F(TkxDeviceQX440Test, MeasuredInputsAreReadOnlyAndTheMainsVoltageIsEditable) {
    TkxDeviceQX440& drive = Identify<TkxDeviceQX440>();
    for (const TkxParValue* measured : std::initializer_list<const TkxParValue*>{
             drive.ParAnalogRef, drive.HwGoForward, drive.HwGoReverse, drive.HwGoFaster,
             drive.HwHoldBrake, drive.ParHWLimitVolt, drive.ParU_Dc_BusV}) {
        EXPECT_TRUE(measured->ReadOnly()) << measured->GetDescription();
    }
    EXPECT_FALSE(drive.ParMainVoltage->ReadOnly());
    EXPECT_FALSE(drive.ParVirtualRef->ReadOnly());
    EXPECT_FALSE(drive.CmdGoForward->ReadOnly());
}

TEST_F(TkxDeviceQX440Test, MotorVoltagesFollowEachOtherAtTheMomentOfTheCheck) {
    TkxDeviceQX440& drive = Identify<TkxDeviceQX440>();
    // Defaults: minimum 100, rated 230, maximum 380, hardware limit 400.
    EXPECT_THAT(drive.ParMotorUrV->SetValueString("390"), HasSubstr("at most 380"));
    EXPECT_EQ(drive.ParMotorUrV->GetValueDouble(), 230.0) << "a refusal changes nothing";
    EXPECT_EQ(drive.ParMotorUmaxV->SetValueString("395"), "");
    EXPECT_EQ(drive.ParMotorUrV->SetValueString("390"), "");

    EXPECT_THAT(drive.ParMotorUmaxV->SetValueString("401"), HasSubstr("at most 400"));
    EXPECT_THAT(drive.ParMotorUmaxV->SetValueString("389"), HasSubstr("at least 390"));
    EXPECT_THAT(drive.ParMotorUminV->SetValueString("391"), HasSubstr("at most 390"));
    EXPECT_THAT(drive.ParMotorUrV->SetValueString("99"), HasSubstr("at least 100"));
    EXPECT_FALSE(drive.ParHWLimitVolt->Register()->MinBound() != nullptr &&
                 drive.ParHWLimitVolt->Register()->MinBound()->Reference() != nullptr)
        << "the hardware limit follows nothing";
    EXPECT_EQ(drive.ParMotorUmaxV->GetMax(), 400.0);
    drive.ParHWLimitVolt->SetValueDouble(500.0);
    EXPECT_EQ(drive.ParMotorUmaxV->GetMax(), 500.0);
}

TEST_F(TkxDeviceQX440Test, CurrentsSpeedsFrequenciesAndHoldingTorqueAreLinked) {
    TkxDeviceQX440& drive = Identify<TkxDeviceQX440>();
    EXPECT_THAT(drive.ParMotorIrA->SetValueString("10.5"), HasSubstr("at most 10"));
    EXPECT_THAT(drive.ParMotorIpA->SetValueString("4.9"), HasSubstr("at least 5"));
    EXPECT_THAT(drive.ParSpeedJog->SetValueString("1001"), HasSubstr("at most 1000"));
    EXPECT_THAT(drive.ParSpeedFast->SetValueString("99"), HasSubstr("at least 100"));
    EXPECT_THAT(drive.ParMotorFrHz->SetValueString("81"), HasSubstr("at most 80"));
    EXPECT_THAT(drive.ParHoldTorque->SetValueString("231"), HasSubstr("at most 230"));
    EXPECT_EQ(drive.ParMotorUrV->SetValueString("300"), "");
    EXPECT_EQ(drive.ParHoldTorque->SetValueString("231"), "");
    EXPECT_EQ(drive.ParSpeedMax->SetValueString("5000"), "") << "the speed range is not linked";
}

TEST_F(TkxDeviceQX440Test, ThrottleCurveKeepsItsShape) {
    TkxDeviceQX440& drive = Identify<TkxDeviceQX440>();
    // Throttle 0, 30, 60, 100 and braking 10, 20, 30, 90 at their defaults.
    EXPECT_THAT(drive.ParThrottle1->SetValueString("61|20"), HasSubstr("x: at most 60"));
    EXPECT_THAT(drive.ParThrottle2->SetValueString("29|30"), HasSubstr("x: at least 30"));
    EXPECT_EQ(drive.ParThrottle1->SetValueString("60|20"), "");

    EXPECT_THAT(drive.ParThrottle0->SetValueString("0|21"), HasSubstr("y: at most 20"));
    EXPECT_THAT(drive.ParThrottle1->SetValueString("30|9"), HasSubstr("y: at least 10"));
    EXPECT_THAT(drive.ParThrottle2->SetValueString("60|91"), HasSubstr("y: at most 90"));
    EXPECT_THAT(drive.ParThrottle3->SetValueString("100|29"), HasSubstr("y: at least 30"));
    EXPECT_EQ(drive.ParThrottle2->SetValueString("60|15"), "") << "inner points keep no order";
    EXPECT_EQ(drive.ParThrottle0->SetValueString("0|20"), "");
    EXPECT_EQ(drive.ParThrottle0->GetValueString(), "0.0000|20.0000");
    EXPECT_EQ(drive.ParThrottle3->Stored(), std::make_pair(100.0, 0.0));
    EXPECT_EQ(drive.ParThrottle3->GetValueString(), "100.0000|90.0000") << "its registers rule";
}

TEST_F(TkxDeviceQX440Test, ALastThrottlePointWithoutRegistersIsFixedAtFullThrottle) {
    UseDefinitionFileWith({{"ParThrottle3", "ParThrottle3=NoThrottleX,NoThrottleY,0"}});
    TkxDeviceQX440& drive = Identify<TkxDeviceQX440>();
    ASSERT_NE(drive.ParThrottle3, nullptr);
    EXPECT_EQ(drive.ParThrottle3->GetValueString(), "100.0000|0.0000");
    EXPECT_EQ(drive.ParThrottle2->SetValueString("60|95"), "") << "no upper link to follow";
    EXPECT_THAT(drive.ParThrottle2->SetValueString("60|9"), HasSubstr("at least 10"));
}

TEST_F(TkxDeviceQX440Test, AFileLackingLinkedEntriesGivesAModelWithoutThoseLinks) {
    UseDefinitionFileWithout({"ParMotorFmaxHz", "ParThrottle1", "ParMotorUmaxV", "ParHWLimitVolt",
                              "ParAnalogRef", "HwGoFaster", "ParMainVoltage"});
    TkxDeviceQX440& drive = Identify<TkxDeviceQX440>();
    EXPECT_EQ(drive.ParMotorFmaxHz, nullptr);
    EXPECT_EQ(drive.ParMotorFrHz->SetValueString("500"), "");
    EXPECT_EQ(drive.ParMotorUrV->SetValueString("900"), "");
    EXPECT_THAT(drive.ParMotorUrV->SetValueString("99"), HasSubstr("at least 100"));
    EXPECT_EQ(drive.ParThrottle2->SetValueString("1|10"), "");
    EXPECT_EQ(drive.ParThrottle3->Stored(), std::make_pair(100.0, 0.0));
}

TEST_F(TkxDeviceQX440Test, FractionalReferencesReadFromTheDrive) {
    FSlave.SetWord(105, 16384);
    FSlave.SetWord(106, 1);
    TkxDeviceQX440& drive = ReadyDevice<TkxDeviceQX440>();
    ASSERT_TRUE(PumpUntil([&] { return drive.ParAnalogRef->GetValueDouble() == 1.0; }));
    drive.ParVirtualRef->SetValueDouble(0.75);
    EXPECT_EQ(drive.RegisterByName("VirtualRefMant")->GetValueInteger(0), 24576);
    EXPECT_EQ(drive.RegisterByName("VirtualRefExp")->GetValueInteger(0), 0) << "0 at least";
    drive.ParVirtualRef->SetValueDouble(3.0);
    EXPECT_EQ(drive.RegisterByName("VirtualRefMant")->GetValueInteger(0), 24576);
    EXPECT_EQ(drive.RegisterByName("VirtualRefExp")->GetValueInteger(0), 2);
}

} // namespace
