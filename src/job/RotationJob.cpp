// The rotation job as the rest of the program sees it: its steps run behind it.
#include "job/PdfRotate.h"

#include "job/RotationSteps.h"

CPdfRotate::CPdfRotate() : steps(std::make_unique<RotationSteps>(silence)) {}
CPdfRotate::CPdfRotate(JobReporter& reporter) : steps(std::make_unique<RotationSteps>(reporter)) {}
CPdfRotate::~CPdfRotate() = default;

void CPdfRotate::run(const JobOptions& options) { steps->run(options); }

bool CPdfRotate::leftObjectsOut() const { return steps->leftObjectsOut(); }
