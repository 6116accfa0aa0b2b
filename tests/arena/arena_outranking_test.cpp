#include "arena/arena_outranking.h"

#include <gtest/gtest.h>

#include "arena/arena_files.h"
#include "arena_test_support.h"
#include "core/interaction.h"
#include "core/letter_case.h"
#include "database/archive_facts.h"
#include "database/game_index.h"
#include "database/scan.h"

namespace vorlix::testing {
namespace {

std::string Blocks(const TStrings& maps) {
  std::string text;
  for (const auto& map : maps) {
    text.append("{\nmap \"").append(map).append("\"\n}\n");
  }
  return text;
}

// The engine's path comparison inside an archive: letter case ignored, "\\" taken for "/".
std::string Engine_Path(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return platform::Lower(path);
}

// What the engine lists of a member when it lists "scripts" for ".arena": the name after the
// eighth character, for names beginning with "scripts" in any case, ending in ".arena", whose
// separators are at most two, the last one not before the eighth character.
std::optional<std::string> Listed_Arena(const std::string& member) {
  const std::size_t separators = static_cast<std::size_t>(
      std::count_if(member.begin(), member.end(), [](char c) { return c == '/' || c == '\\'; }));
  const std::size_t last = member.find_last_of("/\\");
  if (!platform::Starts_With_Ignore_Case(member, "scripts") || separators == 0 || separators > 2 ||
      last < 7 || !platform::Upper(member).ends_with(".ARENA")) {
    return std::nullopt;
  }
  return member.substr(8);
}

// The maps the game lists with `mod` as its game, read from the archives on disk by the engine's
// rules: the MOD directory's archives before the base directory's, the name sorting last first;
// scripts/arenas.txt, then the .arena names of all archives in that order, each once (letter
// case ignored) and as many as fit into the engine's 1,024-byte list, each read as "scripts/" +
// the name from the first archive holding that path.
TStrings Game_Lists(const std::string& game_dir, const std::string& mod) {
  struct TArchive {
    std::string Name;
    std::vector<TZip_Member_Read> Members;
  };
  std::vector<TArchive> order;
  for (const std::string& dir : {mod, std::string("baseq3")}) {
    std::vector<TArchive> archives;
    for (const auto& name : Names_In(platform::Join(game_dir, dir))) {
      if (name.ends_with(".pk3")) {
        archives.push_back({name, Read_Zip(platform::Join({game_dir, dir, name}))});
      }
    }
    std::sort(archives.begin(), archives.end(),
              [](const TArchive& a, const TArchive& b) { return Searched_Before(a.Name, b.Name); });
    order.insert(order.end(), archives.begin(), archives.end());
  }
  TStrings paths = {"scripts/arenas.txt"};
  TStrings listed;
  std::size_t used = 0;
  bool full = false;  // the list ends at the first name that does not fit
  for (const auto& archive : order) {
    for (const auto& member : archive.Members) {
      const auto name = Listed_Arena(member.Name);
      if (full || !name ||
          std::find(listed.begin(), listed.end(), platform::Lower(*name)) != listed.end()) {
        continue;
      }
      full = used + name->size() + 2 >= 1024;
      if (!full) {
        used += name->size() + 1;
        listed.push_back(platform::Lower(*name));
        paths.push_back(Engine_Path("scripts/" + *name));
      }
    }
  }
  TStrings maps;
  for (const auto& path : paths) {
    for (const auto& archive : order) {
      const auto member =
          std::find_if(archive.Members.begin(), archive.Members.end(),
                       [&path](const TZip_Member_Read& m) { return Engine_Path(m.Name) == path; });
      if (member != archive.Members.end()) {
        for (const auto& info : Parse_Arena_Blocks(member->Data, path)) {
          maps.push_back(platform::Lower(info.Value("map")));
        }
        break;
      }
    }
  }
  std::sort(maps.begin(), maps.end());
  return maps;
}

// A game directory with its base directory and the program's folders and database.
struct TScene {
  TScene() { std::filesystem::create_directories(Base); }

