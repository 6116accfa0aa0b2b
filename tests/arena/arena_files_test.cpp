#include "arena/arena_files.h"
#include "cli/cli_arena_answers.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "arena/arena_script.h"
#include "arena_test_support.h"
#include "core/paths.h"

namespace vorlix::testing {
namespace {

const std::string Usual = "scripts/arenas.txt";
const std::string Parked = "scripts/arenas.txt.inactive";
const std::string Disabler = "z_Arenas_Disabler.pk3: scripts/cpm22.arena scripts/q3dm17.arena";
// The outranking archive, with the active arena's script (the test database's archives are not on
// disk: no script of theirs to hide).
const std::string Outranking = "~~~~Vorlix_Arenas.pk3: scripts/arenas.txt";

// Lines of Contents() for arena archives whose entries match their names' states.
std::string Active(const std::string& arena) {
  return "z_Arenas_active_" + arena + ".pk3: " + Usual;
}
std::string Inactive(const std::string& arena) {
  return "z_Arenas_Inactive_" + arena + ".pk3: " + Parked;
}

// Records the preset the creation hands to the name dialog.
class TPreset_Recorder : public TScripted_Interaction {
 public:
  std::optional<std::string> Specify_Arena_Name(const std::string& directory_name,
                                                const std::optional<std::string>& preset) override {
    Presets.push_back(preset);
    return TScripted_Interaction::Specify_Arena_Name(directory_name, preset);
  }
  std::vector<std::optional<std::string>> Presets;
};

class Arena_Files : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(Base);
    std::filesystem::create_directories(Cpma);
    Env = {Inst.Game, Inst.Temp, {"BASEQ3", "CPMA"}, &Inst.Database, nullptr};
    Yard = Inst.Add_Map(Inst.Add_PK3("baseq3", "pak0.pk3"), "Q3DM17.BSP", "The Longest Yard",
                        {"BASEQ3", "CPMA"});
    Yard->Assigned_Bots = {"Sarge", "Grunt"};
    Yard->Game_Types = GT_Free_For_All | GT_Tournament;
    Cpm =
        Inst.Add_Map(Inst.Add_PK3("cpma", "cpmmaps.pk3"), "CPM22.BSP", "Cpm Twenty-Two", {"CPMA"});
    Branch = {"Duel maps", {Yard, Cpm}};
  }

  std::string In_Base(const std::string& name) const { return platform::Join(Base, name); }
  std::string In_Cpma(const std::string& name) const { return platform::Join(Cpma, name); }
  std::string Script_Of(const std::string& path) const { return Read_Zip(path).at(0).Data; }

  // The answers of the dialogs: the MOD selection, then the names asked.
  void Choose(std::vector<int> mods, const Strings& names = {}) {
    Ui.Selections.emplace_back(std::move(mods));
    Ui.Names.insert(Ui.Names.end(), names.begin(), names.end());
  }
  // The selection dialogs shown: "description | confirm caption | items [| multi]".
  Strings Requests() const {
    Strings lines;
    for (const auto& request : Ui.Selection_Requests) {
      std::string items;
      for (const auto& item : request.Items) {
        items += (items.empty() ? "" : ",") + item;
      }
      lines.push_back(request.Description + " | " + request.Confirm_Caption + " | " + items +
                      (request.Multi_Select ? " | multi" : ""));
    }
    return lines;
  }
  TArena_Verfuegbarkeit Run(Arena_Modus mode) { return Process_Arena_File(mode, Env, Branch, Ui); }

  TInstallation Inst;
  std::string Base = Inst.Mod_Dir("baseq3");
  std::string Cpma = Inst.Mod_Dir("cpma");
  TArena_Umgebung Env;
  TArena_Zweig Branch;
  TMAP_Datei_Eintrag* Yard = nullptr;
  TMAP_Datei_Eintrag* Cpm = nullptr;
  TPreset_Recorder Ui;
};

// ---- Creation

