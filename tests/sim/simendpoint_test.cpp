#include "sim/simendpoint.h"

#include "support/tkxtempfolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace qxsim {
namespace {

TEST(SimPtyEndpoint, LinkLeadsToTheTerminalAndGoesWithIt) {
    const TkxTempFolder folder;
    const std::string link = folder.PathOf("simpty-link");
    {
        SimPtyEndpoint endpoint(link);
        EXPECT_EQ(std::filesystem::read_symlink(link).string(), endpoint.DevicePath());

        const int client = ::open(link.c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(client, 0);
        termios tio{};
        ASSERT_EQ(tcgetattr(client, &tio), 0);
        cfmakeraw(&tio);
        tcsetattr(client, TCSANOW, &tio);
        const unsigned char frame[] = {0x01, 0x41, 0x00, 0x0D};
        ASSERT_EQ(::write(client, frame, sizeof frame), 4);
        pollfd ready{endpoint.Fd(), POLLIN, 0};
        ASSERT_EQ(::poll(&ready, 1, 2000), 1);
        unsigned char got[8] = {};
        EXPECT_EQ(::read(endpoint.Fd(), got, sizeof got), 4);
        EXPECT_EQ(got[1], 0x41);
        ::close(client);
    }
    EXPECT_FALSE(std::filesystem::is_symlink(link));
}

TEST(SimPtyEndpoint, SecondSimulatorOnTheSameLinkIsRefused) {
    const TkxTempFolder folder;
    const std::string link = folder.PathOf("simpty-twice");
    SimPtyEndpoint first(link);
    try {
        SimPtyEndpoint second(link);
        FAIL() << "two simulators on one link";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "another simulator already serves " + link);
    }
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), first.DevicePath());
}

TEST(SimTcpListener, TakenPortIsRefusedWithItsNumber) {
    SimTcpListener first(0);
    ASSERT_GT(first.Port(), 0);
    try {
        SimTcpListener second(first.Port());
        FAIL() << "two listeners on one port";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(":" + std::to_string(first.Port())),
                  std::string::npos);
    }
}

} // namespace
} // namespace qxsim
