// A pool of fixed-size slots for event records. Tracks create and free events
// by the hundred thousand (file parsing, mode conversions, merges), so events
// come from per-thread caches refilled from large slabs instead of one heap
// call each. Slots freed on another thread simply join that thread's cache;
// surplus batches go back to a shared stock, so memory does not pile up.
#pragma once

#include <cstddef>

namespace event_pool {

// Size of one slot (one cache line); every event record fits into it.
constexpr std::size_t kSlotSize = 64;

// One slot of kSlotSize bytes, aligned for any event record.
void* Allocate();
void Release(void* slot);

// Slots handed out and not yet released, over all threads (counted in
// debug builds only; 0 otherwise).
std::size_t SlotsInUse();

// True when event records use the pool. Under AddressSanitizer they use the
// ordinary heap, so that every event keeps its own guarded allocation.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kEventsUsePool = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kEventsUsePool = false;
#else
constexpr bool kEventsUsePool = true;
#endif
#else
constexpr bool kEventsUsePool = true;
#endif

}  // namespace event_pool