TEST_F(Arena_Files, Creation_Writes_One_Deflated_Script_Entry_And_The_Disabler) {
  Choose({0}, {"Duel"});
  const auto availability = Run(Arena_Modus::Erzeugen);

  EXPECT_EQ(
      Requests(),
      Strings{"Select the modification to create a Arena File for. |  | BASEQ3,CPMA | multi"});
  EXPECT_EQ(Ui.Name_Requests, (Strings{"BASEQ3"}));
  EXPECT_EQ(Ui.Presets, (std::vector<std::optional<std::string>>{std::string()}));

  const auto members = Read_Zip(In_Base("z_Arenas_active_Duel.pk3"));
  ASSERT_EQ(members.size(), 1u);
  EXPECT_EQ(members[0].Name, Usual);
  EXPECT_EQ(members[0].Compression, ZIP_CM_DEFLATE);
  EXPECT_EQ(members[0].Data,
            "{\r\n"
            "map            \"q3dm17\"\r\n"
            "bots           \"sarge grunt\"\r\n"
            "longname       \"The Longest Yard\"\r\n"
            "fraglimit      \"20\"\r\n"
            "type           \"ffa tourney\"\r\n"
            "}\r\n"
            "\r\n");
  EXPECT_EQ(Ui.Messages, (std::vector<Recorded_Message>{{Message_Kind::Information,
                                                         "Arena File has been created in BASEQ3.",
                                                         Button_Set::OK}}));
  EXPECT_FALSE(Exists(Inst.Temp));
  // The disabler carries every map of the database, those of other MODs too.
  EXPECT_EQ(Contents(Base), (Strings{Active("Duel"), Disabler, Outranking}));
  EXPECT_TRUE(Names_In(Cpma).empty());
  EXPECT_EQ(availability, (TArena_Verfuegbarkeit{true, false}));
}

TEST_F(Arena_Files, Creation_For_Two_MODs_Asks_Twice_And_Keeps_The_Name) {
  Choose({0, 1}, {"Duel", "Duel"});
  Run(Arena_Modus::Erzeugen);
  EXPECT_EQ(Ui.Name_Requests, (Strings{"BASEQ3", "CPMA"}));
  EXPECT_EQ(Ui.Presets, (std::vector<std::optional<std::string>>{std::string(), std::nullopt}));
  // A BASEQ3 map goes into every MOD that lists it; the CPMA map only into CPMA's.
  const std::string cpma_script = Script_Of(In_Cpma("z_Arenas_active_Duel.pk3"));
  EXPECT_NE(cpma_script.find("\"q3dm17\""), std::string::npos);
  EXPECT_NE(cpma_script.find("\"cpm22\""), std::string::npos);
  EXPECT_EQ(Script_Of(In_Base("z_Arenas_active_Duel.pk3")).find("\"cpm22\""), std::string::npos);
  EXPECT_TRUE(Exists(In_Cpma("z_Arenas_Disabler.pk3")));
}

TEST_F(Arena_Files, Creation_Over_An_Existing_Arena_Asks_First_And_Deactivates_The_Old) {
  Write_Arena_Pk3(In_Base("z_Arenas_Inactive_Duel.pk3"), Parked, "old");
  Write_Arena_Pk3(In_Base("z_Arenas_active_Old.pk3"));
  Choose({0}, {"Duel"});
  Choose({0}, {"Duel"});
  Ui.Answers = {Answer::No, Answer::Yes};
  Run(Arena_Modus::Erzeugen);
  const std::string question =
      "Vorlix has already created this Arena File in BASEQ3. Do you want to overwrite it?";
  EXPECT_EQ(
      Ui.Messages,
      (std::vector<Recorded_Message>{{Message_Kind::Confirmation, question, Button_Set::Yes_No}}));
  EXPECT_EQ(Names_In(Base), (Strings{"z_Arenas_active_Old.pk3", "z_Arenas_Inactive_Duel.pk3"}));

  const auto availability = Run(Arena_Modus::Erzeugen);
  EXPECT_EQ(Contents(Base), (Strings{Active("Duel"), Disabler, Inactive("Old"), Outranking}));
  EXPECT_NE(Script_Of(In_Base("z_Arenas_active_Duel.pk3")), "old");
  EXPECT_EQ(availability, (TArena_Verfuegbarkeit{true, true}));
}

