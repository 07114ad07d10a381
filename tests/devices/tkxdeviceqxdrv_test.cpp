#include "devices/tkxdeviceqxdrvcls.h"

#include "devices/tkxdevicelinefixture.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparlongcls.h"
#include "registers/tkxregblockcls.h"
#include "registers/tkxregistercls.h"
#include "support/tkxmemoryslave.h"

#include <gmock/gmock.h>

#include <set>
#include <string>

namespace {

struct ShippedFile {
    const char* Name;
    const char* Version;
    bool SecondGeneration;
};

void PrintTo(const ShippedFile& file, std::ostream* out) {
    *out << file.Name;
}

// Entries only the second firmware generation of each drive has, and one no drive has.
const std::set<std::string> kSecondGenerationOnly = {
    "ParMotorFmaxHz",     "ParEECurrRangeMax",    "ParEESpeedRangeMax", "ParEEPwmFreq",
    "CfgCanProtocolType", "ParCurrentLimitMux",   "ParPosFFGain",       "ParPosStaPGain",
    "ParPosStaIGain",     "ParPosStaICorrection", "ParPosStaDGain",     "ParEECanStdRxIDbase",
    "ParEECanStdTxIDbase"};
const std::set<std::string> kNoDriveHas = {"ParEEProfiBusAddress"};

class TkxDeviceQXDRVFiles : public TkxDeviceLineFixture,
                            public ::testing::WithParamInterface<ShippedFile> {
protected:
    void SetUp() override {
        UseShippedFile(GetParam().Name);
        TkxDeviceLineFixture::SetUp();
    }
};

TEST_P(TkxDeviceQXDRVFiles, EveryPublishedPropertyBindsThatTheGenerationHas) {
    TkxDeviceQXDRV& drive = Identify<TkxDeviceQXDRV>(GetParam().Version);
    int bound = 0;
    for (const TkxPropertyTable* table = &drive.Properties(); table != nullptr;
         table = table->Base()) {
        for (const TkxProperty& property : table->Own()) {
            const std::string name(property.Name);
            const bool present = property.GetRegister != nullptr
                                     ? property.GetRegister(drive) != nullptr
                                     : property.GetParameter(drive) != nullptr;
            const bool expected =
                !kNoDriveHas.contains(name) &&
                (GetParam().SecondGeneration || !kSecondGenerationOnly.contains(name));
            EXPECT_EQ(present, expected) << name;
            bound += present ? 1 : 0;
        }
    }
    EXPECT_GT(bound, 190);
    EXPECT_EQ(drive.SetupState(), TkxDeviceQXSlave::SetupNotLoaded);
}

TEST_P(TkxDeviceQXDRVFiles, MeasuredAndInputsReadOnlyMainVoltageEditable) {
    TkxDeviceQXDRV& drive = Identify<TkxDeviceQXDRV>(GetParam().Version);
    for (const TkxParValue* measured : std::initializer_list<const TkxParValue*>{
             drive.ParAnalogRef, drive.HwEnable, drive.HwReset, drive.HwZero, drive.HwFcCw,
             drive.HwFcCcw, drive.ParActualPos, drive.ParHWLimitVolt, drive.ParU_Dc_BusV}) {
        EXPECT_TRUE(measured->ReadOnly()) << measured->GetDescription();
    }
    EXPECT_FALSE(drive.ParMainVoltage->ReadOnly());
    EXPECT_FALSE(drive.CmdEnable->ReadOnly());
    EXPECT_FALSE(drive.ParMotorAccel->ReadOnly());
}

TEST_P(TkxDeviceQXDRVFiles, RatedCurrentStaysBelowThePeakCurrent) {
    TkxDeviceQXDRV& drive = Identify<TkxDeviceQXDRV>(GetParam().Version);
    ASSERT_EQ(drive.ParMotorIpA->SetValueString(drive.ParMotorIpA->GetMinText()), "");
    const double peak = drive.ParMotorIpA->GetValueDouble();
    EXPECT_EQ(drive.ParMotorIrA->GetMax(), peak) << "the bound follows the peak current now";
    EXPECT_NE(drive.ParMotorIrA->SetValueString(drive.ParMotorIpA->GetMaxText()), "");
    EXPECT_EQ(drive.ParMotorIpA->GetMin(), drive.ParMotorIrA->GetValueDouble());
}

TEST_P(TkxDeviceQXDRVFiles, NextTargetWithinTheNumberOfTargets) {
    TkxDeviceQXDRV& drive = Identify<TkxDeviceQXDRV>(GetParam().Version);
    drive.ParNumFixedPos->SetValueDouble(3.0);
    EXPECT_EQ(drive.ParNextFixedPos->SetValueString("3"), "");
    EXPECT_EQ(drive.ParNextFixedPos->SetValueString("4"), "at most 3");
    drive.ParNumFixedPos->SetValueDouble(5.0);
    EXPECT_EQ(drive.ParNextFixedPos->SetValueString("4"), "");
}

TEST_P(TkxDeviceQXDRVFiles, TenPredefinedTargets) {
    TkxDeviceQXDRV& drive = Identify<TkxDeviceQXDRV>(GetParam().Version);
    for (int i = 1; i <= TkxDeviceQXDRV::FixedTargetCount; ++i) {
        const TkxFixedTarget target = drive.FixedTarget(i);
        ASSERT_TRUE(target.Accel && target.Decel && target.Speed && target.Target) << i;
    }
    EXPECT_EQ(drive.FixedTarget(1).Target, drive.ParFixedPosPktTarget1);
    EXPECT_EQ(drive.FixedTarget(10).Speed, drive.ParFixedPosPktSpeed10);
    EXPECT_EQ(drive.FixedTarget(0).Accel, nullptr);
    EXPECT_EQ(drive.FixedTarget(11).Target, nullptr);
}

TEST_P(TkxDeviceQXDRVFiles, PositionReferenceWrittenInOneRequestOnDemand) {
    TkxDeviceQXDRV& drive = Identify<TkxDeviceQXDRV>(GetParam().Version);
    ASSERT_NE(drive.WriteRefPos, nullptr);
    EXPECT_EQ(drive.WriteRefPos->GetTransaName(), "WriteRefPos");
    EXPECT_EQ(drive.WriteRefPos->GetComment(),
              "Write position reference in a single write operation.");
    EXPECT_EQ(drive.WriteRefPos->GetRepeatTime(), FSetup->RepeatTime());
    EXPECT_EQ(TkxMBTransaction::ReasonsToText(drive.WriteRefPos->TerminateIf), "10000000000");
    EXPECT_FALSE(drive.WriteRefPos->IsEnabled());
    ASSERT_NE(drive.WriteRefPos->WriteBlocks(), nullptr);
    EXPECT_EQ(drive.WriteRefPos->WriteBlocks()->Next(), nullptr) << "one request";
    EXPECT_TRUE(drive.WriteRefPos->WriteBlocks()->Contains(
        drive.ParPosPktTarget->Register()->Definition()->Address()));
}

INSTANTIATE_TEST_SUITE_P(Shipped, TkxDeviceQXDRVFiles,
                         ::testing::Values(ShippedFile{"qx440v30x.par", "QX440-2v305", false},
                                           ShippedFile{"qx440v32x.par", "QX440-2v321", true},
                                           ShippedFile{"qx460v3xx.par", "QX460v300", false},
                                           ShippedFile{"qx460v4xx.par", "QX460v400", true},
                                           ShippedFile{"qx470v3xx.par", "QX470-ABv301-CD", false},
                                           ShippedFile{"qx470v4xx.par", "QX470-ABv400-CD", true}),
                         [](const auto& file) {
                             std::string name = file.param.Name;
                             return name.substr(0, name.find('.'));
                         });

} // namespace
