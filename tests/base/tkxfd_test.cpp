#include "base/tkxfdcls.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace {

bool IsOpenDescriptor(int fd) {
    return fcntl(fd, F_GETFD) != -1 || errno != EBADF;
}

// Both ends of a fresh pipe; the read end is handed to a TkxFd by each test.
struct Pipe {
    Pipe() { EXPECT_EQ(pipe2(Fds, O_CLOEXEC), 0); }
    ~Pipe() {
        for (const int fd : Fds) {
            if (IsOpenDescriptor(fd)) {
                close(fd);
            }
        }
    }
    int Fds[2] = {-1, -1};
};

TEST(TkxFd, ClosesWhatItHoldsExactlyOnce) {
    Pipe pipe;
    {
        TkxFd fd(pipe.Fds[0]);
        EXPECT_TRUE(fd.IsOpen());
        EXPECT_EQ(fd.Get(), pipe.Fds[0]);
    }
    EXPECT_FALSE(IsOpenDescriptor(pipe.Fds[0]));
    EXPECT_TRUE(IsOpenDescriptor(pipe.Fds[1]));

    TkxFd none;
    EXPECT_FALSE(none.IsOpen());
    EXPECT_EQ(none.Get(), -1);
    TkxFd failed(-5); // what a failed open returns is held as none
    EXPECT_EQ(failed.Get(), -1);
}

TEST(TkxFd, MovingHandsTheDescriptorOver) {
    Pipe pipe;
    TkxFd first(pipe.Fds[0]);
    TkxFd second(std::move(first));
    EXPECT_FALSE(first.IsOpen());
    EXPECT_EQ(second.Get(), pipe.Fds[0]);

    TkxFd third(pipe.Fds[1]);
    third = std::move(second); // the write end third held is closed, the read end taken
    EXPECT_FALSE(IsOpenDescriptor(pipe.Fds[1]));
    EXPECT_EQ(third.Get(), pipe.Fds[0]);
    EXPECT_TRUE(IsOpenDescriptor(pipe.Fds[0]));

    TkxFd& alias = third;
    third = std::move(alias);
    EXPECT_TRUE(IsOpenDescriptor(pipe.Fds[0])) << "moving onto itself keeps the descriptor";
}

TEST(TkxFd, ResetClosesAndReleaseDoesNot) {
    Pipe pipe;
    TkxFd fd(pipe.Fds[0]);
    fd.Reset(pipe.Fds[0]); // the same descriptor again: nothing is closed
    EXPECT_TRUE(IsOpenDescriptor(pipe.Fds[0]));
    fd.Reset(pipe.Fds[1]);
    EXPECT_FALSE(IsOpenDescriptor(pipe.Fds[0]));
    const int released = fd.Release();
    EXPECT_EQ(released, pipe.Fds[1]);
    EXPECT_FALSE(fd.IsOpen());
    EXPECT_TRUE(IsOpenDescriptor(pipe.Fds[1]));
    fd.Reset();
    EXPECT_TRUE(IsOpenDescriptor(pipe.Fds[1]));
}

} // namespace
