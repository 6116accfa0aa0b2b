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
    // Complete; missing a texture and a sound (the base directory's texture counts); never read.
    Whole_ = TTest_Database::Add_Map(Db_.Add_PK3("baseq3", "pak0.pk3"), "Q3DM1.BSP", "Whole");
    Torn_ = TTest_Database::Add_Map(Db_.Add_PK3("cpma", "CtfPack.pk3"), "CTF4.BSP", "Torn");
    Unread_ = TTest_Database::Add_Map(Db_.Add_PK3("baseq3", "zz_new.pk3"), "NEW1.BSP", "Unread");
    Check_ = TCollection_Builder()
                 .Archive("baseq3", "pak0.pk3", {"textures/base/floor.tga"})
                 .Map("maps/q3dm1.bsp", {"textures/base/floor"})
                 .Archive("cpma", "CtfPack.pk3", {})
                 .Map("maps/ctf4.bsp", {"textures/base/floor", "textures/ctf/wall"},
                      {{TFile_Kind::Sound, "sound/ctf/horn.wav"}})
                 .Build();
  }

  // The letters of the maps the index finds for the filters.
  std::string Found(const TMap_Filters& filters, const std::string& text = {}) {
    TMap_Search_Index index;
    for (const TMap_Record* map : {Whole_, Torn_, Unread_}) {
      index.Add(map);
    }
    std::vector<char> flags;
    index.Match(Parse_Query(text, filters), flags);
    std::string found;
    for (std::size_t slot = 0; slot < flags.size(); ++slot) {
      found += flags[slot] != 0 ? std::string(1, "WTU"[slot]) : std::string();
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
  ASSERT_EQ(Check_->Counts("cpma", "CtfPack.pk3", "CTF4.BSP").Total(), 2U);
  EXPECT_EQ(Found({.Complete_Only = true, .Collection = Check_}), "W");
  EXPECT_EQ(Found({.Missing_Content = true, .Collection = Check_}), "T");
  // A map the check does not know is neither complete nor missing anything.
  EXPECT_EQ(Found({.Complete_Only = true, .Missing_Content = true, .Collection = Check_}), "");
  // The words narrow it as any other filter.
  EXPECT_EQ(Found({.Missing_Content = true, .Collection = Check_}, "whole"), "");
  // The check alone filters nothing.
  EXPECT_EQ(Found({.Collection = Check_}), "WTU");
}

TEST_F(Content_Filters_Test, Without_The_Check_No_Map_Passes_And_Both_Count_As_Filters) {
  EXPECT_EQ(Found({.Complete_Only = true}), "");
  EXPECT_EQ(Found({.Missing_Content = true}), "");
  // A map without its archive record is not asked about.
  TMap_Record orphan;
  orphan.MAP_Filename = "Q3DM1.BSP";
  EXPECT_FALSE(Passes_Filters(orphan, {.Complete_Only = true, .Collection = Check_}));
  EXPECT_FALSE(Parse_Query("", {.Missing_Content = true}).Empty());
  EXPECT_NE((TMap_Filters{.Missing_Content = true, .Collection = Check_}),
            (TMap_Filters{.Missing_Content = true}));
}

}  // namespace
}  // namespace vorlix::testing
