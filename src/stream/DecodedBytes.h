#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

// An allocator whose elements start out as whatever their memory held. A buffer that
// a decoder fills right after growing it need not be zeroed first: zeroing the
// blocks that object streams are decoded into cost a tenth as much as inflating them.
template <class T>
struct UninitializedAllocator : std::allocator<T> {
    UninitializedAllocator() = default;
    template <class U>
    explicit UninitializedAllocator(const UninitializedAllocator<U>&) noexcept {}

    template <class U>
    void construct(U* place) noexcept {
        ::new (static_cast<void*>(place)) U;
    }
    template <class U, class... Arguments>
    void construct(U* place, Arguments&&... arguments) {
        ::new (static_cast<void*>(place)) U(std::forward<Arguments>(arguments)...);
    }
};

// Decoded bytes, grown for a decoder to write into; what it did not write is cut off
// before anyone reads it.
using DecodedBytes = std::vector<uint8_t, UninitializedAllocator<uint8_t>>;
