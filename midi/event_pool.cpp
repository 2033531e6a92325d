#include "midi/event_pool.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

namespace event_pool {

namespace {

struct Node {
    Node* next;
};

struct alignas(alignof(std::max_align_t)) Slot {
    unsigned char bytes[kSlotSize];
};
static_assert(sizeof(Slot) == kSlotSize);

constexpr std::size_t kSlabSlots = 4096;
// A thread keeps at most two batches; the surplus batch goes to the stock.
constexpr std::size_t kBatch = 1024;

// The shared stock and the slabs. It is never destroyed, so events freed by
// global objects at exit still find it.
struct Stock {
    std::mutex mutex;
    Node* head = nullptr;
    std::size_t count = 0;
    std::vector<std::unique_ptr<Slot[]>> slabs;
};

Stock& TheStock() {
    static Stock* stock = new Stock;
    return *stock;
}

std::atomic<std::size_t> g_inUse{0};

// The calling thread's free list. Plain values, so they stay usable while
// the thread's other objects are destroyed; the flusher hands the list back
// to the stock when the thread ends.
thread_local Node* t_head = nullptr;
thread_local std::size_t t_count = 0;
thread_local bool t_ended = false;

void PushToStock(Node* first, Node* last, std::size_t count) {
    Stock& stock = TheStock();
    std::lock_guard<std::mutex> lock(stock.mutex);
    last->next = stock.head;
    stock.head = first;
    stock.count += count;
}

struct Flusher {
    bool armed = false;
    ~Flusher() {
        t_ended = true;
        if (!t_head) return;
        Node* last = t_head;
        while (last->next)
            last = last->next;
        PushToStock(t_head, last, t_count);
        t_head = nullptr;
        t_count = 0;
    }
};
thread_local Flusher t_flusher;

// Takes up to one batch from the stock, or carves a new slab, into the
// thread's list.
void Refill() {
    Stock& stock = TheStock();
    std::lock_guard<std::mutex> lock(stock.mutex);
    if (stock.head) {
        Node* first = stock.head;
        Node* last = first;
        std::size_t taken = 1;
        while (taken < kBatch && last->next) {
            last = last->next;
            ++taken;
        }
        stock.head = last->next;
        stock.count -= taken;
        last->next = t_head;
        t_head = first;
        t_count += taken;
        return;
    }
    std::unique_ptr<Slot[]> slab(new Slot[kSlabSlots]);
    for (std::size_t i = kSlabSlots; i-- > 0;) {
        Node* node = reinterpret_cast<Node*>(&slab[i]);
        node->next = t_head;
        t_head = node;
    }
    t_count += kSlabSlots;
    stock.slabs.push_back(std::move(slab));
}

}  // namespace

void* Allocate() {
    if (t_ended) {
        // The thread is ending: serve straight from the stock.
        Stock& stock = TheStock();
        std::unique_lock<std::mutex> lock(stock.mutex);
        if (stock.head) {
            Node* node = stock.head;
            stock.head = node->next;
            --stock.count;
            ++g_inUse;
            return node;
        }
        lock.unlock();
        ++g_inUse;
        return ::operator new(kSlotSize);  // joins the stock when it is released
    }
    t_flusher.armed = true;
    if (!t_head) Refill();
    Node* node = t_head;
    t_head = node->next;
    --t_count;
    g_inUse.fetch_add(1, std::memory_order_relaxed);
    return node;
}

void Release(void* slot) {
    if (!slot) return;
    g_inUse.fetch_sub(1, std::memory_order_relaxed);
    Node* node = static_cast<Node*>(slot);
    if (t_ended) {
        PushToStock(node, node, 1);
        return;
    }
    t_flusher.armed = true;
    node->next = t_head;
    t_head = node;
    if (++t_count >= 2 * kBatch) {
        Node* last = t_head;
        for (std::size_t i = 1; i < kBatch; ++i)
            last = last->next;
        Node* first = t_head;
        t_head = last->next;
        t_count -= kBatch;
        PushToStock(first, last, kBatch);
    }
}

std::size_t SlotsInUse() {
    return g_inUse.load();
}

bool EventsUsePool() {
#if defined(__SANITIZE_ADDRESS__)
    return false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return false;
#else
    return true;
#endif
#else
    return true;
#endif
}

}  // namespace event_pool
