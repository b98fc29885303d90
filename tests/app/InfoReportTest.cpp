// The text and the JSON that -info writes from a description.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/InfoReport.h"

namespace {

DocumentDescription twoPages() {
    DocumentDescription description;
    description.file = "in.pdf";
    description.pageCount = 7;
    description.version = "1.7";
    description.objectStreams = description.certified = true;
    PageView turned;
    turned.rotation = 270;
    turned.size = DisplayedSize{841.8897637, 595.2755905};
    turned.text = TextDirection::Left;
    turned.uprightRotation = 0;
    PageView unreadable;  // boxes that cannot be read, no text to judge
    description.pages = {{2, turned}, {7, unreadable}};
    return description;
}

std::vector<std::string> textLines(const DocumentDescription& description) {
    std::vector<std::string> lines;
    writeInfoText(description, [&](const std::string& line) { lines.push_back(line); });
    return lines;
}

std::string jsonText(const DocumentDescription& description) {
    std::string text;
    writeInfoJson(description, [&](const std::string& piece) { text += piece; });
    return text;
}

TEST(InfoReport, TheTextFormIsALineOfFactsAndALineAPage) {
    EXPECT_EQ((std::vector<std::string>{
                  "Pages: 7, PDF version: 1.7, encrypted: no, signed: no, certified: yes, object streams: yes, "
                  "linearized: no, repaired: no",
                  "  Page  Rotation     Width    Height  Orientation  Text   Auto",
                  "     2       270    841.89   595.276  landscape    left   0",
                  "     7         0         ?         ?  portrait     none   -",
              }),
              textLines(twoPages()));
    DocumentDescription none;
    EXPECT_EQ(
        "Pages: 0, PDF version: unknown, encrypted: no, signed: no, certified: no, object streams: no, "
        "linearized: no, repaired: no",
        textLines(none).front());
}

// Written a piece at a time, the document is one line of JSON with exactly these
// keys in this order.
TEST(InfoReport, TheJsonFormHoldsTheKeysInOrder) {
    const std::string text = jsonText(twoPages());
    EXPECT_EQ(std::string::npos, text.find('\n'));
    const nlohmann::ordered_json document = nlohmann::ordered_json::parse(text);
    std::vector<std::string> keys;
    for (const auto& [key, value] : document.items()) keys.push_back(key);
    EXPECT_EQ((std::vector<std::string>{"file", "pageCount", "version", "encrypted", "signed", "certified",
                                        "objectStreams", "linearized", "repaired", "pages"}),
              keys);
    EXPECT_EQ(nlohmann::ordered_json::parse(R"([
        {"number":2,"rotation":270,"width":841.89,"height":595.276,"orientation":"landscape",
         "textDirection":"left","autoRotation":0},
        {"number":7,"rotation":0,"width":null,"height":null,"orientation":"portrait",
         "textDirection":"none","autoRotation":null}])"),
              document["pages"]);
    EXPECT_EQ("1.7", document["version"]);
    EXPECT_EQ(R"({"file":"","pageCount":0,"version":null,"encrypted":false,"signed":false,"certified":false,)"
              R"("objectStreams":false,"linearized":false,"repaired":false,"pages":[]})",
              jsonText(DocumentDescription{}));
}

// Pages that show the same share the text of all but their number; past a bound
// of different views each page is dumped whole. Either way the text is the
// library's dump of the whole document, byte for byte.
TEST(InfoReport, EveryPageIsWhatTheLibraryWrites) {
    DocumentDescription description;
    description.file = "many.pdf";
    nlohmann::ordered_json pages = nlohmann::ordered_json::array();
    for (uint32_t number = 1; number <= 10000; ++number) {
        PageView view;
        view.rotation = number % 3 == 0 ? 90 : 0;
        if (number % 7 != 0) view.size = DisplayedSize{double(number < 5000 ? number % 5 : number), 100};
        view.text = number % 2 ? TextDirection::Up : TextDirection::Right;
        if (number % 2 == 0) view.uprightRotation = 270;
        description.pages.push_back({number, view});
        const bool sized = view.size.has_value();
        pages.push_back({{"number", number},
                         {"rotation", view.rotation},
                         {"width", sized ? nlohmann::ordered_json(int64_t(view.size->width)) : nullptr},
                         {"height", sized ? nlohmann::ordered_json(100) : nullptr},
                         {"orientation", sized && view.size->width > 100 ? "landscape" : "portrait"},
                         {"textDirection", number % 2 ? "up" : "right"},
                         {"autoRotation", number % 2 ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(270)}});
    }
    nlohmann::ordered_json document = nlohmann::ordered_json::parse(jsonText(DocumentDescription{}));
    document["file"] = "many.pdf";
    document["pages"] = pages;
    EXPECT_EQ(document.dump(), jsonText(description));
}

TEST(InfoReport, WholePointsHaveNoFractionAndNamesThatAreNotUtf8StillMakeJson) {
    DocumentDescription description;
    description.file = "caf\xe9 \"1\"\\.pdf";
    PageView letter;
    letter.size = DisplayedSize{612.0000001, 792};
    description.pages = {{1, letter}};
    const std::string text = jsonText(description);
    EXPECT_NE(std::string::npos, text.find(R"("width":612,"height":792,)")) << text;
    EXPECT_EQ("caf\xef\xbf\xbd \"1\"\\.pdf", nlohmann::json::parse(text)["file"]);
}

}  // namespace
