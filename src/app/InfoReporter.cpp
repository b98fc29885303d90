#include "app/InfoReporter.h"

#include <utility>

#include "app/InfoReport.h"

InfoReporter::InfoReporter(bool json, std::string listPosition)
    : ConsoleReporter(std::move(listPosition)), json(json) {}

void InfoReporter::inputOpened(const std::string& inputName) {
    printText("Reading file: ");
    printText(inputName);
    flushText();
}

// Each text line starts after the line before it, as a notice does; "Done." ends the last.
void InfoReporter::documentDescribed(const DocumentDescription& description) {
    if (!json) {
        writeInfoText(description, [](const std::string& line) { printText("\n" + line); });
        flushText();
        return;
    }
    startDataLine();
    writeInfoJson(description, [](const std::string& piece) { printData(piece); });
    endDataLine();
}
