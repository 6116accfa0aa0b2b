#include "arena/arena_files.h"

#include <gtest/gtest.h>

#include "arena/arena_script.h"
#include "arena_test_support.h"

namespace vorlix::testing {
namespace {

using Strings = std::vector<std::string>;

const char* const Usual = "scripts/arenas.txt";
const char* const Parked = "scripts/arenas.txt.inactive";

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
    Env.Game_Dir = Inst.Game;
    Env.Temp_Dir = Inst.Temp;
    Env.MODs = {"BASEQ3", "CPMA"};
    Env.Database = &Inst.Database;

    TPK3_Datei_Eintrag* pak = Inst.Add_PK3("baseq3", "pak0.pk3");
    Yard = Inst.Add_Map(pak, "Q3DM17.BSP", "The Longest Yard", {"BASEQ3", "CPMA"});
    Yard->Assigned_Bots = {"Sarge", "Grunt"};
    Yard->Game_Types = GT_Free_For_All | GT_Tournament;
    TPK3_Datei_Eintrag* cpma_pak = Inst.Add_PK3("cpma", "cpmmaps.pk3");
    Cpm = Inst.Add_Map(cpma_pak, "CPM22.BSP", "Cpm Twenty-Two", {"CPMA"});
    Branch.Group_Name = "Duel maps";
    Branch.Maps = {Yard, Cpm};
  }

