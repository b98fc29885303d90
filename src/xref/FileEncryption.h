#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "model/ObjectId.h"

class CPdfDictionary;
class CPdfXRef;
class StandardSecurity;

// Where a trailer dictionary's text begins: a section's start (a classic table,
// whose "trailer" keyword follows, or a cross-reference stream's header), or the
// "<<" of a dictionary that a scan found. Absolute file positions.
struct TrailerPlace {
    uint64_t start = 0;
    bool isTable = false;
};

// The encryption of one input file, as the cross-reference opens it: the only way
// the readers of a file reach its security handler and its encryption dictionary.
class FileEncryption {
public:
    FileEncryption();
    ~FileEncryption();

    // The password that opens an encrypted file; without one (the default) an
    // encrypted file is refused. Given before the load.
    void usePassword(std::optional<std::string> given) { password = std::move(given); }
    bool hasPassword() const { return password.has_value(); }

    // Opens the encryption that `trailerDictionary`'s Encrypt refers to or holds
    // directly, with the password given: throws when there is none, when it opens
    // nothing, and when the encryption cannot be read. Once opened, stream data is
    // decrypted as it is read. `place` is where the trailer's text stands.
    void unlock(CPdfXRef& xref, const CPdfDictionary& trailerDictionary, TrailerPlace place);

    // The security handler once opened; null for a file that is not encrypted.
    const StandardSecurity* security() const { return securityHandler.get(); }
    // The encryption dictionary's object; number 0 for one held directly in the trailer.
    ObjectId dictionaryObject() const { return dictionary; }
    // Whether the encryption dictionary stands in the trailer itself, and where that trailer's text is.
    bool isDirect() const { return securityHandler && dictionary.number == 0; }
    const TrailerPlace& trailerPlace() const { return place; }

private:
    std::optional<std::string> password;
    std::unique_ptr<StandardSecurity> securityHandler;
    ObjectId dictionary;  // number 0 when the file is not encrypted or the dictionary is direct
    TrailerPlace place;
};
