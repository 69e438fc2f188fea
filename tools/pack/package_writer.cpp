#include "tools/pack/package_writer.h"

#include <cstdio>
#include <cstring>

#include "tools/pack/lzss_compressor.h"

namespace pack {

namespace {

// The launcher takes the file's size as 32 bits and hands each stream to its decoder with a
// signed 32-bit size.
constexpr uint64_t kMaxInstallerSize = 0xFFFFFFFFull;
constexpr uint64_t kMaxStreamSize = 0x7FFFFFFFull;

std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

}  // namespace

std::vector<size_t> FindLocatorTags(std::span<const uint8_t> bytes) {
  std::vector<size_t> found;
  if (bytes.size() < package::kLocatorSize) return found;
  for (size_t i = 0; i + package::kLocatorSize <= bytes.size(); ++i) {
    if (bytes[i] == 'R' && bytes[i + 1] == 'U' && std::memcmp(&bytes[i + 6], "ISTANG", 6) == 0) {
      found.push_back(i);
    }
  }
  return found;
}

uint32_t LocatorOffsetAt(std::span<const uint8_t> bytes, size_t position) {
  return package::ReadLe32(&bytes[position + 2]);
}

bool BuildInstaller(std::span<const uint8_t> launcherImage, const std::vector<PackEntry>& entries,
                    std::vector<uint8_t>* installer, std::string* error) {
  std::vector<size_t> locators = FindLocatorTags(launcherImage);
  if (locators.empty()) {
    *error = "the launcher carries no package locator (\"RU\" ... \"ISTANG\")";
    return false;
  }
  uint32_t firstOffset = LocatorOffsetAt(launcherImage, locators[0]);
  if (firstOffset != package::kSentinel) {
    *error = "the launcher's locator at " + Hex(locators[0]) +
             " is filled already (package offset " + Hex(firstOffset) +
             "): give the bare launcher, not an installer";
    return false;
  }
  if (locators.size() > 1) {
    *error = "the launcher carries " + std::to_string(locators.size()) + " package locators (at " +
             Hex(locators[0]) + " and " + Hex(locators[1]) +
             "); which one the launcher reads cannot be told";
    return false;
  }
  if (entries.empty()) {
    *error = "a package needs at least the engine";
    return false;
  }

  const uint64_t packageOffset = launcherImage.size();
  // An offset that reads as the sentinel would tell the launcher that no package follows.
  if (packageOffset == package::kSentinel) {
    *error = "a launcher of exactly " + Hex(packageOffset) +
             " bytes cannot carry a package: its offset reads as \"TANG\"";
    return false;
  }

  std::vector<std::vector<uint8_t>> streams;
  streams.reserve(entries.size());
  uint64_t end = packageOffset + 4ull * entries.size();
  for (const PackEntry& entry : entries) {
    if (entry.content.size() > kMaxCompressInput) {
      *error = "'" + entry.label + "' is too large for a package entry";
      return false;
    }
    streams.push_back(Compress(entry.content));
    if (streams.back().size() > kMaxStreamSize) {
      *error = "'" + entry.label + "' compresses to more than the launcher reads in one entry";
      return false;
    }
    end += package::kHeaderSize + streams.back().size();
    if (end > kMaxInstallerSize) {
      *error = "the installer would exceed 4 GiB at '" + entry.label + "'";
      return false;
    }
  }

  std::vector<uint8_t>& out = *installer;
  out.assign(launcherImage.begin(), launcherImage.end());
  out.reserve(end);
  package::WriteLe32(static_cast<uint32_t>(packageOffset), &out[locators[0] + 2]);

  // N absolute offsets, entry 0 right behind them: the launcher derives N from the first.
  uint64_t position = packageOffset + 4ull * entries.size();
  for (const std::vector<uint8_t>& stream : streams) {
    uint8_t value[4];
    package::WriteLe32(static_cast<uint32_t>(position), value);
    out.insert(out.end(), value, value + 4);
    position += package::kHeaderSize + stream.size();
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    uint8_t header[package::kHeaderSize];
    package::SerializeEntryHeader(entries[i].header, header);
    out.insert(out.end(), header, header + package::kHeaderSize);
    out.insert(out.end(), streams[i].begin(), streams[i].end());
  }
  return true;
}

}  // namespace pack
