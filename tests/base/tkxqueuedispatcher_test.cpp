#include "base/tkxqueuedispatchercls.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

TEST(TkxQueueDispatcher, PostedCallsRunInOrderOnlyWhenPumped) {
    TkxQueueDispatcher dispatcher;
    std::vector<int> order;
    for (int i = 0; i < 5; ++i) {
        dispatcher.Post([&order, i] { order.push_back(i); });
    }
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(dispatcher.PendingCount(), 5U);
    EXPECT_EQ(dispatcher.ProcessMessages(), 5);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(dispatcher.ProcessMessages(), 0);
}

TEST(TkxQueueDispatcher, CallsPostedWhileProcessingRunInTheSameRound) {
    TkxQueueDispatcher dispatcher;
    std::vector<int> order;
    dispatcher.Post([&] {
        order.push_back(1);
        dispatcher.Post([&] { order.push_back(3); });
    });
    dispatcher.Post([&] { order.push_back(2); });
    EXPECT_EQ(dispatcher.ProcessMessages(), 3);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(TkxQueueDispatcher, PostFromManyWorkersKeepsEachWorkersOrder) {
    TkxQueueDispatcher dispatcher;
    std::vector<std::pair<int, int>> seen;
    std::vector<std::thread> workers;
    for (int w = 0; w < 4; ++w) {
        workers.emplace_back([&dispatcher, &seen, w] {
            for (int i = 0; i < 100; ++i) {
                dispatcher.Post([&seen, w, i] { seen.emplace_back(w, i); });
            }
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    dispatcher.ProcessMessages();
    ASSERT_EQ(seen.size(), 400U);
    std::vector<int> next(4, 0);
    for (auto [w, i] : seen) {
        EXPECT_EQ(i, next[w]++);
    }
}

TEST(TkxQueueDispatcher, SynchronizeOnTheMainThreadRunsAtOnce) {
    TkxQueueDispatcher dispatcher;
    bool ran = false;
    dispatcher.Synchronize([&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_TRUE(dispatcher.IsMainThread());
}

TEST(TkxQueueDispatcher, SynchronizeFromAWorkerWaitsForTheMainThread) {
    TkxQueueDispatcher dispatcher;
    std::atomic<bool> returned{false};
    std::thread::id ranOn;
    std::thread worker([&] {
        EXPECT_FALSE(dispatcher.IsMainThread());
        dispatcher.Synchronize([&] { ranOn = std::this_thread::get_id(); });
        returned = true;
    });
    EXPECT_TRUE(dispatcher.WaitUntil([&] { return returned.load(); }, 10s));
    worker.join();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(TkxQueueDispatcher, SynchronizeHandsAnExceptionBackToTheWorker) {
    TkxQueueDispatcher dispatcher;
    std::atomic<bool> caught{false};
    std::thread worker([&] {
        try {
            dispatcher.Synchronize([] { throw std::runtime_error("boom"); });
        } catch (const std::runtime_error& error) {
            caught = std::string(error.what()) == "boom";
        }
    });
    dispatcher.WaitUntil([&] { return caught.load(); }, 10s);
    worker.join();
    EXPECT_TRUE(caught);
}

TEST(TkxQueueDispatcher, WaitUntilGivesUpAfterTheTimeOut) {
    TkxQueueDispatcher dispatcher;
    EXPECT_FALSE(dispatcher.WaitUntil([] { return false; }, 20ms));
}

TEST(TkxQueueDispatcher, WaitUntilServesPostsThatArriveDuringTheWait) {
    TkxQueueDispatcher dispatcher;
    int handled = 0;
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i) {
            dispatcher.Post([&handled] { ++handled; });
        }
    });
    EXPECT_TRUE(dispatcher.WaitUntil([&] { return handled == 3; }, 10s));
    worker.join();
}

TEST(TkxQueueDispatcher, DestructionRunsWhatIsStillQueued) {
    bool ran = false;
    {
        TkxQueueDispatcher dispatcher;
        dispatcher.Post([&] { ran = true; });
    }
    EXPECT_TRUE(ran);
}

TEST(TkxQueueDispatcher, BindMovesTheMainThread) {
    TkxQueueDispatcher dispatcher;
    std::thread other([&] {
        dispatcher.BindToCurrentThread();
        EXPECT_TRUE(dispatcher.IsMainThread());
    });
    other.join();
    EXPECT_FALSE(dispatcher.IsMainThread());
}

TEST(TkxMainDispatcher, InstalledDispatcherReplacesTheDefault) {
    TkxQueueDispatcher mine;
    TkxDispatcher& fallback = TkxMainDispatcher();
    TkxSetMainDispatcher(&mine);
    EXPECT_EQ(&TkxMainDispatcher(), &mine);
    TkxSetMainDispatcher(nullptr);
    EXPECT_EQ(&TkxMainDispatcher(), &fallback);
}

} // namespace
