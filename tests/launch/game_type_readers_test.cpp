// One answer for the `type` words of an arena block, whoever reads them: the import, the
// properties' "Use these settings", the search's game-type filter and a server's rotation.

#include <gtest/gtest.h>

#include <memory>

#include "../properties/properties_fixture.h"
#include "arena/arena_import.h"
#include "browser/map_search.h"
#include "core/game_types.h"
#include "database/game_index.h"
#include "launch/server_rotation.h"

namespace vorlix::testing {
namespace {

TEST(Game_Type_Readers, Import_Panel_Search_And_Rotation_Agree) {
  const struct {
    const char* Type;
    std::uint8_t Expected;
  } cases[] = {
      {"ffa duel", GT_Free_For_All | GT_Other},
      {"duel", GT_Other},
      {"ffa,tourney", GT_Other},  // one word: the game cuts only at blanks
      {"Tourney \t harvester", GT_Tournament | GT_Other},
      {"single team ctf", GT_Single_Player | GT_Team_Deathmatch | GT_Capture_The_Flag},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Type);
    const std::string script = std::string("{\nmap \"q3dm1\"\ntype \"") + c.Type + "\"\n}\n";

    const auto blocks = Read_Arena_Blocks(script);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(Arena_Settings_Of(blocks[0]).Game_Types, c.Expected);

    TProperties_Fixture fixture;
    fixture.Standard_MODs();
    TMap_Record* map = fixture.Add_Map("baseq3", "maps.pk3", "Q3DM1.BSP");
    map->Useable_MODs = {"baseq3"};
    map->Game_Types = 0;  // only the block names game types
    auto index = std::make_shared<TGame_Index>();
    index->Set_Archives({{.MOD_Directory = "baseq3",
                          .PK3_Filename = "maps.pk3",
                          .Maps = {"Q3DM1"},
                          .Arena_Scripts = {"scripts/arenas.txt"},
                          .Arenas = Parse_Arena_Blocks(script, "scripts/arenas.txt")}});
    TProperties_Context context = fixture.Context();
    context.Game_Index = index;
    TMap_Properties_Model model;
    model.Set_Context(context);
    model.Load_Map(map);
    ASSERT_TRUE(model.Game_Facts.Usable);
    model.Use_Arena_Settings();

    const auto facts =
        std::make_shared<const TMap_Game_Facts>(*index, std::vector<const TMap_Record*>{map});
    std::uint8_t ticked = 0;
    std::uint8_t found = 0;
    std::uint8_t rotated = 0;
    for (std::size_t i = 0; i < Game_Type_Table.size(); ++i) {
      const TGame_Type& type = Game_Type_Table[i];
      if (model.Game_Types[i].State == TCheck_State::Checked) {
        ticked |= type.Bit;
      }
      TMap_Filters filters;
      filters.Game_Type = Game_Type_Bit_From_Word(type.Word).value();
      filters.Game = facts;
      if (Passes_Filters(*map, filters)) {
        found |= type.Bit;
      }
      const int server_type = Game_Type_From_Word(type.Word).value();
      if (!Choose_Rotation({map}, "baseq3", server_type, facts.get()).Maps.empty()) {
        rotated |= type.Bit;
      }
    }
    EXPECT_EQ(ticked, c.Expected);
    EXPECT_EQ(found, c.Expected);
    EXPECT_EQ(rotated, c.Expected);
  }
}

}  // namespace
}  // namespace vorlix::testing
