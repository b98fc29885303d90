// How a failure is reported (its message, the hint that follows it, the status
// it gives the run), and the pace of the progress line.
#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include "app/ConsoleReporter.h"
#include "app/Failure.h"
#include "limits/Messages.h"
#include "model/PdfException.h"

namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStderr;
using ::testing::internal::GetCapturedStdout;

// A failure reported as a run reports it: the message on standard output, a hint
// on standard error, and the status it gives the run.
struct Report {
    std::string output, error;
    RunStatus status;
};

Report reportOf(const CPdfException& failure, bool repairGiven = false) {
    CaptureStdout();
    CaptureStderr();
    RunStatus status = RunStatus::Done;
    try {
        throw failure;
    } catch (...) {
        status = printCurrentFailure(repairGiven);
    }
    const std::string output = GetCapturedStdout();
    return {output, GetCapturedStderr(), status};
}

std::string hintLine(const std::string& hint) { return "folioturn: hint: " + hint + "\n"; }

const std::string repairHint = "the file is damaged; -repair reads damaged files as other PDF readers recover them";

bool names(const std::string& error, const std::string& hint) {
    return error.find(hintLine(hint)) != std::string::npos;
}

TEST(FailureReport, ADamagedFileNamesRepairWhicheverDamageItsMessageTells) {
    for (const char* text : {message::damaged, message::damagedLine, message::corrupted, message::missingEndstream,
                             message::xrefTableUnparsed, message::xrefStreamEndedEarly}) {
        const Report report = reportOf(CPdfException(FailureKind::Damaged, text));
        EXPECT_EQ(text, report.output);
        EXPECT_TRUE(names(report.error, repairHint)) << report.error;
        EXPECT_EQ(RunStatus::Failed, report.status);
    }
    EXPECT_EQ("", reportOf(CPdfException(FailureKind::Damaged, message::damaged), true).error)
        << "-repair was given already";
}

TEST(FailureReport, TheHintFollowsTheKindNotTheWords) {
    // An encryption dictionary that is damaged is no damage that -repair reads past.
    EXPECT_EQ("", reportOf(CPdfException(FailureKind::Encrypted, message::encryptionDictionaryDamaged)).error);
    const Report needed = reportOf(CPdfException(FailureKind::PasswordNeeded, message::encrypted), true);
    EXPECT_NE(std::string::npos, needed.error.find("folioturn: hint: -password<password> opens")) << needed.error;
    EXPECT_EQ("", reportOf(CPdfException(FailureKind::Encrypted, message::passwordDoesNotOpen)).error)
        << "the password was given";
    const Report update = reportOf(CPdfException(FailureKind::DamagedForUpdate,
                                                 message::updateRefused(message::updateCrossReferenceDamaged("Bad"))),
                                   true);
    EXPECT_NE(std::string::npos, update.error.find("without -incremental, -repair")) << update.error;
    EXPECT_EQ("", reportOf(CPdfException(FailureKind::UpdateRefused, message::updateRefused("Bad"))).error);
    for (const FailureKind kind : {FailureKind::CommandLine, FailureKind::Selection, FailureKind::Input,
                                   FailureKind::Unsupported, FailureKind::Limits, FailureKind::Output})
        EXPECT_EQ("", reportOf(CPdfException(kind, message::damaged)).error) << static_cast<int>(kind);
}

TEST(FailureReport, AnyOtherExceptionFailsTheRunUnexplained) {
    CaptureStdout();
    CaptureStderr();
    RunStatus status = RunStatus::Done;
    try {
        throw std::bad_alloc();
    } catch (...) {
        status = printCurrentFailure(false);
    }
    EXPECT_EQ(message::unexpectedException, GetCapturedStdout());
    EXPECT_EQ("", GetCapturedStderr());
    EXPECT_EQ(RunStatus::Failed, status);
}

TEST(ProgressPace, NothingInTheFirstSecondThenFiveTimesASecondAtMost) {
    using namespace std::chrono_literals;
    const ProgressPace::Clock::time_point start{};
    ProgressPace pace(start);
    EXPECT_FALSE(pace.due(start));
    EXPECT_FALSE(pace.due(start + 999ms));
    EXPECT_TRUE(pace.due(start + 1s));
    EXPECT_FALSE(pace.due(start + 1s + 199ms));
    EXPECT_TRUE(pace.due(start + 1s + 200ms));
    EXPECT_TRUE(pace.due(start + 5s)) << "a long object between reports";
    EXPECT_FALSE(pace.due(start + 5s + 1ms));
}

}  // namespace
