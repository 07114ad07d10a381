// The simulator against an independent Modbus master (mbpoll), over a pseudo-terminal at
// 19200 8E1 and over loopback TCP, as a service engineer's tools would meet it.
#include "support/simprocess.h"
#include "support/tkxtempfolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <unistd.h>

namespace qxsim {
namespace {

using namespace std::chrono_literals;

const std::string kDefs = std::string(TKX_TEST_DATA_DIR) + "/sim/drive.par";

class SimPeersTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveProgram("mbpoll")) {
            GTEST_SKIP() << "mbpoll is not installed (scripts/install-deps.sh installs it)";
        }
    }

    std::string PathOf(const char* name) const { return FFolder.PathOf(name); }

    // mbpoll on the serial line: holding registers, 0-based references, one poll.
    static SimRunResult PollSerial(const std::string& device, int start, int count) {
        return RunProgram({"mbpoll",
                           "-m",
                           "rtu",
                           "-b",
                           "19200",
                           "-d",
                           "8",
                           "-P",
                           "even",
                           "-s",
                           "1",
                           "-a",
                           "1",
                           "-0",
                           "-t",
                           "4",
                           "-1",
                           "-o",
                           "1",
                           "-r",
                           std::to_string(start),
                           "-c",
                           std::to_string(count),
                           device},
                          20s);
    }
    // One value goes with function 6, several with function 16.
    static SimRunResult WriteSerial(const std::string& device, int address,
                                    const std::vector<int>& values) {
        std::vector<std::string> args{
            "mbpoll", "-m", "rtu", "-b", "19200", "-d", "8",  "-P", "even", "-s",
            "1",      "-a", "1",   "-0", "-t",    "4",  "-o", "1",  "-r",   std::to_string(address),
            device};
        for (const int value : values) {
            args.push_back(std::to_string(value));
        }
        return RunProgram(args, 20s);
    }
    static SimRunResult WriteSerial(const std::string& device, int address, int value) {
        return WriteSerial(device, address, std::vector<int>{value});
    }
    static std::vector<std::string> TcpArgs(int port, double timeoutSeconds) {
        return {"mbpoll", "-m", "tcp", "-p", std::to_string(port),          "-a", "1",
                "-0",     "-t", "4",   "-o", std::to_string(timeoutSeconds)};
    }
    static SimRunResult PollTcp(int port, int start, int count, double timeoutSeconds = 1) {
        auto args = TcpArgs(port, timeoutSeconds);
        args.insert(args.end(),
                    {"-1", "-r", std::to_string(start), "-c", std::to_string(count), "127.0.0.1"});
        return RunProgram(args, 20s);
    }
    static SimRunResult WriteTcp(int port, int address, int value) {
        auto args = TcpArgs(port, 1);
        args.insert(args.end(),
                    {"-r", std::to_string(address), "127.0.0.1", std::to_string(value)});
        return RunProgram(args, 20s);
    }

    TkxTempFolder FFolder;
};

void ExpectRegister(const SimRunResult& poll, int address, const std::string& shown) {
    EXPECT_EQ(poll.ExitCode, 0) << poll.Output;
    EXPECT_NE(poll.Output.find("[" + std::to_string(address) + "]: \t" + shown + "\n"),
              std::string::npos)
        << poll.Output;
}

