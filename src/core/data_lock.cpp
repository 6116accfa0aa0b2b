#include "core/data_lock.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/paths.h"

namespace vorlix {

TData_Folder_Lock::~TData_Folder_Lock() {
  Release();
}

void TData_Folder_Lock::Release() {
  if (Fd_ >= 0) {
    ::close(Fd_);  // closing drops the lock; the file stays for the next start
    Fd_ = -1;
  }
  Folder_.clear();
}

Lock_Outcome TData_Folder_Lock::Unusable(const std::string& path, const std::string& reason) {
  Problem_ = Unusable_Lock_Message(path, reason);
  return Lock_Outcome::Unusable;
}

Lock_Outcome TData_Folder_Lock::Take(const std::string& folder, int wait_seconds) {
  if (Held() && Folder_ == folder) {
    return Lock_Outcome::Held;
  }
  Release();
  Problem_.clear();
  const std::string path = platform::Join(folder, Lock_File_Name);
  // No truncation here: what was opened is looked at first. A link at the name is refused, and
  // a FIFO opens without waiting.
  const int fd =
      ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
  if (fd < 0) {
    const int error = errno;
    // A folder that is missing or cannot be written takes nothing of the program's either: what
    // the start-up would save there fails and is reported on its own.
    if (error == ENOENT || error == ENOTDIR || error == EROFS ||
        (error == EACCES && ::access(folder.c_str(), W_OK) != 0)) {
      return Lock_Outcome::Not_Saved;
    }
    if (error == ELOOP) {
      return Unusable(path, "it is a symbolic link");
    }
    if (error == EISDIR) {
      return Unusable(path, "it is a directory");
    }
    return Unusable(path, std::strerror(error));
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return Unusable(path, "it is not a regular file");
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(wait_seconds);
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      break;
    }
    const int error = errno;
    if (error != EWOULDBLOCK && error != EINTR) {
      ::close(fd);
      return Unusable(path, std::strerror(error));
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      ::close(fd);
      return Lock_Outcome::In_Use;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  // Who holds it, for whoever looks at the file; a file with other names too is not only ours
  // and keeps its bytes.
  if (st.st_nlink == 1) {
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) == 0) {
      [[maybe_unused]] const ssize_t written = ::pwrite(fd, pid.data(), pid.size(), 0);
    }
  }
  Fd_ = fd;
  Folder_ = folder;
  return Lock_Outcome::Held;
}

std::string Folder_In_Use_Message(const std::string& folder) {
  return "Vorlix is already running with the data folder " + folder +
         ". Close it first; only one Vorlix at a time may use a data folder.";
}

std::string Unusable_Lock_Message(const std::string& lock_file, const std::string& reason) {
  return "Vorlix cannot lock its data folder: the lock file " + lock_file + " cannot be used (" +
         reason +
         "). Remove it or make it a file you may write; without the lock another Vorlix could "
         "change the same files at the same time.";
}

}  // namespace vorlix
