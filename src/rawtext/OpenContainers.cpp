#include "rawtext/OpenContainers.h"

#include <string>

#include "limits/Limits.h"
#include "parse/Keywords.h"
#include "rawtext/TextTokens.h"

namespace {

// A container the parser is inside, and, for a dictionary, whether a key waits for its value.
struct OpenContainer {
    bool dictionary = false;
    bool valueDue = false;
};

bool endsObject(const LexedToken& token) {
    return token.is(LexedToken::Kind::EndOfFile) || keywords::framesObject(token);
}

std::string closersFor(const std::vector<OpenContainer>& open) {
    std::string closers = " ";
    for (auto container = open.rbegin(); container != open.rend(); ++container) {
        if (!container->dictionary) closers += "]";
        else closers += container->valueDue ? "null>>" : ">>";
    }
    return closers;
}

// What a token that the parser reads, but no other reader can, becomes in the closed text.
enum class Stray { None, PassedOver, NullValue };

// Moves the parser's stack along one token that does not end the object, as the
// parser reads it: in a dictionary, a token where a key belongs is passed over unless
// it is a name or ">>", and whatever follows a key is its value (">>" and "]"
// included); in an array only "]" closes it, and ">>" is one of its values.
Stray follow(std::vector<OpenContainer>& open, const LexedToken& token) {
    OpenContainer& top = open.back();
    if (top.dictionary && !top.valueDue) {
        if (token.isKeyword(">>")) open.pop_back();
        else if (token.is(LexedToken::Kind::Name)) top.valueDue = true;
        else return Stray::PassedOver;
        return Stray::None;
    }
    if (top.dictionary) {
        top.valueDue = false;
        if (token.is(LexedToken::Kind::Error)) return Stray::None;  // the key is dropped
    } else if (token.isKeyword("]")) {
        open.pop_back();
        return Stray::None;
    }
    if (token.isKeyword("[")) open.push_back({false, false});
    else if (token.isKeyword("<<")) open.push_back({true, false});
    else if (token.isKeyword(">>") || token.isKeyword("]")) return Stray::NullValue;
    return Stray::None;
}

// A span of the text and what replaces it.
struct Edit {
    uint32_t from = 0;
    uint32_t to = 0;
    std::string replacement;
};

void applyEdits(std::vector<uint8_t>& text, const std::vector<Edit>& edits) {
    for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit) {
        text.erase(text.begin() + edit->from, text.begin() + edit->to);
        text.insert(text.begin() + edit->from, edit->replacement.begin(), edit->replacement.end());
    }
}

}  // namespace

bool closeOpenContainers(std::vector<uint8_t>& text) {
    TextTokens tokens(text.data(), static_cast<uint32_t>(text.size()));
    LexedToken token;
    for (const bool integer : {true, true, false}) {
        tokens.next(token);
        const bool expected = integer ? token.is(LexedToken::Kind::Integer) : token.isKeyword("obj");
        if (!expected) return false;
    }
    tokens.next(token);
    std::vector<OpenContainer> open;
    if (token.isKeyword("[")) open.push_back({false, false});
    else if (token.isKeyword("<<")) open.push_back({true, false});
    // Tokens that only the parser reads are mended with the containers: passed over,
    // they become white space; read as values, null.
    std::vector<Edit> edits;
    while (!open.empty()) {
        if (open.size() > static_cast<size_t>(limits::maximumNesting)) return false;  // the parser refuses it
        const uint32_t lastValueEnd = tokens.where();
        tokens.next(token);
        if (endsObject(token)) {
            edits.push_back({lastValueEnd, lastValueEnd, closersFor(open)});
            applyEdits(text, edits);
            return true;
        }
        const bool value = !open.back().dictionary || open.back().valueDue;
        const Stray stray = follow(open, token);
        int32_t generation = 0;  // a reference "n g R" is one value, as the parser reads it
        if (value && token.is(LexedToken::Kind::Integer)) completeReference(tokens, generation);
        const uint32_t end = tokens.where();
        if (stray == Stray::PassedOver) edits.push_back({lastValueEnd, end, std::string(end - lastValueEnd, ' ')});
        if (stray == Stray::NullValue) edits.push_back({lastValueEnd, end, " null"});
    }
    return false;
}