  std::string In_Base(const std::string& name) const { return platform::Join(Base, name); }
  std::string In_Cpma(const std::string& name) const { return platform::Join(Cpma, name); }

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
// ------------------------------------------------------------------------------------

TEST_F(Arena_Files, Creation_Writes_One_Deflated_Script_Entry_And_The_Disabler) {
  Ui.Selections.push_back(std::vector<int>{0});
  Ui.Names.emplace_back("Duel");
  const auto availability = Run(Arena_Modus::Erzeugen);

  ASSERT_EQ(Ui.Selection_Requests.size(), 1u);
  EXPECT_EQ(Ui.Selection_Requests[0].Description,
            "Select the modification to create a Arena File for.");
  EXPECT_TRUE(Ui.Selection_Requests[0].Multi_Select);
  EXPECT_EQ(Ui.Selection_Requests[0].Items, (Strings{"BASEQ3", "CPMA"}));
  EXPECT_EQ(Ui.Name_Requests, (Strings{"BASEQ3"}));
  EXPECT_EQ(Ui.Presets, (std::vector<std::optional<std::string>>{std::string()}));

  const auto members = Read_Zip(In_Base("z_Arenas_active_Duel.pk3"));
  ASSERT_EQ(members.size(), 1u);
  EXPECT_EQ(members[0].first, Usual);
  EXPECT_EQ(members[0].second.Compression, ZIP_CM_DEFLATE);
  EXPECT_EQ(members[0].second.Data,
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
  Strings disabler = Member_Names(In_Base("z_Arenas_Disabler.pk3"));
  std::sort(disabler.begin(), disabler.end());
  EXPECT_EQ(disabler, (Strings{"scripts/cpm22.arena", "scripts/q3dm17.arena"}));
  EXPECT_FALSE(Exists(In_Cpma("z_Arenas_Disabler.pk3")));
  EXPECT_EQ(availability, (TArena_Verfuegbarkeit{true, false}));
}

TEST_F(Arena_Files, Creation_For_Two_MODs_Asks_Twice_And_Keeps_The_Name) {
  Ui.Selections.push_back(std::vector<int>{0, 1});
  Ui.Names = {std::string("Duel"), std::string("Duel")};
  Run(Arena_Modus::Erzeugen);
  EXPECT_EQ(Ui.Name_Requests, (Strings{"BASEQ3", "CPMA"}));
  EXPECT_EQ(Ui.Presets, (std::vector<std::optional<std::string>>{std::string(), std::nullopt}));
  // A BASEQ3 map goes into every MOD that lists it; the CPMA map only into CPMA's.
  const std::string cpma_script = Read_Zip(In_Cpma("z_Arenas_active_Duel.pk3")).at(0).second.Data;
  EXPECT_NE(cpma_script.find("\"q3dm17\""), std::string::npos);
  EXPECT_NE(cpma_script.find("\"cpm22\""), std::string::npos);
  const std::string base_script = Read_Zip(In_Base("z_Arenas_active_Duel.pk3")).at(0).second.Data;
  EXPECT_EQ(base_script.find("\"cpm22\""), std::string::npos);
  EXPECT_TRUE(Exists(In_Cpma("z_Arenas_Disabler.pk3")));
}

TEST_F(Arena_Files, Creation_Deactivates_The_Old_Arena_With_Its_Entry) {
  Write_Arena_Pk3(In_Base("z_Arenas_active_Old.pk3"));
  Ui.Selections.push_back(std::vector<int>{0});
  Ui.Names.emplace_back("Duel");
  const auto availability = Run(Arena_Modus::Erzeugen);
  EXPECT_EQ(Names_In(Base), (Strings{"z_Arenas_active_Duel.pk3", "z_Arenas_Disabler.pk3",
                                     "z_Arenas_Inactive_Old.pk3"}));
  EXPECT_EQ(Member_Names(In_Base("z_Arenas_Inactive_Old.pk3")), (Strings{Parked}));
  EXPECT_EQ(Member_Names(In_Base("z_Arenas_active_Duel.pk3")), (Strings{Usual}));
  EXPECT_EQ(availability, (TArena_Verfuegbarkeit{true, true}));
}

TEST_F(Arena_Files, Creation_Over_An_Existing_Arena_Asks_First) {
  Write_Arena_Pk3(In_Base("z_Arenas_Inactive_Duel.pk3"), Parked, "old");
  Ui.Selections = {std::vector<int>{0}, std::vector<int>{0}};
  Ui.Names = {std::string("Duel"), std::string("Duel")};
  Ui.Answers = {Answer::No, Answer::Yes};
  Run(Arena_Modus::Erzeugen);
  const std::string question =
      "Vorlix has already created this Arena File in BASEQ3. Do you want to overwrite it?";
  ASSERT_EQ(Ui.Messages.size(), 1u);
  EXPECT_EQ(Ui.Messages[0],
            (Recorded_Message{Message_Kind::Confirmation, question, Button_Set::Yes_No}));
  EXPECT_EQ(Names_In(Base), (Strings{"z_Arenas_Inactive_Duel.pk3"}));

  Run(Arena_Modus::Erzeugen);
  EXPECT_EQ(Names_In(Base), (Strings{"z_Arenas_active_Duel.pk3", "z_Arenas_Disabler.pk3"}));
  EXPECT_NE(Read_Zip(In_Base("z_Arenas_active_Duel.pk3")).at(0).second.Data, "old");
}

TEST_F(Arena_Files, Names_That_Would_Leave_The_MOD_Directory_Are_Asked_Again) {
  Ui.Selections.push_back(std::vector<int>{0});
  Ui.Names = {std::string("../../escape"), std::string("Safe")};
  Run(Arena_Modus::Erzeugen);
  ASSERT_GE(Ui.Messages.size(), 2u);
  EXPECT_EQ(Ui.Messages[0].Kind, Message_Kind::Error);
  EXPECT_NE(Ui.Messages[0].Text.find("../../escape"), std::string::npos);
  EXPECT_EQ(Ui.Name_Requests, (Strings{"BASEQ3", "BASEQ3"}));
  EXPECT_TRUE(Exists(In_Base("z_Arenas_active_Safe.pk3")));
  EXPECT_FALSE(Exists(Inst.Game + "/escape.pk3"));
  EXPECT_FALSE(Exists(Inst.Root / "escape.pk3"));
}

TEST_F(Arena_Files, Empty_Script_Still_Makes_An_Archive) {
  Yard->Useable_MODs = {"CPMA"};
  Ui.Selections.push_back(std::vector<int>{0});
  Ui.Names.emplace_back("Nothing");
  Run(Arena_Modus::Erzeugen);
  const auto members = Read_Zip(In_Base("z_Arenas_active_Nothing.pk3"));
  ASSERT_EQ(members.size(), 1u);
  EXPECT_EQ(members[0].second.Data, "");
  EXPECT_EQ(Ui.Message_Texts(), (Strings{"Arena File has been created in BASEQ3."}));
}

TEST_F(Arena_Files, Scripts_The_Game_Would_Ignore_Are_Warned_About) {
  TPK3_Datei_Eintrag* big = Inst.Add_PK3("baseq3", "big.pk3");
  Branch.Maps.clear();
  while (Erzeuge_Arena_Script(Branch.Maps, "BASEQ3").size() < 8192) {
    Branch.Maps.push_back(Inst.Add_Map(big, "M" + std::to_string(Branch.Maps.size()) + ".BSP",
                                       std::string(100, 'x')));
  }
  Ui.Selections.push_back(std::vector<int>{0});
  Ui.Names.emplace_back("Big");
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
  Ui.Selections.push_back(std::vector<int>{0});  // the name dialog is cancelled
  Run(Arena_Modus::Erzeugen);
  Run(Arena_Modus::Erzeugen);  // the MOD dialog is cancelled
  EXPECT_TRUE(Ui.Messages.empty());
  EXPECT_TRUE(Names_In(Base).empty());
}

TEST_F(Arena_Files, An_Archive_That_Cannot_Be_Written_Is_Reported_And_Stops_The_Command) {
  Write_File(Inst.Mod_Dir("broken"), "a file where the MOD directory should be");
  Env.MODs = {"BROKEN", "CPMA"};
  Ui.Selections.push_back(std::vector<int>{0, 1});
  Ui.Names = {std::string("Duel"), std::string("Duel")};
  const auto availability = Run(Arena_Modus::Erzeugen);
  ASSERT_EQ(Ui.Messages.size(), 1u);
  EXPECT_EQ(Ui.Messages[0].Kind, Message_Kind::Error);
  EXPECT_EQ(Ui.Name_Requests, (Strings{"BROKEN"}));  // CPMA is not handled any more
  EXPECT_TRUE(Names_In(Cpma).empty());
  EXPECT_EQ(availability, (TArena_Verfuegbarkeit{false, false}));
}

// ---- Activation and removal ------------------------------------------------------------------

TEST_F(Arena_Files, Activating_B_Beside_Active_A) {
  Write_Arena_Pk3(In_Base("z_Arenas_active_A.pk3"), Usual);
  Write_Arena_Pk3(In_Base("z_Arenas_Inactive_B.pk3"), Parked);
  Ui.Selections = {std::vector<int>{0}, std::vector<int>{0}};
  const auto availability = Run(Arena_Modus::Aktivieren);

  ASSERT_EQ(Ui.Selection_Requests.size(), 2u);
  EXPECT_EQ(Ui.Selection_Requests[0].Description,
            "Select the modification to activate an Arena File from.");
  EXPECT_EQ(Ui.Selection_Requests[0].Items, (Strings{"BASEQ3"}));  // CPMA holds no arena file
  EXPECT_FALSE(Ui.Selection_Requests[0].Multi_Select);
  EXPECT_EQ(Ui.Selection_Requests[1].Description, "Select an Arena File to activate.");
  EXPECT_EQ(Ui.Selection_Requests[1].Confirm_Caption, "Activate");
  EXPECT_EQ(Ui.Selection_Requests[1].Items, (Strings{"B"}));  // only inactive arenas

  EXPECT_EQ(Names_In(Base), (Strings{"z_Arenas_active_B.pk3", "z_Arenas_Inactive_A.pk3"}));
  EXPECT_EQ(Member_Names(In_Base("z_Arenas_active_B.pk3")), (Strings{Usual}));
  EXPECT_EQ(Member_Names(In_Base("z_Arenas_Inactive_A.pk3")), (Strings{Parked}));
  EXPECT_TRUE(Ui.Messages.empty());
  EXPECT_EQ(availability, (TArena_Verfuegbarkeit{true, true}));
}

TEST_F(Arena_Files, Activation_Recovers_A_Name_Renamed_Away_And_Refuses_Strangers) {
  Write_Arena_Pk3(In_Base("z_Arenas_active_A.pk3"), Usual);
  Arena_File_aktivieren(Base, "z_Arenas_active_A.pk3", Ui);
  EXPECT_TRUE(Ui.Messages.empty());
  EXPECT_EQ(Names_In(Base), (Strings{"z_Arenas_active_A.pk3"}));
  EXPECT_EQ(Member_Names(In_Base("z_Arenas_active_A.pk3")), (Strings{Usual}));

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
  EXPECT_EQ(Names_In(Base), (Strings{"z_Arenas_active_Quiet.pk3", "z_Arenas_Inactive_Loud.pk3",
                                     "z_Arenas_Inactive_Quiet.pk3"}));
  EXPECT_EQ(Member_Names(In_Base("z_Arenas_Inactive_Loud.pk3")), (Strings{Parked}));
  EXPECT_EQ(Read_Zip(In_Base("z_Arenas_Inactive_Quiet.pk3")).at(0).second.Data, "kept");
}

TEST_F(Arena_Files, Removing_The_Active_Arena_Activates_The_First_Remaining) {
  Write_Arena_Pk3(In_Base("z_Arenas_active_A.pk3"), Usual);
  Write_Arena_Pk3(In_Base("z_Arenas_Inactive_B.pk3"), Parked);
  Write_Arena_Pk3(In_Base("z_Arenas_Inactive_C.pk3"), Parked);
  Ui.Selections = {std::vector<int>{0}, std::vector<int>{0, 2}};
  Ui.Answers = {Answer::Yes, Answer::No};
  const auto availability = Run(Arena_Modus::Entfernen);

  EXPECT_EQ(Ui.Selection_Requests[0].Description,
            "Select the modification to remove a Arena File from.");
  EXPECT_EQ(Ui.Selection_Requests[1].Description, "Select an Arena File to delete.");
  EXPECT_EQ(Ui.Selection_Requests[1].Confirm_Caption, "Delete");
  EXPECT_TRUE(Ui.Selection_Requests[1].Multi_Select);
  EXPECT_EQ(Ui.Selection_Requests[1].Items, (Strings{"A", "B", "C"}));
  EXPECT_EQ(Ui.Messages,
            (std::vector<Recorded_Message>{
                {Message_Kind::Confirmation, "Do you really want to delete the Arena File A?",
                 Button_Set::Yes_No},
                {Message_Kind::Confirmation, "File successfully deleted.", Button_Set::OK},
                {Message_Kind::Confirmation, "Do you really want to delete the Arena File C?",
                 Button_Set::Yes_No}}));
  EXPECT_EQ(Names_In(Base),
            (Strings{"z_Arenas_active_B.pk3", "z_Arenas_Disabler.pk3", "z_Arenas_Inactive_C.pk3"}));
  EXPECT_EQ(Member_Names(In_Base("z_Arenas_active_B.pk3")), (Strings{Usual}));
  EXPECT_EQ(availability, (TArena_Verfuegbarkeit{true, true}));
}

TEST_F(Arena_Files, Removing_The_Only_Arena_Removes_The_Disabler) {
  Write_Arena_Pk3(In_Base("z_Arenas_active_A.pk3"), Usual);
  Write_Pk3(In_Base("z_Arenas_Disabler.pk3"), {{"scripts/q3dm17.arena", ""}});
  Ui.Selections = {std::vector<int>{0}, std::vector<int>{0}};
  Ui.Answers = {Answer::Yes};
  const auto availability = Run(Arena_Modus::Entfernen);
  EXPECT_TRUE(Names_In(Base).empty());
  EXPECT_EQ(availability, (TArena_Verfuegbarkeit{false, false}));

  // Cancelling the arena-file dialog leaves the files and the disabler alone.
  Write_Arena_Pk3(In_Base("z_Arenas_active_A.pk3"), Usual);
  Write_Pk3(In_Base("z_Arenas_Disabler.pk3"), {{"scripts/old.arena", ""}});
  Ui.Selections = {std::vector<int>{0}, std::nullopt};
  Run(Arena_Modus::Entfernen);
  EXPECT_EQ(Member_Names(In_Base("z_Arenas_Disabler.pk3")), (Strings{"scripts/old.arena"}));
}

// ---- Start-up pass
// ---------------------------------------------------------------------------------

TEST_F(Arena_Files, Start_Up_Leaves_One_Active_Arena_And_Entries_Matching_Their_State) {
  // Two active files, and archives written with the usual entry name in both states.
  Write_Arena_Pk3(In_Base("z_Arenas_active_B.pk3"), Usual);
  Write_Arena_Pk3(In_Base("z_Arenas_active_C.pk3"), Usual);
  Write_Arena_Pk3(In_Base("z_Arenas_Inactive_A.pk3"), "SCRIPTS/ARENAS.TXT");
  Pruefe_Arena_Files_beim_Start(Inst.Game, "baseq3", Ui);
  // The first arena file in directory order is the active one.
  EXPECT_EQ(Names_In(Base), (Strings{"z_Arenas_active_B.pk3", "z_Arenas_Inactive_A.pk3",
                                     "z_Arenas_Inactive_C.pk3"}));
  EXPECT_EQ(Member_Names(In_Base("z_Arenas_active_B.pk3")), (Strings{Usual}));
  EXPECT_EQ(Member_Names(In_Base("z_Arenas_Inactive_A.pk3")), (Strings{Parked}));
  EXPECT_EQ(Member_Names(In_Base("z_Arenas_Inactive_C.pk3")), (Strings{Parked}));
  EXPECT_TRUE(Ui.Messages.empty());
}

TEST_F(Arena_Files, Start_Up_With_Only_Inactive_Or_One_Active_Arena) {
  Write_Arena_Pk3(In_Cpma("z_Arenas_Inactive_Y.pk3"), Parked);
  Write_Arena_Pk3(In_Cpma("z_Arenas_Inactive_X.pk3"), Usual);
  Pruefe_Arena_Files_beim_Start(Inst.Game, "cpma", Ui);
  EXPECT_EQ(Names_In(Cpma), (Strings{"z_Arenas_active_X.pk3", "z_Arenas_Inactive_Y.pk3"}));
  EXPECT_EQ(Member_Names(In_Cpma("z_Arenas_active_X.pk3")), (Strings{Usual}));

  // One active file whose entry carries the inactive name: only the entry is put right.
  Write_Arena_Pk3(In_Base("z_Arenas_active_Only.pk3"), Parked);
  Write_Arena_Pk3(In_Base("z_Arenas_Inactive_Other.pk3"), Parked);
  Pruefe_Arena_Files_beim_Start(Inst.Game, "baseq3", Ui);
  EXPECT_EQ(Names_In(Base), (Strings{"z_Arenas_active_Only.pk3", "z_Arenas_Inactive_Other.pk3"}));
  EXPECT_EQ(Member_Names(In_Base("z_Arenas_active_Only.pk3")), (Strings{Usual}));
}

// ---- Disablers
// ----------------------------------------------------------------------------------------

TEST_F(Arena_Files, Disablers_Follow_The_Arena_Files_And_Keep_Old_Entries) {
  Write_Arena_Pk3(In_Cpma("z_Arenas_active_X.pk3"), Usual);
  Write_File(Inst.Temp + "/scripts/arenas.txt", "left by an interrupted command");
  Write_Pk3(In_Cpma("z_Arenas_Disabler.pk3"), {{"scripts/gone.arena", ""}});
  Write_Pk3(In_Base("z_Arenas_Disabler.pk3"), {{"scripts/gone.arena", ""}});
  Arena_Disabler_Files_erzeugen(Env, Ui);
  EXPECT_FALSE(Exists(In_Base("z_Arenas_Disabler.pk3")));  // no arena file left there
  const auto members = Read_Zip(In_Cpma("z_Arenas_Disabler.pk3"));
  Strings names;
  for (const auto& [name, member] : members) {
    names.push_back(name);
    EXPECT_EQ(member.Data, "");
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (Strings{"scripts/cpm22.arena", "scripts/gone.arena", "scripts/q3dm17.arena"}));
  EXPECT_FALSE(Exists(Inst.Temp));
}

TEST_F(Arena_Files, An_Empty_Database_Writes_No_Disabler_And_Keeps_An_Old_One) {
  TPK3_Dateien_Verwaltung empty(Inst.Database.Paths(), &Ui);
  Env.Database = &empty;
  Write_Arena_Pk3(In_Base("z_Arenas_active_A.pk3"), Usual);
  Write_Arena_Pk3(In_Cpma("z_Arenas_active_B.pk3"), Usual);
  Write_Pk3(In_Cpma("z_Arenas_Disabler.pk3"), {{"scripts/old.arena", ""}});
  Arena_Disabler_Files_erzeugen(Env, Ui);
  EXPECT_FALSE(Exists(In_Base("z_Arenas_Disabler.pk3")));
  EXPECT_EQ(Member_Names(In_Cpma("z_Arenas_Disabler.pk3")), (Strings{"scripts/old.arena"}));
}

// ---- The command line's way in
// ---------------------------------------------------------------------

TEST_F(Arena_Files, Commands_With_Answers_Given_In_Advance) {
  TArena_Befehl create{Arena_Modus::Erzeugen, {"cpma", "BASEQ3"}, {"Duel"}};
  Fuehre_Arena_Befehl_aus(create, Env, Branch, Ui);
  EXPECT_EQ(Ui.Message_Texts(), (Strings{"Arena File has been created in CPMA.",
                                         "Arena File has been created in BASEQ3."}));
  EXPECT_TRUE(Exists(In_Cpma("z_Arenas_active_Duel.pk3")));
  EXPECT_TRUE(Exists(In_Base("z_Arenas_active_Duel.pk3")));

  TArena_Befehl second{Arena_Modus::Erzeugen, {"BASEQ3"}, {"CTF"}};
  Fuehre_Arena_Befehl_aus(second, Env, Branch, Ui);
  TArena_Befehl activate{Arena_Modus::Aktivieren, {"BASEQ3"}, {"Duel"}};
  const auto availability = Fuehre_Arena_Befehl_aus(activate, Env, Branch, Ui);
  EXPECT_TRUE(Exists(In_Base("z_Arenas_active_Duel.pk3")));
  EXPECT_TRUE(Exists(In_Base("z_Arenas_Inactive_CTF.pk3")));
  EXPECT_EQ(availability, (TArena_Verfuegbarkeit{true, true}));

  Ui.Messages.clear();
  TArena_Befehl remove{Arena_Modus::Entfernen, {"BASEQ3"}, {"Nope"}};
  Fuehre_Arena_Befehl_aus(remove, Env, Branch, Ui);
  ASSERT_EQ(Ui.Messages.size(), 1u);
  EXPECT_EQ(Ui.Messages[0].Text, "Nope cannot be chosen here. Offered: Duel, CTF.");
  EXPECT_TRUE(Exists(In_Base("z_Arenas_Inactive_CTF.pk3")));

  // A refused name is not offered again: the MOD is skipped.
  Ui.Messages.clear();
  TArena_Befehl bad{Arena_Modus::Erzeugen, {"BASEQ3"}, {"a/b"}};
  Fuehre_Arena_Befehl_aus(bad, Env, Branch, Ui);
  ASSERT_EQ(Ui.Messages.size(), 1u);
  EXPECT_EQ(Ui.Messages[0].Kind, Message_Kind::Error);
}

}  // namespace
}  // namespace vorlix::testing
