#pragma once

// The keywords that frame the objects of a file: a header ends with "obj", an
// object with "endobj", and a stream's data stands between "stream" and
// "endstream". None of them can stand inside a value: a container that meets one
// has ended with its object.
namespace keywords {

inline constexpr char objectStart[] = "obj";
inline constexpr char objectEnd[] = "endobj";
inline constexpr char streamStart[] = "stream";
inline constexpr char streamEnd[] = "endstream";

// Whether `token` (a lexed token or an element) is one of them.
template <class Token>
bool framesObject(const Token& token) {
    return token.isKeyword(objectEnd) || token.isKeyword(objectStart) || token.isKeyword(streamStart) ||
           token.isKeyword(streamEnd);
}

// What closes the text of an object that the program writes itself, after its
// value (or a stream's data); and after the value of an object taken out of an
// object stream, as the copy has always written it.
inline constexpr char writtenObjectEnd[] = "\nendobj\n";
inline constexpr char writtenStreamAndObjectEnd[] = "\nendstream\nendobj\n";
inline constexpr char compressedObjectEnd[] = " endobj\r";

}  // namespace keywords
