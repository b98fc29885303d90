#include "rawtext/OpenContainers.h"

#include <string>

#include "limits/Limits.h"
#include "rawtext/TextTokens.h"

namespace {

// A container the parser is inside, and, for a dictionary, whether a key waits for its value.
struct OpenContainer {
    bool dictionary = false;
    bool valueDue = false;
};

bool endsObject(const LexedToken& token) {
    return token.is(LexedToken::Kind::EndOfFile) || token.isKeyword("endobj") || token.isKeyword("obj") ||
           token.isKeyword("stream") || token.isKeyword("endstream");
}

std::string closersFor(const std::vector<OpenContainer>& open) {
    std::string closers = " ";
    for (auto container = open.rbegin(); container != open.rend(); ++container) {
        if (!container->dictionary) closers += "]";
        else closers += container->valueDue ? "null>>" : ">>";
    }
    return closers;
}

// Moves the parser's stack along one token that does not end the object, as the
// parser reads it: in a dictionary, a token where a key belongs is passed over unless
// it is a name or ">>", and whatever follows a key is its value (">>" and "]"
// included); in an array only "]" closes it.
void follow(std::vector<OpenContainer>& open, const LexedToken& token) {
    OpenContainer& top = open.back();
    if (top.dictionary && !top.valueDue) {
        if (token.isKeyword(">>")) open.pop_back();
        else if (token.is(LexedToken::Kind::Name)) top.valueDue = true;
        return;
    }
    if (top.dictionary) {
        top.valueDue = false;
        if (token.is(LexedToken::Kind::Error)) return;  // the key is dropped
    } else if (token.isKeyword("]")) {
        open.pop_back();
        return;
    }
    if (token.isKeyword("[")) open.push_back({false, false});
    else if (token.isKeyword("<<")) open.push_back({true, false});
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
    while (!open.empty()) {
        if (open.size() > static_cast<size_t>(limits::maximumNesting)) return false;  // the parser refuses it
        const uint32_t lastValueEnd = tokens.where();
        tokens.next(token);
        if (endsObject(token)) {
            const std::string closers = closersFor(open);
            text.insert(text.begin() + lastValueEnd, closers.begin(), closers.end());
            return true;
        }
        follow(open, token);
    }
    return false;
}
