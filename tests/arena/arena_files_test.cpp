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
    Env = {Install.Game, Install.Temp, {"BASEQ3", "CPMA"}, &Install.Database, nullptr};
    Yard = Install.Add_Map(Install.Add_PK3("baseq3", "pak0.pk3"), "Q3DM17.BSP", "The Longest Yard",
                           {"BASEQ3", "CPMA"});
    Yard->Assigned_Bots = {"Sarge", "Grunt"};
    Yard->Game_Types = GT_Free_For_All | GT_Tournament;
    Cpm = Install.Add_Map(Install.Add_PK3("cpma", "cpmmaps.pk3"), "CPM22.BSP", "Cpm Twenty-Two",
                          {"CPMA"});
    Branch = {"Duel maps", {Yard, Cpm}};
  }

  std::string In_Base(const std::string& name) const { return platform::Join(Base, name); }
  std::string In_Cpma(const std::string& name) const { return platform::Join(Cpma, name); }
  std::string Script_Of(const std::string& path) const { return Read_Zip(path).at(0).Data; }

  // The answers of the dialogs: the MOD selection, then the names asked.
  void Choose(std::vector<int> mods, const TStrings& names = {}) {
    Ui.Selections.emplace_back(std::move(mods));
    Ui.Names.insert(Ui.Names.end(), names.begin(), names.end());
  }
  // The selection dialogs shown: "description | confirm caption | items [| multi]".
  TStrings Requests() const {
    TStrings lines;
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
  TArena_Availability Run(TArena_Mode mode) { return Process_Arena_File(mode, Env, Branch, Ui); }

  TInstallation Install;
  std::string Base = Install.Mod_Dir("baseq3");
  std::string Cpma = Install.Mod_Dir("cpma");
  TArena_Environment Env;
  TArena_Branch Branch;
  TMap_Record* Yard = nullptr;
  TMap_Record* Cpm = nullptr;
  TPreset_Recorder Ui;
};

// ---- Creation

TEST_F(Arena_Files, Creation_Writes_One_Deflated_Script_Entry_And_The_Disabler) {
  Choose({0}, {"Duel"});
  const auto availability = Run(TArena_Mode::Create);

  EXPECT_EQ(
      Requests(),
      TStrings{"Select the modification to create a Arena File for. |  | BASEQ3,CPMA | multi"});
  EXPECT_FALSE(Ui.Selection_Requests.at(0).Take_Only_Item);

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
  EXPECT_FALSE(Exists(Install.Temp));
  // The disabler carries every map of the database, those of other MODs too.
  EXPECT_EQ(Contents(Base), (TStrings{Active("Duel"), Disabler, Outranking}));
  EXPECT_TRUE(Names_In(Cpma).empty());
  EXPECT_EQ(availability, (TArena_Availability{true, false}));
}

// A loose script in BASEQ3 is told about once, when the disablers are brought in line at the end.
TEST_F(Arena_Files, Creation_For_Two_MODs_Asks_Twice_Keeps_The_Name_And_Warns_Once) {
  Write_File(In_Base("scripts/arenas.txt"), "{ map \"q3dm17\" }");
  Choose({0, 1}, {"Duel", "Duel"});
  Run(TArena_Mode::Create);
  EXPECT_EQ(Ui.Name_Requests, (TStrings{"BASEQ3", "CPMA"}));
  EXPECT_EQ(Ui.Presets, (std::vector<std::optional<std::string>>{std::string(), std::nullopt}));
  // A BASEQ3 map goes into every MOD that lists it; the CPMA map only into CPMA's.
  const std::string cpma_script = Script_Of(In_Cpma("z_Arenas_active_Duel.pk3"));
  EXPECT_NE(cpma_script.find("\"q3dm17\""), std::string::npos);
  EXPECT_NE(cpma_script.find("\"cpm22\""), std::string::npos);
  EXPECT_EQ(Script_Of(In_Base("z_Arenas_active_Duel.pk3")).find("\"cpm22\""), std::string::npos);
  EXPECT_TRUE(Exists(In_Cpma("z_Arenas_Disabler.pk3")));
  const std::vector<TRecorded_Message> told = {
      {TMessage_Kind::Information, "Arena File has been created in BASEQ3.", TAnswer_Set::OK},
      {TMessage_Kind::Information, "Arena File has been created in CPMA.", TAnswer_Set::OK},
      {TMessage_Kind::Warning,
       "The game may list maps of scripts/arenas.txt besides those of the active Arena File in "
       "BASEQ3.",
       TAnswer_Set::OK}};
  EXPECT_EQ(Ui.Messages, told);
}

