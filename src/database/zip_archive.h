#pragma once
// The ZIP archive facade on libzip: lists an archive's members in stored order, extracts members
// selected by file specs, and adds files to an archive.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vorlix {

// Progress events of an extraction; the numbers are part of the contract with the map scan.
enum ProgrType : int { File_Started = 0, File_Progress = 1, Batch_Finished = 2 };

struct Zip_Entry {
  std::string FileName;            // as stored: "/" separators, stored letter case
  std::uint32_t UncompressedSize = 0;
  std::int32_t DOS_Date_Time = 0;  // the member's own packed DOS date-time
};

class Zip_Archive {
 public:
  using Progress_Handler = std::function<void(Zip_Archive& sender, ProgrType type,
                                              const std::string& filename, std::uint64_t size)>;

  Zip_Archive() = default;
  ~Zip_Archive() = default;
  Zip_Archive(const Zip_Archive&) = delete;
  Zip_Archive& operator=(const Zip_Archive&) = delete;

  // Setting the file name lists the archive at once; a missing file lists as empty.
  void Set_ZipFilename(const std::string& path);
  const std::string& ZipFilename() const { return ZipFilename_; }

  int Count() const { return static_cast<int>(Entries_.size()); }
  const Zip_Entry& Entry(int index) const { return Entries_.at(static_cast<std::size_t>(index)); }
  const std::vector<Zip_Entry>& Entries() const { return Entries_; }

  // Specs selecting the members of the next extraction, or naming the files of the next addition.
  std::vector<std::string> FSpecArgs;
  std::string ExtrBaseDir;
  bool ExtrDirNames = false;
  bool AddDirNames = true;
  Progress_Handler OnProgress;

  // Writes every member matching a spec (see the implementation for the rules); empties FSpecArgs.
  void Extract();
  // Adds the named files, deflated at level 9; empties FSpecArgs.
  void Add();

 private:
  std::string ZipFilename_;
  std::vector<Zip_Entry> Entries_;
};

}  // namespace vorlix
