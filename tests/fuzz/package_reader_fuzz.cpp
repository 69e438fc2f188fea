// The input is a whole installer file: the first four bytes choose the package offset the
// locator holds. Whatever the file says, the launcher must end with a status, release every
// handle and buffer, and never allocate more than the file holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "launcher/launcher.h"
#include "platform/sim/world.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  sim::Reset();
  sim::World& world = sim::TheWorld();
  world.AddFile(world.modulePath, std::vector<uint8_t>(data, data + size));
  launcher::gPackageLocator = package::kEmptyLocator;
  launcher::gPackageLocator.offset = package::ReadLe32(data) % (size + 8);
  int status = launcher::RunLauncher();
  if (status < launcher::kLaunchOk || status > launcher::kFileAccessError) std::abort();
  if (world.OpenHandleCount() != 0 || world.LiveAllocationCount() != 0) std::abort();
  if (world.LargestAllocation() > size) std::abort();
  if ((status != launcher::kLaunchOk) != (world.messageBoxes.size() == 1)) std::abort();
  return 0;
}
