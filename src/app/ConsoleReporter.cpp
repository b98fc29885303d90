#include "app/ConsoleReporter.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "platform/Platform.h"

namespace {

// Terminals are assumed this wide: the progress line never reaches the last
// column, so that it never wraps and can always be taken back.
constexpr size_t terminalWidth = 80;

// What the console shows now: the length of the console text's open line (text
// since its last line end) and the progress text drawn after it. The text goes to
// standard output, or to standard error when standard output carries a PDF.
struct ConsoleState {
    FILE* text = stdout;
    bool errorsOnTerminal = platform::isTerminal(stderr);
    bool outputOnTerminal = platform::isTerminal(stdout);
    size_t openLine = 0;
    std::string progress;  // what the progress line should say; "" for nothing
    size_t drawn = 0;      // columns drawn on the terminal for it
};

ConsoleState& console() {
    static ConsoleState state;
    return state;
}

// Backspaces, blanks and backspaces take the drawn text away and leave the cursor
// where it was before: this works after standard output's text on a shared line,
// on every terminal and console, without control sequences.
void eraseProgress() {
    ConsoleState& state = console();
    if (state.drawn == 0) return;
    const std::string back(state.drawn, '\b');
    std::fputs((back + std::string(state.drawn, ' ') + back).c_str(), stderr);
    std::fflush(stderr);
    state.drawn = 0;
}

void drawProgress() {
    ConsoleState& state = console();
    if (state.progress.empty() || state.drawn != 0) return;
    const size_t start = state.outputOnTerminal ? state.openLine : 0;
    const std::string text = (start > 0 ? "  " : "") + state.progress;
    if (start + text.size() >= terminalWidth) return;
    std::fflush(state.text);
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
    state.drawn = text.size();
}

}  // namespace

bool ProgressPace::due(Clock::time_point now) {
    if (now < nextReport) return false;
    nextReport = now + std::chrono::milliseconds(200);
    return true;
}

void printText(const char* text) {
    ConsoleState& state = console();
    const bool sharesTerminal = state.outputOnTerminal && !state.progress.empty();
    if (sharesTerminal) eraseProgress();
    platform::writeText(state.text, text);
    const size_t length = std::strlen(text);
    const char* lineEnd = std::strrchr(text, '\n');
    state.openLine = lineEnd ? length - static_cast<size_t>(lineEnd - text) - 1 : state.openLine + length;
    if (sharesTerminal) drawProgress();
}

// What has been said must survive a crash or a kill in the long step that follows.
void flushText() { std::fflush(console().text); }

// Standard error is then written in binary, as standard output is: the console
// text keeps its bytes, and the lines on standard error end as they do.
void sendTextToStandardError() {
    ConsoleState& state = console();
    platform::useBinaryStandardError();
    state.text = stderr;
    state.outputOnTerminal = state.errorsOnTerminal;
}

void startDataLine() {
    ConsoleState& state = console();
    eraseProgress();
    if (state.text == stderr && state.openLine > 0 && state.errorsOnTerminal && platform::isTerminal(stdout)) {
        std::fputs("\n", stderr);
        state.openLine = 0;
    }
    std::fflush(stderr);
}

void printData(const std::string& text) { platform::writeText(stdout, text.c_str()); }

void endDataLine() {
    printData("\n");
    std::fflush(stdout);
    drawProgress();
}

void printErrorLine(const char* kind, const std::string& text) {
    ConsoleState& state = console();
    eraseProgress();
    std::fflush(state.text);
    // The line starts on a line of its own where both streams end up in one place
    // (a terminal, or a log of 2>&1): a failure's message often has no line end.
    if (state.openLine > 0) std::fputs("\n", stderr);
    platform::writeText(stderr, ("folioturn: " + std::string(kind) + ": " + text + "\n").c_str());
    std::fflush(stderr);
    const bool oneStream = state.text == stderr || (state.errorsOnTerminal && state.outputOnTerminal);
    if (oneStream) state.openLine = 0;
    drawProgress();
}

bool progressShown() { return console().errorsOnTerminal; }

void showProgress(const std::string& text) {
    ConsoleState& state = console();
    if (!state.errorsOnTerminal || text == state.progress) return;
    eraseProgress();
    state.progress = text;
    drawProgress();
}

void clearProgress() {
    eraseProgress();
    console().progress.clear();
}

ConsoleReporter::ConsoleReporter(std::string listPosition)
    : listPosition(std::move(listPosition)), pace(ProgressPace::Clock::now()) {
    if (!this->listPosition.empty()) showProgress(this->listPosition);
}

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

// "-rauto" chooses each page's rotation from its text, so the line names none.
void ConsoleReporter::uprightChosen(const std::string& pageText) {
    printText(", upright, Pages: ");
    printText(pageText);
    printText("\nProcessing");
    flushText();
}

void ConsoleReporter::pageTreeProgress() {
    printText(".");
    flushText();
}

void ConsoleReporter::objectsCopied(size_t copied, size_t total) {
    if (!progressShown() || total == 0 || !pace.due(ProgressPace::Clock::now())) return;
    const std::string share = std::to_string(copied * 100 / total) + "% of the objects copied";
    showProgress(listPosition.empty() ? share : listPosition + ", " + share);
}

// A notice starts on a line of its own: the progress dots leave the line open.
void ConsoleReporter::notice(const std::string& text) {
    printText("\n");
    printText(text);
    flushText();
}

void ConsoleReporter::warning(const std::string& text) { printErrorLine("warning", text); }

void ConsoleReporter::hint(const std::string& text) { printErrorLine("hint", text); }
