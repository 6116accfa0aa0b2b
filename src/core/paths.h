#pragma once
// Path rules, each in one place: separators, joining, the parts of a path, plain names and the
// program's own directory. No other code re-implements them.

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace vorlix::platform {

char Separator();
// Both "/" and "\" separate the components of a path written by the program or read from a game
// file.
bool Is_Separator(char c);
// Joins two path pieces with exactly one separator ("" + b gives b).
std::string Join(const std::string& a, const std::string& b);
std::string Join(std::initializer_list<std::string> pieces);
// Turns a path written with backslashes (as stored or composed by the program) into a native one.
std::string Native(const std::string& path);
// The directory part of a path without trailing separator ("/" stays "/"); "" when there is none.
std::string Parent(const std::string& path);
// The last component of a path.
std::string File_Name(const std::string& path);
// The path made absolute (against the current directory) and lexically normal, without trailing
// separator; a path that cannot be made absolute is only normalised.
std::string Normal_Path(const std::string& path);
// Removes every trailing separator unless the path is a root ("a//" gives "a", "/" stays "/").
std::string Without_Trailing_Separator(const std::string& path);
// The non-empty components of a path separated by "/" or "\" ("a\\b//c/" gives a, b, c).
std::vector<std::string> Split_Path_Components(std::string_view path);
// A name stored in a record that may be joined into a path as one component: not empty, not "."
// or "..", without separators or zero bytes.
bool Is_Plain_Name(const std::string& name);
// The key of an archive by the names of its record, as both the database and the game index look
// archives up: "directory\\file name" in lower case. `key` keeps its room (asked for every
// archive and record of a synchronisation).
void Make_Archive_Key(std::string& key, const std::string& directory, const std::string& filename);
std::string Archive_Key(const std::string& directory, const std::string& filename);

// Directory of the running executable, without trailing separator.
std::string Executable_Directory();

}  // namespace vorlix::platform
