#include "devices/tkxdeviceslavecls.h"

#include "base/tkxerror.h"
#include "devices/tkxdevicelinefixture.h"
#include "devices/tkxdevicesetupcls.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "modbus/tkxmbdeviceversioncls.h"
#include "modbus/tkxmbfakenetwork.h"
#include "modbus/tkxmbfakes.h"
#include "modbus/tkxmbtestutil.h"
#include "modbus/tkxmbthreadbindingcls.h"
#include "registers/tkxregblockcls.h"
#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxregistercls.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>

namespace {

using namespace TkxMBResult;
using ::testing::ElementsAre;

constexpr const char* kDefinitions = "[DataModel]\nMaxBufferSize=64\n"
                                     "[Versions]\nVersions=QX440v1**\nVerDescr=Test drive\n"
                                     "[256]\nName=A\n[257]\nName=B\n[258]\nName=C\n"
                                     "[300]\nName=Faults\nType=bool\n"
                                     "Descr[0m1]=Overcurrent\nDescr[0m4]=Overheat\n";

// The slave behind the scripted line: reads of 0x100 get an exception, reads of 0x101 no
// answer, everything else a reply of 0x002A words; writes are echoed.
TkxMBScript::Step Slave(const std::vector<std::uint8_t>& query) {
    if (query.size() < 6) {
        return {0, Hex("01 41 00 00 01 B8 FF FF 00 7B FF FF"), {}};
    }
    const int start = query[2] << 8 | query[3];
    if (query[1] == 6) {
        return {0, query, {}};
    }
    if (start == 0x100) {
        return {IllegalAddress, {}, {}};
    }
    if (start == 0x101) {
        return {Timeout, {}, {}};
    }
    std::vector<std::uint8_t> reply = {query[0], 3, static_cast<std::uint8_t>(2 * query[5])};
    for (int i = 0; i < query[5]; ++i) {
        reply.push_back(0x00);
        reply.push_back(0x2A);
    }
    return {0, reply, {}};
}

class TkxDeviceSlaveTest : public TkxDeviceLineFixture {
protected:
    void SetUp() override {
        Script->SetResponder(Slave);
        UseDefinitions(kDefinitions);
        TkxDeviceLineFixture::SetUp();
    }

