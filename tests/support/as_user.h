#pragma once
// Tests of unreadable and unwritable folders need permissions that hold. Run as root, they hold
// for nobody, so such tests switch to an ordinary user id for the part that must meet them.

#include <functional>
#include <string>

namespace vorlix::testing {

// True when the tests run as root and switch user for these tests.
bool Switches_User();
// Hands a folder and everything below it to the user the tests switch to (nothing when they do
// not switch).
void Give_To_User(const std::string& path);
// Runs `body` in a child process under that user and returns its result: `body`'s return value,
// 101 when the user could not be taken, 128 + the signal when the child was killed.
int Run_As_User(const std::function<int()>& body);
// Runs `body` in a forked child process (any user) and returns `body`'s return value, or 128 + the
// number of the signal that ended the child.
int Run_In_Child(const std::function<int()>& body);
// The words to put before a command line so that it runs under that user ("" when not switching).
std::string As_User_Command_Prefix();

}  // namespace vorlix::testing
