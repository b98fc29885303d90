#include <gtest/gtest.h>

#include <optional>

#include "PdfBuilder.h"
#include "limits/Messages.h"
#include "model/PdfArray.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "pages/PageTreeSieve.h"
#include "pages/PageTreeWalker.h"
#include "parse/PdfParser.h"
#include "TestByteFile.h"
#include "WalkedTree.h"
#include "pages/ShownRotation.h"
#include "xref/PdfDocument.h"
#include "xref/PdfXRef.h"

namespace {

// The page records' object numbers, and how many nodes were visited.
std::vector<int32_t> walk(PdfBuilder& pdf, int* nodes = nullptr) {
    const WalkedTree tree(pdf);
    if (nodes) *nodes = tree.nodesVisited;
    std::vector<int32_t> numbers;
    for (const PageRecord& page : tree.pages) numbers.push_back(page.objNum);
    return numbers;
}

// The tree under object 2 read by its contents, as -repair reads it; the caller
// writes the objects, the catalogue among them, and this the table.
struct WalkedByContents {
    explicit WalkedByContents(PdfBuilder& pdf) {
        pdf.startxref(pdf.table("/Root 1 0 R"));
        xref = &pdf.open(document);
        xref->fetchObject(2, 0, root);
        walker.emplace(xref->getEntries().numberBound(), pdf.bytes().size(), [] {});
        walker->readKidsByContents();
        walker->walk(root, 2, pages);
        for (const PageRecord& page : pages) numbers.push_back(page.objNum);
    }

    CPdfDocument document;
    CPdfXRef* xref = nullptr;
    CPdfElement root;
    std::optional<PageTreeWalker> walker;
    std::vector<PageRecord> pages;
    std::vector<int32_t> numbers;
};

}  // namespace

TEST(PageTreeWalker, ListsPagesInOrderAsOftenAsTheTreeListsThem) {
    PdfBuilder pdf;
    pdf.object(2, "<< /Type /Pages /Kids [3 0 R 4 0 R 3 0 R 5 0 R] >>");
    pdf.object(3, "<< /Type /Page >>");
    pdf.object(4, "<< /Type /Pages /Kids [6 0 R << /Type /Page >> 6 0 R] >>");
    pdf.object(5, "<< /Type /Pages /Kids [4 0 R] >>");
    pdf.object(6, "<< /Type /Page >>");
    int nodes = 0;
    EXPECT_EQ((std::vector<int32_t>{3, 6, -1, 6, 3, 6, -1, 6}), walk(pdf, &nodes));
    EXPECT_EQ(4, nodes);  // the root, node 4 twice (once through 5) and node 5
}

// A node listed again is not read again, also past the numbers the walk marks in
// its bitmap of nodes read (a million): a mistyped one is noted once.
TEST(PageTreeWalker, NodesListedAgainAreFoundWhateverTheirNumbers) {
    for (const int far : {4, 2000004}) {
        SCOPED_TRACE(far);
        const std::string farNode = std::to_string(far) + " 0 R";
        PdfBuilder pdf;
        pdf.object(1, "<< /Type /Catalog /Pages 2 0 R >>");
        pdf.object(2, "<< /Type /Pages /Kids [3 0 R " + farNode + " 3 0 R 5 0 R " + farNode + "] >>");
        pdf.object(3, "<< /Type /Page /Kids [6 0 R] >>");  // nodes typed /Page
        pdf.object(far, "<< /Type /Page /Kids [7 0 R 6 0 R] >>");
        pdf.object(5, "<< /Type /Page >>");
        pdf.object(6, "<< /Type /Page >>");
        pdf.object(7, "<< /Type /Page >>");
        const WalkedByContents tree(pdf);
        EXPECT_EQ((std::vector<int32_t>{6, 7, 6, 6, 5, 7, 6}), tree.numbers);
        EXPECT_EQ((std::vector<std::pair<int32_t, bool>>{{3, true}, {far, true}}), tree.walker->mistyped());
    }
}

