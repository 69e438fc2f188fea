// The command line of a generator whose output is committed: it writes its files, or with
// --check says whether the committed ones still match what it makes.
#pragma once
#include <cstdint>
#include <vector>

namespace generated {

using Bytes = std::vector<uint8_t>;

// `tool [--check] PATH...`, one PATH per file in files, in order. An empty file stands for
// one the generator could not make. The exit status: 0 done (or all match), 1 a file could
// not be written or differs, 2 wrong command line (usage is printed after "usage: ").
int WriteOrCheck(int argc, char** argv, const char* tool, const char* usage,
                 const std::vector<Bytes>& files);

}  // namespace generated
