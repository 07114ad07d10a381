#include "modbus/tkxmblinkservercls.h"

#include "base/tkxmbresultcodes.h"
#include "modbus/tkxmbcancelcls.h"
#include "modbus/tkxmbframecls.h"
#include "modbus/tkxmbportmapcls.h"
#include "modbus/tkxmbtestutil.h"
#include "support/tkxptypaircls.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <thread>

using namespace std::chrono_literals;

namespace {

// What the scripted peer sends back for one request frame, and after how long.
struct PeerReply {
    std::vector<std::uint8_t> Bytes;
    std::chrono::milliseconds Delay{0};
};
using PeerScript = std::function<PeerReply(const std::vector<std::uint8_t>& frame)>;

// Reads what arrives on fd in bursts and answers each burst through the script.
void ServePeer(int fd, const std::atomic<bool>& stop, const PeerScript& script) {
    std::vector<std::uint8_t> burst;
    while (!stop) {
        pollfd pfd{fd, POLLIN, 0};
        const int ready = poll(&pfd, 1, burst.empty() ? 20 : 5);
        if (ready > 0 && (pfd.revents & POLLIN) != 0) {
            std::uint8_t chunk[512];
            const ssize_t count = read(fd, chunk, sizeof chunk);
            if (count <= 0) {
                return;
            }
            burst.insert(burst.end(), chunk, chunk + count);
        } else if (ready > 0) {
            return;
        } else if (!burst.empty()) {
            const PeerReply reply = script(burst);
            burst.clear();
            std::this_thread::sleep_for(reply.Delay);
            if (!reply.Bytes.empty() && write(fd, reply.Bytes.data(), reply.Bytes.size()) < 0) {
                return;
            }
        }
    }
}

std::vector<std::uint8_t> Rtu(const std::string& hex) {
    return TkxMBFrame::EncodeRtu(Hex(hex));
}

class TkxMBSerialOverPty : public testing::Test {
protected:
    void SetUp() override {
        if (!TkxPtyPair::Available()) {
            GTEST_SKIP() << "socat is not installed";
        }
        FPty = std::make_unique<TkxPtyPair>();
        ASSERT_TRUE(FPty->Ready());
        FPorts.Set(1, FPty->LinkEnd());
        FPeerFd = open(FPty->PeerEnd().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(FPeerFd, 0);
    }
    void TearDown() override {
        FStop = true;
        if (FPeer.joinable()) {
            FPeer.join();
        }
        if (FPeerFd >= 0) {
            close(FPeerFd);
        }
    }
    void StartPeer(PeerScript script) {
        FPeer = std::thread([this, script] { ServePeer(FPeerFd, FStop, script); });
    }
    void Connect(int mode = 0, int timeOut = 200) {
        bool ok = false;
        FServer.OpenConnection("line", 1, ok);
        ASSERT_TRUE(ok);
        FServer.Set_ComPort(1);
        FServer.Set_Parity(2);
        FServer.Set_TimeOut(timeOut);
        FServer.Set_SilentInterval(20);
        FServer.Set_TransmissionMode(static_cast<std::int16_t>(mode));
        bool connected = false;
        FServer.Connect(connected);
        ASSERT_TRUE(connected) << FServer.GetLastErrorText();
    }
    std::int32_t Send(const std::string& hex) {
        TkxMBReply reply = FServer.TxRxMessage(Hex(hex));
        FResponse = std::move(reply.Data);
        return reply.Result;
    }

    std::unique_ptr<TkxPtyPair> FPty;
    int FPeerFd = -1;
    std::atomic<bool> FStop{false};
    std::thread FPeer;
    TkxMBCancel FCancel;
    TkxMBPortMap FPorts;
    TkxMBLinkServer FServer{FCancel, FPorts};
    std::vector<std::uint8_t> FResponse;
};

TEST_F(TkxMBSerialOverPty, RtuReadWriteAndException) {
    StartPeer([](const std::vector<std::uint8_t>& frame) -> PeerReply {
        if (frame == Rtu("01 03 00 00 00 02")) {
            return {Rtu("01 03 04 12 34 56 78")};
        }
        if (frame == Rtu("01 06 00 10 12 34")) {
            return {Rtu("01 06 00 10 12 34")};
        }
        return {Rtu("01 83 02")};
    });
    Connect();
    EXPECT_EQ(Send("01 03 00 00 00 02"), 0);
    EXPECT_EQ(FResponse, Hex("01 03 04 12 34 56 78"));
    EXPECT_EQ(Send("01 06 00 10 12 34"), 0);
    EXPECT_EQ(Send("01 03 00 99 00 01"), TkxMBResult::IllegalAddress);
    EXPECT_TRUE(FResponse.empty());
}

TEST_F(TkxMBSerialOverPty, AsciiRoundTrip) {
    StartPeer([](const std::vector<std::uint8_t>& frame) -> PeerReply {
        if (frame == TkxMBFrame::EncodeAscii(Hex("07 41"))) {
            return {TkxMBFrame::EncodeAscii(Hex("07 41 00 01 00 02 00 03 00 7B 00 05"))};
        }
        return {};
    });
    Connect(1);
    EXPECT_EQ(Send("07 41"), 0);
    EXPECT_EQ(FResponse, Hex("07 41 00 01 00 02 00 03 00 7B 00 05"));
}

TEST_F(TkxMBSerialOverPty, SilenceTimeOutAndCorruption) {
    int call = 0;
    StartPeer([&call](const std::vector<std::uint8_t>&) -> PeerReply {
        switch (call++) {
        case 0:
            return {};
        case 1:
            return {Hex("01 03 04 12 34 56 78 00 00")};
        case 2:
            return {Hex("01 03 04 12")}; // cut off mid-frame
        default:
            return {Rtu("01 03 04 12 34 56 78")};
        }
    });
    Connect();
    EXPECT_EQ(Send("01 03 00 00 00 02"), TkxMBResult::Timeout);
    EXPECT_EQ(Send("01 03 00 00 00 02"), TkxMBResult::InvalidCrc);
    EXPECT_EQ(Send("01 03 00 00 00 02"), TkxMBResult::InvalidResponse);
    EXPECT_EQ(Send("01 03 00 00 00 02"), 0);
}

TEST_F(TkxMBSerialOverPty, LateReplyIsNotTakenForTheNextRequest) {
    int call = 0;
    StartPeer([&call](const std::vector<std::uint8_t>&) -> PeerReply {
        if (call++ == 0) {
            return {Rtu("01 03 04 00 00 00 01"), 300ms}; // after the 200 ms time-out
        }
        return {Rtu("01 03 04 00 00 00 02")};
    });
    Connect();
    EXPECT_EQ(Send("01 03 00 00 00 02"), TkxMBResult::Timeout);
    // The late reply is still on its way when the next request is made.
    EXPECT_EQ(Send("01 03 00 00 00 02"), 0);
    EXPECT_EQ(FResponse, Hex("01 03 04 00 00 00 02"));
}

TEST_F(TkxMBSerialOverPty, PulledCableGivesErrorsNotAHang) {
    StartPeer([](const std::vector<std::uint8_t>&) -> PeerReply { return {}; });
    Connect();
    FPty->Kill();
    auto sends = std::async(std::launch::async, [this] {
        const std::int32_t first = Send("01 03 00 00 00 02");
        return std::pair(first, Send("01 03 00 00 00 02"));
    });
    const bool ended = sends.wait_for(10s) == std::future_status::ready;
    if (!ended) {
        FCancel.Trigger(); // lets a hanging exchange go, so the test can end
    }
    ASSERT_TRUE(ended) << "the exchanges on a dead line did not end";
    const auto [first, second] = sends.get();
    EXPECT_NE(first, 0);
    EXPECT_NE(second, 0);
}

TEST_F(TkxMBSerialOverPty, CancelEndsAWaitAtOnce) {
    auto asked = std::make_shared<std::atomic<bool>>(false);
    StartPeer([asked](const std::vector<std::uint8_t>&) -> PeerReply {
        *asked = true;
        return {};
    });
    Connect(0, 60000); // only the cancel can end the wait within the bound below
    auto send = std::async(std::launch::async, [this] { return Send("01 03 00 00 00 02"); });
    const bool reachedThePeer = WaitUntil([&] { return asked->load(); });
    FCancel.Trigger();
    ASSERT_TRUE(reachedThePeer);
    ASSERT_EQ(send.wait_for(10s), std::future_status::ready) << "the cancel did not end the wait";
    EXPECT_EQ(send.get(), TkxMBResult::Timeout);
}

TEST(TkxMBSerialLink, MissingPortFailsConnectWithAReason) {
    TkxMBPortMap ports;
    ports.Set(3, "/dev/tkx-no-such-port");
    TkxMBCancel cancel;
    TkxMBLinkServer server(cancel, ports);
    bool ok = false;
    server.OpenConnection("x", 1, ok);
    server.Set_ComPort(3);
    bool connected = true;
    server.Connect(connected);
    EXPECT_FALSE(connected);
    EXPECT_NE(server.GetLastErrorText().find("/dev/tkx-no-such-port"), std::string::npos);
    EXPECT_EQ(server.TxRxMessage(Hex("01 03 00 00 00 01")).Result, TkxMBResult::PortNotInitialized);
}

TEST(TkxMBSerialLink, AFileIsNotASerialPortRatherThanBusy) {
    for (const char* path : {"/dev/null", TKX_SOURCE_DIR "/README.md"}) {
        TkxMBPortMap ports;
        ports.Set(1, path);
        TkxMBCancel cancel;
        TkxMBLinkServer server(cancel, ports);
        bool ok = false;
        server.OpenConnection("x", 1, ok);
        bool connected = true;
        server.Connect(connected);
        EXPECT_FALSE(connected) << path;
        EXPECT_EQ(server.GetLastErrorText(), std::string(path) + " is not a serial port");
    }
}

TEST(TkxMBSerialLink, PermissionFailureNamesTheDialoutGroup) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root may open any file";
    }
    const auto path = std::filesystem::temp_directory_path() / "tkx-locked-port";
    close(open(path.c_str(), O_CREAT | O_WRONLY, 0000));
    chmod(path.c_str(), 0000);
    TkxMBPortMap ports;
    ports.Set(2, path.string());
    TkxMBCancel cancel;
    TkxMBLinkServer server(cancel, ports);
    bool ok = false;
    server.OpenConnection("x", 1, ok);
    server.Set_ComPort(2);
    bool connected = true;
    server.Connect(connected);
    EXPECT_FALSE(connected);
    EXPECT_NE(server.GetLastErrorText().find("dialout"), std::string::npos);
    std::filesystem::remove(path);
}