    // A periodic read of one register, enabled.
    TkxMBChainedTransa& PollRegister(TkxDeviceSlave& device, std::uint16_t address) {
        auto& poll = MakeFor<TkxMBChainedTransa>(&device, 1);
        poll.SetReadBlock(address, 1);
        poll.SetEnabled(true);
        return poll;
    }
};

TEST(TkxDeviceSlaveMisuse, NeedsASetupAndAVersion) {
    TkxRegDefsList defs;
    TkxDeviceSetup setup;
    const TkxVersionRecord version;
    try {
        TkxDeviceSlave device(nullptr, &version, &defs);
        FAIL();
    } catch (const ETkxError& error) {
        EXPECT_STREQ(error.what(),
                     "You must specify a valid TkxDeviceSetup to allocate a new device!");
    }
    try {
        TkxDeviceSlave device(&setup, nullptr, &defs);
        FAIL();
    } catch (const ETkxError& error) {
        EXPECT_STREQ(error.what(), "You must specify a valid TkxVersionRecord!");
    }
    EXPECT_EQ(setup.Device(), nullptr);
}

TEST_F(TkxDeviceSlaveTest, SetupStatesBeforeIdentification) {
    EXPECT_EQ(FSetup->GetState(), 0) << "connection not running";
    ASSERT_TRUE(StartLine());
    EXPECT_EQ(FSetup->GetState(), 1) << "disabled";
    FSetup->SetEnabled(true);
    EXPECT_EQ(FSetup->GetState(), 2) << "not yet identified";
    EXPECT_EQ(FSetup->GetStateText(), "device not yet identified");
}

TEST_F(TkxDeviceSlaveTest, DeviceStatesFollowTheThreadTheSetupAndTheTransactions) {
    TkxDeviceSlave& device = Identify();
    EXPECT_EQ(device.GetState(), 0) << "no running thread";
    ASSERT_TRUE(StartLine());
    device.SetThread(FSetup->GetConnectionThread());
    EXPECT_EQ(device.GetState(), 1) << "setup disabled";
    FSetup->SetEnabled(true);
    EXPECT_EQ(FSetup->GetState(), 3);
    EXPECT_EQ(FSetup->GetStateText(), "device connected and ready");
    auto& idle = MakeFor<TkxMBChainedTransa>(&device, 1);
    idle.SetReadBlock(258, 1);
    EXPECT_EQ(device.GetState(), 3) << "a disabled transaction is no fault";
}

// Offline work edits a drive that has no link; a drive that had one is editable only while
// it is ready.
TEST_F(TkxDeviceSlaveTest, ReadyForEditingOfflineOrWhenReady) {
    TkxDeviceSlave& device = Identify();
    EXPECT_EQ(device.GetState(), 0);
    EXPECT_TRUE(device.IsReadyForEditing()) << "made without a link";
    ASSERT_TRUE(StartLine());
    device.SetThread(FSetup->GetConnectionThread());
    EXPECT_FALSE(device.IsReadyForEditing()) << "setup disabled";
    FSetup->SetEnabled(true);
    EXPECT_TRUE(device.IsReadyForEditing());
    device.SetThread(nullptr);
    EXPECT_EQ(device.GetState(), 0);
    EXPECT_FALSE(device.IsReadyForEditing()) << "a drive that lost its link is not offline work";
}

TEST_F(TkxDeviceSlaveTest, FirstFailingOrCutOffTransactionDecides) {
    FSetup->SetMaxFault(1);
    TkxDeviceSlave& device = ReadyDevice();
    TkxMBChainedTransa& cutOff = PollRegister(device, 0x101);
    TkxMBChainedTransa& failing = PollRegister(device, 0x100);
    ASSERT_TRUE(PumpUntil([&] { return cutOff.GetState() == 8 && failing.GetState() == 5; }));
    EXPECT_EQ(device.GetState(), 8);
    EXPECT_EQ(FSetup->GetStateText(), "too many errors, device cut-off");

    // The fault counters go when the setup is enabled again; the exception stays.
    FSetup->SetEnabled(false);
    FSetup->SetEnabled(true);
    EXPECT_FALSE(cutOff.IsCutOff());
    device.DestroyTransaction(&cutOff);
    EXPECT_EQ(device.GetState(), 5);
}

TEST_F(TkxDeviceSlaveTest, FaultResetTellsItsHandlersWithTheTransactionListFree) {
    FSetup->SetMaxFault(1);
    TkxDeviceSlave& device = ReadyDevice();
    TkxMBChainedTransa& cutOff = PollRegister(device, 0x101);
    ASSERT_TRUE(PumpUntil([&] { return cutOff.IsCutOff(); }));
    // The worker takes this list while it holds the thread's device list, so a handler that
    // detaches a device or waits for the thread must find it free.
    std::future<std::size_t> probe;
    bool listFree = false;
    device.OnStateChange = [&](TkxDeviceSlave*, TkxObject* object) {
        if (object == &cutOff && !probe.valid()) {
            probe = std::async(std::launch::async, [&] { return device.Transactions().Count(); });
            listFree = probe.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
        }
    };
    device.ResetFaults();
    device.OnStateChange = nullptr;
    ASSERT_TRUE(probe.valid()) << "the reset tells the handlers";
    EXPECT_TRUE(listFree) << "the reset holds the transaction list while it tells the handlers";
    EXPECT_EQ(probe.get(), 1U);
    EXPECT_FALSE(cutOff.IsCutOff());
}

TEST_F(TkxDeviceSlaveTest, DirectAccessReadsAndWritesOneRegister) {
    TkxDeviceSlave& device = ReadyDevice();
    EXPECT_EQ(device.ReadRegister(258, true), 0);
    EXPECT_EQ(device.RegisterAt(258)->GetValueInteger(0), 42);

    device.RegisterAt(257)->SetValueInteger(0, 0x1234);
    EXPECT_EQ(device.WriteRegister(*device.RegisterAt(257), true), 0);
    const auto queries = Script->Queries();
    EXPECT_NE(std::find(queries.begin(), queries.end(), Hex("01 06 01 01 12 34")), queries.end());

    // The same transactions serve the next calls, each as one run.
    EXPECT_EQ(device.ReadRegister(258, true), 0);
    EXPECT_EQ(QueriesFor(3, 258), 2);
    EXPECT_EQ(device.ReadRegister(0x100, true), IllegalAddress);
}

TEST_F(TkxDeviceSlaveTest, DirectAccessRefusedUnlessReady) {
    TkxDeviceSlave& early = Identify();
    EXPECT_EQ(early.ReadRegister(258, true), WaitTimeout) << "no thread";
    FSetup->SetEnabled(true);
    FSetup->SetMaxFault(0);
    ASSERT_TRUE(StartLine());
    TkxDeviceSlave& device = *FSetup->Device();
    device.SetThread(FSetup->GetConnectionThread());
    TkxMBChainedTransa& failing = PollRegister(device, 0x100);
    ASSERT_TRUE(PumpUntil([&] { return failing.GetState() == 5; }));
    EXPECT_EQ(device.GetState(), 5);
    EXPECT_EQ(device.ReadRegister(258, true), WaitTimeout);
    EXPECT_EQ(device.WriteRegister(258, true), WaitTimeout);
    Dispatcher.PumpFor(std::chrono::milliseconds(250));
    EXPECT_EQ(QueriesFor(3, 258), 0);
    EXPECT_EQ(QueriesFor(6, 258), 0);
}

TEST_F(TkxDeviceSlaveTest, DirectAccessWhoseDeviceIsDestroyedWhileItWaitsEndsTheWait) {
    TkxDeviceSlave& device = ReadyDevice();
    Script->SetResponder([](const std::vector<std::uint8_t>& query) {
        TkxMBScript::Step step = Slave(query);
        step.Delay = std::chrono::milliseconds(300);
        return step;
    });
    // An event the main thread serves while the read waits destroys the device, and with it
    // the transaction the read waits for.
    Dispatcher.Post([&] { FSetup->DestroyDevice(); });
    EXPECT_EQ(device.ReadRegister(258, true), WaitTimeout);
    EXPECT_EQ(FSetup->Device(), nullptr);
    EXPECT_EQ(FSetup->GetConnectionThread()->Devices().Count(), 0U);
}

TEST_F(TkxDeviceSlaveTest, AttachingTwiceToTheSameThreadChangesNothing) {
    ASSERT_TRUE(StartLine());
    TkxDeviceSlave& device = Identify();
    TkxMBThread* thread = FSetup->GetConnectionThread();
    ASSERT_EQ(device.GetThread(), thread);
    EXPECT_TRUE(thread->Devices().Contains(&device));
    int changes = 0;
    device.OnStateChange = [&](TkxDeviceSlave*, TkxObject*) { ++changes; };
    device.SetThread(thread);
    EXPECT_EQ(changes, 0);
    device.SetThread(nullptr);
    EXPECT_GT(changes, 0);
    EXPECT_FALSE(thread->Devices().Contains(&device));
    EXPECT_EQ(device.GetThread(), nullptr);
}

TEST_F(TkxDeviceSlaveTest, NotificationsClimbToTheConnection) {
    TkxDeviceSlave& device = Identify();
    std::vector<std::string> seen;
    device.OnTransaAdd = [&](TkxDeviceSlave*, TkxMBTransaction*) { seen.push_back("device add"); };
    device.OnTransaDel = [&](TkxDeviceSlave*, TkxMBTransaction*) { seen.push_back("device del"); };
    FSetup->OnSetupAdd = [&](TkxDeviceSetup*, TkxObject*) { seen.push_back("setup add"); };
    FSetup->OnSetupDel = [&](TkxDeviceSetup*, TkxObject*) { seen.push_back("setup del"); };
    FConnection->OnSetupAdd = [&](TkxMBThreadSetup*, TkxObject*) {
        seen.push_back("connection add");
    };
    auto* transaction = &MakeFor<TkxMBChainedTransa>(&device, 1);
    EXPECT_TRUE(device.HasTransa(transaction));
    device.DestroyTransaction(transaction);
    EXPECT_FALSE(device.HasTransa(transaction));
    EXPECT_THAT(
        seen, ElementsAre("device add", "setup add", "connection add", "device del", "setup del"));
}

TEST_F(TkxDeviceSlaveTest, InfoNamesTheDeviceOnceThereIsOne) {
    FSetup->SetRepeatTime(5);
    EXPECT_EQ(FSetup->GetInfo(), "Dflt sample time         : 500ms\r\n"
                                 "Max fault cut-off        : Disabled\r\n"
                                 "Device state             : OFFLINE");
    const std::string file =
        (std::filesystem::temp_directory_path() / "tkxdeviceslave_info.par").string();
    std::ofstream(file) << kDefinitions;
    FDefs.LoadFromFile(file);
    std::filesystem::remove(file);
    Identify();
    EXPECT_EQ(FSetup->GetInfo(), "Dflt sample time         : 500ms\r\n"
                                 "Max fault cut-off        : Disabled\r\n"
                                 "Device state             : OFFLINE\r\n"
                                 "Device version           : QX440v123\r\n"
                                 "Device description       : Test drive\r\n"
                                 "Device file              : " +
                                     file);
}

TEST_F(TkxDeviceSlaveTest, ListsRegistersAndSetBits) {
    TkxDeviceSlave& device = Identify();
    device.RegisterAt(300)->SetValueInteger(0, 5);
    std::vector<std::string> bits;
    device.ListSetBits(device.RegisterAt(300), bits);
    EXPECT_THAT(bits, ElementsAre("Overcurrent", "Overheat"));

    std::vector<std::string> lines;
    const TkxRegBlock blocks("256/257,299/300");
    device.ListRegisters(&blocks, lines);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(0, 26), "Faults                   :");
    std::vector<std::string> none;
    device.ListProperties(none);
    EXPECT_TRUE(none.empty()) << "no properties transaction";
}

