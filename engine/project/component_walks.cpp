#include "engine/project/component_walks.h"

namespace engine {

int32_t CountHandheldFiles(const Project& project) {
  if (project.Multicomp == 0) return project.HandheldFiles.count;
  int32_t count = 0;
  for (int32_t i = 0; i < project.Components.count; ++i) {
    if (const Project* sub = project.Components.items[i].SubProject; sub != nullptr) {
      count += CountHandheldFiles(*sub);
    }
  }
  return count;
}

bool HasApplicationFiles(const Project& project) {
  if (project.Multicomp == 0) return project.Files[Application].count > 0;
  for (int32_t i = 0; i < project.Components.count; ++i) {
    const Component& component = project.Components.items[i];
    if (component.Selected != 0 && component.SubProject != nullptr &&
        HasApplicationFiles(*component.SubProject)) {
      return true;
    }
  }
  return false;
}

}  // namespace engine
