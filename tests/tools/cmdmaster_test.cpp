#include "qxdrive/qxdrivecli.h"
#include "tools/qxdriveruncli.h"

#include "support/simprocess.h"
#include "support/tkxptypaircls.h"
#include "support/tkxtempfolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using ::testing::HasSubstr;

const std::string kDefs = std::string(TKX_TEST_DATA_DIR) + "/master_slave.par";
const std::string kSlaveScript = std::string(TKX_SOURCE_DIR) + "/tests/tools/master_slave.py";
const std::string kPython = "/usr/bin/python3";

bool Runs(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

bool HavePymodbus() {
    return Runs(kPython + " -c 'import pymodbus.server'");
}

// A free loopback port at the time of asking.
int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    close(fd);
    return ntohs(address.sin_port);
}

// A program running beside the test, ended with SIGTERM when the object goes.
class Peer {
public:
    explicit Peer(const std::vector<std::string>& args) {
        std::vector<char*> argv;
        for (const auto& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&FPid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            FPid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Peer() {
        if (FPid > 0) {
            kill(FPid, SIGTERM);
            waitpid(FPid, nullptr, 0);
        }
    }
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;
    bool Started() const { return FPid > 0; }

private:
    pid_t FPid = -1;
};

// The first command is repeated until the peer has come up (each try ends by a time-out or
// refused connection), at most 10 s.
CliResult FirstContact(const std::vector<std::string>& args) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    CliResult result = Qxdrive(args);
    while (result.Status != 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        result = Qxdrive(args);
    }
    return result;
}

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& line) {
    args.insert(args.end(), line.begin(), line.end());
    return args;
}

TEST(CmdMasterUsage, LineOptionsAreCheckedFirst) {
    const CliResult none = Qxdrive({"identify"});
    EXPECT_EQ(none.Status, 2);
    EXPECT_THAT(none.Err, HasSubstr("give either --port PATH or --tcp HOST:PORT"));
    const CliResult both = Qxdrive({"identify", "--port", "/dev/null", "--tcp", "h:1"});
    EXPECT_EQ(both.Status, 2);
    const CliResult slave = Qxdrive({"identify", "--tcp", "127.0.0.1:1", "--slave", "0"});
    EXPECT_EQ(slave.Status, 2);
    EXPECT_THAT(slave.Err, HasSubstr("--slave takes a number from 1 to 255, not '0'"));
    EXPECT_EQ(Qxdrive({"identify", "--tcp", "127.0.0.1"}).Status, 2);
    EXPECT_EQ(Qxdrive({"identify", "--tcp", "127.0.0.1:1", "--bogus"}).Status, 2);
    EXPECT_EQ(Qxdrive({"identify", "--tcp", "127.0.0.1:1", "--timeout"}).Status, 2);
}

TEST(CmdMasterUsage, ReadAndWriteNeedDefinitionsAndOneTarget) {
    const std::vector<std::string> line = {"--tcp", "127.0.0.1:1"};
    const CliResult noDefs = Qxdrive(With({"read", "Setup"}, line));
    EXPECT_EQ(noDefs.Status, 2);
    EXPECT_THAT(noDefs.Err, HasSubstr("--defs FILE.par is needed"));
    EXPECT_EQ(Qxdrive(With({"read", "--defs", kDefs}, line)).Status, 2);
    EXPECT_EQ(
        Qxdrive(With({"read", "Setup", "--start", "1", "--count", "2", "--defs", kDefs}, line))
            .Status,
        2);
    EXPECT_EQ(
        Qxdrive(With({"read", "--start", "65535", "--count", "2", "--defs", kDefs}, line)).Status,
        2)
        << "beyond the last register";
    const CliResult category = Qxdrive(With({"read", "Nothing", "--defs", kDefs}, line));
    EXPECT_EQ(category.Status, 2);
    EXPECT_THAT(category.Err, HasSubstr("no category 'Nothing'"));
    const CliResult near = Qxdrive(With({"read", "setpu", "--defs", kDefs}, line));
    EXPECT_THAT(near.Err, HasSubstr("no category 'setpu' in " + kDefs + "; did you mean Setup?"));
    const CliResult missing = Qxdrive(With({"read", "Setup", "--defs", "/no/such.par"}, line));
    EXPECT_EQ(missing.Status, 1);
    EXPECT_EQ(Qxdrive(With({"write", "Speed", "--defs", kDefs}, line)).Status, 2);
}

