#pragma once

#include <memory>
#include <optional>
#include <string>

class CPdfDictionary;
class CPdfElement;
class CPdfXRef;
class StandardSecurity;

// The refusal of an encrypted file opened without a password, with its hint.
[[noreturn]] void refuseEncryptedFile();

// Whether a trailer's Encrypt value makes the file encrypted: a reference to the
// encryption dictionary, or the dictionary itself written in the trailer.
bool namesEncryption(const CPdfElement& encrypt);

// The security handler for the encryption that `trailer`'s Encrypt refers to or holds,
// opened with `password`. Throws the refusal of an encrypted file when no password
// was given, and its own refusals when the encryption cannot be read or the
// password opens nothing. An indirect encryption dictionary is fetched through
// `xref` before any decryption is in place, as its strings are not encrypted.
std::unique_ptr<StandardSecurity> openSecurityHandler(CPdfXRef& xref, const CPdfDictionary& trailer,
                                                      const std::optional<std::string>& password);
