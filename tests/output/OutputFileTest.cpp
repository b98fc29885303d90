#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "E2eSupport.h"
#include "TestByteFile.h"
#include "limits/Limits.h"
#include "model/PdfException.h"
#include "output/OutputFile.h"

namespace {

using e2e::readFile;
using e2e::TemporaryFolder;
using e2e::writeFile;

bool holdsTemporary(const TemporaryFolder& folder) {
    for (const std::string& name : folder.entries())
        if (name.starts_with(".folioturn-")) return true;
    return false;
}

// Bytes that differ from block to block, so that a block copied twice or skipped shows.
std::string countingBytes(size_t length) {
    std::string bytes(length, '\0');
    for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>('a' + (i / 7 + i % 251) % 26);
    return bytes;
}

}  // namespace

TEST(OutputFile, TheDestinationChangesOnlyOnCommit) {
    TemporaryFolder folder;
    const std::string destination = folder / "out.pdf";
    writeFile(destination, "old");
    {
        OutputFile output(destination.c_str());
        output.write("new bytes");
        EXPECT_EQ(9u, output.position());
        EXPECT_EQ("old", readFile(destination));
        EXPECT_TRUE(holdsTemporary(folder));
        output.commit();
        EXPECT_EQ("new bytes", readFile(destination));
    }
    EXPECT_EQ(std::vector<std::string>{"out.pdf"}, folder.entries());
}

TEST(OutputFile, AnOutputNeverCommittedIsRemovedAndTheDestinationStays) {
    TemporaryFolder folder;
    const std::string destination = folder / "out.pdf";
    writeFile(destination, "old");
    {
        OutputFile output(destination.c_str());
        output.write("half an output");
    }
    EXPECT_EQ("old", readFile(destination));
    EXPECT_EQ(std::vector<std::string>{"out.pdf"}, folder.entries());
    {
        OutputFile output((folder / "new.pdf").c_str());
        output.write("never committed");
    }
    EXPECT_EQ(std::vector<std::string>{"out.pdf"}, folder.entries());
}

TEST(OutputFile, AFolderThatCannotBeWrittenIsACreateError) {
    TemporaryFolder folder;
    const std::string destination = folder / "missing/out.pdf";
    try {
        OutputFile output(destination.c_str());
        ADD_FAILURE() << "no error for an output in a missing folder";
    } catch (const CPdfException& failure) {
        EXPECT_TRUE(std::string(failure.messageText()).starts_with("\nOutput file create error: " + destination + "\n"))
            << failure.messageText();
    }
}

// Copies pass through a block of a fixed size: ranges that start inside a block,
// span several and end inside one come out whole and in order.
TEST(OutputFile, RangesAcrossCopyBlocksComeOutWhole) {
    const size_t block = limits::copyBlockBytes;
    const std::string input = countingBytes(3 * block + 100);
    const TestByteFile file(input);
    TemporaryFolder folder;
    const std::string destination = folder / "out.pdf";
    OutputFile output(destination.c_str());
    EXPECT_EQ(2 * block + 2, output.copyRange(file.get(), block - 1, 2 * block + 2));
    EXPECT_EQ(block, output.copyRange(file.get(), 0, block));
    EXPECT_EQ(1u, output.copyRange(file.get(), input.size() - 1, 1));
    EXPECT_EQ(0u, output.incompleteCopies());
    EXPECT_EQ(3 * block + 3, output.position());
    output.commit();
    EXPECT_EQ(input.substr(block - 1, 2 * block + 2) + input.substr(0, block) + input.back(), readFile(destination));
}

// A range past the end of the input is copied as far as the input goes; only
// copyRange counts that as a part left out.
TEST(OutputFile, ACopyCutShortByTheEndOfTheInputIsCountedByCopyRangeOnly) {
    const std::string input = countingBytes(limits::copyBlockBytes + 10);
    const TestByteFile file(input);
    TemporaryFolder folder;
    const std::string destination = folder / "out.pdf";
    OutputFile output(destination.c_str());
    EXPECT_EQ(20u, output.copyUpTo(file.get(), input.size() - 20, 1000));
    EXPECT_EQ(0u, output.incompleteCopies());
    EXPECT_EQ(20u, output.copyRange(file.get(), input.size() - 20, 1000));
    EXPECT_EQ(1u, output.incompleteCopies());
    EXPECT_EQ(0u, output.copyRange(file.get(), input.size() + 5, 10));
    EXPECT_EQ(2u, output.incompleteCopies());
    EXPECT_EQ(input.size(), output.copyFrom(file.get(), input.size()));
    output.commit();
    EXPECT_EQ(input.substr(input.size() - 20) + input.substr(input.size() - 20) + input, readFile(destination));
}

