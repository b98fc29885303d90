#include "app/Failure.h"

#include <string>
#include <string_view>

#include "app/ConsoleReporter.h"
#include "app/Hints.h"
#include "limits/Messages.h"
#include "model/PdfException.h"

// The message is printed before anything is allocated: the failure may be that
// memory ran out.
RunStatus printCurrentFailure(bool repairGiven, bool closeLine) {
    try {
        throw;
    } catch (const CPdfException& failure) {
        const std::string_view text = failure.messageText();
        printText(failure.messageText());
        if (closeLine && !text.ends_with('\n')) printText("\n");
        flushText();
        try {
            const std::string hint = hintAfterFailure(failure.kind(), repairGiven);
            if (!hint.empty()) printErrorLine("hint", hint);
        } catch (...) {
            // A hint is worth no failure of its own.
        }
        return statusAfterFailure(failure.kind());
    } catch (...) {
        printText(message::unexpectedException);
        flushText();
    }
    return RunStatus::Failed;
}
