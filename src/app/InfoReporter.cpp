#include "app/InfoReporter.h"

#include <string>
#include <utility>

#include "app/InfoReport.h"

InfoReporter::InfoReporter(bool json, std::string listPosition)
    : ConsoleReporter(std::move(listPosition)), json(json) {}

void InfoReporter::inputOpened(const std::string& inputName) {
    printText("Reading file: ");
    printText(inputName);
    flushText();
}

// Each text line starts after the line before it, as a notice does; "Done." ends
// the last. The lines are printed some thousands at a time.
void InfoReporter::documentDescribed(const DocumentDescription& description) {
    if (!json) {
        constexpr size_t printedAtOnce = 64 * 1024;
        std::string lines;
        writeInfoText(description, [&lines](const std::string& line) {
            lines += '\n';
            lines += line;
            if (lines.size() < printedAtOnce) return;
            printText(lines);
            lines.clear();
        });
        printText(lines);
        flushText();
        return;
    }
    startDataLine();
    writeInfoJson(description, [](const std::string& piece) { printData(piece); });
    endDataLine();
}
