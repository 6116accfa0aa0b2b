#pragma once
// A small process launcher: starts a program from a command text or from an argument list,
// optionally waits for it, and on failure keeps the system's error code and tells a listener.
// A program that is not waited for is started on its own (a new session), so it outlives the
// program that started it.

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace vorlix {

// How Execute waits: keeping the caller's events flowing, or blocked.
enum class TWait_Style { Regular, Suspend };

class TExec_File {
 public:
  // Program and arguments, split as the game splits its command line (quotes group).
  std::string Command_Line;
  // Further arguments, appended after one space.
  std::string Parameters;
  // The program to start; when set, the whole joined command is its arguments.
  std::string Application_Name;
  // The new process's working directory; empty for the caller's current directory.
  std::string Working_Directory;
  // When the command cannot be started: open the file it names with the desktop's program.
  bool Associate = false;
  bool Wait = false;
  // When set: the program's standard output and error go to a new file of that path (made
  // there, never over a file or link already there, readable by the user only), which stays
  // locked (flock) for as long as the program or anything that inherited them runs. Cleared
  // when the file could not be made: the program then starts with the caller's.
  std::string Output_Path;
  TWait_Style Wait_Style = TWait_Style::Regular;
  std::function<void(TExec_File& sender)> On_Fail;
  // Makes the thread that collects a program not waited for when it ends; empty for a plain
  // std::thread. It may throw std::system_error when no thread can be had.
  std::function<std::thread(std::function<void()>)> Thread_Starter;

  // Starts the process from the command text. True when it was created (and, with Wait, has
  // ended).
  bool Execute();
  // Starts `program` with these arguments as they are (no splitting), in Working_Directory.
  bool Execute(const std::string& program, const std::vector<std::string>& arguments);

  // The system's error code of the last failure (errno: ENOENT for a missing program).
  std::int32_t Error_Code() const { return Error_; }
  // True while Execute waits for the process.
  bool Busy() const { return Busy_; }
  // Process id of the last start (0 before the first).
  std::int64_t Process_Id() const { return Pid_; }

 private:
  bool Start(const std::string& program, const std::vector<std::string>& arguments);
  // Collects the programs started without a collecting thread that have ended since.
  void Collect_Ended();
  std::vector<std::int64_t> Uncollected_;
  std::int32_t Error_ = 0;
  bool Busy_ = false;
  std::int64_t Pid_ = 0;
};

}  // namespace vorlix
