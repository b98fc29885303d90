#pragma once

#include <utility>

// Holds one count of a reference-counted object (an array, a dictionary or a
// stream) and gives it back on every path. The counting rules are those of
// Retainable: an object starts with one count that belongs to its creator, and
// only a holder takes or gives back a count.
//
// A function that takes a RetainPtr by value takes a count; one that takes a plain
// pointer or reference borrows, and retains for itself what it keeps. A function
// that returns a RetainPtr hands a count to its caller.
template <class T>
class RetainPtr {
public:
    RetainPtr() = default;
    RetainPtr(std::nullptr_t) {}
    // Shares `object`: adds a count of its own.
    explicit RetainPtr(T* object) : held(object) {
        if (held) held->retain();
    }
    // Takes over a count that the caller holds, such as the one `new` gives.
    static RetainPtr adopt(T* object) {
        RetainPtr holder;
        holder.held = object;
        return holder;
    }

    RetainPtr(const RetainPtr& other) : RetainPtr(other.held) {}
    RetainPtr(RetainPtr&& other) noexcept : held(std::exchange(other.held, nullptr)) {}
    template <class U>
    RetainPtr(const RetainPtr<U>& other) : RetainPtr(other.get()) {}
    template <class U>
    RetainPtr(RetainPtr<U>&& other) noexcept : held(other.leak()) {}
    RetainPtr& operator=(RetainPtr other) noexcept {
        std::swap(held, other.held);
        return *this;
    }
    ~RetainPtr() { reset(); }

    void reset() {
        if (T* object = std::exchange(held, nullptr)) object->release();
    }
    // Gives up the count without releasing it: for the one holder (CPdfElement's
    // payload) that keeps counts in a plain pointer.
    [[nodiscard]] T* leak() { return std::exchange(held, nullptr); }

    T* get() const { return held; }
    T* operator->() const { return held; }
    T& operator*() const { return *held; }
    explicit operator bool() const { return held != nullptr; }

private:
    T* held = nullptr;
};

// A new counted object whose first count belongs to the returned holder.
template <class T, class... Arguments>
RetainPtr<T> makeRetained(Arguments&&... arguments) {
    return RetainPtr<T>::adopt(new T(std::forward<Arguments>(arguments)...));
}
