#include "devices/tkxdevicevelmolcdcls.h"

#include "devices/tkxdevicemodelfixture.h"
#include "devices/tkxdevicevelmoboilercls.h"
#include "devices/tkxdevicevelmociecocls.h"
#include "modbus/tkxmbthreadthr.h"
#include "params/tkxparbitfieldcls.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparlongcls.h"
#include "registers/tkxregblockcls.h"

#include <gmock/gmock.h>

#include <set>

namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

class TkxDeviceVelmoLcdTest : public TkxDeviceModelFixture {
protected:
    TkxDeviceVelmoLcdTest()
        : TkxDeviceModelFixture("model_velmolcd.par") {}

    static constexpr const char* Version = "DeviceVelmoLcd";

    // The panel and every unit it owns, panel first.
    static std::vector<TkxDeviceSlave*> PlantOf(TkxDeviceVelmoLcd& panel) {
        std::vector<TkxDeviceSlave*> plant{&panel};
        plant.insert(plant.end(), panel.Slave.begin(), panel.Slave.end());
        plant.push_back(panel.Boiler);
        return plant;
    }
};

TEST_F(TkxDeviceVelmoLcdTest, BindsThePanelAndMarksTheMeasurementsReadOnly) {
    TkxDeviceVelmoLcd& panel = Identify<TkxDeviceVelmoLcd>(Version);
    EXPECT_THAT(UnboundProperties(panel, TkxDeviceVelmoLcd::ClassProperties()), IsEmpty());
    EXPECT_EQ(panel.CfgPlantMode->GetValueString(), "Cooling");
    EXPECT_FALSE(panel.IsMono);
    for (const TkxParValue* measured : std::initializer_list<const TkxParValue*>{
             panel.ParH2OInTemp, panel.ParH2OOutTemp, panel.ParSeaWaterTemp, panel.ParAmbientTemp,
             panel.ParFluxH2ODolce, panel.ParAnalogIn1, panel.ParAnalogIn2, panel.ParPlantHours,
             panel.HwFlowSwitch, panel.HwRemoteOnOff, panel.HwAlarmIn}) {
        EXPECT_TRUE(measured->ReadOnly()) << measured->GetDescription();
    }
    EXPECT_FALSE(panel.ParCoolingSetPoint->ReadOnly());
    EXPECT_FALSE(panel.ParMinFluxH2ODolce->ReadOnly());
}

TEST_F(TkxDeviceVelmoLcdTest, StandardTransactionsServeThePanelAndStartDisabled) {
    TkxDeviceVelmoLcd& panel = Identify<TkxDeviceVelmoLcd>(Version);
    EXPECT_EQ(panel.ReadState->ReadBlocks()->ToText(), "100/110");
    EXPECT_EQ(panel.ReadState->GetRepeatTime(), 10);
    EXPECT_EQ(panel.ReadAlarm->ReadBlocks()->ToText(), "120/121");
    EXPECT_EQ(panel.ReadAlarm->GetRepeatTime(), 10);
    EXPECT_EQ(panel.ReadSetup->ReadBlocks()->ToText(), "200/208");
    EXPECT_EQ(panel.ReadSetup->GetRepeatTime(), 20);
    EXPECT_EQ(panel.SendSetup->WriteBlocks()->ToText(), "200/208");
    EXPECT_EQ(panel.ReadSetup->GetTransaName(), "ReadRamSetup") << "retargeted, not renamed";
    for (const TkxMBChainedTransa* transaction :
         {panel.ReadState, panel.ReadAlarm, panel.ReadSetup, panel.SendSetup, panel.SaveEEProm}) {
        EXPECT_FALSE(transaction->IsEnabled()) << transaction->GetTransaName();
    }
}

TEST_F(TkxDeviceVelmoLcdTest, SetPointsStayWithinTheirLimits) {
    TkxDeviceVelmoLcd& panel = Identify<TkxDeviceVelmoLcd>(Version);
    // Cooling 12 within 7..18, heating 45 within 30..55.
    EXPECT_THAT(panel.ParCoolingSetPoint->SetValueString("18.1"), HasSubstr("at most 18"));
    EXPECT_THAT(panel.ParCoolingSetPoint->SetValueString("6.9"), HasSubstr("at least 7"));
    EXPECT_THAT(panel.ParCoolingLowLimit->SetValueString("18.5"), HasSubstr("at most 18"));
    EXPECT_THAT(panel.ParCoolingHighLimit->SetValueString("6.5"), HasSubstr("at least 7"));
    EXPECT_EQ(panel.ParCoolingHighLimit->SetValueString("25"), "");
    EXPECT_EQ(panel.ParCoolingSetPoint->SetValueString("24.5"), "");
    EXPECT_THAT(panel.ParHeatingSetPoint->SetValueString("56"), HasSubstr("at most 55"));
    EXPECT_THAT(panel.ParHeatingSetPoint->SetValueString("29"), HasSubstr("at least 30"));
    EXPECT_THAT(panel.ParHeatingHighLimit->SetValueString("29"), HasSubstr("at least 30"));
    EXPECT_THAT(panel.ParHeatingLowLimit->SetValueString("81"), HasSubstr("at most 55"));
}

