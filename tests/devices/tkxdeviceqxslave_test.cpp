#include "devices/tkxdeviceqxslavecls.h"

#include "devices/tkxdevicelinefixture.h"
#include "devices/tkxdeviceqxdrivecls.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparencodedcls.h"
#include "registers/tkxregistercls.h"
#include "registers/tkxtextresourcecls.h"
#include "support/tkxmemoryslave.h"

#include <gmock/gmock.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class TkxDeviceQXSlaveTest : public TkxDeviceLineFixture {
protected:
    void SetUp() override {
        Script->SetResponder([this](const auto& query) { return FSlave.Answer(query); });
        LoadDefinitions();
        TkxDeviceLineFixture::SetUp();
    }
    virtual void LoadDefinitions() { UseDefinitionFile("drive_base.par"); }

    // A drive on the running line whose setup has been read once.
    TkxDeviceQXDrive& LoadedDrive() {
        TkxDeviceQXDrive& drive = ReadyDevice<TkxDeviceQXDrive>();
        EXPECT_TRUE(PumpUntil([&] { return drive.SetupState() == TkxDeviceQXSlave::SetupLoaded; }));
        return drive;
    }
    // A loaded drive whose accel (202) the drive holds as 42; FReads counts its later reads.
    TkxDeviceQXDrive& DriveCountingReads() {
        FSlave.SetWord(202, 42);
        TkxDeviceQXDrive& drive = LoadedDrive();
        drive.OnSetupRead = [this](TkxMBTransaction*) { ++FReads; };
        return drive;
    }
    // Waits until a send or save transaction has ended its one run.
    bool Finished(const TkxMBChainedTransa* transaction) {
        return PumpUntil([&] { return !transaction->IsEnabled() && !transaction->IsPending(); });
    }

    // The next read of address waits on the line, before the slave answers it, until the test
    // opens the gate: what the test does meanwhile comes before the reply.
    void HoldNextRead(std::uint16_t address) {
        {
            const std::lock_guard lock(FGateMutex);
            FHeldAddress = address;
            FHeld = false;
            FGateOpen = false;
        }
        Script->SetResponder([this](const auto& query) {
            PassGate(query);
            return FailAt(query) ? Fault(TkxMBResult::IllegalAddress) : FSlave.Answer(query);
        });
    }
    bool WaitUntilHeld() {
        std::unique_lock lock(FGateMutex);
        return FGateChanged.wait_for(lock, std::chrono::seconds(10), [this] { return FHeld; });
    }
    void OpenGate() {
        const std::lock_guard lock(FGateMutex);
        FGateOpen = true;
        FGateChanged.notify_all();
    }
    // Reads of address get an exception reply, until AnswerEveryRead.
    void FailReadsOf(int address) {
        const std::lock_guard lock(FGateMutex);
        FFailAddress = address;
    }
    void AnswerEveryRead() { FailReadsOf(-1); }
    // Waits, without serving the main queue, until the thread has run the transaction: its
    // reply is in the buffer, its result not handled yet.
    static bool RunButNotHandled(TkxMBTransaction* transaction) {
        return std::async(std::launch::async, [transaction] { return transaction->WaitFor(10000); })
            .get();
    }
    void TearDown() override {
        OpenGate();
        TkxDeviceLineFixture::TearDown();
    }

    TkxMemorySlave FSlave;
    int FReads = 0;

private:
    static bool IsReadOf(const std::vector<std::uint8_t>& query, int address) {
        return query.size() >= 4 && query[1] == 3 && (query[2] << 8 | query[3]) == address;
    }
    void PassGate(const std::vector<std::uint8_t>& query) {
        std::unique_lock lock(FGateMutex);
        if (FHeldAddress < 0 || !IsReadOf(query, FHeldAddress)) {
            return;
        }
        FHeldAddress = -1;
        FHeld = true;
        FGateChanged.notify_all();
        FGateChanged.wait_for(lock, std::chrono::seconds(10), [this] { return FGateOpen; });
    }
    bool FailAt(const std::vector<std::uint8_t>& query) {
        const std::lock_guard lock(FGateMutex);
        return FFailAddress >= 0 && IsReadOf(query, FFailAddress);
    }

    std::mutex FGateMutex;
    std::condition_variable FGateChanged;
    int FHeldAddress = -1;
    int FFailAddress = -1;
    bool FHeld = false;
    bool FGateOpen = false;
};

