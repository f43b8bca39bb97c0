// Recycles the small blocks that tree nodes and their child lists live in.
// Every received datagram is decoded into a dozen nodes that are freed again
// within the same poll tick; a free list per block size makes that a few
// instructions instead of a trip through the general allocator. Each thread
// keeps its own bounded lists; larger blocks, and every block under
// AddressSanitizer (so that it still sees each use after free), go straight
// to the global allocator. Inline, because it runs for every node.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define VENTREL_ASN1_POOL 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VENTREL_ASN1_POOL 0
#endif
#endif
#ifndef VENTREL_ASN1_POOL
#define VENTREL_ASN1_POOL 1
#endif

class TAsn1Pool {
public:
    static void* Allocate(std::size_t size) {
#if VENTREL_ASN1_POOL
        std::size_t c = ClassOf(size);
        if (c == kClasses) return ::operator new(size);
        FreeLists& lists = freeLists;
        if (FreeBlock* block = lists.head[c]) {
            lists.head[c] = block->next;
            --lists.count[c];
            return block;
        }
        return ::operator new((c + 1) * kGrain);
#else
        return ::operator new(size);
#endif
    }

    static void Release(void* block, std::size_t size) noexcept {
        if (block == nullptr) return;
#if VENTREL_ASN1_POOL
        std::size_t c = ClassOf(size);
        FreeLists& lists = freeLists;
        if (c < kClasses && lists.count[c] < kKeep) {
            lists.head[c] = ::new (block) FreeBlock{lists.head[c]};
            ++lists.count[c];
            return;
        }
#else
        (void)size;
#endif
        ::operator delete(block);
    }

private:
    static constexpr std::size_t kGrain = 16;
    static constexpr std::size_t kClasses = 4;   // blocks of 16, 32, 48 and 64 octets
    static constexpr std::uint32_t kKeep = 128;  // free blocks kept per size

    struct FreeBlock {
        FreeBlock* next;
    };

    // Trivially destructible and constant-initialized, so that a thread_local
    // needs no guard on each use. The blocks still listed when a thread ends
    // are not returned: at most kClasses * kKeep small blocks.
    struct FreeLists {
        std::array<FreeBlock*, kClasses> head;
        std::array<std::uint32_t, kClasses> count;
    };

    // The size class of `size`, or kClasses when the pool does not keep it.
    static std::size_t ClassOf(std::size_t size) {
        std::size_t index = (size + kGrain - 1) / kGrain;
        return index >= 1 && index <= kClasses ? index - 1 : kClasses;
    }

    static thread_local constinit FreeLists freeLists;
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