namespace {

// A page's or node's facts as one line, for comparisons.
std::string describe(const PageRotationFacts& facts) {
    return std::to_string(static_cast<int>(facts.rotate)) + " " + std::to_string(facts.value) + " " +
           std::to_string(facts.generation) + " parent " + std::to_string(facts.parent) + " key " +
           std::to_string(facts.rotateKey);
}

// The tree walked, each page's facts and each node's, in order.
std::vector<std::string> walkedFacts(PdfBuilder& pdf) {
    const WalkedTree tree(pdf);
    std::vector<std::string> lines;
    for (const PageRecord& page : tree.pages)
        lines.push_back(std::to_string(page.objNum) + ": " + describe(page.facts));
    for (const int32_t node : {3, 4})
        if (const auto found = tree.nodes.find(node); found != tree.nodes.end())
            lines.push_back("node " + std::to_string(node) + ": " + describe(found->second.facts));
    return lines;
}

}  // namespace

// The walk takes a kid's Type, Parent and Rotate as the plain reader reads them,
// without building them into the dictionary; the parser's reading (a comment in
// each dictionary makes the plain reader decline) gives the same records: the
// first Type and Parent count, the last Rotate, and a Type given by reference first
// is resolved.
TEST(PageTreeWalker, KindAndRotationReadPlainlyAsTheParserReadsThem) {
    const std::vector<std::pair<int, std::string>> objects = {
        {2, "/Type /Pages /Kids [3 0 R 5 0 R 6 0 R 7 0 R 8 0 R]"},
        {3, "/Type /Pages /Rotate 90 /Parent 2 0 R /Kids [4 0 R 9 0 R] /Rotate 180 /Parent 8 0 R"},
        {4, "/Rotate 9 0 R /Type /Pages /Kids [10 0 R] /Parent 3 0 R"},
        {5, "/Type /Page /Rotate 90 /Parent 2 0 R /Rotate 270 /Type /Pages /Parent 3 0 R /Rotate -90"},
        {6, "/Type 11 0 R /Parent 2 0 R /Type /Pages /Rotate 12 0 R"},
        {7, "/Type /Page /Type 12 0 R /Rotate null /MediaBox [0 0 1 1] /Parent 7"},
        {8, "/Parent 2 0 R /Type /Page /Rotate [90] /Rotate 1.5"},
        {9, "/Type /Page"},
        {10, "/Type /Page /Rotate 65536 0 R"},
        {11, "/Page"},
        {12, "90"},
    };
    std::vector<std::vector<std::string>> walks;
    for (const bool plain : {true, false}) {
        PdfBuilder pdf;
        for (const auto& [number, entries] : objects) {
            const bool dictionary = number <= 10;
            const std::string inside = plain ? entries : entries + " % read by the parser\n";
            pdf.object(number, dictionary ? "<< " + inside + " >>" : entries);
        }
        walks.push_back(walkedFacts(pdf));
    }
    EXPECT_EQ(walks[0], walks[1]);
    ASSERT_EQ(8u, walks[0].size());  // six pages (10 and 9 under node 3, then 5 to 8), two nodes
    EXPECT_EQ("5: 1 -90 0 parent 2 key 1", walks[0][2]);
}

// A page listed again is not read again: its record is a copy of the first one.
// A node walked and let go is read again when listed again, and gives the same pages.
TEST(PageTreeWalker, ListingsAfterTheFirstCopyWhatTheFirstRead) {
    PdfBuilder pdf;
    pdf.object(2, "<< /Type /Pages /Kids [3 0 R 4 0 R 3 0 R 4 0 R] >>");
    pdf.object(3, "<< /Type /Page /Parent 2 0 R /Rotate 7 0 R >>");
    pdf.object(4, "<< /Type /Pages /Parent 2 0 R /Kids [5 0 R 3 0 R] >>");
    pdf.object(5, "<< /Type /Page /Parent 4 0 R /Rotate 180 >>");
    pdf.object(7, "90");
    const WalkedTree tree(pdf);
    std::vector<int32_t> numbers;
    for (const PageRecord& page : tree.pages) numbers.push_back(page.objNum);
    ASSERT_EQ((std::vector<int32_t>{3, 5, 3, 3, 5, 3}), numbers);
    for (const size_t again : {size_t{2}, size_t{3}, size_t{5}}) {
        EXPECT_EQ(PageRotationFacts::Rotate::Reference, tree.pages[again].facts.rotate);
        EXPECT_EQ(7, tree.pages[again].facts.value);
        EXPECT_EQ(2, tree.pages[again].facts.parent);
    }
    EXPECT_EQ(180, tree.pages[4].facts.value);
    EXPECT_EQ(4, tree.pages[4].facts.parent);
}

