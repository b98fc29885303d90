#pragma once
// The files that tests/pages/make-upright.py makes, whose pages hold text in
// known directions, and the direction mutool (an independent reader) sees it in.
#include <cstddef>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace e2e {

#ifdef FOLIOTURN_UPRIGHT_SET
inline std::string uprightSetFile(const std::string& name) { return std::string(FOLIOTURN_UPRIGHT_SET) + "/" + name; }

// A page's line of NAME.expect: what must become of it.
struct ExpectedPage {
    std::string name, verdict, rotate, check;
};

inline std::vector<ExpectedPage> expectations(const std::string& file) {
    std::ifstream in(uprightSetFile(file + ".expect"));
    std::vector<ExpectedPage> pages;
    for (ExpectedPage page; in >> page.name >> page.verdict >> page.rotate >> page.check;) pages.push_back(page);
    return pages;
}
#endif

// The characters of each page that mutool shows, by the direction of their line
// ("1 0": upright as shown). `pages` as mutool takes them ("1,3-5").
using Directions = std::map<std::string, size_t>;
std::vector<Directions> shownDirections(const std::string& pdf, const std::string& pages,
                                        const std::string& password = "");

}  // namespace e2e
