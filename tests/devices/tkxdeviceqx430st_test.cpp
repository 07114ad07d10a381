#include "devices/tkxdeviceqx430stcls.h"

#include "devices/tkxdevicelinefixture.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "params/tkxparencodedcls.h"
#include "params/tkxparfrac16cls.h"
#include "registers/tkxregblockcls.h"
#include "registers/tkxregistercls.h"
#include "support/tkxmemoryslave.h"

#include <gmock/gmock.h>

#include <atomic>

namespace {

using ::testing::IsEmpty;

constexpr const char* StandVersion = "QXP610_QX430v100-ST";

// Counts the good reads of the calibration state through the model's hook.
class TkxCountingStand : public TkxDeviceQX430ST {
public:
    using TkxDeviceQX430ST::TkxDeviceQX430ST;
    void DoOnCalibState() override { ++HookRuns; }
    int HookRuns = 0;
};

class TkxDeviceQX430STTest : public TkxDeviceLineFixture {
protected:
    void SetUp() override {
        Script->SetResponder([this](const auto& query) { return FSlave.Answer(query); });
        LoadDefinitions();
        TkxDeviceLineFixture::SetUp();
    }
    virtual void LoadDefinitions() { UseDefinitionFile("model_qx430st.par"); }

    TkxMemorySlave FSlave;
};

TEST_F(TkxDeviceQX430STTest, ParametersAreMadeOnTheirRegistersWithoutEntries) {
    TkxDeviceQX430ST& stand = Identify<TkxDeviceQX430ST>(StandVersion);
    EXPECT_THAT(TkxDeviceQX430ST::ClassProperties().Own(), IsEmpty());
    const std::pair<const TkxParValue*, const char*> made[] = {
        {stand.ParMBSaveCmd, "MBSaveCmd"},
        {stand.ParExtCmd, "ExtCmd"},
        {stand.ParSlaveAddr, "SlaveAddr"},
        {stand.ParBaudRate, "BaudRate"},
        {stand.ParSpeedSetupTAcc, "SpeedSetup.T_Acc"},
        {stand.ParPidP, "PidParams0_PCoef"},
        {stand.ParPidI, "PidParams0_ICoef"},
        {stand.ParPidD, "PidParams0_DCoef"},
        {stand.ParPidIDiv, "PidParams0_IDiv"},
        {stand.ParPidDDiv, "PidParams0_DDiv"},
        {stand.ParAllinState, "AllinState"},
        {stand.ParPosCalDelta0, "PosCalDelta[AnCh12b0]"},
        {stand.ParPosCalDelta2, "PosCalDelta[AnCh12b2]"},
        {stand.ParDevStateSum, "DevStateSum"},
        {stand.ParDevStateTAV, "DevState[TAV]"},
        {stand.ParDevStateKBRD, "DevState[KBRD]"},
        {stand.ParDevAlarmKBRD, "DevAlarm[KBRD]"},
        {stand.ParDevAlarmGEN, "DevAlarm[GEN]"},
        {stand.ParDevAlarmSTA, "DevAlarm[STA]"},
        {stand.ParCalibStateDevice, "CalibStateDevice"},
        {stand.ParCalibResponseCode, "CalibResponseCode"},
        {stand.ParSalaSetup, "SalaSetup"},
        {stand.ParSalaSetupHoriz, "SalaSetupHoriz"},
        {stand.ParSalaSetupRight, "SalaSetupRight"},
        {stand.ParSalaSetupLeft, "SalaSetupLeft"},
        {stand.ParSelInputMode, "SelInputMode"},
        {stand.ParSelLatoAct, "SelLatoAct"},
        {stand.ParSelRangeAct, "SelRangeAct"},
        {stand.ParPrjDirAct, "PrjDirAct"},
        {stand.ParSelDevAct, "SelDevAct"},
    };
    for (const auto& [parameter, name] : made) {
        ASSERT_NE(parameter, nullptr) << name;
        EXPECT_EQ(parameter->Register(), stand.RegisterByName(name)) << name;
    }
    EXPECT_EQ(stand.ParPidI->ExpRegister(), stand.RegisterByName("PidParams0_IScale"));
    EXPECT_EQ(stand.ParBaudRate->GetValueString(), "19200bps") << "made parameters take defaults";
    EXPECT_EQ(stand.SetupState(), TkxDeviceQXSlave::SetupNotLoaded) << "a default is no edit";
}

TEST_F(TkxDeviceQX430STTest, CalibrationTransactionsStartDisabled) {
    TkxDeviceQX430ST& stand = Identify<TkxDeviceQX430ST>(StandVersion);
    ASSERT_NE(stand.CalibCmd, nullptr);
    EXPECT_EQ(stand.CalibCmd->GetTransaName(), "CalibCmd");
    EXPECT_EQ(stand.CalibCmd->GetComment(), "Calibration command.");
    EXPECT_EQ(stand.CalibCmd->WriteBlocks()->ToText(), "300");
    EXPECT_EQ(stand.CalibCmd->ReadBlocks(), nullptr);
    EXPECT_EQ(stand.CalibCmd->GetRepeatTime(), FSetup->RepeatTime());
    EXPECT_EQ(TkxMBTransaction::ReasonsToText(stand.CalibCmd->TerminateIf), "10000000000");
    EXPECT_FALSE(stand.CalibCmd->IsEnabled());
    EXPECT_EQ(stand.CalibCmd->GetKind(), 1);

    ASSERT_NE(stand.CalibState, nullptr);
    EXPECT_EQ(stand.CalibState->GetTransaName(), "CalibState");
    EXPECT_EQ(stand.CalibState->GetComment(), "Calibration state polling.");
    EXPECT_EQ(stand.CalibState->ReadBlocks()->ToText(), "310/311");
    EXPECT_EQ(stand.CalibState->WriteBlocks(), nullptr);
    EXPECT_EQ(stand.CalibState->GetRepeatTime(), 5);
    EXPECT_EQ(TkxMBTransaction::ReasonsToText(stand.CalibState->TerminateIf), "00000000000");
    EXPECT_FALSE(stand.CalibState->IsEnabled());
}

TEST_F(TkxDeviceQX430STTest, StatePollingReportsEveryGoodReadUntilDisabled) {
    FSlave.SetWord(311, 17);
    auto& stand = ReadyDevice<TkxCountingStand>(StandVersion);
    std::atomic<int> events = 0;
    stand.OnCalibState = [&](TkxMBTransaction* sender) {
        EXPECT_EQ(sender, stand.CalibState);
        EXPECT_EQ(events, stand.HookRuns - 1) << "the hook runs first";
        ++events;
    };
    stand.CalibState->SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return events >= 2; })) << "a poll keeps running";
    EXPECT_TRUE(stand.CalibState->IsEnabled());
    EXPECT_EQ(TkxDeviceQX430ST::CalibMessage(
                  static_cast<int>(stand.ParCalibResponseCode->GetValueDouble())),
              "Tabel end");
    stand.CalibState->SetEnabled(false);
    ASSERT_TRUE(PumpUntil([&] { return !stand.CalibState->IsPending(); }));
    const int seen = events;
    const int polls = QueriesFor(3, 310);
    // The actual state is read on every pass: ten more of them without a poll.
    const int passes = QueriesFor(3, 100);
    ASSERT_TRUE(PumpUntil([&] { return QueriesFor(3, 100) >= passes + 10; }));
    EXPECT_EQ(QueriesFor(3, 310), polls);
    EXPECT_EQ(events, seen);
}

