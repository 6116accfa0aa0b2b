// The arena script reader of the import on damaged and hostile text: no line ends, only "{",
// binary garbage, 10 MB lines; nothing crashes, only complete blocks come out, in linear time.

#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "arena/arena_script.h"

namespace vorlix {
namespace {

std::string Garbage(std::size_t size, unsigned seed) {
  std::string text;
  text.reserve(size);
  for (std::size_t i = 0; i < size; ++i) {
    seed = seed * 1103515245u + 12345u;
    text += static_cast<char>(seed >> 16);
  }
  return text;
}

TEST(Arena_Script_Damaged, Braces_Alone_And_Missing_Line_Ends_Give_No_Blocks) {
  for (const std::string text : {"", "{", "{\n", "{{{{", "}}}}{", "\r\r\r{\r", "{\nmap \"x\"\n",
                                 "{\ntype \"ffa\"\n}\n", "map \"x\"\ntype \"ffa\"\n"}) {
    EXPECT_TRUE(Lese_Arena_Bloecke(text).empty()) << text;
  }
  // A block that follows garbage and a lone brace is still read.
  const auto blocks =
      Lese_Arena_Bloecke(std::string("\x01\xff{\0\n", 5) + "}\n{\nmap \"good\"\ntype \"ctf\"\n}\n");
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0].Map, "good");
  EXPECT_EQ(Ermittle_Spieltypen(blocks[0].Type), 16);
}

TEST(Arena_Script_Damaged, Binary_Garbage_And_Ten_Megabyte_Lines_Are_Read_In_Linear_Time) {
  const auto started = std::chrono::steady_clock::now();
  for (unsigned seed = 1; seed <= 4; ++seed) {
    for (const TArena_Block& block : Lese_Arena_Bloecke(Garbage(1 << 20, seed))) {
      EXPECT_FALSE(block.Map.empty());
      EXPECT_FALSE(block.Type.empty());
    }
  }
  const std::string big(10 << 20, 'x');
  // A 10 MB value keeps the block; a 10 MB line of braces or one without an end gives nothing.
  const auto blocks = Lese_Arena_Bloecke("{\nmap \"" + big + "\"\ntype \"ffa\"\nbots \"" + big +
                                         "\"\n}\n{\nmap \"after\"\ntype \"team\"\n}\n");
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_GE(blocks[0].Map.size(), 1u);
  EXPECT_LE(blocks[0].Map.size(), big.size());
  EXPECT_EQ(blocks[1].Map, "after");
  EXPECT_TRUE(Lese_Arena_Bloecke(std::string(10 << 20, '{')).empty());
  EXPECT_TRUE(Lese_Arena_Bloecke("{\nmap \"a" + big).empty());
  // Bot and type values of 10 MB of blanks and words.
  std::string many_words;
  for (int i = 0; i < 200000; ++i) {
    many_words += "bot" + std::to_string(i) + " ";
  }
  EXPECT_EQ(Ermittle_Bots(many_words).size(), 200000u);
  EXPECT_EQ(Ermittle_Spieltypen("ffa" + std::string(10 << 20, ' ') + "ctf"), 2 | 16 | 32);
  // Linear time: all of this in seconds even under the sanitizers, never minutes.
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60));
}

}  // namespace
}  // namespace vorlix
