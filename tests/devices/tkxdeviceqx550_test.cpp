#include "devices/tkxdeviceqx550cls.h"

#include "base/tkxmbresultcodes.h"
#include "devices/tkxdevicemodelfixture.h"
#include "params/tkxparvaluecls.h"
#include "registers/tkxregblockcls.h"
#include "registers/tkxregistercls.h"

#include <gmock/gmock.h>

namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

class TkxDeviceQX550Test : public TkxDeviceModelFixture {
protected:
    TkxDeviceQX550Test()
        : TkxDeviceModelFixture("model_qx550.par") {}

    static constexpr const char* Version = "QX550-Av100-A";
    // Register address of a map point in the test file, and of its EEPROM copy.
    static int PointAddress(int map, int point) { return 300 + map * 6 + point; }
    static int PointCopy(int map, int point) { return PointAddress(map, point) + 2048; }

    static const TkxRegister* Reference(const TkxRegBound* bound) {
        return bound != nullptr ? bound->Reference() : nullptr;
    }
};

TEST_F(TkxDeviceQX550Test, EveryPropertyBindsOnItsFile) {
    TkxDeviceQX550& drive = Identify<TkxDeviceQX550>(Version);
    EXPECT_EQ(TkxDeviceQX550::ClassProperties().Own().size(), 106U);
    EXPECT_THAT(UnboundProperties(drive, TkxDeviceQX550::ClassProperties()), IsEmpty());
    EXPECT_EQ(drive.MapPoint(0, 0), drive.ParBrakeTab_0_0);
    EXPECT_EQ(drive.MapPoint(7, 5), drive.ParClutchTab_3_5);
    EXPECT_EQ(drive.MapPoint(15, 5), drive.ParEngineBrakeTab_3_5);
    EXPECT_EQ(drive.ParThrottleTab_2_4->Register(), drive.RegisterByName("ThrottleTab2_4"));
    EXPECT_EQ(drive.MapPoint(16, 0), nullptr);
    EXPECT_EQ(drive.MapPoint(0, 6), nullptr);
    EXPECT_EQ(drive.MapPoint(-1, 0), nullptr);
    EXPECT_EQ(drive.RapportoGear2->GetValueString(), "1.25");
}

TEST_F(TkxDeviceQX550Test, EveryMapPointLiesBetweenItsNeighbours) {
    TkxDeviceQX550& drive = Identify<TkxDeviceQX550>(Version);
    for (int map = 0; map < TkxDeviceQX550::MapCount; ++map) {
        for (int point = 0; point < 6; ++point) {
            const TkxRegister* reg = drive.MapPoint(map, point)->Register();
            const TkxRegister* previous =
                point > 0 ? drive.MapPoint(map, point - 1)->Register() : nullptr;
            const TkxRegister* next =
                point < 5 ? drive.MapPoint(map, point + 1)->Register() : nullptr;
            EXPECT_EQ(Reference(reg->MinBound()), previous) << map << "/" << point;
            EXPECT_EQ(Reference(reg->MaxBound()), next) << map << "/" << point;
        }
    }
    // Points at 0, 20, 40, 60, 80, 100; the file limits the ends to 0..100.
    EXPECT_THAT(drive.ParBrakeTab_0_2->SetValueString("61"), HasSubstr("at most 60"));
    EXPECT_THAT(drive.ParBrakeTab_0_2->SetValueString("19"), HasSubstr("at least 20"));
    EXPECT_EQ(drive.ParBrakeTab_0_3->SetValueString("70"), "");
    EXPECT_EQ(drive.ParBrakeTab_0_2->SetValueString("61"), "");
    EXPECT_THAT(drive.ParEngineBrakeTab_3_5->SetValueString("101"), HasSubstr("at most 100"));
    EXPECT_THAT(drive.ParEngineBrakeTab_3_0->SetValueString("21"), HasSubstr("at most 20"));
}

