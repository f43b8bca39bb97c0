#include "Asn1Pool.h"

#include "Asn1.h"

#include <array>
#include <cstdint>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define VENTREL_POOL 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VENTREL_POOL 0
#endif
#endif
#ifndef VENTREL_POOL
#define VENTREL_POOL 1
#endif

namespace {

constexpr std::size_t kGrain = 16;
constexpr std::size_t kClasses = 4;   // blocks of 16, 32, 48 and 64 octets
constexpr std::uint32_t kKeep = 128;  // free blocks kept per size

struct FreeBlock {
    FreeBlock* next;
};

// Trivially destructible, so that a thread_local needs no guard on each use.
// The blocks still listed when a thread ends are not returned: at most
// kClasses * kKeep small blocks.
struct FreeLists {
    std::array<FreeBlock*, kClasses> head;
    std::array<std::uint32_t, kClasses> count;
};

#if VENTREL_POOL
thread_local constinit FreeLists lists{};
#endif

// The size class of `size`, or kClasses when the pool does not keep it.
std::size_t ClassOf(std::size_t size) {
    std::size_t index = (size + kGrain - 1) / kGrain;
    return index >= 1 && index <= kClasses ? index - 1 : kClasses;
}

}  // namespace

namespace {

inline void* Take(std::size_t size) {
#if VENTREL_POOL
    std::size_t c = ClassOf(size);
    if (c == kClasses) return ::operator new(size);
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

inline void Give(void* block, std::size_t size) noexcept {
    if (block == nullptr) return;
#if VENTREL_POOL
    std::size_t c = ClassOf(size);
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

}  // namespace

void* TAsn1Pool::Allocate(std::size_t size) { return Take(size); }
void TAsn1Pool::Release(void* block, std::size_t size) noexcept { Give(block, size); }

// The nodes' own operators, here so that the free lists are used without a
// further call.
void* TAsn1Base::operator new(std::size_t size) { return Take(size); }
void TAsn1Base::operator delete(void* block, std::size_t size) noexcept { Give(block, size); }
