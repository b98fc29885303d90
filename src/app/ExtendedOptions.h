#pragma once
// The options beyond the classic usage text: the lines that `--help` adds after
// it, and the `--version` text. An option joins the help by one entry in
// extendedOptions, wherever the code that handles it lives.
#include <gcrypt.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>

#include "app/Version.h"
#include "crypt/Crypto.h"

namespace extended {

struct OptionLine {
    const char* name;
    const char* summary;  // one line, without its line end
};

constexpr OptionLine extendedOptions[] = {
    {"-p<pages>",
     "also counts from the end: end and r1 are the last page, rN the N-th from the end, in ranges too: "
     "-p5-end, -pr3-end"},
    {"-p<pages>",
     "also takes an angle per item and named selections as items, later items winning: "
     "-p1-3:90,4-end:180, or -podd:90,even:270 for a duplex scan"},
    {"-p<pages>",
     "also takes exclusions: ~N, ~N-M or ~odd (any named selection) takes those pages out of the items before "
     "it: -p1-end,~5-7 or -pall,~end"},
    {"-plandscape",
     "rotates the pages displayed wider than tall (crop box, else media box, as the page shows it), "
     "e.g. -plandscape -r90 -force; also as an item: -plandscape:90,portrait:0"},
    {"-pportrait", "rotates the other pages; a page whose boxes cannot be read counts as portrait"},
    {"-rauto",
     "gives each selected page the rotation under which its text reads upright, judged from its content "
     "(80 % of at least 20 glyphs in one direction); also as an item: -p1-10:auto,11-end:0. Not with -force"},
    {"-info",
     "in place of -o or -f: changes and writes nothing, and prints each file's facts (page count, PDF version, "
     "encryption, signatures, object streams, linearized, repaired) and a line a page: its rotation, size in points, "
     "orientation, text direction (up, right, down, left, none) and the rotation -rauto would write; with -p, "
     "those pages"},
    {"-json",
     "with -info: one JSON document a file, a line each, alone on standard output; the console text goes to "
     "standard error"},
    {"-password<text>",
     "opens an encrypted file with its user or owner password (-password alone: the empty "
     "one); -passwordfile<file> reads it from the file's first line. The output keeps the "
     "encryption"},
    {"-incremental", "keeps every byte of the input and appends the rotation as an incremental update"},
    {"-compact",
     "a full rewrite keeps the input's compression: the objects of its object streams go into object streams "
     "again, and the cross-reference is a stream (a table of the numbers in use where the input has neither); "
     "ignored with -incremental"},
    {"-repair",
     "rotates damaged files too, as other readers recover them: a cross-reference that cannot be used is "
     "rebuilt by scanning the file"},
    {"-continue", "in a list run, goes on with the next file after a failed one and ends with a count of both"},
    {"-i-",
     "reads the PDF from standard input (kept in a temporary file while the job runs); the console "
     "line names it -"},
    {"-o-",
     "writes the output PDF to standard output once it is complete and checked (nothing after a failure), "
     "and the console text to standard error; not for list runs"},
    {"--help", "prints this text; only as the sole parameter"},
    {"--version",
     "prints the version of Folioturn and of the zlib and libgcrypt it was built with; only as the sole parameter"},
};

inline void printOptionLines() {
    std::fputs("Further options:\n", stdout);
    for (const OptionLine& option : extendedOptions) std::printf("%s - %s\n", option.name, option.summary);
}

// The zlib that the program runs with is named too when it is not the one whose
// header it was built with (a shared library updated since).
inline void printVersion() {
    std::fputs("Folioturn " FOLIOTURN_VERSION "\nbuilt with zlib " ZLIB_VERSION "\n", stdout);
    if (std::strcmp(zlibVersion(), ZLIB_VERSION) != 0) std::printf("running with zlib %s\n", zlibVersion());
    std::fputs("built with libgcrypt " GCRYPT_VERSION "\n", stdout);
    if (std::strcmp(crypto::libraryVersion(), GCRYPT_VERSION) != 0)
        std::printf("running with libgcrypt %s\n", crypto::libraryVersion());
}

}  // namespace extended
