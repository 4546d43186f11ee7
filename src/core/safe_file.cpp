#include "core/safe_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "core/file_names.h"

namespace pektra {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTemporaryPrefix = ".pektra-";
constexpr std::string_view kTemporarySuffix = ".tmp";
// A leftover whose writer is gone is removed after this time; any leftover after the second.
constexpr auto kOrphanAge = std::chrono::minutes(1);
constexpr auto kAbandonedAge = std::chrono::hours(24);

void Fail(std::string* why, std::string reason) {
  if (why) *why = std::move(reason);
}

bool AllDigits(std::string_view text, std::size_t max_length) {
  if (text.empty() || text.size() > max_length) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// The writer's process id of a temporary name ".pektra-<pid>-<n>.tmp"; -1 for any other name.
long TemporaryNameWriter(std::string_view name) {
  if (name.size() <= kTemporaryPrefix.size() + kTemporarySuffix.size() ||
      name.substr(0, kTemporaryPrefix.size()) != kTemporaryPrefix ||
      name.substr(name.size() - kTemporarySuffix.size()) != kTemporarySuffix) {
    return -1;
  }
  name = name.substr(kTemporaryPrefix.size(),
                     name.size() - kTemporaryPrefix.size() - kTemporarySuffix.size());
  const std::size_t dash = name.find('-');
  if (dash == std::string_view::npos || !AllDigits(name.substr(0, dash), 9) ||
      !AllDigits(name.substr(dash + 1), 20)) {
    return -1;
  }
  return std::stol(std::string(name.substr(0, dash)));
}

bool ProcessRuns(long pid) {
  if (pid <= 0) return false;  // no writer of ours has such an id
  return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// Removes the temporary files that killed writers left in `folder`. The files of a writer that
// still runs, in this process or another, are never touched.
void RemoveStaleTemporaries(const fs::path& folder) {
  std::error_code error;
  fs::directory_iterator entries(folder, error);
  const auto now = fs::file_time_type::clock::now();
  for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
    const long pid = TemporaryNameWriter(entries->path().filename().string());
    if (pid < 0) continue;
    std::error_code ignored;
    const auto written = fs::last_write_time(entries->path(), ignored);
    if (ignored) continue;
    const auto age = now - written;
    if (age > kAbandonedAge || (age > kOrphanAge && !ProcessRuns(pid))) {
      fs::remove(entries->path(), ignored);
    }
  }
}

// Why the target itself cannot be replaced; "" when it can (also when it does not exist yet).
std::string TargetProblem(const std::string& file_name) {
  std::error_code error;
  const fs::file_status status = fs::status(file_name, error);
  if (error || !fs::exists(status)) return {};
  std::string name = FileNamePart(file_name);
  if (name.empty()) name = file_name;
  if (fs::is_directory(status)) return name + " is a directory";
  if (!fs::is_regular_file(status)) return name + " is not a regular file";
  const fs::perms write_bits =
      fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  // The permission bits count even for a user who could write anyway (root): a file someone
  // protected is not replaced behind their back.
  if ((status.permissions() & write_bits) == fs::perms::none ||
      (access(file_name.c_str(), W_OK) != 0 && errno == EACCES)) {
    return name + " is write-protected";
  }
  return {};
}

// Creates a new temporary file in `folder`; returns its descriptor, or -1 with errno set.
int CreateTemporary(const fs::path& folder, std::string& temporary) {
  static std::atomic<unsigned long> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = std::string(kTemporaryPrefix) + std::to_string(getpid()) + "-" +
                             std::to_string(counter++) + std::string(kTemporarySuffix);
    temporary = (folder / name).string();
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;  // errno is EEXIST
}

// Writes all bytes, flushes them to the disk and closes the descriptor. Returns 0 or the errno.
int WriteAndClose(int fd, const std::string& bytes) {
  std::size_t done = 0;
  int failure = 0;
  while (done < bytes.size() && failure == 0) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno != EINTR) {
      failure = errno;
    } else if (n == 0) {
      failure = EIO;
    }
  }
  if (failure == 0 && fsync(fd) != 0) failure = errno;
  if (close(fd) != 0 && failure == 0 && errno != EINTR) failure = errno;
  return failure;
}

// Gives the new file the permissions of the file it replaces.
void KeepPermissions(int fd, const std::string& file_name) {
  struct stat target {};
  if (stat(file_name.c_str(), &target) == 0) fchmod(fd, target.st_mode & 07777);
}

}  // namespace

std::string WriteErrorReason(int error_number) {
  switch (error_number) {
    case ENOENT:
    case ENOTDIR:
      return "no such folder";
    case EACCES:
    case EPERM:
      return "permission denied";
    case ENOSPC:
    case EDQUOT:
      return "disk full";
    case EISDIR:
      return "is a directory";
    case EROFS:
      return "read-only file system";
    case ENAMETOOLONG:
      return "name too long";
    default:
      return std::strerror(error_number);
  }
}

bool WriteFileAtomically(const std::string& file_name,
                         const std::function<void(std::ostream&)>& write, std::string* why) {
  if (const std::string problem = TargetProblem(file_name); !problem.empty()) {
    Fail(why, problem);
    return false;
  }
  std::ostringstream content;
  try {
    write(content);
  } catch (...) {
    content.setstate(std::ios::badbit);
  }
  if (!content) {
    Fail(why, "the content could not be prepared");
    return false;
  }
  const std::string bytes = std::move(content).str();

  fs::path folder = fs::path(file_name).parent_path();
  if (folder.empty()) folder = ".";
  RemoveStaleTemporaries(folder);
  std::string temporary;
  const int fd = CreateTemporary(folder, temporary);
  if (fd < 0) {
    Fail(why, WriteErrorReason(errno));
    return false;
  }
  KeepPermissions(fd, file_name);
  int failure = WriteAndClose(fd, bytes);
  if (failure == 0 && std::rename(temporary.c_str(), file_name.c_str()) != 0) failure = errno;
  if (failure != 0) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    Fail(why, WriteErrorReason(failure));
    return false;
  }
  return true;
}

}  // namespace pektra
