// project_dump DIR: loads DIR\00000001 and its sub-projects with the engine's loader over the
// real INI reader and prints the tree (tests/shared/project_dump.h). Exit 0 either way; the
// harness compares the output with the simulated Windows' (tests/unit/project_dump_host.cpp).
#include <cstdio>

#include "tests/shared/project_dump.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: project_dump DIR\n");
    return 2;
  }
  testing_support::DumpProjectLoad(argv[1], stdout);
  return 0;
}