TEST_F(TkxDeviceQXSlaveTest, PropertiesBindByNameAndMalformedEntriesGiveNone) {
    TkxDeviceQXDrive& drive = Identify<TkxDeviceQXDrive>();
    EXPECT_EQ(drive.RegActFault1, drive.RegisterByName("ActFault1"));
    EXPECT_EQ(drive.RegPreFault1, drive.RegisterByName("PreFault1"));
    ASSERT_NE(drive.ParMotorAccel, nullptr);
    EXPECT_EQ(drive.ParMotorAccel->Register(), drive.RegisterByName("MotorAccel"));
    EXPECT_EQ(drive.ParEEModBusBaudrate->Register()->Definition()->Address(), 2248);
    ASSERT_NE(drive.CfgCmdFromBus, nullptr) << "quoted entries read as a list";
    EXPECT_EQ(drive.CfgCmdFromBus->Bit(), 8);
    EXPECT_EQ(drive.CfgRampStopMode->Mask(), 0x0CU);

    EXPECT_EQ(drive.ParEECanBusBaudrate, nullptr) << "three items for an encoded value";
    EXPECT_EQ(drive.ParEECanBusAddress, nullptr) << "missing register";
    EXPECT_EQ(drive.ParEEProfiBusAddress, nullptr) << "element the register lacks";
    EXPECT_EQ(drive.CfgNotUseRamp, nullptr) << "two items for a boolean field";
    EXPECT_EQ(drive.CfgRefSource, nullptr) << "four items";
    EXPECT_EQ(drive.CfgTempSense, nullptr) << "bit 16 of a 16-bit register";
    EXPECT_EQ(drive.ParMotorFmaxHz, nullptr) << "no entry";
    EXPECT_EQ(drive.FindParameter("ParMotorAccel"), drive.ParMotorAccel);
    EXPECT_EQ(drive.FindParameter("ParEEModBusAddress"), drive.ParEEModBusAddress);
    EXPECT_EQ(drive.FindParameter("RegActFault1"), nullptr) << "a register is no parameter";
}

TEST_F(TkxDeviceQXSlaveTest, ParametersStartAtTheirDefaultsWithoutCountingAsAnEdit) {
    TkxDeviceQXDrive& drive = Identify<TkxDeviceQXDrive>();
    EXPECT_EQ(drive.ParMotorAccel->GetValueDouble(), 10.0);
    EXPECT_EQ(drive.ParMotorIrA->GetValueString(), "5.0A");
    EXPECT_TRUE(drive.CfgUseRamp->GetBool());
    EXPECT_EQ(drive.SetupState(), TkxDeviceQXSlave::SetupNotLoaded);
    EXPECT_FALSE(drive.SaveAfterSend());
}

TEST_F(TkxDeviceQXSlaveTest, RatingsAndMeasuredValuesAreReadOnly) {
    TkxDeviceQXDrive& drive = Identify<TkxDeviceQXDrive>();
    EXPECT_TRUE(drive.ParHWLimitVolt->ReadOnly());
    EXPECT_TRUE(drive.ParCurrRangeMax->ReadOnly());
    EXPECT_TRUE(drive.ParPwmFreq->ReadOnly());
    EXPECT_TRUE(drive.ParU_Dc_BusV->ReadOnly());
    EXPECT_FALSE(drive.ParMotorAccel->ReadOnly());
    EXPECT_FALSE(drive.ParEEModBusAddress->ReadOnly());
}

