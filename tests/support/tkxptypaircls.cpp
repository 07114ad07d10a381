#include "support/tkxptypaircls.h"

#include "support/simprocess.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

extern char** environ;

namespace {

std::atomic<int> GPairs{0};

// socat with its output on /dev/null; -1 when it cannot be started.
int SpawnSocat(const std::filesystem::path& dir) {
    std::vector<std::string> args{"socat", "pty,raw,echo=0,link=" + (dir / "a").string(),
                                  "pty,raw,echo=0,link=" + (dir / "b").string()};
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

} // namespace

TkxPtyPair::TkxPtyPair()
    : FDir(std::filesystem::temp_directory_path() /
           ("tkxpty-" + std::to_string(::getpid()) + "-" + std::to_string(++GPairs))) {
    std::error_code ignored;
    std::filesystem::remove_all(FDir, ignored);
    std::filesystem::create_directories(FDir, ignored);
    FPid = SpawnSocat(FDir);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (FPid > 0 && !Ready() && std::chrono::steady_clock::now() < deadline) {
        if (::waitpid(FPid, nullptr, WNOHANG) == FPid) {
            FPid = -1; // socat gave up
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

TkxPtyPair::~TkxPtyPair() {
    Kill();
    std::error_code ignored;
    std::filesystem::remove_all(FDir, ignored);
}

bool TkxPtyPair::Available() {
    return qxsim::HaveProgram("socat");
}

bool TkxPtyPair::Ready() const {
    std::error_code ignored;
    return std::filesystem::exists(FDir / "a", ignored) &&
           std::filesystem::exists(FDir / "b", ignored);
}

void TkxPtyPair::Kill() {
    if (FPid > 0) {
        ::kill(FPid, SIGTERM);
        ::waitpid(FPid, nullptr, 0);
        FPid = -1;
    }
}
