#include "modbus/tkxthreadbuffercls.h"

#include "base/tkxerror.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <latch>
#include <limits>
#include <thread>
#include <vector>

namespace {

TEST(TkxThreadBuffer, OwningBufferStartsZeroed) {
    TkxThreadBuffer buffer(16);
    EXPECT_EQ(buffer.Size(), 16);
    EXPECT_TRUE(buffer.OwnsData());
    TkxThreadBuffer::Reader reader(buffer);
    ASSERT_NE(reader.Data(), nullptr);
    EXPECT_TRUE(std::all_of(reader.Data(), reader.Data() + 16, [](auto b) { return b == 0; }));
}

TEST(TkxThreadBuffer, SizeZeroOrBelowHasNoData) {
    for (int size : {0, -5}) {
        TkxThreadBuffer buffer(size);
        EXPECT_EQ(buffer.Size(), 0);
        EXPECT_EQ(buffer.BeginRead(), nullptr);
        buffer.EndRead();
        EXPECT_EQ(buffer.SubBuffer(0, 0), nullptr);
    }
}

TEST(TkxThreadBuffer, ViewNeedsDataAndLock) {
    std::uint8_t bytes[4] = {};
    std::shared_mutex lock;
    try {
        TkxThreadBuffer view(4, nullptr, &lock);
        FAIL() << "a view without data was accepted";
    } catch (const ETkxError& e) {
        EXPECT_STREQ(e.what(), "You must specify access structure and buffer pointer!");
    }
    EXPECT_THROW(TkxThreadBuffer(4, bytes, nullptr), ETkxError);
    TkxThreadBuffer view(4, bytes, &lock);
    EXPECT_FALSE(view.OwnsData());
    EXPECT_EQ(view.Lock(), &lock);
}

TEST(TkxThreadBuffer, SubBufferRangeMustLieInside) {
    TkxThreadBuffer buffer(10);
    EXPECT_EQ(buffer.SubBuffer(10, 0), nullptr);
    EXPECT_EQ(buffer.SubBuffer(9, 2), nullptr);
    EXPECT_EQ(buffer.SubBuffer(-1, 1), nullptr);
    EXPECT_EQ(buffer.SubBuffer(2, -1), nullptr);

    auto whole = buffer.SubBuffer(0, 10);
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(whole->Size(), 10);
    auto last = buffer.SubBuffer(9, 1);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->Size(), 1);
}

TEST(TkxThreadBuffer, SubBufferEdgesDoNotOverflow) {
    TkxThreadBuffer buffer(10);
    auto empty = buffer.SubBuffer(9, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->Size(), 0);
    constexpr int kHuge = std::numeric_limits<int>::max();
    EXPECT_EQ(buffer.SubBuffer(1, kHuge), nullptr);
    EXPECT_EQ(buffer.SubBuffer(kHuge, 1), nullptr);
    EXPECT_EQ(buffer.SubBuffer(kHuge, kHuge), nullptr);
}

TEST(TkxThreadBuffer, ViewsWriteIntoTheOwnersBytes) {
    TkxThreadBuffer buffer(8);
    auto view = buffer.SubBuffer(4, 4);
    ASSERT_NE(view, nullptr);
    auto inner = view->SubBuffer(2, 2);
    ASSERT_NE(inner, nullptr);
    {
        TkxThreadBuffer::Writer writer(*inner);
        writer.Data()[0] = 0xAB;
        writer.Data()[1] = 0xCD;
    }
    TkxThreadBuffer::Reader reader(buffer);
    EXPECT_EQ(reader.Data()[6], 0xAB);
    EXPECT_EQ(reader.Data()[7], 0xCD);
    EXPECT_EQ(reader.Data()[5], 0);
}

TEST(TkxThreadBuffer, ViewOfViewSharesTheOwnersLock) {
    TkxThreadBuffer buffer(8);
    auto view = buffer.SubBuffer(2, 6);
    auto inner = view->SubBuffer(1, 2);
    EXPECT_EQ(view->Lock(), buffer.Lock());
    EXPECT_EQ(inner->Lock(), buffer.Lock());
    EXPECT_EQ(inner->SubBuffer(2, 1), nullptr);
}

// Probes the lock from another thread, so the answer never depends on the probing thread
// already holding it.
bool TryFromOtherThread(std::shared_mutex* lock, bool exclusive) {
    bool taken = false;
    std::thread probe([&] {
        taken = exclusive ? lock->try_lock() : lock->try_lock_shared();
        if (taken) {
            exclusive ? lock->unlock() : lock->unlock_shared();
        }
    });
    probe.join();
    return taken;
}

