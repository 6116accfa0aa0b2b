#pragma once
// The ZIP archive facade on libzip: lists an archive's members in stored order, extracts members
// selected by file specs, and adds files to an archive.
//
// Archives come from the internet, so extraction never writes outside its base folder: members
// whose names are absolute, carry a drive letter, a "." or ".." component, a backslash or a colon,
// and members that are links, are left out without a word. Members that cannot be written
// (encrypted, damaged, larger than the limits or than the free space) are skipped and named in
// the extraction's result. Every other failure of the ZIP layer is a TZip_Error.
//
// The facade's files: zip_library.* (libzip, loaded on demand), zip_directory.cpp (listing and
// selection), zip_member.cpp (member reading and extraction), zip_writer.cpp (adding, renaming).

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct zip;
struct zip_file;

namespace vorlix {

// Progress events of an extraction; the numbers are part of the contract with the map scan.
enum TProgress_Type : int { File_Started = 0, File_Progress = 1, Batch_Finished = 2 };

// An error of the ZIP layer, with its own message text.
class TZip_Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TZip_Entry {
  std::string Name;  // as stored: "/" separators, stored letter case
  std::uint32_t Uncompressed_Size = 0;
  std::int32_t DOS_Date_Time = 0;  // the member's own packed DOS date-time
  std::uint64_t Size64 = 0;        // the full uncompressed size (ZIP64 members may pass 4 GiB)
  std::uint32_t CRC32 = 0;         // of the uncompressed data, as the central directory gives it
  bool Encrypted = false;
  bool Is_Link = false;  // stored as a symbolic link by a Unix packer
};

// Reads one member's uncompressed data front to back, without holding it whole anywhere.
class TZip_Member_Reader {
 public:
  // `raw_deflate`: the file gives the compressed bytes of a member of `size` bytes, inflated here.
  explicit TZip_Member_Reader(zip_file* file, bool raw_deflate = false, std::uint64_t size = 0);
  ~TZip_Member_Reader();
  TZip_Member_Reader(const TZip_Member_Reader&) = delete;
  TZip_Member_Reader& operator=(const TZip_Member_Reader&) = delete;

  // Reads up to `count` bytes; fewer only at the end of the member. Throws TZip_Error.
  std::size_t Read(void* buffer, std::size_t count);
  // Skips up to `count` bytes; returns how many were skipped (fewer only at the end).
  std::uint64_t Skip(std::uint64_t count);

 private:
  struct Inflater;
  zip_file* File_;
  std::unique_ptr<Inflater> Inflater_;
};

// A member as the central directory gives it.
struct TZip_Directory_Entry {
  std::string_view Name;  // as stored, every byte (valid until the visit returns)
  std::uint64_t Uncompressed_Size = 0;
  std::uint32_t CRC32 = 0;
  std::uint16_t Method = 0;  // 0 stored, 8 deflated, ...
};
// Hands every member of the archive at `path` to `visit` in stored order, reading the central
// directory alone: nothing is decompressed and libzip is not needed. A directory larger than
// `max_directory_size` bytes is not read. Throws TZip_Error ("<path>: <reason>") when the
// archive has no directory that can be read to its end; `visit` may have seen members before.
void Walk_Zip_Directory(const std::string& path, std::uint64_t max_directory_size,
                        const std::function<void(const TZip_Directory_Entry&)>& visit);
// The largest central directory the program's own walks read: about three million members of
// 40-byte names, far more than any archive of a collection holds.
inline constexpr std::uint64_t Largest_Walked_Directory = std::uint64_t{256} << 20;

// True when `spec` matches `name` ignoring letter case: "*" matches any run of characters and
// "?" exactly one character, neither of them a "/".
bool Spec_Matches(const std::string& spec, const std::string& name);

// True when a member name may be written below a base folder: relative, no "." or ".."
// component, no backslash, colon or zero byte, not empty.
bool Is_Safe_Member_Name(const std::string& name);

// What an extraction wrote, as paths relative to its base folder ("/" separators), and the
// members it could not write, each as "<member or file>: <reason>".
struct TZip_Extraction {
  std::vector<std::string> Extracted;
  std::vector<std::string> Skipped;
  // "Could not extract from <archive>:" followed by one line per skipped member.
  std::string Failure_Text(const std::string& archive) const;
};

// A file to add to an archive: its path on disk and its entry name inside the archive.
struct TZip_Addition {
  std::string Disk_Path;
  std::string Entry_Name;
};

class TZip_Archive {
 public:
  using TProgress_Handler = std::function<void(TZip_Archive& sender, TProgress_Type type,
                                               const std::string& filename, std::uint64_t size)>;

