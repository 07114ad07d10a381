#pragma once

#include <algorithm>
#include <mutex>
#include <vector>

// A list of pointers guarded by its own re-entrant lock. It is read only between Lock and
// Unlock (or inside a Locked scope); the thread holding it may take it again, as happens when
// items remove themselves from a list that is being walked. Adding an item already present
// does nothing; removing takes the first occurrence. The list never frees its items.
template <typename T>
class TkxThreadSafeList {
public:
    std::vector<T*>& Lock() {
        FMutex.lock();
        return FItems;
    }
    void Unlock() { FMutex.unlock(); }

    void Add(T* item) {
        std::lock_guard guard(FMutex);
        if (std::find(FItems.begin(), FItems.end(), item) == FItems.end()) {
            FItems.push_back(item);
        }
    }
    void Remove(T* item) {
        std::lock_guard guard(FMutex);
        const auto found = std::find(FItems.begin(), FItems.end(), item);
        if (found != FItems.end()) {
            FItems.erase(found);
        }
    }
    bool Contains(T* item) {
        std::lock_guard guard(FMutex);
        return std::find(FItems.begin(), FItems.end(), item) != FItems.end();
    }
    std::size_t Count() {
        std::lock_guard guard(FMutex);
        return FItems.size();
    }
    // The first item, or null when the list is empty.
    T* First() {
        std::lock_guard guard(FMutex);
        return FItems.empty() ? nullptr : FItems.front();
    }

    // Holds the lock for a scope.
    class Locked {
    public:
        explicit Locked(TkxThreadSafeList& list)
            : FList(list)
            , FItems(list.Lock()) {}
        ~Locked() { FList.Unlock(); }
        Locked(const Locked&) = delete;
        Locked& operator=(const Locked&) = delete;
        std::vector<T*>& Items() { return FItems; }

    private:
        TkxThreadSafeList& FList;
        std::vector<T*>& FItems;
    };

private:
    std::recursive_mutex FMutex;
    std::vector<T*> FItems;
};