// Nothing listens on the port, so a refusal before the line is opened is the only way these
// can report what they report.
TEST(CmdMasterUsage, WriteChecksTheValueBeforeAnythingIsSent) {
    const std::vector<std::string> line = {"--tcp", "127.0.0.1:" + std::to_string(FreePort())};
    const CliResult high = Qxdrive(With({"write", "Voltage", "24.6", "--defs", kDefs}, line));
    EXPECT_EQ(high.Status, 2);
    EXPECT_THAT(high.Err, HasSubstr("Voltage takes at most 24.5, not '24.6'; nothing was sent"));
    const CliResult low = Qxdrive(With({"write", "101", "-101", "--defs", kDefs}, line));
    EXPECT_THAT(low.Err, HasSubstr("Accel takes at least -100"));
    const CliResult type = Qxdrive(With({"write", "Mode", "256", "--defs", kDefs}, line));
    EXPECT_THAT(type.Err, HasSubstr("Mode takes a value the register's type can hold"));
    const CliResult text = Qxdrive(With({"write", "Speed", "fast", "--defs", kDefs}, line));
    EXPECT_THAT(text.Err, HasSubstr("Speed takes a number, not 'fast'"));
    const CliResult unknown = Qxdrive(With({"write", "Torque", "1", "--defs", kDefs}, line));
    EXPECT_EQ(unknown.Status, 2);
    EXPECT_THAT(unknown.Err, HasSubstr("no register 'Torque'"));
    const CliResult near = Qxdrive(With({"write", "sped", "1", "--defs", kDefs}, line));
    EXPECT_THAT(near.Err, HasSubstr("no register 'sped' in " + kDefs + "; did you mean Speed?"));
    const CliResult fine = Qxdrive(With({"write", "Speed", "3000", "--defs", kDefs}, line));
    EXPECT_EQ(fine.Status, 1);
    EXPECT_THAT(fine.Err, HasSubstr("qxdrive write: "));
    EXPECT_THAT(fine.Err, ::testing::Not(HasSubstr("takes")));
}

// A value that does not read whole, or that the register cannot hold exactly, must never
// reach a drive as some other number.
TEST(CmdMasterUsage, TypedValuesAreTakenWholeAndExactOrRefused) {
    const std::vector<std::string> line = {"--tcp", "127.0.0.1:" + std::to_string(FreePort())};
    for (const char* typed : {"1e3", "12,5", "1500abc", "30.5V"}) {
        const CliResult result = Qxdrive(With({"write", "Speed", typed, "--defs", kDefs}, line));
        EXPECT_EQ(result.Status, 2) << typed;
        EXPECT_THAT(result.Err, HasSubstr("Speed takes a number, not '" + std::string(typed) +
                                          "'; nothing was sent"));
    }
    const CliResult between = Qxdrive(With({"write", "Voltage", "13.75", "--defs", kDefs}, line));
    EXPECT_EQ(between.Status, 2);
    EXPECT_THAT(between.Err, HasSubstr("Voltage takes a value it can hold exactly, such as 13.7 "
                                       "or 13.8, not '13.75'"));
}

