// The blocks read from the index file an archive at a time are those of the index held whole.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "builders.h"
#include "database/game_index.h"

namespace vorlix::testing {
namespace {

namespace fs = std::filesystem;
// MOD directory asked for, archive, script, map named.
using TSeen = std::vector<std::tuple<std::string, std::string, std::string, std::string>>;

TSeen From_Memory(const TGame_Index& index, const std::vector<std::string>& mods,
                  const std::vector<std::string>& bases) {
  TSeen seen;
  for (const std::string& mod : mods) {
    for (const auto& [archive, info] : index.Arenas_Read(mod, bases)) {
      seen.emplace_back(mod, archive->PK3_Filename, info->Script, info->Value("map"));
    }
  }
  return seen;
}

std::optional<TSeen> From_File(const std::string& path, const std::string& base,
                               const std::vector<std::string>& mods,
                               const std::vector<std::string>& bases) {
  TSeen seen;
  const bool read = TGame_Index::Walk_Arenas_Read_In_File(
      path, base, mods, bases,
      [&seen](const std::string& mod, const TArchive_Facts& archive, const TArena_Info& info) {
        seen.emplace_back(mod, archive.PK3_Filename, info.Script, info.Value("map"));
      });
  return read ? std::optional<TSeen>(seen) : std::nullopt;
}

TEST(Game_Index_Walk, Blocks_From_The_File_Equal_Those_Of_The_Whole_Index) {
  const TTemp_Dir dir;
  const std::string path = dir / "gameindex.dat";
  const std::vector<std::string> directories = {"baseq3", "BASEQ3", "baseoa", "cpma", "osp"};
  const std::vector<std::string> scripts = {"scripts/arenas.txt", "scripts/a.arena",
                                            "Scripts/A.ARENA", "scripts/x/y.arena", "maps/b.arena"};
  const std::vector<std::string> bases = {"baseq3", "baseoa"};
  std::mt19937 random(20261208);
  const auto pick = [&random](std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
  };
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    std::vector<TArchive_Facts> archives(pick(14));
    for (std::size_t a = 0; a < archives.size(); ++a) {
      TArchive_Facts& facts = archives[a];
      facts.MOD_Directory = directories[pick(directories.size())];
      facts.PK3_Filename = std::string(1, "aAzZ_~"[pick(6)]) + std::to_string(a) + ".pk3";
      facts.Maps = {"M" + std::to_string(pick(5))};
      if (round % 7 == 3 && a == 0) {
        // A record too long for one read of the file.
        facts.Maps.resize(70000, std::string(20, 'L'));
      }
      for (std::size_t s = pick(4); s > 0; --s) {
        const std::string& script = scripts[pick(scripts.size())];
        facts.Arena_Scripts.push_back(script);
        const auto blocks = Parse_Arena_Blocks("{ map m" + std::to_string(pick(5)) + " }\n{ map m" +
                                                   std::to_string(pick(5)) + " type ctf }",
                                               script);
        facts.Arenas.insert(facts.Arenas.end(), blocks.begin(), blocks.end());
      }
    }
    TGame_Index index;
    index.Set_Archives(archives);
    const std::string base = round % 3 == 0 ? "" : bases[pick(2)];
    index.Set_Base_Directory(base);
    ASSERT_TRUE(index.Save(path));
    const std::vector<std::string> mods = {"cpma", "baseq3", "OSP", "missing"};
    const auto read = From_File(path, base, mods, bases);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read, From_Memory(index, mods, bases));
  }
}

TEST(Game_Index_Walk, A_Missing_Damaged_Or_Foreign_File_Is_Refused) {
  const TTemp_Dir dir;
  const std::string path = dir / "gameindex.dat";
  EXPECT_FALSE(From_File(path, "", {"baseq3"}, {"baseq3"}).has_value());
  TGame_Index index;
  TArchive_Facts facts;
  facts.MOD_Directory = "baseq3";
  facts.PK3_Filename = "pak0.pk3";
  facts.Arena_Scripts = {"scripts/arenas.txt"};
  facts.Arenas = Parse_Arena_Blocks("{ map q3dm1 } { map q3dm2 }", "scripts/arenas.txt");
  index.Set_Archives({facts, facts});
  ASSERT_TRUE(index.Save(path));
  const std::string whole = Read_File(path);
  ASSERT_EQ(From_File(path, "", {"baseq3"}, {})->size(), 2U);
  // A flipped bit in any record, a cut, bytes after the last record, another version or a
  // folder in the file's place.
  for (const std::size_t at : {std::size_t{20}, whole.size() / 2, whole.size() - 3}) {
    std::string flipped = whole;
    flipped[at] = static_cast<char>(flipped[at] ^ 0x10);
    Write_File(path, flipped);
    EXPECT_FALSE(From_File(path, "", {"baseq3"}, {}).has_value()) << at;
  }
  std::string other = whole;
  other[4] = 9;
  for (const std::string& bytes :
       {whole.substr(0, whole.size() - 1), whole + "x", other, std::string("VXGI")}) {
    Write_File(path, bytes);
    EXPECT_FALSE(From_File(path, "", {"baseq3"}, {}).has_value());
  }
  fs::remove(path);
  fs::create_directory(path);
  EXPECT_FALSE(From_File(path, "", {"baseq3"}, {}).has_value());
}

}  // namespace
}  // namespace vorlix::testing