TEST_F(TkxDeviceQX550Test, MapTransactionsAsTheSetupOnes) {
    TkxDeviceQX550& drive = Identify<TkxDeviceQX550>(Version);
    struct Expected {
        TkxMBChainedTransa* Transaction;
        const char* Name;
        const char* Comment;
        int RepeatTime;
        const char* Reasons;
        bool Enabled;
    };
    for (const Expected& e : {
             Expected{drive.ReadMapSetup, "ReadMapSetup", "Load actual map setup from device.", 20,
                      "01000000000", true},
             Expected{drive.SendMapSetup, "SendMapSetup", "Send new map setup to device.",
                      FSetup->RepeatTime(), "10000000000", false},
             Expected{drive.SaveMapSetup, "SaveMapSetup", "Save map setup to EEProm.",
                      FSetup->RepeatTime(), "10000000000", false},
         }) {
        ASSERT_NE(e.Transaction, nullptr) << e.Name;
        EXPECT_EQ(e.Transaction->GetTransaName(), e.Name);
        EXPECT_EQ(e.Transaction->GetComment(), e.Comment);
        EXPECT_EQ(e.Transaction->GetRepeatTime(), e.RepeatTime) << e.Name;
        EXPECT_EQ(TkxMBTransaction::ReasonsToText(e.Transaction->TerminateIf), e.Reasons);
        EXPECT_EQ(e.Transaction->IsEnabled(), e.Enabled) << e.Name;
        EXPECT_EQ(e.Transaction->GetKind(), 1);
    }
    EXPECT_EQ(drive.ReadMapSetup->ReadBlocks()->Start(), 300);
    EXPECT_EQ(drive.SendMapSetup->WriteBlocks()->Start(), 300);
    EXPECT_EQ(drive.SaveMapSetup->WriteBlocks()->Start(), 2348);
    EXPECT_EQ(drive.SaveMapSetup->GetBlockDelay(), 20);
    EXPECT_EQ(drive.SaveEEProm->GetBlockDelay(), 20);
}

TEST_F(TkxDeviceQX550Test, MapsAreReadThenSentThenSaved) {
    for (int point = 0; point < 6; ++point) {
        const int word[] = {0, 10, 20, 65, 80, 100};
        FSlave.SetWord(static_cast<std::uint16_t>(PointAddress(9, point)),
                       static_cast<std::uint16_t>(word[point]));
    }
    FSlave.SetWord(static_cast<std::uint16_t>(PointAddress(0, 5)), 100);
    TkxDeviceQX550& drive = ReadyDevice<TkxDeviceQX550>(Version);
    int read = 0;
    int sent = 0;
    int saved = 0;
    drive.OnMapRead = [&](TkxMBTransaction*) { ++read; };
    drive.OnMapSent = [&](TkxMBTransaction*) { ++sent; };
    drive.OnMapSaved = [&](TkxMBTransaction*) { ++saved; };
    ASSERT_TRUE(PumpUntil([&] { return read == 1; })) << "the maps are read at once";
    EXPECT_EQ(drive.MapPoint(9, 3)->GetValueDouble(), 65.0);
    EXPECT_FALSE(drive.ReadMapSetup->IsEnabled()) << "one good read";

    drive.MapPoint(9, 3)->SetValueDouble(30.0);
    drive.MapPoint(9, 4)->SetValueDouble(77.0);
    EXPECT_EQ(drive.MapPoint(9, 3)->GetValueDouble(), 30.0);
    drive.SendMapsToDrive();
    ASSERT_TRUE(PumpUntil([&] { return sent == 1; }));
    EXPECT_EQ(FSlave.Word(PointAddress(9, 3)), 30);
    EXPECT_EQ(FSlave.Word(PointAddress(9, 4)), 77);
    EXPECT_EQ(FSlave.WritesTo(PointCopy(9, 4)), 0) << "a send is no save";

    drive.MapPoint(9, 4)->SetValueDouble(66.0);
    drive.SaveMapsToDrive();
    EXPECT_TRUE(drive.MapSaveAfterSend());
    EXPECT_FALSE(drive.SaveAfterSend()) << "the setup's own save is left alone";
    ASSERT_TRUE(PumpUntil([&] { return saved == 1; }));
    EXPECT_EQ(sent, 1) << "the send of a save is not reported as a send";
    EXPECT_EQ(FSlave.Word(PointAddress(9, 4)), 66);
    EXPECT_EQ(FSlave.Word(PointCopy(9, 4)), 66) << "the EEPROM copy holds the edit";
    EXPECT_EQ(FSlave.Word(PointCopy(0, 5)), 100) << "and every other point";
    EXPECT_FALSE(drive.MapSaveAfterSend());
    EXPECT_FALSE(drive.SendSetup->IsEnabled());
}

