// The arena script: the blocks written for maps, and the reader of the import on damaged and
// hostile text: no line ends, only "{", binary garbage, 10 MB values, the fuzz corpus and its
// regressions; nothing crashes, only complete blocks come out, in linear time.

#include "arena/arena_script.h"

#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "arena_test_support.h"
#include "hostile_inputs.h"

namespace vorlix::testing {
namespace {

class Arena_Script : public ::testing::Test {
 protected:
  TInstallation Install;
  TPK3_Record* Base = Install.Add_PK3("baseq3", "pak9.pk3");
  TPK3_Record* Cpma = Install.Add_PK3("cpma", "cpmamaps.pk3");
};

TEST_F(Arena_Script, Special_Lines_Type_Words_And_Unescaped_Values) {
  TMap_Record* intro = Install.Add_Map(Base, "Q3DM0.BSP", "Introduction");
  intro->Game_Types = GT_Single_Player;
  const std::string intro_block = Make_Arena_Block(*intro);
  EXPECT_NE(intro_block.find("longname       \"Introduction\"\r\n"
                             "special        \"Training\"\r\n"
                             "fraglimit      \"20\"\r\n"),
            std::string::npos);
  intro->Map_Longname = "Introduction!";
  EXPECT_EQ(Make_Arena_Block(*intro).find("special"), std::string::npos);

  TMap_Record* final_map = Install.Add_Map(Base, "Q3TOURNEY6.BSP", "THE VERY END OF YOU");
  EXPECT_NE(Make_Arena_Block(*final_map).find("special        \"Final\"\r\n"), std::string::npos);

  TMap_Record* other = Install.Add_Map(Base, "QUOTE.BSP", "Say \"hi\"");
  other->Game_Types = GT_Other;
  other->Assigned_Bots = {};
  const std::string block = Make_Arena_Block(*other);
  EXPECT_NE(block.find("bots           \"\"\r\n"), std::string::npos);
  EXPECT_NE(block.find("longname       \"Say \"hi\"\"\r\n"), std::string::npos);
  EXPECT_NE(block.find("type           \"\"\r\n"), std::string::npos);

  EXPECT_EQ(Make_Game_Type_Words(0), "");
  EXPECT_EQ(Make_Game_Type_Words(0x3F), "single ffa team tourney ctf");
  EXPECT_EQ(Make_Game_Type_Words(GT_Capture_The_Flag | GT_Other), "ctf");
}

TEST_F(Arena_Script, Which_Maps_Qualify_For_A_MOD) {
  TMap_Record* base_map = Install.Add_Map(Base, "Q3DM1.BSP", "Arena Gate", {"baseq3", "cpma"});
  TMap_Record* cpma_map = Install.Add_Map(Cpma, "CPM1.BSP", "Cpm One", {"CPMA", "BASEQ3"});
  TMap_Record* excluded = Install.Add_Map(Base, "Q3DM2.BSP", "House", {"BASEQ3", "CPMA"});
  excluded->Allow_Include_In_Arena_File = false;
  TMap_Record* absent = Install.Add_Map(Base, "Q3DM3.BSP", "Arena", {"BASEQ3"});
  absent->PK3->Present = false;    // the Present flags are not looked at
  Base->MOD_Directory = "BaseQ3";  // any letter case

  EXPECT_TRUE(Map_Belongs_In_Arena_Script(*base_map, "CPMA"));
  EXPECT_TRUE(Map_Belongs_In_Arena_Script(*base_map, "BASEQ3"));
  EXPECT_FALSE(Map_Belongs_In_Arena_Script(*cpma_map, "BASEQ3"));  // another MOD's map
  EXPECT_FALSE(Map_Belongs_In_Arena_Script(*excluded, "BASEQ3"));
  EXPECT_TRUE(Map_Belongs_In_Arena_Script(*absent, "BASEQ3"));
  EXPECT_FALSE(Map_Belongs_In_Arena_Script(*base_map, "OSP"));  // not among useable MODs

  const std::string script = Make_Arena_Script({base_map, cpma_map, excluded}, "CPMA");
  EXPECT_LT(script.find("\"q3dm1\""), script.find("\"cpm1\""));  // the order given
  EXPECT_EQ(script.find("q3dm2"), std::string::npos);
}

// ---- Reading
// -------------------------------------------------------------------------------------

// The import reads blocks as the game does: tokens, not lines.
TEST(Arena_Script_Reader, Engine_Tokens_Not_Lines) {
  const std::string text =
      "{\n map \"nomode\"\n}\n"                                        // no type: left out
      "{ map opening\n\tbots \"indented\" /* a } */ TYPE \"FFA\" }\n"  // keys anywhere
      "{\r\nmap \"q3dm7\"\r\ntype \"ctf\"\r\n"
      "longname \"Temple {of} } Retribution\"\r\nbots \"read\"\r\n}\r\n"  // braces as text
      "{ map \"blank\" type \" \" }\n"   // a type of blanks names none
      "{map \"glued\" type \"ffa\" }\n"  // \"{map\" is no \"{\": the game stops reading
      "{ map \"never\" type \"ffa\" }\n";
  const auto blocks = Read_Arena_Blocks(text);
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[0], (TArena_Block{"opening", "indented", "", "FFA"}));
  EXPECT_EQ(blocks[1], (TArena_Block{"q3dm7", "read", "", "ctf"}));
}

TEST(Arena_Script_Reader, Type_Words_And_Bot_Pieces) {
  EXPECT_EQ(Read_Game_Type_Words("ffa tourney"), GT_Free_For_All | GT_Tournament);
  // Letter case, runs of blanks and words of no game type: the game-type readers' agreement test.
  EXPECT_EQ(Read_Game_Type_Words(" single ctf "), GT_Single_Player | GT_Capture_The_Flag);
  EXPECT_EQ(Read_Game_Type_Words(" "), 0);
  EXPECT_EQ(Determine_Bots("Sarge  grunt "), (std::vector<std::string>{"Sarge", "grunt"}));
  EXPECT_TRUE(Determine_Bots("").empty());
}

// ---- damaged and hostile text -------------------------------------------------------------------

std::string Garbage(std::size_t size, unsigned seed) {
  std::string text;
  text.reserve(size);
  for (std::size_t i = 0; i < size; ++i) {
    seed = seed * 1103515245u + 12345u;
    text += static_cast<char>(seed >> 16);
  }
  return text;
}

TEST(Arena_Script_Hostile, Damaged_Text_Gives_Only_Complete_Blocks) {
  const struct {
    std::string Text;
    std::vector<std::string> Maps;
  } cases[] = {{"", {}},
               {"{", {}},
               {"{{{{", {}},
               {"}}}}{", {}},
               {"\r\r\r{\r", {}},
               {"{\nmap \"x\"\n", {}},
               {"{\ntype \"ffa\"\n}\n", {}},
               {"map \"x\"\ntype \"ffa\"\n", {}},
               // Garbage ends the script, as in the game.
               {std::string("\x01\xff{\0\n", 5) + "}\n{\nmap \"good\"\ntype \"ctf\"\n}\n", {}},
               {"{ map \"good\" type \"ctf\" }\n" + std::string("\x01\xff{\0\n", 5), {"good"}}};
  for (const auto& c : cases) {
    std::vector<std::string> maps;
    for (const TArena_Block& block : Read_Arena_Blocks(c.Text)) {
      maps.push_back(block.Map);
    }
    EXPECT_EQ(maps, c.Maps) << c.Text;
  }
  auto inputs = Fuzz_Inputs(VORLIX_FUZZ_DIR, "arena_script");
  ASSERT_FALSE(inputs.empty());
  for (unsigned seed = 1; seed <= 4; ++seed) {
    inputs.emplace_back("garbage", Garbage(1 << 20, seed));
  }
  for (const auto& [name, text] : inputs) {
    EXPECT_EQ(Arena_Script_Input_Fault(text), "") << name;
  }
}

TEST(Arena_Script_Hostile, Ten_Megabyte_Lines_Are_Read_In_Linear_Time) {
  const auto started = std::chrono::steady_clock::now();
  const std::string big(10 << 20, 'x');
  // A 10 MB value keeps the block; a 10 MB line of braces or one without an end gives nothing.
  const auto blocks = Read_Arena_Blocks("{\nmap \"" + big + "\"\ntype \"ffa\"\nbots \"" + big +
                                        "\"\n}\n{\nmap \"after\"\ntype \"team\"\n}\n");
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_GE(blocks[0].Map.size(), 1u);
  EXPECT_LE(blocks[0].Map.size(), big.size());
  EXPECT_EQ(blocks[1].Map, "after");
  EXPECT_TRUE(Read_Arena_Blocks(std::string(10 << 20, '{')).empty());
  EXPECT_TRUE(Read_Arena_Blocks("{\nmap \"a" + big).empty());
  // Bot and type values of 10 MB of blanks and words.
  std::string many_words;
  for (int i = 0; i < 200000; ++i) {
    many_words += "bot" + std::to_string(i) + " ";
  }
  EXPECT_EQ(Determine_Bots(many_words).size(), 200000u);
  EXPECT_EQ(Read_Game_Type_Words("ffa" + std::string(10 << 20, ' ') + "ctf"), 2 | 16);
  // Linear time: all of this in seconds even under the sanitizers, never minutes.
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60));
}

}  // namespace
}  // namespace vorlix::testing