TEST(TkxMBPortMap, DefaultsToUsbSerialDevices) {
    TkxMBPortMap ports;
    EXPECT_EQ(ports.DevicePath(1), "/dev/ttyUSB0");
    EXPECT_EQ(ports.DevicePath(8), "/dev/ttyUSB7");
    ports.Set(1, "/dev/ttyS0");
    EXPECT_EQ(ports.DevicePath(1), "/dev/ttyS0");
    ports.Set(1, "");
    EXPECT_EQ(ports.DevicePath(1), "/dev/ttyUSB0");
    ports.Set(2, "/dev/ttyS1");
    ports.Clear();
    EXPECT_EQ(ports.DevicePath(2), "/dev/ttyUSB1");
}

TEST(TkxMBServer, RequestLengthIsChecked) {
    TkxMBCancel cancel;
    TkxMBPortMap ports;
    TkxMBLinkServer server(cancel, ports);
    bool ok = true;
    server.OpenConnection("x", 3, ok);
    EXPECT_FALSE(ok);
    server.OpenConnection("x", 2, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(server.TxRxMessage(Hex("01 03")).Result, TkxMBResult::SocketNotConnected);
}

// A loopback TCP peer: accepts one client and answers through the script, which sees the
// whole MBAP frame.
class TcpPeer {
public:
    explicit TcpPeer(PeerScript script) {
        FListen = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(FListen, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t size = sizeof address;
        getsockname(FListen, reinterpret_cast<sockaddr*>(&address), &size);
        FPort = ntohs(address.sin_port);
        listen(FListen, 4);
        FThread = std::thread([this, script] {
            while (!FStop) {
                pollfd pfd{FListen, POLLIN, 0};
                if (poll(&pfd, 1, 20) <= 0) {
                    continue;
                }
                FClient = accept(FListen, nullptr, nullptr);
                ServePeer(FClient, FStop, script);
                close(FClient.exchange(-1));
            }
        });
    }
    ~TcpPeer() {
        FStop = true;
        FThread.join();
        close(FListen);
    }
    int Port() const { return FPort; }
    bool HasClient() const { return FClient.load() >= 0; }
    // Resets the connection as a pulled cable or a crashed peer does.
    void Reset() {
        const int client = FClient.load();
        if (client >= 0) {
            linger hard{1, 0};
            setsockopt(client, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
            shutdown(client, SHUT_RDWR);
        }
    }

private:
    int FListen = -1;
    int FPort = 0;
    std::atomic<int> FClient{-1};
    std::atomic<bool> FStop{false};
    std::thread FThread;
};

// Answers a read with the transaction id of the request.
PeerReply TcpAnswer(const std::vector<std::uint8_t>& frame, const std::string& pdu) {
    auto reply = Hex("00 00 00 00 00 00" + pdu);
    reply[0] = frame[0];
    reply[1] = frame[1];
    reply[5] = static_cast<std::uint8_t>(reply.size() - 6);
    return {reply};
}

class TkxMBTcpLoopback : public testing::Test {
protected:
    void Connect(int port) {
        bool ok = false;
        FServer.OpenConnection("tcp", 2, ok);
        FServer.Set_Host("127.0.0.1");
        FServer.Set_TcpPort(port);
        FServer.Set_TimeOut(200);
        bool connected = false;
        FServer.Connect(connected);
        ASSERT_TRUE(connected) << FServer.GetLastErrorText();
    }
    std::int32_t Send(const std::string& hex) {
        TkxMBReply reply = FServer.TxRxMessage(Hex(hex));
        FResponse = std::move(reply.Data);
        return reply.Result;
    }
    TkxMBCancel FCancel;
    TkxMBPortMap FPorts;
    TkxMBLinkServer FServer{FCancel, FPorts};
    std::vector<std::uint8_t> FResponse;
};

TEST_F(TkxMBTcpLoopback, ReadAndStaleTransactionIdDropped) {
    int call = 0;
    TcpPeer peer([&call](const std::vector<std::uint8_t>& frame) -> PeerReply {
        if (call++ == 1) {
            // An answer to an older request first, then the real one.
            auto stale = TcpAnswer(frame, "05 03 02 00 01").Bytes;
            stale[1] = static_cast<std::uint8_t>(stale[1] - 1);
            const auto good = TcpAnswer(frame, "05 03 02 00 02").Bytes;
            stale.insert(stale.end(), good.begin(), good.end());
            return {stale};
        }
        return TcpAnswer(frame, "05 03 02 00 07");
    });
    Connect(peer.Port());
    EXPECT_EQ(Send("05 03 10 00 00 01"), 0);
    EXPECT_EQ(FResponse, Hex("05 03 02 00 07"));
    EXPECT_EQ(Send("05 03 10 00 00 01"), 0);
    EXPECT_EQ(FResponse, Hex("05 03 02 00 02"));
}

TEST_F(TkxMBTcpLoopback, ResetGivesSocketErrorThenReconnects) {
    TcpPeer peer([](const std::vector<std::uint8_t>& frame) -> PeerReply {
        return TcpAnswer(frame, "05 03 02 00 07");
    });
    Connect(peer.Port());
    EXPECT_EQ(Send("05 03 10 00 00 01"), 0);
    peer.Reset();
    ASSERT_TRUE(WaitUntil([&] { return !peer.HasClient(); })) << "the peer kept the connection";
    const std::int32_t broken = Send("05 03 10 00 00 01");
    EXPECT_TRUE(broken == TkxMBResult::SocketReadError || broken == TkxMBResult::SocketWriteError ||
                broken == 0)
        << std::hex << broken;
    std::int32_t later = -1;
    for (int i = 0; i < 5 && later != 0; ++i) {
        later = Send("05 03 10 00 00 01");
    }
    EXPECT_EQ(later, 0);
}

TEST_F(TkxMBTcpLoopback, NobodyListeningFailsConnect) {
    int port = 0;
    {
        TcpPeer closed([](const std::vector<std::uint8_t>&) -> PeerReply { return {}; });
        port = closed.Port();
    }
    bool ok = false;
    FServer.OpenConnection("tcp", 2, ok);
    FServer.Set_TcpPort(port);
    FServer.Set_TimeOut(200);
    bool connected = true;
    FServer.Connect(connected);
    EXPECT_FALSE(connected);
    EXPECT_FALSE(FServer.GetLastErrorText().empty());
}

TEST_F(TkxMBTcpLoopback, AReplyShorterThanItsHeaderPromisesIsInvalidNotATimeOut) {
    TcpPeer peer([](const std::vector<std::uint8_t>& frame) -> PeerReply {
        auto cut = TcpAnswer(frame, "05 03 02 00 07").Bytes;
        cut[5] = static_cast<std::uint8_t>(cut[5] + 4);
        return {cut};
    });
    Connect(peer.Port());
    EXPECT_EQ(Send("05 03 10 00 00 01"), TkxMBResult::InvalidResponse);
}

TEST_F(TkxMBTcpLoopback, SilentPeerTimesOut) {
    TcpPeer peer([](const std::vector<std::uint8_t>&) -> PeerReply { return {}; });
    Connect(peer.Port());
    EXPECT_EQ(Send("05 03 10 00 00 01"), TkxMBResult::Timeout);
}

} // namespace