  TZip_Archive() = default;
  ~TZip_Archive();
  TZip_Archive(const TZip_Archive&) = delete;
  TZip_Archive& operator=(const TZip_Archive&) = delete;

  // Setting the file name lists the archive at once; an empty name or a missing file lists as
  // empty. A file that is not a readable ZIP archive lists as empty and throws TZip_Error.
  void Set_Zip_Filename(const std::string& path);
  const std::string& Zip_Filename() const { return Zip_Filename_; }
  // Lists an archive held in memory, as Set_Zip_Filename lists a file: `name` stands for it in
  // messages. Throws TZip_Error when the data is not a readable ZIP archive. Extraction and member
  // reading work as with a file; Add and Rename_Entry need a file.
  void Set_Zip_Data(std::string data, const std::string& name);

  int Count() const { return static_cast<int>(Entries_.size()); }
  const TZip_Entry& Entry(int index) const { return Entries_.at(static_cast<std::size_t>(index)); }
  const std::vector<TZip_Entry>& Entries() const { return Entries_; }

  TProgress_Handler On_Progress;
  // Limits of one extraction: a single member, and all members together.
  std::uint64_t Max_Member_Size = std::uint64_t{512} << 20;
  std::uint64_t Max_Total_Size = std::uint64_t{2} << 30;
  // Free space that an extraction always leaves on the target's file system.
  std::uint64_t Disk_Reserve = std::uint64_t{64} << 20;

  // Indices, in archive order, of the members that match at least one of `specs` and may be
  // written safely: what Extract writes for these specs.
  std::vector<int> Select(const std::vector<std::string>& specs) const;
  // Opens one member for reading. Throws TZip_Error (encrypted, damaged, no archive).
  std::unique_ptr<TZip_Member_Reader> Open_Member(int index) const;
  // Opens one member for reading a part that ends before the member does: a deflated member is
  // inflated straight from its compressed bytes into the caller's buffers, without the CRC check
  // that only a read to the member's end could make. Other members open as with Open_Member.
  std::unique_ptr<TZip_Member_Reader> Open_Member_Prefix(int index) const;

  // Writes every member matching one of `specs`, in archive order, below the folder `base`:
  // with its folders (`with_dirs`) or by its bare name. Throws TZip_Error when there is no
  // archive or `base` is no folder; members that cannot be written are in the result's Skipped.
  TZip_Extraction Extract(const std::vector<std::string>& specs, const std::string& base,
                          bool with_dirs);
  // The files below `base` that a relative spec names ("\" or "/" separators, wildcards in any
  // component; links are not followed), each with its path relative to `base` as entry name.
  static std::vector<TZip_Addition> Files_Matching(const std::string& base,
                                                   const std::string& file_spec);
  // Adds the files, deflated at level 9, replacing members of the same name ignoring case;
  // creates the archive. Throws TZip_Error, also when there is nothing to add.
  void Add(const std::vector<TZip_Addition>& files);
  // Gives the member at `index` a new name inside the archive file; the data stays as stored and
  // the entry list is read again. Throws TZip_Error (also when another member has that name).
  void Rename_Entry(int index, const std::string& new_name);

 private:
  void Close();
  void List();

  std::string Zip_Filename_;
  std::unique_ptr<const std::string> Data_;  // the archive held in memory, if any
  std::vector<TZip_Entry> Entries_;
  zip* Handle_ = nullptr;
};

}  // namespace vorlix