TEST_F(TkxDeviceVelmoLcdTest, MakesAndOwnsEightUnitsAndABoilerOnItsOwnSetup) {
    TkxDeviceVelmoLcd& panel = Identify<TkxDeviceVelmoLcd>(Version);
    const std::vector<TkxDeviceSlave*> plant = PlantOf(panel);
    EXPECT_EQ(std::set<TkxDeviceSlave*>(plant.begin(), plant.end()).size(), 10U);
    for (TkxDeviceSlave* device : plant) {
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(&device->GetSetup(), FSetup);
        EXPECT_EQ(device->Defs(), &FDefs);
        EXPECT_EQ(device->GetVersion().GetText(), panel.GetVersion().GetText());
    }
    EXPECT_EQ(FSetup->Device(), &panel) << "the setup holds the panel only";
    EXPECT_EQ(panel.Slave[7]->ReadState->ReadBlocks()->ToText(), "300/313");
    EXPECT_EQ(panel.Boiler->ReadState->ReadBlocks()->ToText(), "400/410");
}

TEST_F(TkxDeviceVelmoLcdTest, AttachingThePanelAttachesItsNineUnitsAndDetachingLeavesNone) {
    TkxDeviceVelmoLcd& panel = ReadyDevice<TkxDeviceVelmoLcd>(Version);
    TkxMBThread* thread = FSetup->GetConnectionThread();
    for (TkxDeviceSlave* device : PlantOf(panel)) {
        EXPECT_EQ(device->GetThread(), thread);
        EXPECT_TRUE(thread->Devices().Contains(device));
    }
    EXPECT_EQ(thread->Devices().Count(), 10U);

    panel.SetThread(nullptr);
    for (TkxDeviceSlave* device : PlantOf(panel)) {
        EXPECT_EQ(device->GetThread(), nullptr);
    }
    EXPECT_EQ(thread->Devices().Count(), 0U);
}

TEST_F(TkxDeviceVelmoLcdTest, ASetupReadKeepsTheFlowDefaultAndPanelEditsCountAsEdits) {
    FSlave.SetWord(206, 40);
    FSlave.SetWord(200, 100);
    FSlave.SetWord(201, 70);
    FSlave.SetWord(202, 180);
    TkxDeviceVelmoLcd& panel = ReadyDevice<TkxDeviceVelmoLcd>(Version);
    EXPECT_EQ(panel.MinFluxH2ODolceDflt, 2.5);
    panel.ReloadSetup();
    ASSERT_TRUE(PumpUntil([&] { return panel.SetupState() == TkxDeviceQXSlave::SetupLoaded; }));
    EXPECT_EQ(panel.ParMinFluxH2ODolce->GetValueDouble(), 4.0);
    EXPECT_EQ(panel.MinFluxH2ODolceDflt, 2.5);

    panel.ParCoolingSetPoint->SetValueDouble(11.0);
    EXPECT_EQ(panel.SetupState(), TkxDeviceQXSlave::SetupEdited);
    panel.SendToDrive();
    ASSERT_TRUE(PumpUntil([&] { return !panel.SendSetup->IsEnabled(); }));
    EXPECT_EQ(FSlave.Word(200), 110);
}

TEST_F(TkxDeviceVelmoLcdTest, DestroyingAPanelWhoseUnitsPollLeavesNothingBehind) {
    TkxDeviceVelmoLcd& panel = ReadyDevice<TkxDeviceVelmoLcd>(Version);
    TkxMBThread* thread = FSetup->GetConnectionThread();
    int unitReads = 0;
    for (TkxDeviceVelmoCieco* unit : panel.Slave) {
        unit->OnActState = [&](TkxMBTransaction*) { ++unitReads; };
        unit->ReadState->SetEnabled(true);
    }
    panel.Boiler->ReadState->SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return unitReads >= 8; }));
    FSetup->SetDevice(nullptr);
    EXPECT_EQ(FSetup->Device(), nullptr);
    EXPECT_EQ(thread->Devices().Count(), 0U);
    const int before = unitReads;
    Dispatcher.ProcessMessages();
    EXPECT_EQ(unitReads, before) << "no result of a unit arrives after it is gone";
}

TEST_F(TkxDeviceVelmoLcdTest, AFileLackingTheLimitsAndTheFlowConstructs) {
    UseDefinitionFileWithout(
        {"ParCoolingLowLimit", "ParHeatingHighLimit", "ParMinFluxH2ODolce", "ParAnalogIn1"});
    TkxDeviceVelmoLcd& panel = Identify<TkxDeviceVelmoLcd>(Version);
    EXPECT_EQ(panel.MinFluxH2ODolceDflt, 0.0);
    EXPECT_EQ(panel.ParCoolingSetPoint->SetValueString("1"), "");
    EXPECT_THAT(panel.ParCoolingSetPoint->SetValueString("19"), HasSubstr("at most 18"));
    EXPECT_EQ(panel.ParHeatingSetPoint->SetValueString("99"), "");
    EXPECT_EQ(panel.Slave[0]->ParSlaveAnalogIn1 != nullptr, true) << "the units' own entries";
}

} // namespace