TEST_F(Arena_Files, Creation_Over_An_Existing_Arena_Asks_First_And_Deactivates_The_Old) {
  Write_Arena_Pk3(In_Base("z_Arenas_Inactive_Duel.pk3"), Parked, "old");
  Write_Arena_Pk3(In_Base("z_Arenas_active_Old.pk3"));
  Choose({0}, {"Duel"});
  Choose({0}, {"Duel"});
  Ui.Answers = {TAnswer::No, TAnswer::Yes};
  Run(TArena_Mode::Create);
  const std::string question =
      "Vorlix has already created this Arena File in BASEQ3. Do you want to overwrite it?";
  EXPECT_EQ(Ui.Messages, (std::vector<TRecorded_Message>{
                             {TMessage_Kind::Confirmation, question, TAnswer_Set::Yes_No}}));
  EXPECT_EQ(Names_In(Base), (TStrings{"z_Arenas_active_Old.pk3", "z_Arenas_Inactive_Duel.pk3"}));

  const auto availability = Run(TArena_Mode::Create);
  EXPECT_EQ(Contents(Base), (TStrings{Active("Duel"), Disabler, Inactive("Old"), Outranking}));
  EXPECT_NE(Script_Of(In_Base("z_Arenas_active_Duel.pk3")), "old");
  EXPECT_EQ(availability, (TArena_Availability{true, true}));
}

TEST_F(Arena_Files, Names_That_Would_Leave_The_MOD_Directory_Are_Asked_Again) {
  Choose({0}, {"../../escape", "Safe"});
  Run(TArena_Mode::Create);
  ASSERT_GE(Ui.Messages.size(), 2u);
  EXPECT_EQ(Ui.Messages[0].Kind, TMessage_Kind::Error);
  EXPECT_NE(Ui.Messages[0].Text.find("../../escape"), std::string::npos);
  EXPECT_EQ(Ui.Name_Requests, (TStrings{"BASEQ3", "BASEQ3"}));
  EXPECT_TRUE(Exists(In_Base("z_Arenas_active_Safe.pk3")));
  EXPECT_FALSE(Exists(Install.Game + "/escape.pk3"));
  EXPECT_FALSE(Exists(Install.Root / "escape.pk3"));
}

TEST_F(Arena_Files, Empty_And_Too_Large_Scripts) {
  // No map for the MOD: the archive is still written, with an empty script.
  Yard->Useable_MODs = {"CPMA"};
  Choose({0}, {"Nothing"});
  Run(TArena_Mode::Create);
  EXPECT_EQ(Script_Of(In_Base("z_Arenas_active_Nothing.pk3")), "");
  EXPECT_EQ(Ui.Message_Texts(), (TStrings{"Arena File has been created in BASEQ3."}));

  // A script the game would ignore is warned about.
  Ui.Messages.clear();
  TPK3_Record* big = Install.Add_PK3("baseq3", "big.pk3");
  Branch.Maps.clear();
  while (Make_Arena_Script(Branch.Maps, "BASEQ3").size() < 8192) {
    Branch.Maps.push_back(Install.Add_Map(big, "M" + std::to_string(Branch.Maps.size()) + ".BSP",
                                          std::string(100, 'x')));
  }
  Choose({0}, {"Big"});
  Run(TArena_Mode::Create);
  EXPECT_EQ(
      Ui.Messages,
      (std::vector<TRecorded_Message>{
          {TMessage_Kind::Information, "Arena File has been created in BASEQ3.", TAnswer_Set::OK},
          {TMessage_Kind::Warning,
           "The Arena File in BASEQ3 lists too many maps: the game ignores arena scripts of "
           "8192 bytes or more.",
           TAnswer_Set::OK}}));
}

