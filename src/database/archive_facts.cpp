// The facts of an archive that the game reads: member names and arena blocks.

#include "database/archive_facts.h"

#include <algorithm>
#include <optional>

#include "core/letter_case.h"
#include "database/md4.h"
#include "database/scan.h"
#include "database/zip_archive.h"

namespace vorlix {

namespace {

// Arena scripts larger than this are not read (the game reads at most 8 KiB of one).
constexpr std::uint64_t Max_Script_Size = std::uint64_t{64} << 10;

// The upper-cased stem of a member "maps/NAME.ext" directly in maps/, or "".
std::string Maps_Stem(const std::string& member, const std::string& extension) {
  if (!platform::Starts_With_Ignore_Case(member, "maps/") ||
      !platform::Ends_With_Ignore_Case(member, extension)) {
    return {};
  }
  const std::string stem = member.substr(5, member.size() - 5 - extension.size());
  if (stem.empty() || stem.find('/') != std::string::npos) {
    return {};
  }
  return platform::Upper(stem);
}

bool Is_Arena_Script(const std::string& member) {
  return !Arena_Script_Path(member).empty();
}

// ---- The engine's tokens -------------------------------------------------------------------

class TTokens {
 public:
  explicit TTokens(const std::string& text) : Text_(text) {}

  // The next token; nullopt at the end of the text.
  std::optional<std::string> Next() {
    Skip_Blanks_And_Comments();
    if (Position_ >= Text_.size()) {
      return std::nullopt;
    }
    std::string token;
    if (Text_[Position_] == '"') {
      ++Position_;
      while (Position_ < Text_.size() && Text_[Position_] != '"') {
        token += Text_[Position_++];
      }
      if (Position_ < Text_.size()) {
        ++Position_;
      }
      return token;
    }
    while (Position_ < Text_.size() && static_cast<unsigned char>(Text_[Position_]) > ' ') {
      token += Text_[Position_++];
    }
    return token;
  }

 private:
  void Skip_Blanks_And_Comments() {
    for (;;) {
      while (Position_ < Text_.size() && static_cast<unsigned char>(Text_[Position_]) <= ' ') {
        ++Position_;
      }
      if (Text_.compare(Position_, 2, "//") == 0) {
        const auto end = Text_.find('\n', Position_);
        Position_ = end == std::string::npos ? Text_.size() : end;
      } else if (Text_.compare(Position_, 2, "/*") == 0) {
        const auto end = Text_.find("*/", Position_ + 2);
        Position_ = end == std::string::npos ? Text_.size() : end + 2;
      } else {
        return;
      }
    }
  }

  const std::string& Text_;
  std::size_t Position_ = 0;
};

}  // namespace

std::string Arena_Script_Path(const std::string& member) {
  // The engine compares paths ignoring letter case and takes "\\" for "/".
  std::string path = platform::Lower(member);
  std::replace(path.begin(), path.end(), '\\', '/');
  if (path == "scripts/arenas.txt") {
    return path;
  }
  // It lists as .arena scripts the members whose names begin with "scripts" (any case), end in
  // ".arena", hold at most two separators and the last of them after those seven letters; the
  // name it lists is what follows the eighth character, read as "scripts/" + that name.
  constexpr std::size_t folder = 7;
  const std::size_t separators =
      static_cast<std::size_t>(std::count(path.begin(), path.end(), '/'));
  const std::size_t last = path.rfind('/');
  if (path.compare(0, folder, "scripts") != 0 || separators == 0 || separators > 2 ||
      last < folder || !platform::Ends_With_Ignore_Case(path, ".arena")) {
    return {};
  }
  return "scripts/" + path.substr(folder + 1);
}

std::string TArena_Info::Value(const std::string& key) const {
  for (const auto& [name, value] : Keys) {
    if (platform::Equal_Ignore_Case(name, key)) {
      return value;
    }
  }
  return {};
}

std::vector<TArena_Info> Parse_Arena_Blocks(const std::string& text, const std::string& script) {
  std::vector<TArena_Info> blocks;
  TTokens tokens(text);
  while (const auto opening = tokens.Next()) {
    if (*opening != "{") {
      break;  // the engine stops at anything else
    }
    TArena_Info info;
    info.Script = script;
    bool closed = false;
    while (const auto key = tokens.Next()) {
      if (*key == "}") {
        closed = true;
        break;
      }
      const auto value = tokens.Next();
      if (!value || *value == "}") {
        break;  // a key without value ends the script
      }
      info.Keys.emplace_back(platform::Lower(*key), *value);
    }
    if (!closed) {
      break;
    }
    blocks.push_back(std::move(info));
  }
  return blocks;
}

std::int32_t Engine_Archive_Checksum(const std::vector<std::uint32_t>& member_crcs) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(member_crcs.size() * 4);
  for (const std::uint32_t crc : member_crcs) {
    for (int shift = 0; shift < 32; shift += 8) {
      bytes.push_back(static_cast<std::uint8_t>(crc >> shift));
    }
  }
  const TMD4_Digest digest = MD4_Digest(bytes.data(), bytes.size());
  std::uint32_t folded = 0;
  for (std::size_t i = 0; i < digest.size(); ++i) {
    folded ^= static_cast<std::uint32_t>(digest[i]) << (8 * (i % 4));
  }
  return static_cast<std::int32_t>(folded);
}

void Collect_Archive_Facts(const TZip_Archive& zip, TArchive_Facts& facts) {
  std::vector<std::uint32_t> crcs;
  crcs.reserve(static_cast<std::size_t>(zip.Count()));
  for (const TZip_Entry& entry : zip.Entries()) {
    if (entry.Size64 > 0) {
      crcs.push_back(entry.CRC32);
    }
  }
  facts.Checksum = Engine_Archive_Checksum(crcs);
  for (int i = 0; i < zip.Count(); ++i) {
    const TZip_Entry& entry = zip.Entry(i);
    if (std::string stem = Maps_Stem(entry.Name, ".bsp"); !stem.empty()) {
      facts.Maps.push_back(std::move(stem));
    } else if (std::string aas = Maps_Stem(entry.Name, ".aas"); !aas.empty()) {
      facts.Bot_Files.push_back(std::move(aas));
    } else if (Is_Arena_Script(entry.Name)) {
      facts.Arena_Scripts.push_back(entry.Name);
      if (entry.Size64 > Max_Script_Size || entry.Encrypted) {
        continue;
      }
      try {
        const auto reader = zip.Open_Member(i);
        std::string text(static_cast<std::size_t>(entry.Size64), '\0');
        text.resize(reader->Read(text.data(), text.size()));
        for (auto& info : Parse_Arena_Blocks(text, entry.Name)) {
          facts.Arenas.push_back(std::move(info));
        }
      } catch (const TZip_Error&) {
        // a damaged script counts as present and empty, as the game finds it
      }
    }
  }
}

TArchive_Facts Read_Archive_Facts(const std::string& path) {
  TArchive_Facts facts;
  try {
    TZip_Archive zip;
    Open_Archive_Listing(zip, path);
    Collect_Archive_Facts(zip, facts);
  } catch (const TZip_Error&) {
    facts.Readable = false;
  }
  return facts;
}

}  // namespace vorlix
