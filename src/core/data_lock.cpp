#include "core/data_lock.h"

#include <cerrno>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
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

bool TData_Folder_Lock::Take(const std::string& folder, int wait_seconds) {
  if (Held() && Folder_ == folder) {
    return true;
  }
  Release();
  const std::string path = platform::Join(folder, Lock_File_Name);
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    // A folder that cannot take the lock file (read-only) cannot take the database either: what
    // the start-up writes there fails and is reported on its own.
    return true;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(wait_seconds);
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      break;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) {
      ::close(fd);
      return true;  // a file system without locks: as before there were locks
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      ::close(fd);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  // Who holds it, for whoever looks at the file.
  const std::string pid = std::to_string(::getpid()) + "\n";
  if (::ftruncate(fd, 0) == 0) {
    [[maybe_unused]] const ssize_t written = ::pwrite(fd, pid.data(), pid.size(), 0);
  }
  Fd_ = fd;
  Folder_ = folder;
  return true;
}

std::string Folder_In_Use_Message(const std::string& folder) {
  return "Vorlix is already running with the data folder " + folder +
         ". Close it first; only one Vorlix at a time may use a data folder.";
}

}  // namespace vorlix
