#pragma once
// Every text the program prints when something fails, each written once: the
// messages of failures on the console, and the reasons that go into them. Standard
// output has always carried these texts and scripts read them, so each stays byte
// for byte as it is, line ends included: a text with a line end and the same text
// without one are two messages. Where a failure is raised, its kind is named
// beside the text (model/PdfException.h). Texts with variable parts are built
// here; a name given as a C string ends at its first NUL byte, as it always has.
#include <cstddef>
#include <cstdint>
#include <string>

namespace message {

// ---- The command line and list runs
inline constexpr const char* errorParameter = "Error parameter";
inline constexpr const char* inputParameterMissing = "-i parameter missing";
inline constexpr const char* outputParameterMissing = "-o parameter missing";
inline constexpr const char* wildcardRefused =
    "\nError! Wildcards * are not permitted, if you want to process many files then do: dir /B *.pdf > "
    "list.txt, then Folioturn -ilist.txt -fc:\\test -p1,3,15-20,55 -r180\n\n";
inline constexpr const char* outputFolderMissing = "please specify -f for output folder, e.g. -fc:\\test\n";
inline constexpr const char* unexpectedException = "Unexpected exception\n";
inline constexpr const char* angleBeyondRange = "the angle is beyond the range of -2147483648 to 2147483647 degrees";
inline constexpr const char* forceWithAutoAngle =
    "-force cannot be used with an auto angle: -rauto and :auto give each page the rotation under which its text "
    "reads upright, whatever rotation it shows\n";

inline std::string rotationBeyondRange(const std::string& rotation) {
    return "Invalid rotation \"" + rotation + "\": " + angleBeyondRange + "\n";
}

// ---- Why a name cannot be opened (the system's own words aside)
inline constexpr const char* isFolder = "it is a folder, not a file";
inline constexpr const char* notRegularFile = "it is not a regular file";
inline constexpr const char* noFreeTemporaryName = "no free name for a temporary file";

inline std::string unnamedSystemError(uint32_t code) { return "error " + std::to_string(code); }
inline std::string cannotCreateTemporaryIn(const std::string& folder, const std::string& why) {
    return "cannot create a temporary file in " + folder + ": " + why;
}
inline std::string cannotWrite(const std::string& name, const std::string& why) {
    return "cannot write " + name + ": " + why;
}
inline std::string cannotRead(const std::string& name, const std::string& why) {
    return "cannot read " + name + ": " + why;
}
inline std::string cannotReadStandardInput(const std::string& why) { return "cannot read standard input: " + why; }
inline std::string cannotWriteStandardOutput(const std::string& why) {
    return "cannot write to standard output: " + why;
}
inline std::string cannotRename(const std::string& from, const std::string& to, const std::string& why) {
    return "cannot rename " + from + " to " + to + ": " + why;
}
inline std::string nameAndReason(const std::string& name, const std::string& why) { return name + ": " + why; }
inline std::string notRegularFileNamed(const std::string& name) { return name + " is not a regular file"; }

// ---- Inputs
inline constexpr const char* cantOpenFile = "Can't open file";
inline constexpr const char* inputReadError = "\nInput file read error\n";

// The list file of a list run; `folder`: the name is a folder's.
inline std::string listOpenError(const char* listName, bool folder) {
    return "Unable to open file list: '" + std::string(listName) + "'\r\n" +
           (folder ? std::string(isFolder) + "\n" : std::string());
}
inline std::string listLineEscapes(const std::string& line) {
    return "List line refused, it must name a file inside the current folder, without \"..\": " + line + "\n";
}
inline std::string listLineTooLong(size_t longestPath) {
    return "List line refused, longer than the longest path (" + std::to_string(longestPath) + " characters)\n";
}
inline std::string inputOpenError(const char* inputName) {
    return "Input file open error: " + std::string(inputName) + "\n";
}
// An input that is there but cannot be read says why.
inline std::string inputOpenError(const char* inputName, const std::string& why) {
    return inputOpenError(inputName) + why + "\n";
}
inline std::string passwordFileOpenError(const char* path, const std::string& why) {
    return "Password file open error: " + std::string(path) + "\n" + why + "\n";
}
inline std::string inputChanged(const char* inputName) {
    return "\nInput file changed while it was read: " + std::string(inputName) + "\n";
}

// ---- Damaged files
inline constexpr const char* damaged = "PDF file was damaged";
inline constexpr const char* damagedLine = "PDF file was damaged\n";
inline constexpr const char* corrupted = "Corrupted PDF file";
inline constexpr const char* missingEndstream = "Missing 'endstream'";
inline constexpr const char* xrefUnparsed = "Couldn't parse an xref";
inline constexpr const char* xrefTableUnparsed = "Couldn't parse an xref table";
inline constexpr const char* xrefStreamUnparsed = "Couldn't parse an xref stream";
inline constexpr const char* trailerWrongType = "Trailer dictionary is wrong type";
inline constexpr const char* xrefStreamSizeWrongType = "Size of xref Stream is wrong type";
inline constexpr const char* xrefStreamWidthWrongType = "W item of xref Stream is wrong type";
inline constexpr const char* xrefStreamWidthWrongLength = "W item of xref Stream is wrong length";
inline constexpr const char* xrefStreamIndexWrongType = "Index item of xref Stream is wrong type";
inline constexpr const char* xrefStreamEndedEarly = "Unexpected EOF while reading xref stream section";
inline constexpr const char* xrefStreamEntryWrongType = "Wrong type of xref entry while reading xref stream section";

// ---- What the program does not read
inline constexpr const char* filterNotSupported = "Stream filter not supported";
inline constexpr const char* fileTooLarge = "\nPDF file is too large (10 GB or more)";
inline constexpr const char* outputTooLargeForTable =
    "\nThe output is too large for a cross-reference table (10 GB or more)";

// ---- Encrypted files
inline constexpr const char* encrypted = "\nPDF file is encrypted";
inline constexpr const char* passwordDoesNotOpen = "\nPDF file is encrypted and the password does not open it";
inline constexpr const char* encryptionMethodUnknown = "\nPDF file is encrypted with a method Folioturn does not know";
inline constexpr const char* encryptionHandlerUnknown =
    "\nPDF file is encrypted for certificates or by a security handler other than the standard one (password "
    "security), which Folioturn cannot open";
inline constexpr const char* encryptionDictionaryDamaged = "\nPDF file's encryption dictionary is damaged";
inline constexpr const char* encryptionKeyLengthWrong = "\nPDF file's encryption key has a length AES does not take\n";
inline constexpr const char* assemblingForbidden =
    "\nPDF file's permissions do not allow assembling or modifying it, and rotating pages is assembling: the owner "
    "password lifts this restriction";
inline constexpr const char* cryptographyLibraryTooOld = "\nThe cryptography library is too old\n";

inline std::string cryptographyLibraryFailed(const std::string& why) {
    return "\nThe cryptography library failed: " + why + "\n";
}

// ---- The page list
inline constexpr const char* invalidParameter = "Invalid parameter\n";
inline constexpr const char* invalidPageNumberZero = "Invalid page number 0";
inline constexpr const char* exclusionComesFirst =
    "an exclusion takes pages out of the items before it, and none comes before";
inline constexpr const char* exclusionTakesNoAngle = "an exclusion takes no angle";
inline constexpr const char* angleNotANumber = "the angle is not a number";
inline constexpr const char* notAnItem = "not a page, a range or a named selection";
inline constexpr const char* noPageR0 = "r1 is the last page, there is no r0";
inline constexpr const char* pagesCountFromOne = "pages count from 1";
inline constexpr const char* fileHasNoPages = "the file has no pages";

inline std::string pageNumberBeyondCount(const std::string& number, uint32_t pageCount) {
    return "Page number " + number + " greater than " + std::to_string(pageCount) + " pages in file";
}
inline std::string rangeEndBeyondCount(const std::string& number, uint32_t pageCount) {
    return "Wrong page ranges, " + number + " greater than " + std::to_string(pageCount) + " pages in file";
}
inline std::string rangeBackwards(const std::string& start, const std::string& end) {
    return "Wrong page ranges, start page " + start + " > end page " + end;
}
inline std::string emptyListItem(const std::string& list, size_t position) {
    return "Invalid page list \"" + list + "\": item " + std::to_string(position) + " is empty\n";
}
// Once the file is open the console line "Rotating file: ..." is still open: `afterFileOpened` ends it.
inline std::string invalidListItem(const std::string& item, const std::string& reason, bool afterFileOpened) {
    return std::string(afterFileOpened ? "\n" : "") + "Invalid page list item \"" + item + "\": " + reason + "\n";
}
inline std::string itemRangeBackwards(int64_t first, int64_t last) {
    return "the range runs backwards, from page " + std::to_string(first) + " to page " + std::to_string(last);
}
// `typed`: the number as the item gives it; `fromEnd`: an rN item.
inline std::string itemPageBeyondFile(const std::string& typed, bool fromEnd, uint32_t pageCount) {
    return (fromEnd ? "r" + typed + " is before the first page" : "page " + typed + " is past the end") +
           ", the file has " + std::to_string(pageCount) + (pageCount == 1 ? " page" : " pages");
}

// ---- Incremental updates
inline constexpr const char* updateTrailerUnreadable = "the newest trailer cannot be read";
inline constexpr const char* updateNoObjectNumberLeft = "no object number is left for the new cross-reference stream";
inline constexpr const char* updateCrossReferenceRebuilt = "the file's cross-reference had to be rebuilt";
inline constexpr const char* updateTableHoldsJunk = "the file's cross-reference table holds junk";
inline constexpr const char* updateWithoutHeader = "the file does not begin with its %PDF- header";
inline constexpr const char* outOfMemoryCompressing = "\nOut of memory while compressing the update\n";

// -compact numbers its new streams past every object of the input.
inline constexpr const char* noNumberForObjectStream =
    "\nNo object number is left for an object stream of the compact output\n";
inline constexpr const char* noNumberForXRefStream =
    "\nNo object number is left for the cross-reference stream of the compact output\n";

inline std::string updateRefused(const std::string& reason) {
    return "\nCannot append an incremental update: " + reason + "\n";
}
// `failure`: the message of the failure that the cross-reference gave, on one line.
inline std::string updateCrossReferenceDamaged(const std::string& failure) {
    return "the file's cross-reference is damaged (" + failure + ")";
}

// ---- The output
inline constexpr const char* outputNameEmpty = "the output file name is empty";
inline constexpr const char* inputEndedBeforeObjectCopied = "the input ended before an object was copied whole";
inline constexpr const char* inputEndedBeforeCopied = "the input ended before it was copied whole";

inline std::string outputCreateError(const char* outputName, const char* reason) {
    return "\nOutput file create error: " + std::string(outputName) + "\n" + reason + "\n";
}
inline std::string outputWriteError(const char* outputName, const char* reason) {
    return "\nOutput file write error: " + std::string(outputName) + "\n" + reason + "\n";
}
inline std::string outputCheckFailed(const char* fault) {
    return "\nOutput check failed: " + std::string(fault) + "\n";
}
inline std::string objectWithoutEnd(int32_t number) {
    return "object " + std::to_string(number) + " has no end that a reader finds";
}
inline std::string catalogueNotWritten(int32_t number) {
    return "the catalogue, object " + std::to_string(number) + ", was not written";
}
inline std::string pageTreeNodeNotWritten(int32_t number) {
    return "page tree node " + std::to_string(number) + " was not written";
}
inline std::string pageNotWritten(size_t page, int32_t number) {
    return "page " + std::to_string(page) + ", object " + std::to_string(number) + ", was not written";
}

// ---- Faults of the program itself
inline constexpr const char* rawCharOfPlainStream = "Internal: called getRawChar() on non-predictor stream";

}  // namespace message
