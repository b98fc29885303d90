#include "output/PageUses.h"

#include <algorithm>
#include <unordered_set>

#include "rawtext/RawObject.h"
#include "rawtext/TextTokens.h"

void PageUses::note(size_t page, const RawObject& text) {
    if (text.inFile) return;
    TextTokens tokens(text.bytes.data(), static_cast<uint32_t>(text.bytes.size()));
    LexedToken token;
    bool afterParent = false;
    for (tokens.next(token); !token.is(LexedToken::Kind::EndOfFile) && !token.isKeyword("stream");) {
        const bool isParentKey = token.isName("Parent");
        if (token.is(LexedToken::Kind::Integer)) {
            const int32_t number = token.integer;
            int32_t generation = 0;
            if (completeReference(tokens, generation) && !afterParent) uses.push_back({page, number});
        }
        afterParent = isParentKey;
        tokens.next(token);
    }
}

std::vector<PageUses::Loss> PageUses::lost(const OutputTable& written, const XRefEntryTable& entries,
                                           bool rebuilt) const {
    std::vector<Loss> found;
    std::unordered_set<int32_t> named;
    for (const Loss& use : uses) {
        if (use.object < 0) continue;
        const XRefEntry* entry = entries.find(use.object);
        const bool listed = entry && entry->type != XRefEntryType::Free;
        const bool wasWritten = written.isWritten(use.object);
        if (wasWritten || (!listed && !rebuilt)) continue;
        if (named.insert(use.object).second) found.push_back(use);
    }
    return found;
}
