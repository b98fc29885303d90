#include "UprightSet.h"

#include <regex>

#include "E2eSupport.h"

namespace e2e {

std::vector<Directions> shownDirections(const std::string& pdf, const std::string& pages, const std::string& password) {
    std::vector<std::string> command = {"mutool", "draw", "-F", "stext", "-o", "-"};
    if (!password.empty()) command.insert(command.end(), {"-p", password});
    command.push_back(pdf);
    command.push_back(pages);
    const std::string text = runProcess(command).output;
    static const std::regex line(R"re(<line [^>]*dir="([^"]*)"[^>]*>([\s\S]*?)</line>)re");
    std::vector<Directions> found;
    for (size_t at = text.find("<page "); at != std::string::npos;) {
        const size_t next = text.find("<page ", at + 1);
        const std::string page = text.substr(at, next == std::string::npos ? std::string::npos : next - at);
        Directions directions;
        for (auto match = std::sregex_iterator(page.begin(), page.end(), line); match != std::sregex_iterator();
             ++match) {
            const std::string chars = (*match)[2];
            size_t count = 0;
            for (size_t c = chars.find("<char "); c != std::string::npos; c = chars.find("<char ", c + 1)) ++count;
            directions[(*match)[1]] += count;
        }
        found.push_back(directions);
        at = next;
    }
    return found;
}

}  // namespace e2e
