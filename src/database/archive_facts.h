#pragma once
// What the game itself reads from an archive: its map, bot-file and arena-script members, the
// arena blocks of its scripts, as the engine parses them, and the checksum the engine names the
// archive by. The synchronisation gathers these facts
// for every archive it scans, from the listing it makes anyway; the game index keeps them.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vorlix {

class TZip_Archive;

// One block of an arena script: its keys (lower case) and values in file order.
struct TArena_Info {
  std::string Script;  // the member it comes from (scripts/x.arena)
  std::vector<std::pair<std::string, std::string>> Keys;
  // The value of a key ("" when the block has none).
  std::string Value(const std::string& key) const;
  bool operator==(const TArena_Info&) const = default;
};

// The blocks of an arena script as the engine parses them: "{" key value ... "}", tokens
// separated by blanks and line breaks, quoted values, // and /* */ comments. A block that is not
// closed ends the parse.
std::vector<TArena_Info> Parse_Arena_Blocks(const std::string& text, const std::string& script);

// The path under which the game reads an archive member as an arena script, in the form the
// engine compares paths (lower case, "/" for "\\"): "scripts/arenas.txt", or "scripts/" + the
// name the engine lists for a .arena member (every member whose name begins with "scripts", ends
// in ".arena" and holds one or two separators, the last one after "scripts": "scripts/x.arena",
// "Scripts\\x.arena", "scripts//x.arena", "scripts/sub/x.arena"). "" for any other member.
std::string Arena_Script_Path(const std::string& member);

struct TArchive_Facts {
  std::string MOD_Directory;  // lower case, as the database stores it
  std::string PK3_Filename;   // as on disk
  std::uint32_t Size = 0;
  std::int32_t Date = 0;                   // packed DOS date-time of the file
  std::vector<std::string> Maps;           // maps/*.bsp, upper-cased stems (Q3DM17)
  std::vector<std::string> Bot_Files;      // maps/*.aas, upper-cased stems
  std::vector<std::string> Arena_Scripts;  // members Arena_Script_Path takes, as stored
  std::vector<TArena_Info> Arenas;
  bool Readable = true;       // false: the archive could not be listed (tried again next time)
  std::int32_t Checksum = 0;  // Engine_Archive_Checksum of its members
  // What its maps ask for and its shader scripts define, as the scan read them (Content_Record
  // of database/content_index.h; empty when not read): for the content index, not kept here.
  std::string Content_Record;
  bool operator==(const TArchive_Facts&) const = default;
};

// The checksum by which the engine names an archive (a pure server's sv_paks, printed as a signed
// number): the CRC-32s of its members with data (uncompressed size above zero), in directory
// order, each as four little-endian bytes, through MD4; the digest's four little-endian 32-bit
// words XOR-ed. Read from the central directory, nothing decompressed.
std::int32_t Engine_Archive_Checksum(const std::vector<std::uint32_t>& member_crcs);

// The member facts of an archive already listed into `zip`: its member names, its checksum and
// the arena scripts read from it (a script that cannot be read counts as present and empty, as
// the game finds it). The names and the file's size and date are left to the caller.
void Collect_Archive_Facts(const TZip_Archive& zip, TArchive_Facts& facts);

// The facts of one archive file, read from its central directory and its script members;
// Readable false when it cannot be listed.
TArchive_Facts Read_Archive_Facts(const std::string& path);

}  // namespace vorlix
