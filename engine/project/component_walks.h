// Walks over the component tree that need nothing but the model.
#pragma once
#include <cstdint>

#include "engine/project/project.h"

namespace engine {

// Outside component mode the project's own handheld files; in component mode the sum over
// every component's sub-project, selected or not, and the project's own are not counted.
int32_t CountHandheldFiles(const Project& project);

// Outside component mode: the Application section has a file. In component mode: some
// selected component's sub-project has application files (searched the same way).
bool HasApplicationFiles(const Project& project);

}  // namespace engine
