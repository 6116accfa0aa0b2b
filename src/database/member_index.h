#pragma once
// Every file of the installation the game can open, and which copy of a name it opens: each
// member of each archive the game index knows (name as stored, uncompressed size, CRC-32 and
// compression method, all from the central directory) and the loose files below each MOD and
// base directory. Kept in members.dat in the program's data folder; an archive whose size and
// date the game index records as before keeps its stored members and is not opened again.
//
// The file (numbers little-endian, 32-bit unless told): "VXMI", the version (2), the number of
// archives and of their members, then for each archive the length of its record, the record and the
// CRC-32 of the record's bytes. A record: MOD directory and file name (a string as in
// gameindex.dat), size, packed DOS date-time, the reason its members could not be read (a string,
// empty when they were), the number of members and for each its name's length (16-bit) and bytes as
// stored, uncompressed size (64-bit), CRC-32 and compression method (16-bit). Loose files are not
// stored: they are listed at every build.
//
// The engine's rules it answers by (ioquake3's file system):
// - a directory's loose files are searched before its archives, its archives from the one whose
//   name sorts last (TGame_Index::Search_Order), the MOD directory before the base directory;
// - an archive member is found by its lookup form: ASCII letters in lower case, '\' and ':' as
//   '/', the name ending at a zero byte; a loose file by its exact name ('\' as '/'), as the
//   file system of this platform opens it;
// - within one archive, of two members of one lookup form the one stored last is found;
// - the archives at the top of a directory are no loose files; the folders below it are (here
//   without folders reached through a link, which could lead back up, or deeper than 32 levels).
//
// In memory a member takes 4 bytes and 16 of the lookup table (the 64-bit hash of its lookup
// form, the member and its source; a folder entry, which the game never opens, is left out). Its
// name, size, CRC-32 and method (its details) are held for the members that matter to the answers:
// loose files and the members whose lookup form lies in more than one place. The details of the
// others stay in members.dat, read again, an archive at a time, when asked for (bench/members.cpp).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "database/scan.h"

namespace vorlix {

class TGame_Index;

class TRecord_File;
struct TMember_Index_Build;

// Where members come from: an archive, or the loose files of a directory.
struct TMember_Source {
  std::string MOD_Directory;
  std::string PK3_Filename;  // empty: the loose files of MOD_Directory
  std::uint32_t Size = 0;    // the archive's size and date as the game index records them
  std::int32_t Date = 0;
  std::string Problem;      // why the archive's members could not be read ("" when they were)
  std::uint32_t First = 0;  // its members: First to First + Count - 1
  std::uint32_t Count = 0;
  // Its stored record, whose details of members the index does not hold (Length 0: none).
  std::shared_ptr<const TRecord_File> File;
  std::uint64_t Record_Offset = 0;
  std::uint32_t Record_Length = 0;
  bool Loose() const { return PK3_Filename.empty(); }
};

struct TMember_Details {
  std::string_view Name;     // as stored, every byte
  std::uint64_t Size = 0;    // uncompressed
  std::uint32_t CRC32 = 0;   // 0 for a loose file, which is not read
  std::uint16_t Method = 0;  // the ZIP compression method; 0 for a loose file
};

// An entry of the lookup table: a member by the hash of its lookup form.
struct TMember_Entry {
  std::uint64_t Hash = 0;
  std::uint32_t Member = 0;
  std::uint32_t Source = 0;
};

// The name the engine looks an archive member up by.
std::string Member_Lookup_Form(std::string_view name);
// The 64-bit hash of the lookup form of `name`, and the same of a name continued by `more`.
std::uint64_t Member_Lookup_Hash(std::string_view name);
std::uint64_t Member_Lookup_Hash(std::uint64_t hash_of_start, std::string_view more);

// Not for several threads at once: asking for details may read them into the index.
class TMember_Index {
 public:
  TMember_Index();
  ~TMember_Index();
  TMember_Index(TMember_Index&&) noexcept;
  TMember_Index& operator=(TMember_Index&&) noexcept;
  TMember_Index(const TMember_Index&) = delete;
  TMember_Index& operator=(const TMember_Index&) = delete;

  const std::vector<TMember_Source>& Sources() const { return Sources_; }
  std::size_t Member_Count() const { return Details_Of_.size(); }
  // The source holding a member.
  std::uint32_t Source_Of(std::uint32_t member) const;
  // Whether a member's details are held (else they are read when asked for).
  bool Holds_Details(std::uint32_t member) const;
  // A member's details: held, or read from its archive's record in members.dat. A member whose
  // record cannot be read again (the file changed meanwhile) has empty details.
  const TMember_Details& Details(std::uint32_t member) const;
  std::string_view Name(std::uint32_t member) const { return Details(member).Name; }
  const std::string& Base_Directory() const { return Base_Directory_; }
  // The bytes the index holds.
  std::size_t Memory_Bytes() const;

  // Reads members.dat; false (and an empty index) when it is missing, damaged or of another
  // version.
  bool Load(const std::string& path);
  // Writes its archives atomically; the reason when it could not be written, else "".
  std::string Save(const std::string& path) const;

