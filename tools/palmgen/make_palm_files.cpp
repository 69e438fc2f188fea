// Writes the handheld files of the example projects: the Sample Planner application and its
// data (examples/sample-planner) and the Sample Tides add-on's tide table
// (examples/planner-suite). They are committed; this program is how they were made, and its
// --check mode tells whether they still match it.
//
//   make_palm_files PLANNER.prc PLANDATA.pdb TIDES.pdb          write all three
//   make_palm_files --check PLANNER.prc PLANDATA.pdb TIDES.pdb  exit 1 if any differs
#include <cstdio>
#include <cstring>

#include "tools/palmgen/sample_files.h"

namespace {

using palmgen::Bytes;

bool WriteFile(const char* path, const Bytes& bytes) {
  FILE* file = std::fopen(path, "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "make_palm_files: cannot create %s\n", path);
    return false;
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = std::fclose(file) == 0 && ok;
  if (!ok) std::fprintf(stderr, "make_palm_files: cannot write %s\n", path);
  return ok;
}

bool Matches(const char* path, const Bytes& bytes) {
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) {
    std::fprintf(stderr, "make_palm_files: %s is missing\n", path);
    return false;
  }
  Bytes existing;
  uint8_t chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
    existing.insert(existing.end(), chunk, chunk + got);
  std::fclose(file);
  if (existing != bytes) {
    std::fprintf(stderr, "make_palm_files: %s differs from the generator; rerun make_palm_files\n",
                 path);
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  constexpr int kFiles = 3;
  bool check = argc == kFiles + 2 && std::strcmp(argv[1], "--check") == 0;
  if (argc != kFiles + 1 && !check) {
    std::fprintf(stderr, "usage: make_palm_files [--check] PLANNER.prc PLANDATA.pdb TIDES.pdb\n");
    return 2;
  }
  char** paths = argv + (check ? 2 : 1);
  const Bytes files[kFiles] = {palmgen::PlannerApplication(), palmgen::PlannerData(),
                               palmgen::TidesData()};
  bool ok = true;
  for (int i = 0; i < kFiles; ++i) {
    if (files[i].empty()) {
      std::fprintf(stderr, "make_palm_files: the sample for %s does not encode\n", paths[i]);
      ok = false;
    } else {
      ok = (check ? Matches(paths[i], files[i]) : WriteFile(paths[i], files[i])) && ok;
    }
  }
  return ok ? 0 : 1;
}
