#include "launch/exec_file.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <QString>
#include <QThread>

#include "launch/command_line.h"

namespace vorlix {

namespace {

bool Is_Directory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The file a program name stands for: a name with a "/" as written (relative to the working
// directory), a bare name looked up in PATH. Names keep their bytes. Sets `error` (0 when the
// file can be started).
std::string Resolve_Program(const std::string& program, const std::string& working_dir,
                            std::int32_t& error) {
  error = 0;
  if (program.empty() || (!working_dir.empty() && !Is_Directory(working_dir))) {
    error = ENOENT;
    return {};
  }
  auto check = [&error](const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
      error = ENOENT;
    } else if (S_ISDIR(st.st_mode) || ::access(path.c_str(), X_OK) != 0) {
      error = EACCES;
    } else {
      error = 0;
    }
    return error == 0;
  };
  if (program.find('/') == std::string::npos) {
    const QString found = QStandardPaths::findExecutable(QString::fromStdString(program));
    error = found.isEmpty() ? ENOENT : 0;
    return QFile::encodeName(found).toStdString();
  }
  const std::string full =
      program.front() == '/' || working_dir.empty() ? program : working_dir + "/" + program;
  return check(full) ? full : std::string();
}

// Reads what the started side reports through the pipe: the process id, then an error number
// when the program could not be started. Returns false when the error number came.
bool Read_Start_Report(int fd, pid_t& pid, std::int32_t& error) {
  char buffer[sizeof(pid_t) + sizeof(int)];
  std::size_t got = 0;
  while (got < sizeof buffer) {
    const ssize_t n = ::read(fd, buffer + got, sizeof buffer - got);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      break;
    }
    got += static_cast<std::size_t>(n);
  }
  if (got >= sizeof(pid_t)) {
    std::memcpy(&pid, buffer, sizeof(pid_t));
  }
  if (got == sizeof buffer) {
    int code = 0;
    std::memcpy(&code, buffer + sizeof(pid_t), sizeof(int));
    error = code;
    return false;
  }
  return got >= sizeof(pid_t);
}

[[noreturn]] void Exec_Or_Report(int fd, const char* dir, const char* file, char* const* argv) {
  if (dir != nullptr && ::chdir(dir) != 0) {
    const int code = errno;
    [[maybe_unused]] const ssize_t n = ::write(fd, &code, sizeof code);
    ::_exit(127);
  }
  ::execv(file, argv);
  const int code = errno;
  [[maybe_unused]] const ssize_t n = ::write(fd, &code, sizeof code);
  ::_exit(127);
}

}  // namespace

bool TExecFile::Start(const std::string& program, const std::vector<std::string>& arguments) {
  const std::string file = Resolve_Program(program, Working_Directory, Error_);
  if (Error_ != 0) {
    return false;
  }
  // Everything the new process needs is made before it exists: after a fork only the plainest
  // system calls are safe.
  std::vector<std::string> words;
  words.reserve(arguments.size() + 1);
  words.push_back(program);
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (auto& word : words) {
    argv.push_back(word.data());
  }
  argv.push_back(nullptr);
  const char* dir = Working_Directory.empty() ? nullptr : Working_Directory.c_str();
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) {
    Error_ = errno;
    return false;
  }
  const pid_t child = ::fork();
  if (child < 0) {
    Error_ = errno;
    ::close(report[0]);
    ::close(report[1]);
    return false;
  }
  if (child == 0) {
    ::close(report[0]);
    if (!Wait) {
      // Started on its own: the game outlives this program and is nobody's child here.
      ::setsid();
      const pid_t game = ::fork();
      if (game != 0) {
        [[maybe_unused]] const ssize_t n = ::write(report[1], &game, sizeof game);
        ::_exit(game < 0 ? 1 : 0);
      }
    } else {
      const pid_t self = ::getpid();
      [[maybe_unused]] const ssize_t n = ::write(report[1], &self, sizeof self);
    }
    Exec_Or_Report(report[1], dir, file.c_str(), argv.data());
  }
  ::close(report[1]);
  pid_t started = 0;
  std::int32_t error = 0;
  const bool ok = Read_Start_Report(report[0], started, error);
  ::close(report[0]);
  if (!Wait) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  }
  if (!ok) {
    Error_ = error != 0 ? error : ENOEXEC;
    if (Wait) {
      int status = 0;
      while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
      }
    }
    return false;
  }
  Pid_ = started;
  if (!Wait) {
    return true;
  }
  Busy_ = true;
  int status = 0;
  if (WaitStyle == TWaitStyle::wSuspend) {
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  } else {
    // Keep the caller's events flowing while the process runs.
    while (::waitpid(child, &status, WNOHANG) == 0) {
      QCoreApplication::processEvents(QEventLoop::AllEvents);
      QThread::msleep(20);
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
  Busy_ = false;
  return true;
}

bool TExecFile::Execute() {
  const std::string joined = CommandLine + " " + Parameters;
  std::string program = Application_Name;
  std::vector<std::string> arguments = Split_Game_Arguments(joined);
  if (program.empty() && !arguments.empty()) {
    program = arguments.front();
    arguments.erase(arguments.begin());
  }
  bool started = Start(program, arguments);
  if (!started && Associate) {
    // The program the desktop associates with the file named by the command.
    const std::string file = CommandLine;
    std::int32_t unused = 0;
    const std::string opener = Resolve_Program("xdg-open", "", unused);
    struct stat st {};
    if (!file.empty() && ::stat(file.c_str(), &st) == 0 && !opener.empty()) {
      std::vector<std::string> associated = {file};
      for (auto& parameter : Split_Game_Arguments(Parameters)) {
        associated.push_back(parameter);
      }
      const std::int32_t first_error = Error_;
      started = Start(opener, associated);
      if (!started && Error_ == 0) {
        Error_ = first_error;
      }
    }
  }
  if (!started) {
    if (OnFail) {
      OnFail(*this);
    }
    return false;
  }
  return true;
}

bool TExecFile::Execute(const std::string& program, const std::vector<std::string>& arguments) {
  if (!Start(program, arguments)) {
    if (OnFail) {
      OnFail(*this);
    }
    return false;
  }
  return true;
}

}  // namespace vorlix
