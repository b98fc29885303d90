#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/ObjectId.h"

class StandardSecurity;

// The text of an object that came out of an object stream, where its strings are
// not encrypted of their own (the stream is), made fit to stand as an ordinary
// object of the encrypted file: each literal or hexadecimal string is encrypted
// with the object's key and written in hexadecimal. Everything else is copied.
std::string encryptObjectStrings(std::string_view text, const StandardSecurity& security, ObjectId object);

// The bytes of the literal string whose "(" is at `text[start]`, escapes decoded
// and each unescaped end of line (CR, LF or CR LF) read as LF, as ISO 32000 reads it;
// `end` becomes the index just past its closing ")" (or the text's end).
std::string decodeLiteralString(std::string_view text, size_t start, size_t& end);
// The bytes of the hexadecimal string whose "<" is at `text[start]`.
std::string decodeHexString(std::string_view text, size_t start, size_t& end);