TEST_F(TkxDeviceQXSlaveTest, ListingTakesTheRamRangeWhenTheEEPromOneIsMissing) {
    TkxDeviceQXDrive& drive = Identify<TkxDeviceQXDrive>();
    drive.ParEEModBusAddress->SetVisible(false);
    std::vector<std::string> lines;
    drive.ListProperties(lines);
    ASSERT_EQ(lines.size(), 4U);
    EXPECT_THAT(lines[0], HasSubstr("Modbus baud rate: 38400bps"));
    EXPECT_THAT(lines[1], HasSubstr("Hardware voltage limit: 400"));
    EXPECT_THAT(lines[2], HasSubstr("Current range: 20"));
    EXPECT_THAT(lines[3], HasSubstr("PWM frequency: 8kHz"));
}

TEST_F(TkxDeviceQXSlaveTest, StandardTransactionsAsTheDriveNeedsThem) {
    TkxDeviceQXSlave& device = Identify<TkxDeviceQXSlave>();
    struct Expected {
        TkxMBChainedTransa* Transaction;
        const char* Name;
        const char* Comment;
        int RepeatTime;
        bool Enabled;
    };
    for (const Expected& e : {
             Expected{device.ReadState, "ReadActState", "Periodic read of actual state.", 1, true},
             Expected{device.ReadAlarm, "ReadFaultState", "Periodic read of fault condition.", 10,
                      true},
             Expected{device.ReadSetup, "ReadRamSetup", "Load actual setup from device.", 20, true},
             Expected{device.SendSetup, "SendRamSetup", "Send new setup to device.",
                      FSetup->RepeatTime(), false},
             Expected{device.SaveEEProm, "SaveEEPromSetup", "Save setup to EEProm.",
                      FSetup->RepeatTime(), false},
         }) {
        ASSERT_NE(e.Transaction, nullptr) << e.Name;
        EXPECT_EQ(e.Transaction->GetTransaName(), e.Name);
        EXPECT_EQ(e.Transaction->GetComment(), e.Comment);
        EXPECT_EQ(e.Transaction->GetRepeatTime(), e.RepeatTime) << e.Name;
        EXPECT_EQ(e.Transaction->IsEnabled(), e.Enabled) << e.Name;
        EXPECT_EQ(e.Transaction->GetKind(), 1);
    }
    EXPECT_EQ(TkxMBTransaction::ReasonsToText(device.ReadState->TerminateIf), "00000000000");
    EXPECT_EQ(TkxMBTransaction::ReasonsToText(device.ReadSetup->TerminateIf), "01000000000");
    EXPECT_EQ(TkxMBTransaction::ReasonsToText(device.SendSetup->TerminateIf), "10000000000");
    EXPECT_EQ(device.ReadState->ReadBlocks()->ToText(), "100/104");
    EXPECT_EQ(device.SendSetup->WriteBlocks()->ToText(), "200/209");
    EXPECT_EQ(device.SaveEEProm->WriteBlocks()->ToText(), "2248/2257");
    EXPECT_EQ(device.SaveEEProm->GetBlockDelay(), 20);
    EXPECT_EQ(device.SendSetup->GetBlockDelay(), 0);
}

