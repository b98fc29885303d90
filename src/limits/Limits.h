#pragma once

#include <cstddef>
#include <cstdint>

// Every bound that keeps the reader finite on hostile input, and the block sizes
// that trade memory for system calls, in one place. Each says why its value.
namespace limits {

// The PDF format's own limit on indirect objects: numbers run to 8,388,607
// (ISO 32000, Annex C), so no cross-reference may hold more entries.
constexpr int32_t maximumEntries = 8388608;

// An object takes a few bytes of the file at the least: a cross-reference entry,
// an object header, a number pair in an object stream, even compressed. A file
// whose cross-reference lists more objects than one per this many bytes (beyond a
// small allowance) declares more than it can hold, and is damaged; this bounds
// every per-object table by the file's size.
constexpr uint64_t minimumBytesPerObject = 2;
constexpr uint64_t entryAllowance = 1024;
// The bound counts the entries a file lists, not its highest number: producers
// number objects sparsely (a few dozen objects numbered up to 156,341 in a file
// of 107 KB). Tables by object number are held for numbers below this whatever
// the file's size: twelve bytes a number, 12 MiB at most.
constexpr int64_t sparseNumberCeiling = int64_t{1} << 20;

// Containers nested deeper than this end the parse as damaged input. Real files
// nest a handful of levels; 500 keeps the recursive parser far from the stack's end.
constexpr int maximumNesting = 500;

// One object may hold at most this many values (numbers, names, references and
// the containers that hold them). Each takes about 16 bytes once parsed, so this
// caps the memory of any one object at some 32 MiB; the largest real objects (a
// flat page tree of a few hundred thousand pages) stay far below it.
constexpr uint32_t maximumValuesPerObject = 1 << 21;

// Nested fetches (an indirect Length, an object stream's own object) deeper than
// this can only come from a reference loop: a sound file needs two or three.
constexpr int maximumFetchDepth = 32;

// A page tree deeper than this is taken as damaged: balanced trees of millions of
// pages are a few levels deep, and the walk recurses once per level.
constexpr int maximumPageTreeDepth = 256;

// The page tree walk visits at most this many kids per object (or per byte of the
// file, whichever is less), plus a small allowance: a tree that lists nodes many
// times over cannot make the walk longer than a few times what the file holds.
constexpr uint64_t pageTreeVisitsPerObject = 4;
constexpr uint64_t pageTreeVisitAllowance = 1024;

// Decoded object streams larger than this are taken as damaged: producers write
// object streams of a few hundred objects (kilobytes to a few megabytes; streams
// themselves cannot be inside), and the whole stream is held in memory.
constexpr int64_t maximumObjectStreamData = 32 * 1024 * 1024;

// Object streams are decoded again when objects alternate between them (one is
// kept decoded in each form). The decoded bytes of a whole job may not exceed this
// base plus a multiple of the file's size; beyond, the file is taken as damaged.
constexpr uint64_t objectStreamWorkBase = uint64_t{256} << 20;
constexpr uint64_t objectStreamWorkPerFileByte = 64;

// A password file's first line is read up to this many bytes: the password
// algorithms use at most 127 bytes of a password (32 before AES-256).
constexpr size_t maximumPasswordBytes = 4096;

// A predictor row wider than this is refused: no image is that wide, and the
// predictor keeps two rows in memory.
constexpr int64_t maximumPredictorRowBytes = 16 * 1024 * 1024;

// "%PDF-" is looked for in the first bytes of the file, and "startxref" in the
// last ones: the PDF format puts both within 1024 bytes of their end of the file.
constexpr int headerProbeBytes = 1023;
constexpr int startXRefProbeBytes = 1023;

// Blocks for copying and searching file text: large enough that system calls cost
// little, small enough to stay in cache.
constexpr uint32_t copyBlockBytes = 64 * 1024;
constexpr uint32_t searchBlockBytes = 64 * 1024;
// An object's text up to this size is read into memory whole; a larger one (an
// image, a font) is searched and copied through fixed blocks where it lies in
// the file, so that no object costs memory in proportion to its size.
constexpr uint32_t inMemoryObjectBytes = 1 << 20;

// The search for an object's "endobj" reads ahead in chunks that double from the
// first to the largest, so a small object costs one small read.
constexpr uint32_t firstEndobjChunkBytes = 4096;
constexpr uint32_t largestEndobjChunkBytes = 1 << 20;

// The scan that rebuilds a damaged file's cross-reference reads the file in blocks
// of this size: large enough that a read costs little next to the search in it.
constexpr size_t scanBlockBytes = 1 << 20;
// It reads an object's dictionary (for its Type and its stream's Length) only up
// to this size: larger dictionaries are rare, and one that never closes must not
// make the scan read on without end. Such an object still counts; only its stream
// data, if any, is then searched like the rest of the file.
constexpr size_t maximumScannedDictionaryBytes = 16 << 20;

// Offsets in this program are 32-bit: a file of 2 GiB or more would be misread.
constexpr int64_t maximumInputBytes = int64_t{1} << 31;

}  // namespace limits