TEST(TkxThreadBuffer, ReadersShareWritersExcludeAcrossViews) {
    TkxThreadBuffer buffer(8);
    auto view = buffer.SubBuffer(0, 4);

    view->BeginRead();
    EXPECT_TRUE(TryFromOtherThread(buffer.Lock(), false));
    EXPECT_FALSE(TryFromOtherThread(buffer.Lock(), true));
    view->EndRead();

    buffer.BeginWrite();
    EXPECT_FALSE(TryFromOtherThread(view->Lock(), false));
    buffer.EndWrite();
    EXPECT_TRUE(TryFromOtherThread(view->Lock(), true));
}

// The writer fills the low half, then the high half, each through its own view, with the round
// number. A reader of the whole buffer must find each half uniform and the high half at most
// one round behind the low one; anything else means a view wrote outside the shared lock.
void FillUnderWriteLock(TkxThreadBuffer& view, std::uint8_t value) {
    TkxThreadBuffer::Writer writer(view);
    std::fill_n(writer.Data(), view.Size(), value);
}

bool Uniform(const std::uint8_t* data, int size) {
    return std::all_of(data, data + size, [&](auto b) { return b == data[0]; });
}

bool ConsistentRound(TkxThreadBuffer& buffer, int half) {
    TkxThreadBuffer::Reader reader(buffer);
    const auto* data = reader.Data();
    const auto lag = static_cast<std::uint8_t>(data[0] - data[half]);
    return Uniform(data, half) && Uniform(data + half, half) && lag <= 1;
}

TEST(TkxThreadBuffer, ConcurrentReadersNeverSeeAHalfWrittenView) {
    constexpr int kHalf = 64;
    constexpr int kRounds = 300;
    constexpr int kReaders = 3;
    TkxThreadBuffer buffer(2 * kHalf);
    auto low = buffer.SubBuffer(0, kHalf);
    auto high = buffer.SubBuffer(kHalf, kHalf);

    std::latch start(kReaders + 1);
    std::atomic<bool> writing{true};
    std::atomic<int> inconsistent{0};

    std::vector<std::thread> readers;
    for (int r = 0; r < kReaders; ++r) {
        readers.emplace_back([&] {
            start.arrive_and_wait();
            do {
                if (!ConsistentRound(buffer, kHalf)) {
                    ++inconsistent;
                }
                // Readers would otherwise starve the writer on reader-preferring locks.
                std::this_thread::yield();
            } while (writing);
        });
    }

    start.arrive_and_wait();
    for (int round = 1; round <= kRounds; ++round) {
        FillUnderWriteLock(*low, static_cast<std::uint8_t>(round));
        FillUnderWriteLock(*high, static_cast<std::uint8_t>(round));
    }
    writing = false;
    for (auto& reader : readers) {
        reader.join();
    }
    EXPECT_EQ(inconsistent, 0);
    TkxThreadBuffer::Reader reader(buffer);
    EXPECT_EQ(reader.Data()[2 * kHalf - 1], static_cast<std::uint8_t>(kRounds));
}

// Two writers count up one shared word, each through its own view; a lost update would mean
// the views' write locks did not exclude each other.
void CountUp(TkxThreadBuffer& view, int offset, int times, std::latch& start) {
    start.arrive_and_wait();
    for (int i = 0; i < times; ++i) {
        TkxThreadBuffer::Writer writer(view);
        std::uint32_t count;
        std::memcpy(&count, writer.Data() + offset, sizeof count);
        // Widens the window in which an unguarded writer would overwrite the other's update.
        std::this_thread::yield();
        ++count;
        std::memcpy(writer.Data() + offset, &count, sizeof count);
    }
}

TEST(TkxThreadBuffer, WritersThroughDifferentViewsNeverLoseAnUpdate) {
    constexpr int kTimes = 5000;
    TkxThreadBuffer buffer(12);
    auto front = buffer.SubBuffer(0, 8);
    auto back = buffer.SubBuffer(4, 8);
    std::latch start(2);
    std::thread first([&] { CountUp(*front, 4, kTimes, start); });
    std::thread second([&] { CountUp(*back, 0, kTimes, start); });
    first.join();
    second.join();
    TkxThreadBuffer::Reader reader(buffer);
    std::uint32_t count;
    std::memcpy(&count, reader.Data() + 4, sizeof count);
    EXPECT_EQ(count, 2u * kTimes);
}

} // namespace
