#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "job/JobReporter.h"

// When a job's progress is worth showing: not in its first second, since most jobs
// are done by then, and afterwards at most five times a second.
class ProgressPace {
public:
    using Clock = std::chrono::steady_clock;
    explicit ProgressPace(Clock::time_point start) : nextReport(start + std::chrono::seconds(1)) {}
    bool due(Clock::time_point now);

private:
    Clock::time_point nextReport;
};

// Prints what a job reports, in the program's own words, as console text (on standard output). When
// standard error is a terminal it also keeps a progress line there: the position
// in a list run ("file 3 of 10"), and how far a job that takes more than a second is.
class ConsoleReporter : public JobReporter {
public:
    // `listPosition`: "file K of N" in a list run, "" for a single job.
    explicit ConsoleReporter(std::string listPosition = "");
    void inputOpened(const std::string& inputName) override;
    void outputCreated(const std::string& outputName) override;
    void selectionChosen(int32_t degrees, const std::string& pageText) override;
    void itemsChosen(const std::string& summary) override;
    void uprightChosen(const std::string& pageText) override;
    void pageTreeProgress() override;
    void objectsCopied(size_t copied, size_t total) override;
    void notice(const std::string& text) override;
    void warning(const std::string& text) override;
    void hint(const std::string& text) override;

private:
    std::string listPosition;
    ProgressPace pace;
};

// Writes `text` to standard output as it stands (never used as a format).
void printText(const char* text);
inline void printText(const std::string& text) { printText(text.c_str()); }
void flushText();
// From here on the console text goes to standard error: standard output carries
// the output PDF ("-o-"). Called before anything is printed.
void sendTextToStandardError();

// A line of data on standard output while the console text goes to standard
// error ("-info -json"): started on a line of its own where both show on one
// terminal, written in pieces, then ended.
void startDataLine();
void printData(const std::string& text);
void endDataLine();

// One line on standard error, "folioturn: KIND: TEXT", for a hint or a warning;
// after a line end when standard output's current line is open.
void printErrorLine(const char* kind, const std::string& text);

// The progress line on standard error, kept only when standard error is a
// terminal: drawn after what the current line of standard output holds when both
// share the terminal, and taken away before anything else is printed there.
bool progressShown();
void showProgress(const std::string& text);
void clearProgress();
