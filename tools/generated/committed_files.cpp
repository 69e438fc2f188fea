#include "tools/generated/committed_files.h"

#include <cstdio>
#include <cstring>

namespace generated {

namespace {

bool Write(const char* tool, const char* path, const Bytes& bytes) {
  FILE* file = std::fopen(path, "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "%s: cannot create %s\n", tool, path);
    return false;
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = std::fclose(file) == 0 && ok;
  if (!ok) std::fprintf(stderr, "%s: cannot write %s\n", tool, path);
  return ok;
}

bool Matches(const char* tool, const char* path, const Bytes& bytes) {
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) {
    std::fprintf(stderr, "%s: %s is missing\n", tool, path);
    return false;
  }
  Bytes existing;
  uint8_t chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
    existing.insert(existing.end(), chunk, chunk + got);
  std::fclose(file);
  if (existing != bytes) {
    std::fprintf(stderr, "%s: %s differs from the generator; rerun %s\n", tool, path, tool);
    return false;
  }
  return true;
}

}  // namespace

int WriteOrCheck(int argc, char** argv, const char* tool, const char* usage,
                 const std::vector<Bytes>& files) {
  const int count = static_cast<int>(files.size());
  bool check = argc == count + 2 && std::strcmp(argv[1], "--check") == 0;
  if (argc != count + 1 && !check) {
    std::fprintf(stderr, "usage: %s\n", usage);
    return 2;
  }
  char** paths = argv + (check ? 2 : 1);
  bool ok = true;
  for (int i = 0; i < count; ++i) {
    if (files[i].empty()) {
      std::fprintf(stderr, "%s: the contents of %s could not be made\n", tool, paths[i]);
      ok = false;
    } else {
      ok = (check ? Matches(tool, paths[i], files[i]) : Write(tool, paths[i], files[i])) && ok;
    }
  }
  return ok ? 0 : 1;
}

}  // namespace generated
