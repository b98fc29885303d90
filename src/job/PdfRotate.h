#pragma once

#include <memory>

#include "job/JobOptions.h"
#include "job/JobReporter.h"

class RotationSteps;

// The rotation job for one input file: the program's one way to rotate (or, with
// -info, describe) a file. Its steps and their state stay behind this header.
class CPdfRotate final {
public:
    // A job that reports nothing.
    CPdfRotate();
    explicit CPdfRotate(JobReporter& reporter);
    CPdfRotate(const CPdfRotate&) = delete;
    CPdfRotate& operator=(const CPdfRotate&) = delete;
    ~CPdfRotate();

    // The whole job: page list, input, page selection, output. Throws
    // CPdfException; on failure nothing is left open and no partial output remains.
    // A job runs once.
    void run(const JobOptions& options);

    // After run: the output was written without objects that could not be read
    // (or, with -repair, without pages or objects that pages use).
    bool leftObjectsOut() const;

private:
    SilentReporter silence;
    std::unique_ptr<RotationSteps> steps;
};