// A /Rotate reference of a generation past 65535 leads to no object: no rotation.
TEST(PageTreeWalker, ARotateReferenceBeyondTheLastGenerationIsNoRotation) {
    PdfBuilder pdf;
    pdf.object(2, "<< /Type /Pages /Rotate 270 /Kids [3 0 R] >>");
    pdf.object(3, "<< /Type /Page /Parent 2 0 R /Rotate 7 65536 R >>");
    const WalkedTree tree(pdf);
    ASSERT_EQ(1u, tree.pages.size());
    ShownRotation shown(*tree.xref);
    EXPECT_EQ(0, shown.ofPage(tree.pages[0]));
}

// A Type given by reference is read where it points: a page and a node so typed
// are a page and a node, and one that points to another name is neither.
TEST(PageTreeWalker, ATypeGivenByReferenceIsReadWhereItPoints) {
    PdfBuilder pdf;
    pdf.object(2, "<< /Type /Pages /Kids [3 0 R 4 0 R 6 0 R] >>");
    pdf.object(3, "<< /Type 8 0 R >>");
    pdf.object(4, "<< /Type 9 0 R /Kids [5 0 R] >>");
    pdf.object(5, "<< /Type /Page >>");
    pdf.object(6, "<< /Type 10 0 R >>");
    pdf.object(8, "/Page");
    pdf.object(9, "/Pages");
    pdf.object(10, "/Font");
    EXPECT_EQ((std::vector<int32_t>{3, 5}), walk(pdf));
}

TEST(PageTreeWalker, ALoopThroughKidsIsDamage) {
    PdfBuilder pdf;
    pdf.object(2, "<< /Type /Pages /Kids [3 0 R] >>");
    pdf.object(3, "<< /Type /Pages /Kids [2 0 R] >>");
    try {
        walk(pdf);
        ADD_FAILURE() << "the loop was walked";
    } catch (const CPdfException& failure) {
        EXPECT_STREQ(message::damaged, failure.messageText());
    }
}

// The walk notes each page's own /Rotate and /Parent, so that the rotation a page
// shows comes without reading the page again: own values (direct, real, through
// references, null meaning none), inherited ones up /Parent, and loops counting as none.
TEST(PageTreeWalker, NotesWhatThePagesShowOfTheirRotation) {
    PdfBuilder pdf;
    pdf.object(2, "<< /Type /Pages /Rotate 90 /Kids [3 0 R 4 0 R 5 0 R 6 0 R 7 0 R 8 0 R 9 0 R 6 0 R] >>");
    pdf.object(3, "<< /Type /Page /Parent 2 0 R >>");
    pdf.object(4, "<< /Type /Page /Parent 2 0 R /Rotate 180.7 >>");
    pdf.object(5, "<< /Type /Page /Parent 2 0 R /Rotate 10 0 R >>");
    pdf.object(6, "<< /Type /Page /Parent 11 0 R /Rotate null >>");
    pdf.object(7, "<< /Type /Page /Parent 2 0 R /Rotate /Ninety >>");
    pdf.object(8, "<< /Type /Page /Parent 12 0 R >>");
    pdf.object(9, "<< /Type /Page /Parent 2 0 R /Rotate 13 0 R >>");
    pdf.object(10, "14 0 R");
    pdf.object(11, "<< /Type /Pages /Parent 2 0 R /Rotate -270 >>");
    pdf.object(12, "<< /Type /Pages /Parent 12 0 R >>");
    pdf.object(13, "null");
    pdf.object(14, "270");
    const WalkedTree tree(pdf);
    ShownRotation shown(*tree.xref);
    std::vector<int32_t> rotations;
    for (const PageRecord& page : tree.pages) rotations.push_back(shown.ofPage(page));
    EXPECT_EQ((std::vector<int32_t>{90, 180, 270, -270, 0, 0, 90, -270}), rotations);
}