TEST_F(SimPeersTest, SerialLineGivesTheDefaultsAndKeepsWhatIsWritten) {
    const std::string link = PathOf("drive");
    SimProcess sim({"--defs", kDefs, "--link", link});
    ASSERT_TRUE(sim.Started()) << sim.Banner();

    const auto defaults = PollSerial(link, 100, 4);
    ExpectRegister(defaults, 100, "1500");
    ExpectRegister(defaults, 101, "65531 (-5)");
    ExpectRegister(defaults, 102, "125");
    ExpectRegister(defaults, 103, "3");

    EXPECT_EQ(WriteSerial(link, 100, 2500).ExitCode, 0);
    ExpectRegister(PollSerial(link, 100, 1), 100, "2500");

    const auto refused = WriteSerial(link, 100, 3001);
    EXPECT_NE(refused.ExitCode, 0);
    EXPECT_NE(refused.Output.find("Illegal data value"), std::string::npos) << refused.Output;
    EXPECT_NE(PollSerial(link, 104, 1).Output.find("Illegal data address"), std::string::npos);

    const auto stopped = sim.Stop();
    EXPECT_EQ(stopped.ExitCode, 0) << stopped.Output;
    EXPECT_FALSE(std::filesystem::is_symlink(link));
}

// A long is two registers on the wire and a date three; mbpoll asks with the standard counts
// and may take any of their words.
TEST_F(SimPeersTest, ALongAndADateAreTheirWordsOnTheWire) {
    const std::string link = PathOf("drive");
    SimProcess sim({"--defs", kDefs, "--link", link});
    ASSERT_TRUE(sim.Started()) << sim.Banner();

    const auto hours = PollSerial(link, 210, 2);
    ExpectRegister(hours, 210, "1");
    ExpectRegister(hours, 211, "4464"); // 70000, high word first
    ExpectRegister(PollSerial(link, 211, 1), 211, "4464");
    EXPECT_EQ(WriteSerial(link, 210, {1, 4465}).ExitCode, 0);
    ExpectRegister(PollSerial(link, 210, 2), 211, "4465");

    EXPECT_EQ(WriteSerial(link, 220, {24, 12, 26}).ExitCode, 0);
    const auto date = PollSerial(link, 220, 3);
    ExpectRegister(date, 220, "24");
    ExpectRegister(date, 221, "12");
    ExpectRegister(date, 222, "26");

    // A word of a long is checked with the other one: 0x00020001 is above Runtime's 100000.
    const auto high = WriteSerial(link, 224, 2);
    EXPECT_NE(high.ExitCode, 0);
    EXPECT_NE(high.Output.find("Illegal data value"), std::string::npos) << high.Output;
    ExpectRegister(PollSerial(link, 224, 2), 224, "1");
}

TEST_F(SimPeersTest, TcpGivesTheDefaultsAndKeepsWhatIsWritten) {
    SimProcess sim({"--defs", kDefs, "--tcp", "0"});
    ASSERT_TRUE(sim.Started()) << sim.Banner();
    ASSERT_GT(sim.TcpPort(), 0) << sim.Banner();

    const auto defaults = PollTcp(sim.TcpPort(), 200, 2);
    ExpectRegister(defaults, 200, "7");
    ExpectRegister(defaults, 201, "0");
    EXPECT_EQ(WriteTcp(sim.TcpPort(), 101, 65436).ExitCode, 0); // -100, the minimum
    ExpectRegister(PollTcp(sim.TcpPort(), 101, 1), 101, "65436 (-100)");
}

TEST_F(SimPeersTest, EEPromCopiesSurviveARestart) {
    const std::string link = PathOf("drive");
    const std::string state = PathOf("drive.nv");
    {
        SimProcess sim({"--defs", kDefs, "--link", link, "--state", state});
        ASSERT_TRUE(sim.Started()) << sim.Banner();
        EXPECT_EQ(WriteSerial(link, 1100, 2222).ExitCode, 0);
        EXPECT_EQ(WriteSerial(link, 101, 50).ExitCode, 0); // RAM only
    }
    SimProcess sim({"--defs", kDefs, "--link", link, "--state", state});
    ASSERT_TRUE(sim.Started()) << sim.Banner();
    const auto after = PollSerial(link, 100, 2);
    ExpectRegister(after, 100, "2222");
    ExpectRegister(after, 101, "65531 (-5)");
    ExpectRegister(PollSerial(link, 1100, 1), 1100, "2222");
}

