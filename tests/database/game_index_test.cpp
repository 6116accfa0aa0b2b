#include "database/game_index.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "../browser/test_database.h"
#include "builders.h"
#include "database/database_startup.h"
#include "scripted_interaction.h"

namespace vorlix::testing {
namespace {

namespace fs = std::filesystem;
using Keys = std::vector<std::pair<std::string, std::string>>;

TEST(Game_Index, Arena_Scripts_Parse_As_The_Engine_Parses_Them) {
  const std::string text =
      "// comment\n{\nmap \"oa_dm1\" longname \"Dark / Place\"\r\n/* skip\n} */ type ffa\n}\n"
      "{ MAP q3dm17 bots \"a b\" }\n{ map unclosed\n";
  const auto blocks = Parse_Arena_Blocks(text, "scripts/x.arena");
  ASSERT_EQ(blocks.size(), 2U);
  EXPECT_EQ(blocks[0].Keys,
            (Keys{{"map", "oa_dm1"}, {"longname", "Dark / Place"}, {"type", "ffa"}}));
  EXPECT_EQ(blocks[1].Value("Map"), "q3dm17");
  EXPECT_EQ(blocks[1].Value("bots"), "a b");
  EXPECT_EQ(blocks[1].Script, "scripts/x.arena");
  EXPECT_TRUE(Parse_Arena_Blocks("junk { map a }", "s").empty());
  // The members the engine lists as scripts, by the names it opens them as.
  EXPECT_EQ(Arena_Script_Path("Scripts\\Dm.ARENA"), "scripts/dm.arena");
  EXPECT_EQ(Arena_Script_Path("scripts/sub/x.arena"), "scripts/sub/x.arena");
  EXPECT_EQ(Arena_Script_Path("SCRIPTS/ARENAS.TXT"), "scripts/arenas.txt");
  for (const char* other : {"textures/x.arena", "maps/x.arena", "scripts.arena",
                            "scripts/a/b/c.arena", "scripts/x.txt", "scr/ipts.arena"}) {
    EXPECT_EQ(Arena_Script_Path(other), "") << other;
  }
}

TEST(Game_Index, The_Name_That_Sorts_Last_After_Upper_Casing_Is_Searched_First) {
  EXPECT_TRUE(Searched_Before("z_oacmp.pk3", "z_Arenas_active_A.pk3"));
  EXPECT_TRUE(Searched_Before("z~vorlix.pk3", "z_oacmp.pk3"));
  EXPECT_TRUE(Searched_Before("pak1.pk3", "PAK0.pk3"));
  EXPECT_TRUE(Searched_Before("a_b.pk3", "a.pk3"));
  EXPECT_FALSE(Searched_Before("a.pk3", "A.PK3"));
}

TArchive_Facts Facts(const std::string& mod, const std::string& file, std::vector<std::string> maps,
                     std::vector<std::string> bots) {
  return {.MOD_Directory = mod,
          .PK3_Filename = file,
          .Maps = std::move(maps),
          .Bot_Files = std::move(bots)};
}

TEST(Game_Index, Bot_Files_And_Maps_Come_From_The_First_Archive_Of_MOD_Then_Base) {
  TGame_Index index;
  std::vector<TArchive_Facts> archives = {
      Facts("baseoa", "pak1-maps.pk3", {"OA_DM1", "OA_DM2"}, {"OA_DM2"}),
      Facts("baseoa", "pak6-misc.pk3", {}, {"OA_DM1"}),
      Facts("cpma", "override.pk3", {"OA_DM2"}, {}),
      Facts("osp", "bots.pk3", {}, {"OA_DM3"}),
  };
  archives[0].Arena_Scripts = {"scripts/arenas.txt"};
  archives[0].Arenas = Parse_Arena_Blocks("{ map oa_dm1 type ffa }", "scripts/arenas.txt");
  archives[2].Arena_Scripts = {"scripts/ARENAS.TXT"};
  archives[2].Arenas = Parse_Arena_Blocks("{ map oa_dm2 type ctf }", "scripts/ARENAS.TXT");
  index.Set_Archives(archives);
  const std::vector<std::string> bases = {"baseq3", "baseoa"};

  ASSERT_NE(index.Bot_File("oa_dm1.bsp", "baseoa", bases), nullptr);
  EXPECT_EQ(index.Bot_File("oa_dm1.bsp", "baseoa", bases)->PK3_Filename, "pak6-misc.pk3");
  EXPECT_EQ(index.Bot_File("OA_DM1", "CPMA", bases)->PK3_Filename, "pak6-misc.pk3");
  EXPECT_EQ(index.Bot_File("oa_dm3.bsp", "cpma", bases), nullptr);  // another MOD's archive
  EXPECT_EQ(index.Loaded_From("oa_dm2.bsp", "cpma", bases)->PK3_Filename, "override.pk3");
  EXPECT_EQ(index.Loaded_From("oa_dm2.bsp", "baseoa", bases)->PK3_Filename, "pak1-maps.pk3");
  EXPECT_EQ(index.Loaded_From("oa_dm9.bsp", "baseoa", bases), nullptr);

  // The MOD's arenas.txt hides the base directory's: oa_dm1 is not named there any more.
  EXPECT_FALSE(index.Arena_Of("oa_dm1.bsp", "cpma", bases).has_value());
  const auto own = index.Arena_Of("oa_dm1.bsp", "baseoa", bases);
  ASSERT_TRUE(own.has_value());
  EXPECT_EQ(own->first->PK3_Filename, "pak1-maps.pk3");
  EXPECT_EQ(own->second.Value("type"), "ffa");
  EXPECT_EQ(index.Arena_Of("oa_dm2.bsp", "cpma", bases)->second.Value("type"), "ctf");
}

TEST(Game_Index, Facts_Come_From_The_Archive_And_Are_Read_Again_Only_When_Changed) {
  TTemp_Dir dir;
  Write_Pk3(dir / "game/baseoa/pack.pk3",
            {{"maps/Dm1.bsp", "IBSP"},
             {"maps/dm1.aas", "EAAS"},
             {"maps/sub/x.bsp", "IBSP"},
             {"scripts/pack.arena", "{ map dm1 longname \"One\" type \"ffa tourney\" }"},
             {"scripts/notes.txt", "{ map no }"}});
  const TArchive_Facts read = Read_Archive_Facts(dir / "game/baseoa/pack.pk3");
  EXPECT_TRUE(read.Readable);
  EXPECT_EQ(read.Maps, std::vector<std::string>{"DM1"});
  EXPECT_EQ(read.Bot_Files, std::vector<std::string>{"DM1"});
  EXPECT_EQ(read.Arena_Scripts, std::vector<std::string>{"scripts/pack.arena"});
  ASSERT_EQ(read.Arenas.size(), 1U);
  EXPECT_EQ(read.Arenas[0].Value("longname"), "One");
  Write_File(dir / "game/baseoa/broken.pk3", "not a zip");
  EXPECT_FALSE(Read_Archive_Facts(dir / "game/baseoa/broken.pk3").Readable);

  // Refresh reads only what it does not know with this size and date.
  TTest_Database db;
  TPK3_Record* pk3 = db.Add_PK3("baseoa", "pack.pk3");
  pk3->PK3_Filesize = 10;
  db.Add_PK3("baseoa", "gone.pk3", false);
  static int reads = 0;
  const TGame_Index::TReader counting = [](const std::string&) {
    ++reads;
    return TArchive_Facts{.Maps = {"DM1"}};
  };
  TGame_Index index;
  EXPECT_EQ(index.Refresh(db.Database, counting), 1);
  EXPECT_EQ(index.Refresh(db.Database, counting), 0);
  pk3->PK3_Filedate = 7;
  EXPECT_EQ(index.Refresh(db.Database, counting), 1);
  EXPECT_EQ(reads, 2);
  ASSERT_EQ(index.Archives().size(), 1U);
}

// Every start-up: the synchronisation reports what it scanned, the index file keeps the rest, and
// an index file that is missing, cut short or of another version costs one listing of each
// archive it lacks, never a scan of its maps.
TEST(Game_Index, The_Start_Up_Keeps_The_Index_From_Its_Scans_And_Rebuilds_A_Spoilt_File) {
  TTemp_Dir dir;
  const TDatabase_Paths paths{dir / "prog", dir / "prog/TEMP", dir / "prog/LEVELSHOTS",
                              dir / "prog/BOTINFO", dir / "game"};
  const std::string a = dir / "game/baseoa/a.pk3";
  const std::string b = dir / "game/baseoa/b.pk3";
  Write_Pk3(a, {{"maps/a.bsp", Make_Bsp(Entity_Text("A"), 100)},
                {"maps/b.aas", "EAAS"},
                {"scripts/a.arena", "{ map a type ctf }"}});
  Write_Pk3(b, {{"maps/b.bsp", Make_Bsp(Entity_Text("B"), 100)}});
  fs::create_directories(dir / "prog");
  const std::string file = dir / "prog/gameindex.dat";
  static int reads = 0;
  const TGame_Index::TReader counting = [](const std::string& path) {
    ++reads;
    return Read_Archive_Facts(path);
  };
  // One start: the archives the synchronisation scanned go to the index file as they come; what
  // it leaves holds every present archive with its size and date (nothing left to read).
  const auto start = [&](std::size_t scans, int lists) {
    TScripted_Interaction ui;
    TGame_Index index;
    {
      TGame_Index_Writer writer(dir / "prog");
      auto db = Load_PK3_Database(paths, &ui, nullptr, [&writer](const TArchive_Facts& facts) {
                  writer.Add(facts);
                }).Database;
      EXPECT_EQ(writer.Added(), scans);
      reads = 0;
      EXPECT_TRUE(writer.Write(*db, counting));
      EXPECT_EQ(reads, lists);
      EXPECT_TRUE(Save_PK3_Database(*db));
      reads = 0;
      index = Game_Index_Of(*db, {}, counting);
      EXPECT_EQ(reads, 0);
    }
    EXPECT_FALSE(fs::exists(file + ".scan"));
    TGame_Index loaded;
    EXPECT_TRUE(loaded.Load(file));
    EXPECT_EQ(loaded.Archives(), index.Archives());
    return index;
  };
  const TGame_Index first = start(2, 0);
  ASSERT_EQ(first.Archives().size(), 2U);
  for (const auto& facts : first.Archives()) {
    TArchive_Facts read = Read_Archive_Facts(dir / ("game/baseoa/" + facts.PK3_Filename));
    read.MOD_Directory = facts.MOD_Directory;
    read.PK3_Filename = facts.PK3_Filename;
    read.Size = facts.Size;
    read.Date = facts.Date;
    EXPECT_EQ(facts, read);
  }
  EXPECT_EQ(first.Bot_File("b.bsp", "baseoa", Base_Directories())->PK3_Filename, "a.pk3");
  EXPECT_EQ(first.Arena_Of("a.bsp", "baseoa", Base_Directories())->second.Value("type"), "ctf");

  const std::string data = Read_File(file);
  // Current: what the start-up asks before it touches the file when it scanned nothing (a file
  // cut short behind its header is rebuilt when the index is first wanted).
  struct Case {
    const char* What;
    std::function<void()> Spoil;
    bool Current;
    std::size_t Scans;
    int Lists;
  };
  const std::vector<Case> cases = {
      {"as it is", [] {}, true, 0, 0},
      {"missing", [&] { fs::remove(file); }, false, 0, 2},
      {"cut short", [&] { Write_File(file, data.substr(0, data.size() / 2)); }, true, 0, 2},
      {"header cut short", [&] { Write_File(file, data.substr(0, 6)); }, false, 0, 2},
      {"bytes after its end", [&] { Write_File(file, data + "x"); }, true, 0, 2},
      {"version 2, without the engine's checksums",
       [&] { Write_File(file, data.substr(0, 4) + "\x02" + data.substr(5)); }, false, 0, 2},
      {"an archive changed under it",
       [&] {
         Write_Pk3(b, {{"maps/c.bsp", Make_Bsp(Entity_Text("C"), 100)}});
         Set_Mtime(b, 1000000000);
       },
       true, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    Write_File(file, data);
    c.Spoil();
    EXPECT_EQ(Game_Index_File_Is_Current(dir / "prog"), c.Current);
    const TGame_Index index = start(c.Scans, c.Lists);
    const TArchive_Facts* loaded = index.Loaded_From("c.bsp", "baseoa", Base_Directories());
    EXPECT_EQ(loaded != nullptr, c.Scans == 1);
  }
}

TEST(Game_Index, No_Flipped_Bit_Passes_For_Facts) {
  TTemp_Dir dir;
  const std::string file = dir / "gameindex.dat";
  TArchive_Facts facts = Facts("baseq3", "a.pk3", {"Q3DM1"}, {"Q3DM1"});
  facts.Arena_Scripts = {"scripts/a.arena"};
  facts.Arenas = Parse_Arena_Blocks("{ map q3dm1 bots sarge }", "scripts/a.arena");
  TGame_Index index;
  index.Set_Archives({facts, Facts("baseq3", "b.pk3", {"Q3DM2"}, {})});
  ASSERT_TRUE(index.Save(file));
  const std::string data = Read_File(file);
  TGame_Index loaded;
  ASSERT_TRUE(loaded.Load(file));
  EXPECT_EQ(loaded.Archives(), index.Archives());
  // The archives alone: names, size, date and checksum, nothing of their maps; never saved, as
  // it would lose what it left out.
  TGame_Index names;
  ASSERT_TRUE(names.Load_Archives(file));
  ASSERT_EQ(names.Archives().size(), 2U);
  TArchive_Facts expected_names = index.Archives()[0];
  expected_names.Maps.clear();
  expected_names.Bot_Files.clear();
  expected_names.Arena_Scripts.clear();
  expected_names.Arenas.clear();
  EXPECT_EQ(names.Archives()[0], expected_names);
  EXPECT_EQ(names.Archives()[1].PK3_Filename, "b.pk3");
  EXPECT_FALSE(names.Save(dir / "other.dat"));
  EXPECT_FALSE(fs::exists(dir / "other.dat"));
  int passed = 0;
  for (std::size_t bit = 0; bit < data.size() * 8; ++bit) {
    std::string spoilt = data;
    spoilt[bit / 8] = static_cast<char>(spoilt[bit / 8] ^ (1 << (bit % 8)));
    Write_File(file, spoilt);
    passed += loaded.Load(file) ? 1 : 0;
    EXPECT_TRUE(loaded.Archives().empty());
    passed += names.Load_Archives(file) ? 1 : 0;
    EXPECT_TRUE(names.Archives().empty());
  }
  EXPECT_EQ(passed, 0);
}

TEST(Game_Index, The_Base_Directory_Is_The_One_Of_The_Engine_In_Use) {
  TTemp_Dir dir;
  fs::create_directories(dir / "both/baseq3");
  fs::create_directories(dir / "both/BaseOA");
  fs::create_directories(dir / "oa/baseoa");
  EXPECT_EQ(Engine_Base_Directory(dir / "both", ""), "baseq3");
  EXPECT_EQ(Engine_Base_Directory(dir / "both", "/usr/games/OpenArena"), "baseoa");
  EXPECT_EQ(Engine_Base_Directory(dir / "oa", dir / "oa/QUAKE3.EXE"), "baseoa");

  TGame_Index index;
  index.Set_Archives({Facts("baseoa", "o.pk3", {"OA_DM1"}, {"OA_DM1"}),
                      Facts("baseq3", "pak0.pk3", {"Q3DM1"}, {})});
  index.Set_Base_Directory("baseq3");
  EXPECT_EQ(index.Bot_File("oa_dm1.bsp", "cpma", Base_Directories()), nullptr);
  EXPECT_EQ(index.Loaded_From("q3dm1.bsp", "cpma", Base_Directories())->PK3_Filename, "pak0.pk3");
  index.Set_Base_Directory("baseoa");
  EXPECT_EQ(index.Bot_File("oa_dm1.bsp", "cpma", Base_Directories())->PK3_Filename, "o.pk3");
  EXPECT_EQ(index.Loaded_From("q3dm1.bsp", "cpma", Base_Directories()), nullptr);
}

}  // namespace
}  // namespace vorlix::testing
