// The arena script reader of the import on damaged and hostile text: no line ends, only "{",
// binary garbage, 10 MB lines, the fuzz corpus and its regressions; nothing crashes, only
// complete blocks come out, in linear time.

#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "arena/arena_script.h"
#include "hostile_inputs.h"

namespace vorlix {
namespace {

using testing::Arena_Script_Input_Fault;

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
  } cases[] = {
      {"", {}},
      {"{", {}},
      {"{\n", {}},
      {"{{{{", {}},
      {"}}}}{", {}},
      {"\r\r\r{\r", {}},
      {"{\nmap \"x\"\n", {}},
      {"{\ntype \"ffa\"\n}\n", {}},
      {"map \"x\"\ntype \"ffa\"\n", {}},
      // A block that follows garbage and a lone brace is still read.
      {std::string("\x01\xff{\0\n", 5) + "}\n{\nmap \"good\"\ntype \"ctf\"\n}\n", {"good"}}};
  for (const auto& c : cases) {
    std::vector<std::string> maps;
    for (const TArena_Block& block : Lese_Arena_Bloecke(c.Text)) {
      maps.push_back(block.Map);
    }
    EXPECT_EQ(maps, c.Maps) << c.Text;
  }
  EXPECT_EQ(Ermittle_Spieltypen(Lese_Arena_Bloecke(cases[9].Text).at(0).Type), 16);
  auto inputs = testing::Fuzz_Inputs(VORLIX_FUZZ_DIR, "arena_script");
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
