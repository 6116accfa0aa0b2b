#pragma once
// Small file-system and text routines used all over the program: directory trees, file names,
// short status texts and number conversion.

#include <stdexcept>
#include <string>
#include <string_view>

namespace vorlix {

// A directory could not be created.
class TFile_Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A text is not an integer.
class TConversion_Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Creates a directory and every missing parent. Components that already exist keep their names
// (found ignoring case); the components created here get lower-case names. Raises TFile_Error when
// a directory cannot be created, also when the directory itself exists already.
void Create_Directory_Path(const std::string& path);

// The name Create_Directory_Path gives a folder it creates.
std::string New_Directory_Name(const std::string& name);
// A folder the program keeps below `base`: the existing one, whatever the letter case of its
// name, else the path it will have once Create_Directory_Path has created it.
std::string Program_Subdirectory(const std::string& base, const std::string& name);

// Removes a directory tree. Read-only files and folders are made writable first; a symbolic link
// is removed itself and never followed. True when the directory is gone afterwards or was never
// there. A file that cannot be deleted stops the work at once (false; the rest stays).
bool Delete_Directory_Tree(const std::string& path);

// Whether files can be made in the folder `dir`: tries one (exclusively, never through a link)
// and removes it. Empty when that works, else the system's reason.
std::string Folder_Write_Problem(const std::string& dir);

// Creates a scratch file at `path` for the program's own bytes and returns its descriptor, open
// for reading and writing and closed on exec. Whatever lies at the name first (a file an earlier
// run left behind, a link planted by anyone who may write into the folder) is removed, and the
// file is created anew and exclusively, never through a link, so that no byte reaches another
// file. Raises TFile_Error with the system's reason (a directory at the name stays and fails).
int Create_Scratch_File(const std::string& path);

// The text with every double quote taken out.
std::string Remove_Quotes(const std::string& text);

// The text without a leading prefix (compared ignoring case; the rest is at most 255 characters),
// or the text unchanged when it does not begin with the prefix.
std::string Remove_Prefix(const std::string& text, const std::string& prefix);

// The name without its extension (from the last "." on, when no separator or ":" follows it).
std::string Remove_Extension(const std::string& name);
// How much of a name Remove_Extension keeps.
std::size_t Length_Without_Extension(std::string_view name);

// A path shortened to at most `maximum` characters for a status line: the head up to its first
// separator ("/" or "\"), "..." and the tail.
std::string Shorten_Path(const std::string& path, int maximum);

// The integer of a text: 0 for a text of blanks only; otherwise the whole text must be a decimal
// 32-bit integer with optional leading blanks and sign. Raises TConversion_Error otherwise.
int Text_To_Number(const std::string& text);

}  // namespace vorlix