TEST_F(TkxDeviceQXSlaveTest, EditSendReloadSaveWalkTheSetupStates) {
    FSlave.SetWord(202, 42);
    TkxDeviceQXDrive& drive = LoadedDrive();
    EXPECT_EQ(drive.ParMotorAccel->GetValueDouble(), 42.0) << "the setup is read at once";
    int sent = 0;
    int saved = 0;
    drive.OnSetupSent = [&](TkxMBTransaction*) { ++sent; };
    drive.OnSetupSaved = [&](TkxMBTransaction*) { ++saved; };

    drive.ParMotorAccel->SetValueDouble(50.0);
    drive.ParMotorAccel->SetValueDouble(55.0);
    EXPECT_EQ(drive.SetupState(), TkxDeviceQXSlave::SetupEdited);
    drive.SendToDrive();
    ASSERT_TRUE(PumpUntil([&] { return sent == 1; }));
    EXPECT_EQ(drive.SetupState(), TkxDeviceQXSlave::SetupSentNotSaved);
    EXPECT_EQ(FSlave.Word(202), 55);
    EXPECT_EQ(FSlave.WritesTo(2250), 0) << "a send is no save";

    drive.ReloadSetup();
    ASSERT_TRUE(PumpUntil([&] { return !drive.ReadSetup->IsEnabled(); }));
    EXPECT_EQ(drive.SetupState(), TkxDeviceQXSlave::SetupSentNotSaved) << "RAM holds the edit";

    drive.SaveToDrive();
    ASSERT_TRUE(PumpUntil([&] { return saved == 1; }));
    EXPECT_EQ(drive.SetupState(), TkxDeviceQXSlave::SetupLoaded);
    EXPECT_EQ(FSlave.Word(2250), 55) << "the EEPROM copy of the setup";
    EXPECT_EQ(sent, 1) << "the send of a save is not reported as a send";
    EXPECT_FALSE(drive.SaveAfterSend());
}

TEST_F(TkxDeviceQXSlaveTest, AReadOverwritesAnEditThatWasNotSent) {
    TkxDeviceQXDrive& drive = LoadedDrive();
    drive.ParMotorAccel->SetValueDouble(60.0);
    ASSERT_EQ(drive.SetupState(), TkxDeviceQXSlave::SetupEdited);
    drive.ReloadSetup();
    ASSERT_TRUE(PumpUntil([&] { return drive.SetupState() == TkxDeviceQXSlave::SetupLoaded; }));
    EXPECT_EQ(drive.ParMotorAccel->GetValueDouble(), 0.0);
}

// An edit made while a setup read is on the line comes after what the read brings.
TEST_F(TkxDeviceQXSlaveTest, AnEditMadeWhileTheSetupIsReadSurvivesTheRead) {
    TkxDeviceQXDrive& drive = DriveCountingReads();
    int sent = 0;
    drive.OnSetupSent = [&](TkxMBTransaction*) { ++sent; };
    FSlave.SetWord(203, 9);

    HoldNextRead(200);
    drive.ReloadSetup();
    ASSERT_TRUE(WaitUntilHeld());
    drive.ParMotorAccel->SetValueDouble(60.0);
    drive.ParMotorAccel->SetValueDouble(61.0);
    OpenGate();
    ASSERT_TRUE(PumpUntil([&] { return FReads == 1; }));
    EXPECT_EQ(drive.ParMotorAccel->GetValueDouble(), 61.0) << "the last edit, not the drive's";
    EXPECT_EQ(drive.RegisterByName("MotorDecel")->GetValueInteger(0), 9) << "read from the drive";
    EXPECT_EQ(drive.SetupState(), TkxDeviceQXSlave::SetupEdited) << "a close still warns";

    drive.SendToDrive();
    ASSERT_TRUE(PumpUntil([&] { return sent == 1; }));
    EXPECT_EQ(FSlave.Word(202), 61);

    FSlave.SetWord(202, 43);
    drive.ReloadSetup();
    ASSERT_TRUE(PumpUntil([&] { return FReads == 2 && !drive.ReadSetup->IsPending(); }));
    EXPECT_EQ(drive.ParMotorAccel->GetValueDouble(), 43.0) << "kept for one read only";
    EXPECT_EQ(drive.SetupState(), TkxDeviceQXSlave::SetupSentNotSaved);
}

