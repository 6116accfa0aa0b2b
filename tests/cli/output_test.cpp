// The listing formats of vorlix-cli, on models built in memory.

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "browser/maps_tree.h"
#include "cli/cli_args.h"
#include "cli/cli_output.h"
#include "content/mod_list.h"
#include "database/records.h"

namespace vorlix {
namespace {

// Collects what a writer prints.
template <typename Write>
std::string Printed(Write write) {
  std::FILE* file = std::tmpfile();
  write(file);
  std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
  std::rewind(file);
  const std::size_t got = std::fread(text.data(), 1, text.size(), file);
  std::fclose(file);
  text.resize(got);
  return text;
}

TEST(Cli_Output, Tree_Is_Printed_In_Pre_Order_With_The_Ids_Of_Map_Entries) {
  TPK3_Record_Store database(TDatabase_Paths{});
  database.Add_Record();
  TPK3_Record* pk3 = database.Items(database.Add_Record());
  pk3->Maps = database.New_Map_Manager(pk3);
  pk3->Maps->Add_Record();
  TMap_Record* map = pk3->Maps->Items(pk3->Maps->Add_Record());

  TMaps_Tree tree;
  TMaps_Tree_Node* root = tree.Make_Group("Arenas");
  tree.Select(root);
  TMaps_Tree_Node* duel = tree.Make_Group("Duel\tmaps");
  tree.Make_Group("Empty");
  tree.Select(duel);
  TMaps_Tree_Node* inner = tree.Make_Group("Inner");
  tree.Make_Plain_Entry("Q3DM1")->Map = map;
  tree.Select(inner);
  tree.Make_Plain_Entry("LOST");

  // Groups before map entries; a tab inside a name is printed as a blank.
  EXPECT_EQ(Printed([&](std::FILE* f) { Write_Tree(f, tree); }),
            "Arenas\n"
            "  Duel maps\n"
            "    Inner\n"
            "      LOST\t-1\t-1\n"
            "    Q3DM1\t" +
                std::to_string(pk3->ID) + "\t" + std::to_string(map->ID) +
                "\n"
                "  Empty\n");
}

TEST(Cli_Output, Mods_Are_Printed_With_Their_Bots) {
  TMOD_List mods;
  mods.Append("baseq3");
  mods.Append("cpma");
  mods.Append("nolist");
  auto bots = std::make_unique<TBot_List>("BASEQ3");
  bots->Has_Own_Bots = true;
  bots->Add_Bot("Sarge", "sarge/krusade", "pak0.pk3");
  bots->Add_Bot("Two\nLines", "m", "z.pk3");
  mods.Attach_Bots(0, std::move(bots));
  auto own_but_empty = std::make_unique<TBot_List>("CPMA");
  own_but_empty->Has_Own_Bots = true;
  mods.Attach_Bots(1, std::move(own_but_empty));

  EXPECT_EQ(Printed([&](std::FILE* f) { Write_Mods(f, mods); }),
            "BASEQ3\town\t2\n"
            "\tSarge\tsarge/krusade\tpak0.pk3\n"
            "\tTwo Lines\tm\tz.pk3\n"
            "CPMA\town\t0\n"
            "NOLIST\tnone\t0\n");
}

TEST(Cli_Args, Takes_Options_Flags_And_Positional_Words) {
  TCli_Args args({"5", "--mod", "baseq3", "--dry-run", "--mod=cpma", "-7", "--", "--odd"});
  EXPECT_TRUE(args.Flag("--dry-run"));
  EXPECT_FALSE(args.Flag("--dry-run"));
  EXPECT_EQ(args.Options("--mod"), (std::vector<std::string>{"baseq3", "cpma"}));
  EXPECT_EQ(args.Next_Integer("PK3_ID"), 5);
  EXPECT_EQ(args.Next_Integer("MAP_ID"), -7);
  EXPECT_EQ(args.Next("NAME"), "--odd");
  EXPECT_NO_THROW(args.Expect_End());
  EXPECT_THROW(args.Next("NEW_PATH"), TCli_Usage_Error);

  for (const char* bad : {"x", "1.5", "", "+3", " 4", "2147483648", "99999999999"}) {
    EXPECT_THROW(TCli_Args({bad}).Next_Integer("ID"), TCli_Usage_Error) << bad;
  }
  // Ten digits, the most an ID has.
  EXPECT_EQ(TCli_Args({"2147483647"}).Next_Integer("ID"), 2147483647);
  EXPECT_EQ(TCli_Args({"-2147483648"}).Next_Integer("ID"), -2147483647 - 1);
  EXPECT_EQ(TCli_Args({"0000000042"}).Next_Integer("ID"), 42);
  EXPECT_THROW(TCli_Args({"--name", "a", "--name", "b"}).Option("--name"), TCli_Usage_Error);
  EXPECT_THROW(TCli_Args({"--name"}).Options("--name"), TCli_Usage_Error);
  EXPECT_THROW(TCli_Args({"--verbose"}).Expect_End(), TCli_Usage_Error);
}

}  // namespace
}  // namespace vorlix
