// The commands of the command-line front end. Each one takes its arguments, runs the start-up,
// does its work and returns 0 or 1; the close follows in Run_Vorlix_Cli.

#include <QLocale>
#include <cstring>
#include <ctime>
#include <functional>
#include <random>

#include "app/demo_install.h"
#include "app/options.h"
#include "app/program_steps.h"
#include "app/startup.h"
#include "arena/arena_files.h"
#include "arena/arena_import.h"
#include "arena/map_arena_blocks.h"
#include "browser/map_search.h"
#include "browser/maps_tree.h"
#include "browser/unsorted_list.h"
#include "cli/cli_app.h"
#include "cli/cli_arena_answers.h"
#include "cli/cli_check_output.h"
#include "cli/cli_output.h"
#include "content/mod_list.h"
#include "core/fs_routines.h"
#include "core/program_lookup.h"
#include "core/settings.h"
#include "database/collection_check.h"
#include "database/game_index.h"
#include "database/pk3_rename.h"
#include "database/play_history.h"
#include "database/records.h"
#include "database/stream.h"
#include "launch/command_line.h"
#include "launch/engine_profiles.h"
#include "launch/exec_file.h"
#include "launch/launch_outcomes.h"
#include "launch/launch_warnings.h"
#include "launch/map_lists.h"
#include "launch/pure_lists.h"
#include "launch/server_rotation.h"
#include "launch/start_map.h"
#include "properties/launch_choices.h"
#include "properties/map_properties_model.h"