// The thread would run the send right after the read, with the values the read brought.
TEST_F(TkxDeviceQXSlaveTest, ASendOrSaveAskedForDuringTheReadCarriesTheEditsMadeDuringIt) {
    TkxDeviceQXDrive& drive = DriveCountingReads();
    int sent = 0;
    int saved = 0;
    drive.OnSetupSent = [&](TkxMBTransaction*) { ++sent; };
    drive.OnSetupSaved = [&](TkxMBTransaction*) { ++saved; };
    HoldNextRead(200);
    drive.ReloadSetup();
    ASSERT_TRUE(WaitUntilHeld());
    drive.ParMotorAccel->SetValueDouble(61.0);
    drive.SendToDrive();
    OpenGate();
    ASSERT_TRUE(PumpUntil([&] { return sent == 1; }));
    EXPECT_EQ(FReads, 1);
    EXPECT_EQ(FSlave.Word(202), 61) << "the edit, not what the read brought";
    EXPECT_EQ(drive.SetupState(), TkxDeviceQXSlave::SetupSentNotSaved);

    HoldNextRead(200);
    drive.ReloadSetup();
    ASSERT_TRUE(WaitUntilHeld());
    drive.ParMotorAccel->SetValueDouble(62.0);
    drive.SaveToDrive();
    OpenGate();
    ASSERT_TRUE(PumpUntil([&] { return saved == 1; }));
    EXPECT_EQ(FSlave.Word(202), 62);
    EXPECT_EQ(FSlave.Word(2250), 62) << "the EEPROM copy taken after the read";
    EXPECT_EQ(drive.SetupState(), TkxDeviceQXSlave::SetupLoaded);
    EXPECT_EQ(sent, 1);
}

TEST_F(TkxDeviceQXSlaveTest, AnEditMadeAfterTheReplyLandedKeepsTheSetupEdited) {
    TkxDeviceQXDrive& drive = DriveCountingReads();
    drive.ReloadSetup();
    ASSERT_TRUE(RunButNotHandled(drive.ReadSetup));
    ASSERT_EQ(FReads, 0);
    drive.ParMotorAccel->SetValueDouble(60.0);
    ASSERT_TRUE(PumpUntil([&] { return FReads == 1; }));
    EXPECT_EQ(drive.ParMotorAccel->GetValueDouble(), 60.0);
    EXPECT_EQ(drive.SetupState(), TkxDeviceQXSlave::SetupEdited);
}

TEST_F(TkxDeviceQXSlaveTest, AReloadAskedForAfterTheEditBringsTheDrivesValues) {
    TkxDeviceQXDrive& drive = DriveCountingReads();
    HoldNextRead(200);
    drive.ReloadSetup();
    ASSERT_TRUE(WaitUntilHeld());
    drive.ParMotorAccel->SetValueDouble(60.0);
    drive.ReloadSetup();
    OpenGate();
    ASSERT_TRUE(PumpUntil([&] { return FReads >= 1 && !drive.ReadSetup->IsEnabled(); }));
    EXPECT_EQ(drive.ParMotorAccel->GetValueDouble(), 42.0);
    EXPECT_EQ(drive.SetupState(), TkxDeviceQXSlave::SetupLoaded);
}

TEST_F(TkxDeviceQXSlaveTest, ASaveWritesNoEEPromAfterAFailedSend) {
    TkxDeviceQXDrive& drive = LoadedDrive();
    bool saved = false;
    drive.OnSetupSaved = [&](TkxMBTransaction*) { saved = true; };
    drive.ParMotorAccel->SetValueDouble(70.0);
    FSlave.RefuseWrites(204);
    drive.SaveToDrive();
    ASSERT_TRUE(Finished(drive.SendSetup));
    EXPECT_EQ(drive.SendSetup->GetLastError(), TkxMBResult::IllegalAddress);
    EXPECT_FALSE(drive.SaveEEProm->IsEnabled());
    EXPECT_EQ(FSlave.WritesTo(2250), 0);
    EXPECT_FALSE(saved);
    EXPECT_TRUE(drive.SaveAfterSend()) << "until the next send completes";
    EXPECT_EQ(drive.SetupState(), TkxDeviceQXSlave::SetupEdited);
}