TEST_F(Arena_Files, No_MODs_And_Cancelled_Dialogs) {
  TArena_Environment empty = Env;
  empty.MODs.clear();
  Process_Arena_File(TArena_Mode::Create, empty, Branch, Ui);
  EXPECT_EQ(Ui.Messages,
            (std::vector<TRecorded_Message>{
                {TMessage_Kind::Error, "Fatal error: no MODs available. Please report to author.",
                 TAnswer_Set::OK}}));
  EXPECT_TRUE(Ui.Selection_Requests.empty());

  Ui.Messages.clear();
  Choose({0});  // the name dialog is cancelled
  Run(TArena_Mode::Create);
  Run(TArena_Mode::Create);  // the MOD dialog is cancelled
  EXPECT_TRUE(Ui.Messages.empty());
  EXPECT_TRUE(Names_In(Base).empty());
}

TEST_F(Arena_Files, An_Archive_That_Cannot_Be_Written_Is_Reported_And_Stops_The_Command) {
  Write_File(Install.Mod_Dir("broken"), "a file where the MOD directory should be");
  Env.MODs = {"BROKEN", "CPMA"};
  Choose({0, 1}, {"Duel", "Duel"});
  const auto availability = Run(TArena_Mode::Create);
  ASSERT_EQ(Ui.Messages.size(), 1u);
  EXPECT_EQ(Ui.Messages[0].Kind, TMessage_Kind::Error);
  EXPECT_EQ(Ui.Name_Requests, (TStrings{"BROKEN"}));  // CPMA is not handled any more
  EXPECT_TRUE(Names_In(Cpma).empty());
  EXPECT_EQ(availability, (TArena_Availability{false, false}));
}

// ---- Activation and removal

TEST_F(Arena_Files, Activating_B_Beside_Active_A) {
  Write_Arena_Pk3(In_Base("z_Arenas_active_A.pk3"), Usual);
  Write_Arena_Pk3(In_Base("z_Arenas_Inactive_B.pk3"), Parked);
  Choose({0});
  Choose({0});
  const auto availability = Run(TArena_Mode::Activate);

  // CPMA holds no arena file; only inactive arenas are offered. The only MOD offered is the
  // answer when the front end takes it without asking.
  EXPECT_EQ(Requests(),
            (TStrings{"Select the modification to activate an Arena File from. |  | BASEQ3",
                      "Select an Arena File to activate. | Activate | B"}));
  EXPECT_TRUE(Ui.Selection_Requests.at(0).Take_Only_Item);
  EXPECT_FALSE(Ui.Selection_Requests.at(1).Take_Only_Item);
  EXPECT_EQ(Contents(Base), (TStrings{Active("B"), Inactive("A"), Outranking}));
  EXPECT_TRUE(Ui.Messages.empty());
  EXPECT_EQ(availability, (TArena_Availability{true, true}));
}

TEST_F(Arena_Files, Activation_Recovers_A_Name_Renamed_Away_And_Refuses_Strangers) {
  Write_Arena_Pk3(In_Base("z_Arenas_active_A.pk3"), Usual);
  Make_Arena_File_Active(Base, "z_Arenas_active_A.pk3", Ui);
  EXPECT_EQ(Contents(Base), (TStrings{Active("A")}));
  // The disabler: every file stays inactive, without a word.
  Make_Arena_File_Active(Base, "z_Arenas_Disabler.pk3", Ui);
  EXPECT_TRUE(Ui.Messages.empty());
  EXPECT_EQ(Names_In(Base), (TStrings{"z_Arenas_Inactive_A.pk3"}));

  Make_Arena_File_Active(Base, "z_Arenas_other.pk3", Ui);
  Make_Arena_File_Active(Base, "z_Arenas_active_Gone.pk3", Ui);
  EXPECT_EQ(
      Ui.Message_Texts(),
      (TStrings{"Fatal error: z_Arenas_other.pk3 isn't a Vorlix PK3. Please report to author.",
                "Fatal error: Arena File z_Arenas_active_Gone.pk3 doesn't exist. Please report "
                "to author."}));
}

