#pragma once

#include <string>

#include "app/ConsoleReporter.h"

// Prints what "-info" tells of a file: "Reading file: NAME" on the console, then
// the description as text (a line of facts and a line a page), or, with "-json",
// as one JSON document on a line of standard output while the console text goes
// to standard error. The selection line and the progress dots of a rotation are
// not printed; notices, warnings, hints and the progress line are as a rotation's.
class InfoReporter final : public ConsoleReporter {
public:
    InfoReporter(bool json, std::string listPosition = "");
    void inputOpened(const std::string& inputName) override;
    void selectionChosen(int32_t, const std::string&) override {}
    void itemsChosen(const std::string&) override {}
    void uprightChosen(const std::string&) override {}
    void pageTreeProgress() override {}
    void documentDescribed(const DocumentDescription& description) override;

private:
    bool json;
};