TEST(CmdMasterLine, NoAnswerPrintsTheResultMessage) {
    if (!TkxPtyPair::Available()) {
        GTEST_SKIP() << "socat is missing";
    }
    TkxPtyPair pty;
    ASSERT_TRUE(pty.Ready());
    const CliResult r = Qxdrive({"identify", "--port", pty.LinkEnd(), "--timeout", "100"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err, "qxdrive identify: timeout, no response!\n"
                     "  tried: " +
                         pty.LinkEnd() +
                         " at 19200 8E1, RTU, slave 1, 3 attempts of up to 100 ms each\n"
                         "  check the cable, the slave address, the baud rate and parity, RTU or "
                         "ASCII (--ascii), and on RS485 the direction control (--rts-toggle)\n");
    const CliResult once = Qxdrive({"identify", "--port", pty.LinkEnd(), "--timeout=100",
                                    "--retries=0", "--slave", "7", "--ascii"});
    EXPECT_THAT(once.Err, HasSubstr(" at 19200 8E1, ASCII, slave 7, 1 attempt of up to 100 ms"));
}

TEST(CmdMasterLine, AFileGivenAsPortIsNotASerialPort) {
    const CliResult r = Qxdrive({"identify", "--port", "/dev/null"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err, "qxdrive identify: /dev/null is not a serial port\n");
}

class CmdMasterPymodbus : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HavePymodbus()) {
            GTEST_SKIP() << "pymodbus is missing for " << kPython;
        }
    }
    void ReadWriteReadBack(const std::vector<std::string>& line) {
        const CliResult first = FirstContact(With({"read", "Setup", "--defs", kDefs}, line));
        ASSERT_EQ(first.Status, 0) << first.Err;
        EXPECT_EQ(first.Out, "  100  Speed                    1500\n"
                             "  101  Accel                    -5\n"
                             "  102  Voltage                  12.5\n"
                             "  103  Mode                     3\n");
        const CliResult write = Qxdrive(With({"write", "Voltage", "20.5", "--defs", kDefs}, line));
        ASSERT_EQ(write.Status, 0) << write.Err;
        EXPECT_EQ(write.Out, "  102  Voltage                  20.5\n");
        const CliResult back =
            Qxdrive(With({"read", "--start", "102", "--count", "1", "--defs", kDefs}, line));
        ASSERT_EQ(back.Status, 0) << back.Err;
        EXPECT_EQ(back.Out, "  102  Voltage                  20.5\n");
    }
    // The slave answers exactly the registers asked for: a long is read and written as its two
    // registers, a date as its three.
    void LongAndDate(const std::vector<std::string>& line) {
        const CliResult first =
            Qxdrive(With({"read", "--start", "205", "--count", "20", "--defs", kDefs}, line));
        ASSERT_EQ(first.Status, 0) << first.Err;
        EXPECT_EQ(first.Out, "  210  Hours                    70000\n"
                             "  220  Serviced                 24/12/2026\n");
        const CliResult hours = Qxdrive(With({"write", "Hours", "70001", "--defs", kDefs}, line));
        ASSERT_EQ(hours.Status, 0) << hours.Err;
        EXPECT_EQ(hours.Out, "  210  Hours                    70001\n");
        const CliResult day =
            Qxdrive(With({"write", "Serviced", "01/02/2027", "--defs", kDefs}, line));
        ASSERT_EQ(day.Status, 0) << day.Err;
        const CliResult back =
            Qxdrive(With({"read", "--start", "210", "--count", "11", "--defs", kDefs}, line));
        ASSERT_EQ(back.Status, 0) << back.Err;
        EXPECT_EQ(back.Out, "  210  Hours                    70001\n"
                            "  220  Serviced                 01/02/2027\n");
    }
};

TEST_F(CmdMasterPymodbus, ReadAndWriteOverTcp) {
    const std::string port = std::to_string(FreePort());
    Peer slave({kPython, kSlaveScript, "tcp", port});
    ASSERT_TRUE(slave.Started());
    const std::vector<std::string> line = {"--tcp", "127.0.0.1:" + port};
    ReadWriteReadBack(line);
    LongAndDate(line);

    const CliResult range =
        Qxdrive(With({"read", "--start", "199", "--count", "3", "--defs", kDefs}, line));
    ASSERT_EQ(range.Status, 0) << range.Err;
    EXPECT_EQ(range.Out, "  200  State                    7\n"
                         "  201  Current                  0\n")
        << "only the defined registers are read";
    // The slave knows no function 65: its exception reply is the message.
    const CliResult identify = Qxdrive(With({"identify"}, line));
    EXPECT_EQ(identify.Status, 1);
    EXPECT_EQ(identify.Err, "qxdrive identify: unknown function code.\n"
                            "  the drive does not know this function\n");
    const CliResult other =
        Qxdrive(With({"read", "Setup", "--defs", kDefs, "--slave", "2", "--timeout", "200"}, line));
    EXPECT_EQ(other.Status, 1);
}

