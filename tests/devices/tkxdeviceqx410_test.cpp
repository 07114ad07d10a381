#include "devices/tkxdeviceqx410cls.h"

#include "devices/tkxdevicelinefixture.h"
#include "params/tkxparbitfieldcls.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparencodedcls.h"
#include "params/tkxparfrac16cls.h"
#include "registers/tkxregistercls.h"
#include "support/tkxmemoryslave.h"

#include <gmock/gmock.h>

namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr const char* InverterVersion = "QX410v100";
constexpr std::uint16_t HardwareTypeAddress = 217;

class TkxDeviceQX410Test : public TkxDeviceLineFixture {
protected:
    void SetUp() override {
        Script->SetResponder([this](const auto& query) { return FSlave.Answer(query); });
        LoadDefinitions();
        TkxDeviceLineFixture::SetUp();
    }
    virtual void LoadDefinitions() { UseDefinitionFile("model_qx410.par"); }

    // An inverter on the running line whose setup, with the given hardware type, has been
    // read once.
    TkxDeviceQX410& LoadedInverter(std::uint16_t hardwareType) {
        FSlave.SetWord(HardwareTypeAddress, hardwareType);
        TkxDeviceQX410& inverter = ReadyDevice<TkxDeviceQX410>(InverterVersion);
        EXPECT_TRUE(
            PumpUntil([&] { return inverter.SetupState() == TkxDeviceQXSlave::SetupLoaded; }));
        return inverter;
    }

    TkxMemorySlave FSlave;
};

TEST_F(TkxDeviceQX410Test, ParametersAreMadeOnTheirRegistersWithoutEntries) {
    TkxDeviceQX410& inverter = Identify<TkxDeviceQX410>(InverterVersion);
    EXPECT_THAT(TkxDeviceQX410::ClassProperties().Own(), IsEmpty());
    const std::pair<const TkxParValue*, const char*> made[] = {
        {inverter.ParMainsVoltage, "MainsVoltage"},
        {inverter.ParMotorINom, "MotorINom"},
        {inverter.ParMotorIMax, "MotorIMax"},
        {inverter.ParMotorTMax, "MotorTMax"},
        {inverter.ParVoltStart, "VoltStart"},
        {inverter.ParVoltBoost, "VoltBoost"},
        {inverter.ParVoltBase, "VoltBase"},
        {inverter.ParOmegaBoost, "OmegaBoost"},
        {inverter.ParOmegaBase, "OmegaBase"},
        {inverter.ParOmegaMinMotor, "OmegaMinMotor"},
        {inverter.ParOmegaMaxMotor, "OmegaMaxMotor"},
        {inverter.ParOmegaRef, "OmegaRef"},
        {inverter.ParAccel, "Accel"},
        {inverter.ParDecel, "Decel"},
        {inverter.ParPwmFreq, "PwmFreq"},
        {inverter.ParComTimer, "ComTimer"},
        {inverter.ParPrevFaultState, "PrevFaultState"},
        {inverter.ParActFaultState, "ActFaultState"},
        {inverter.ParApplicationMode, "ApplicationMode"},
        {inverter.ParHWLimitVolt, "HWLimitVolt"},
        {inverter.ParU_dc_busV, "u_dc_busV"},
        {inverter.ParOmegaAct, "OmegaAct"},
        {inverter.ParVoltAct, "VoltAct"},
        {inverter.ParI_phase_filt, "i_phase_filt"},
        {inverter.ParARef1, "ARef1"},
    };
    for (const auto& [parameter, name] : made) {
        ASSERT_NE(parameter, nullptr) << name;
        EXPECT_EQ(parameter->Register(), inverter.RegisterByName(name)) << name;
    }
    for (const auto& [bits, name] :
         {std::pair{&inverter.UserOption, "UserOption"}, std::pair{&inverter.Input, "Input"},
          std::pair{&inverter.VirtualInput, "VirtualInput"}}) {
        ASSERT_EQ(bits->size(), 16U) << name;
        for (std::size_t bit = 0; bit < bits->size(); ++bit) {
            EXPECT_EQ((*bits)[bit]->Bit(), bit) << name;
            EXPECT_EQ((*bits)[bit]->Register(), inverter.RegisterByName(name)) << name;
        }
    }
    for (std::size_t i = 0; i < inverter.HardwareType.size(); ++i) {
        ASSERT_NE(inverter.HardwareType[i], nullptr);
        EXPECT_EQ(inverter.HardwareType[i]->Mask(), TkxDeviceQX410::HardwareTypeMasks[i]);
    }
    EXPECT_EQ(inverter.ParU_dc_busV->ExpRegister(), nullptr);
    EXPECT_TRUE(inverter.UserOption[1]->GetBool()) << "made parameters take defaults";
    EXPECT_FALSE(inverter.UserOption[2]->GetBool());
    EXPECT_EQ(inverter.ParPwmFreq->GetValueString(), "8kHz");
    EXPECT_EQ(inverter.SetupState(), TkxDeviceQXSlave::SetupNotLoaded) << "a default is no edit";
}

