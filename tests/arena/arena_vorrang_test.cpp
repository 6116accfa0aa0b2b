#include "arena/arena_vorrang.h"

#include <gtest/gtest.h>

#include "arena/arena_files.h"
#include "arena/game_index.h"
#include "arena_test_support.h"
#include "core/interaction.h"
#include "core/letter_case.h"

namespace vorlix::testing {
namespace {

std::string Blocks(const Strings& maps) {
  std::string text;
  for (const auto& map : maps) {
    text.append("{\nmap \"").append(map).append("\"\n}\n");
  }
  return text;
}

// The maps the game lists with `mod` as its game, read from the archives on disk by the engine's
// rules: the MOD directory's archives before the base directory's, the name sorting last first;
// scripts/arenas.txt, then the .arena names of all archives in that order, each once and as many
// as fit into the engine's 1,024-byte list, each read from the first archive holding it.
Strings Game_Lists(const std::string& game_dir, const std::string& mod) {
  std::vector<TArchive_Facts> archives;
  for (const std::string& dir : {mod, std::string("baseq3")}) {
    for (const auto& name : Names_In(platform::Join(game_dir, dir))) {
      if (name.ends_with(".pk3")) {
        archives.push_back(Read_Archive_Facts(platform::Join({game_dir, dir, name})));
        archives.back().MOD_Directory = dir;
        archives.back().PK3_Filename = name;
      }
    }
  }
  TGame_Index index;
  index.Set_Archives(archives);
  const auto order = index.Search_Order(mod, {"baseq3"});
  Strings names = {"SCRIPTS/ARENAS.TXT"};
  std::size_t used = 0;
  bool full = false;  // the list ends at the first name that does not fit
  for (const TArchive_Facts* facts : order) {
    for (const auto& held : facts->Arena_Scripts) {
      const std::string name = platform::Upper(held);
      const std::size_t length = name.size() - std::string("SCRIPTS/").size() + 1;
      if (full || !name.ends_with(".ARENA") ||
          std::find(names.begin(), names.end(), name) != names.end()) {
        continue;
      }
      full = used + length + 1 >= 1024;
      if (!full) {
        used += length;
        names.push_back(name);
      }
    }
  }
  Strings maps;
  for (const auto& name : names) {
    const auto holds = [&name](const TArchive_Facts* facts) {
      return std::any_of(facts->Arena_Scripts.begin(), facts->Arena_Scripts.end(),
                         [&name](const auto& held) { return platform::Upper(held) == name; });
    };
    const auto first = std::find_if(order.begin(), order.end(), holds);
    for (const auto& info : first == order.end() ? std::vector<TArena_Info>{} : (*first)->Arenas) {
      if (platform::Upper(info.Script) == name) {
        maps.push_back(platform::Lower(info.Value("map")));
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
  TPK3_Datei_Eintrag* Pack(const std::string& name, const Strings& maps,
                           std::vector<Zip_Member> members = {}) {
    TPK3_Datei_Eintrag* pk3 = Inst.Add_PK3("baseq3", name);
    for (const auto& map : maps) {
      members.push_back({"scripts/" + map + ".arena", Blocks({map})});
      Maps.push_back(Inst.Add_Map(pk3, platform::Upper(map) + ".BSP", map));
    }
    Write_Pk3(platform::Join(Base, name), members);
    return pk3;
  }
  void Create(const std::string& arena, const std::vector<int>& maps) {
    TArena_Zweig branch{arena, {}};
    for (const int m : maps) {
      branch.Maps.push_back(Maps.at(static_cast<std::size_t>(m)));
    }
    Ui.Selections.emplace_back(std::vector<int>{0});
    Ui.Names.emplace_back(arena);
    Process_Arena_File(Arena_Modus::Erzeugen, Env, branch, Ui);
  }
  // Activates or removes the first arena file offered.
  void Run(Arena_Modus mode) {
    Ui.Selections = {std::vector<int>{0}, std::vector<int>{0}};
    Ui.Answers = {Answer::Yes};
    Process_Arena_File(mode, Env, {}, Ui);
  }
  Strings Lists() const { return Game_Lists(Inst.Game, "baseq3"); }

  TInstallation Inst;
  std::string Base = Inst.Mod_Dir("baseq3");
  TArena_Umgebung Env{Inst.Game, Inst.Temp, {"BASEQ3"}, &Inst.Database, nullptr};
  std::vector<TMAP_Datei_Eintrag*> Maps;
  TScripted_Interaction& Ui = Inst.Ui;
};

TEST(Arena_Vorrang, The_Game_Lists_Exactly_The_Arena_Files_Maps_Whatever_Else_Outranks) {
  for (const int count : {5, 5000}) {
    SCOPED_TRACE(count);
    TScene scene;
    Strings own;
    for (int m = 0; m < count; ++m) {
      own.push_back("m" + std::to_string(m));
    }
    scene.Pack("pak0.pk3", {"q3dm17"}, {{"scripts/arenas.txt", Blocks({"q3dm1", "q3dm2"})}});
    scene.Pack("maps.pk3", own);
    scene.Pack("z_oacmp-volume1-v3.pk3", {},
               {{"scripts/oacmpv1.arena", Blocks({"oacmpdm1", "oacmpdm2", "oacmpdm3"})}});
    scene.Pack("z_Q_pack.pk3", {}, {{"scripts/arenas.txt", Blocks({"qpack"})}});
    scene.Create("Duel", {0, 2});
    EXPECT_EQ(scene.Lists(), (Strings{"m1", "q3dm17"}));
    EXPECT_EQ(scene.Ui.Message_Texts(), Strings{"Arena File has been created in BASEQ3."});
    // Without the outranking archive the packs' scripts win.
    Arena_Vorrang_File_loeschen(scene.Base);
    EXPECT_EQ(scene.Lists(), (Strings{"oacmpdm1", "oacmpdm2", "oacmpdm3", "qpack"}));
  }
}

TEST(Arena_Vorrang, Activation_Removal_And_Start_Up_Keep_It_In_Step) {
  TScene scene;
  scene.Pack("pak0.pk3", {"q3dm17", "q3dm6"});
  TPK3_Datei_Eintrag* pack = scene.Pack("z_oacmp.pk3", {"oacmpdm1"});
  scene.Create("A", {0});
  scene.Create("B", {1});
  EXPECT_EQ(scene.Lists(), Strings{"q3dm6"});
  scene.Run(Arena_Modus::Aktivieren);
  EXPECT_EQ(scene.Lists(), Strings{"q3dm17"});

  // Files renamed by hand: the start-up pass gives it the script of the one active then.
  std::filesystem::rename(scene.Base + "/z_Arenas_active_A.pk3",
                          scene.Base + "/z_Arenas_Inactive_A.pk3");
  std::filesystem::rename(scene.Base + "/z_Arenas_Inactive_B.pk3",
                          scene.Base + "/z_Arenas_active_B.pk3");
  Pruefe_Arena_Files_beim_Start(scene.Inst.Game, "baseq3", scene.Ui, scene.Inst.Temp);
  EXPECT_EQ(scene.Lists(), Strings{"q3dm6"});
  scene.Run(Arena_Modus::Aktivieren);
  EXPECT_EQ(scene.Lists(), Strings{"q3dm17"});

  // Archives added and removed since the last refresh: the start-up brings it up to date.
  scene.Pack("z_R_new.pk3", {}, {{"scripts/rnew.arena", Blocks({"rnew"})}});
  std::filesystem::remove(platform::Join(scene.Base, "z_oacmp.pk3"));
  pack->Present = false;
  EXPECT_EQ(scene.Lists(), (Strings{"q3dm17", "rnew"}));
  Pruefe_Arena_Files_beim_Start(scene.Inst.Game, "baseq3", scene.Ui, scene.Inst.Temp);
  Arena_Disabler_Files_erzeugen(scene.Env, scene.Ui);
  EXPECT_EQ(scene.Lists(), Strings{"q3dm17"});
  EXPECT_EQ(Lies_Arena_Vorrang(scene.Base)->Verborgen,
            (Strings{"scripts/q3dm17.arena", "scripts/q3dm6.arena", "scripts/rnew.arena"}));

  // Removing the active arena activates the other; removing the last removes the archive.
  scene.Run(Arena_Modus::Entfernen);
  EXPECT_EQ(scene.Lists(), Strings{"q3dm6"});
  scene.Run(Arena_Modus::Entfernen);
  EXPECT_FALSE(Lies_Arena_Vorrang(scene.Base));
  EXPECT_EQ(Names_In(scene.Base), (Strings{"pak0.pk3", "z_R_new.pk3"}));
}

TEST(Arena_Vorrang, What_Still_Comes_First_Is_Named) {
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
            (Strings{"Arena File has been created in BASEQ3.",
                     "The game may list maps of ~~~~~Later.pk3" + tail,
                     "The game may list maps of scripts/loose.arena" + tail}));
}

}  // namespace
}  // namespace vorlix::testing