// What the walk read of its nodes gives every page the rotation that fetching
// the nodes again gives; it is taken only under the generation such a fetch uses.
TEST(PageTreeWalker, TheNodesItReadShowTheRotationAFetchShows) {
    PdfBuilder pdf;
    pdf.object(2, "<< /Type /Pages /Rotate 90 /Kids [3 0 R 7 0 R] >>");
    pdf.object(3, "<< /Type /Pages /Parent 2 0 R /Kids [4 0 R 5 0 R 6 0 R] >>");
    pdf.object(4, "<< /Type /Page /Parent 3 0 R >>");
    pdf.object(5, "<< /Type /Page /Parent 7 0 R >>");
    pdf.object(6, "<< /Type /Page /Parent 8 0 R >>");  // a parent the walk never reached
    pdf.object(7, "<< /Type /Pages /Parent 2 0 R /Rotate 9 0 R /Kids [10 0 R] >>");
    pdf.object(8, "<< /Type /Pages /Rotate 180 >>");
    pdf.object(9, "270");
    pdf.object(10, "<< /Type /Page /Parent 3 0 R /Rotate -90 >>");
    const WalkedTree tree(pdf);
    EXPECT_EQ(2u, tree.nodes.size());  // 3 and 7: the root was not fetched by reference
    const auto rotations = [&tree](const WalkedNodes* walked) {
        ShownRotation shown(*tree.xref, walked);
        std::vector<int32_t> shownRotations;
        for (const PageRecord& page : tree.pages) shownRotations.push_back(shown.ofPage(page));
        return shownRotations;
    };
    EXPECT_EQ((std::vector<int32_t>{90, 270, 180, -90}), rotations(&tree.nodes));
    EXPECT_EQ(rotations(nullptr), rotations(&tree.nodes));

    WalkedNodes told = tree.nodes;
    told[3].facts.rotate = PageRotationFacts::Rotate::Value;
    told[3].facts.value = 45;
    EXPECT_EQ(45, rotations(&told).front());  // taken as the walk read it
    told[3].generation = 1;
    EXPECT_EQ(90, rotations(&told).front());  // another generation: fetched again
}

namespace {

// The object `text` as the page tree walk builds it, with `kidsLeft` visits to go.
CPdfElement sievedNode(const std::string& text, uint64_t kidsLeft) {
    const TestByteFile file(text);
    CPdfParser parser(nullptr, file.openStream());
    PageTreeSieve sieve(kidsLeft);
    CPdfElement node;
    parser.parseObject(node, sieve);
    return node;
}

std::vector<std::string> keysOf(const CPdfElement& node) {
    std::vector<std::string> keys;
    for (const char* key : {"Type", "Kids", "Count", "Parent", "Rotate", "MediaBox", "Resources", "Annots"}) {
        CPdfElement value;
        node.dictionary()->findRaw(key, value);
        if (!value.is(ElementType::Null)) keys.push_back(key);
    }
    return keys;
}

}  // namespace