TEST_F(SimPeersTest, VanishedDriveStaysSilentUntilItComesBack) {
    SimProcess sim({"--defs", kDefs, "--tcp", "0"});
    ASSERT_TRUE(sim.Started()) << sim.Banner();
    sim.Signal(SIGUSR1);
    ASSERT_TRUE(sim.WaitForOutput("vanished\n", 10s));
    EXPECT_NE(PollTcp(sim.TcpPort(), 100, 1, 0.3).ExitCode, 0);
    sim.Signal(SIGUSR2);
    ASSERT_TRUE(sim.WaitForOutput("back\n", 10s));
    ExpectRegister(PollTcp(sim.TcpPort(), 100, 1), 100, "1500");
}

TEST_F(SimPeersTest, InjectedFaultsReachTheMaster) {
    {
        SimProcess busy({"--defs", kDefs, "--tcp", "0", "--busy", "1"});
        ASSERT_TRUE(busy.Started()) << busy.Banner();
        const auto poll = PollTcp(busy.TcpPort(), 100, 1);
        EXPECT_NE(poll.ExitCode, 0);
        EXPECT_NE(poll.Output.find("busy"), std::string::npos) << poll.Output;
    }
    const std::string link = PathOf("drive");
    {
        SimProcess corrupt({"--defs", kDefs, "--link", link, "--corrupt", "1"});
        ASSERT_TRUE(corrupt.Started()) << corrupt.Banner();
        const auto poll = PollSerial(link, 100, 1);
        EXPECT_NE(poll.ExitCode, 0);
        EXPECT_NE(poll.Output.find("CRC"), std::string::npos) << poll.Output;
    }
    SimProcess drop({"--defs", kDefs, "--tcp", "0", "--drop", "1"});
    ASSERT_TRUE(drop.Started()) << drop.Banner();
    const auto poll = PollTcp(drop.TcpPort(), 100, 1, 0.3);
    EXPECT_NE(poll.ExitCode, 0);
    EXPECT_NE(poll.Output.find("timed out"), std::string::npos) << poll.Output;
}

TEST_F(SimPeersTest, FaultedAddressesFailEveryRequestThatCoversThem) {
    SimProcess sim(
        {"--defs", kDefs, "--tcp", "0", "--fault", "101=exception:4", "--fault", "200=drop"});
    ASSERT_TRUE(sim.Started()) << sim.Banner();
    ExpectRegister(PollTcp(sim.TcpPort(), 100, 1), 100, "1500");
    for (int attempt = 0; attempt < 2; ++attempt) {
        const auto refused = PollTcp(sim.TcpPort(), 100, 2);
        EXPECT_NE(refused.ExitCode, 0);
        EXPECT_NE(refused.Output.find("Slave device or server failure"), std::string::npos)
            << refused.Output;
    }
    const auto written = WriteTcp(sim.TcpPort(), 101, 1);
    EXPECT_NE(written.ExitCode, 0);
    EXPECT_NE(written.Output.find("Slave device or server failure"), std::string::npos)
        << written.Output;
    const auto dropped = PollTcp(sim.TcpPort(), 200, 1, 0.3);
    EXPECT_NE(dropped.ExitCode, 0);
    EXPECT_NE(dropped.Output.find("timed out"), std::string::npos) << dropped.Output;
    ExpectRegister(PollTcp(sim.TcpPort(), 201, 1), 201, "0");
}

TEST_F(SimPeersTest, BadFaultTextsAreRefusedAtStart) {
    const auto bad =
        RunProgram({SimulatorPath(), "--defs", kDefs, "--tcp", "0", "--fault", "200=ex4"}, 10s);
    EXPECT_EQ(bad.ExitCode, 2);
    EXPECT_NE(bad.Output.find("bad value '200=ex4' for --fault: the kind is drop, corrupt, "
                              "exception:N or delay:MS"),
              std::string::npos)
        << bad.Output;
}

