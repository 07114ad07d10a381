#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <mutex>
#include <type_traits>
#include <vector>

// A list guarded by its own re-entrant lock. It is read only between Lock and Unlock (or
// inside a Locked scope); the thread holding it may take it again. Holder says whether the
// list only points at its items (T*, the default: it never frees them) or owns them
// (std::unique_ptr<T>). An owning list hands an item back out of the list before it is
// destroyed, so that no destructor runs under the lock while another thread waits for it.
template <typename T, typename Holder = T*>
class TkxThreadSafeList {
public:
    static constexpr bool Owning = std::is_same_v<Holder, std::unique_ptr<T>>;
    static_assert(Owning || std::is_same_v<Holder, T*>, "a list holds T* or std::unique_ptr<T>");

    std::vector<Holder>& Lock() {
        FMutex.lock();
        return FItems;
    }
    void Unlock() { FMutex.unlock(); }

    // Adding an item already present does nothing.
    void Add(T* item) requires(!Owning) {
        std::lock_guard guard(FMutex);
        if (Find(item) == FItems.end()) {
            FItems.push_back(item);
        }
    }
    // Removes the first occurrence.
    void Remove(const T* item) requires(!Owning) {
        std::lock_guard guard(FMutex);
        const auto found = Find(item);
        if (found != FItems.end()) {
            FItems.erase(found);
        }
    }
    // Appends an item that no list holds yet; returns it.
    T* Adopt(std::unique_ptr<T> item) requires Owning {
        T* adopted = item.get();
        if (adopted != nullptr) {
            std::lock_guard guard(FMutex);
            FItems.push_back(std::move(item));
        }
        return adopted;
    }
    // Takes the item out of the list when it is there and when(item) holds, and hands it to
    // the caller, who destroys it once the lock is released; null otherwise. An item that is
    // not in the list is never touched.
    template <typename When>
    std::unique_ptr<T> TakeIf(const T* item, When when) requires Owning {
        std::lock_guard guard(FMutex);
        const auto found = Find(item);
        if (found == FItems.end() || !when(static_cast<const T&>(**found))) {
            return nullptr;
        }
        std::unique_ptr<T> taken = std::move(*found);
        FItems.erase(found);
        return taken;
    }
    std::unique_ptr<T> Take(const T* item) requires Owning {
        return TakeIf(item, [](const T&) { return true; });
    }

    bool Contains(const T* item) {
        std::lock_guard guard(FMutex);
        return Find(item) != FItems.end();
    }
    std::size_t Count() {
        std::lock_guard guard(FMutex);
        return FItems.size();
    }
    // The first item, or null when the list is empty.
    T* First() {
        std::lock_guard guard(FMutex);
        return FItems.empty() ? nullptr : std::to_address(FItems.front());
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
        std::vector<Holder>& Items() { return FItems; }

    private:
        TkxThreadSafeList& FList;
        std::vector<Holder>& FItems;
    };

private:
    typename std::vector<Holder>::iterator Find(const T* item) {
        return std::find_if(FItems.begin(), FItems.end(),
                            [item](const Holder& held) { return std::to_address(held) == item; });
    }

    std::recursive_mutex FMutex;
    std::vector<Holder> FItems;
};
