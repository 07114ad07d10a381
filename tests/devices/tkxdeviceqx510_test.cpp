#include "devices/tkxdeviceqx510cls.h"

#include "devices/tkxdevicelinefixture.h"
#include "params/tkxparboolfieldcls.h"
#include "registers/tkxregistercls.h"
#include "support/tkxboundproperties.h"
#include "support/tkxmemoryslave.h"

#include <gmock/gmock.h>

namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr std::uint16_t HWLimitAmpAddress = 200;

class TkxDeviceQX510Test : public TkxDeviceLineFixture {
protected:
    void SetUp() override {
        Script->SetResponder([this](const auto& query) { return FSlave.Answer(query); });
        LoadDefinitions();
        TkxDeviceLineFixture::SetUp();
    }
    virtual void LoadDefinitions() { UseDefinitionFile("model_qx510.par"); }

    TkxMemorySlave FSlave;
};

TEST_F(TkxDeviceQX510Test, EveryPublishedPropertyBindsOnItsFile) {
    TkxDeviceQX510& stage = Identify<TkxDeviceQX510>("QX510v100");
    EXPECT_THAT(UnboundProperties(stage, TkxDeviceQX510::ClassProperties()), IsEmpty());
    EXPECT_EQ(&stage.Properties(), &TkxDeviceQX510::ClassProperties());
    ASSERT_NE(stage.ParHWLimitAmp, nullptr) << "the drive's own property, bound on this file";
    EXPECT_EQ(stage.FindParameter("ParHWLimitAmp"), stage.ParHWLimitAmp);
    EXPECT_EQ(stage.CmdDeflux->Bit(), 1);
    EXPECT_EQ(stage.ParMaxCurrent->GetValueString(), "40.0A");
}

TEST_F(TkxDeviceQX510Test, MeasuredValuesAreReadOnlyAndTheSetupIsNot) {
    TkxDeviceQX510& stage = Identify<TkxDeviceQX510>("QX510v100");
    for (const TkxParValue* measured :
         {stage.ParOnPowerAlarmTemp, stage.ParOffPowerAlarmTemp, stage.ParPowerTemp,
          stage.ParBrakeTemp, stage.ParPercON, stage.ParStatusWord, stage.ParAnalogIn1,
          stage.ParHWLimitAmp}) {
        EXPECT_TRUE(measured->ReadOnly()) << measured->GetDescription();
    }
    for (const TkxParValue* setting : {stage.ParMaxCurrent, stage.ParMaxDefluxCurrent,
                                       stage.ParBrakeAlarmTemp, stage.ParMagnetTime}) {
        EXPECT_FALSE(setting->ReadOnly()) << setting->GetDescription();
    }
    EXPECT_FALSE(stage.CmdMagnet->ReadOnly());
}

TEST_F(TkxDeviceQX510Test, CurrentLimitsFollowTheRatingAndTheMaximumOfTheMoment) {
    TkxDeviceQX510& stage = Identify<TkxDeviceQX510>("QX510v100");
    EXPECT_THAT(stage.ParMaxCurrent->SetValueString("55"), HasSubstr("at most 50"));
    EXPECT_THAT(stage.ParMaxDefluxCurrent->SetValueString("45"), HasSubstr("at most 40"));
    ASSERT_EQ(stage.ParMaxCurrent->SetValueString("50"), "");
    EXPECT_EQ(stage.ParMaxDefluxCurrent->SetValueString("45"), "");
    ASSERT_EQ(stage.ParMaxCurrent->SetValueString("42"), "");
    EXPECT_THAT(stage.ParMaxDefluxCurrent->SetValueString("43"), HasSubstr("at most 42"));
    EXPECT_EQ(stage.ParMaxDefluxCurrent->Register()->MinBound()->Reference(), nullptr)
        << "the maximum has no lower link";
}

TEST_F(TkxDeviceQX510Test, ARatingReadFromTheStageMovesTheLimit) {
    FSlave.SetWord(HWLimitAmpAddress, 800);
    TkxDeviceQX510& stage = ReadyDevice<TkxDeviceQX510>("QX510v100");
    ASSERT_TRUE(PumpUntil([&] { return stage.SetupState() == TkxDeviceQXSlave::SetupLoaded; }));
    EXPECT_EQ(stage.ParHWLimitAmp->GetValueDouble(), 80.0);
    EXPECT_EQ(stage.ParMaxCurrent->SetValueString("75"), "");
    EXPECT_THAT(stage.ParMaxCurrent->SetValueString("85"), HasSubstr("at most 80"));
}

// A file without the hardware current limit and the maximum current.
class TkxDeviceQX510PartialTest : public TkxDeviceQX510Test {
protected:
    void LoadDefinitions() override {
        UseDefinitions("[Parameters]\nParMaxDefluxCurrent=Deflux,0\nParPowerTemp=Missing,0\n"
                       "[200]\nName=Deflux\nMinValue=0\nMaxValue=100\nDfltValue=20\n");
    }
};

TEST_F(TkxDeviceQX510PartialTest, ConstructsWithoutTheLinksItCannotMake) {
    TkxDeviceQX510& stage = Identify<TkxDeviceQX510>("QX510v100");
    EXPECT_EQ(stage.ParHWLimitAmp, nullptr);
    EXPECT_EQ(stage.ParMaxCurrent, nullptr);
    EXPECT_EQ(stage.ParPowerTemp, nullptr);
    ASSERT_NE(stage.ParMaxDefluxCurrent, nullptr);
    EXPECT_EQ(stage.ParMaxDefluxCurrent->Register()->MaxBound()->Reference(), nullptr);
    EXPECT_EQ(stage.ParMaxDefluxCurrent->SetValueString("100"), "");
}

} // namespace
