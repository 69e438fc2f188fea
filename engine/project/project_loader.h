// Reads a project file (and, recursively, its components' sub-project files) into a
// Project. The loader fails for an invalid file and for nothing else; it shows nothing. What
// it read before a failure stays in the project, and the caller releases it as usual.
#pragma once
#include <cstdint>

#include "engine/project/project.h"
#include "platform/fixed_string.h"

namespace engine {

// Every value is read into a buffer of this size.
inline constexpr uint32_t kValueBufferSize = 520;

// Sub-projects nest at most this deep below the root; a deeper tree fails the load.
inline constexpr int kMaxProjectDepth = 8;
// At most this many project files (root included) are read by one load of a tree, so that a
// wide tree cannot make the load run for ever.
inline constexpr int kMaxProjectFiles = 256;

// Where and why a load failed, for the packaging tool's messages. The engine passes none.
struct LoadFault {
  PathBuffer path;          // the project file being read
  FixedString<16> section;  // empty for faults of the file as a whole
  FixedString<16> key;
  FixedString<kValueBufferSize> value;  // the value as read
  uint32_t offset = 0;                  // where in value the reading stopped
  const char* expected = "";            // what the file should have had there
};

// With recursive set, every component's sub-project file is loaded too, depth-first before
// the project's own file lists. A chain of components that leads back to a file already
// being loaded fails like an invalid file.
bool LoadProject(Project* project, const char* path, bool recursive, LoadFault* fault = nullptr);

// ---- the value parsers: on failure neither cursor nor target changes ----

// Blank characters between fields.
bool IsBlank(char c);
const char* SkipBlanks(const char* cursor);
bool ParseQuotedString(const char** cursor, char* target, size_t width);
template <size_t N>
bool ParseQuotedString(const char** cursor, FixedString<N>* target) {
  if (!ParseQuotedString(cursor, target->buffer(), N)) return false;
  target->Adopt();
  return true;
}
// Digits are taken as value * 10 + digit in 32 bits, so a number too long for 32 bits keeps
// the low 32 bits of its value (it wraps like a DWORD).
bool ParseSignedNumber(const char** cursor, int32_t* target);
bool ParseUnsignedNumber(const char** cursor, uint32_t* target);
// Blanks, a comma, blanks.
bool ParseSeparator(const char** cursor);

}  // namespace engine