// Writes gather into blocks that end at multiples of the block size, and whole
// blocks go out from the caller's bytes: pieces of every size around those
// boundaries, and after a copy inside the system that leaves the output at an odd
// place, come out in order, and the position counts each.
TEST(OutputFile, WritesOfEverySizeComeOutInOrderAroundTheBlockBoundaries) {
    constexpr size_t block = limits::outputGatherBytes;
    const std::string source = countingBytes(4 * block + 100);
    const TestByteFile file(source);
    TemporaryFolder folder;
    const std::string destination = folder / "out.pdf";
    OutputFile output(destination.c_str());
    std::string expected;
    size_t offset = 0;
    const auto writePiece = [&](size_t length) {
        const std::string piece = countingBytes(length + offset).substr(offset);
        offset = (offset + 13) % 97;
        output.write(piece);
        expected += piece;
        EXPECT_EQ(expected.size(), output.position()) << length;
    };
    for (const size_t length :
         {size_t{1}, block - 1, size_t{0}, block, block + 1, block - 2, size_t{1}, 3 * block + 7, size_t{5}, 2 * block})
        writePiece(length);
    // Same place within a page in both files: this one goes inside the system.
    const uint64_t from = output.position() % limits::systemPageBytes + 3 * limits::systemPageBytes;
    EXPECT_EQ(limits::systemCopyMinimumBytes, output.copyRange(file.get(), from, limits::systemCopyMinimumBytes));
    expected += source.substr(from, limits::systemCopyMinimumBytes);
    for (const size_t length : {size_t{3}, block, block - 3, 2 * block + 1, size_t{17}}) writePiece(length);
    output.commit();
    EXPECT_EQ(expected, readFile(destination));
}

// A long range goes to the file inside the system: the bytes gathered before it
// still come first, those written after it follow it, and the position counts it.
TEST(OutputFile, ALongRangeKeepsItsPlaceAmongTheWrites) {
    const size_t longRange = limits::systemCopyMinimumBytes;
    const std::string input = countingBytes(3 * longRange + 100);
    const TestByteFile file(input);
    TemporaryFolder folder;
    const std::string destination = folder / "out.pdf";
    OutputFile output(destination.c_str());
    output.write("head");
    EXPECT_EQ(2 * longRange + 3, output.copyRange(file.get(), 7, 2 * longRange + 3));
    output.write("middle");
    EXPECT_EQ(longRange, output.copyRange(file.get(), 0, longRange));
    EXPECT_EQ(10u, output.copyRange(file.get(), 50, 10));
    output.write("tail");
    EXPECT_EQ(0u, output.incompleteCopies());
    const std::string expected = "head" + input.substr(7, 2 * longRange + 3) + "middle" + input.substr(0, longRange) +
                                 input.substr(50, 10) + "tail";
    EXPECT_EQ(expected.size(), output.position());
    output.commit();
    EXPECT_EQ(expected, readFile(destination));
}

// An input that ends before a long range does (it shrank while it was read) gives
// what it holds, and the copy counts as one that left a part out.
TEST(OutputFile, ALongRangeCutShortByTheEndOfTheInputIsCounted) {
    const size_t longRange = limits::systemCopyMinimumBytes;
    const std::string input = countingBytes(2 * longRange);
    const TestByteFile file(input);
    TemporaryFolder folder;
    const std::string destination = folder / "out.pdf";
    OutputFile output(destination.c_str());
    EXPECT_EQ(longRange, output.copyRange(file.get(), longRange, 3 * longRange));
    EXPECT_EQ(1u, output.incompleteCopies());
    EXPECT_EQ(longRange, output.position());
    output.commit();
    EXPECT_EQ(input.substr(longRange), readFile(destination));
}

