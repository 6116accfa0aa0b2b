// Finding maps: the matching rules, the maps of the views with their group paths, the random pick.

#include "browser/map_search.h"

#include <ctime>
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "browser/unsorted_list.h"
#include "builders.h"
#include "database/game_index.h"
#include "test_database.h"

namespace vorlix::testing {
namespace {

std::int32_t Dos(int year, int month, int day, int hour = 12) {
  return Dos_Date_Time(year, month, day, hour, 0, 0);
}

class Map_Search_Test : public ::testing::Test {
 protected:
  Map_Search_Test() {
    TPK3_Record* pak0 = Db_.Add_PK3("baseq3", "pak0.pk3");
    pak0->PK3_Filedate = Dos(2026, 12, 1);
    TPK3_Record* pack = Db_.Add_PK3("mymod", "CtfPack.pk3");
    pack->PK3_Filedate = Dos(2020, 1, 1);
    TPK3_Record* gate = Db_.Add_PK3("baseq3", "zz_gate.pk3");
    gate->PK3_Filedate = Dos(2026, 11, 1);

    // Titles are Latin-1 bytes: "Ärëna Gate", "Straße der Æsir".
    Arena_ = TTest_Database::Add_Map(pak0, "Q3DM1.BSP", "\xC4r\xEBna Gate");
    Arena_->Comment = "great *duel* (2v2) c:\\maps";
    Arena_->Game_Types = GT_Free_For_All | GT_Tournament;
    Arena_->Min_Recomm_Players = 2;
    Arena_->Max_Recomm_Players = 4;
    Arena_->Rating = 7;
    Arena_->Has_AAS = true;
    Arena_->Useable_MODs = {"baseq3", "CPMA"};

    Street_ = TTest_Database::Add_Map(pack, "CTF4.BSP",
                                      "Stra\xDF"
                                      "e der \xC6sir");
    Street_->Game_Types = GT_Capture_The_Flag | GT_Team_Deathmatch;
    Street_->Min_Recomm_Players = 8;
    Street_->Max_Recomm_Players = 16;
    Street_->Rating = 3;
    Street_->Useable_MODs = {"mymod"};

    Plain_ = TTest_Database::Add_Map(gate, "GATE2.BSP", "Plain");
    Plain_->Comment = "Gate?";
    Plain_->Game_Types = GT_Single_Player;
    Plain_->Min_Recomm_Players = 1;
    Plain_->Max_Recomm_Players = 1;
  }