TEST_F(Arena_Files, Names_That_Would_Leave_The_MOD_Directory_Are_Asked_Again) {
  Choose({0}, {"../../escape", "Safe"});
  Run(Arena_Modus::Erzeugen);
  ASSERT_GE(Ui.Messages.size(), 2u);
  EXPECT_EQ(Ui.Messages[0].Kind, Message_Kind::Error);
  EXPECT_NE(Ui.Messages[0].Text.find("../../escape"), std::string::npos);
  EXPECT_EQ(Ui.Name_Requests, (Strings{"BASEQ3", "BASEQ3"}));
  EXPECT_TRUE(Exists(In_Base("z_Arenas_active_Safe.pk3")));
  EXPECT_FALSE(Exists(Inst.Game + "/escape.pk3"));
  EXPECT_FALSE(Exists(Inst.Root / "escape.pk3"));
}

TEST_F(Arena_Files, Empty_And_Too_Large_Scripts) {
  // No map for the MOD: the archive is still written, with an empty script.
  Yard->Useable_MODs = {"CPMA"};
  Choose({0}, {"Nothing"});
  Run(Arena_Modus::Erzeugen);
  EXPECT_EQ(Script_Of(In_Base("z_Arenas_active_Nothing.pk3")), "");
  EXPECT_EQ(Ui.Message_Texts(), (Strings{"Arena File has been created in BASEQ3."}));

  // A script the game would ignore is warned about.
  Ui.Messages.clear();
  TPK3_Datei_Eintrag* big = Inst.Add_PK3("baseq3", "big.pk3");
  Branch.Maps.clear();
  while (Erzeuge_Arena_Script(Branch.Maps, "BASEQ3").size() < 8192) {
    Branch.Maps.push_back(Inst.Add_Map(big, "M" + std::to_string(Branch.Maps.size()) + ".BSP",
                                       std::string(100, 'x')));
  }
  Choose({0}, {"Big"});
  Run(Arena_Modus::Erzeugen);
  EXPECT_EQ(
      Ui.Messages,
      (std::vector<Recorded_Message>{
          {Message_Kind::Information, "Arena File has been created in BASEQ3.", Button_Set::OK},
          {Message_Kind::Warning,
           "The Arena File in BASEQ3 lists too many maps: the game ignores arena scripts of "
           "8192 bytes or more.",
           Button_Set::OK}}));
}

TEST_F(Arena_Files, No_MODs_And_Cancelled_Dialogs) {
  TArena_Umgebung empty = Env;
  empty.MODs.clear();
  Process_Arena_File(Arena_Modus::Erzeugen, empty, Branch, Ui);
  EXPECT_EQ(Ui.Messages,
            (std::vector<Recorded_Message>{
                {Message_Kind::Error, "Fatal error: no MODs available. Please report to author.",
                 Button_Set::OK}}));
  EXPECT_TRUE(Ui.Selection_Requests.empty());

  Ui.Messages.clear();
  Choose({0});  // the name dialog is cancelled
  Run(Arena_Modus::Erzeugen);
  Run(Arena_Modus::Erzeugen);  // the MOD dialog is cancelled
  EXPECT_TRUE(Ui.Messages.empty());
  EXPECT_TRUE(Names_In(Base).empty());
}

TEST_F(Arena_Files, An_Archive_That_Cannot_Be_Written_Is_Reported_And_Stops_The_Command) {
  Write_File(Inst.Mod_Dir("broken"), "a file where the MOD directory should be");
  Env.MODs = {"BROKEN", "CPMA"};
  Choose({0, 1}, {"Duel", "Duel"});
  const auto availability = Run(Arena_Modus::Erzeugen);
  ASSERT_EQ(Ui.Messages.size(), 1u);
  EXPECT_EQ(Ui.Messages[0].Kind, Message_Kind::Error);
  EXPECT_EQ(Ui.Name_Requests, (Strings{"BROKEN"}));  // CPMA is not handled any more
  EXPECT_TRUE(Names_In(Cpma).empty());
  EXPECT_EQ(availability, (TArena_Verfuegbarkeit{false, false}));
}

// ---- Activation and removal