TEST_F(TkxDeviceQXSlaveTest, AFailedEEPromWriteIsNeverReportedAsSaved) {
    TkxDeviceQXDrive& drive = LoadedDrive();
    bool saved = false;
    drive.OnSetupSaved = [&](TkxMBTransaction*) { saved = true; };
    drive.ParMotorAccel->SetValueDouble(70.0);
    FSlave.RefuseWrites(2249);
    drive.SaveToDrive();
    ASSERT_TRUE(PumpUntil([&] { return FSlave.WritesTo(2249) > 0; }));
    ASSERT_TRUE(Finished(drive.SaveEEProm));
    EXPECT_FALSE(saved);
    EXPECT_EQ(drive.SetupState(), TkxDeviceQXSlave::SetupSentNotSaved);
}

// The setup registers are their own EEPROM copies.
class TkxDeviceQXSlaveInPlaceTest : public TkxDeviceQXSlaveTest {
protected:
    void LoadDefinitions() override {
        UseDefinitions("[Categories]\nRamSetup=10/11\nEEPromSetup=10/11\n"
                       "[10]\nName=A\nDfltValue=3\n[11]\nName=B\nDfltValue=4\n");
    }
};

TEST_F(TkxDeviceQXSlaveInPlaceTest, SaveCopiesNothingAndStillSendsAndSaves) {
    TkxDeviceQXSlave& device = ReadyDevice<TkxDeviceQXSlave>();
    ASSERT_TRUE(PumpUntil([&] { return device.SetupState() == TkxDeviceQXSlave::SetupLoaded; }));
    bool saved = false;
    device.OnSetupSaved = [&](TkxMBTransaction*) { saved = true; };
    device.RegisterByName("A")->SetValueInteger(0, 7);
    device.SaveToDrive();
    ASSERT_TRUE(PumpUntil([&] { return saved; }));
    EXPECT_EQ(FSlave.Word(10), 7);
    EXPECT_EQ(FSlave.WritesTo(10), 2) << "sent, then saved from the same register";
}

// A setup read in two blocks, 10 to 14 and 15 to 19: a failed block does not stop the other.
class TkxDeviceQXSlaveBlockwiseTest : public TkxDeviceQXSlaveTest {
protected:
    void LoadDefinitions() override {
        std::string text = "[DataModel]\nMaxBufferSize=20\n[Categories]\nRamSetup=10/19\n";
        for (char name = 'A'; name <= 'J'; ++name) {
            text += "[" + std::to_string(10 + name - 'A') + "]\nName=" + name + "\n";
        }
        UseDefinitions(text);
    }
};

TEST_F(TkxDeviceQXSlaveBlockwiseTest, AnEditOutlivesAFailedReadAndItsRetry) {
    TkxDeviceQXSlave& device = ReadyDevice<TkxDeviceQXSlave>();
    ASSERT_TRUE(PumpUntil([&] { return device.SetupState() == TkxDeviceQXSlave::SetupLoaded; }));
    ASSERT_EQ(device.ReadSetup->ReadBlocks()->ToText(), "10/14,15/19");
    device.OnSetupRead = [this](TkxMBTransaction*) { ++FReads; };
    FSlave.SetWord(10, 1);
    FSlave.SetWord(11, 2);

    HoldNextRead(10);
    FailReadsOf(15);
    device.ReloadSetup();
    ASSERT_TRUE(WaitUntilHeld());
    device.RegisterByName("A")->SetValueInteger(0, 7);
    OpenGate();
    ASSERT_TRUE(PumpUntil([&] { return device.ReadSetup->GetErrorCount() > 0; }));
    EXPECT_EQ(device.RegisterByName("A")->GetValueInteger(0), 7) << "put back after the failure";
    EXPECT_EQ(device.RegisterByName("B")->GetValueInteger(0), 2);
    EXPECT_EQ(device.SetupState(), TkxDeviceQXSlave::SetupEdited);

    AnswerEveryRead();
    ASSERT_TRUE(PumpUntil([&] { return FReads == 1; })) << "the read is tried again";
    EXPECT_EQ(device.RegisterByName("A")->GetValueInteger(0), 7) << "and after the retry";
    EXPECT_EQ(device.SetupState(), TkxDeviceQXSlave::SetupEdited);
}

