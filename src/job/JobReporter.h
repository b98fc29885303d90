#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "job/DocumentDescription.h"

// What a rotation job tells its user, in the order it happens. The program's entry
// hands the job a reporter that prints; the job itself never writes to the console.
class JobReporter {
public:
    virtual ~JobReporter() = default;

    // The input is open.
    virtual void inputOpened(const std::string& inputName) = 0;
    // The output has been created.
    virtual void outputCreated(const std::string& outputName) = 0;
    // The rotation and the page list (a named selection already expanded); the
    // page tree walk starts next.
    virtual void selectionChosen(int32_t degrees, const std::string& pageText) = 0;
    // Instead of selectionChosen for a page list with items beyond numbers and
    // ranges: the items, resolved, each with its angle ("1-3 at 90, 4-12 at 180").
    virtual void itemsChosen(const std::string& summary) = 0;
    // Instead of selectionChosen with "-rauto": the page list, each page to be
    // turned so that its text reads upright.
    virtual void uprightChosen(const std::string& pageText) = 0;
    // Every eleventh page tree node visited.
    virtual void pageTreeProgress() = 0;
    // While the objects are copied: how far the copy is, in object numbers. Called
    // for every object, so a reporter that shows it keeps its own pace.
    virtual void objectsCopied(size_t /*copied*/, size_t /*total*/) {}
    // Something the user should know about this file, on a line of its own (the
    // text carries no line end).
    virtual void notice(const std::string& text) = 0;
    // Something worth a warning that does not change the outcome, for standard
    // error (the text carries no line end).
    virtual void warning(const std::string& /*text*/) {}
    // An option that would have served this file better, for standard error (the
    // text carries no line end).
    virtual void hint(const std::string& /*text*/) {}
    // With "-info", in place of an output: what the file and its selected pages show.
    virtual void documentDescribed(const DocumentDescription& /*description*/) {}
};

// For jobs run where nobody reads the console (the fuzzers, some tests).
class SilentReporter final : public JobReporter {
public:
    void inputOpened(const std::string&) override {}
    void outputCreated(const std::string&) override {}
    void selectionChosen(int32_t, const std::string&) override {}
    void itemsChosen(const std::string&) override {}
    void uprightChosen(const std::string&) override {}
    void pageTreeProgress() override {}
    void notice(const std::string&) override {}
};