TEST_F(TkxDeviceSlaveTest, CheckDeviceAsksForTheVersionOnTheThread) {
    FSetup->SetDeviceAddr(1);
    EXPECT_EQ(FSetup->CheckDevice(), nullptr) << "connection not running";
    ASSERT_TRUE(StartLine());
    TkxVersionRecord seen;
    int answers = 0;
    FSetup->OnDeviceVersion = [&](TkxDeviceSetup*, const TkxVersionRecord& version) {
        seen = version;
        ++answers;
    };
    TkxMBDeviceVersion* check = FSetup->CheckDevice();
    ASSERT_NE(check, nullptr);
    TkxMBThread* thread = FSetup->GetConnectionThread();
    EXPECT_TRUE(thread->Transactions().Contains(check));
    EXPECT_EQ(check->GetTransaName(), "CheckDevice");
    EXPECT_EQ(check->GetSlaveAddress(), 1);
    EXPECT_EQ(check->GetRepeatTime(), 20);
    EXPECT_TRUE(check->GetTermDestroy());
    ASSERT_TRUE(PumpUntil([&] { return answers == 1 && thread->Transactions().Count() == 0; }));
    EXPECT_EQ(seen.GetText(), "QX440v123");
}

TEST_F(TkxDeviceSlaveTest, DestroyedWhileTheThreadWaitsToDestroyOneOfItsTransactions) {
    // The device is there before the line runs, so no identification request is made and
    // the thread's own queue stays empty.
    TkxDeviceSlave& device = ReadyDevice();
    TkxMBThread* thread = FSetup->GetConnectionThread();
    ASSERT_EQ(thread->Transactions().Count(), 0);
    Dispatcher.ProcessMessages();
    int removals = 0;
    auto& doomed = MakeFor<TkxMBChainedTransa>(&device, 1);
    FSetup->OnSetupDel = [&](TkxDeviceSetup*, TkxObject* element) {
        removals += element == &doomed ? 1 : 0;
    };
    doomed.MarkForDestroy();
    ASSERT_TRUE(WaitForQueuedCall()); // the thread waits for the main thread to destroy it
    // Destroying the device detaches it from the thread first, which takes the thread's
    // device list: free, or the main thread would wait here for a worker that waits for it.
    auto probe = std::async(std::launch::async, [&] { return thread->Devices().Count(); });
    if (!Settles(probe)) {
        FAIL() << "the thread holds its device list while it waits for the main thread";
    }
    FSetup->DestroyDevice();
    EXPECT_EQ(removals, 1);
    Dispatcher.ProcessMessages();
    EXPECT_EQ(removals, 1) << "the thread's request finds the device gone";
    EXPECT_EQ(thread->GetState(), 3);
}

} // namespace