TEST_F(TkxDeviceQXSlaveTest, CopyToEEPromLeavesOtherRegistersAlone) {
    TkxDeviceQXDrive& drive = Identify<TkxDeviceQXDrive>();
    drive.ParMotorAccel->SetValueDouble(33.0);
    drive.RegisterByName("ModBusAddress")->SetValueInteger(0, 9);
    drive.RegisterByName("DcBus")->SetValueInteger(0, 999);
    drive.CopySetupToEEProm();
    EXPECT_EQ(drive.RegisterByName("EEMotorAccel")->GetValueInteger(0), 33);
    EXPECT_EQ(drive.ParEEModBusAddress->GetValueDouble(), 9.0);
    EXPECT_EQ(drive.RegisterByName("DcBus")->GetValueInteger(0), 999);
}

TEST_F(TkxDeviceQXSlaveTest, CopyOneRegisterToItsEEPromCopyOnly) {
    TkxDeviceQXDrive& drive = Identify<TkxDeviceQXDrive>();
    drive.ParMotorAccel->SetValueDouble(44.0);
    drive.RegisterByName("ModBusAddress")->SetValueInteger(0, 9);
    TkxRegister* copy = drive.CopyRegisterToEEProm(*drive.ParMotorAccel->Register());
    ASSERT_EQ(copy, drive.RegisterByName("EEMotorAccel"));
    EXPECT_EQ(copy->GetValueInteger(0), 44);
    EXPECT_NE(drive.ParEEModBusAddress->GetValueDouble(), 9.0) << "only the register given";
    EXPECT_EQ(drive.CopyRegisterToEEProm(*drive.RegisterByName("DcBus")), nullptr)
        << "a register without a copy";
}

TEST_F(TkxDeviceQXSlaveTest, ExportAndImportTheSetupGroup) {
    TkxDeviceQXDrive& drive = Identify<TkxDeviceQXDrive>();
    drive.ParMotorAccel->SetValueDouble(77.0);
    TkxTextResource file;
    drive.ExportSetup("QXDRVCFG", &file);
    EXPECT_EQ(file.ReadString("QXDRVCFG", "MotorAccel", ""), "\"77\"");
    EXPECT_EQ(file.ReadString("QXDRVCFG", "DcBus", "none"), "none") << "outside the group";

    TkxDeviceQXDrive& other = Identify<TkxDeviceQXDrive>();
    const std::string report = other.ImportSetup("QXDRVCFG", &file);
    EXPECT_THAT(report, HasSubstr("MotorAccel"));
    EXPECT_EQ(other.ParMotorAccel->GetValueDouble(), 77.0);
    EXPECT_EQ(other.SetupState(), TkxDeviceQXSlave::SetupEdited) << "an import is an edit";
    EXPECT_EQ(other.ImportSetup("QXDRVCFG", nullptr), "");
}

TEST_F(TkxDeviceQXSlaveTest, DestroyingADriveDuringASendNeitherHangsNorFiresLate) {
    TkxDeviceQXDrive& drive = LoadedDrive();
    bool sent = false;
    drive.OnSetupSent = [&](TkxMBTransaction*) { sent = true; };
    drive.ParMotorAccel->SetValueDouble(12.0);
    FSlave.SetReplyDelay(std::chrono::milliseconds(300));
    drive.SendToDrive();
    ASSERT_TRUE(PumpUntil([&] { return FSlave.WritesTo(200) > 0; }));
    FSetup->SetDevice(nullptr);
    EXPECT_EQ(FSetup->Device(), nullptr);
    Dispatcher.ProcessMessages();
    EXPECT_FALSE(sent);
}

} // namespace
