#pragma once

#include <cstddef>
#include <cstdint>

// Every bound that keeps the reader finite on hostile input, and the block sizes
// that trade memory for system calls, in one place. Each says why its value.
namespace limits {

// Object numbers stay below this: they are signed 32-bit here, and the output's
// table writes each in decimal. ISO 32000-1 (Annex C) calls 8,388,607 a limit of
// 32-bit readers only, and producers do number objects beyond it.
constexpr int32_t maximumEntries = INT32_MAX;

// An object takes a few bytes of the file at the least: a cross-reference entry,
// an object header, a number pair in an object stream, even compressed. A file
// whose cross-reference lists more objects than one per this many bytes (beyond a
// small allowance) declares more than it can hold, and is damaged; this bounds
// every per-object table by the file's size.
constexpr uint64_t minimumBytesPerObject = 2;
constexpr uint64_t entryAllowance = 1024;
// The bound counts the entries a file lists, not its highest number: producers
// number objects sparsely (a few dozen objects numbered up to 156,341 in a file
// of 107 KB). Tables by object number are held densely, twelve bytes a number,
// only as far as twice the entries present or this floor (768 KiB); numbers
// beyond are held apart, so memory follows the entries present.
constexpr size_t denseNumberFloor = size_t{1} << 16;
// Room for a section's entries is made ahead (for a cross-reference stream's, at
// most one entry per this many bytes of the file: its decoded length is not known
// ahead), and for no more entries at once than the second: room a lying count
// asks for is never touched, so it costs no memory, only address space (48 MiB).
constexpr uint64_t fileBytesPerExpectedStreamEntry = 8;
constexpr uint64_t mostEntriesExpectedAtOnce = uint64_t{1} << 22;
// The output's table is written as one subsection from 0 when its numbers stay
// below this or within what the input's size could list; beyond, it lists only
// the objects written, in subsections, so a few far numbers cost a few lines.
constexpr int64_t wholeTableNumbers = int64_t{1} << 20;

// Containers nested deeper than this end the parse as damaged input. Real files
// nest a handful of levels; 500 keeps the recursive parser far from the stack's end.
constexpr int maximumNesting = 500;

// One object may hold at most this many values (numbers, names, references and
// the containers that hold them). Each takes about 16 bytes once parsed, so this
// caps the memory of any one object at some 32 MiB; the largest real objects (a
// flat page tree of a few hundred thousand pages) stay far below it. It is a
// backstop: the readers of pages, page tree nodes, stream extents and
// cross-reference streams build only the entries they read, and values passed
// over neither count nor cost memory.
constexpr uint32_t maximumValuesPerObject = 1 << 21;

// Nested fetches (an indirect Length, an object stream's own object) deeper than
// this can only come from a reference loop: a sound file needs two or three.
constexpr int maximumFetchDepth = 32;

// A page tree deeper than this is taken as damaged: balanced trees of millions of
// pages are a few levels deep, and the walk recurses once per level.
constexpr int maximumPageTreeDepth = 256;

// The form's field tree is read to learn whether the document is signed, for a
// hint only: its signature fields stand near the top in real files, so a tree
// deeper or larger than this is taken as not signed rather than read through.
constexpr int maximumFieldTreeDepth = 32;
constexpr int32_t signatureFieldsRead = 100000;

// The page list is sized from the root's /Count up to this many records at once
// (no more than the objects listed, which take room of their own); a longer
// document grows it as its pages are found. Growing by doubling holds the old
// list beside one twice as long: a million pages are sized at once.
constexpr uint64_t reservedPageRecords = uint64_t{1} << 21;

// The page tree walk visits at most this many kids per object (or per byte of the
// file, whichever is less), plus a small allowance: a tree that lists nodes many
// times over cannot make the walk longer than a few times what the file holds.
// A Kids array is therefore kept only as far as the walk may still visit it.
constexpr uint64_t pageTreeVisitsPerObject = 4;
constexpr uint64_t pageTreeVisitAllowance = 1024;
// The walk marks object numbers (of the nodes it has read, of the pages it has
// listed) in bitmaps up to this number (128 KiB each at most); a number beyond it
// is looked up without the mark.
constexpr uint32_t markedNumberBound = 1 << 20;

// Decoded object streams larger than this are taken as damaged: producers write
// object streams of a few hundred objects (kilobytes to a few megabytes; streams
// themselves cannot be inside), and the whole stream is held in memory.
constexpr int64_t maximumObjectStreamData = 32 * 1024 * 1024;
// An object stream up to this size is decoded once into a buffer that grows as it
// is read; a larger one is first decoded only to count its bytes, then once more
// into a buffer of exactly its size, so that it is never held twice over while
// the buffer grows, and one beyond the limit above is never held at all.
constexpr size_t objectStreamReadWholeBytes = 1 << 20;
// The object streams decoded last stay decoded, a few of them and only as many
// as fit within these bytes together: walking a page tree returns to its nodes'
// stream after the kids of each node, and a thousand nodes fill megabytes.
constexpr size_t keptObjectStreams = 4;
constexpr size_t keptObjectStreamBytes = 16 * 1024 * 1024;

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
// Spans of the input this long or longer go to the output inside the system:
// platform::copyInSystem where they stand at the same place within a page of this
// size in both files, else platform::copyThroughPipe for an output that nobody
// syncs. Below, a copy through a block costs no more.
constexpr uint64_t systemCopyMinimumBytes = 64 * 1024;
constexpr uint64_t systemPageBytes = 4096;
// The pipe of platform::copyThroughPipe: 200 MB on ext4 (Linux 6.18) took about
// 37 ms through a pipe of 1 MiB, 39 through 512 KiB, 42 through 256 KiB and 60
// through 2 MiB. Unprivileged users may have pipes of 1 MiB by default.
constexpr size_t splicePipeBytes = 1 << 20;
// Long spans that the system does not copy go through a block this large. The
// kernel's own copy moves a span that stands at another place within a page in
// pieces of a small pipe's size, each page in two parts, and took about 1.5 times
// as long as this block (ext4, 200 MB). The pipe above fills a new file about 10%
// faster than the block; but a file written at other places within its pages than
// the block's aligned writes takes longer to sync: replacing an output of 200 MB
// durably took 317 ms through the pipe against 281 through the block. So an output
// that is synced before it replaces its destination takes these spans through the
// block, and a new one through the pipe.
constexpr size_t longCopyBlockBytes = 1 << 20;
// The output's own buffer, where small writes gather before they reach the file,
// which then takes them in blocks of this size at offsets that are multiples of it.
// Writing 6.8 MB to a new file on ext4 (Linux 6.18) took about 4 ms in pieces of
// about 16 KiB at any offset, 2.2 ms in aligned 16 KiB blocks, 1.4 ms in 64 KiB ones.
constexpr size_t outputGatherBytes = 64 * 1024;

// The pieces of an object stream that an update compresses (a page's body, a
// hundred bytes or so) are handed to zlib gathered up to this many bytes.
constexpr size_t deflaterGatherBytes = 16 * 1024;
// A compressor sets aside room for the output it expects, up to this many bytes
// (address space only: what it does not fill is never touched).
constexpr size_t deflaterReserveBytes = 16 * 1024 * 1024;
// An update in streams holds the bodies of its object stream's first members, each
// as its difference from the one before, up to this many bytes, so that the pages
// need not be read a second time (20,000 pages of a file take about 160 KB); the
// members past it are read again.
constexpr size_t heldUpdateBodyBytes = 512 * 1024;

// Room on the disk is set aside ahead of an output's writes (platform::reserveFileSpace)
// once it reaches the first size, in steps as large as the output so far (so that it
// doubles), up to the largest. A smaller output is left to grow as it is written: there
// the calls cost more than they save (about 50 us for room around a 10 KB output, on
// ext4, where writing it took 22 us).
constexpr uint64_t outputRoomFromBytes = 1 << 20;
constexpr uint64_t largestOutputRoomStep = 32 << 20;
// An object's text up to this size is read into memory whole; a larger one (an
// image, a font) is searched and copied through fixed blocks where it lies in
// the file, so that no object costs memory in proportion to its size.
constexpr uint32_t inMemoryObjectBytes = 1 << 20;

// The search for where an object's text ends reads ahead in chunks that double from the
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

// The rebuild scan looks for a dictionary first in this many bytes after its
// "obj" or "trailer"; most are far smaller, and a larger view is read only for one
// that runs on, by fourfold steps up to the limit above.
constexpr size_t firstScannedDictionaryBytes = 64 * 1024;
// The white space and comments the scan reads before a token that must come next
// ("<<" after "obj", "stream" after ">>", "endstream" after the data), at most.
constexpr size_t scanTokenReach = 1024;
// A file search looks at no fewer bytes than this before it reads the next block.
constexpr size_t minimumSearchView = 4096;
// An object header is at most this long (ten digits, a run of blanks, ten digits,
// a run of blanks, "obj"), so one that starts this far before a block's end lies in
// it whole.
constexpr size_t headerReach = 96;
// Headers are written with a blank or a line end between their parts; a longer run
// of white space is taken for no header, which keeps the look back from "obj"
// short. A number has at most ten digits (object numbers stay below 2^31).
constexpr size_t maximumHeaderSpaces = 32;
constexpr size_t maximumHeaderDigits = 10;
// The check that an entry points at its object header reads this many bytes: more
// than any header needs, unless comments stand between its parts; such a header is
// taken as wrong and the file rebuilt, which finds it all the same.
constexpr size_t entryCheckBytes = 1024;

// The Length correction reads a stream object's dictionary and "stream" line from
// this many bytes at its start (a larger dictionary is left as it is), and this
// many where the Length says the data ends, to find "endstream" there.
constexpr uint32_t streamHeadReach = 64 * 1024;
constexpr uint32_t endstreamReach = 1024;
// A trailer's text is read in chunks from this size on: most trailers are short.
constexpr uint32_t firstTrailerChunkBytes = 4096;

// A document's XMP metadata is searched for its PDF/A claim this far into its
// decoded data: the claim stands in the first packet, near the start.
constexpr size_t metadataSearchBytes = 4 << 20;

// A /Rotate that points at a /Rotate that points on is followed this many steps at
// most: a real file needs one.
constexpr int maximumRotateSteps = 8;

// File streams: most reads are of one small object, which a first refill of this
// size takes whole; a stream read on (an object stream, a cross-reference stream)
// goes on in buffers of the second size.
constexpr uint32_t firstRefillBytes = 256;
constexpr uint32_t fileStreamBufferBytes = 4096;
// The file streams of one document share this many blocks of this size, the last
// ones read: a page tree walk reads neighbouring objects without a system call,
// and the cache stays at 64 KiB whatever the file.
constexpr uint32_t cacheBlockBytes = 16384;
constexpr uint32_t cacheBlockCount = 4;
// Decoders (Flate and the other stream filters) deliver their output through a
// buffer of this size, and take their encoded input in pieces of the second size.
constexpr uint32_t decodeOutputBytes = 1024;
constexpr uint32_t decodeInputBytes = 4096;
// A stream's filters are decoded in a chain of at most this many: producers chain
// two or three (a text encoding over a compression), and each decoder holds a few
// kilobytes of its own.
constexpr int32_t maximumChainedFilters = 8;
// A stream inflated at once first gets room for this many bytes, then twice as
// much whenever it fills that.
constexpr size_t wholeInflateFirstRoom = 16 * 1024;
// A cross-reference stream's rows are read this many at a time.
constexpr int64_t crossReferenceRowsReadAtOnce = 128;
// Object streams are decoded in blocks of this size.
constexpr size_t objectStreamDecodeBlock = 16384;

// Reading a page's text to turn it upright ("-rauto") has budgets of its own, so
// that a hostile page is left as it is ("without text to judge") instead of making
// the run slow. A page's content streams and the forms they draw are decoded up to
// this many bytes for it, which are held in memory while the page is read: real
// pages of text take kilobytes to a few megabytes (the largest are drawings, whose
// text is little), and a decompression bomb stops here after a fraction of a second.
constexpr uint64_t contentBytesPerPage = uint64_t{16} << 20;
// Operators interpreted for one page, forms included: a few per glyph run on real
// pages, a few hundred thousand on the densest maps.
constexpr uint64_t contentOperatorsPerPage = uint64_t{1} << 22;
// The decoded bytes of a whole job: this base plus a multiple of the file's size,
// so that a file of many pages that each decode a bomb stays bounded too; pages
// read after it is spent are not judged.
constexpr uint64_t contentBytesPerJobBase = uint64_t{256} << 20;
constexpr uint64_t contentBytesPerJobPerFileByte = 32;
// Forms drawn inside forms deeper than this are not read: real files nest two or three.
constexpr int maximumFormDepth = 12;
// Graphics states saved (q) and not restored deeper than this make the page
// unjudged: ISO 32000 names 28 as a limit of implementations.
constexpr size_t maximumSavedStates = 1024;

// With "-compact" the objects that the input keeps in object streams go into new
// ones of at most this many objects, and about this many bytes of their text: as
// many as common writers put in one (a hundred or two), so that a reader that needs
// one object decodes little more, and enough that Flate finds what they share.
constexpr size_t packedObjectsPerStream = 200;
constexpr size_t packedBytesPerStream = 256 * 1024;

// A classic cross-reference table writes an offset in ten digits: a file of 10 GB
// or more cannot be rotated into one (nor updated, as its update's table would
// name offsets past it).
constexpr uint64_t largestTableOffset = 9'999'999'999;
constexpr int64_t maximumInputBytes = int64_t{largestTableOffset} + 1;

}  // namespace limits