TEST_F(TkxDeviceQX550Test, AMapSaveWritesNoEEPromAfterAFailedSend) {
    TkxDeviceQX550& drive = ReadyDevice<TkxDeviceQX550>(Version);
    ASSERT_TRUE(Finished(drive.ReadMapSetup));
    bool saved = false;
    drive.OnMapSaved = [&](TkxMBTransaction*) { saved = true; };
    FSlave.RefuseWrites(static_cast<std::uint16_t>(PointAddress(12, 0)));
    drive.SaveMapsToDrive();
    ASSERT_TRUE(Finished(drive.SendMapSetup));
    EXPECT_EQ(drive.SendMapSetup->GetLastError(), TkxMBResult::IllegalAddress);
    EXPECT_FALSE(drive.SaveMapSetup->IsEnabled());
    EXPECT_EQ(FSlave.WritesTo(PointCopy(0, 0)), 0);
    EXPECT_FALSE(saved);
    EXPECT_TRUE(drive.MapSaveAfterSend()) << "until the next map send completes";

    FSlave.AcceptWrites();
    drive.SendMapsToDrive();
    ASSERT_TRUE(Finished(drive.SendMapSetup));
    EXPECT_FALSE(drive.MapSaveAfterSend());
    EXPECT_FALSE(drive.SaveMapSetup->IsEnabled()) << "a plain send saves nothing";
}

TEST_F(TkxDeviceQX550Test, AFileLackingAPointBreaksOnlyThatMapsChain) {
    UseDefinitionFileWithout({"ParClutchTab_1_2", "ParBatteryFullVoltage", "RapportoGear1"});
    TkxDeviceQX550& drive = Identify<TkxDeviceQX550>(Version);
    EXPECT_EQ(drive.ParClutchTab_1_2, nullptr);
    EXPECT_EQ(drive.MapPoint(5, 2), nullptr);
    EXPECT_EQ(Reference(drive.ParClutchTab_1_1->Register()->MaxBound()), nullptr);
    EXPECT_EQ(Reference(drive.ParClutchTab_1_3->Register()->MinBound()), nullptr);
    EXPECT_EQ(drive.ParClutchTab_1_1->SetValueString("99"), "");
    EXPECT_THAT(drive.ParClutchTab_1_3->SetValueString("81"), HasSubstr("at most 80"));
}

TEST_F(TkxDeviceQX550Test, DestroyingTheDriveDuringAMapSendFiresNothingLate) {
    TkxDeviceQX550& drive = ReadyDevice<TkxDeviceQX550>(Version);
    ASSERT_TRUE(Finished(drive.ReadMapSetup));
    bool sent = false;
    drive.OnMapSent = [&](TkxMBTransaction*) { sent = true; };
    FSlave.SetReplyDelay(std::chrono::milliseconds(200));
    drive.SendMapsToDrive();
    ASSERT_TRUE(PumpUntil([&] { return FSlave.WritesTo(300) > 0; }));
    FSetup->SetDevice(nullptr);
    Dispatcher.ProcessMessages();
    EXPECT_FALSE(sent);
}

} // namespace
