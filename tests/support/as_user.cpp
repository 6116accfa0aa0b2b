#include "as_user.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

namespace vorlix::testing {

namespace {

// The traditional id of "nobody"; no account of that name is needed to use it.
constexpr uid_t User_Id = 65534;
constexpr gid_t Group_Id = 65534;

}  // namespace

bool Switches_User() {
  return ::geteuid() == 0;
}

void Give_To_User(const std::string& path) {
  if (!Switches_User()) {
    return;
  }
  namespace fs = std::filesystem;
  (void)::lchown(path.c_str(), User_Id, Group_Id);
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(path, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    (void)::lchown(it->path().c_str(), User_Id, Group_Id);
  }
}

int Run_As_User(const std::function<int()>& body) {
  return Run_In_Child([&body] {
    if (Switches_User() &&
        (::setgroups(0, nullptr) != 0 || ::setgid(Group_Id) != 0 || ::setuid(User_Id) != 0)) {
      return 101;
    }
    return body();
  });
}

int Run_In_Child(const std::function<int()>& body) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::_exit(body());
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

std::string As_User_Command_Prefix() {
  return Switches_User() ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
}

}  // namespace vorlix::testing
