// The standard security handler's pieces: the strings of object texts, the
// per-object encryption, and a revision 5 handler built here from its definition.
#include <gtest/gtest.h>

#include "crypt/Crypto.h"
#include "crypt/ObjectStrings.h"
#include "crypt/PasswordKeys.h"
#include "crypt/StandardSecurity.h"
#include "model/PdfDictionary.h"
#include "model/PdfElement.h"
#include "stream/PdfMemoryStream.h"

namespace {

std::string text(const crypto::Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }
const uint8_t* bytesOf(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

// A revision 5 (AES-256) handler for `password` with a known file key, made as
// ISO 32000 (algorithm 8) makes U and UE: SHA-256 of the password and the salts.
StandardSecurity aes256Handler(const std::string& password, const crypto::Bytes& fileKey, bool aesStrings = true) {
    const std::string validationSalt = "vsalt123", keySalt = "ksalt456";
    EncryptionSettings settings;
    settings.version = 5;
    settings.revision = 5;
    settings.keyLength = 32;
    settings.permissions = -4 - 8 - 1024;  // all but bits 4 and 11
    settings.streams = CryptMethod::AesV3;
    settings.strings = aesStrings ? CryptMethod::AesV3 : CryptMethod::Identity;
    settings.user = text(crypto::Digest(crypto::DigestKind::Sha256)
                             .add(bytesOf(password), password.size())
                             .add(bytesOf(validationSalt), 8)
                             .finish()) +
                    validationSalt + keySalt;
    crypto::Bytes intermediate = crypto::Digest(crypto::DigestKind::Sha256)
                                     .add(bytesOf(password), password.size())
                                     .add(bytesOf(keySalt), 8)
                                     .finish();
    crypto::Bytes wrapped = fileKey;
    const uint8_t zeroIv[16] = {};
    crypto::aesCbcEncrypt(intermediate, zeroIv, wrapped.data(), wrapped.size());
    settings.userKey = text(wrapped);
    settings.owner = std::string(48, 'x');  // no owner password opens it
    settings.ownerKey = std::string(32, 'y');
    return StandardSecurity(settings, "");
}

const crypto::Bytes fileKey(32, 7);

TEST(StandardSecurity, OpensWithTheUserPasswordAndNoOther) {
    StandardSecurity security = aes256Handler("geheim", fileKey);
    EXPECT_FALSE(security.authenticate("gehein"));
    EXPECT_FALSE(security.authenticate(""));
    EXPECT_TRUE(security.authenticate("geheim"));
    EXPECT_FALSE(security.openedByOwner());
    EXPECT_FALSE(security.allowsAssembling()) << "P leaves bits 4 and 11 clear";
}

// Strings go out as AES data of a fresh initialisation vector and padded blocks,
// which decrypt to what they were; decrypting tolerates data that is cut short.
TEST(StandardSecurity, EncryptedStringsDecryptToThemselves) {
    StandardSecurity security = aes256Handler("", fileKey);
    ASSERT_TRUE(security.authenticate(""));
    for (const std::string& plain : {std::string(), std::string("abc"), std::string(16, 'z'), std::string("a\0b", 3)}) {
        const std::string encrypted = security.encryptString(plain, {12, 0});
        EXPECT_EQ(16 + (plain.size() / 16 + 1) * 16, encrypted.size());
        EXPECT_EQ(plain, security.decryptData(CryptMethod::AesV3, encrypted, {12, 0}));
        EXPECT_NE(encrypted, security.encryptString(plain, {12, 0})) << "every string gets its own vector";
    }
    EXPECT_EQ("", security.decryptData(CryptMethod::AesV3, std::string(20, 'q'), {1, 0})) << "no whole block";
    const std::string encrypted = security.encryptString(std::string(40, 'k'), {3, 0});
    EXPECT_EQ(std::string(32, 'k'), security.decryptData(CryptMethod::AesV3, encrypted.substr(0, 55), {3, 0}))
        << "an incomplete last block is dropped, and so is padding that is not there";
}

// A memory stream that counts the reads made of it.
class CountingStream : public CPdfMemoryStream {
public:
    CountingStream(const std::string& bytes, int& reads)
        : CPdfMemoryStream(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size())),
          reads(reads) {}
    size_t readBlock(uint8_t* into, size_t count) override {
        ++reads;
        return CPdfMemoryStream::readBlock(into, count);
    }

private:
    int& reads;
};

// Stream data is decrypted when it is first read, not when the object is
// fetched: a lookup that needs only the dictionary costs nothing more.
TEST(StandardSecurity, StreamsAreDecryptedWhenFirstRead) {
    StandardSecurity security = aes256Handler("", fileKey);
    ASSERT_TRUE(security.authenticate(""));
    const std::string encrypted = security.encryptString("stream data", {4, 0});  // AES-256: one key for all
    int reads = 0;
    CPdfElement dictionary;
    dictionary.makeDictionary(nullptr);
    const RetainPtr<CPdfStream> stream =
        security.decryptStream(makeRetained<CountingStream>(encrypted, reads), dictionary, {4, 0});
    EXPECT_EQ(0, reads);
    std::string plain;
    for (int c = stream->readByte(); c >= 0; c = stream->readByte()) plain.push_back(static_cast<char>(c));
    EXPECT_EQ("stream data", plain);
    EXPECT_GT(reads, 0);
    EXPECT_NE(nullptr, stream->streamDictionary());

    CPdfElement xref;
    xref.makeDictionary(nullptr);
    CPdfElement type;
    type.makeName("XRef");
    xref.dictionary()->add("Type", type);
    int rawReads = 0;
    const RetainPtr<CPdfStream> raw = makeRetained<CountingStream>(encrypted, rawReads);
    EXPECT_EQ(raw.get(), security.decryptStream(raw, xref, {4, 0}).get())
        << "cross-reference streams are never encrypted";
}

TEST(ObjectStrings, LiteralAndHexStringsDecode) {
    size_t end = 0;
    EXPECT_EQ("a(b)c", decodeLiteralString("(a(b)c) x", 0, end));
    EXPECT_EQ(7u, end);
    EXPECT_EQ(std::string("\n\r\t\b\f()\\A\0013z", 12),
              decodeLiteralString("(\\n\\r\\t\\b\\f\\(\\)\\\\\\101\\0013\\z)", 0, end));
    EXPECT_EQ("ab", decodeLiteralString("(a\\\r\nb)", 0, end));
    EXPECT_EQ("a\nb\nc\n\n\nd\re", decodeLiteralString("(a\rb\r\nc\n\r\rd\\re)", 0, end))
        << "an unescaped CR or CR LF reads as LF; an escaped one stays CR";
    EXPECT_EQ("open", decodeLiteralString("(open", 0, end));
    EXPECT_EQ(5u, end);
    EXPECT_EQ(std::string("\x12\xAB\xC0", 3), decodeHexString("<12 ab\nC>", 0, end));
    EXPECT_EQ(9u, end);
}

// Everything but the strings stays as it was: names, numbers, dictionaries'
// brackets, and comments with parentheses in them.
TEST(ObjectStrings, OnlyStringsAreReplaced) {
    StandardSecurity security = aes256Handler("", fileKey);
    ASSERT_TRUE(security.authenticate(""));
    const std::string object = "<< /T (a) /N /Na#28me /H <4142> % (no string)\n /A [1 2 R (b)] >>";
    const std::string out = encryptObjectStrings(object, security, {5, 0});
    EXPECT_TRUE(out.starts_with("<< /T <")) << out;
    EXPECT_NE(std::string::npos, out.find("> /N /Na#28me /H <")) << out;
    EXPECT_NE(std::string::npos, out.find("> % (no string)\n /A [1 2 R <")) << out;
    EXPECT_TRUE(out.ends_with(">] >>")) << out;
    EXPECT_EQ(object, encryptObjectStrings(object, aes256Handler("", fileKey, false), {5, 0}))
        << "the Identity filter leaves strings as they are";
}

// Revision 6's hash: the same inputs give the same key, and each input counts.
TEST(PasswordKeys, HardenedHashIsDeterministicAndDependsOnEveryInput) {
    const crypto::Bytes hash = passwords::hardenedHash("pw", "saltsalt", "");
    EXPECT_EQ(32u, hash.size());
    EXPECT_EQ(hash, passwords::hardenedHash("pw", "saltsalt", ""));
    EXPECT_NE(hash, passwords::hardenedHash("pw", "saltsalT", ""));
    EXPECT_NE(hash, passwords::hardenedHash("pw", "saltsalt", std::string(48, 'u')));
}

// A revision 6 handler made as ISO 32000-2 (algorithms 8 and 10) makes U, UE and
// Perms, with `permsPlain` as the block that Perms encrypts.
StandardSecurity revision6Handler(const std::string& password, int32_t p, std::string permsPlain) {
    const std::string validationSalt = "vsalt123", keySalt = "ksalt456";
    EncryptionSettings settings;
    settings.version = 5;
    settings.revision = 6;
    settings.keyLength = 32;
    settings.permissions = p;
    settings.streams = settings.strings = CryptMethod::AesV3;
    settings.user = text(passwords::hardenedHash(password, validationSalt, "")) + validationSalt + keySalt;
    crypto::Bytes wrapped = fileKey;
    const uint8_t zeroIv[16] = {};
    crypto::aesCbcEncrypt(passwords::hardenedHash(password, keySalt, ""), zeroIv, wrapped.data(), wrapped.size());
    settings.userKey = text(wrapped);
    settings.owner = std::string(48, 'x');
    settings.ownerKey = std::string(32, 'y');
    crypto::Bytes perms(permsPlain.begin(), permsPlain.end());
    crypto::aesCbcEncrypt(fileKey, zeroIv, perms.data(), perms.size());
    settings.perms = text(perms);
    return StandardSecurity(settings, "");
}

// Perms holds P (low byte first), then "adb" at bytes 9 to 11: a P or a Perms
// changed without the key does not open the file, whatever the password.
TEST(StandardSecurity, Revision6PermsMustConfirmP) {
    const std::string confirming("\xFC\xFF\xFF\xFF\xFF\xFF\xFF\xFFTadbwxyz", 16);  // P = -4
    EXPECT_TRUE(revision6Handler("pw", -4, confirming).authenticate("pw"));
    EXPECT_FALSE(revision6Handler("pw", -4, confirming).authenticate("pW"));
    EXPECT_FALSE(revision6Handler("pw", -8, confirming).authenticate("pw")) << "P changed";
    std::string notAdb = confirming;
    notAdb[10] = 'x';
    EXPECT_FALSE(revision6Handler("pw", -4, notAdb).authenticate("pw"));
}

TEST(BinaryStrings, KeepTheirNulBytes) {
    CPdfElement element;
    element.makeString("a\0b\0", 4);
    EXPECT_EQ(std::string("a\0b\0", 4), std::string(element.stringBytes()));
    EXPECT_STREQ("a", element.text());
    const CPdfElement copy(element);
    EXPECT_EQ(std::string("a\0b\0", 4), std::string(copy.stringBytes()));
    CPdfElement longer;
    longer.makeString(std::string(40, '\0').data(), 40);
    EXPECT_EQ(40u, longer.stringBytes().size());
}

}  // namespace
