#pragma once

#include <cstdint>

template <class T>
class RetainPtr;

// The one reference count of the shared objects (arrays, dictionaries, streams).
// An object starts with one count, which belongs to its creator; the object is
// destroyed when the last count is given back. Counts are taken and given back
// only through RetainPtr, so that no path can forget one.
//
// `Derived` is the class whose destructor ends the object: the class itself, or
// for a family of classes their base with a virtual destructor.
template <class Derived>
class Retainable {
public:
    Retainable(const Retainable&) = delete;
    Retainable& operator=(const Retainable&) = delete;

    int32_t referenceCount() const { return count; }

protected:
    Retainable() = default;
    ~Retainable() = default;

private:
    template <class>
    friend class RetainPtr;

    void retain() { ++count; }
    void release() {
        if (--count == 0) delete static_cast<Derived*>(this);
    }

    int32_t count = 1;  // one thread: a plain integer
};
