#pragma once
// One running program per data folder: the program holds a lock on the file "vorlix.lock" of its
// data folder from the start-up to its end. The system drops the lock of a process that ends in
// any way, so the lock of a crashed or killed program is taken over at once.

#include <string>

namespace vorlix {

class TData_Folder_Lock {
 public:
  TData_Folder_Lock() = default;
  ~TData_Folder_Lock();
  TData_Folder_Lock(const TData_Folder_Lock&) = delete;
  TData_Folder_Lock& operator=(const TData_Folder_Lock&) = delete;

  // Takes the lock of `folder`, waiting up to `wait_seconds` while another process holds it.
  // True when this object holds it (also when it held it already). A lock held before for
  // another folder is given up first.
  bool Take(const std::string& folder, int wait_seconds);
  void Release();
  bool Held() const { return Fd_ >= 0; }
  const std::string& Folder() const { return Folder_; }

 private:
  int Fd_ = -1;
  std::string Folder_;
};

// The name of the lock file in the data folder.
inline constexpr const char* Lock_File_Name = "vorlix.lock";

// The message of a start that finds the data folder in use.
std::string Folder_In_Use_Message(const std::string& folder);

}  // namespace vorlix
