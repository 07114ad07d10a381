// The simulator against the terminal's own line code, in both serial framings.
#include "simtestdrive.h"
#include "support/simprocess.h"
#include "support/tkxtempfolder.h"

#include "base/tkxmbresultcodes.h"
#include "devices/tkxdevicesetupcls.h"
#include "devices/tkxdeviceslavecls.h"
#include "modbus/tkxmbcancelcls.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "modbus/tkxmblinkservercls.h"
#include "modbus/tkxmbportmapcls.h"
#include "modbus/tkxthreadbuffercls.h"
#include "registers/tkxregblockcls.h"
#include "registers/tkxregistercls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace qxsim {
namespace {

constexpr int kComPort = 17;
const std::string kDefs = std::string(TKX_TEST_DATA_DIR) + "/sim/drive.par";

// The simulator's drive as the terminal lays it out: a device at slave address 1 whose buffer
// the transactions fill. The test plays the communication thread.
class TerminalDrive {
public:
    TerminalDrive() {
        FSetup.SetDeviceName("drive");
        FSetup.SetDeviceAddr(1);
        const TkxVersionRecord version("QX440v123");
        FDevice = std::make_unique<TkxDeviceSlave>(&FSetup, &version, &FDefinitions.Defs());
    }
    TkxDeviceSlave* Device() const { return FDevice.get(); }
    // A chained transaction held by the device.
    TkxMBChainedTransa& Chained() const {
        return *FDevice->Adopt(std::make_unique<TkxMBChainedTransa>(FDevice.get(), 1));
    }
    std::vector<std::uint8_t> Stored(int address, int bytes) const {
        TkxThreadBuffer::Reader reader(*FDevice->Buffer());
        const int offset = FDefinitions.Defs().OffsetOf(address);
        return {reader.Data() + offset, reader.Data() + offset + bytes};
    }
    void Store(int address, const std::vector<std::uint8_t>& bytes) const {
        TkxThreadBuffer::Writer writer(*FDevice->Buffer());
        std::copy(bytes.begin(), bytes.end(),
                  writer.Data() + FDefinitions.Defs().OffsetOf(address));
    }

private:
    SimTestDefinitions FDefinitions;
    TkxDeviceSetup FSetup;
    std::unique_ptr<TkxDeviceSlave> FDevice;
};

class SimLineTest : public ::testing::TestWithParam<bool> {
protected:
    void TearDown() override {
        FServer.CloseConnection();
        FSim.reset();
    }

    // Starts the simulator on the link in the framing of the test, with more arguments, and
    // opens a line to it.
    void Start(const std::vector<std::string>& more = {}) {
        std::vector<std::string> args{"--defs",          kDefs,      "--link", FLink,
                                      "--drive-version", "QX440v123"};
        if (GetParam()) {
            args.push_back("--ascii");
        }
        args.insert(args.end(), more.begin(), more.end());
        FSim = std::make_unique<SimProcess>(args);
        ASSERT_TRUE(FSim->Started()) << FSim->Banner();
        FPorts.Set(kComPort, FLink);
        bool ok = false;
        FServer.OpenConnection("sim", 1, ok);
        FServer.Set_ComPort(kComPort);
        FServer.Set_BaudRate(19200);
        FServer.Set_Parity(2);
        FServer.Set_TimeOut(500);
        FServer.Set_Retries(0);
        FServer.Set_TransmissionMode(GetParam() ? 1 : 0);
        FServer.Connect(ok);
        ASSERT_TRUE(ok) << FServer.GetLastErrorText();
    }

    // One request and its reply, which lands in FResponse.
    std::int32_t Exchange(const std::vector<std::uint8_t>& request) {
        TkxMBReply reply = FServer.TxRxMessage(request);
        FResponse = std::move(reply.Data);
        return reply.Result;
    }

    TkxTempFolder FFolder;
    std::string FLink = FFolder.PathOf("drive");
    std::unique_ptr<SimProcess> FSim;
    TkxMBCancel FCancel;
    TkxMBPortMap FPorts;
    TkxMBLinkServer FServer{FCancel, FPorts};
    std::vector<std::uint8_t> FResponse;
};

TEST_P(SimLineTest, ReadsWritesVersionAndExceptions) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_EQ(Exchange({1, 3, 0, 100, 0, 2}), TkxMBResult::Ok);
    EXPECT_EQ(FResponse, (std::vector<std::uint8_t>{1, 3, 4, 0x05, 0xDC, 0xFF, 0xFB}));

    ASSERT_EQ(Exchange({1, 6, 0, 100, 0x07, 0xD0}), TkxMBResult::Ok);
    ASSERT_EQ(Exchange({1, 3, 0, 100, 0, 1}), TkxMBResult::Ok);
    EXPECT_EQ(FResponse, (std::vector<std::uint8_t>{1, 3, 2, 0x07, 0xD0}));

    ASSERT_EQ(Exchange({1, 65}), TkxMBResult::Ok);
    EXPECT_EQ(FResponse,
              (std::vector<std::uint8_t>{1, 65, 0, 0, 0x01, 0xB8, 0xFF, 0xFF, 0, 123, 0xFF, 0xFF}));

    EXPECT_EQ(Exchange({1, 3, 0, 104, 0, 1}), TkxMBResult::IllegalAddress);
    EXPECT_EQ(Exchange({1, 6, 0, 100, 0x0B, 0xB9}), TkxMBResult::IllegalValue);
    EXPECT_EQ(Exchange({2, 3, 0, 100, 0, 1}), TkxMBResult::Timeout);
}

