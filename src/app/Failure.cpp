#include "app/Failure.h"

#include <string>
#include <string_view>

#include "app/ConsoleReporter.h"
#include "app/Hints.h"
#include "model/PdfException.h"

// The message is printed before anything is allocated: the failure may be that
// memory ran out.
void printCurrentFailure(bool repairGiven, bool closeLine) {
    try {
        throw;
    } catch (const CPdfException& failure) {
        const std::string_view message = failure.messageText();
        printText(failure.messageText());
        if (closeLine && !message.ends_with('\n')) printText("\n");
        flushText();
        try {
            // A hint that the failure carries comes first; else the option the message points to.
            const std::string hint =
                failure.hintText().empty() ? hintAfterFailure(failure.messageText(), repairGiven) : failure.hintText();
            if (!hint.empty()) printErrorLine("hint", hint);
        } catch (...) {
            // A hint is worth no failure of its own.
        }
    } catch (...) {
        printText("Unexpected exception\n");
        flushText();
    }
}