TEST_F(TkxDeviceQX430STTest, ACalibrationCommandIsWrittenOncePerEnabling) {
    auto& stand = ReadyDevice<TkxDeviceQX430ST>(StandVersion);
    stand.ParExtCmd->SetValueDouble(4.0);
    stand.CalibCmd->SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return FSlave.WritesTo(300) == 1; }));
    ASSERT_TRUE(
        PumpUntil([&] { return !stand.CalibCmd->IsEnabled() && !stand.CalibCmd->IsPending(); }));
    EXPECT_EQ(FSlave.Word(300), 4);
    EXPECT_EQ(FSlave.WritesTo(300), 1);
}

TEST_F(TkxDeviceQX430STTest, CalibrationMessagesByResponseCode) {
    EXPECT_EQ(TkxDeviceQX430ST::CalibMessage(0),
              "- click a button above to select a calibration option -");
    EXPECT_EQ(TkxDeviceQX430ST::CalibMessage(5), "Error: movements,cables,potentiometer fault");
    EXPECT_EQ(TkxDeviceQX430ST::CalibMessage(10), "Move up of %dmm, and confirm");
    EXPECT_EQ(TkxDeviceQX430ST::CalibMessage(13), "DFF=%4dmm");
    EXPECT_EQ(TkxDeviceQX430ST::CalibMessage(16), "Table begin");
    EXPECT_EQ(TkxDeviceQX430ST::CalibMessage(17), "Tabel end");
    EXPECT_EQ(TkxDeviceQX430ST::CalibMessage(21), "DFF=%4dmm");
    EXPECT_EQ(TkxDeviceQX430ST::CalibMessage(22), "Accessory without alignment.");
    EXPECT_EQ(TkxDeviceQX430ST::CalibMessage(23), "") << "a code beyond the table";
    EXPECT_EQ(TkxDeviceQX430ST::CalibMessage(-1), "");
}

// A file with none of the calibration registers or groups.
class TkxDeviceQX430STBareTest : public TkxDeviceQX430STTest {
protected:
    void LoadDefinitions() override {
        UseDefinitions("[Categories]\nRamSetup=200\n[200]\nName=SlaveAddr\nDfltValue=3\n");
    }
};

TEST_F(TkxDeviceQX430STBareTest, ConstructsWithWhatTheFileHasAndPollsNothing) {
    auto& stand = ReadyDevice<TkxCountingStand>(StandVersion);
    ASSERT_NE(stand.ParSlaveAddr, nullptr);
    EXPECT_EQ(stand.ParSlaveAddr->GetValueDouble(), 3.0);
    EXPECT_EQ(stand.ParPidP, nullptr);
    EXPECT_EQ(stand.ParCalibResponseCode, nullptr);
    EXPECT_EQ(stand.CalibState->ReadBlocks(), nullptr);
    stand.CalibState->SetEnabled(true);
    stand.CalibCmd->SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return stand.SetupState() == TkxDeviceQXSlave::SetupLoaded; }));
    EXPECT_EQ(QueriesFor(3, 310), 0);
}

} // namespace
