#pragma once

#include "job/JobReporter.h"

// Prints what a job reports, in the program's own words, to standard output.
class ConsoleReporter final : public JobReporter {
public:
    void inputOpened(const std::string& inputName) override;
    void outputCreated(const std::string& outputName) override;
    void selectionChosen(int32_t degrees, const std::string& pageText) override;
    void itemsChosen(const std::string& summary) override;
    void pageTreeProgress() override;
    void notice(const std::string& text) override;
};

// Writes `text` to standard output as it stands (never used as a format).
void printText(const char* text);
inline void printText(const std::string& text) { printText(text.c_str()); }
void flushText();