TEST_F(SimPeersTest, OtherSlaveAddressesAreNotAnswered) {
    SimProcess sim({"--defs", kDefs, "--tcp", "0", "--slave", "7"});
    ASSERT_TRUE(sim.Started()) << sim.Banner();
    EXPECT_NE(PollTcp(sim.TcpPort(), 100, 1, 0.3).ExitCode, 0);
}

TEST_F(SimPeersTest, SecondInstanceOnOneLinkOrPortFailsClearly) {
    const std::string link = PathOf("drive");
    SimProcess first({"--defs", kDefs, "--link", link});
    ASSERT_TRUE(first.Started()) << first.Banner();
    const auto second = RunProgram({SimulatorPath(), "--defs", kDefs, "--link", link}, 10s);
    EXPECT_EQ(second.ExitCode, 1);
    EXPECT_EQ(second.Output, "qxdrive-sim: another simulator already serves " + link + "\n");

    SimProcess tcp({"--defs", kDefs, "--tcp", "0"});
    ASSERT_TRUE(tcp.Started()) << tcp.Banner();
    const auto taken =
        RunProgram({SimulatorPath(), "--defs", kDefs, "--tcp", std::to_string(tcp.TcpPort())}, 10s);
    EXPECT_EQ(taken.ExitCode, 1);
    EXPECT_NE(taken.Output.find("cannot listen on 127.0.0.1:" + std::to_string(tcp.TcpPort())),
              std::string::npos)
        << taken.Output;
}

// The value mbpoll shows for a register, or an empty text.
std::string Shown(const SimRunResult& poll, int address) {
    const std::string key = "[" + std::to_string(address) + "]: \t";
    const auto at = poll.Output.find(key);
    return at == std::string::npos
               ? ""
               : poll.Output.substr(at + key.size(), poll.Output.find('\n', at) - at - key.size());
}

// The demo drive on its serial line, enabled and given a reference by mbpoll, runs: its
// frequency rises and its position counts between one poll and the next.
TEST_F(SimPeersTest, MbpollWatchesTheDemoDriveRun) {
    const std::string link = PathOf("demo");
    SimProcess sim({"--demo", "--link", link});
    ASSERT_TRUE(sim.Started()) << sim.Banner();
    EXPECT_NE(sim.Banner().find("QX460v402"), std::string::npos) << sim.Banner();
    ExpectRegister(PollSerial(link, 1111, 1), 1111, "45"); // 4.5 A rated current
    EXPECT_EQ(WriteSerial(link, 1012, 16384).ExitCode, 0);
    EXPECT_EQ(WriteSerial(link, 1011, 1).ExitCode, 0);

    std::set<std::string> positions;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (positions.size() < 3 && std::chrono::steady_clock::now() < deadline) {
        const auto poll = PollSerial(link, 1000, 6);
        ASSERT_EQ(poll.ExitCode, 0) << poll.Output;
        if (Shown(poll, 1003) != "0") {
            positions.insert(Shown(poll, 1005));
        }
    }
    EXPECT_EQ(positions.size(), 3u) << "the position changes from poll to poll";
}

TEST_F(SimPeersTest, BadStartsSayWhy) {
    const auto missing = RunProgram({SimulatorPath(), "--defs", PathOf("none.par")}, 10s);
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_NE(missing.Output.find("none.par"), std::string::npos) << missing.Output;

    const std::string state = PathOf("broken.nv");
    std::ofstream(state) << "100=XYZ\n";
    const auto broken =
        RunProgram({SimulatorPath(), "--defs", kDefs, "--tcp", "0", "--state", state}, 10s);
    EXPECT_EQ(broken.ExitCode, 1);
    EXPECT_NE(broken.Output.find("broken.nv:1:"), std::string::npos) << broken.Output;

    const auto version =
        RunProgram({SimulatorPath(), "--defs", kDefs, "--drive-version", "X1"}, 10s);
    EXPECT_EQ(version.ExitCode, 2);
}

} // namespace
} // namespace qxsim