TEST_F(CmdMasterPymodbus, ReadAndWriteOverASerialLine) {
    if (!TkxPtyPair::Available()) {
        GTEST_SKIP() << "socat is missing";
    }
    TkxPtyPair pty;
    ASSERT_TRUE(pty.Ready());
    Peer slave({kPython, kSlaveScript, "rtu", pty.PeerEnd()});
    ASSERT_TRUE(slave.Started());
    ReadWriteReadBack({"--port", pty.LinkEnd(), "--baud", "19200", "--parity", "even"});
    LongAndDate({"--port", pty.LinkEnd(), "--baud", "19200", "--parity", "even"});
}

TEST(CmdMasterSimulator, IdentifyReadAndWriteTheDriveSimulator) {
    const std::string sim = std::string(TKX_BINARY_DIR) + "/tools/qxdrive-sim";
    if (!std::filesystem::exists(sim)) {
        GTEST_SKIP() << "the simulator is not built";
    }
    const std::string defs = std::string(TKX_TEST_DATA_DIR) + "/sim/drive.par";
    const std::string port = std::to_string(FreePort());
    Peer drive({sim, "--defs", defs, "--tcp", port, "--drive-version", "QX440v123"});
    const std::vector<std::string> line = {"--tcp", "127.0.0.1:" + port};
    const CliResult identify = FirstContact(With({"identify"}, line));
    ASSERT_EQ(identify.Status, 0) << identify.Err;
    EXPECT_EQ(identify.Out.substr(0, identify.Out.find('\n')), "QX440v123");
    const CliResult write = Qxdrive(With({"write", "Mode", "5", "--defs", defs}, line));
    ASSERT_EQ(write.Status, 0) << write.Err;
    const CliResult state = Qxdrive(With({"read", "ActState", "--defs", defs}, line));
    ASSERT_EQ(state.Status, 0) << state.Err;
    EXPECT_EQ(state.Out, "  210  Hours                    70000\n"
                         "  200  State                    7\n"
                         "  201  Current                  0\n");
    const CliResult setup =
        Qxdrive(With({"read", "--start", "103", "--count", "1", "--defs", defs}, line));
    EXPECT_EQ(setup.Out, "  103  Mode                     5\n");

    // Wider registers go as their words: the long by itself, then a block of a date, shorts
    // and a long.
    const CliResult hours = Qxdrive(With({"write", "Hours", "70001", "--defs", defs}, line));
    ASSERT_EQ(hours.Status, 0) << hours.Err;
    EXPECT_EQ(hours.Out, "  210  Hours                    70001\n");
    const CliResult day = Qxdrive(With({"write", "Serviced", "24/12/2026", "--defs", defs}, line));
    ASSERT_EQ(day.Status, 0) << day.Err;
    const CliResult service = Qxdrive(With({"read", "Service", "--defs", defs}, line));
    ASSERT_EQ(service.Status, 0) << service.Err;
    EXPECT_EQ(service.Out, "  220  Serviced                 24/12/2026\n"
                           "  223  Trips                    2\n"
                           "  224  Runtime                  65537\n"
                           "  226  Limit                    -20\n");
}

} // namespace

namespace {

const std::string kShipped = std::string(TKX_SOURCE_DIR) + "/data";

std::string SimulatorProgram() {
    return std::string(TKX_BINARY_DIR) + "/tools/qxdrive-sim";
}

} // namespace

