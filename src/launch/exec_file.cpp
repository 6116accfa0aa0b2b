#include "launch/exec_file.h"

#include <cerrno>
#include <future>
#include <system_error>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QThread>

#include "core/program_lookup.h"
#include "launch/command_line.h"

namespace vorlix {

namespace {

// The new output file of a program, locked; -1 when it cannot be made.
int Open_Output(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    return -1;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    ::unlink(path.c_str());
    return -1;
  }
  return fd;
}

bool Is_Directory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The file a program name stands for (platform::Find_Program), or the error when it cannot be
// started: a missing working directory counts as a missing program.
std::string Resolve_Program(const std::string& program, const std::string& working_dir,
                            std::int32_t& error) {
  if (!working_dir.empty() && !Is_Directory(working_dir)) {
    error = ENOENT;
    return {};
  }
  platform::TProgram_Lookup lookup = platform::Find_Program(program, working_dir);
  error = lookup.Error;
  return std::move(lookup.Path);
}

}  // namespace

bool TExec_File::Start(const std::string& program, const std::vector<std::string>& arguments) {
  const std::string file = Resolve_Program(program, Working_Directory, Error_);
  if (Error_ != 0) {
    Output_Path.clear();
    return false;
  }
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
  Collect_Ended();
  // A program that is not waited for gets a thread that takes its exit status when it ends, so
  // that no finished process lingers. The thread is made before the program starts: once it runs,
  // nothing may fail. Without a thread to be had the program still starts, and a later start
  // collects it.
  std::promise<pid_t> started;
  bool collected = false;
  if (!Wait) {
    auto collect = [child = started.get_future().share()] {
      const pid_t pid = child.get();
      int status = 0;
      while (pid > 0 && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
    };
    try {
      (Thread_Starter ? Thread_Starter(collect) : std::thread(collect)).detach();
      collected = true;
    } catch (const std::system_error&) {
      // no thread to be had: Collect_Ended takes the exit status later
    }
  }
  // The new process gets its working directory and, when it is not waited for, a session of its
  // own (it outlives this program) from the spawn itself: this process's state stays as it is.
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  int result = 0;
  if (!Working_Directory.empty()) {
    result = posix_spawn_file_actions_addchdir_np(&actions, Working_Directory.c_str());
  }
  // The lock belongs to the file's open description, which the program's two descriptors share:
  // it lasts until the last of them is closed, whoever holds them.
  const int output = Output_Path.empty() ? -1 : Open_Output(Output_Path);
  if (output < 0) {
    Output_Path.clear();
  } else if (result == 0) {
    result = posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    if (result == 0) {
      result = posix_spawn_file_actions_adddup2(&actions, output, STDERR_FILENO);
    }
  }
  if (result == 0 && !Wait) {
    result = posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  }
  pid_t child = 0;
  if (result == 0) {
    result = ::posix_spawn(&child, file.c_str(), &actions, &attributes, argv.data(), environ);
  }
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (output >= 0) {
    ::close(output);
    if (result != 0) {
      ::unlink(Output_Path.c_str());
      Output_Path.clear();
    }
  }
  started.set_value(result == 0 ? child : 0);
  if (result != 0) {
    Error_ = result;
    return false;
  }
  Pid_ = child;
  if (!Wait) {
    if (!collected) {
      Uncollected_.push_back(child);
    }
    return true;
  }
  Busy_ = true;
  int status = 0;
  if (Wait_Style == TWait_Style::Suspend) {
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

void TExec_File::Collect_Ended() {
  std::erase_if(Uncollected_, [](std::int64_t pid) {
    int status = 0;
    return ::waitpid(static_cast<pid_t>(pid), &status, WNOHANG) != 0;
  });
}

bool TExec_File::Execute() {
  const std::string joined = Command_Line + " " + Parameters;
  std::string program = Application_Name;
  std::vector<std::string> arguments = Split_Game_Arguments(joined);
  if (program.empty() && !arguments.empty()) {
    program = arguments.front();
    arguments.erase(arguments.begin());
  }
  bool started = Start(program, arguments);
  if (!started && Associate) {
    // The program the desktop associates with the file named by the command.
    const std::string file = Command_Line;
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
    if (On_Fail) {
      On_Fail(*this);
    }
    return false;
  }
  return true;
}

bool TExec_File::Execute(const std::string& program, const std::vector<std::string>& arguments) {
  if (!Start(program, arguments)) {
    if (On_Fail) {
      On_Fail(*this);
    }
    return false;
  }
  return true;
}

}  // namespace vorlix