  // An archive on disk with its database record; each map gets a .arena script of its own.
  TPK3_Record* Pack(const std::string& name, const TStrings& maps,
                    std::vector<TZip_Member> members = {}) {
    TPK3_Record* pk3 = Install.Add_PK3("baseq3", name);
    for (const auto& map : maps) {
      members.push_back({"scripts/" + map + ".arena", Blocks({map})});
      Maps.push_back(Install.Add_Map(pk3, platform::Upper(map) + ".BSP", map));
    }
    Write_Pk3(platform::Join(Base, name), members);
    return pk3;
  }
  void Create(const std::string& arena, const std::vector<int>& maps) {
    TArena_Branch branch{arena, {}};
    for (const int m : maps) {
      branch.Maps.push_back(Maps.at(static_cast<std::size_t>(m)));
    }
    Ui.Selections.emplace_back(std::vector<int>{0});
    Ui.Names.emplace_back(arena);
    Process_Arena_File(TArena_Mode::Create, Env, branch, Ui);
  }
  // Activates or removes the first arena file offered.
  void Run(TArena_Mode mode) {
    Ui.Selections = {std::vector<int>{0}, std::vector<int>{0}};
    Ui.Answers = {TAnswer::Yes};
    Process_Arena_File(mode, Env, {}, Ui);
  }
  TStrings Lists() const { return Game_Lists(Install.Game, "baseq3"); }