  // Building: a source, then its members; Finish makes the lookup table. False when a member
  // does not fit (names of more than 4 GiB in all, a name longer than 65,535 bytes).
  void Add_Source(TMember_Source source);
  bool Add_Member(std::string_view name, std::uint64_t size, std::uint32_t crc,
                  std::uint16_t method);
  // Takes back the members of the last source added, whose members could not all be read, and
  // records why.
  void Drop_Members_Of_Last_Source(std::string problem);
  void Finish(std::string base_directory);

  // The members whose lookup form is that of `name`, in no order.
  std::vector<std::uint32_t> Members_Named(std::string_view name) const;
  // The members whose lookup form has the hash `hash`: those of one name, unless two forms
  // share the hash.
  std::span<const TMember_Entry> Members_Hashed(std::uint64_t hash) const;
  // Hands every set of members sharing one lookup form to `visit`, once each, folder entries
  // left out.
  void Visit_Name_Groups(const std::function<void(std::span<const TMember_Entry>)>& visit) const;

 private:
  friend TMember_Index_Build Build_Member_Index(const std::string& game_dir,
                                                const TGame_Index& games,
                                                const std::string& data_dir);
  std::uint32_t Hold_Details(std::string_view name, std::uint64_t size, std::uint32_t crc,
                             std::uint16_t method) const;
  void Read_Details_Of(std::uint32_t source, const std::vector<char>* wanted) const;
  bool Read_Stored(const std::string& path);

  std::vector<TMember_Source> Sources_;
  // Per member: its place among the details held, or No_Details; filled when first asked for.
  mutable std::vector<std::uint32_t> Details_Of_;
  // Each member's entry, sorted by hash and member; folder entries are left out.
  std::vector<TMember_Entry> Lookup_;
  // Per value of a hash's leading Bucket_Bits bits, where its entries of Lookup_ begin.
  std::vector<std::uint32_t> Buckets_;
  std::vector<std::uint64_t> Filter_;  // per value of a hash's leading bits: whether one has it
  std::vector<std::uint32_t> Firsts_;  // per source its first member, for Source_Of
  std::string Base_Directory_;
  struct THeld;
  std::unique_ptr<THeld> Held_;  // the details held and the bytes of their names
};

// The folders whose loose files the game reads: every MOD directory an archive of `games` lies in
// and the base directories, each once, as the index names it and its path on disk.
std::vector<std::pair<std::string, std::string>> Searched_Folders(const std::string& game_dir,
                                                                  const TGame_Index& games);

// The index of the installation at `game_dir` for the archives of `games` and the loose files of
// their MOD directories and of the base directories the game index searches, with members.dat of
// `data_dir` read first and written after.
struct TMember_Index_Build {
  TMember_Index Index;
  // The archives whose members could not be read, for Archives_To_Report and
  // Unreadable_Archive_Message.
  std::vector<TUnreadable_Archive> Unreadable;
  std::vector<std::string> Problems;  // anything else left out, one line each
  std::size_t Archives_Read = 0;      // opened now
  std::size_t Archives_Reused = 0;    // taken from members.dat
  std::string Save_Problem;           // why members.dat could not be written ("" when written)
};
TMember_Index_Build Build_Member_Index(const std::string& game_dir, const TGame_Index& games,
                                       const std::string& data_dir);
inline constexpr const char* Member_Index_File = "members.dat";

// The order in which the game searches the sources for a MOD directory, each directory's loose
// files before its archives, the MOD directory before the base directories (of these the one the
// index was built for, else all).
struct TMember_Search_Path {
  std::vector<std::uint32_t> Order;  // indexes into Sources()
  std::vector<std::uint32_t> Rank;   // per source: its place in Order plus one, 0 when not searched
};
TMember_Search_Path Member_Search_Path(const TMember_Index& index, const std::string& mod,
                                       const std::vector<std::string>& bases);

// Whether a loose file stored as `stored` is the one the game opens for `asked`: its own name,
// letter case and all; only '\' is a separator.
bool Same_Loose_Name(std::string_view stored, std::string_view asked);

struct TMember_Copy {
  const TMember_Source* Source = nullptr;
  std::uint32_t Member = 0;
  const TMember_Details* Details = nullptr;
};
// Every copy of the file `name` (as the game asks for it) in the order the game searches them.
std::vector<TMember_Copy> Copies_Of(const TMember_Index& index, const std::string& name,
                                    const std::string& mod, const std::vector<std::string>& bases);
// The same along a search path made once for many names (Member_Search_Path of this index).
std::vector<TMember_Copy> Copies_Of(const TMember_Index& index, const std::string& name,
                                    const TMember_Search_Path& path);
// The copy the game opens, or nullopt when none of the search path holds the name.
std::optional<TMember_Copy> Winning_Copy(const TMember_Index& index, const std::string& name,
                                         const std::string& mod,
                                         const std::vector<std::string>& bases);

}  // namespace vorlix