TEST_F(Arena_Files, Deactivation_Replaces_A_Prefix_Written_In_Other_Case) {
  Write_Arena_Pk3(In_Base("Z_ARENAS_ACTIVE_Loud.pk3"), Usual);
  Write_Arena_Pk3(In_Base("z_Arenas_active_Quiet.pk3"), Usual);
  Write_Arena_Pk3(In_Base("z_Arenas_Inactive_Quiet.pk3"), Parked, "kept");
  Deactivate_All_Arena_Files_In(Base);
  // The rename onto an existing inactive name fails and is left out: nothing is replaced.
  EXPECT_EQ(Contents(Base), (TStrings{Active("Quiet"), Inactive("Loud"), Inactive("Quiet")}));
  EXPECT_EQ(Script_Of(In_Base("z_Arenas_Inactive_Quiet.pk3")), "kept");
}

TEST_F(Arena_Files, Removing_The_Active_Arena_Activates_The_First_Remaining) {
  Write_Arena_Pk3(In_Base("z_Arenas_active_A.pk3"), Usual);
  Write_Arena_Pk3(In_Base("z_Arenas_Inactive_B.pk3"), Parked);
  Write_Arena_Pk3(In_Base("z_Arenas_Inactive_C.pk3"), Parked);
  Choose({0});
  Choose({0, 2});
  Ui.Answers = {TAnswer::Yes, TAnswer::No};
  const auto availability = Run(TArena_Mode::Remove);

  EXPECT_EQ(Requests(),
            (TStrings{"Select the modification to remove a Arena File from. |  | BASEQ3",
                      "Select an Arena File to delete. | Delete | A,B,C | multi"}));
  EXPECT_EQ(Ui.Messages,
            (std::vector<TRecorded_Message>{
                {TMessage_Kind::Confirmation, "Do you really want to delete the Arena File A?",
                 TAnswer_Set::Yes_No},
                {TMessage_Kind::Information, "File successfully deleted.", TAnswer_Set::OK},
                {TMessage_Kind::Confirmation, "Do you really want to delete the Arena File C?",
                 TAnswer_Set::Yes_No}}));
  EXPECT_EQ(Contents(Base), (TStrings{Active("B"), Disabler, Inactive("C"), Outranking}));
  EXPECT_EQ(availability, (TArena_Availability{true, true}));
}

TEST_F(Arena_Files, Removing_The_Only_Arena_Removes_The_Disabler) {
  // Cancelling the arena-file dialog leaves the files and the disabler alone.
  Write_Arena_Pk3(In_Base("z_Arenas_active_A.pk3"), Usual);
  Write_Pk3(In_Base("z_Arenas_Disabler.pk3"), {{"scripts/old.arena", ""}});
  Ui.Selections = {std::vector<int>{0}, std::nullopt};
  Run(TArena_Mode::Remove);
  EXPECT_EQ(Contents(Base), (TStrings{Active("A"), "z_Arenas_Disabler.pk3: scripts/old.arena"}));

  Choose({0});
  Choose({0});
  Ui.Answers = {TAnswer::Yes};
  EXPECT_EQ(Run(TArena_Mode::Remove), (TArena_Availability{false, false}));
  EXPECT_TRUE(Names_In(Base).empty());
}

// ---- Start-up pass and disablers

