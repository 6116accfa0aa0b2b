#pragma once
// One running program per data folder: the program holds a lock on the file "vorlix.lock" of its
// data folder from the start-up to its end. The system drops the lock of a process that ends in
// any way, so the lock of a crashed or killed program is taken over at once.

#include <string>

namespace vorlix {

// How taking the lock of a data folder ended.
enum class Lock_Outcome {
  Held,       // this object holds the lock
  Not_Saved,  // a folder nothing can be saved in (missing, read-only): no lock, none needed
  In_Use,     // another process held it until the wait ran out
  Unusable,   // the folder can be written but the lock file cannot be used (Problem() says why)
};

class TData_Folder_Lock {
 public:
  TData_Folder_Lock() = default;
  ~TData_Folder_Lock();
  TData_Folder_Lock(const TData_Folder_Lock&) = delete;
  TData_Folder_Lock& operator=(const TData_Folder_Lock&) = delete;

  // Takes the lock of `folder`, waiting up to `wait_seconds` while another process holds it.
  // Held also when this object held it already. A lock held before for another folder is given
  // up first. The lock file is never opened through a link nor truncated before the lock is held
  // on a regular file.
  Lock_Outcome Take(const std::string& folder, int wait_seconds);
  void Release();
  bool Held() const { return Fd_ >= 0; }
  const std::string& Folder() const { return Folder_; }
  // After Unusable: the message naming the lock file and the reason.
  const std::string& Problem() const { return Problem_; }

 private:
  Lock_Outcome Unusable(const std::string& path, const std::string& reason);

  int Fd_ = -1;
  std::string Folder_;
  std::string Problem_;
};

// The name of the lock file in the data folder.
inline constexpr const char* Lock_File_Name = "vorlix.lock";

// The message of a start that finds the data folder in use.
std::string Folder_In_Use_Message(const std::string& folder);
// The message of a start whose lock file cannot be used.
std::string Unusable_Lock_Message(const std::string& lock_file, const std::string& reason);

}  // namespace vorlix
