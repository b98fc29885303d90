#pragma once

#include "model/Retainable.h"

// The counted base of every stream. An element holds its stream through this base:
// the stream classes live in a room above the model, and the last count ends a
// stream of any kind through the virtual destructor.
class CountedStream : public Retainable<CountedStream> {
protected:
    CountedStream() = default;
    virtual ~CountedStream() = default;

private:
    friend class Retainable<CountedStream>;
};
