#include "devices/tkxdeviceqx450cls.h"

#include "devices/tkxdevicelinefixture.h"
#include "params/tkxparbitfieldcls.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparfrac16cls.h"
#include "registers/tkxregistercls.h"
#include "support/tkxboundproperties.h"
#include "support/tkxmemoryslave.h"

#include <gmock/gmock.h>

namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr std::uint16_t HWLimitVoltAddress = 213;

class TkxDeviceQX450Test : public TkxDeviceLineFixture {
protected:
    void SetUp() override {
        Script->SetResponder([this](const auto& query) { return FSlave.Answer(query); });
        UseDefinitionFile("model_qx450.par");
        TkxDeviceLineFixture::SetUp();
    }

    // A drive on the running line whose setup, with the given hardware voltage limit, has been
    // read once.
    TkxDeviceQX450& LoadedDrive(std::uint16_t hwLimitVolt) {
        FSlave.SetWord(HWLimitVoltAddress, hwLimitVolt);
        TkxDeviceQX450& drive = ReadyDevice<TkxDeviceQX450>("QX450v100");
        EXPECT_TRUE(PumpUntil([&] { return drive.SetupState() == TkxDeviceQXSlave::SetupLoaded; }));
        return drive;
    }

    static double MaxBoundValue(const TkxParValue* parameter) {
        return parameter->Register()->MaxBound()->Value();
    }

    TkxMemorySlave FSlave;
};

TEST_F(TkxDeviceQX450Test, EveryPublishedPropertyBindsOnItsFile) {
    TkxDeviceQX450& drive = Identify<TkxDeviceQX450>("QX450v100");
    EXPECT_THAT(UnboundProperties(drive, TkxDeviceQX450::ClassProperties()), IsEmpty());
    EXPECT_EQ(&drive.Properties(), &TkxDeviceQX450::ClassProperties());
    EXPECT_EQ(drive.RegActFault1, drive.RegisterByName("ActFault1"));
    EXPECT_EQ(drive.PGainSpeed->ExpRegister(), drive.RegisterByName("PGainSpeedExp"));
    EXPECT_EQ(drive.FilterMode->Mask(), 0x3000U);
    EXPECT_EQ(drive.FindParameter("UseCurrentLoop"), drive.UseCurrentLoop);
    EXPECT_TRUE(drive.UseRamp->GetBool()) << "the file's default";
    EXPECT_EQ(drive.SetupState(), TkxDeviceQXSlave::SetupNotLoaded);
}

TEST_F(TkxDeviceQX450Test, RatedVoltageFollowsTheHardwareLimitOfTheMoment) {
    TkxDeviceQX450& drive = Identify<TkxDeviceQX450>("QX450v100");
    EXPECT_THAT(drive.ParUrV->SetValueString("450"), HasSubstr("at most 400"));
    EXPECT_EQ(drive.ParUrV->GetValueDouble(), 220.0) << "a refused text changes nothing";
    ASSERT_EQ(drive.ParHWLimitVolt->SetValueString("500"), "");
    EXPECT_EQ(drive.ParUrV->SetValueString("450"), "");
    ASSERT_EQ(drive.ParHWLimitVolt->SetValueString("300"), "");
    EXPECT_THAT(drive.ParUrV->SetValueString("310"), HasSubstr("at most 300"));
    drive.ParUrV->SetValueDouble(350.0);
    EXPECT_EQ(drive.ParUrV->GetValueDouble(), 300.0) << "a set value is clamped to the link";
}

TEST_F(TkxDeviceQX450Test, ContinuousCurrentStaysAtOrBelowThePeakCurrent) {
    TkxDeviceQX450& drive = Identify<TkxDeviceQX450>("QX450v100");
    EXPECT_THAT(drive.ParIcA->SetValueString("9"), HasSubstr("at most 8"));
    EXPECT_THAT(drive.ParIpA->SetValueString("3.5"), HasSubstr("at least 4"));
    EXPECT_EQ(drive.ParIcA->SetValueString("8"), "") << "equal is allowed";
    ASSERT_EQ(drive.ParIpA->SetValueString("12"), "");
    EXPECT_EQ(drive.ParIcA->SetValueString("9"), "");
    EXPECT_THAT(drive.ParIpA->SetValueString("8.5"), HasSubstr("at least 9"));
}

TEST_F(TkxDeviceQX450Test, TheHighVoltageStageRaisesTheCurrentLimitsWhenTheSetupIsRead) {
    TkxDeviceQX450& drive = LoadedDrive(TkxDeviceQX450::HighCurrentStageVolt);
    EXPECT_EQ(MaxBoundValue(drive.ParIcA), 8.0);
    EXPECT_EQ(MaxBoundValue(drive.ParIpA), 20.0);
    EXPECT_EQ(drive.ParIpA->SetValueString("20"), "");
    EXPECT_THAT(drive.ParIpA->SetValueString("20.5"), HasSubstr("at most 20"));
    EXPECT_EQ(drive.ParIcA->SetValueString("20"), "") << "the peak current still bounds it";
}

TEST_F(TkxDeviceQX450Test, OtherStagesTakeTheLowCurrentLimitsAndAReloadFollowsAChange) {
    TkxDeviceQX450& drive = LoadedDrive(999);
    EXPECT_EQ(MaxBoundValue(drive.ParIcA), 5.0);
    EXPECT_EQ(MaxBoundValue(drive.ParIpA), 10.0);
    EXPECT_THAT(drive.ParIpA->SetValueString("10.5"), HasSubstr("at most 10"));

    FSlave.SetWord(HWLimitVoltAddress, TkxDeviceQX450::HighCurrentStageVolt);
    drive.ReloadSetup();
    ASSERT_TRUE(PumpUntil([&] { return MaxBoundValue(drive.ParIpA) == 20.0; }));
    EXPECT_EQ(drive.ParIpA->SetValueString("10.5"), "");
}

// A file without the hardware limit and the peak current: the links to them are skipped.
class TkxDeviceQX450PartialTest : public TkxDeviceQX450Test {
protected:
    void SetUp() override {
        Script->SetResponder([this](const auto& query) { return FSlave.Answer(query); });
        UseDefinitions("[Categories]\nRamSetup=200/201\n"
                       "[Parameters]\nParUrV=Ur,0\nParIcA=Ic,0\nParIpA=Ip,0\n"
                       "[200]\nName=Ur\nMinValue=0\nMaxValue=600\nDfltValue=220\n"
                       "[201]\nName=Ic\nMinValue=0\nMaxValue=30\nDfltValue=4\n");
        TkxDeviceLineFixture::SetUp();
    }
};

TEST_F(TkxDeviceQX450PartialTest, ConstructsAndKeepsTheFileLimits) {
    TkxDeviceQX450& drive = ReadyDevice<TkxDeviceQX450>("QX450v100");
    ASSERT_TRUE(PumpUntil([&] { return drive.SetupState() == TkxDeviceQXSlave::SetupLoaded; }));
    EXPECT_EQ(drive.ParHWLimitVolt, nullptr);
    EXPECT_EQ(drive.ParIpA, nullptr);
    EXPECT_EQ(drive.ParUrV->Register()->MaxBound()->Reference(), nullptr);
    EXPECT_EQ(drive.ParIcA->Register()->MaxBound()->Reference(), nullptr);
    EXPECT_EQ(drive.ParUrV->SetValueString("600"), "");
    EXPECT_EQ(drive.ParIcA->SetValueString("30"), "") << "no stage read, the file's limit";
}

} // namespace
