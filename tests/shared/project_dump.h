// A text dump of a project tree and of a load's fault report, the same on both targets, so
// that a load under Wine and one on the simulated Windows can be compared line by line.
#pragma once
#include <cstdio>

#include "engine/project/project_loader.h"

namespace testing_support {

// Loads "<directory>\00000001" with its sub-projects and prints the result, the fault report
// (the file by its name alone) and every field of the tree as far as it was read.
bool DumpProjectLoad(const char* directory, std::FILE* out);

}  // namespace testing_support
