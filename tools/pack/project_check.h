// The project check: the project file and the data entries are laid out in a simulated
// extraction folder the way the launcher leaves them, the engine's own loader reads the
// whole component tree from there, and what the loader does not look at (references,
// names, copy modes, entries nobody names) is checked on the loaded model.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pack {

// One input as the check sees it: the name it has on the build machine, for messages, and
// its bytes.
struct CheckedFile {
  std::string label;
  std::span<const uint8_t> content;
};

struct Finding {
  enum class Severity { kError, kWarning };
  Severity severity = Severity::kWarning;
  // A reference that points at nothing: an entry, folder or file that is not there.
  bool dangling = false;
  std::string file;   // the producer's file the finding is about
  std::string where;  // "[Section] Key" with the element's name, or empty
  std::string message;
};

// "error: project.ini: [Application] File1: ...: expected ..." and the like.
std::string FormatFinding(const Finding& finding);

struct CheckResult {
  bool loads = false;  // the engine would load the project
  int projectFiles = 0;
  std::vector<Finding> findings;  // an error first when the load fails, else the warnings

  bool HasDanglingReference() const;
  int WarningCount() const;
};

// The staged folder, as the engine sees its own directory.
inline constexpr const char kStagingDirectory[] = "C:\\WINDOWS\\TEMP\\BKS1.TMP";

// Checks project (entry 1) with data[i] as entry i + 2. The check works in a fresh
// simulated Windows and leaves its files there, the project released, until the next
// check or DropStagedFiles().
CheckResult CheckProject(const CheckedFile& project, const std::vector<CheckedFile>& data);

// Frees the staged copies.
void DropStagedFiles();

}  // namespace pack
