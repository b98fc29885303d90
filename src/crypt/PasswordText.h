#pragma once
// The forms in which the standard security handler hashes a password typed as
// UTF-8 (the program's arguments and password files are UTF-8 text).
#include <optional>
#include <string>
#include <string_view>

namespace passwords {

// Revisions 2 to 4 hash the password's bytes in PDFDocEncoding (ISO 32000, D.2):
// the UTF-8 text converted, or nothing when it is not UTF-8, holds no character
// beyond ASCII (its bytes are its encoding already), or holds one that
// PDFDocEncoding has no code for.
std::optional<std::string> pdfDocEncoded(std::string_view utf8);

// Revisions 5 and 6 hash the password prepared by SASLprep (RFC 4013), cut to
// 127 bytes. Prepared here: the characters of RFC 3454's table B.1 (soft hyphen,
// zero-width joiners, variation selectors, ...) left out and the non-ASCII spaces
// of table C.1.2 made U+0020. Normalisation (NFKC) is not done: it needs the
// Unicode tables, and a password typed as its composed characters, as keyboards
// give them, is already in that form for the common scripts. Text that is not
// UTF-8 is left as it is.
std::string saslPrepared(std::string_view utf8);

// The first 127 bytes of a password, which is all that revisions 5 and 6 hash.
std::string aes256PasswordBytes(std::string_view password);

}  // namespace passwords