TEST_F(Arena_Files, Activating_B_Beside_Active_A) {
  Write_Arena_Pk3(In_Base("z_Arenas_active_A.pk3"), Usual);
  Write_Arena_Pk3(In_Base("z_Arenas_Inactive_B.pk3"), Parked);
  Choose({0});
  Choose({0});
  const auto availability = Run(Arena_Modus::Aktivieren);

  // CPMA holds no arena file; only inactive arenas are offered.
  EXPECT_EQ(Requests(),
            (Strings{"Select the modification to activate an Arena File from. |  | BASEQ3",
                     "Select an Arena File to activate. | Activate | B"}));
  EXPECT_EQ(Contents(Base), (Strings{Active("B"), Inactive("A"), Outranking}));
  EXPECT_TRUE(Ui.Messages.empty());
  EXPECT_EQ(availability, (TArena_Verfuegbarkeit{true, true}));
}

TEST_F(Arena_Files, Activation_Recovers_A_Name_Renamed_Away_And_Refuses_Strangers) {
  Write_Arena_Pk3(In_Base("z_Arenas_active_A.pk3"), Usual);
  Arena_File_aktivieren(Base, "z_Arenas_active_A.pk3", Ui);
  EXPECT_EQ(Contents(Base), (Strings{Active("A")}));
  // The disabler: every file stays inactive, without a word.
  Arena_File_aktivieren(Base, "z_Arenas_Disabler.pk3", Ui);
  EXPECT_TRUE(Ui.Messages.empty());
  EXPECT_EQ(Names_In(Base), (Strings{"z_Arenas_Inactive_A.pk3"}));

  Arena_File_aktivieren(Base, "z_Arenas_other.pk3", Ui);
  Arena_File_aktivieren(Base, "z_Arenas_active_Gone.pk3", Ui);
  EXPECT_EQ(
      Ui.Message_Texts(),
      (Strings{"Fatal error: z_Arenas_other.pk3 isn't a Vorlix PK3. Please report to author.",
               "Fatal error: Arena File z_Arenas_active_Gone.pk3 doesn't exist. Please report "
               "to author."}));
}

TEST_F(Arena_Files, Deactivation_Replaces_A_Prefix_Written_In_Other_Case) {
  Write_Arena_Pk3(In_Base("Z_ARENAS_ACTIVE_Loud.pk3"), Usual);
  Write_Arena_Pk3(In_Base("z_Arenas_active_Quiet.pk3"), Usual);
  Write_Arena_Pk3(In_Base("z_Arenas_Inactive_Quiet.pk3"), Parked, "kept");
  Alle_Arena_Files_deaktivieren_in(Base);
  // The rename onto an existing inactive name fails and is left out: nothing is replaced.
  EXPECT_EQ(Contents(Base), (Strings{Active("Quiet"), Inactive("Loud"), Inactive("Quiet")}));
  EXPECT_EQ(Script_Of(In_Base("z_Arenas_Inactive_Quiet.pk3")), "kept");
}

TEST_F(Arena_Files, Removing_The_Active_Arena_Activates_The_First_Remaining) {
  Write_Arena_Pk3(In_Base("z_Arenas_active_A.pk3"), Usual);
  Write_Arena_Pk3(In_Base("z_Arenas_Inactive_B.pk3"), Parked);
  Write_Arena_Pk3(In_Base("z_Arenas_Inactive_C.pk3"), Parked);
  Choose({0});
  Choose({0, 2});
  Ui.Answers = {Answer::Yes, Answer::No};
  const auto availability = Run(Arena_Modus::Entfernen);

  EXPECT_EQ(Requests(), (Strings{"Select the modification to remove a Arena File from. |  | BASEQ3",
                                 "Select an Arena File to delete. | Delete | A,B,C | multi"}));
  EXPECT_EQ(Ui.Messages,
            (std::vector<Recorded_Message>{
                {Message_Kind::Confirmation, "Do you really want to delete the Arena File A?",
                 Button_Set::Yes_No},
                {Message_Kind::Information, "File successfully deleted.", Button_Set::OK},
                {Message_Kind::Confirmation, "Do you really want to delete the Arena File C?",
                 Button_Set::Yes_No}}));
  EXPECT_EQ(Contents(Base), (Strings{Active("B"), Disabler, Inactive("C"), Outranking}));
  EXPECT_EQ(availability, (TArena_Verfuegbarkeit{true, true}));
}

