#include "app/ConsoleReporter.h"

#include <cstdio>
#include <string>

void printText(const char* text) { std::fputs(text, stdout); }

// What has been said must survive a crash or a kill in the long step that follows.
void flushText() { std::fflush(stdout); }

void ConsoleReporter::inputOpened(const std::string& inputName) {
    printText("Rotating file: ");
    printText(inputName);
    flushText();
}

void ConsoleReporter::outputCreated(const std::string& outputName) {
    printText(" to ");
    printText(outputName);
    flushText();
}

void ConsoleReporter::selectionChosen(int32_t degrees, const std::string& pageText) {
    printText(", " + std::to_string(degrees) + " Degrees");
    printText(", Pages: ");
    printText(pageText);
    printText("\nProcessing");
    flushText();
}

// Each item carries its own angle, so the line names no one rotation.
void ConsoleReporter::itemsChosen(const std::string& summary) {
    printText(", Pages: ");
    printText(summary);
    printText("\nProcessing");
    flushText();
}

void ConsoleReporter::pageTreeProgress() {
    printText(".");
    flushText();
}

// A notice starts on a line of its own: the progress dots leave the line open.
void ConsoleReporter::notice(const std::string& text) {
    printText("\n");
    printText(text);
    flushText();
}
