#include "modbus/tkxthreadbuffercls.h"

#include "base/tkxerror.h"

#include <mutex>

TkxThreadBuffer::TkxThreadBuffer(int size)
    : FOwnedLock(std::make_unique<std::shared_mutex>())
    , FLock(FOwnedLock.get())
    , FSize(0)
    , FData(nullptr)
    , FOwnsData(true) {
    std::unique_lock guard(*FLock);
    if (size > 0) {
        FOwnedData = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(size));
        FData = FOwnedData.get();
        FSize = size;
    }
}

TkxThreadBuffer::TkxThreadBuffer(int size, std::uint8_t* data, std::shared_mutex* lock)
    : FLock(lock)
    , FSize(size > 0 ? size : 0)
    , FData(data)
    , FOwnsData(false) {
    if (data == nullptr || lock == nullptr) {
        throw ETkxError("You must specify access structure and buffer pointer!");
    }
}

TkxThreadBuffer::~TkxThreadBuffer() {
    if (!FOwnsData) {
        return;
    }
    {
        std::unique_lock guard(*FLock);
        FSize = 0;
        FData = nullptr;
        FOwnedData.reset();
    }
    FOwnedLock.reset();
}

std::unique_ptr<TkxThreadBuffer> TkxThreadBuffer::SubBuffer(int offset, int size) const {
    // Negative values would point before the data; they are refused like any other range
    // that does not lie inside the buffer.
    if (offset < 0 || size < 0 || offset >= FSize || FSize - offset < size) {
        return nullptr;
    }
    return std::make_unique<TkxThreadBuffer>(size, FData + offset, FLock);
}

std::vector<std::uint8_t> TkxThreadBuffer::Copy() {
    const Reader reader(*this);
    return {reader.Data(), reader.Data() + FSize};
}

std::uint8_t* TkxThreadBuffer::BeginRead() {
    FLock->lock_shared();
    return FData;
}

void TkxThreadBuffer::EndRead() {
    FLock->unlock_shared();
}

std::uint8_t* TkxThreadBuffer::BeginWrite() {
    FLock->lock();
    return FData;
}

void TkxThreadBuffer::EndWrite() {
    FLock->unlock();
}