// A chained read of two blocks where every request covering 200 is refused: the first block's
// data arrive, and the second's error is what the run reports.
TEST_P(SimLineTest, AFaultedAddressFailsOnlyTheBlockThatCoversIt) {
    ASSERT_NO_FATAL_FAILURE(Start({"--fault", "200=exception:4"}));
    TerminalDrive drive;
    auto& chained = drive.Chained();
    // A block text lists the chain from its end: 100/101 is read first.
    chained.SetReadBlocks(std::make_unique<TkxRegBlock>("200/201,100/101"));

    EXPECT_EQ(chained.Transact(FServer), TkxMBResult::SlaveFailure);
    EXPECT_EQ(drive.Stored(100, 4), (std::vector<std::uint8_t>{0x05, 0xDC, 0xFF, 0xFB}));
    EXPECT_EQ(drive.Stored(200, 4), (std::vector<std::uint8_t>{0, 0, 0, 0}));

    // The fault holds every time, and the block next to it stays readable.
    EXPECT_EQ(chained.Transact(FServer), TkxMBResult::SlaveFailure);
    chained.SetReadBlocks(std::make_unique<TkxRegBlock>("201"));
    EXPECT_EQ(chained.Transact(FServer), TkxMBResult::Ok);
}

// The service block holds a date (220..222), a short, a long (224..225) and a short: written
// and read as its seven registers, it comes back as it went.
TEST_P(SimLineTest, ABlockOfShortsALongAndADateRoundTrips) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::vector<std::uint8_t> block = {0x00, 0x18, 0x00, 0x0C, 0x00, 0x1A, 0x00,
                                             0x05, 0x00, 0x01, 0x86, 0xA0, 0xFF, 0xFB};
    TerminalDrive sender;
    sender.Store(220, block);
    auto& write = sender.Chained();
    write.SetWriteBlocks(std::make_unique<TkxRegBlock>("220/226"));
    ASSERT_EQ(write.Transact(FServer), TkxMBResult::Ok);

    // The drive holds the seven words, as any master reading them with the standard count sees.
    ASSERT_EQ(Exchange({1, 3, 0, 220, 0, 7}), TkxMBResult::Ok);
    std::vector<std::uint8_t> reply = {1, 3, 14};
    reply.insert(reply.end(), block.begin(), block.end());
    EXPECT_EQ(FResponse, reply);

    TerminalDrive receiver;
    auto& read = receiver.Chained();
    read.SetReadBlocks(std::make_unique<TkxRegBlock>("220/226"));
    ASSERT_EQ(read.Transact(FServer), TkxMBResult::Ok);
    EXPECT_EQ(receiver.Stored(220, 14), block);
    EXPECT_EQ(receiver.Device()->RegisterByName("Runtime")->GetValueInteger(0), 100000);
    EXPECT_EQ(receiver.Device()->RegisterByName("Limit")->GetValueInteger(0), -5);
    EXPECT_EQ(receiver.Device()->RegisterByName("Serviced")->GetValueText(0, 0), "24/12/2026");

    // The long alone is its two registers, read and written.
    read.SetReadBlocks(std::make_unique<TkxRegBlock>("210"));
    ASSERT_EQ(read.Transact(FServer), TkxMBResult::Ok);
    EXPECT_EQ(receiver.Stored(210, 4), (std::vector<std::uint8_t>{0x00, 0x01, 0x11, 0x70}));
    sender.Store(210, {0x00, 0x01, 0x11, 0x71});
    write.SetWriteBlocks(std::make_unique<TkxRegBlock>("210"));
    ASSERT_EQ(write.Transact(FServer), TkxMBResult::Ok);
    ASSERT_EQ(read.Transact(FServer), TkxMBResult::Ok);
    EXPECT_EQ(receiver.Device()->RegisterByName("Hours")->GetValueInteger(0), 70001);
}

TEST_P(SimLineTest, FaultKindsReachTheLine) {
    ASSERT_NO_FATAL_FAILURE(Start({"--fault", "100=drop", "--fault", "101=corrupt", "--fault",
                                   "102=delay:20", "--fault", "200=delay:800"}));
    EXPECT_EQ(Exchange({1, 3, 0, 100, 0, 1}), TkxMBResult::Timeout);
    EXPECT_EQ(Exchange({1, 3, 0, 101, 0, 1}), TkxMBResult::InvalidCrc);
    EXPECT_EQ(Exchange({1, 6, 0, 101, 0, 1}), TkxMBResult::InvalidCrc);
    ASSERT_EQ(Exchange({1, 3, 0, 102, 0, 2}), TkxMBResult::Ok);
    EXPECT_EQ(FResponse, (std::vector<std::uint8_t>{1, 3, 4, 0x00, 0x7D, 0x00, 0x03}));
    // A delay beyond the time-out leaves the master waiting in vain.
    EXPECT_EQ(Exchange({1, 3, 0, 200, 0, 1}), TkxMBResult::Timeout);
}

INSTANTIATE_TEST_SUITE_P(Framings, SimLineTest, ::testing::Bool(),
                         [](const auto& framing) { return framing.param ? "Ascii" : "Rtu"; });

} // namespace
} // namespace qxsim
