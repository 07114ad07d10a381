// The simulator against the terminal's own line code, in both serial framings.
#include "support/simprocess.h"

#include "base/tkxmbresultcodes.h"
#include "modbus/tkxmbcancelcls.h"
#include "modbus/tkxmblinkservercls.h"
#include "modbus/tkxmbportmapcls.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace qxsim {
namespace {

constexpr int kComPort = 17;
const std::string kDefs = std::string(TKX_TEST_DATA_DIR) + "/sim/drive.par";

class SimLineTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        FLink = (std::filesystem::temp_directory_path() /
                 ("simline-" + std::to_string(::getpid()) + (GetParam() ? "-ascii" : "-rtu")))
                    .string();
    }

    // A line to the simulator on the link, in the framing of the test.
    void Connect(TkxMBLinkServer& server) const {
        TkxMBPortMap::Set(kComPort, FLink);
        bool ok = false;
        server.OpenConnection("sim", 1, ok);
        server.Set_ComPort(kComPort);
        server.Set_BaudRate(19200);
        server.Set_Parity(2);
        server.Set_TimeOut(500);
        server.Set_TransmissionMode(GetParam() ? 1 : 0);
        server.Connect(ok);
        ASSERT_TRUE(ok) << server.GetLastErrorText();
    }

    std::string FLink;
};

TEST_P(SimLineTest, ReadsWritesVersionAndExceptions) {
    std::vector<std::string> args{"--defs", kDefs, "--link", FLink, "--version", "QX440v123"};
    if (GetParam()) {
        args.push_back("--ascii");
    }
    SimProcess sim(args);
    ASSERT_TRUE(sim.Started()) << sim.Banner();
    TkxMBCancel cancel;
    TkxMBLinkServer server(cancel);
    Connect(server);

    std::vector<std::uint8_t> response, bytesRead;
    const auto exchange = [&](std::vector<std::uint8_t> request) {
        return server.TxRxMessage(request, static_cast<std::uint16_t>(request.size()), response, 0,
                                  bytesRead);
    };
    ASSERT_EQ(exchange({1, 3, 0, 100, 0, 2}), TkxMBResult::Ok);
    EXPECT_EQ(response, (std::vector<std::uint8_t>{1, 3, 4, 0x05, 0xDC, 0xFF, 0xFB}));

    ASSERT_EQ(exchange({1, 6, 0, 100, 0x07, 0xD0}), TkxMBResult::Ok);
    ASSERT_EQ(exchange({1, 3, 0, 100, 0, 1}), TkxMBResult::Ok);
    EXPECT_EQ(response, (std::vector<std::uint8_t>{1, 3, 2, 0x07, 0xD0}));

    ASSERT_EQ(exchange({1, 65}), TkxMBResult::Ok);
    EXPECT_EQ(response,
              (std::vector<std::uint8_t>{1, 65, 0, 0, 0x01, 0xB8, 0xFF, 0xFF, 0, 123, 0xFF, 0xFF}));

    EXPECT_EQ(exchange({1, 3, 0, 104, 0, 1}), TkxMBResult::IllegalAddress);
    EXPECT_EQ(exchange({1, 6, 0, 100, 0x0B, 0xB9}), TkxMBResult::IllegalValue);
    EXPECT_EQ(exchange({2, 3, 0, 100, 0, 1}), TkxMBResult::Timeout);
    server.CloseConnection();
}

INSTANTIATE_TEST_SUITE_P(Framings, SimLineTest, ::testing::Bool(),
                         [](const auto& framing) { return framing.param ? "Ascii" : "Rtu"; });

} // namespace
} // namespace qxsim