TEST_F(Arena_Files, Removing_The_Only_Arena_Removes_The_Disabler) {
  // Cancelling the arena-file dialog leaves the files and the disabler alone.
  Write_Arena_Pk3(In_Base("z_Arenas_active_A.pk3"), Usual);
  Write_Pk3(In_Base("z_Arenas_Disabler.pk3"), {{"scripts/old.arena", ""}});
  Ui.Selections = {std::vector<int>{0}, std::nullopt};
  Run(Arena_Modus::Entfernen);
  EXPECT_EQ(Contents(Base), (Strings{Active("A"), "z_Arenas_Disabler.pk3: scripts/old.arena"}));

  Choose({0});
  Choose({0});
  Ui.Answers = {Answer::Yes};
  EXPECT_EQ(Run(Arena_Modus::Entfernen), (TArena_Verfuegbarkeit{false, false}));
  EXPECT_TRUE(Names_In(Base).empty());
}

// ---- Start-up pass and disablers

TEST_F(Arena_Files, Start_Up_Leaves_One_Active_Arena_And_Entries_Matching_Their_State) {
  // Two active files, and archives written with the usual entry name in both states.
  Write_Arena_Pk3(In_Base("z_Arenas_active_B.pk3"), Usual);
  Write_Arena_Pk3(In_Base("z_Arenas_active_C.pk3"), Usual);
  Write_Arena_Pk3(In_Base("z_Arenas_Inactive_A.pk3"), "SCRIPTS/ARENAS.TXT");
  Pruefe_Arena_Files_beim_Start(Inst.Game, "baseq3", Ui);
  // The first arena file in directory order is the active one.
  EXPECT_EQ(Contents(Base), (Strings{Active("B"), Inactive("A"), Inactive("C")}));
  // Only inactive files: the first is activated.
  Write_Arena_Pk3(In_Cpma("z_Arenas_Inactive_Y.pk3"), Parked);
  Write_Arena_Pk3(In_Cpma("z_Arenas_Inactive_X.pk3"), Usual);
  Pruefe_Arena_Files_beim_Start(Inst.Game, "cpma", Ui);
  EXPECT_EQ(Contents(Cpma), (Strings{Active("X"), Inactive("Y")}));
  EXPECT_TRUE(Ui.Messages.empty());
}

TEST_F(Arena_Files, Start_Up_Puts_Right_Only_The_Entry_Of_The_One_Active_Arena) {
  Write_Arena_Pk3(In_Base("z_Arenas_active_Only.pk3"), Parked);
  Write_Arena_Pk3(In_Base("z_Arenas_Inactive_Other.pk3"), Parked);
  Pruefe_Arena_Files_beim_Start(Inst.Game, "baseq3", Ui);
  EXPECT_EQ(Contents(Base), (Strings{Active("Only"), Inactive("Other")}));
}

TEST_F(Arena_Files, Disablers_Follow_The_Arena_Files_And_Keep_Old_Entries) {
  Write_Arena_Pk3(In_Cpma("z_Arenas_active_X.pk3"), Usual);
  Write_File(Inst.Temp + "/scripts/arenas.txt", "left by an interrupted command");
  Write_Pk3(In_Cpma("z_Arenas_Disabler.pk3"), {{"scripts/gone.arena", ""}});
  Write_Pk3(In_Base("z_Arenas_Disabler.PK3"), {{"scripts/gone.arena", ""}});
  Arena_Disabler_Files_erzeugen(Env, Ui);
  EXPECT_TRUE(Names_In(Base).empty());  // no arena file left there, in any letter case
  EXPECT_EQ(Contents(Cpma), (Strings{Active("X"),
                                     "z_Arenas_Disabler.pk3: scripts/cpm22.arena "
                                     "scripts/gone.arena scripts/q3dm17.arena",
                                     Outranking}));
  for (const auto& member : Read_Zip(In_Cpma("z_Arenas_Disabler.pk3"))) {
    EXPECT_EQ(member.Data, "");
  }
  EXPECT_FALSE(Exists(Inst.Temp));

  // An empty database writes no disabler and keeps an old one.
  TPK3_Dateien_Verwaltung empty(Inst.Database.Paths(), &Ui);
  Env.Database = &empty;
  Write_Arena_Pk3(In_Base("z_Arenas_active_A.pk3"), Usual);
  Write_Pk3(In_Cpma("z_Arenas_Disabler.pk3"), {{"scripts/old.arena", ""}});
  Arena_Disabler_Files_erzeugen(Env, Ui);
  EXPECT_FALSE(Exists(In_Base("z_Arenas_Disabler.pk3")));
  EXPECT_EQ(Contents(Cpma).at(1), "z_Arenas_Disabler.pk3: scripts/old.arena");
}

