#include "tools/pack/host_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tools/pack/file_time.h"

namespace pack {

namespace {

constexpr uint32_t kAttributeReadOnly = 0x01;

std::string Reason(const std::string& what, const std::string& path) {
  return what + " '" + path + "': " + std::strerror(errno);
}

uint64_t FromTimestamp(const struct statx_timestamp& t) {
  return FileTimeFromUnix(t.tv_sec, t.tv_nsec);
}

uint64_t FromTimespec(const struct timespec& t) {
  return FileTimeFromUnix(t.tv_sec, static_cast<uint32_t>(t.tv_nsec));
}

bool QueryTimes(int fd, FileTimes* times, bool* regular) {
  struct statx info;
  if (statx(fd, "", AT_EMPTY_PATH, STATX_TYPE | STATX_ATIME | STATX_MTIME | STATX_BTIME, &info) ==
      0) {
    *regular = S_ISREG(info.stx_mode);
    times->lastAccess = FromTimestamp(info.stx_atime);
    times->lastWrite = FromTimestamp(info.stx_mtime);
    times->creation =
        (info.stx_mask & STATX_BTIME) != 0 ? FromTimestamp(info.stx_btime) : times->lastWrite;
    return true;
  }
  if (errno != ENOSYS) return false;
  struct stat plain;
  if (fstat(fd, &plain) != 0) return false;
  *regular = S_ISREG(plain.st_mode);
  times->lastAccess = FromTimespec(plain.st_atim);
  times->lastWrite = FromTimespec(plain.st_mtim);
  times->creation = times->lastWrite;
  return true;
}

bool WriteAll(int fd, std::span<const uint8_t> data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

mode_t CreationMode() {
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* contents, FileTimes* times,
                   std::string* error) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *error = Reason("cannot open", path);
    return false;
  }
  bool regular = false;
  FileTimes found{};
  if (!QueryTimes(fd, &found, &regular)) {
    *error = Reason("cannot query", path);
    close(fd);
    return false;
  }
  if (!regular) {
    *error = "'" + path + "' is not a regular file";
    close(fd);
    return false;
  }
  contents->clear();
  uint8_t buffer[1 << 16];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *error = Reason("cannot read", path);
      close(fd);
      return false;
    }
    if (n == 0) break;
    contents->insert(contents->end(), buffer, buffer + n);
  }
  close(fd);
  if (times != nullptr) *times = found;
  return true;
}

bool WriteFileWhole(const std::string& path, std::span<const uint8_t> data, std::string* error) {
  std::string temporary = path + ".XXXXXX";
  int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) {
    *error = Reason("cannot create a file beside", path);
    return false;
  }
  bool ok = fchmod(fd, CreationMode()) == 0 && WriteAll(fd, data);
  if (!ok) *error = Reason("cannot write", temporary);
  if (close(fd) != 0 && ok) {
    *error = Reason("cannot write", temporary);
    ok = false;
  }
  if (ok && rename(temporary.c_str(), path.c_str()) != 0) {
    *error = Reason("cannot rename the finished file to", path);
    ok = false;
  }
  if (!ok) unlink(temporary.c_str());
  return ok;
}

bool MakeDirectoryIfMissing(const std::string& path, std::string* error) {
  if (mkdir(path.c_str(), 0777) == 0) return true;
  struct stat info;
  if (errno == EEXIST && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return true;
  *error = errno == EEXIST ? "'" + path + "' exists and is not a directory"
                           : Reason("cannot create directory", path);
  return false;
}

bool WriteMember(const std::string& path, std::span<const uint8_t> data, uint32_t attributes,
                 const FileTimes& times, std::string* error, std::string* warning) {
  // A read-only member from an earlier extraction could not be opened for writing.
  if (unlink(path.c_str()) != 0 && errno != ENOENT) {
    *error = Reason("cannot replace", path);
    return false;
  }
  mode_t mode = CreationMode();
  if ((attributes & kAttributeReadOnly) != 0) mode &= ~mode_t{0222};
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    *error = Reason("cannot create", path);
    return false;
  }
  bool ok = WriteAll(fd, data);
  if (!ok) *error = Reason("cannot write", path);
  if (ok) {
    UnixTime access = UnixFromFileTime(times.lastAccess);
    UnixTime write = UnixFromFileTime(times.lastWrite);
    struct timespec stamps[2] = {{access.seconds, static_cast<long>(access.nanoseconds)},
                                 {write.seconds, static_cast<long>(write.nanoseconds)}};
    if (futimens(fd, stamps) != 0) *warning = Reason("cannot set the times of", path);
  }
  // The permissions go on last: they may take away the writing the lines above needed.
  if (ok && fchmod(fd, mode) != 0) {
    *error = Reason("cannot set the permissions of", path);
    ok = false;
  }
  if (close(fd) != 0 && ok) {
    *error = Reason("cannot write", path);
    ok = false;
  }
  if (!ok) unlink(path.c_str());
  return ok;
}

}  // namespace pack
