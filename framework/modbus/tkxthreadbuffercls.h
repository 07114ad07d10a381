#pragma once

#include <cstdint>
#include <memory>
#include <shared_mutex>
#include <vector>

// A byte area guarded by a multi-reader, single-writer lock. The owning buffer allocates the
// bytes and the lock; views made from it (SubBuffer) point into those bytes and share that one
// lock, so all register data of a device are guarded together. Every view must be released
// before the buffer it was made from.
class TkxThreadBuffer {
public:
    // Owns a new lock and, for a size above 0, that many zero bytes; otherwise no data.
    explicit TkxThreadBuffer(int size);
    // A view on bytes and a lock owned elsewhere; throws ETkxError when either is missing.
    TkxThreadBuffer(int size, std::uint8_t* data, std::shared_mutex* lock);
    ~TkxThreadBuffer();

    TkxThreadBuffer(const TkxThreadBuffer&) = delete;
    TkxThreadBuffer& operator=(const TkxThreadBuffer&) = delete;

    // A new view on size bytes from offset, or null when they do not lie inside this buffer.
    std::unique_ptr<TkxThreadBuffer> SubBuffer(int offset, int size) const;

    // The bytes as they are now, taken under the read lock.
    std::vector<std::uint8_t> Copy();

    std::uint8_t* BeginRead();
    void EndRead();
    std::uint8_t* BeginWrite();
    void EndWrite();

    int Size() const { return FSize; }
    bool OwnsData() const { return FOwnsData; }
    // The lock shared by the owning buffer and all its views.
    std::shared_mutex* Lock() const { return FLock; }

    // Scoped access: the lock is held from construction to destruction.
    class Reader {
    public:
        explicit Reader(TkxThreadBuffer& buffer)
            : FBuffer(buffer)
            , FData(buffer.BeginRead()) {}
        ~Reader() { FBuffer.EndRead(); }
        Reader(const Reader&) = delete;
        Reader& operator=(const Reader&) = delete;
        const std::uint8_t* Data() const { return FData; }

    private:
        TkxThreadBuffer& FBuffer;
        const std::uint8_t* FData;
    };

    class Writer {
    public:
        explicit Writer(TkxThreadBuffer& buffer)
            : FBuffer(buffer)
            , FData(buffer.BeginWrite()) {}
        ~Writer() { FBuffer.EndWrite(); }
        Writer(const Writer&) = delete;
        Writer& operator=(const Writer&) = delete;
        std::uint8_t* Data() const { return FData; }

    private:
        TkxThreadBuffer& FBuffer;
        std::uint8_t* FData;
    };

private:
    std::unique_ptr<std::shared_mutex> FOwnedLock;
    std::unique_ptr<std::uint8_t[]> FOwnedData;
    std::shared_mutex* FLock;
    int FSize;
    std::uint8_t* FData;
    bool FOwnsData;
};
