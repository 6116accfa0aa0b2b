#pragma once
// Platform rules, each in one place: path separators, the listing order, letter case of names,
// packed DOS date-times, the roots of the installation search and the program directory.
// No other code re-implements them.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vorlix::platform {

// ---- Paths --------------------------------------------------------------------------------
char Separator();
// Joins two path pieces with exactly one separator ("" + b gives b).
std::string Join(const std::string& a, const std::string& b);
std::string Join(std::initializer_list<std::string> pieces);
// Turns a path written with backslashes (as stored or composed by the program) into a native one.
std::string Native(const std::string& path);
// The directory part of a path without trailing separator ("/" stays "/"); "" when there is none.
std::string Parent(const std::string& path);
// The last component of a path.
std::string File_Name(const std::string& path);
// Removes one trailing separator unless the path is a root.
std::string Without_Trailing_Separator(const std::string& path);

// ---- Letter case ----------------------------------------------------------------------------
// Byte-wise ASCII case conversion: the program's names are 8-bit data, other bytes stay.
std::string Upper(std::string text);
std::string Lower(std::string text);
bool Equal_Ignore_Case(const std::string& a, const std::string& b);
bool Starts_With_Ignore_Case(const std::string& text, const std::string& prefix);

// ---- Directory listing ------------------------------------------------------------------------
struct Dir_Entry {
  std::string Name;
  bool Is_Directory = false;  // a link to a directory counts as a directory
  bool Is_Symlink = false;
  bool Is_Hidden = false;  // the name begins with "."
  std::uint64_t Size = 0;
  std::time_t Modified = 0;  // last-write time
};

// The listing order users see: names compared by their ASCII upper-cased form byte-wise,
// ties broken by the raw name.
bool Listing_Less(const std::string& a, const std::string& b);
void Sort_Listing(std::vector<std::string>& names);

// Lists a directory in listing order, without "." and "..". Hidden entries are included; the
// caller filters. Returns nullopt when the directory cannot be listed.
std::optional<std::vector<Dir_Entry>> List_Directory(const std::string& dir);

// The names of a directory's entries that `keep` accepts (all when it is empty), in listing
// order, without "." and "..". Nothing but the names is read, so listing a folder of thousands of
// archives for a few of them stays cheap. nullopt when the directory cannot be listed.
std::optional<std::vector<std::string>> List_Names(
    const std::string& dir, const std::function<bool(std::string_view name)>& keep = {});

// ---- Case-insensitive lookup ------------------------------------------------------------------
// Resolves every component of `relative` (separated by "/" or "\") below `base`, ignoring case;
// of several names that differ only in case the first in listing order wins. Returns the path as
// it is on disk, or nullopt when a component does not exist.
std::optional<std::string> Resolve_Ignore_Case(const std::string& base,
                                               const std::string& relative);
// The same for a whole path: the first component that exists as written is kept, the rest resolved.
std::optional<std::string> Resolve_Path_Ignore_Case(const std::string& path);
// The same lookup for one name in the directory `dir`, given relative to the open directory
// `dir_fd` (AT_FDCWD: relative to the working directory, or a whole path), for the many folders
// below one directory: the entry's name, or nullopt.
std::optional<std::string> Find_Ignore_Case_At(int dir_fd, const std::string& dir,
                                               const std::string& name);

// The same lookup with the listings of the directories it visits kept, for many lookups in a row
// (the synchronisation checks two folders for every archive). The cache holds until cleared.
class TCase_Resolver {
 public:
  std::optional<std::string> Resolve(const std::string& base, const std::string& relative);
  void Clear() { Listings_.clear(); }

 private:
  // A listed directory: each upper-cased name with the first name in listing order that has it.
  struct TListing {
    bool Listed = false;
    std::unordered_map<std::string, std::string> First_By_Upper;
  };
  const TListing& Listing(const std::string& dir);
  std::map<std::string, TListing> Listings_;
};

// ---- Packed DOS date-times ----------------------------------------------------------------------
// 32 bits: date in the high half ((year-1980)<<9 | month<<5 | day), time in the low half
// (hour<<11 | minute<<5 | second/2), local time, 2-second resolution.
std::int32_t To_DOS_Date_Time(std::time_t time);
std::time_t From_DOS_Date_Time(std::int32_t dos);
// A file's last-write time, packed; nullopt when the file cannot be read.
std::optional<std::int32_t> File_DOS_Date_Time(const std::string& path);
// Gives a file the last-write time of a packed date-time.
bool Set_File_DOS_Date_Time(const std::string& path, std::int32_t dos);

// ---- Installation search roots
// ------------------------------------------------------------------- The roots the search for the
// game walks, in order: the home directory, then "/".
std::vector<std::string> Default_Search_Roots();
// Directories the search never enters (virtual file systems).
bool Is_Excluded_From_Search(const std::string& path);

// ---- Program directory -------------------------------------------------------------------------
// Directory of the running executable, without trailing separator.
std::string Executable_Directory();

// ---- Memory
// --------------------------------------------------------------------------------------- Readies
// the allocator for the start-up, which builds tens of thousands of small records at once: the heap
// grows in large steps, buffers of up to `Heap_Step` come from the heap too, and the heap is backed
// by huge pages where the system offers them, so the start-up does not pay a page fault for every
// fresh 4 KiB. Called first thing by the programs; does nothing where the allocator cannot be
// tuned. Pages are only used when touched, so the resident memory stays what the program really
// uses (rounded to the huge page).
inline constexpr std::size_t Heap_Step = std::size_t{32} << 20;
void Prepare_Heap_For_Startup();

}  // namespace vorlix::platform
