// The search's content filters: maps the game finds everything of, maps missing some, and
// neither while the collection check has not ended.

#include <gtest/gtest.h>

#include "browser/map_search.h"
#include "collection_builder.h"
#include "test_database.h"

namespace vorlix::testing {
namespace {

class Content_Filters_Test : public ::testing::Test {
 protected:
  Content_Filters_Test() {
    // Complete: its texture and model in its own archive.
    Whole_ = TTest_Database::Add_Map(Db_.Add_PK3("baseq3", "pak0.pk3"), "Q3DM1.BSP", "Whole");
    // Missing a texture (which lies in another MOD directory) and a sound; the base
    // directory's texture counts.
    Torn_ = TTest_Database::Add_Map(Db_.Add_PK3("cpma", "CtfPack.pk3"), "CTF4.BSP", "Torn");
    // Its archive was never read for its content.
    Unread_ = TTest_Database::Add_Map(Db_.Add_PK3("baseq3", "zz_new.pk3"), "NEW1.BSP", "Unread");
    Check_ = TCollection_Builder()
                 .Archive("baseq3", "pak0.pk3",
                          {"textures/base/floor.tga", "models/mapobjects/lamp.md3"})
                 .Map("maps/q3dm1.bsp", {"textures/base/floor"},
                      {{TFile_Kind::Model, "models/mapobjects/lamp.md3"}})
                 .Archive("cpma", "CtfPack.pk3", {})
                 .Map("maps/ctf4.bsp", {"textures/base/floor", "textures/ctf/wall"},
                      {{TFile_Kind::Sound, "sound/ctf/horn.wav"}})
                 .Archive("othermod", "walls.pk3", {"textures/ctf/wall.jpg"})
                 .Build();
  }

  // The letters of the maps the index finds for the filters.
  std::string Found(const TMap_Filters& filters, const std::string& text = {}) {
    TMap_Search_Index index;
    for (const TMap_Record* map : {Whole_, Torn_, Unread_}) {
      index.Add(map);
    }
    std::vector<char> flags;
    const TMap_Query query = Parse_Query(text, filters);
    index.Match(query, flags);
    std::string found;
    for (int slot = 0; slot < index.Count(); ++slot) {
      const bool matched = flags[static_cast<std::size_t>(slot)] != 0;
      EXPECT_EQ(matched, Map_Matches(*index.Map(slot), query)) << "slot " << slot;
      found += matched ? std::string(1, "WTU"[slot]) : std::string();
    }
    return found;
  }

  TTest_Database Db_;
  TMap_Record* Whole_;
  TMap_Record* Torn_;
  TMap_Record* Unread_;
  std::shared_ptr<const TCollection_Check> Check_;
};

TEST_F(Content_Filters_Test, Complete_And_Missing_Split_The_Known_Maps) {
  const TContent_Counts torn = Check_->Counts("cpma", "CtfPack.pk3", "CTF4.BSP");
  ASSERT_TRUE(torn.Known);
  ASSERT_EQ(torn.Total(), 2U);
  ASSERT_TRUE(Check_->Counts("baseq3", "pak0.pk3", "Q3DM1.BSP").Complete());

  EXPECT_EQ(Found({.Complete_Only = true, .Collection = Check_}), "W");
  EXPECT_EQ(Found({.Missing_Content = true, .Collection = Check_}), "T");
  // A map the check does not know is neither complete nor missing anything.
  EXPECT_EQ(Found({.Complete_Only = true, .Missing_Content = true, .Collection = Check_}), "");
  // The words narrow it as any other filter.
  EXPECT_EQ(Found({.Missing_Content = true, .Collection = Check_}, "torn"), "T");
  EXPECT_EQ(Found({.Missing_Content = true, .Collection = Check_}, "whole"), "");
  // The check alone filters nothing.
  EXPECT_EQ(Found({.Collection = Check_}), "WTU");
}

TEST_F(Content_Filters_Test, Without_The_Check_No_Map_Passes) {
  EXPECT_EQ(Found({.Complete_Only = true}), "");
  EXPECT_EQ(Found({.Missing_Content = true}), "");
  EXPECT_FALSE(Passes_Filters(*Whole_, {.Complete_Only = true}));
  // A map without its archive record is not asked about.
  TMap_Record orphan;
  orphan.MAP_Filename = "Q3DM1.BSP";
  EXPECT_FALSE(Passes_Filters(orphan, {.Complete_Only = true, .Collection = Check_}));
}

TEST_F(Content_Filters_Test, Count_As_Filters_And_Compare_By_Their_Check) {
  EXPECT_FALSE(TMap_Filters{.Collection = Check_}.Any());
  EXPECT_TRUE(TMap_Filters{.Complete_Only = true}.Any());
  EXPECT_TRUE(TMap_Filters{.Missing_Content = true}.Any());
  EXPECT_FALSE(Parse_Query("", {.Missing_Content = true}).Empty());
  const TMap_Filters with{.Missing_Content = true, .Collection = Check_};
  EXPECT_EQ(with, with);
  EXPECT_NE(with, (TMap_Filters{.Missing_Content = true}));
  EXPECT_NE(with, (TMap_Filters{.Complete_Only = true, .Collection = Check_}));
}

}  // namespace
}  // namespace vorlix::testing
