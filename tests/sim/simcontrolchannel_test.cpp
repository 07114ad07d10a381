#include "sim/simcontrolchannel.h"

#include "simtestdrive.h"
#include "support/tkxtempfolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace qxsim {
namespace {

using Clock = std::chrono::steady_clock;

SimFd Connect(const std::string& path) {
    SimFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (::connect(socket.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        socket.Reset();
    }
    return socket;
}

class SimControlChannelTest : public ::testing::Test {
protected:
    // Runs the channel's part of the server loop until the fd has the lines, or two seconds.
    std::string Exchange(SimControlChannel& channel, int fd, const std::string& sent,
                         int lines = 1) {
        if (!sent.empty()) {
            EXPECT_EQ(::write(fd, sent.data(), sent.size()), ssize_t(sent.size()));
        }
        std::string got;
        const auto deadline = Clock::now() + std::chrono::seconds(2);
        while (std::count(got.begin(), got.end(), '\n') < lines && Clock::now() < deadline) {
            std::vector<pollfd> watched;
            channel.Watch(watched);
            ::poll(watched.data(), watched.size(), 20);
            channel.Serve(watched);
            char chunk[4096];
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n > 0) {
                got.append(chunk, std::size_t(n));
            } else if (n == 0) {
                break;
            }
        }
        return got;
    }

    TkxTempFolder FFolder;
    SimShippedDrive FDrive;
    SimDriveModel* FModel = FDrive.Model();
    std::unique_ptr<SimCommands> FCommands = std::make_unique<SimCommands>(*FModel);
    std::ostringstream FOut;
};

TEST_F(SimControlChannelTest, SeveralClientsAreAnsweredEachOnItsOwnConnection) {
    const std::string path = FFolder.PathOf("control");
    {
        SimControlChannel channel(path, *FCommands, FOut);
        EXPECT_EQ(channel.Address(), path);
        SimFd first = Connect(path);
        SimFd second = Connect(path);
        ASSERT_TRUE(first.Valid() && second.Valid());
        EXPECT_EQ(Exchange(channel, first.Get(), "load 40\n"), "ok\n");
        EXPECT_EQ(Exchange(channel, second.Get(), "bogus\nload 50\n", 2).substr(0, 7), "error: ");
        EXPECT_EQ(Exchange(channel, first.Get(), "quit\n"), "bye\n");
        EXPECT_EQ(Exchange(channel, first.Get(), ""), "") << "closed after quit";
        // A line split over two writes is one line.
        ASSERT_EQ(::write(second.Get(), "stat", 4), 4);
        EXPECT_NE(Exchange(channel, second.Get(), "us\n").find("load 50 %"), std::string::npos);
        EXPECT_TRUE(FOut.str().empty());
    }
    EXPECT_FALSE(std::filesystem::exists(path)) << "the socket goes with the channel";
}

TEST_F(SimControlChannelTest, OverlongLinesAreRefusedWholeAndTheNextLineCounts) {
    const std::string path = FFolder.PathOf("control");
    SimControlChannel channel(path, *FCommands, FOut);
    SimFd client = Connect(path);
    const std::string longLine = "load " + std::string(SimControlChannel::kMaxLine, '1') + "\n";
    const std::string answers = Exchange(channel, client.Get(), longLine + "load 70\n", 2);
    EXPECT_EQ(answers, "error: line longer than 1024 bytes, ignored\nok\n");
    EXPECT_NE(Exchange(channel, client.Get(), "status\n").find("load 70 %"), std::string::npos);
}

TEST_F(SimControlChannelTest, AStaleSocketIsReplacedAndALiveOneOrAFileRefused) {
    const std::string path = FFolder.PathOf("control");
    {
        // A socket whose listener is gone, as a crashed simulator leaves it.
        SimFd stale(::socket(AF_UNIX, SOCK_STREAM, 0));
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        ASSERT_EQ(::bind(stale.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    }
    SimControlChannel channel(path, *FCommands, FOut);
    try {
        SimControlChannel second(path, *FCommands, FOut);
        ADD_FAILURE() << "a second channel on a live socket";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("in use"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(std::filesystem::exists(path)) << "the live socket stays";
    const std::string file = FFolder.Write("file", "keep me");
    EXPECT_THROW(SimControlChannel(file, *FCommands, FOut), std::runtime_error);
    EXPECT_THROW(SimControlChannel(FFolder.PathOf(std::string(120, 'x')), *FCommands, FOut),
                 std::runtime_error);
    std::ifstream kept(file);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "keep me");
}

TEST_F(SimControlChannelTest, StandardInputIsAnsweredOnTheOutputUntilItEnds) {
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const int savedStdin = ::dup(STDIN_FILENO);
    ::dup2(pipeFds[0], STDIN_FILENO);
    ::close(pipeFds[0]);
    {
        SimControlChannel channel("-", *FCommands, FOut);
        EXPECT_EQ(channel.Address(), "standard input");
        const std::string lines = "load 20\nnothing\n";
        ASSERT_EQ(::write(pipeFds[1], lines.data(), lines.size()), ssize_t(lines.size()));
        ::close(pipeFds[1]);
        for (int round = 0; round < 3; ++round) {
            std::vector<pollfd> watched;
            channel.Watch(watched);
            ::poll(watched.data(), watched.size(), 100);
            channel.Serve(watched);
        }
        std::vector<pollfd> watched;
        channel.Watch(watched);
        EXPECT_TRUE(watched.empty()) << "no longer watched once it has ended";
    }
    ::dup2(savedStdin, STDIN_FILENO);
    ::close(savedStdin);
    EXPECT_EQ(FOut.str().substr(0, 3), "ok\n");
    EXPECT_NE(FOut.str().find("\nerror: unknown command 'nothing'"), std::string::npos);
}

} // namespace
} // namespace qxsim