// Of a node or page the walk keeps its kids, count, type, parent and rotation;
// of its Kids no more than it may still visit, and of a direct kid that is neither
// a page nor a node nothing.
TEST(PageTreeWalker, KeepsOfEachNodeOnlyWhatItReads) {
    const std::string node =
        "<< /Type /Pages /MediaBox [0 0 612 792] /Kids [3 0 R << /Type /Page /Resources << /Font 9 0 R >> "
        "/Rotate 90 >> << /Type /Font >> << /Type 8 0 R >> 7] /Count 2 /Parent 1 0 R /Rotate 180 "
        "/Annots [[] [] []] >>";
    const CPdfElement whole = sievedNode(node, 100);
    EXPECT_EQ((std::vector<std::string>{"Type", "Kids", "Count", "Parent", "Rotate"}), keysOf(whole));
    CPdfElement kids, kid;
    whole.dictionary()->findRaw("Kids", kids);
    ASSERT_EQ(5, kids.array()->size());
    kids.array()->atRaw(1, kid);
    EXPECT_EQ((std::vector<std::string>{"Type", "Rotate"}), keysOf(kid));
    kid.clear();
    kids.array()->atRaw(2, kid);
    EXPECT_TRUE(kid.is(ElementType::None));  // a font among the kids: passed over by the walk
    kid.clear();
    kids.array()->atRaw(3, kid);
    EXPECT_TRUE(kid.is(ElementType::Dictionary));  // its Type by reference is for the walk to resolve

    const CPdfElement trimmed = sievedNode(node, 2);
    CPdfElement fewer, last;
    trimmed.dictionary()->findRaw("Kids", fewer);
    ASSERT_EQ(3, fewer.array()->size());
    fewer.array()->atRaw(2, last);
    EXPECT_TRUE(last.is(ElementType::Error));  // where the walk would reach its limit
}

// A Kids array longer than the walk may visit ends the walk as damage, as it did
// when the whole array was kept; direct kids that are neither kind are passed over.
TEST(PageTreeWalker, DirectKidsOfNeitherKindArePassedOverUpToTheVisitLimit) {
    PdfBuilder few;
    few.object(2, "<< /Type /Pages /Kids [<< /Type /Font >> 3 0 R << >> 3 0 R] >>");
    few.object(3, "<< /Type /Page >>");
    EXPECT_EQ((std::vector<int32_t>{3, 3}), walk(few));

    std::string many;
    for (int i = 0; i < 5000; ++i) many += "<< >> ";
    PdfBuilder tooMany;
    tooMany.object(2, "<< /Type /Pages /Kids [" + many + "3 0 R] >>");
    tooMany.object(3, "<< /Type /Page >>");
    try {
        walk(tooMany);
        ADD_FAILURE() << "5,000 kids were visited in a file of three objects";
    } catch (const CPdfException& failure) {
        EXPECT_STREQ(message::damaged, failure.messageText());
    }
}

// With -repair a kid is a node when it holds /Kids and a page otherwise, whatever
// its /Type says; pages written inside /Kids and wrong types are noted.
TEST(PageTreeWalker, ReadByContentsAKidIsANodeWhenItHoldsKids) {
    PdfBuilder pdf;
    pdf.object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.object(2, "<< /Type /Pages /Kids [3 0 R 4 0 R] >>");
    pdf.object(3, "<< /Parent 2 0 R >>");                                // a page without /Type
    pdf.object(4, "<< /Type /Page /Kids [5 0 R << /Type /Page >>] >>");  // a node typed /Page
    pdf.object(5, "<< /Kids [6 0 R] >>");                                // a node without /Type
    pdf.object(6, "<< /Type /Page >>");
    const WalkedByContents tree(pdf);
    const PageTreeWalker& walker = *tree.walker;
    EXPECT_EQ((std::vector<int32_t>{3, 6, -1}), tree.numbers);
    ASSERT_EQ(1u, walker.directPages().size());
    EXPECT_EQ(2u, walker.directPages()[0].page);
    EXPECT_EQ(4, walker.directPages()[0].parent);
    EXPECT_EQ(1, walker.directPages()[0].kidIndex);
    EXPECT_EQ((std::vector<std::pair<int32_t, bool>>{{3, false}, {4, true}, {5, true}}), walker.mistyped());

    // Without -repair /Type decides: a kid without one is passed over, and node 4 is a page.
    PageTreeWalker plain(tree.xref->getEntries().numberBound(), pdf.bytes().size(), [] {});
    std::vector<PageRecord> plainPages;
    plain.walk(tree.root, 2, plainPages);
    ASSERT_EQ(1u, plainPages.size());
    EXPECT_EQ(4, plainPages[0].objNum);
}