TEST_F(Arena_Files, Start_Up_Leaves_One_Active_Arena_And_Entries_Matching_Their_State) {
  // Two active files, and archives written with the usual entry name in both states.
  Write_Arena_Pk3(In_Base("z_Arenas_active_B.pk3"), Usual);
  Write_Arena_Pk3(In_Base("z_Arenas_active_C.pk3"), Usual);
  Write_Arena_Pk3(In_Base("z_Arenas_Inactive_A.pk3"), "SCRIPTS/ARENAS.TXT");
  // What a crash left of an arena archive being written goes; a download of the same shape
  // that is not the program's stays.
  Write_File(In_Base("z_Arenas_active_D.pk3.aB3dE9"), "partial");
  Write_File(In_Base("some_downloaded_map_pack.pk3.aB3dE9"), "partial");
  Check_Arena_Files_At_Start(Install.Game, "baseq3", Ui);
  EXPECT_FALSE(std::filesystem::exists(In_Base("z_Arenas_active_D.pk3.aB3dE9")));
  EXPECT_TRUE(std::filesystem::exists(In_Base("some_downloaded_map_pack.pk3.aB3dE9")));
  std::filesystem::remove(In_Base("some_downloaded_map_pack.pk3.aB3dE9"));
  // The first arena file in directory order is the active one.
  EXPECT_EQ(Contents(Base), (TStrings{Active("B"), Inactive("A"), Inactive("C")}));
  // Only inactive files: the first is activated.
  Write_Arena_Pk3(In_Cpma("z_Arenas_Inactive_Y.pk3"), Parked);
  Write_Arena_Pk3(In_Cpma("z_Arenas_Inactive_X.pk3"), Usual);
  Check_Arena_Files_At_Start(Install.Game, "cpma", Ui);
  EXPECT_EQ(Contents(Cpma), (TStrings{Active("X"), Inactive("Y")}));
  EXPECT_TRUE(Ui.Messages.empty());
}

TEST_F(Arena_Files, Start_Up_Puts_Right_Only_The_Entry_Of_The_One_Active_Arena) {
  Write_Arena_Pk3(In_Base("z_Arenas_active_Only.pk3"), Parked);
  Write_Arena_Pk3(In_Base("z_Arenas_Inactive_Other.pk3"), Parked);
  Check_Arena_Files_At_Start(Install.Game, "baseq3", Ui);
  EXPECT_EQ(Contents(Base), (TStrings{Active("Only"), Inactive("Other")}));
}

TEST_F(Arena_Files, Disablers_Follow_The_Arena_Files_And_Keep_Old_Entries) {
  Write_Arena_Pk3(In_Cpma("z_Arenas_active_X.pk3"), Usual);
  Write_File(Install.Temp + "/scripts/arenas.txt", "left by an interrupted command");
  Write_Pk3(In_Cpma("z_Arenas_Disabler.pk3"), {{"scripts/gone.arena", ""}});
  Write_Pk3(In_Base("z_Arenas_Disabler.PK3"), {{"scripts/gone.arena", ""}});
  Create_Arena_Disabler_Files(Env, Ui);
  EXPECT_TRUE(Names_In(Base).empty());  // no arena file left there, in any letter case
  EXPECT_EQ(Contents(Cpma), (TStrings{Active("X"),
                                      "z_Arenas_Disabler.pk3: scripts/cpm22.arena "
                                      "scripts/gone.arena scripts/q3dm17.arena",
                                      Outranking}));
  EXPECT_FALSE(Exists(Install.Temp));

  // An empty database writes no disabler and keeps an old one.
  TPK3_Record_Store empty(Install.Database.Paths());
  Env.Database = &empty;
  Write_Arena_Pk3(In_Base("z_Arenas_active_A.pk3"), Usual);
  Write_Pk3(In_Cpma("z_Arenas_Disabler.pk3"), {{"scripts/old.arena", ""}});
  Create_Arena_Disabler_Files(Env, Ui);
  EXPECT_FALSE(Exists(In_Base("z_Arenas_Disabler.pk3")));
  EXPECT_EQ(Contents(Cpma).at(1), "z_Arenas_Disabler.pk3: scripts/old.arena");
}

