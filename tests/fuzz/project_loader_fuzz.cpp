// The input is a project tree: its form-feed-separated parts are the entries 1, 2, 3, ... of
// an extraction directory, entry 1 the root project file. Whatever they say, the load ends,
// a loaded tree keeps the promises the engine relies on, and releasing it frees everything.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/project/component_walks.h"
#include "engine/project/project_loader.h"
#include "platform/sim/world.h"

namespace {

constexpr const char kDir[] = "C:\\WINDOWS\\TEMP\\BKS1.TMP\\";
constexpr int kMaxEntries = 12;

void Require(bool condition) {
  if (!condition) std::abort();
}

// Every project of a loaded tree has a Title and only the three kinds of desktop file.
void CheckLoaded(const engine::Project& project, int depth) {
  Require(depth <= engine::kMaxProjectDepth);
  Require(!project.Title.empty() && project.Title.size() < 80);
  for (int32_t s = 0; s < engine::kFileSectionCount; ++s) {
    for (int32_t i = 0; i < project.Files[s].count; ++i) {
      int32_t kind = project.Files[s].At(i)->Kind;
      Require(kind >= engine::Plain && kind <= engine::SelfRegistering);
    }
  }
  for (int32_t i = 0; i < project.Components.count; ++i) {
    CheckLoaded(*project.Components.At(i)->SubProject, depth + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  sim::Reset();
  sim::World& world = sim::TheWorld();
  int entry = 1;
  std::vector<uint8_t> part;
  auto addEntry = [&] {
    char name[16];
    std::snprintf(name, sizeof name, "%08d", entry++);
    world.AddFile(std::string(kDir) + name, part);
    part.clear();
  };
  for (size_t i = 0; i < size && entry < kMaxEntries; ++i) {
    if (data[i] == '\f') {
      addEntry();
    } else {
      part.push_back(data[i]);
    }
  }
  if (entry < kMaxEntries) addEntry();

  engine::Project project;
  engine::InitProject(&project);
  engine::LoadFault fault;
  std::string root = std::string(kDir) + "00000001";
  if (engine::LoadProject(&project, root.c_str(), true, &fault)) {
    CheckLoaded(project, 0);
    Require(engine::CountHandheldFiles(project) >= 0);
    engine::HasApplicationFiles(project);
  } else {
    Require(fault.offset <= fault.value.size());
  }
  engine::ReleaseProject(&project);
  Require(world.LiveAllocationCount() == 0 && world.OpenHandleCount() == 0);
  return 0;
}