// A long range comes out whole wherever it stands within a page in either file:
// at the same place (the system's copy) or at another (through a pipe for a new
// output, through the long block for one that replaces a file; over several fills
// of either), between writes that keep their places.
TEST(OutputFile, ALongRangeComesOutWholeAtAnyPlaceWithinAPage) {
    const size_t length = 2 * std::max(limits::longCopyBlockBytes, limits::splicePipeBytes) + 5000;
    const std::string input = countingBytes(length + 2 * limits::systemPageBytes);
    const TestByteFile file(input);
    for (const size_t from : {size_t{0}, size_t{5}, size_t{4096 + 5}}) {
        for (const std::string& head : {std::string("x"), std::string(5, 'h'), std::string(4101, 'h')}) {
            for (const bool replacing : {false, true}) {
                TemporaryFolder folder;
                const std::string destination = folder / "out.pdf";
                if (replacing) writeFile(destination, "an earlier output");
                OutputFile output(destination.c_str());
                output.write(head);
                EXPECT_EQ(length, output.copyRange(file.get(), from, length));
                EXPECT_EQ(limits::systemCopyMinimumBytes,
                          output.copyRange(file.get(), from + 1, limits::systemCopyMinimumBytes));
                output.write("tail");
                EXPECT_EQ(0u, output.incompleteCopies());
                output.commit();
                EXPECT_EQ(
                    head + input.substr(from, length) + input.substr(from + 1, limits::systemCopyMinimumBytes) + "tail",
                    readFile(destination))
                    << from << " " << head.size() << " " << replacing;
            }
        }
    }
}

#ifndef _WIN32
// A span copied inside the system goes in parts of the largest step of room set
// aside: one longer than a step comes out whole and in order.
TEST(OutputFile, ASpanLongerThanTheLargestStepOfRoomComesOutWhole) {
    const std::string input = countingBytes(limits::largestOutputRoomStep + 3 * limits::systemPageBytes + 17);
    const TestByteFile file(input);
    TemporaryFolder folder;
    const std::string destination = folder / "out.pdf";
    OutputFile output(destination.c_str());
    output.write(input.substr(0, 100));
    const uint64_t length = input.size() - 105;
    EXPECT_EQ(length, output.copyRange(file.get(), 100, length));
    output.write(":end");
    output.commit();
    EXPECT_TRUE(readFile(destination) == input.substr(0, input.size() - 5) + ":end");
}

// Room on the disk is set aside ahead of the writes in doubling steps where the file
// system grants it: the output comes out as written all the same, and holds no more
// of the disk than its bytes take once it is committed.
TEST(OutputFile, RoomSetAsideAheadOfTheWritesIsGivenBackOnCommit) {
    const size_t longRange = limits::systemCopyMinimumBytes;
    const std::string input = countingBytes(4 * longRange);
    const TestByteFile file(input);
    TemporaryFolder folder;
    const std::string destination = folder / "out.pdf";
    OutputFile output(destination.c_str());
    std::string expected;
    // Just past the size where room is first set aside, so that it stands nearly whole
    // past the end, in writes of every kind: gathered, whole blocks from where they
    // are, and ranges copied inside the system.
    for (size_t piece = 0; expected.size() < limits::outputRoomFromBytes + 12345; ++piece) {
        const std::string text = countingBytes(piece % 3 == 0 ? limits::outputGatherBytes * 2 : 1000 + piece);
        output.write(text);
        expected += text;
        if (piece % 5 == 4) {
            const uint64_t from = output.position() % limits::systemPageBytes;
            EXPECT_EQ(2 * longRange, output.copyRange(file.get(), from, 2 * longRange));
            expected += input.substr(from, 2 * longRange);
        }
    }
    output.commit();
    EXPECT_EQ(expected, readFile(destination));
    struct stat status;
    ASSERT_EQ(0, ::stat(destination.c_str(), &status));
    EXPECT_LT(static_cast<uint64_t>(status.st_blocks) * 512, expected.size() + 64 * 1024);
}
#endif
