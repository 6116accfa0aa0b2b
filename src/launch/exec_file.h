#pragma once
// A small process launcher: starts a program from a command text, optionally waits for it, and
// on failure keeps the system's error code and tells a listener.
//
// On this system the window style, the priority class and the start-up information have no
// counterpart; they are accepted and have no effect.

#include <cstdint>
#include <functional>
#include <string>

namespace vorlix {

enum class TWaitStyle { wRegular, wSuspend };
enum class TWindowStyle {
  wsNorm,
  wsMinimize,
  wsMaximize,
  wsHide,
  wsMinNoActivate,
  wsShowNoActivate
};
enum class TPriorityClass { pcNormal, pcIdle, pcHigh, pcRealTime };

class TExecFile {
 public:
  std::string Name = "ExecFile";
  // Program and arguments, split as the game splits its command line (quotes group).
  std::string CommandLine;
  // Further arguments, appended after one space.
  std::string Parameters;
  // The program to start; when set, the whole joined command is its arguments.
  std::string Application_Name;
  // The new process's working directory; empty for the caller's current directory.
  std::string Working_Directory;
  bool Associate = false;
  bool Wait = false;
  TWaitStyle WaitStyle = TWaitStyle::wRegular;
  TWindowStyle WindowStyle = TWindowStyle::wsNorm;     // no effect here
  TPriorityClass Priority = TPriorityClass::pcNormal;  // no effect here
  std::function<void(TExecFile& sender)> OnFail;

  // Starts the process. True when it was created (and, with Wait, has ended).
  bool Execute();

  // The system's error code of the last failure (errno: ENOENT for a missing program).
  std::int32_t Error_Code() const { return Error_; }
  // True while Execute waits for the process.
  bool Busy() const { return Busy_; }
  // Process id of the last start (0 before the first).
  std::int64_t Process_Id() const { return Pid_; }

 private:
  bool Start(const std::string& program, const std::vector<std::string>& arguments);
  std::int32_t Error_ = 0;
  bool Busy_ = false;
  std::int64_t Pid_ = 0;
};

}  // namespace vorlix