  TTest_Database Db_;
  TMap_Record* Arena_;
  TMap_Record* Street_;
  TMap_Record* Plain_;
};

TEST(Map_Search_Text, Folds_Latin1_Letters_To_Their_Base_And_Reads_Utf8) {
  EXPECT_EQ(
      Fold_Search_Text("AZaz09\xC0\xC1\xC2\xC3\xC4\xC5\xC6\xC7\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF"
                       "\xD0\xD1\xD2\xD3\xD4\xD5\xD6\xD7\xD8\xD9\xDA\xDB\xDC\xDD\xDE\xDF"),
      "azaz09aaaaaaaeceeeeiiiidnooooo\xC3\x97ouuuuythss");
  EXPECT_EQ(Fold_Search_Text("\xE0\xE6\xE7\xF1\xF7\xF8\xFE\xFF*?(\\"), "aaecn\xC3\xB7othy*?(\\");
  // Valid UTF-8 is folded as its characters, the same way; anything else stays Latin-1 bytes.
  EXPECT_EQ(Fold_Search_Text("Caf\xC3\xA9 \xC3\x86\xC3\x97 \xC5\x81\xC3\xB3"
                             "d\xC5\xBA \xC5\x90"),
            "cafe ae\xC3\x97 \xC5\x82odz o");
  EXPECT_EQ(Fold_Search_Text("Caf\xC3\xA9 \xE9"), "cafa\xC2\xA9 e");
  // The first character of three bytes and the last plane's characters are UTF-8 too.
  EXPECT_EQ(Fold_Search_Text("\xC3\x89 \xE0\xA0\x80 \xF4\x8F\xBF\xBF"),
            "e \xE0\xA0\x80 \xF4\x8F\xBF\xBF");
  // Overlong forms and surrogates are no UTF-8.
  EXPECT_EQ(Fold_Search_Text("\xC1\x81"), "a\xC2\x81");
  EXPECT_EQ(Fold_Search_Text("\xED\xA0\x80"), "i\xC2\xA0\xC2\x80");
  // Typed text: UTF-8, a byte that starts no sequence taken as Latin-1.
  EXPECT_EQ(Fold_Query_Text("a\xC3\xA9\xC5\x81\xE2\x82\xAC\xE9z"),
            "ae\xC5\x82\xE2\x82\xAC"
            "ez");
}

// Titles stored as UTF-8 are found by the words they show; a character that no title holds
// finds nothing, whatever bytes the titles hold.
TEST_F(Map_Search_Test, Utf8TitlesMatchTheirCharactersAndNothingElse) {
  TPK3_Record* pack = Db_.Add_PK3("baseq3", "utf.pk3");
  TMap_Record* utf8 = TTest_Database::Add_Map(pack, "U1.BSP",
                                              "Caf\xC3\xA9 \xC3\x9Cn\xC3\xAF"
                                              "code \xC5\x81\xC3\xB3"
                                              "d\xC5\xBA");
  TMap_Record* latin1 = TTest_Database::Add_Map(pack, "L1.BSP", "Caf\xE9 \x01 \xD7");
  TMap_Search_Index index;
  index.Add(utf8);
  index.Add(latin1);
  const std::vector<std::pair<const char*, std::string>> rows = {
      {"caf\xC3\xA9", "UL"},  // café
      {"\xC3\xBCn\xC3\xAF"
       "code",
       "U"},  // ünïcode
      {"\xC5\x81\xC3\x93"
       "D\xC5\xB9",
       "U"},                 // ŁÓDŹ
      {"lodz", ""},          // Ł is a letter of its own
      {"\xE2\x82\xAC", ""},  // €: in no title
      {"\xC3\x97", "L"},     // ×
      {"\x01", "L"},
  };
  std::vector<char> flags;
  for (const auto& [text, expected] : rows) {
    const TMap_Query query = Parse_Query(text);
    index.Match(query, flags);
    std::string found;
    for (int slot = 0; slot < 2; ++slot) {
      if (flags[static_cast<std::size_t>(slot)] != 0) {
        found += "UL"[slot];
      }
      EXPECT_EQ(Map_Matches(*index.Map(slot), query), flags[static_cast<std::size_t>(slot)] != 0)
          << text;
    }
    EXPECT_EQ(found, expected) << "query \"" << text << "\"";
  }
}

TEST_F(Map_Search_Test, Matches_Every_Word_In_One_Field_And_Every_Filter) {
  const std::int64_t now = Wall_Clock_Seconds(Dos(2026, 12, 7, 13));
  const auto type = [](const char* word) {
    return TMap_Filters{.Game_Type = *Game_Type_Bit_From_Word(word)};
  };
  const auto added = [now](int days) {
    return TMap_Filters{.Added_Within_Days = days, .Now = now};
  };
  TMap_Filters single_rated = type("single");
  single_rated.Min_Rating = 0;
  // Arena launched three times, last two days ago; the street once, 40 days ago, a favourite;
  // the plain map queued.
  const std::int64_t clock = 2000000000;
  auto history = std::make_shared<TPlay_History>();
  for (const std::int64_t days_ago : {9, 2, 5}) {
    history->Record_Launch({{Arena_->PK3->ID, Arena_->ID}, clock - (days_ago * 86400)});
  }
  history->Record_Launch({{Street_->PK3->ID, Street_->ID}, clock - (40LL * 86400)});
  history->Set_Favourite({Street_->PK3->ID, Street_->ID}, true);
  history->Queue({Plain_->PK3->ID, Plain_->ID});
  // The plain map failed with one engine and loaded with another; the street loaded after it
  // had failed with the same engine.
  const TMap_Key plain{Plain_->PK3->ID, Plain_->ID};
  const TMap_Key street{Street_->PK3->ID, Street_->ID};
  history->Record_Load(plain, {"ioq3", TLoad_State::Failed, 1, "ERROR: x", {}});
  history->Record_Load(plain, {"quake3e", TLoad_State::Loaded, 2, "", {}});
  history->Record_Load(street, {"ioq3", TLoad_State::Failed, 1, "ERROR: x", {}});
  history->Record_Load(street, {"ioq3", TLoad_State::Loaded, 3, "", {}});
  const auto played = [&](TMap_Filters filters) {
    filters.History = history;
    filters.Clock = clock;
    return filters;
  };

  struct Row {
    const char* Text;
    TMap_Filters Filters;
    std::string Expected;  // A = Arena, S = Strasse, P = Plain
  };
  const std::vector<Row> rows = {
      {"", {}, "ASP"},
      {"  \t ", {}, "ASP"},
      {"gate", {}, "AP"},                // title; file name and comment
      {"GaTe", {}, "AP"},                // letter case
      {"arena", {}, "A"},                // accents of the title
      {"\xC3\x84R\xC3\x8BNA", {}, "A"},  // accents typed (UTF-8)
      {"strasse \xC3\xA6sir", {}, "S"},  // ß and Æ
      {"*duel*", {}, "A"},               // special characters are plain text
      {"?", {}, "P"},
      {"q3dm1", {}, "A"},    // map file name
      {"bsp", {}, ""},       // without its extension
      {"ctfpack", {}, "S"},  // archive name
      {"pk3", {}, ""},
      {"mymod", {}, "S"},       // MOD directory
      {"great", {}, "A"},       // comment
      {"gateq3dm1", {}, ""},    // never across two fields
      {"gate q3dm1", {}, "A"},  // but each word in any field
      {"gate nothing", {}, ""},
      {"", type("TOURNEY"), "A"},
      {"", type("team"), "S"},
      {"", {.Players = 1}, "P"},
      {"", {.Players = 8}, "S"},
      {"", {.Players = 16}, "S"},
      {"", {.Players = 17}, ""},
      {"", {.Min_Rating = 0}, "ASP"},
      {"", {.Min_Rating = 3}, "AS"},
      {"", {.MOD = "cpma"}, "A"},
      {"", {.MOD = "baseq"}, ""},
      {"", added(7), "A"},
      {"", added(37), "AP"},
      {"gate", {.Min_Rating = 1}, "A"},
      {"gate", single_rated, "P"},
      {"", played({.Never_Played = true}), "P"},
      {"", played({.Played_Within_Days = 1}), ""},
      {"", played({.Played_Within_Days = 2}), "A"},
      {"", played({.Played_Within_Days = 40}), "AS"},
      {"", played({.Played_Min = 3}), "A"},
      {"", played({.Played_Min = 1}), "AS"},
      {"", played({.Favourite = true}), "S"},
      {"", played({.Play_Later = true}), "P"},
      {"gate", played({.Never_Played = true, .Play_Later = true}), "P"},
      {"", played({.Failed_To_Load = true}), "P"},
      {"", {.Favourite = true}, ""},  // no history: nothing marked
      {"", {.Failed_To_Load = true}, ""},
      {"", {.Never_Played = true}, "ASP"},
  };

  TMap_Search_Index index;
  for (TMap_Record* map : {Arena_, Street_, Plain_}) {
    index.Add(map);
  }
  const std::string letters = "ASP";
  std::vector<char> flags;
  for (const Row& row : rows) {
    const TMap_Query query = Parse_Query(row.Text, row.Filters);
    index.Match(query, flags);
    std::string found;
    std::string one_by_one;
    for (int slot = 0; slot < index.Count(); ++slot) {
      if (flags[static_cast<std::size_t>(slot)] != 0) {
        found += letters[static_cast<std::size_t>(slot)];
      }
      if (Map_Matches(*index.Map(slot), query)) {
        one_by_one += letters[static_cast<std::size_t>(slot)];
      }
    }
    EXPECT_EQ(found, row.Expected) << "query \"" << row.Text << "\"";
    EXPECT_EQ(one_by_one, row.Expected) << "query \"" << row.Text << "\"";
  }
  EXPECT_FALSE(Game_Type_Bit_From_Word("deathmatch"));
}

// The game's own files: a map's arena block (the one the game reads) adds its `type` words, and a
// bot file in any archive of the map's MOD directory or of the base directory lets bots play it.
TEST_F(Map_Search_Test, Game_Facts_Add_The_Arena_Block_Types_And_Bot_Files_Of_The_Search_Path) {
  const auto block = [](const char* script, const char* map, const char* type) {
    return TArena_Info{script, {{"map", map}, {"type", type}}};
  };
  TGame_Index index;
  index.Set_Archives({
      {.MOD_Directory = "baseq3", .PK3_Filename = "pak6.pk3", .Bot_Files = {"GATE2"}},
      {.MOD_Directory = "othermod", .PK3_Filename = "bots.pk3", .Bot_Files = {"CTF4"}},
      // Both hold scripts/pack.arena: the game reads the copy of the archive whose name sorts
      // last.
      {.MOD_Directory = "baseq3",
       .PK3_Filename = "Z_pack.pk3",
       .Arena_Scripts = {"scripts/pack.arena"},
       .Arenas = {block("scripts/pack.arena", "gate2", "ctf  FFA unknown")}},
      {.MOD_Directory = "baseq3",
       .PK3_Filename = "a_pack.pk3",
       .Arena_Scripts = {"scripts/PACK.arena"},
       .Arenas = {block("scripts/PACK.arena", "GATE2", "tourney")}},
      {.MOD_Directory = "mymod",
       .PK3_Filename = "own.pk3",
       .Arena_Scripts = {"scripts/arenas.txt"},
       .Arenas = {block("scripts/arenas.txt", "ctf4", "single")}},
  });
  const auto game = std::make_shared<const TMap_Game_Facts>(
      index, std::vector<const TMap_Record*>{Arena_, Street_, Plain_});

  struct Row {
    const char* Type;  // nullptr: the bots filter
    std::string Records_Only;
    std::string With_Game;
  };
  const std::vector<Row> rows = {
      {"ctf", "S", "SP"},    {"ffa", "A", "AP"}, {"tourney", "A", "A"},
      {"single", "P", "SP"}, {"other", "", "P"}, {nullptr, "A", "AP"},
  };
  const std::string letters = "ASP";
  for (const Row& row : rows) {
    for (const bool with_game : {false, true}) {
      TMap_Filters filters;
      if (row.Type != nullptr) {
        filters.Game_Type = *Game_Type_Bit_From_Word(row.Type);
      } else {
        filters.Bots = true;
      }
      if (with_game) {
        filters.Game = game;
      }
      std::string found;
      for (std::size_t i = 0; i < 3; ++i) {
        const TMap_Record* map = std::vector{Arena_, Street_, Plain_}[i];
        if (Passes_Filters(*map, filters)) {
          found += letters[i];
        }
      }
      EXPECT_EQ(found, with_game ? row.With_Game : row.Records_Only)
          << (row.Type != nullptr ? row.Type : "bots") << (with_game ? " with" : " without");
    }
  }
  // A map the facts were not made for goes by its record.
  TMap_Record* other = TTest_Database::Add_Map(Plain_->PK3, "GATE2.BSP", "Copy");
  EXPECT_FALSE(game->Bot_File(*other));
  EXPECT_EQ(game->Script_Types(*other), 0);
}

TEST_F(Map_Search_Test, Places_Of_The_Views_With_Group_Paths_Scope_And_Order) {
  TUnsorted_Maps_List list;
  list.Add_Map_Item(Plain_);
  TMaps_Tree tree;
  tree.List = &list;
  TMaps_Tree_Node* root = tree.Make_Group(Root_Group_Name);
  tree.Select(root);
  TMaps_Tree_Node* duel = tree.Make_Group("Duel");
  tree.Select(duel);
  TMaps_Tree_Node* deep = tree.Make_Group("Deep");
  tree.Drop_List_Items(deep, {Arena_});
  tree.Drop_List_Items(root, {Street_});

  const auto describe = [](const std::vector<TMap_Place>& places) {
    std::string text;
    for (const auto& place : places) {
      text += place.Map->MAP_Filename + "@" + place.Group_Path + ";";
    }
    return text;
  };
  EXPECT_EQ(describe(Map_Places(list, tree)),
            "GATE2.BSP@;Q3DM1.BSP@Arenas/Duel/Deep;CTF4.BSP@Arenas;");
  const TMaps_Tree_Node* found = Find_Group_By_Path(tree, "Arenas/Duel");
  EXPECT_EQ(found, duel);
  EXPECT_EQ(describe(Map_Places(list, tree, found)), "Q3DM1.BSP@Arenas/Duel/Deep;");
  EXPECT_EQ(Find_Group_By_Path(tree, "Arenas/Duel/Deep/Q3DM1"), nullptr);
  EXPECT_EQ(Find_Group_By_Path(tree, "Arenas/duel"), nullptr);

  // Absent maps are left out; the order is Filename, then in PK3, ignoring case.
  Plain_->Present = false;
  TMap_Record* twin = TTest_Database::Add_Map(Db_.Database.Items(0), "ctf4.bsp", "Twin");
  std::vector<TMap_Place> places = Map_Places(list, tree);
  places.push_back({twin, ""});
  Sort_By_Filename(places);
  EXPECT_EQ(describe(places), "ctf4.bsp@;CTF4.BSP@Arenas;Q3DM1.BSP@Arenas/Duel/Deep;");
}

TEST(Map_Search_Clock, Local_Now_Is_The_Wall_Clock_Of_This_Zone) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ASSERT_NE(::localtime_r(&now, &local), nullptr);
  EXPECT_NEAR(static_cast<double>(Local_Now()), static_cast<double>(now + local.tm_gmtoff), 5.0);
}

TEST(Map_Search_Pick, Is_Uniform) {
  // Chi-squared over 20,000 seeded picks among 10 maps; 27.88 is the 0.1 % bound for 9 degrees.
  constexpr std::size_t buckets = 10;
  constexpr int picks = 20000;
  for (std::uint64_t seed : {1U, 2U, 3U}) {
    std::mt19937_64 random(seed);
    std::vector<int> counts(buckets, 0);
    for (int i = 0; i < picks; ++i) {
      ++counts[*Pick_Uniformly(buckets, random)];
    }
    const double expected = static_cast<double>(picks) / buckets;
    double chi_squared = 0;
    for (int count : counts) {
      chi_squared += (count - expected) * (count - expected) / expected;
    }
    EXPECT_LT(chi_squared, 27.88) << "seed " << seed;
  }
  std::mt19937_64 random(1);
  EXPECT_FALSE(Pick_Uniformly(0, random));
  EXPECT_EQ(Pick_Uniformly(1, random), 0U);
}

TEST(Map_Search_Pick, Prefers_Maps_Never_Played_While_There_Is_One) {
  TTest_Database db;
  TPK3_Record* pak = db.Add_PK3("baseq3", "pak.pk3");
  std::vector<const TMap_Record*> maps;
  for (const char* name : {"a.bsp", "b.bsp", "c.bsp", "d.bsp"}) {
    maps.push_back(TTest_Database::Add_Map(pak, name));
  }
  TPlay_History history;
  for (std::size_t played : {0U, 2U}) {
    history.Record_Launch({{pak->ID, maps[played]->ID}, 1, 1, "baseq3", "q3"});
  }
  std::mt19937_64 random(5);
  std::set<std::size_t> picked;
  for (int i = 0; i < 200; ++i) {
    picked.insert(*Pick_Preferring_Unplayed(maps, history, random));
  }
  EXPECT_EQ(picked, (std::set<std::size_t>{1, 3}));
  // All played: any of them.
  for (std::size_t played : {1U, 3U}) {
    history.Record_Launch({{pak->ID, maps[played]->ID}, 2, 1, "baseq3", "q3"});
  }
  picked.clear();
  for (int i = 0; i < 200; ++i) {
    picked.insert(*Pick_Preferring_Unplayed(maps, history, random));
  }
  EXPECT_EQ(picked.size(), 4U);
  EXPECT_FALSE(Pick_Preferring_Unplayed({}, history, random));
}

}  // namespace
}  // namespace vorlix::testing
