// Recycles the small blocks that tree nodes live in. Every received datagram
// is decoded into a dozen nodes that are freed again within the same poll
// tick; a free list per block size makes that a few instructions instead of a
// trip through the general allocator. Each thread keeps its own bounded lists;
// larger blocks, and every block under AddressSanitizer (so that it still sees
// each use after free), go straight to the global allocator.
#pragma once

#include <cstddef>

class TAsn1Pool {
public:
    static void* Allocate(std::size_t size);
    static void Release(void* block, std::size_t size) noexcept;
};

// A standard allocator over TAsn1Pool, for the child lists of constructed
// nodes, which are made and freed as often as the nodes themselves.
template <typename T>
class TAsn1PoolAllocator {
public:
    using value_type = T;

    TAsn1PoolAllocator() = default;
    template <typename U>
    TAsn1PoolAllocator(const TAsn1PoolAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) { return static_cast<T*>(TAsn1Pool::Allocate(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) noexcept { TAsn1Pool::Release(p, n * sizeof(T)); }

    template <typename U>
    bool operator==(const TAsn1PoolAllocator<U>&) const noexcept {
        return true;
    }
};