TEST(CmdMasterSimulator, IdentifyNamesTheClassAndTheFileOrWhyThereIsNone) {
    if (!std::filesystem::exists(SimulatorProgram())) {
        GTEST_SKIP() << "the simulator is not built";
    }
    const std::string port = std::to_string(FreePort());
    Peer drive({SimulatorProgram(), "--defs", kShipped + "/qx440v30x.par", "--tcp", port,
                "--drive-version", "QX440-4v301"});
    const std::vector<std::string> line = {"--tcp", "127.0.0.1:" + port};
    const CliResult shipped = FirstContact(With({"identify", "--dir", kShipped}, line));
    ASSERT_EQ(shipped.Status, 0) << shipped.Err;
    EXPECT_EQ(shipped.Out, "QX440-4v301\n"
                           "Class:       TkxDeviceQXDRV\n"
                           "File:        " +
                               kShipped + "/qx440v30x.par\n");

    TkxTempFolder folder;
    const CliResult empty = Qxdrive(With({"identify", "--dir", folder.Dir()}, line));
    ASSERT_EQ(empty.Status, 0) << empty.Err;
    EXPECT_THAT(empty.Out, HasSubstr("File:        none (" + folder.Dir() +
                                     " holds no *.par "
                                     "files)\n"));
    std::filesystem::copy_file(kShipped + "/qx460v3xx.par", folder.PathOf("qx460v3xx.par"));
    const CliResult other = Qxdrive(With({"identify", "--dir", folder.Dir()}, line));
    EXPECT_THAT(other.Out, HasSubstr("File:        none (no *.par file in " + folder.Dir() +
                                     " covers QX440-4v301)\n"));
    const CliResult missing = Qxdrive(With({"identify", "--dir", folder.PathOf("no")}, line));
    EXPECT_THAT(missing.Out,
                HasSubstr("File:        none (" + folder.PathOf("no") + " is not a folder)\n"));
    EXPECT_EQ(Qxdrive(With({"identify", "--dir="}, line)).Status, 2);
}

TEST(CmdMasterScan, TheRangeAndItsBoundsAreChecked) {
    const std::vector<std::string> line = {"--tcp", "127.0.0.1:1"};
    const CliResult reversed = Qxdrive(With({"scan", "--from", "6", "--to", "2"}, line));
    EXPECT_EQ(reversed.Status, 2);
    EXPECT_THAT(reversed.Err, HasSubstr("--from 6 lies above --to 2"));
    EXPECT_EQ(Qxdrive(With({"scan", "--from", "0"}, line)).Status, 2);
    EXPECT_EQ(Qxdrive(With({"scan", "--to", "248"}, line)).Status, 2);
    EXPECT_EQ(Qxdrive(With({"scan", "7"}, line)).Status, 2);
    EXPECT_EQ(Qxdrive({"scan", "--from", "1"}).Status, 2) << "no line";
}

TEST(CmdMasterScan, FindsExactlyTheOneDriveOnTheLine) {
    if (!TkxPtyPair::Available() || !std::filesystem::exists(SimulatorProgram())) {
        GTEST_SKIP() << "socat or the simulator is missing";
    }
    TkxTempFolder folder;
    qxsim::SimProcess sim({"--defs", kShipped + "/qx460v4xx.par", "--link", folder.PathOf("drive"),
                           "--slave", "3", "--drive-version", "QX460v402"});
    ASSERT_TRUE(sim.Started()) << sim.Banner();
    const std::vector<std::string> line = {"--port", folder.PathOf("drive"), "--dir", kShipped};
    const CliResult scan = Qxdrive(With({"scan", "--from", "1", "--to", "5"}, line));
    ASSERT_EQ(scan.Status, 0) << scan.Err;
    EXPECT_EQ(scan.Out, "3  QX460v402  TkxDeviceQXDRV  " + kShipped + "/qx460v4xx.par\n");
    EXPECT_EQ(scan.Err, "") << "no progress line off a terminal";

    // The edges of the range are asked too.
    const CliResult edge = Qxdrive(With({"scan", "--from", "3", "--to", "3"}, line));
    EXPECT_EQ(edge.Status, 0) << edge.Err;
    EXPECT_THAT(edge.Out, HasSubstr("3  QX460v402"));
    const CliResult none = Qxdrive(With({"scan", "--from=4", "--to=5"}, line));
    EXPECT_EQ(none.Status, 1);
    EXPECT_EQ(none.Out, "");
    EXPECT_EQ(none.Err, "qxdrive scan: no slave answered at 4..5\n");
}
