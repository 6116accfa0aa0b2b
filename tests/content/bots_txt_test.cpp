#include "content/bots_txt.h"

#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "builders.h"
#include "hostile_inputs.h"

namespace vorlix {

void PrintTo(const TBot_Entry& bot, std::ostream* os) {
  *os << "{" << bot.Bot_Name << ", " << bot.Bot_Model << ", " << bot.Bot_PK3 << "}";
}

namespace {

using testing::TTemp_Dir;

std::vector<TBot_Entry> Bots_Of(const TBot_List& list) {
  std::vector<TBot_Entry> bots;
  bots.reserve(static_cast<std::size_t>(list.Count()));
  for (int i = 0; i < list.Count(); ++i) {
    bots.push_back(list.Bot_At(i));
  }
  return bots;
}

std::vector<TBot_Entry> Read(const std::string& text, const std::string& pk3 = "a.pk3") {
  TBot_List list("BASEQ3");
  Read_BOTS_TXT_From_Text(list, text, pk3);
  return Bots_Of(list);
}

TBot_Entry Bot(const std::string& name, const std::string& model,
               const std::string& pk3 = "a.pk3") {
  return TBot_Entry{name, model, pk3};
}

TEST(Bot_List, Finds_Names_Exactly_And_Keeps_The_First_Of_Equal_Names) {
  TBot_List list("BASEQ3");
  list.Add_Bot("Sarge", "sarge", "a.pk3");
  list.Add_Bot("sarge", "sarge/krusade", "b.pk3");
  list.Add_Bot("Sarge", "other", "c.pk3");
  EXPECT_EQ(list.Find_Bot("Sarge"), 0);
  EXPECT_EQ(list.Find_Bot("sarge"), 1);
  EXPECT_EQ(list.Find_Bot("SARGE"), -1);

  EXPECT_THROW(list.Bot_At(3), std::out_of_range);

  // Every field is held to 255 characters.
  list.Add_Bot(std::string(300, 'n'), std::string(300, 'm'), std::string(300, 'p'));
  const TBot_Entry longest = list.Bot_At(3);
  EXPECT_EQ(longest.Bot_Name.size(), 255u);
  EXPECT_EQ(longest.Bot_Model.size(), 255u);
  EXPECT_EQ(longest.Bot_PK3.size(), 255u);
}

TEST(Read_BOTS_TXT, Reads_Keys_Values_And_Blocks_Where_The_Game_Sees_Them) {
  const std::vector<TBot_Entry> none;
  const struct {
    const char* Why;
    std::string Text;
    std::vector<TBot_Entry> Bots;
  } cases[] = {
      {"as the game writes them; quotation marks stay part of a value",
       "// bots of the base game\n{\nname\t\tSarge\nmodel\t\tsarge/krusade\n"
       "aifile\t\tbots/sarge_c.c\n}\n\n{\nname\t\tGrunt\nmodel\t\t\"grunt\"\n}\n",
       {Bot("Sarge", "sarge/krusade"), Bot("Grunt", "\"grunt\"")}},
      {"keys ignore case",
       "{\nName A\nMODEL a\n}\n{\nNAME B\nmodel b\n}\n",
       {Bot("A", "a"), Bot("B", "b")}},
      {"an indented key is ignored", "{\n  name A\nmodel a\n}\n{\n\tname B\nmodel b\n}\n", none},
      {"the value starts right after the key", "{\nnames x\nmodels/x\n}\n", {Bot("s x", "s/x")}},
      {"a word that merely ends in the key sets nothing",
       "{\nbotname A\nname B\nplayermodel b\n}\n", none},
      {"a later key replaces an earlier one; values are trimmed but keep inner blanks",
       "{\nname First\nname  Second  Name \t\nmodel m\n}\n",
       {Bot("Second  Name", "m")}},
      {"text after the opening brace is the block's first line",
       "{name A\nmodel a\n}\n",
       {Bot("A", "a")}},
      {"with a blank after the brace the key is off the first column", "{ name A\nmodel a\n}\n",
       none},
      {"a line ending in a brace opens a block", "bot {\nname A\nmodel a\n}\n", {Bot("A", "a")}},
      {"a '}' inside a value closes the block; that line sets nothing",
       "{\nmodel a\nname Sar}ge\n}\n", none},
      {"a '}' after a value closes the block too", "{\nname A\nmodel a }\n", none},
      {"a comment holding a brace opens a block", "// {\nname A\nmodel a\n", {Bot("A", "a")}},
      {"the end of the file ends an open block", "{\nname A\nmodel a", {Bot("A", "a")}},
      {"an open block at the end after a line end", "{\nname A\nmodel a\n", {Bot("A", "a")}},
      {"a closing line's '{' opens no block",
       "{\nname A\nmodel a\n} {\nname B\nmodel b\n}\n",
       {Bot("A", "a")}},
      {"only complete bots", "{\nname A\n}\n{\nmodel b\n}\n{\nname \nmodel c\n}\n", none},
      {"equal names: the first only; names compare exactly",
       "{\nname A\nmodel first\n}\n{\nname A\nmodel second\n}\n{\nname a\nmodel third\n}\n",
       {Bot("A", "first"), Bot("a", "third")}},
      {"CR LF and CR line ends",
       "{\r\nname A\r\nmodel a\r\n}\r\n{\rname B\rmodel b\r}\r",
       {Bot("A", "a"), Bot("B", "b")}},
      {"CR CR and LF LF make empty lines", "{\n\n\r\rname A\n\nmodel a\n}", {Bot("A", "a")}},
      {"a value is taken from the characters 5 to 259 of its line, then trimmed",
       "{\nname " + std::string(300, 'N') + "\nmodel m\n}\n",
       {Bot(std::string(254, 'N'), "m")}},
      {"on an opening line only 255 characters after the brace count",
       "{model m" + std::string(260, ' ') + "}\nname A\n",
       {Bot("A", "m")}},
      {"empty", "", none},
      {"only a brace", "{", none},
      {"only a brace and a line end", "{\n", none},
      {"braces only", "}}}{{{", none}};
  for (const auto& c : cases) {
    EXPECT_EQ(Read(c.Text), c.Bots) << c.Why;
  }
  // Names already in the list (from an earlier read into the same list) are not added again.
  TBot_List list("BASEQ3");
  list.Add_Bot("A", "old", "x.pk3");
  Read_BOTS_TXT_From_Text(list, "{\nname A\nmodel new\n}\n{\nname B\nmodel b\n}\n", "y.pk3");
  EXPECT_EQ(Bots_Of(list), (std::vector{Bot("A", "old", "x.pk3"), Bot("B", "b", "y.pk3")}));
}

TEST(Bots_Txt_Hostile, Damaged_Text_And_The_Fuzz_Corpus_Are_Read_In_Linear_Time) {
  // Binary garbage, zero bytes included, and the fuzz corpus with its regressions.
  std::string garbage;
  unsigned state = 12345;
  for (int i = 0; i < 1 << 20; ++i) {
    state = state * 1103515245u + 12345u;
    garbage += static_cast<char>(state >> 16);
  }
  garbage += std::string("\0name\0\n", 7);
  auto inputs = testing::Fuzz_Inputs(VORLIX_FUZZ_DIR, "bots_txt");
  ASSERT_FALSE(inputs.empty());
  inputs.emplace_back("garbage", garbage);
  for (const auto& [name, text] : inputs) {
    EXPECT_EQ(testing::Bots_Txt_Input_Fault(text), "") << name;
  }

  // A 10 MB line, and a 10 MB file without any line end: one block each.
  const std::string big(10 << 20, 'x');
  EXPECT_EQ(Read("{\nname A\nmodel a" + big + "\n}\n").at(0).Bot_Model.size(), 254u);
  EXPECT_EQ(Read("{name A" + big), (std::vector<TBot_Entry>{}));
  EXPECT_EQ(Read(big + "{" + big + "}"), std::vector<TBot_Entry>{});

  // Many bots: each name lookup must stay cheap (200,000 bots).
  std::string many;
  for (int i = 0; i < 200000; ++i) {
    many += "{\nname bot" + std::to_string(i) + "\nmodel m\n}\n";
  }
  many += "{\nname bot7\nmodel again\n}\n";
  TBot_List list("BASEQ3");
  Read_BOTS_TXT_From_Text(list, many, "a.pk3");
  EXPECT_EQ(list.Count(), 200000);
  EXPECT_EQ(list.Bot_At(7).Bot_Model, "m");
}

TEST(Read_BOTS_TXT, Reads_Files_Across_Block_Boundaries) {
  TTemp_Dir dir;
  // Place a CR LF exactly across the reader's 64 KiB block boundary, and a line across it.
  std::string text = "{\nname A\n" + std::string(65535 - 9, 'x');
  text += "\r\nmodel a\n}\n{\nname B\nmodel " + std::string(70000, 'b') + "\n}\n";
  ASSERT_EQ(text[65535], '\r');
  testing::Write_File(dir / "bots.txt", text);
  TBot_List list("BASEQ3");
  Read_BOTS_TXT(list, dir / "bots.txt", "a.pk3");
  EXPECT_EQ(Bots_Of(list), (std::vector{Bot("A", "a"), Bot("B", std::string(254, 'b'))}));

  EXPECT_THROW(Read_BOTS_TXT(list, dir / "missing.txt", "a.pk3"), TText_Read_Error);
}

}  // namespace
}  // namespace vorlix
