// The options of the rotation job that are read when it starts.
#include "job/JobOptions.h"

#include <cstdio>

#include "limits/Limits.h"
#include "limits/Messages.h"
#include "model/PdfException.h"
#include "platform/Platform.h"

// A password is one line: its end (LF, CR LF or CR) is not part of it, nor is
// anything after it. The file is read no further than the longest line kept.
std::string readPasswordFile(const char* path) {
    std::string why;
    FILE* file = platform::openInputFile(path, why);
    if (!file) throw CPdfException(FailureKind::Input, message::passwordFileOpenError(path, why));
    std::string line;
    for (int c = std::fgetc(file); c != EOF && c != '\n' && c != '\r'; c = std::fgetc(file)) {
        if (line.size() >= limits::maximumPasswordBytes) break;
        line.push_back(static_cast<char>(c));
    }
    std::fclose(file);
    return line;
}