TEST_F(Arena_Files, A_Disabler_Holding_Every_Entry_Is_Not_Written_Again) {
  Write_Arena_Pk3(In_Cpma("z_Arenas_active_X.pk3"), Usual);
  Arena_Disabler_Files_erzeugen(Env, Ui);
  const auto identity = [this] {
    struct stat st {};
    ::stat(In_Cpma("z_Arenas_Disabler.pk3").c_str(), &st);
    return std::make_pair(st.st_ino, st.st_mtim.tv_nsec);
  };
  const auto written = identity();
  Arena_Disabler_Files_erzeugen(Env, Ui);
  EXPECT_EQ(identity(), written);
  // A map the disabler lacks, or an entry that is not empty, makes it written again.
  Write_Pk3(In_Cpma("z_Arenas_Disabler.pk3"),
            {{"scripts/cpm22.arena", "x"}, {"scripts/q3dm17.arena", ""}});
  Arena_Disabler_Files_erzeugen(Env, Ui);
  for (const auto& member : Read_Zip(In_Cpma("z_Arenas_Disabler.pk3"))) {
    EXPECT_EQ(member.Data, "") << member.Name;
  }
  Write_Pk3(In_Cpma("z_Arenas_Disabler.pk3"), {{"scripts/q3dm17.arena", ""}});
  Arena_Disabler_Files_erzeugen(Env, Ui);
  EXPECT_EQ(Contents(Cpma).at(1), Disabler);
}

// ---- The command line's way in

TEST_F(Arena_Files, Commands_With_Answers_Given_In_Advance) {
  Fuehre_Arena_Befehl_aus({Arena_Modus::Erzeugen, {"cpma", "BASEQ3"}, {"Duel"}}, Env, Branch, Ui);
  EXPECT_EQ(Ui.Message_Texts(), (Strings{"Arena File has been created in CPMA.",
                                         "Arena File has been created in BASEQ3."}));
  EXPECT_TRUE(Exists(In_Cpma("z_Arenas_active_Duel.pk3")));
  EXPECT_TRUE(Exists(In_Base("z_Arenas_active_Duel.pk3")));

  Fuehre_Arena_Befehl_aus({Arena_Modus::Erzeugen, {"BASEQ3"}, {"CTF"}}, Env, Branch, Ui);
  const auto availability =
      Fuehre_Arena_Befehl_aus({Arena_Modus::Aktivieren, {"BASEQ3"}, {"Duel"}}, Env, Branch, Ui);
  EXPECT_TRUE(Exists(In_Base("z_Arenas_active_Duel.pk3")));
  EXPECT_TRUE(Exists(In_Base("z_Arenas_Inactive_CTF.pk3")));
  EXPECT_EQ(availability, (TArena_Verfuegbarkeit{true, true}));

  Ui.Messages.clear();
  Fuehre_Arena_Befehl_aus({Arena_Modus::Entfernen, {"BASEQ3"}, {"Nope"}}, Env, Branch, Ui);
  EXPECT_EQ(Ui.Message_Texts(), (Strings{"Nope cannot be chosen here. Offered: Duel, CTF."}));
  EXPECT_TRUE(Exists(In_Base("z_Arenas_Inactive_CTF.pk3")));

  // A refused name is not offered again: the MOD is skipped.
  Ui.Messages.clear();
  Fuehre_Arena_Befehl_aus({Arena_Modus::Erzeugen, {"BASEQ3"}, {"a/b"}}, Env, Branch, Ui);
  ASSERT_EQ(Ui.Messages.size(), 1u);
  EXPECT_EQ(Ui.Messages[0].Kind, Message_Kind::Error);

  // What the answers do not cover reaches the front end's own interaction.
  struct TPainted : TScripted_Interaction {
    void Keep_Painted() override { ++Count; }
    int Count = 0;
  } painted;
  TArena_Antworten(TArena_Befehl{}, painted).Keep_Painted();
  EXPECT_EQ(painted.Count, 1);
}

}  // namespace
}  // namespace vorlix::testing