namespace vorlix {

namespace {

// The history of the data folder, its damage told (defined with the history's commands).
THistory_Load Told_History(TCli_Context& context);
// The map of the IDs, or nullptr (reported; defined with the history's commands).
TMap_Record* Map_Argument(TCli_Context& context, std::int32_t pk3_id, std::int32_t map_id);

// The start-up, and the check that the database it needs was built.
bool Start_With_Database(TCli_Context& context) {
  if (!context.Start()) {
    return false;
  }
  if (!context.State().PK3_Database) {
    context.Error("The maps database is not available in this build of vorlix-cli.");
    return false;
  }
  return true;
}

int Command_Sync(TCli_Context& context, TCli_Args& args) {
  args.Expect_End();
  // An error shown on the way (a file that could not be written) fails the command too.
  const int errors_before = context.Ui.Error_Count();
  return context.Start() && context.Ui.Error_Count() == errors_before ? 0 : 1;
}

int Command_List(TCli_Context& context, TCli_Args& args) {
  args.Expect_End();
  if (!Start_With_Database(context)) {
    return 1;
  }
  Write_List(context.Out, context.List());
  return 0;
}

int Command_Tree(TCli_Context& context, TCli_Args& args) {
  args.Expect_End();
  if (!Start_With_Database(context)) {
    return 1;
  }
  Write_Tree(context.Out, context.Tree());
  return 0;
}

int Command_Mods(TCli_Context& context, TCli_Args& args) {
  args.Expect_End();
  if (!context.Start()) {
    return 1;
  }
  if (context.State().MOD_List) {
    Write_Mods(context.Out, *context.State().MOD_List);
  }
  return 0;
}

// The engine profile a launch or server of `mod` uses (`asked`, else the MOD's default), or
// nullopt for the stored engine; an unknown name is told and gives false.
bool Choose_Engine_Profile(TCli_Context& context, const std::optional<std::string>& asked,
                           const std::string& mod, std::optional<TEngine_Profile>& chosen) {
  TResult<std::optional<TEngine_Profile>> choice =
      Chosen_Engine_Profile(Load_Engine_Profiles(), asked, mod);
  if (!choice) {
    context.Error(choice.Message());
    return false;
  }
  chosen = std::move(choice.Value());
  return true;
}

// What the kind of the chosen profile says of the archives it keeps open; nullopt without one.
std::optional<bool> Keeps_Archives_Open_Of(const std::optional<TEngine_Profile>& profile,
                                           const std::string& game_dir) {
  if (!profile) {
    return std::nullopt;
  }
  return Profile_Keeps_Archives_Open(*profile,
                                     platform::Find_Program(profile->Program, game_dir).Path);
}

// The engine a launch (or with --server a hosted server) starts, whether it keeps every archive
// open, the open-file limit it inherits, and each MOD's archives, with the warnings a launch
// would give. With --engine-profile the profile's program, its kind telling the archives kept
// open.
int Command_Engines_Check(TCli_Context& context, TCli_Args& args) {
  const bool server = args.Flag("--server");
  const auto mod = args.Option("--mod");
  const auto engine_profile = args.Option("--engine-profile");
  args.Expect_End();
  if (!Start_With_Database(context)) {
    return 1;
  }
  std::optional<TEngine_Profile> profile;
  if (engine_profile && !Choose_Engine_Profile(context, engine_profile, {}, profile)) {
    return 1;
  }
  TMain_State& state = context.State();
  TServer_Settings settings;
  TLaunch_Choices in_game_dir;
  in_game_dir.Game_Dir = state.Game_Dir;
  const std::string wanted =
      profile ? profile->Program
      : server
          ? Prepare_Server(state.Game_Dir, settings, Load_Q3A_Server_Exe(), Load_Q3A_Exe()).Program
          : Prepare_Launch(in_game_dir, Load_Q3A_Exe()).Program;
  const platform::TProgram_Lookup found = platform::Find_Program(wanted, state.Game_Dir);
  if (found.Path.empty()) {
    context.Error(platform::Program_Not_Found_Text(wanted, found.Error));
    return 1;
  }
  const std::optional<std::size_t> limit = platform::Open_File_Limit();
  const std::optional<bool> kind_keeps_open = Keeps_Archives_Open_Of(profile, state.Game_Dir);
  std::fprintf(context.Out, "engine\t%s\nkeeps its archives open\t%s\nopen-file limit\t%s\n",
               For_Stream(context.Out, found.Path).c_str(),
               kind_keeps_open.value_or(Engine_Keeps_Archives_Open(found.Path)) ? "yes" : "no",
               limit ? std::to_string(*limit).c_str() : "none");
  const std::shared_ptr<const TGame_Index> index = Loaded_Game_Index(state);
  std::vector<std::string> mods;
  if (mod) {
    mods.push_back(*mod);
  } else if (state.MOD_List) {
    mods = state.MOD_List->Names();
  }
  for (const std::string& name : mods) {
    const std::size_t archives = index ? index->Search_Order(name, index->Bases()).size() : 0;
    std::fprintf(context.Out, "%s\t%zu archives\n", For_Stream(context.Out, name).c_str(),
                 archives);
    TLaunch_Choices choices;
    choices.Game_Dir = state.Game_Dir;
    choices.MOD = name;
    std::vector<std::string> warnings =
        Launch_Warnings(choices, found.Path, index.get(), server, kind_keeps_open);
    if (server && index) {
      std::fprintf(context.Out, "%s\tsystem info %zu bytes\n",
                   For_Stream(context.Out, name).c_str(),
                   Pure_Server_Lists(*index, name).System_Info);
      Add_Pure_Server_Warning(warnings, *index, name);
    }
    for (const std::string& warning : warnings) {
      std::string told = name;
      told += ": ";
      told += warning;
      context.Ui.Message(TMessage_Kind::Warning, told, TAnswer_Set::OK);
    }
  }
  return 0;
}

// What the game itself knows of a map: its archives and the arena block that names it.
int Command_Info(TCli_Context& context, TCli_Args& args) {
  const std::int32_t pk3_id = args.Next_Integer("PK3_ID");
  const std::int32_t map_id = args.Next_Integer("MAP_ID");
  args.Expect_End();
  if (!Start_With_Database(context)) {
    return 1;
  }
  const TPK3_Record_Store& database = *context.State().PK3_Database;
  const TMap_Record* map = database.Find_Map(pk3_id, map_id);
  if (map == nullptr || map->PK3 == nullptr) {
    context.Error("There is no map with the pk3 ID " + std::to_string(pk3_id) + " and the map ID " +
                  std::to_string(map_id) + ".");
    return 1;
  }
  const TGame_Index no_index;
  const std::shared_ptr<const TGame_Index> known = Loaded_Game_Index(context.State());
  const TGame_Index& index = known ? *known : no_index;
  const std::string& mod = map->PK3->MOD_Directory;
  auto archive = [](const TArchive_Facts* facts) {
    return facts == nullptr ? std::string("none")
                            : facts->MOD_Directory + "/" + facts->PK3_Filename;
  };
  std::vector<std::pair<std::string, std::string>> lines = {
      {"map", map->MAP_Filename},
      {"archive", mod + "/" + map->PK3->PK3_Filename},
      {"loaded from", archive(index.Loaded_From(map->MAP_Filename, mod, Base_Directories()))},
      {"bot file", archive(index.Bot_File(map->MAP_Filename, mod, Base_Directories()))},
  };
  // While an arena file is active in the map's directory the game reads its block instead.
  const TMap_Arena_Blocks blocks =
      TMap_Arena_Finder(index, context.State().Game_Dir).Blocks_Of(*map);
  if (!blocks.Active_Arena_File.empty()) {
    lines.emplace_back("active arena file", blocks.Active_Arena_File);
    const TMap_Arena_Block* now = blocks.Read_Now();
    lines.emplace_back("game reads", now != nullptr ? now->Source : std::string("none"));
  }
  if (blocks.Archives) {
    lines.emplace_back("script", blocks.Archives->Source);
    for (const auto& key_value : blocks.Archives->Block.Keys) {
      lines.push_back(key_value);
    }
  }
  // What the engines said the last time they launched it.
  for (const TMap_Load& load : Told_History(context).History.Loads_Of(*map)) {
    TMap_Load told = load;
    told.Missing_Images.clear();
    lines.emplace_back("last load", Load_Text({told}, QLocale::c()));
    for (const std::string& image : load.Missing_Images) {
      lines.emplace_back("image not found", image);
    }
  }
  for (const auto& [key, value] : lines) {
    std::fprintf(context.Out, "%s\t%s\n", key.c_str(), For_Stream(context.Out, value).c_str());
  }
  return 0;
}

// The collection check of the installation, every map's counts computed unless `every_map` is
// false; what could not be read is told as warnings.
std::shared_ptr<TCollection_Check> Told_Collection_Check(
    TCli_Context& context, const std::shared_ptr<const TGame_Index>& known, bool every_map = true) {
  const TGame_Index no_index;
  const TGame_Index& games = known ? *known : no_index;
  TCollection_Load load =
      Load_Collection_Check(context.State().Game_Dir, games, context.State().Program_Dir,
                            Content_Rules_For(Load_Engine_Profiles(), games.Base_Directory()));
  if (!load.Unreadable.empty()) {
    context.Ui.Message(TMessage_Kind::Warning, Unreadable_Archive_Message(load.Unreadable),
                       TAnswer_Set::OK);
  }
  for (const std::string& problem : load.Problems) {
    context.Ui.Message(TMessage_Kind::Warning, problem, TAnswer_Set::OK);
  }
  if (every_map) {
    load.Check->Compute_All();
  }
  context.Keep_With_Records(load.Check);
  return load.Check;
}

// Prints text line by line, each as it may go to the stream.
void Write_Lines(std::FILE* out, const std::string& text) {
  std::size_t begin = 0;
  while (begin < text.size()) {
    const std::size_t end = text.find('\n', begin);
    const std::string line = text.substr(begin, end - begin);
    std::fprintf(out, "%s\n", For_Stream(out, line).c_str());
    begin = end == std::string::npos ? text.size() : end + 1;
  }
}

int Command_Check(TCli_Context& context, TCli_Args& args) {
  const auto mod = args.Option("--mod");
  const bool json = args.Flag("--json");
  std::optional<std::pair<std::int32_t, std::int32_t>> asked;
  if (!args.Remaining().empty()) {
    const std::int32_t pk3_id = args.Next_Integer("PK3_ID");
    asked = {pk3_id, args.Next_Integer("MAP_ID")};
  }
  args.Expect_End();
  if (mod && mod->empty()) {
    throw TCli_Usage_Error("option --mod needs a MOD name");
  }
  if (!Start_With_Database(context)) {
    return 1;
  }
  std::optional<std::pair<TContent_Place, std::string>> map;  // its archive and its file
  if (asked) {
    const TMap_Record* record = Map_Argument(context, asked->first, asked->second);
    if (record == nullptr) {
      return 1;
    }
    map.emplace(TContent_Place{record->PK3->MOD_Directory, record->PK3->PK3_Filename},
                record->MAP_Filename);
  }
  std::shared_ptr<const TGame_Index> games = Archives_Of_Game_Index(context.State());
  // The check needs nothing more of the maps' records nor of the views: they are saved now and
  // freed, which on a large collection leaves room for the check's indexes. A failed save still
  // fails the command when it ends.
  context.Close();
  context.Release_Records();
  const std::shared_ptr<TCollection_Check> check =
      Told_Collection_Check(context, games, !map.has_value());
  games.reset();  // the check keeps what it needs of it
  if (map) {
    const auto& [place, map_file] = *map;
    const TMap_Content_State state = check->Map_State(place.MOD_Directory, place.PK3_Filename,
                                                      map_file, mod.value_or(std::string()));
    if (json) {
      std::fputs(Map_Check_Json(place, map_file, state).c_str(), context.Out);
    } else {
      Write_Lines(context.Out, Map_Check_Text(state));
    }
    return state.Counts.Total() > 0 ? 1 : 0;
  }
  const TCollection_Report report = check->Report(mod.value_or(std::string()));
  if (json) {
    std::fputs(Check_Report_Json(report).c_str(), context.Out);
  } else {
    Write_Lines(context.Out, Check_Report_Text(report));
  }
  return report.Missing.empty() ? 0 : 1;
}

// The group at a path of the maps tree, or nullptr (reported).
const TMaps_Tree_Node* Group_At(TCli_Context& context, const std::string& path) {
  const TMaps_Tree_Node* group = Find_Group_By_Path(context.Tree(), path);
  if (group == nullptr) {
    context.Error("There is no group \"" + path + "\" in the maps tree.");
  }
  return group;
}

// The archive record with the ID, or nullptr (reported).
TPK3_Record* Find_PK3(TCli_Context& context, std::int32_t pk3_id) {
  const TPK3_Record_Store& database = *context.State().PK3_Database;
  const int index = database.Index_Of_ID(pk3_id);
  if (index < 0) {
    context.Error("There is no pk3 file with the ID " + std::to_string(pk3_id) + ".");
    return nullptr;
  }
  return database.Items(index);
}

// The ID of the archive's first map (what the properties dialog would have shown), or 0.
std::int32_t First_Map_ID(const TPK3_Record& pk3) {
  return pk3.Maps && pk3.Maps->Count() > 0 ? pk3.Maps->Items(0)->ID : 0;
}

// Launches the map with the launch dialog's initial choices and prints the command line; with
// `dry_run` only prints it. The engine is the profile named `engine_profile`, else the MOD's
// default profile, else the stored engine.
int Launch_Map(TCli_Context& context, TMap_Record* map, bool dry_run, bool leave_queue = false,
               const std::optional<std::string>& engine_profile = std::nullopt) {
  TMain_State& state = context.State();
  if (!map->Present || map->PK3 == nullptr || !map->PK3->Present) {
    context.Error("The map " + map->MAP_Filename + " is no longer present.");
    return 1;
  }
  const std::optional<TLaunch_Choices> initial =
      Initial_Launch_Choices(Properties_Context_Of(state, context.Ui, QLocale::c()), map);
  if (!initial) {
    context.Error(
        "The map " + map->MAP_Filename +
        " has no usable MOD, so it cannot be launched. Choose its MODs in its properties first.");
    return 1;
  }
  const TLaunch_Choices& choices = *initial;
  std::optional<TEngine_Profile> profile;
  if (!Choose_Engine_Profile(context, engine_profile, choices.MOD, profile)) {
    return 1;
  }
  const std::string q3a_exe = profile ? profile->Program : Load_Q3A_Exe();
  const std::vector<std::string> engine_words =
      profile ? Profile_Launch_Words(*profile, choices.Game_Dir) : std::vector<std::string>();
  // What the engine will do with the installation, and did with the map before, told before it
  // starts.
  const THistory_Load before = Told_History(context);
  for (const std::string& warning :
       Game_Launch_Warnings(choices, q3a_exe, Loaded_Game_Index(state).get(), &before.History,
                            TMap_Key{map->PK3->ID, map->ID},
                            Keeps_Archives_Open_Of(profile, choices.Game_Dir), engine_words)) {
    context.Ui.Message(TMessage_Kind::Warning, warning, TAnswer_Set::OK);
  }
  if (dry_run) {
    if (const std::string refusal = Engine_Launch_Refusal(choices, engine_words);
        !refusal.empty()) {
      context.Error(refusal);
      return 1;
    }
    const TLaunch_Command command = Prepare_Launch(choices, q3a_exe, engine_words);
    std::fprintf(context.Out, "%s\n", For_Stream(context.Out, command.Text).c_str());
    return 0;
  }
  TExec_File exec_file;
  bool failed = false;
  exec_file.On_Fail = [&failed](TExec_File&) { failed = true; };
  const TLaunch_Command command = Launch_Game(choices, q3a_exe, exec_file, &context.Ui,
                                              New_Launch_Log(state.Program_Dir), engine_words);
  if (command.Program.empty()) {
    return 1;
  }
  std::fprintf(context.Out, "%s\n", For_Stream(context.Out, command.Text).c_str());
  if (failed) {
    context.Error("Couldn't start " + command.Program + ": " +
                  std::strerror(exec_file.Error_Code()) + ".");
    return 1;
  }
  THistory_Keeper history(state.Program_Dir, false);
  Record_Launch(history, *map, choices, command.Program, &context.Ui, leave_queue, command.Log);
  return 0;
}

int Command_Launch(TCli_Context& context, TCli_Args& args) {
  const bool dry_run = args.Flag("--dry-run");
  const auto engine_profile = args.Option("--engine-profile");
  const std::int32_t pk3_id = args.Next_Integer("PK3_ID");
  const std::int32_t map_id = args.Next_Integer("MAP_ID");
  args.Expect_End();
  if (!Start_With_Database(context)) {
    return 1;
  }
  TMap_Record* map = context.State().PK3_Database->Find_Map(pk3_id, map_id);
  if (map == nullptr) {
    context.Error("There is no map with the pk3 ID " + std::to_string(pk3_id) + " and the map ID " +
                  std::to_string(map_id) + ".");
    return 1;
  }
  return Launch_Map(context, map, dry_run, false, engine_profile);
}

int Command_Rename_PK3(TCli_Context& context, TCli_Args& args) {
  const std::int32_t pk3_id = args.Next_Integer("PK3_ID");
  const std::string new_path = args.Next("NEW_PATH");
  args.Expect_End();
  if (!Start_With_Database(context)) {
    return 1;
  }
  TPK3_Record* pk3 = Find_PK3(context, pk3_id);
  if (pk3 == nullptr) {
    return 1;
  }
  const TPK3_Action_Result result = Rename_PK3_File_To(context.State().PK3_Database->Paths(), *pk3,
                                                       First_Map_ID(*pk3), new_path, context.Ui);
  if (!result.Reload_Needed()) {
    return 1;
  }
  context.Reload();
  return 0;
}

int Command_Delete_PK3(TCli_Context& context, TCli_Args& args) {
  const std::int32_t pk3_id = args.Next_Integer("PK3_ID");
  args.Expect_End();
  if (!Start_With_Database(context)) {
    return 1;
  }
  TPK3_Record* pk3 = Find_PK3(context, pk3_id);
  if (pk3 == nullptr) {
    return 1;
  }
  THistory_Keeper history(context.State().Program_Dir, false);
  const TPK3_Action_Result result = Delete_PK3_File(context.State().PK3_Database->Paths(), *pk3,
                                                    First_Map_ID(*pk3), history, context.Ui);
  if (!result.Reload_Needed()) {
    return 1;
  }
  context.Reload();
  return 0;
}

// A count given to an option: a whole number from 0 to `largest`; nullopt when absent.
std::optional<std::int32_t> Count_Option(TCli_Args& args, const std::string& name,
                                         std::int32_t largest) {
  const auto value = args.Option(name);
  if (!value) {
    return std::nullopt;
  }
  bool valid = !value->empty() && value->size() <= 9;
  for (const char c : *value) {
    valid = valid && c >= '0' && c <= '9';
  }
  if (!valid || std::stoi(*value) > largest) {
    throw TCli_Usage_Error("option " + name + " needs a whole number from 0 to " +
                           std::to_string(largest) + ", not \"" + *value + "\"");
  }
  return std::stoi(*value);
}

// The filters of find and random.
TMap_Filters Filters_From(TCli_Args& args) {
  TMap_Filters filters;
  if (const auto type = args.Option("--type")) {
    const auto bit = Game_Type_Bit_From_Word(*type);
    if (!bit) {
      throw TCli_Usage_Error("unknown game type \"" + *type +
                             "\" (one of ffa, tourney, single, team, ctf, other)");
    }
    filters.Game_Type = *bit;
  }
  filters.Players = Count_Option(args, "--players", 999);
  filters.Min_Rating = Count_Option(args, "--min-rating", 9);
  filters.Bots = args.Flag("--bots");
  if (const auto mod = args.Option("--mod")) {
    if (mod->empty()) {
      throw TCli_Usage_Error("option --mod needs a MOD name");
    }
    filters.MOD = *mod;
  }
  filters.Added_Within_Days = Count_Option(args, "--added-within", 100000);
  filters.Now = Local_Now();
  filters.Never_Played = args.Flag("--never-played");
  filters.Played_Within_Days = Count_Option(args, "--played-within", 100000);
  filters.Played_Min = Count_Option(args, "--played-min", 999999999);
  filters.Favourite = args.Flag("--favourite");
  filters.Play_Later = args.Flag("--play-later");
  filters.Failed_To_Load = args.Flag("--failed");
  filters.Complete_Only = args.Flag("--complete");
  filters.Missing_Content = args.Flag("--incomplete");
  if (filters.Complete_Only && filters.Missing_Content) {
    throw TCli_Usage_Error("--complete and --incomplete exclude one another");
  }
  filters.Clock = static_cast<std::int64_t>(std::time(nullptr));
  return filters;
}

// The words after the options (an unknown option is wrong usage).
std::vector<std::string> Query_Words(TCli_Args& args) {
  std::vector<std::string> words;
  bool options_end = false;
  for (const auto& word : args.Remaining()) {
    if (!options_end && word == "--") {
      options_end = true;
    } else if (!options_end && TCli_Args::Is_Option(word)) {
      throw TCli_Usage_Error("unknown option " + word);
    } else {
      words.push_back(word);
    }
  }
  return words;
}

// What the game's own files say of the maps (an empty index when it could not be read).
std::shared_ptr<const TMap_Game_Facts> Game_Facts_Of(TCli_Context& context,
                                                     const std::vector<const TMap_Record*>& maps) {
  const TGame_Index no_index;
  const std::shared_ptr<const TGame_Index> known = Loaded_Game_Index(context.State());
  return std::make_shared<const TMap_Game_Facts>(known ? *known : no_index, maps);
}

// The history of the data folder, its damage told.
THistory_Load Told_History(TCli_Context& context) {
  // What the engines of earlier launches said, once they have ended.
  THistory_Keeper keeper(context.State().Program_Dir, false);
  if (const TOutcome_Collection read = Collect_Launch_Outcomes(keeper); !read.Problem.empty()) {
    context.Ui.Message(TMessage_Kind::Warning, read.Problem, TAnswer_Set::OK);
  }
  THistory_Load load = Load_Play_History(context.State().Program_Dir);
  if (!load.Warning.empty()) {
    context.Ui.Message(TMessage_Kind::Warning, load.Warning, TAnswer_Set::OK);
  }
  return load;
}

// The maps of the views that match, ordered by Filename, then in PK3.
std::vector<TMap_Place> Matching_Places(TCli_Context& context, TMap_Query query,
                                        const TMaps_Tree_Node* scope) {
  std::vector<TMap_Place> places = Map_Places(context.List(), context.Tree(), scope);
  if (query.Filters.Wants_History() && context.State().PK3_Database) {
    THistory_Load load = Told_History(context);
    query.Filters.History = std::make_shared<const TPlay_History>(std::move(load.History));
  }
  if (query.Filters.Wants_Game_Facts() && context.State().PK3_Database) {
    std::vector<const TMap_Record*> maps;
    maps.reserve(places.size());
    for (const auto& place : places) {
      maps.push_back(place.Map);
    }
    query.Filters.Game = Game_Facts_Of(context, maps);
  }
  if (query.Filters.Wants_Content() && context.State().PK3_Database) {
    query.Filters.Collection =
        Told_Collection_Check(context, Archives_Of_Game_Index(context.State()));
  }
  std::erase_if(places,
                [&query](const TMap_Place& place) { return !Map_Matches(*place.Map, query); });
  Sort_By_Filename(places);
  return places;
}

int Command_Find(TCli_Context& context, TCli_Args& args) {
  const TMap_Filters filters = Filters_From(args);
  std::string text;
  for (const auto& word : Query_Words(args)) {
    text += word + " ";
  }
  if (!Start_With_Database(context)) {
    return 1;
  }
  for (const auto& place : Matching_Places(context, Parse_Query(text, filters), nullptr)) {
    Write_Found_Map(context.Out, *place.Map, place.Group_Path);
  }
  return 0;
}

int Command_Random(TCli_Context& context, TCli_Args& args) {
  const TMap_Filters filters = Filters_From(args);
  const auto group_path = args.Option("--group");
  const bool launch = args.Flag("--launch");
  const bool dry_run = args.Flag("--dry-run");
  const bool prefer_unplayed = args.Flag("--prefer-never-played");
  const auto engine_profile = args.Option("--engine-profile");
  args.Expect_End();
  if (dry_run && !launch) {
    throw TCli_Usage_Error("option --dry-run needs --launch");
  }
  if (engine_profile && !launch) {
    throw TCli_Usage_Error("option --engine-profile needs --launch");
  }
  if (!Start_With_Database(context)) {
    return 1;
  }
  const TMaps_Tree_Node* group = nullptr;
  if (group_path) {
    group = Find_Group_By_Path(context.Tree(), *group_path);
    if (group == nullptr) {
      // Wrong usage found after the start-up: nothing is saved either.
      context.Suppress_Saving();
      throw TCli_Usage_Error("there is no group \"" + *group_path + "\" in the maps tree");
    }
  }
  const std::vector<TMap_Place> places = Matching_Places(context, Parse_Query("", filters), group);
  std::mt19937_64 random(std::random_device{}());
  std::optional<std::size_t> picked;
  if (prefer_unplayed) {
    std::vector<const TMap_Record*> maps;
    maps.reserve(places.size());
    for (const TMap_Place& place : places) {
      maps.push_back(place.Map);
    }
    picked = Pick_Preferring_Unplayed(maps, Told_History(context).History, random);
  } else {
    picked = Pick_Uniformly(places.size(), random);
  }
  if (!picked) {
    context.Error(group != nullptr ? "No map of the group \"" + *group_path + "\" matches."
                                   : "No map matches.");
    return 1;
  }
  const TMap_Place& place = places[*picked];
  Write_Found_Map(context.Out, *place.Map, place.Group_Path);
  return launch ? Launch_Map(context, place.Map, dry_run, false, engine_profile) : 0;
}

// An arena command with its answers; failed when an error box was shown on the way.
int Run_Arena_Command(TCli_Context& context, const TArena_Command& command,
                      const TArena_Branch& branch) {
  const int errors_before = context.Ui.Error_Count();
  Execute_Arena_Command(command, context.Arena_Environment(), branch, context.Ui);
  return context.Ui.Error_Count() > errors_before ? 1 : 0;
}

int Command_Arena_Create(TCli_Context& context, TCli_Args& args) {
  const std::string path = args.Required_Option("--group");
  TArena_Command command;
  command.Mode = TArena_Mode::Create;
  command.MODs = args.Options("--mod");
  command.Names = {args.Required_Option("--name")};
  args.Expect_End();
  if (command.MODs.empty()) {
    throw TCli_Usage_Error("option --mod is missing");
  }
  if (!Start_With_Database(context)) {
    return 1;
  }
  const TMaps_Tree_Node* group = Group_At(context, path);
  if (group == nullptr) {
    return 1;
  }
  if (!TMaps_Tree::Group_Has_Maps_For_Arena_File(group)) {
    context.Error("The group \"" + path + "\" holds no map that may be included in an arena file.");
    return 1;
  }
  return Run_Arena_Command(context, command, TArena_Branch{group->Text, Maps_Of_Group(*group)});
}

int Command_Arena_Activate(TCli_Context& context, TCli_Args& args) {
  TArena_Command command;
  command.Mode = TArena_Mode::Activate;
  command.MODs = {args.Required_Option("--mod")};
  command.Names = {args.Required_Option("--name")};
  args.Expect_End();
  if (!Start_With_Database(context)) {
    return 1;
  }
  return Run_Arena_Command(context, command, {});
}

int Command_Arena_Remove(TCli_Context& context, TCli_Args& args) {
  TArena_Command command;
  command.Mode = TArena_Mode::Remove;
  command.MODs = {args.Required_Option("--mod")};
  command.Names = args.Options("--name");
  args.Expect_End();
  if (command.Names.empty()) {
    throw TCli_Usage_Error("option --name is missing");
  }
  if (!Start_With_Database(context)) {
    return 1;
  }
  return Run_Arena_Command(context, command, {});
}

int Command_Arena_Import(TCli_Context& context, TCli_Args& args) {
  const std::string file = args.Next("FILE");
  args.Expect_End();
  if (!Start_With_Database(context)) {
    return 1;
  }
  TMain_State& state = context.State();
  const int errors_before = context.Ui.Error_Count();
  const TArena_Import_Changes changes =
      Import_Arena_File_From(file, state.Game_Dir, state.Temp_Dir, *state.PK3_Database, context.Ui,
                             TImport_Question::None);
  if (!changes.empty()) {
    const std::string mod = changes.front().Map->PK3->MOD_Directory;
    std::fprintf(context.Out, "changed %s\n",
                 For_Stream(context.Out, Describe_Arena_Import(changes, mod)).c_str());
  }
  return context.Ui.Error_Count() > errors_before ? 1 : 0;
}

// The engine profiles: writes them, or tells that the settings file could not be written.
int Save_Profiles_Told(TCli_Context& context, const TEngine_Profiles& profiles) {
  if (!Save_Engine_Profiles(profiles)) {
    context.Error("Cannot write the settings file " + Settings_File_Path() + ".");
    return 1;
  }
  return 0;
}

// One line per engine profile: name, kind, program, "available" or why it is not, the extra
// arguments, and the MODs that launch with it ("*" for every MOD without its own), tab-separated.
int Command_Engines_List(TCli_Context& context, TCli_Args& args) {
  args.Expect_End();
  const TEngine_Profiles profiles = Load_Engine_Profiles();
  for (const TEngine_Profile& profile : profiles.Profiles) {
    const std::string reason = Profile_Unavailable_Reason(profile, {});
    std::string mods;
    for (const std::string& mod : profiles.MODs_Defaulting_To(profile.Name)) {
      mods += (mods.empty() ? "" : ",") + (mod.empty() ? std::string("*") : mod);
    }
    const std::string line = profile.Name + "\t" + Rules_Of(profile.Kind).Word + "\t" +
                             profile.Program + "\t" + (reason.empty() ? "available" : reason) +
                             "\t" + profile.Arguments + "\t" + mods;
    std::fprintf(context.Out, "%s\n", For_Stream(context.Out, line).c_str());
  }
  return 0;
}

int Command_Engines_Add(TCli_Context& context, TCli_Args& args) {
  const auto kind_word = args.Option("--kind");
  const auto arguments = args.Option("--args");
  const std::string name = args.Next("NAME");
  const std::string program = args.Next("PROGRAM");
  args.Expect_End();
  TEngine_Profile profile{name, program, TEngine_Kind::Other, arguments.value_or("")};
  if (kind_word) {
    const auto kind = Engine_Kind_From_Word(*kind_word);
    if (!kind) {
      throw TCli_Usage_Error("unknown engine kind \"" + *kind_word + "\" (" + Engine_Kind_Words() +
                             ")");
    }
    profile.Kind = *kind;
  }
  // A path is kept absolute; a bare name is looked up at every launch, as a shell would.
  if (program.find('/') != std::string::npos) {
    profile.Program = Absolute_Directory(program);
  }
  TEngine_Profiles profiles = Load_Engine_Profiles();
  if (const TResult<void> added = profiles.Add(profile); !added) {
    context.Error(added.Message());
    return 1;
  }
  return Save_Profiles_Told(context, profiles);
}

int Command_Engines_Remove(TCli_Context& context, TCli_Args& args) {
  const std::string name = args.Next("NAME");
  args.Expect_End();
  TEngine_Profiles profiles = Load_Engine_Profiles();
  if (!profiles.Remove(name)) {
    context.Error("There is no engine named " + name + ".");
    return 1;
  }
  return Save_Profiles_Told(context, profiles);
}

int Command_Engines_Default(TCli_Context& context, TCli_Args& args) {
  const std::string mod = args.Option("--mod").value_or("");
  const std::string name = args.Next("NAME");
  args.Expect_End();
  TEngine_Profiles profiles = Load_Engine_Profiles();
  if (const TResult<void> set = profiles.Set_Default(mod, name); !set) {
    context.Error(set.Message());
    return 1;
  }
  return Save_Profiles_Told(context, profiles);
}

// The known engines found where programs are looked for that no profile starts yet: name, kind
// and program, tab-separated.
int Command_Engines_Found(TCli_Context& context, TCli_Args& args) {
  args.Expect_End();
  for (const TEngine_Profile& found : Found_Engines_Not_Kept(
           Load_Engine_Profiles(), platform::Program_Search_Folders(), Engine_Install_Places)) {
    const std::string line = found.Name + "\t" + Rules_Of(found.Kind).Word + "\t" + found.Program;
    std::fprintf(context.Out, "%s\n", For_Stream(context.Out, line).c_str());
  }
  return 0;
}

// An integer option, when given (its range is the settings' check).
std::optional<int> Integer_Option(TCli_Args& args, const std::string& name) {
  return Count_Option(args, name, 999999999);
}

int Command_Serve(TCli_Context& context, TCli_Args& args) {
  const bool dry_run = args.Flag("--dry-run");
  const std::string path = args.Required_Option("--group");
  const std::string mod = args.Required_Option("--mod");
  const auto type_word = args.Option("--type");
  std::optional<int> type;
  if (type_word) {
    type = Game_Type_From_Word(*type_word);
    if (!type) {
      throw TCli_Usage_Error("unknown game type \"" + *type_word +
                             "\" (ffa, tourney, single, team, ctf, other)");
    }
  }
  const auto frags = Integer_Option(args, "--fraglimit");
  const auto time = Integer_Option(args, "--timelimit");
  const auto captures = Integer_Option(args, "--capturelimit");
  const auto bots = Integer_Option(args, "--bots");
  const auto skill = Integer_Option(args, "--skill");
  const auto host_name = args.Option("--hostname");
  const auto port = Integer_Option(args, "--port");
  const auto max_clients = Integer_Option(args, "--max-clients");
  const auto password = args.Option("--password");
  const auto server_engine = args.Option("--server-engine");
  const auto engine_profile = args.Option("--engine-profile");
  args.Expect_End();
  if (server_engine && engine_profile) {
    throw TCli_Usage_Error("--server-engine and --engine-profile cannot be used together");
  }
  std::optional<std::string> new_server_exe;
  if (server_engine) {
    new_server_exe = Resolve_Engine(*server_engine);
    if (!server_engine->empty() && new_server_exe->empty()) {
      throw TCli_Usage_Error("no executable program " + *server_engine);
    }
  }
  if (!Start_With_Database(context)) {
    return 1;
  }
  // A server program given for this command is used as it is; else the engine profile asked
  // for or the MOD's default one, else the stored server program.
  std::optional<TEngine_Profile> profile;
  if (!server_engine && !Choose_Engine_Profile(context, engine_profile, mod, profile)) {
    return 1;
  }
  const std::string server_exe =
      profile ? profile->Program : new_server_exe.value_or(Load_Q3A_Server_Exe());
  const std::vector<std::string> engine_words =
      profile ? Profile_Launch_Words(*profile, context.State().Game_Dir)
              : std::vector<std::string>();
  const TMaps_Tree_Node* group = Group_At(context, path);
  if (group == nullptr) {
    return 1;
  }
  const std::vector<TMap_Record*> maps = Maps_Of_Group(*group);
  const auto game = Game_Facts_Of(context, {maps.begin(), maps.end()});
  TServer_Settings settings = Default_Server_Settings(maps, mod, game.get());
  const auto take = [](int& target, const std::optional<int>& given) {
    if (given) {
      target = *given;
    }
  };
  take(settings.Game_Type, type);
  take(settings.Frag_Limit, frags);
  take(settings.Time_Limit, time);
  take(settings.Capture_Limit, captures);
  take(settings.Bots, bots);
  take(settings.Bot_Skill, skill);
  take(settings.Port, port);
  take(settings.Max_Clients, max_clients);
  settings.Host_Name = host_name.value_or(settings.Host_Name);
  settings.Password = password.value_or(settings.Password);
  const TServer_Rotation rotation = Choose_Rotation(maps, mod, settings.Game_Type, game.get());
  for (const auto& left_out : rotation.Left_Out) {
    context.Ui.Message(TMessage_Kind::Information,
                       "Left out of the rotation: " + left_out.Name + ", " + left_out.Reason + ".",
                       TAnswer_Set::OK);
  }
  // What the engine will do with the installation, told before it starts.
  for (const std::string& warning : Server_Launch_Warnings(
           context.State().Game_Dir, settings, server_exe, Load_Q3A_Exe(),
           Loaded_Game_Index(context.State()).get(),
           Keeps_Archives_Open_Of(profile, context.State().Game_Dir), engine_words, &rotation)) {
    context.Ui.Message(TMessage_Kind::Warning, warning, TAnswer_Set::OK);
  }
  TExec_File exec_file;
  // The server program given is stored only once the command has done its work with it.
  const TServer_Start start = Host_Server(
      context.State().Game_Dir, settings, rotation.Maps, server_exe, Load_Q3A_Exe(), dry_run,
      exec_file, context.Ui, dry_run ? std::string() : New_Launch_Log(context.State().Program_Dir),
      engine_words);
  if (!start.Command.Program.empty() && start.Status == 0) {
    std::fprintf(context.Out, "%s\n", start.Command.Text.c_str());
  }
  if (start.Status != 0) {
    return start.Status;
  }
  if (!dry_run) {
    std::fprintf(context.Out, "server process ID: %lld\n",
                 static_cast<long long>(exec_file.Process_Id()));
    // What the server says of each map as it plays it is read by the commands that read the
    // history.
    THistory_Keeper history(context.State().Program_Dir, false);
    if (const std::string told =
            Record_Server_Start(history, maps, rotation.Maps, start.Command.Program, start.Log);
        !told.empty()) {
      context.Ui.Message(TMessage_Kind::Warning, told, TAnswer_Set::OK);
    }
  }
  if (new_server_exe && !Save_Q3A_Server_Exe(*new_server_exe)) {
    context.Error("Cannot write the settings file " + Settings_File_Path() + ".");
    return 1;
  }
  return 0;
}

TList_Format List_Format_Of(const std::string& word) {
  const auto format = List_Format_From_Word(word);
  if (!format) {
    throw TCli_Usage_Error("unknown list format \"" + word +
                           "\" (one of plain, mappool, cpma, rotation)");
  }
  return *format;
}

TList_Format Format_Option(TCli_Args& args, bool required) {
  const auto word =
      required ? std::optional(args.Required_Option("--format")) : args.Option("--format");
  return word ? List_Format_Of(*word) : TList_Format::Plain;
}

int Command_Export(TCli_Context& context, TCli_Args& args) {
  const auto group_path = args.Option("--group");
  const bool find = args.Flag("--find");
  const TList_Format format = Format_Option(args, true);
  const auto output = args.Option("--output");
  if (group_path.has_value() == find) {
    throw TCli_Usage_Error("give either --group PATH or --find");
  }
  if (output && output->empty()) {
    throw TCli_Usage_Error("option --output needs a file name");
  }
  TMap_Filters filters;
  std::string text;
  if (find) {
    filters = Filters_From(args);
    for (const auto& word : Query_Words(args)) {
      text += word + " ";
    }
  } else {
    args.Expect_End();
  }
  if (!Start_With_Database(context)) {
    return 1;
  }
  std::vector<const TMap_Record*> maps;
  if (group_path) {
    const TMaps_Tree_Node* group = Group_At(context, *group_path);
    if (group == nullptr) {
      return 1;
    }
    const std::vector<TMap_Record*> of_group = Maps_Of_Group(*group);
    maps.assign(of_group.begin(), of_group.end());
  } else {
    for (const auto& place : Matching_Places(context, Parse_Query(text, filters), nullptr)) {
      maps.push_back(place.Map);
    }
  }
  const TExported_List list = Export_Map_List(maps, format);
  for (const auto& left_out : list.Left_Out) {
    context.Ui.Message(TMessage_Kind::Information,
                       "Left out of the list: " + left_out.Name + ", " + left_out.Reason + ".",
                       TAnswer_Set::OK);
  }
  if (!output) {
    std::fwrite(list.Text.data(), 1, list.Text.size(), context.Out);
    return 0;
  }
  try {
    Write_File_Atomically(*output, list.Text);
  } catch (const TStream_Error& error) {
    context.Error("Cannot write the map list " + *output + ": " + error.what());
    return 1;
  }
  return 0;
}

int Command_Import_List(TCli_Context& context, TCli_Args& args) {
  const std::string file = args.Next("FILE");
  const std::string name = args.Required_Option("--group");
  const auto format_word = args.Option("--format");
  const auto mod = args.Option("--mod");
  args.Expect_End();
  std::optional<TList_Format> format;
  if (format_word) {
    format = List_Format_Of(*format_word);
  }
  if (!Is_New_Group_Name(name)) {
    throw TCli_Usage_Error("a group name is one line of text without \"/\"");
  }
  if (!Start_With_Database(context)) {
    return 1;
  }
  const std::shared_ptr<const TGame_Index> index = Loaded_Game_Index(context.State());
  const TList_Import import = Import_Map_List(
      file, name, format, context.Tree(), *context.State().PK3_Database, index.get(),
      mod.value_or(Engine_Base_Directory(context.State().Game_Dir, Load_Q3A_Exe())));
  for (const auto& note : import.Notes()) {
    context.Ui.Message(TMessage_Kind::Warning, note, TAnswer_Set::OK);
  }
  if (!import.Error.empty()) {
    context.Error(import.Error);
    return 1;
  }
  std::fprintf(context.Out, "group\t%s\t%d maps\n",
               For_Stream(context.Out, import.Group_Path).c_str(), import.Count);
  for (const auto& unknown : import.Unknown) {
    std::fprintf(context.Out, "unknown\t%s\n", unknown.c_str());
  }
  for (const auto& sorted : import.Sorted) {
    std::fprintf(context.Out, "sorted\t%s\n", sorted.c_str());
  }
  return 0;
}

// Changes the data folder's history and tells what came of it; 0 when it was written (or needed
// no write), else 1.
int Change_History(TCli_Context& context, const std::function<bool(TPlay_History&)>& change) {
  const THistory_Change outcome = Change_Play_History(context.State().Program_Dir, change);
  if (!outcome.Warning.empty()) {
    context.Ui.Message(TMessage_Kind::Warning, outcome.Warning, TAnswer_Set::OK);
  }
  if (!outcome.Problem.empty()) {
    context.Error(outcome.Problem);
    return 1;
  }
  return 0;
}

// The map named by the next two arguments, or nullptr (told).
TMap_Record* Map_Argument(TCli_Context& context, std::int32_t pk3_id, std::int32_t map_id) {
  TMap_Record* map = context.State().PK3_Database->Find_Map(pk3_id, map_id);
  if (map == nullptr || map->PK3 == nullptr) {
    context.Error("There is no map with the pk3 ID " + std::to_string(pk3_id) + " and the map ID " +
                  std::to_string(map_id) + ".");
    return nullptr;
  }
  return map;
}

// A map as the history commands print it: pk3 ID TAB map ID TAB Filename (or "?" for a map the
// database no longer has).
std::string History_Map_Text(TCli_Context& context, const TMap_Key& key) {
  const TMap_Record* map = context.State().PK3_Database->Find_Map(key.first, key.second);
  return std::to_string(key.first) + "\t" + std::to_string(key.second) + "\t" +
         (map != nullptr ? Remove_Extension(map->MAP_Filename) : std::string("?"));
}

int Command_History(TCli_Context& context, TCli_Args& args) {
  const auto limit = Count_Option(args, "--limit", static_cast<std::int32_t>(Recent_Launches_Kept));
  args.Expect_End();
  if (!Start_With_Database(context)) {
    return 1;
  }
  const THistory_Load load = Told_History(context);
  for (const auto& launch :
       load.History.Recent(static_cast<std::size_t>(limit.value_or(Recent_Launches_Kept)))) {
    char when[32] = "";
    const std::time_t time = static_cast<std::time_t>(launch.Time);
    std::tm local{};
    if (::localtime_r(&time, &local) != nullptr) {
      std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", &local);
    }
    const TMap_Play play = load.History.Of(launch.Map);
    std::fprintf(context.Out, "%s\t%s\t%s\t%s\t%d\n", when,
                 For_Stream(context.Out, History_Map_Text(context, launch.Map)).c_str(),
                 Game_Type_Word(launch.Game_Type).c_str(),
                 For_Stream(context.Out, launch.MOD).c_str(), play.Count);
  }
  return 0;
}

// favourite add|remove and later add|remove: one map marked or queued, or not.
int Change_Mark(TCli_Context& context, TCli_Args& args,
                const std::function<bool(TPlay_History&, const TMap_Key&)>& change) {
  const std::int32_t pk3_id = args.Next_Integer("PK3_ID");
  const std::int32_t map_id = args.Next_Integer("MAP_ID");
  args.Expect_End();
  if (!Start_With_Database(context)) {
    return 1;
  }
  if (Map_Argument(context, pk3_id, map_id) == nullptr) {
    return 1;
  }
  return Change_History(context, [&](TPlay_History& history) {
    return change(history, {pk3_id, map_id});
  });
}

int Command_Favourite_Add(TCli_Context& context, TCli_Args& args) {
  return Change_Mark(context, args, [](TPlay_History& history, const TMap_Key& map) {
    history.Set_Favourite(map, true);
    return true;
  });
}

int Command_Favourite_Remove(TCli_Context& context, TCli_Args& args) {
  return Change_Mark(context, args, [](TPlay_History& history, const TMap_Key& map) {
    history.Set_Favourite(map, false);
    return true;
  });
}

int Command_Later_Add(TCli_Context& context, TCli_Args& args) {
  return Change_Mark(context, args, [](TPlay_History& history, const TMap_Key& map) {
    return history.Queue(map);
  });
}

int Command_Later_Remove(TCli_Context& context, TCli_Args& args) {
  return Change_Mark(context, args, [](TPlay_History& history, const TMap_Key& map) {
    return history.Unqueue(map);
  });
}

int Command_Later_Move(TCli_Context& context, TCli_Args& args) {
  const std::int32_t pk3_id = args.Next_Integer("PK3_ID");
  const std::int32_t map_id = args.Next_Integer("MAP_ID");
  const std::int32_t position = args.Next_Integer("POSITION");
  args.Expect_End();
  if (position < 1) {
    throw TCli_Usage_Error("POSITION counts from 1");
  }
  if (!Start_With_Database(context) || Map_Argument(context, pk3_id, map_id) == nullptr) {
    return 1;
  }
  bool queued = true;
  const int status = Change_History(context, [&](TPlay_History& history) {
    queued = history.Is_Queued({pk3_id, map_id});
    return history.Move_In_Queue({pk3_id, map_id}, static_cast<std::size_t>(position - 1));
  });
  if (!queued) {
    context.Error("The map is not in the play-later queue.");
    return 1;
  }
  return status;
}

int Command_Later_List(TCli_Context& context, TCli_Args& args) {
  args.Expect_End();
  if (!Start_With_Database(context)) {
    return 1;
  }
  const THistory_Load load = Told_History(context);
  for (const auto& key : load.History.Queued()) {
    std::fprintf(context.Out, "%s\n",
                 For_Stream(context.Out, History_Map_Text(context, key)).c_str());
  }
  return 0;
}

// Launches the first map of the queue that the database still has; it leaves the queue once the
// game was started.
int Command_Later_Next(TCli_Context& context, TCli_Args& args) {
  const bool dry_run = args.Flag("--dry-run");
  const auto engine_profile = args.Option("--engine-profile");
  args.Expect_End();
  if (!Start_With_Database(context)) {
    return 1;
  }
  const THistory_Load load = Told_History(context);
  if (!load.Writable) {
    context.Error("The history of played maps is left as it is.");
    return 1;
  }
  for (const auto& key : load.History.Queued()) {
    TMap_Record* map = context.State().PK3_Database->Find_Map(key.first, key.second);
    if (map == nullptr || !map->Present) {
      continue;
    }
    return Launch_Map(context, map, dry_run, /*leave_queue=*/true, engine_profile);
  }
  context.Error("The play-later queue holds no map.");
  return 1;
}

}  // namespace

const std::vector<TCli_Command>& Cli_Commands() {
  static const std::vector<TCli_Command> commands = {
      {"sync", "", "the start-up and the close, nothing more: brings mapsdb.dat up to date",
       &Command_Sync},
      {"list", "",
       "the unsorted maps list in display order, one map per line:\n"
       "Mapname TAB Filename TAB in PK3",
       &Command_List},
      {"tree", "",
       "the maps tree in pre-order, two blanks of indentation per depth: a group as its\n"
       "name, a map entry as its text TAB pk3 ID TAB map ID",
       &Command_Tree},
      {"mods", "",
       "the MOD list in order: name TAB own|none TAB number of bots; after each MOD one\n"
       "line per bot: TAB name TAB model TAB pk3 file",
       &Command_Mods},
      {"launch", "PK3_ID MAP_ID [--engine-profile NAME] [--dry-run]",
       "launches the map with the launch dialog's initial choices (first enabled game type,\n"
       "first MOD to use, the map's limits, bots and skill) and prints the command line;\n"
       "with --dry-run only prints it. The engine: the profile NAME (its extra arguments\n"
       "first), else the MOD's default profile, else the one stored by --engine",
       &Command_Launch},
      {"engines check", "[--mod MOD] [--server] [--engine-profile NAME]",
       "the engine a launch starts (with --server the one a hosted server runs; with\n"
       "--engine-profile the profile's, its kind telling whether it keeps every archive\n"
       "open), whether it keeps every archive open, the open-file limit it inherits, and\n"
       "each MOD's archives (with --mod one MOD's) with the warnings a launch would give",
       &Command_Engines_Check},
      {"engines list", "",
       "the engine profiles, one a line: name TAB kind TAB program TAB available (or why\n"
       "it cannot be started) TAB extra arguments TAB the MODs launched with it by default\n"
       "(comma-separated, * for every MOD without its own)",
       &Command_Engines_List},
      {"engines add", "NAME PROGRAM [--kind KIND] [--args TEXT]",
       "keeps an engine profile: KIND one of ioquake3, openarena, quake3e, wine (the\n"
       "original through wine), other (the default: told from the program); TEXT the\n"
       "arguments put first on its command line, e.g. \"+set com_hunkMegs 256\", each word\n"
       "a plain one or a '+' before one",
       &Command_Engines_Add},
      {"engines remove", "NAME", "forgets the engine profile and the defaults naming it",
       &Command_Engines_Remove},
      {"engines default", "NAME [--mod MOD]",
       "makes the profile the engine that launches and serves the MOD's maps (without\n"
       "--mod: every MOD's without one of its own); an empty NAME removes that default,\n"
       "so that the engine stored by --engine starts them again",
       &Command_Engines_Default},
      {"engines found", "",
       "the engines found where programs are looked for (PATH, /usr/games) that no profile\n"
       "starts yet: name TAB kind TAB program",
       &Command_Engines_Found},
      {"info", "PK3_ID MAP_ID",
       "what the game itself knows of the map, one key TAB value line each: map, archive,\n"
       "loaded from (the archive the game takes it from), bot file (the archive holding its\n"
       ".aas, or none); while an arena file is active in its MOD directory, active arena\n"
       "file and game reads (its block's script, or none); then script and the keys of the\n"
       "arena block of the map's archives that names it; then per engine that launched it\n"
       "last load (loaded or failed, with the engine's error line) and image not found lines",
       &Command_Info},
      {"check", "[--mod MOD] [PK3_ID MAP_ID] [--json]",
       "what the game will load from the collection, from the program's indexes (built on\n"
       "first use, then read again only for archives that changed). Without a map, one record\n"
       "a line: missing TAB MOD/PK3 TAB map TAB total TAB textures TAB shader images TAB\n"
       "models TAB sounds (most missing first); duplicate TAB MOD TAB map TAB identical or\n"
       "different TAB MOD/PK3 the game loads TAB the other copies; overrides TAB MOD/PK3 TAB\n"
       "files it replaces TAB of them game modules TAB menus TAB shader scripts TAB maps TAB\n"
       "other TAB the archives replaced; dead TAB MOD/PK3 (the game reads nothing of it);\n"
       "problem TAB text. --mod: the archives of one MOD directory. For the map PK3_ID\n"
       "MAP_ID (launched in its own MOD directory, or with --mod in MOD): missing TAB kind TAB name TAB the shader needing it TAB MOD/PK3 of another MOD\n"
       "holding it; overridden TAB file TAB MOD/PK3 whose copy the game loads. --json: one\n"
       "JSON document instead. Exit status 0 when nothing is missing, 1 when something is",
       &Command_Check},
      {"find",
       "[WORD ...] [--type TYPE] [--players N] [--min-rating R] [--bots] [--mod MOD]\n"
       "     [--added-within DAYS] [--never-played] [--played-within DAYS] [--played-min N]\n"
       "     [--favourite] [--play-later] [--failed] [--complete | --incomplete]",
       "every map of the list and the tree whose title, file name, pk3 name, MOD directory\n"
       "or comment holds every WORD (letter case and accents ignored) and that passes the\n"
       "filters, ordered by Filename: Mapname TAB Filename TAB in PK3 TAB pk3 ID TAB map ID\n"
       "TAB group path (empty in the list). TYPE: ffa, tourney, single, team, ctf, other\n"
       "(the map's own or its arena script's); --players: within the recommended players;\n"
       "--bots: the game finds a bot file for the map;\n"
       "--mod: among its usable MODs; --added-within: the pk3 file's date; the history's\n"
       "filters: never launched, launched within DAYS, at least N times, a favourite, in\n"
       "the play-later queue, failed to load the last time an engine launched it;\n"
       "--complete: the game finds everything the map names (see check), --incomplete: it\n"
       "does not",
       &Command_Find},
      {"random",
       "[the filters of find] [--group PATH] [--prefer-never-played]\n"
       "     [--launch [--engine-profile NAME] [--dry-run]]",
       "one map picked at random among those find lists, printed as find does; with --group\n"
       "among the maps of that group at any depth; with --prefer-never-played among those\n"
       "never launched while there is one; with --launch the map is then launched as launch\n"
       "does. Exit status 1 when there is nothing to pick",
       &Command_Random},
      {"rename-pk3", "PK3_ID NEW_PATH",
       "renames or moves the pk3 file with its extracted folders, keeping its maps' IDs\n"
       "and properties; exit status 1 when nothing was renamed",
       &Command_Rename_PK3},
      {"delete-pk3", "PK3_ID",
       "deletes the pk3 file with its extracted folders (asks first: give --yes);\n"
       "exit status 1 when nothing was deleted",
       &Command_Delete_PK3},
      {"arena create", "--group PATH --mod MOD [--mod MOD ...] --name NAME",
       "writes the arena file NAME of the group PATH (names from the root joined by \"/\",\n"
       "e.g. \"Arenas/Duel maps\") into each MOD directory in order, as the active one",
       &Command_Arena_Create},
      {"arena activate", "--mod MOD --name NAME",
       "makes the arena file NAME the active one of the MOD directory", &Command_Arena_Activate},
      {"arena remove", "--mod MOD --name NAME [--name NAME ...]",
       "removes the arena files of the MOD directory", &Command_Arena_Remove},
      {"arena import", "FILE",
       "takes the bots, frag limit and game types of the pk3 FILE's arena script into the\n"
       "maps of its MOD directory (saved with the database) and prints how many maps changed\n"
       "and what",
       &Command_Arena_Import},
      {"export",
       "(--group PATH | --find [WORD ...] [the filters of find]) --format FORMAT\n"
       "       [--output FILE]",
       "writes the maps of the group PATH (at any depth, in displayed order) or those find\n"
       "lists as a map list, each name once: plain (one name per line), mappool (Quake Live's\n"
       "map|factory, a line per game type: ffa, duel, tdm, ctf), cpma (name, minimum and\n"
       "maximum recommended players, score limit, time limit) or rotation (a .cfg a server\n"
       "executes to play the maps in turn, the chain of vstr commands serve writes, as many\n"
       "maps as one such file holds); to standard output or FILE",
       &Command_Export},
      {"import-list", "FILE --group NAME [--format FORMAT] [--mod MOD]",
       "makes a new group NAME below the root group of the maps a list file names (plain,\n"
       "mappool, cpma or rotation; told from the text when not given), in the list's order\n"
       "(a rotation's: the order its chain plays them, from the setting the last vstr starts);\n"
       "letter case is ignored, and of a map in several archives the one the game loads (for\n"
       "MOD, else the base directory) is taken; a map sorted into a group already stays there.\n"
       "Prints group TAB path TAB count, then unknown TAB name for each name without a map\n"
       "and sorted TAB name for each map left in its group. A file with a line that names\n"
       "no map (in a rotation: any command but the chain's set and vstr) makes nothing; exit\n"
       "status 1 then, or when no map is left for the group",
       &Command_Import_List},
      {"history", "[--limit N]",
       "the last launches from the window and launch, newest first (at most 50): time TAB\n"
       "pk3 ID TAB map ID TAB Filename TAB game type TAB MOD TAB times the map was launched",
       &Command_History},
      {"favourite add", "PK3_ID MAP_ID", "marks the map as a favourite", &Command_Favourite_Add},
      {"favourite remove", "PK3_ID MAP_ID", "takes the favourite mark off the map",
       &Command_Favourite_Remove},
      {"later add", "PK3_ID MAP_ID", "puts the map at the end of the play-later queue",
       &Command_Later_Add},
      {"later remove", "PK3_ID MAP_ID", "takes the map out of the play-later queue",
       &Command_Later_Remove},
      {"later move", "PK3_ID MAP_ID POSITION",
       "moves the queued map to POSITION of the play-later queue (1 first; past the end:\n"
       "last)",
       &Command_Later_Move},
      {"later list", "", "the play-later queue in order: pk3 ID TAB map ID TAB Filename",
       &Command_Later_List},
      {"later next", "[--engine-profile NAME] [--dry-run]",
       "launches the first map of the play-later queue as launch does; it leaves the queue\n"
       "once the game was started",
       &Command_Later_Next},
      {"serve",
       "--group PATH --mod MOD [--type TYPE] [--fraglimit N] [--timelimit N]\n"
       "      [--capturelimit N] [--bots N] [--skill N] [--hostname TEXT] [--port N]\n"
       "      [--max-clients N] [--password TEXT] [--server-engine PATH]\n"
       "      [--engine-profile NAME] [--dry-run]",
       "hosts a dedicated server playing the maps of the group PATH in turn: the maps usable\n"
       "with MOD that allow TYPE (ffa, tourney, single, team, ctf, other); writes\n"
       "vorlix_server.cfg into the MOD directory, prints the server's command line, starts\n"
       "it (not with --dry-run) and prints its process ID. Defaults: what the maps agree\n"
       "on, else frags 20, time 0, captures 8, 8 clients, skill 4; no bots, port 27960.\n"
       "--server-engine stores the server program (Q3A_SERVER_EXE) once the command has\n"
       "done its work; without it the profile NAME or the MOD's default profile runs the\n"
       "server, with its extra arguments first. Exit status 1 when no map qualifies, 2 for\n"
       "a name or password with a quote, semicolon or control character or of more than 255\n"
       "bytes, a bad port, or extra arguments the engine would not read as they are",
       &Command_Serve},
  };
  return commands;
}

}  // namespace vorlix
