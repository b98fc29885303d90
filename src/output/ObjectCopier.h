#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "output/DirectPages.h"
#include "output/PageUses.h"
#include "output/XRefWriter.h"
#include "pages/PageRecord.h"

class ObjectStreamPacker;
class OutputFile;
class RawObjectReader;

// Writes every object of the input in ascending number: its raw text unchanged,
// the selected pages with their new rotation, objects from object streams as
// ordinary objects (or, with a packer, into object streams again), and no object
// stream itself. Fills one record per number.
class ObjectCopier {
public:
    ObjectCopier(const RawObjectReader& reader, OutputFile& output, OutputTable& records);

    // With "-repair": a stream whose Length is wrong is written with the right one.
    void correctStreamLengths() { correctLengths = true; }
    // With "-compact": the objects that the input holds in object streams (but its
    // encryption dictionary) go to `packer`, and the input's cross-reference
    // streams, which the output's own cross-reference replaces, are left out.
    void packInto(ObjectStreamPacker& objectStreams) { packer = &objectStreams; }
    // Told, for every object number, how many of how many have been done.
    void reportProgressTo(std::function<void(size_t, size_t)> report) { progress = std::move(report); }
    // With "-repair": pages written directly in /Kids, which go out as objects of
    // their own (in ascending parent and kid index; their page records carry the new numbers).
    void movePages(std::vector<MovedPage> moved) { movedPages = std::move(moved); }
    // With "-repair": the objects each page uses are noted in `uses`.
    void notePageUses(PageUses& uses) { pageUses = &uses; }
    // With "-repair": objects of the page tree written with the /Type they hold
    // (true: a node), in ascending number.
    void correctTypes(std::vector<std::pair<int32_t, bool>> mistyped) { retyped = std::move(mistyped); }
    uint64_t typesCorrected() const { return typeFixes; }
    void copyAll(const std::vector<PageRecord>& pages);
    // Objects that the cross-reference lists in use but that could not be read,
    // and so were left out, in ascending number.
    const std::vector<int32_t>& unreadable() const { return unreadableObjects; }
    // Objects written whose end the lexer could not find (the first closing word after
    // them ended their text), in ascending number.
    const std::vector<int32_t>& endsUnknown() const { return unknownEnds; }
    uint64_t correctedLengths() const { return corrected; }
    // With "-repair": objects written with the closing keywords they lacked.
    uint64_t endsAdded() const { return ended; }
    uint64_t pagesMoved() const { return moved; }
    // With "-repair": objects written with the containers closed that they left open.
    uint64_t containersClosed() const { return closed; }
    // With "-repair": objects of object streams written with a string closed that ran to their end.
    uint64_t stringsClosed() const { return closedStrings; }

private:
    void copyObject(int32_t number, struct RawObject& object, const PageRecord* page);
    void packObject(int32_t number, const struct RawObject& object, const PageRecord* page);
    bool packs(int32_t number, const struct XRefEntry& entry) const;
    bool isInputCrossReference(int32_t number, const struct XRefEntry& entry) const;
    bool lengthEditWhileCopying(struct RawObject& object, const PageRecord* page, struct StreamLengthEdit& edit);
    void countObjectStreamLength(const struct RawObject& object);
    void moveKidsOfNode(int32_t number, struct RawObject& node, size_t& nextMoved);
    void writeMovedPages(const std::vector<PageRecord>& pages);

    const RawObjectReader& reader;
    OutputFile& output;
    OutputTable& records;
    std::vector<int32_t> unreadableObjects;
    std::vector<int32_t> unknownEnds;
    bool correctLengths = false;
    std::function<void(size_t, size_t)> progress;
    uint64_t corrected = 0;
    uint64_t ended = 0;
    uint64_t moved = 0;
    uint64_t closed = 0;
    uint64_t closedStrings = 0;
    PageUses* pageUses = nullptr;
    ObjectStreamPacker* packer = nullptr;
    std::vector<std::pair<int32_t, bool>> retyped;
    uint64_t typeFixes = 0;
    std::vector<MovedPage> movedPages;
    std::vector<std::string> movedTexts;  // per moved page: its dictionary, once its node was copied
    std::vector<int32_t> movedParentGenerations;
};
