// project_dump_host DIR: copies every file of DIR into a folder of the simulated Windows,
// loads its 00000001 with the engine's loader over our own INI reader and prints the tree,
// for comparison with the same load under Wine (tests/win32/project_dump_main.cpp).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/sim/world.h"
#include "tests/shared/project_dump.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: project_dump_host DIR\n");
    return 2;
  }
  constexpr const char kFolder[] = "C:\\WINDOWS\\TEMP\\BKS1.TMP";
  sim::Reset();
  sim::TheWorld().AddDirectory(kFolder);
  for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    sim::TheWorld().AddFile(std::string(kFolder) + "\\" + entry.path().filename().string(), bytes);
  }
  testing_support::DumpProjectLoad(kFolder, stdout);
  return 0;
}
