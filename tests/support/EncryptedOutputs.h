#pragma once

#include <ostream>
#include <string>
#include <vector>

// Encrypted inputs made with qpdf, and what an output of one must keep, judged through qpdf.
namespace e2e {

// One handler of the standard security handler, as qpdf's --encrypt makes it.
struct EncryptionHandler {
    std::string name;
    std::vector<std::string> qpdfArguments;  // the key length and what follows it
};
inline void PrintTo(const EncryptionHandler& handler, std::ostream* out) { *out << handler.name; }

// RC4 of 40 and 128 bits, AES of 128 bits, AES of 256 bits in revisions 5 and 6.
const std::vector<EncryptionHandler>& everyEncryptionHandler();

// What qpdf prints for `option` on `pdf`, opened with `password`.
std::string qpdfShown(const std::string& pdf, const std::string& password, const std::string& option);

// The trailer's first /ID string as qpdf reads it.
std::string firstId(const std::string& pdf, const std::string& password);

// What an output of an encrypted input must be: clean, rotated as asked, every
// other object as the input's decrypted, the same encryption and first /ID.
void expectKeptEncryption(const std::string& input, const std::string& output, const std::string& password,
                          const std::string& rotations);

}  // namespace e2e
