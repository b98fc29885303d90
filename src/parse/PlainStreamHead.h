#pragma once

#include <cstdint>
#include <optional>

// The head of a stream object as most writers lay it out, read without the lexer:
//   number generation obj << /Key value ... >> stream EOL
// where every value is a name or an unsigned integer, names hold no "#" escape,
// tokens are parted by white space alone (no comment) and the line of "stream"
// ends right after it, in "\n" or "\r\n". Anything else, and any text that reaches
// the end of the bytes given (it may go on beyond them), is left to the lexer,
// which reads every such head to the same values.
struct PlainStreamHead {
    int32_t number = 0;
    int32_t generation = 0;
    bool lengthIsInteger = false;  // the first Length is an integer (the only value it can be here)
    int64_t length = 0;
    bool isObjectStream = false;  // the first Type is the name ObjStm
    uint32_t dataStart = 0;       // counted from the head's first byte
};

std::optional<PlainStreamHead> matchPlainStreamHead(const uint8_t* bytes, uint32_t size);

// The header of any object as most writers lay it out, "number generation obj"
// (unsigned integers of up to nine digits, white space between the tokens),
// followed within the bytes by white space or a delimiter; `valueStart` is just
// after "obj". Anything else is left to the lexer, which reads such a header alike.
struct PlainObjectHeader {
    int32_t number = 0;
    int32_t generation = 0;
    uint32_t valueStart = 0;
};
std::optional<PlainObjectHeader> matchPlainObjectHeader(const uint8_t* bytes, uint32_t size);
