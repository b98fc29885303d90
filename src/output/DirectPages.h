#pragma once

#include <cstdint>
#include <string>
#include <vector>

// With "-repair", a page dictionary that the input writes directly inside a node's
// /Kids becomes an object of its own in the output, as other readers make of it:
// it gets a new number past the highest in use and a /Parent naming the node, and
// the node's /Kids refers to it.
struct MovedPage {
    int32_t parent = 0;    // the node's object number
    int32_t kidIndex = 0;  // where the page stands in the node's /Kids
    int32_t number = 0;    // its new object number
    size_t page = 0;       // its first record in the page list
};

// Replaces, in the node's text, each kid that `moved` names (kids of this node, in
// ascending kidIndex) by a reference to its new number, and gives each kid's
// dictionary text in `kidTexts`, in the same order. False, with the text as it
// was, when its /Kids does not hold a dictionary at each of those places.
bool moveKidsOut(std::vector<uint8_t>& nodeText, const std::vector<MovedPage>& moved,
                 std::vector<std::string>& kidTexts);

// An object of the page tree whose /Type says other than what it holds gets the
// /Type that the page tree walk read it as: /Pages for a node, /Page for a page.
// False, with the text as it was, when it holds no dictionary.
bool correctPageTreeType(std::vector<uint8_t>& text, bool isNode);

// The text of the page's new object: its header, the dictionary with /Parent
// added when it names none, and the closing keyword.
std::string movedPageObject(const MovedPage& page, int32_t parentGeneration, const std::string& dictionary);