TEST_F(Arena_Files, A_Disabler_Holding_Every_Entry_Is_Not_Written_Again) {
  Write_Arena_Pk3(In_Cpma("z_Arenas_active_X.pk3"), Usual);
  Create_Arena_Disabler_Files(Env, Ui);
  const auto identity = [this] {
    struct stat st {};
    ::stat(In_Cpma("z_Arenas_Disabler.pk3").c_str(), &st);
    return std::make_pair(st.st_ino, st.st_mtim.tv_nsec);
  };
  const auto written = identity();
  Create_Arena_Disabler_Files(Env, Ui);
  EXPECT_EQ(identity(), written);
  // A map the disabler lacks, or an entry that is not empty, makes it written again.
  Write_Pk3(In_Cpma("z_Arenas_Disabler.pk3"),
            {{"scripts/cpm22.arena", "x"}, {"scripts/q3dm17.arena", ""}});
  Create_Arena_Disabler_Files(Env, Ui);
  for (const auto& member : Read_Zip(In_Cpma("z_Arenas_Disabler.pk3"))) {
    EXPECT_EQ(member.Data, "") << member.Name;
  }
  Write_Pk3(In_Cpma("z_Arenas_Disabler.pk3"), {{"scripts/q3dm17.arena", ""}});
  Create_Arena_Disabler_Files(Env, Ui);
  EXPECT_EQ(Contents(Cpma).at(1), Disabler);
}

// ---- The command line's way in

TEST_F(Arena_Files, Commands_With_Answers_Given_In_Advance) {
  Execute_Arena_Command({TArena_Mode::Create, {"cpma", "BASEQ3"}, {"Duel"}}, Env, Branch, Ui);
  EXPECT_EQ(Ui.Message_Texts(), (TStrings{"Arena File has been created in CPMA.",
                                          "Arena File has been created in BASEQ3."}));
  EXPECT_TRUE(Exists(In_Cpma("z_Arenas_active_Duel.pk3")));
  EXPECT_TRUE(Exists(In_Base("z_Arenas_active_Duel.pk3")));

  Execute_Arena_Command({TArena_Mode::Create, {"BASEQ3"}, {"CTF"}}, Env, Branch, Ui);
  const auto availability =
      Execute_Arena_Command({TArena_Mode::Activate, {"BASEQ3"}, {"Duel"}}, Env, Branch, Ui);
  EXPECT_TRUE(Exists(In_Base("z_Arenas_active_Duel.pk3")));
  EXPECT_TRUE(Exists(In_Base("z_Arenas_Inactive_CTF.pk3")));
  EXPECT_EQ(availability, (TArena_Availability{true, true}));

  Ui.Messages.clear();
  Execute_Arena_Command({TArena_Mode::Remove, {"BASEQ3"}, {"Nope"}}, Env, Branch, Ui);
  EXPECT_EQ(Ui.Message_Texts(), (TStrings{"Nope cannot be chosen here. Offered: Duel, CTF."}));
  EXPECT_TRUE(Exists(In_Base("z_Arenas_Inactive_CTF.pk3")));

  // A refused name is not offered again: the MOD is skipped.
  Ui.Messages.clear();
  Execute_Arena_Command({TArena_Mode::Create, {"BASEQ3"}, {"a/b"}}, Env, Branch, Ui);
  ASSERT_EQ(Ui.Messages.size(), 1u);
  EXPECT_EQ(Ui.Messages[0].Kind, TMessage_Kind::Error);

  // What the answers do not cover reaches the front end's own interaction.
  struct TPainted : TScripted_Interaction {
    void Keep_Painted() override { ++Count; }
    int Count = 0;
  } painted;
  TArena_Answers(TArena_Command{}, painted).Keep_Painted();
  EXPECT_EQ(painted.Count, 1);
}

}  // namespace
}  // namespace vorlix::testing