TEST_F(TkxDeviceQX410Test, VoltagesAndCurrentsFollowTheirLinksAtTheMomentOfTheCheck) {
    TkxDeviceQX410& inverter = Identify<TkxDeviceQX410>(InverterVersion);
    EXPECT_THAT(inverter.ParMainsVoltage->SetValueString("450"), HasSubstr("at most 400"));
    ASSERT_EQ(inverter.ParHWLimitVolt->SetValueString("480"), "");
    EXPECT_EQ(inverter.ParMainsVoltage->SetValueString("450"), "");

    EXPECT_THAT(inverter.ParMotorINom->SetValueString("9"), HasSubstr("at most 8"));
    EXPECT_THAT(inverter.ParMotorIMax->SetValueString("3"), HasSubstr("at least 4"));
    ASSERT_EQ(inverter.ParMotorIMax->SetValueString("10"), "");
    EXPECT_EQ(inverter.ParMotorINom->SetValueString("9"), "");

    EXPECT_THAT(inverter.ParVoltStart->SetValueString("41"), HasSubstr("at most 40"));
    EXPECT_THAT(inverter.ParVoltBoost->SetValueString("9"), HasSubstr("at least 10"));
    EXPECT_THAT(inverter.ParVoltBoost->SetValueString("231"), HasSubstr("at most 230"));
    EXPECT_THAT(inverter.ParVoltBase->SetValueString("39"), HasSubstr("at least 40"));
    ASSERT_EQ(inverter.ParVoltBoost->SetValueString("100"), "");
    EXPECT_EQ(inverter.ParVoltStart->SetValueString("100"), "") << "equal is allowed";
}

TEST_F(TkxDeviceQX410Test, FrequenciesFollowTheirLinks) {
    TkxDeviceQX410& inverter = Identify<TkxDeviceQX410>(InverterVersion);
    EXPECT_THAT(inverter.ParOmegaBoost->SetValueString("50.1"), HasSubstr("at most 50"));
    EXPECT_THAT(inverter.ParOmegaBase->SetValueString("4.9"), HasSubstr("at least 5"));

    EXPECT_THAT(inverter.ParOmegaRef->SetValueString("60.5"), HasSubstr("at most 60"));
    EXPECT_THAT(inverter.ParOmegaRef->SetValueString("4.5"), HasSubstr("at least 5"));
    EXPECT_THAT(inverter.ParOmegaMinMotor->SetValueString("60.5"), HasSubstr("at most 60"));
    EXPECT_THAT(inverter.ParOmegaMaxMotor->SetValueString("4.5"), HasSubstr("at least 5"));
    ASSERT_EQ(inverter.ParOmegaMaxMotor->SetValueString("80"), "");
    EXPECT_EQ(inverter.ParOmegaRef->SetValueString("75"), "");
    EXPECT_EQ(inverter.ParOmegaMinMotor->SetValueString("70"), "");
}

TEST_F(TkxDeviceQX410Test, TheHardwareTypeReadWithTheSetupSetsTheRanges) {
    TkxDeviceQX410& inverter = LoadedInverter(0x0113);
    EXPECT_EQ(inverter.HardwareType[0]->GetField(), 3);
    EXPECT_EQ(inverter.ParMotorIMax->Register()->MaxBound()->Value(), 25.0);
    EXPECT_EQ(inverter.ParMotorIMax->SetValueString("25"), "");
    EXPECT_THAT(inverter.ParMotorIMax->SetValueString("25.1"), HasSubstr("at most 25"));
    EXPECT_EQ(inverter.ParOmegaMaxMotor->Register()->MinBound()->Value(), 400.0);

    FSlave.SetWord(HardwareTypeAddress, 0x0000);
    inverter.ReloadSetup();
    ASSERT_TRUE(
        PumpUntil([&] { return inverter.ParMotorIMax->Register()->MaxBound()->Value() == 12.0; }));
    EXPECT_THAT(inverter.ParMotorIMax->SetValueString("12.1"), HasSubstr("at most 12"));
    EXPECT_EQ(inverter.ParOmegaMaxMotor->Register()->MinBound()->Value(), 128.0);
}

TEST_F(TkxDeviceQX410Test, HardwareCodesBeyondTheKnownOnesKeepTheBounds) {
    TkxDeviceQX410& inverter = LoadedInverter(0x0220);
    EXPECT_EQ(inverter.ParMotorIMax->Register()->MaxBound()->Value(), 30.0) << "the file's limit";
    EXPECT_EQ(inverter.ParOmegaMaxMotor->Register()->MinBound()->Value(), 0.0);
    EXPECT_EQ(inverter.ParMotorIMax->SetValueString("30"), "");
}

// A file with two of the inverter's registers and no hardware type.
class TkxDeviceQX410PartialTest : public TkxDeviceQX410Test {
protected:
    void LoadDefinitions() override {
        UseDefinitions("[Categories]\nRamSetup=200/201\n"
                       "[200]\nName=MainsVoltage\nMinValue=0\nMaxValue=500\nDfltValue=230\n"
                       "[201]\nName=MotorIMax\nMinValue=0\nMaxValue=30\nDfltValue=8\n");
    }
};

TEST_F(TkxDeviceQX410PartialTest, ConstructsWithoutTheParametersAndLinksItCannotMake) {
    TkxDeviceQX410& inverter = ReadyDevice<TkxDeviceQX410>(InverterVersion);
    ASSERT_TRUE(PumpUntil([&] { return inverter.SetupState() == TkxDeviceQXSlave::SetupLoaded; }));
    EXPECT_EQ(inverter.ParHWLimitVolt, nullptr);
    EXPECT_EQ(inverter.HardwareType[1], nullptr);
    EXPECT_THAT(inverter.UserOption, IsEmpty());
    EXPECT_EQ(inverter.ParMainsVoltage->SetValueString("500"), "");
    EXPECT_EQ(inverter.ParMotorIMax->SetValueString("30"), "") << "no link, no hardware type";
    EXPECT_EQ(inverter.ParMotorIMax->Register()->MinBound()->Reference(), nullptr);
}

} // namespace
