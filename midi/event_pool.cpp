#include "midi/event_pool.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

namespace event_pool {

namespace {

// One cache line per slot.
struct alignas(kSlotSize) Slot {
    unsigned char bytes[kSlotSize];
};
static_assert(sizeof(Slot) == kSlotSize);

constexpr std::size_t kSlabSlots = 4096;
// A thread keeps at most two batches of free slots; the surplus batch goes
// to the shared stock, and an empty thread takes one batch back from it.
constexpr std::size_t kBatch = 1024;
constexpr std::size_t kCacheSlots = 2 * kBatch;

// The shared stock and the slabs. It is never destroyed, so events freed by
// global objects at exit still find it.
struct Stock {
    std::mutex mutex;
    std::vector<void*> free;
    std::vector<std::unique_ptr<Slot[]>> slabs;
};

// Holds the stock without ever running its destructor.
union StockHolder {
    StockHolder() : stock() {}
    ~StockHolder() {}
    Stock stock;
};

Stock& TheStock() {
    static StockHolder holder;
    return holder.stock;
}

#ifndef NDEBUG
std::atomic<std::size_t> g_inUse{0};
#define ZAW_POOL_COUNT(op) g_inUse.op(1, std::memory_order_relaxed)
#else
#define ZAW_POOL_COUNT(op) ((void)0)
#endif

// The calling thread's free slots, kept as an array of pointers so that
// taking one does not read the slot itself, and the rest of its newest slab.
// Plain values, so they stay usable while the thread's other objects are
// destroyed; the flusher hands them back to the stock when the thread ends.
struct Cache {
    void* slots[kCacheSlots];
    std::size_t count;
    Slot* fresh;
    std::size_t freshLeft;
    bool ended;
};
thread_local Cache t_cache{};

struct Flusher {
    bool armed = false;
    ~Flusher() {
        Cache& c = t_cache;
        c.ended = true;
        Stock& stock = TheStock();
        std::lock_guard<std::mutex> lock(stock.mutex);
        stock.free.insert(stock.free.end(), c.slots, c.slots + c.count);
        for (std::size_t i = 0; i < c.freshLeft; ++i)
            stock.free.push_back(c.fresh + i);
        c.count = 0;
        c.freshLeft = 0;
    }
};
thread_local Flusher t_flusher;

void* RefillAndTake(Cache& c) {
    t_flusher.armed = true;  // registers the hand-back at thread end
    Stock& stock = TheStock();
    std::lock_guard<std::mutex> lock(stock.mutex);
    if (!stock.free.empty()) {
        std::size_t n = std::min(kBatch, stock.free.size());
        auto first = stock.free.end() - static_cast<std::ptrdiff_t>(n);
        std::copy(first, stock.free.end(), c.slots);
        stock.free.erase(first, stock.free.end());
        c.count = n;
        return c.slots[--c.count];
    }
    stock.slabs.push_back(std::make_unique_for_overwrite<Slot[]>(kSlabSlots));
    c.fresh = stock.slabs.back().get();
    c.freshLeft = kSlabSlots;
    --c.freshLeft;
    return c.fresh++;
}

}  // namespace

void* Allocate() {
    Cache& c = t_cache;
    ZAW_POOL_COUNT(fetch_add);
    if (c.count > 0) return c.slots[--c.count];
    if (c.freshLeft > 0) {
        --c.freshLeft;
        return c.fresh++;
    }
    if (c.ended) {
        // The thread is ending: serve straight from the stock.
        Stock& stock = TheStock();
        std::lock_guard<std::mutex> lock(stock.mutex);
        if (!stock.free.empty()) {
            void* slot = stock.free.back();
            stock.free.pop_back();
            return slot;
        }
        stock.slabs.push_back(std::make_unique_for_overwrite<Slot[]>(1));
        return stock.slabs.back().get();
    }
    return RefillAndTake(c);
}

void Release(void* slot) {
    if (!slot) return;
    ZAW_POOL_COUNT(fetch_sub);
    Cache& c = t_cache;
    if (c.ended) {
        Stock& stock = TheStock();
        std::lock_guard<std::mutex> lock(stock.mutex);
        stock.free.push_back(slot);
        return;
    }
    if (c.count == kCacheSlots) {
        t_flusher.armed = true;
        Stock& stock = TheStock();
        std::lock_guard<std::mutex> lock(stock.mutex);
        stock.free.insert(stock.free.end(), c.slots + kBatch, c.slots + kCacheSlots);
        c.count = kBatch;
    } else if (c.count == 0) {
        t_flusher.armed = true;
    }
    c.slots[c.count++] = slot;
}

std::size_t SlotsInUse() {
#ifndef NDEBUG
    return g_inUse.load();
#else
    return 0;
#endif
}

}  // namespace event_pool
