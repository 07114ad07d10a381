#include "support/simprocess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace qxsim {
namespace {

using Clock = std::chrono::steady_clock;

// Starts the program with stdout and stderr on a pipe; returns the pid and the pipe's read end.
int Spawn(const std::vector<std::string>& args, int& output) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    std::vector<char*> argv;
    for (const auto& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    output = pipeFds[0];
    return pid;
}

// Appends what arrives until the pipe closes, the stop test holds, or the deadline passes.
template <typename Stop>
void ReadUntil(int fd, std::string& text, Clock::time_point deadline, Stop stop) {
    while (!stop(text)) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd ready{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&ready, 1, int(left.count())) <= 0) {
            return;
        }
        char chunk[4096];
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got <= 0) {
            return;
        }
        text.append(chunk, std::size_t(got));
    }
}

int ExitCodeOf(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int WaitFor(int pid, Clock::time_point deadline) {
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return ExitCodeOf(status);
}

auto Never() {
    return [](const std::string&) { return false; };
}

} // namespace

SimRunResult RunProgram(const std::vector<std::string>& args, std::chrono::milliseconds timeout) {
    SimRunResult result;
    int output = -1;
    const int pid = Spawn(args, output);
    if (pid < 0) {
        ::close(output);
        result.Output = "cannot start " + args[0];
        return result;
    }
    const auto deadline = Clock::now() + timeout;
    ReadUntil(output, result.Output, deadline, Never());
    ::close(output);
    result.ExitCode = WaitFor(pid, deadline);
    return result;
}

bool HaveProgram(const std::string& name) {
    return RunProgram({"sh", "-c", "command -v " + name}, std::chrono::seconds(5)).ExitCode == 0;
}

std::string SimulatorPath() {
    return std::string(TKX_BINARY_DIR) + "/tools/qxdrive-sim";
}

SimProcess::SimProcess(const std::vector<std::string>& args) {
    std::vector<std::string> command{SimulatorPath()};
    command.insert(command.end(), args.begin(), args.end());
    FPid = Spawn(command, FOutput);
    if (FPid < 0) {
        return;
    }
    std::string text;
    ReadUntil(FOutput, text, Clock::now() + std::chrono::seconds(10),
              [](const std::string& t) { return t.find('\n') != std::string::npos; });
    if (text.find(" on ") == std::string::npos) {
        text += Stop().Output;
    }
    FBanner = text.empty() ? "no output" : text;
}

SimProcess::~SimProcess() {
    Stop();
}

int SimProcess::TcpPort() const {
    const auto at = FBanner.find("127.0.0.1:");
    return at == std::string::npos ? 0 : std::atoi(FBanner.c_str() + at + 10);
}

void SimProcess::Signal(int signal) const {
    if (FPid > 0) {
        ::kill(FPid, signal);
    }
}

bool SimProcess::WaitForOutput(const std::string& text, std::chrono::milliseconds timeout) {
    if (FPid <= 0) {
        return false;
    }
    const auto printed = [&](const std::string& t) { return t.find(text) != std::string::npos; };
    ReadUntil(FOutput, FPrinted, Clock::now() + timeout, printed);
    return printed(FPrinted);
}

SimRunResult SimProcess::Stop() {
    SimRunResult result;
    if (FPid <= 0) {
        return result;
    }
    result.Output = std::move(FPrinted);
    FPrinted.clear();
    ::kill(FPid, SIGTERM);
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    ReadUntil(FOutput, result.Output, deadline, Never());
    ::close(FOutput);
    result.ExitCode = WaitFor(FPid, deadline);
    FPid = -1;
    return result;
}

} // namespace qxsim