  TInstallation Install;
  std::string Base = Install.Mod_Dir("baseq3");
  TArena_Environment Env{Install.Game, Install.Temp, {"BASEQ3"}, &Install.Database, nullptr};
  std::vector<TMap_Record*> Maps;
  TScripted_Interaction& Ui = Install.Ui;
};

TEST(Arena_Outranking, The_Game_Lists_Exactly_The_Arena_Files_Maps_Whatever_Else_Outranks) {
  for (const int count : {5, 5000}) {
    SCOPED_TRACE(count);
    TScene scene;
    TStrings own;
    for (int m = 0; m < count; ++m) {
      own.push_back("m" + std::to_string(m));
    }
    scene.Pack("pak0.pk3", {"q3dm17"}, {{"scripts/arenas.txt", Blocks({"q3dm1", "q3dm2"})}});
    scene.Pack("maps.pk3", own);
    scene.Pack("z_oacmp-volume1-v3.pk3", {},
               {{"scripts/oacmpv1.arena", Blocks({"oacmpdm1", "oacmpdm2", "oacmpdm3"})}});
    scene.Pack("z_Q_pack.pk3", {}, {{"scripts/arenas.txt", Blocks({"qpack"})}});
    scene.Create("Duel", {0, 2});
    EXPECT_EQ(scene.Lists(), (TStrings{"m1", "q3dm17"}));
    EXPECT_EQ(scene.Ui.Message_Texts(), TStrings{"Arena File has been created in BASEQ3."});
    // Without the outranking archive the packs' scripts win.
    Delete_Arena_Outranking_File(scene.Base);
    EXPECT_EQ(scene.Lists(), (TStrings{"oacmpdm1", "oacmpdm2", "oacmpdm3", "qpack"}));
  }
}

TEST(Arena_Outranking, Activation_Removal_And_Start_Up_Keep_It_In_Step) {
  TScene scene;
  scene.Pack("pak0.pk3", {"q3dm17", "q3dm6"});
  TPK3_Record* pack = scene.Pack("z_oacmp.pk3", {"oacmpdm1"});
  scene.Create("A", {0});
  scene.Create("B", {1});
  EXPECT_EQ(scene.Lists(), TStrings{"q3dm6"});
  scene.Run(TArena_Mode::Activate);
  EXPECT_EQ(scene.Lists(), TStrings{"q3dm17"});

  // Files renamed by hand: the start-up pass gives it the script of the one active then.
  std::filesystem::rename(scene.Base + "/z_Arenas_active_A.pk3",
                          scene.Base + "/z_Arenas_Inactive_A.pk3");
  std::filesystem::rename(scene.Base + "/z_Arenas_Inactive_B.pk3",
                          scene.Base + "/z_Arenas_active_B.pk3");
  Check_Arena_Files_At_Start(scene.Install.Game, "baseq3", scene.Ui, scene.Install.Temp);
  EXPECT_EQ(scene.Lists(), TStrings{"q3dm6"});
  scene.Run(TArena_Mode::Activate);
  EXPECT_EQ(scene.Lists(), TStrings{"q3dm17"});

  // Archives added and removed since the last refresh: the start-up brings it up to date.
  scene.Pack("z_R_new.pk3", {}, {{"scripts/rnew.arena", Blocks({"rnew"})}});
  std::filesystem::remove(platform::Join(scene.Base, "z_oacmp.pk3"));
  pack->Present = false;
  EXPECT_EQ(scene.Lists(), (TStrings{"q3dm17", "rnew"}));
  Check_Arena_Files_At_Start(scene.Install.Game, "baseq3", scene.Ui, scene.Install.Temp);
  Create_Arena_Disabler_Files(scene.Env, scene.Ui);
  EXPECT_EQ(scene.Lists(), TStrings{"q3dm17"});
  EXPECT_EQ(Read_Arena_Outranking(scene.Base)->Hidden,
            (TStrings{"scripts/q3dm17.arena", "scripts/q3dm6.arena", "scripts/rnew.arena"}));

  // Removing the active arena activates the other; removing the last removes the archive.
  scene.Run(TArena_Mode::Remove);
  EXPECT_EQ(scene.Lists(), TStrings{"q3dm6"});
  scene.Run(TArena_Mode::Remove);
  EXPECT_FALSE(Read_Arena_Outranking(scene.Base));
  EXPECT_EQ(Names_In(scene.Base), (TStrings{"pak0.pk3", "z_R_new.pk3"}));
}

TEST(Arena_Outranking, What_Still_Comes_First_Is_Named) {
  TScene scene;
  // Sorting before it, holding no script, and an empty loose script: nothing to tell.
  scene.Pack("~~~~A.pk3", {"a"});
  scene.Pack("~~~~~empty.pk3", {}, {{"maps/x.bsp", "IBSP"}});
  scene.Pack("~~~~~Later.pk3", {}, {{"scripts/later.arena", Blocks({"later"})}});
  Write_File(scene.Base + "/scripts/loose.arena", Blocks({"loose"}));
  Write_File(scene.Base + "/scripts/empty.arena", "");
  scene.Create("Duel", {});
  const std::string tail = " besides those of the active Arena File in BASEQ3.";
  EXPECT_EQ(scene.Ui.Message_Texts(),
            (TStrings{"Arena File has been created in BASEQ3.",
                      "The game may list maps of ~~~~~Later.pk3" + tail,
                      "The game may list maps of scripts/loose.arena" + tail}));
}

TEST(Arena_Outranking, Every_Name_The_Engine_Lists_As_An_Arena_Script_Is_Hidden) {
  TScene scene;
  scene.Pack("pak0.pk3", {"q3dm17", "q3dm6"});
  scene.Pack("odd.pk3", {},
             {{"scripts/./dot.arena", Blocks({"dot"})},
              {"scripts//twice.arena", Blocks({"twice"})},
              {"scripts/co:lon.arena", Blocks({"colon"})},
              {"scripts\\back.arena", Blocks({"back"})},
              {"scripts/sub/deep.arena", Blocks({"deep"})},
              {"scripts/.arena", Blocks({"bare"})},
              {"SCRIPTS/Upper.ARENA", Blocks({"upper"})},
              {"scripts/a/b/too_deep.arena", Blocks({"too_deep"})}});
  scene.Create("Duel", {1});
  EXPECT_EQ(scene.Lists(), TStrings{"q3dm6"});
}

TEST(Arena_Outranking, Names_Too_Long_For_The_Game_Are_Never_Written_And_Are_Named) {
  // OpenArena's game module ends the process at a .arena name of 120 characters or more.
  TScene scene;
  const std::string longest = std::string(113, 'a');
  const std::string too_long = std::string(114, 'b');
  scene.Pack("pak0.pk3", {"q3dm17"});
  scene.Pack("long.pk3", {longest, too_long});
  scene.Create("Duel", {0});
  const TStrings hidden = Read_Arena_Outranking(scene.Base)->Hidden;
  EXPECT_EQ(hidden, (TStrings{"scripts/" + longest + ".arena", "scripts/q3dm17.arena"}));
  const TStrings messages = scene.Ui.Message_Texts();
  ASSERT_EQ(messages.size(), 2U);
  EXPECT_EQ(messages[1],
            "The game cannot take the arena script scripts/" + too_long +
                ".arena of baseq3/long.pk3: its name is longer than 119 characters after "
                "\"scripts/\" (OpenArena's game ends at it). Please remove or rename it.");
  // A name kept from an earlier archive is dropped as well when no index is at hand.
  const std::string archive = platform::Join(scene.Base, Arena_Outranking_File_Name);
  Write_Pk3(archive, {{"scripts/" + too_long + ".arena", ""}, {"scripts/x.arena", ""}});
  Create_Arena_Outranking_File(scene.Install.Game, scene.Install.Temp, "BASEQ3", scene.Base,
                               nullptr, scene.Ui);
  EXPECT_EQ(Read_Arena_Outranking(scene.Base)->Hidden, TStrings{"scripts/x.arena"});
}

TEST(Arena_Outranking, Only_Its_Own_Archive_Is_Replaced_Or_Removed) {
  TScene scene;
  scene.Pack("pak0.pk3", {"q3dm17", "q3dm6"});
  const TStrings users = {"~~~~Vorlix_Arenas.pk3.bak", "~~~~vorlix_arenas.pk3_2.pk3",
                          "~~~~Vorlix_Arenas.pk3.orig"};
  for (const auto& name : users) {
    Write_Pk3(platform::Join(scene.Base, name), {{"maps/mine.bsp", "IBSP"}});
  }
  // What an interrupted write left is the program's own.
  Write_File(platform::Join(scene.Base, "~~~~Vorlix_Arenas.pk3.new"), "partial");
  Write_File(platform::Join(scene.Base, "~~~~Vorlix_Arenas.pk3.new.aB3dE9"), "partial");
  scene.Create("Duel", {1});
  EXPECT_EQ(scene.Lists(), TStrings{"q3dm6"});
  for (const auto& name : users) {
    EXPECT_TRUE(Exists(platform::Join(scene.Base, name))) << name;
  }
  EXPECT_FALSE(Exists(platform::Join(scene.Base, "~~~~Vorlix_Arenas.pk3.new")));
  EXPECT_FALSE(Exists(platform::Join(scene.Base, "~~~~Vorlix_Arenas.pk3.new.aB3dE9")));
  // A user's pack by the name in other letter case is no reason to write it again.
  const std::string own = platform::Join(scene.Base, Arena_Outranking_File_Name);
  const std::string other_case = platform::Join(scene.Base, "~~~~VORLIX_ARENAS.PK3");
  Write_Pk3(other_case, {{"maps/mine.bsp", "IBSP"}});
  Create_Arena_Disabler_Files(scene.Env, scene.Ui);
  std::filesystem::last_write_time(own, std::filesystem::file_time_type{});
  Create_Arena_Disabler_Files(scene.Env, scene.Ui);
  EXPECT_EQ(std::filesystem::last_write_time(own), std::filesystem::file_time_type{});
  std::filesystem::remove(other_case);
  Check_Arena_Files_At_Start(scene.Install.Game, "baseq3", scene.Ui, scene.Install.Temp);
  EXPECT_EQ(
      std::filesystem::last_write_time(platform::Join(scene.Base, Arena_Outranking_File_Name)),
      std::filesystem::file_time_type{});

  // A user's pack by the exact name is neither replaced nor removed, and the user is told.
  const std::string archive = platform::Join(scene.Base, Arena_Outranking_File_Name);
  Write_Pk3(archive, {{"maps/mine.bsp", "IBSP"}});
  scene.Ui.Messages.clear();
  Create_Arena_Disabler_Files(scene.Env, scene.Ui);
  EXPECT_EQ(Read_Zip(archive).size(), 1U);
  EXPECT_EQ(scene.Ui.Message_Texts(),
            TStrings{"Couldn't write file " + archive +
                     ": a file of that name that Vorlix did not write is in its place, left as "
                     "it is."});
  scene.Run(TArena_Mode::Remove);
  EXPECT_EQ(Read_Zip(archive).size(), 1U);
  EXPECT_EQ(scene.Ui.Message_Texts().back(),
            "~~~~Vorlix_Arenas.pk3 in BASEQ3 was not written by Vorlix and is left as it is.");
}

TEST(Arena_Outranking, Only_The_Base_Directory_Of_The_Engine_In_Use_Counts) {
  TScene scene;
  scene.Pack("pak0.pk3", {"q3dm17"});
  const std::string other = scene.Install.Mod_Dir("baseoa");
  std::filesystem::create_directories(other);
  Write_Pk3(platform::Join(other, "o.pk3"), {{"scripts/oa.arena", Blocks({"oa_dm1"})}});
  scene.Install.Add_PK3("baseoa", "o.pk3");
  scene.Env.MODs = {"BASEQ3", "BASEOA"};
  scene.Create("Duel", {0});
  EXPECT_EQ(Read_Arena_Outranking(scene.Base)->Hidden, TStrings{"scripts/q3dm17.arena"});
}

}  // namespace
}  // namespace vorlix::testing
