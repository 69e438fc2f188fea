// The packaging tool's own file handling on the build machine (POSIX): whole-file reads
// with the file's times, the installer written whole or not at all, extracted members.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pack {

// A file's times as FILETIMEs. Creation is the birth time where the file system keeps one,
// the last-write time otherwise.
struct FileTimes {
  uint64_t creation;
  uint64_t lastAccess;
  uint64_t lastWrite;
};

// Reads a regular file whole. The times are taken before the read, which may move the
// access time. On failure *error says what and why.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* contents, FileTimes* times,
                   std::string* error);

// Writes a sibling temporary file and renames it over path, so path is either the complete
// new file or untouched; nothing is left behind on failure.
bool WriteFileWhole(const std::string& path, std::span<const uint8_t> data, std::string* error);

bool MakeDirectoryIfMissing(const std::string& path, std::string* error);

// Writes an extracted member, replacing any file of that name, and gives it the access and
// write times (a creation time cannot be set here). A file whose attributes say read-only
// loses its write permissions. Failing to set the times is reported in *warning only.
bool WriteMember(const std::string& path, std::span<const uint8_t> data, uint32_t attributes,
                 const FileTimes& times, std::string* error, std::string* warning);

}  // namespace pack
