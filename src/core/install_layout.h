#pragma once
// Where the program keeps its files when it is installed like any Linux program, and where it
// finds the pictures that come with it.
//
// A portable build (the executable in a folder the user may write, such as a build folder) keeps
// its files beside the executable. An installed program (the executable in <prefix>/bin with
// <prefix>/share/vorlix beside it, or in a folder the user may not write) keeps them in the
// user's data directory, $XDG_DATA_HOME/vorlix (~/.local/share/vorlix by default). The pictures
// (GFX) are looked up in the program directory, beside the executable, then in
// <prefix>/share/vorlix.

#include <string>
#include <vector>

namespace vorlix {

// The folder name below the data directories: <data home>/vorlix, <prefix>/share/vorlix.
inline constexpr const char* Data_Folder_Name = "vorlix";

// The user's data home: $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share
// (the values are passed in; empty means unset).
std::string User_Data_Home(const std::string& xdg_data_home, const std::string& home);
// <data home>/vorlix for the current environment.
std::string User_Data_Directory();

// <prefix>/share/vorlix for an executable in <prefix>/bin (whether or not it exists).
std::string Shared_Data_Directory(const std::string& executable_dir);
// True when the executable lies in <prefix>/bin and <prefix>/share/vorlix exists.
bool Is_Installed_Layout(const std::string& executable_dir);
// True when the current user may create files in the directory.
bool Is_Writable_Directory(const std::string& dir);

// The decision itself: the executable's directory for a portable build, else the user's data
// directory.
std::string Choose_Program_Directory(const std::string& executable_dir, bool installed_layout,
                                     bool executable_dir_writable,
                                     const std::string& user_data_dir);

// The program directory when none is given on the command line; the user's data directory is
// created when it is chosen and missing (a folder that cannot be made is the start-up's to
// report).
std::string Default_Program_Directory();

// The places searched for GFX, in order: the program directory, the executable's directory,
// <prefix>/share/vorlix (each without duplicates).
std::vector<std::string> GFX_Search_Directories(const std::string& program_dir,
                                                const std::string& executable_dir);
// The first of those holding a GFX folder (in any letter case), as it is on disk; the program
// directory's GFX path when none has one.
std::string Find_GFX_Directory(const std::string& program_dir, const std::string& executable_dir);

}  // namespace vorlix
