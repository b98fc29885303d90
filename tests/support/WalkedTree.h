#pragma once

#include <vector>

#include "PdfBuilder.h"
#include "pages/PageRecord.h"
#include "pages/PageTreeWalker.h"
#include "pages/ShownRotation.h"
#include "xref/PdfDocument.h"
#include "xref/PdfXRef.h"

// The tree under object 2 of a file with a catalogue as object 1, walked as the
// job walks it. The file ends with a table, or with a cross-reference stream
// (object 999), which objects of object streams need.
struct WalkedTree {
    explicit WalkedTree(PdfBuilder& pdf, bool crossReferenceStream = false) {
        pdf.object(1, "<< /Type /Catalog /Pages 2 0 R >>");
        pdf.startxref(crossReferenceStream ? pdf.xrefStream(999, "/Root 1 0 R") : pdf.table("/Root 1 0 R"));
        xref = &pdf.open(document);
        CPdfElement root;
        xref->fetchObject(2, 0, root);
        PageTreeWalker walker(xref->getEntries().numberBound(), pdf.bytes().size(), [this] { ++nodesVisited; });
        walker.walk(root, 2, pages);
        nodes = walker.takeNodeRotations();
    }

    CPdfDocument document;
    CPdfXRef* xref = nullptr;
    std::vector<PageRecord> pages;
    WalkedNodes nodes;
    int nodesVisited = 0;
};
