#pragma once

#include <cstdint>

// The count shared by arrays, dictionaries and streams. An object starts with one
// count that belongs to its creator; retain adds one, release takes one away and
// destroys the object at zero. The destructor is virtual because an element
// releases the streams it holds through this base: the model does not know the
// stream classes, which live in a room above it.
class CountedObject {
public:
    CountedObject(const CountedObject&) = delete;
    CountedObject& operator=(const CountedObject&) = delete;

    void retain() { ++count; }
    void release() {
        if (--count == 0) delete this;
    }
    int32_t referenceCount() const { return count; }

protected:
    CountedObject() = default;
    virtual ~CountedObject() = default;

private:
    int32_t count = 1;
};
