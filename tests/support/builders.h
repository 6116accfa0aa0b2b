#pragma once
// Builders for test data: temporary folders, real pk3 (ZIP) archives written with libzip, and
// real-looking maps ("IBSP" version 46 with its 17 lump entries and the entity lump placed after
// a block of other data, as map compilers place it).

#include <cstdint>
#include <string>
#include <vector>

#include "database/archive_facts.h"
#include "database/game_index.h"

namespace vorlix::testing {

// A fresh folder below the system's temporary directory, removed with its contents at the end.
class TTemp_Dir {
 public:
  TTemp_Dir();
  ~TTemp_Dir();
  TTemp_Dir(const TTemp_Dir&) = delete;
  TTemp_Dir& operator=(const TTemp_Dir&) = delete;

  const std::string& Path() const { return Path_; }
  // Path of a name below the folder ("a/b" allowed).
  std::string operator/(const std::string& relative) const;

 private:
  std::string Path_;
};

// Writes a file, creating its parent folders.
void Write_File(const std::string& path, const std::string& data);
std::string Read_File(const std::string& path);
// Gives a file a modification time (seconds since the epoch).
void Set_Mtime(const std::string& path, std::int64_t seconds);

// A packed DOS date-time from its parts (local time).
std::int32_t Dos_Date_Time(int year, int month, int day, int hour, int minute, int second);

struct TZip_Member {
  std::string Name;  // as stored, "/" separators; a name ending in "/" is a directory
  std::string Data;
  std::int32_t Dos_Time = Dos_Date_Time(2001, 12, 24, 13, 45, 30);
  bool Stored = false;  // store instead of deflate
};

// Writes a ZIP archive with the members in the given order (replacing any file there).
void Write_Pk3(const std::string& path, const std::vector<TZip_Member>& members);

// Replaces every occurrence of `from` in `data` by `to` (same length), e.g. to patch member
// names in an archive into forms libzip will not write. Returns the number of replacements.
int Replace_Bytes(std::string& data, const std::string& from, const std::string& to);

// A little-endian 32-bit value at a byte offset, as the ZIP and map headers hold them.
std::uint32_t Get_U32(const std::string& data, std::size_t offset);
void Put_U32(std::string& data, std::size_t offset, std::uint32_t value);

// Entity text of a map: a worldspawn with the given title in its "message" key
// ("" gives no message key), followed by a few other entities.
std::string Entity_Text(const std::string& title);

// A map file: header "IBSP", version 46, 17 lump entries; `filler` bytes of other lump data
// (compressible, like real geometry) before the entity lump, whose offset is written at byte 8.
std::string Make_Bsp(const std::string& entity_text, std::size_t filler = 64 * 1024);

// A map file laid out as compilers write it: the header, the shader lump (72-byte entries, each
// name in its 64-byte field), `filler` bytes of other data, the entity lump, then the fog lump
// (names in 72-byte entries too). Lumps without data point at the end of the header.
std::string Make_Bsp_With_Shaders(const std::string& entity_text,
                                  const std::vector<std::string>& shaders,
                                  const std::vector<std::string>& fogs, std::size_t filler = 256);

// The same with a surface lump whose surfaces draw with every shader but the first `undrawn`
// (whose entries compilers keep for brush sides that became no surface, such as caulk's).
std::string Make_Bsp_Drawing(const std::string& entity_text,
                             const std::vector<std::string>& shaders,
                             const std::vector<std::string>& fogs = {}, std::size_t undrawn = 0);

// The facts of `count` archives more0.pk3, more1.pk3, ... of the MOD directory `mod`, holding
// nothing: a search path of any length for a game index.
std::vector<TArchive_Facts> Archives_In(const std::string& mod, std::size_t count);

// A short silent PCM WAV file (8 kHz, 8 bit, mono).
std::string Silent_Wav();

// The game index of every archive (*.pk3 in any letter case) at the top of the directories below
// `game`, with the size and date the database records, base directory baseq3.
TGame_Index Game_Index_Of_Disk(const std::string& game);

}  // namespace vorlix::testing
