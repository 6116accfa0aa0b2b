#include "launch/map_lists.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "browser/map_search.h"
#include "browser/maps_tree.h"
#include "core/fs_routines.h"
#include "core/game_types.h"
#include "core/interaction.h"
#include "core/letter_case.h"
#include "core/paths.h"
#include "core/text.h"
#include "database/game_index.h"
#include "database/records.h"
#include "database/stream.h"
#include "launch/command_line.h"

namespace vorlix {

namespace {

// Quake Live's factories for the game types, in the order a map's lines are written. Single
// player is a free-for-all against bots; "other" has no factory.
struct TFactory {
  std::uint8_t Bits;
  const char* Name;
};
constexpr std::array<TFactory, 4> Factories = {{
    {GT_Free_For_All | GT_Single_Player, "ffa"},
    {GT_Tournament, "duel"},
    {GT_Team_Deathmatch, "tdm"},
    {GT_Capture_The_Flag, "ctf"},
}};

std::string Map_Pool_Lines(const std::string& name, std::uint8_t game_types) {
  std::string lines;
  for (const auto& factory : Factories) {
    if ((game_types & factory.Bits) != 0) {
      lines += name + "|" + factory.Name + "\n";
    }
  }
  // Every map has the spawn points of a free-for-all: one made for no game type Quake Live
  // knows is offered as that.
  return lines.empty() ? name + "|ffa\n" : lines;
}

// "map min max scorelimit timelimit". A negative minimum bans the map on a CPMA server and a
// maximum below the minimum keeps it from ever being played: neither is what a recommendation
// means, so the counts are kept within 0 <= min <= max. A map made for capture the flag only
// scores by captures.
std::string CPMA_Line(const std::string& name, const TMap_Record& map) {
  const std::int32_t min_players = std::max(map.Min_Recomm_Players, 0);
  const std::int32_t max_players = std::max(map.Max_Recomm_Players, min_players);
  const std::uint8_t frag_types =
      GT_Single_Player | GT_Free_For_All | GT_Team_Deathmatch | GT_Tournament;
  const bool captures =
      (map.Game_Types & GT_Capture_The_Flag) != 0 && (map.Game_Types & frag_types) == 0;
  const std::int32_t score = captures ? map.Limits_Captures : map.Limits_Frags;
  // A negative limit means the server's own setting, as an absent one does.
  std::string line = name + " " + std::to_string(min_players) + " " + std::to_string(max_players);
  if (score >= 0 && map.Limits_Time >= 0) {
    line += " " + std::to_string(score) + " " + std::to_string(map.Limits_Time);
  }
  return line + "\n";
}

// Why a name cannot go into a list of the format; "" when it can.
std::string List_Name_Refusal(const std::string& name) {
  if (std::string reason = Map_Name_Refusal(name); !reason.empty()) {
    return reason;
  }
  if (name.find('/') != std::string::npos) {
    return "its file name holds a path separator";
  }
  if (name.front() == '#') {
    return "its file name would be read as a comment";
  }
  // Written into any list, it would make the list read back as a map pool.
  if (name.find('|') != std::string::npos) {
    return "its file name holds a |, which separates a map pool's factory";
  }
  return {};
}

bool Is_Blank(char c) {
  return c == ' ' || c == '\t';
}

// The first word of a line (the line starts with no blank).
std::string First_Word(const std::string& line) {
  return line.substr(
      0, static_cast<std::size_t>(std::find_if(line.begin(), line.end(), Is_Blank) - line.begin()));
}

bool Is_Comment(const std::string& line) {
  return line.front() == '#' || line.rfind("//", 0) == 0;
}

// The words of a text, apart at blanks.
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  for (auto at = text.begin(); at != text.end();) {
    at = std::find_if_not(at, text.end(), Is_Blank);
    const auto end = std::find_if(at, text.end(), Is_Blank);
    if (at != end) {
      words.emplace_back(at, end);
    }
    at = end;
  }
  return words;
}

// Why a name read from a list cannot stand for a map; "" when it can. The name itself is never
// repeated in the message: it may hold anything.
std::string Read_Name_Refusal(const std::string& name) {
  if (name.empty()) {
    return "no map name";
  }
  if (const std::string reason = List_Name_Refusal(name); !reason.empty()) {
    return "no map name the game loads (" + Remove_Prefix(reason, "its file name ") + ")";
  }
  return {};
}

// The first line of an exported rotation. Quake 3's own command buffer ends a command at a
// semicolon even within a comment, so it holds none (nor a quote, which would hide the next one).
constexpr const char* Rotation_Head =
    "// Written by Vorlix: a map rotation. A server executing this file (exec) plays its maps in "
    "turn.\n";

// A rotation's line without a "//" comment after its command: the engines' parser skips it when
// it is outside quotes.
std::string Without_Comment(const std::string& line) {
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') {
      quoted = !quoted;
    } else if (!quoted && line.compare(i, 2, "//") == 0) {
      return Trim(std::string_view(line).substr(0, i));
    }
  }
  return line;
}

// A line a rotation has and no other list: `set NAME "..."` or `vstr NAME`.
bool Is_Rotation_Line(const std::string& line) {
  const std::vector<std::string> words = Words(Without_Comment(line));
  if (words.empty()) {
    return false;
  }
  const std::string command = platform::Lower(words.front());
  return (command == "set" && words.size() >= 3 && words[2].front() == '"') ||
         (command == "vstr" && words.size() == 2);
}

// A line of a rotation read: the setting it sets, with its map and the next setting, or the one
// it starts.
struct TRotation_Command {
  std::string Why;      // why the line is no part of a rotation; "" when it is
  std::string Setting;  // lower case
  bool Starts = false;  // `vstr Setting`
  std::string Map;      // as written
  std::string Next;     // lower case; "" when the chain ends there
};

TRotation_Command Rotation_Command(const std::string& text) {
  TRotation_Command command;
  const std::string line = Without_Comment(text);
  const std::string word = platform::Lower(First_Word(line));
  const std::string rest = Trim(std::string_view(line).substr(word.size()));
  if (word == "vstr" && Plain_Command_Word(rest)) {
    command.Starts = true;
    command.Setting = platform::Lower(rest);
    return command;
  }
  // `set NAME "VALUE"`: a quote within the value, or anything after it, would end the value or
  // add a command.
  const std::string name = First_Word(rest);
  const std::string value = Trim(std::string_view(rest).substr(name.size()));
  if (word != "set" || !Plain_Command_Word(name) || value.size() < 2 || value.front() != '"' ||
      value.find('"', 1) != value.size() - 1) {
    command.Why = "a command other than a rotation's set NAME \"map ...\" or vstr NAME";
    return command;
  }
  command.Setting = platform::Lower(name);
  // The setting's commands, apart at semicolons: the map, then the next map.
  std::vector<std::string> commands;
  for (std::size_t start = 1; start < value.size() - 1;) {
    const std::size_t end = std::min(value.find(';', start), value.size() - 1);
    if (std::string one = Trim(std::string_view(value).substr(start, end - start)); !one.empty()) {
      commands.push_back(std::move(one));
    }
    start = end + 1;
  }
  if (commands.empty() || commands.size() > 2 ||
      platform::Lower(First_Word(commands[0])) != "map") {
    command.Why = "a setting other than a rotation's map and its next map";
    return command;
  }
  command.Map = Trim(std::string_view(commands[0]).substr(3));
  if (commands.size() == 2) {
    const std::vector<std::string> next = Words(commands[1]);
    if (next.size() != 4 || platform::Lower(next[0]) != "set" ||
        platform::Lower(next[1]) != "nextmap" || platform::Lower(next[2]) != "vstr" ||
        !Plain_Command_Word(next[3])) {
      command.Why = "a setting other than a rotation's map and its next map";
      return command;
    }
    command.Next = platform::Lower(next[3]);
  }
  return command;
}

// A line of a list file that is neither blank nor a comment.
struct TList_Line {
  std::size_t Number = 0;  // from 1
  std::string Text;        // trimmed; only its start when Too_Long
  bool Too_Long = false;
};

// The list's lines with their numbers, blank lines and comments left out.
std::vector<TList_Line> Content_Lines(const std::string& text) {
  std::vector<TList_Line> lines;
  std::size_t number = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      end = text.size();
    }
    ++number;
    // Only the start of a long line is looked at: it is refused as a whole anyway.
    const bool too_long = end - start > Max_List_Line_Length;
    std::string line =
        Trim(std::string_view(text).substr(start, std::min(end - start, Max_List_Line_Length)));
    if (!line.empty() && !Is_Comment(line)) {
      lines.push_back({number, std::move(line), too_long});
    }
    start = end + 1;
  }
  return lines;
}

TList_Format Told_Format(const std::vector<TList_Line>& lines) {
  if (std::any_of(lines.begin(), lines.end(),
                  [](const TList_Line& line) { return Is_Rotation_Line(line.Text); })) {
    return TList_Format::Rotation;
  }
  bool several_words = false;
  for (const auto& line : lines) {
    if (line.Text.find('|') != std::string::npos) {
      return TList_Format::Map_Pool;
    }
    several_words = several_words || std::any_of(line.Text.begin(), line.Text.end(), Is_Blank);
  }
  return several_words ? TList_Format::CPMA : TList_Format::Plain;
}

// The names of a rotation's lines in the order its chain plays them, and its refused lines (in
// line order).
void Read_Rotation(const std::vector<TList_Line>& lines, TList_Reading& reading) {
  struct TSetting {
    std::size_t Line = 0;
    std::string Map;   // lower case; "" when the line's map is refused
    std::string Next;  // lower case; "" when the chain ends there
  };
  std::unordered_map<std::string, TSetting> settings;
  std::vector<std::string> set_order;
  std::string start;
  std::size_t start_line = 0;
  std::vector<std::pair<std::size_t, std::string>> refused;
  for (const auto& [number, line, too_long] : lines) {
    if (too_long) {
      refused.emplace_back(number,
                           "longer than " + std::to_string(Max_List_Line_Length) + " bytes");
      continue;
    }
    TRotation_Command command = Rotation_Command(line);
    if (!command.Why.empty()) {
      refused.emplace_back(number, std::move(command.Why));
      continue;
    }
    if (command.Starts) {
      start = std::move(command.Setting);
      start_line = number;
      continue;
    }
    if (settings.count(command.Setting) != 0) {
      refused.emplace_back(number, "a setting the file sets before");
      continue;
    }
    // A refused map is still a link of the chain: the maps after it are reached through it.
    if (std::string why = Read_Name_Refusal(command.Map); !why.empty()) {
      refused.emplace_back(number, std::move(why));
      command.Map.clear();
    }
    settings[command.Setting] = {number, platform::Lower(command.Map), std::move(command.Next)};
    set_order.push_back(std::move(command.Setting));
  }
  if (start_line == 0 && !set_order.empty()) {
    start = set_order.front();
  }
  std::unordered_set<std::string> reached;
  std::unordered_set<std::string> seen;
  for (std::size_t from = start_line; !start.empty() && reached.count(start) == 0;) {
    const auto found = settings.find(start);
    if (found == settings.end()) {
      refused.emplace_back(from, "names a setting the file does not set");
      break;
    }
    reached.insert(start);
    if (const std::string& map = found->second.Map; !map.empty() && seen.insert(map).second) {
      reading.Names.push_back(map);
    }
    from = found->second.Line;
    start = found->second.Next;
  }
  for (const auto& name : set_order) {
    if (reached.count(name) == 0) {
      refused.emplace_back(settings[name].Line, "a map the rotation never reaches");
    }
  }
  std::stable_sort(refused.begin(), refused.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [number, why] : refused) {
    reading.Refused.push_back("line " + std::to_string(number) + ": " + why);
  }
}

// A byte a group's name may not hold: "/" separates the groups of a path, and control bytes.
bool Breaks_Group_Name(char c) {
  return c == '/' || static_cast<unsigned char>(c) < ' ' || c == '\x7f';
}

}  // namespace

std::optional<TList_Format> List_Format_From_Word(const std::string& word) {
  const std::string lower = platform::Lower(word);
  if (lower == "plain") {
    return TList_Format::Plain;
  }
  if (lower == "mappool") {
    return TList_Format::Map_Pool;
  }
  if (lower == "cpma") {
    return TList_Format::CPMA;
  }
  if (lower == "rotation") {
    return TList_Format::Rotation;
  }
  return std::nullopt;
}

TExported_List Export_Map_List(const std::vector<const TMap_Record*>& maps, TList_Format format) {
  TExported_List list;
  std::unordered_set<std::string> written;
  std::vector<std::string> rotation;
  for (const TMap_Record* map : maps) {
    const std::string name = Game_Map_Name(*map);
    if (written.count(name) != 0) {
      continue;
    }
    if (std::string reason = List_Name_Refusal(name); !reason.empty()) {
      list.Left_Out.push_back({name, std::move(reason)});
      continue;
    }
    written.insert(name);
    switch (format) {
      case TList_Format::Plain:
        list.Text += name + "\n";
        break;
      case TList_Format::Map_Pool:
        list.Text += Map_Pool_Lines(name, map->Game_Types);
        break;
      case TList_Format::CPMA:
        list.Text += CPMA_Line(name, *map);
        break;
      case TList_Format::Rotation:
        rotation.push_back(name);
        break;
    }
  }
  if (format == TList_Format::Rotation) {
    TOne_File_Rotation file = One_File_Rotation(Rotation_Head, rotation);
    list.Text = std::move(file.Text);
    const std::string full = "the rotation's file is full: a server executes no more than " +
                             std::to_string(Server_Config_Limit) + " bytes of one file";
    for (std::size_t i = file.Count; i < rotation.size(); ++i) {
      list.Left_Out.push_back({rotation[i], full});
    }
  }
  return list;
}

TList_Reading Read_Map_List(const std::string& text, std::optional<TList_Format> format) {
  TList_Reading reading;
  const auto lines = Content_Lines(text);
  const TList_Format read_as = format.value_or(Told_Format(lines));
  if (read_as == TList_Format::Rotation) {
    Read_Rotation(lines, reading);
    return reading;
  }
  std::unordered_set<std::string> seen;
  for (const auto& [number, line, too_long] : lines) {
    const std::string where = "line " + std::to_string(number) + ": ";
    if (too_long) {
      reading.Refused.push_back(where + "longer than " + std::to_string(Max_List_Line_Length) +
                                " bytes");
      continue;
    }
    std::string name;
    switch (read_as) {
      case TList_Format::Plain:
        name = line;
        break;
      case TList_Format::Map_Pool:
        name = Trim(line.substr(0, line.find('|')));
        break;
      case TList_Format::CPMA:
      case TList_Format::Rotation:  // read above
        name = First_Word(line);
        break;
    }
    if (const std::string why = Read_Name_Refusal(name); !why.empty()) {
      reading.Refused.push_back(where + why);
      continue;
    }
    name = platform::Lower(name);
    if (seen.insert(name).second) {
      reading.Names.push_back(std::move(name));
    }
  }
  return reading;
}

TList_Match Match_Map_Names(const std::vector<std::string>& names,
                            const TPK3_Record_Store& database, const TGame_Index* index,
                            const std::string& mod, const std::vector<std::string>& bases) {
  std::unordered_map<std::string, std::vector<TMap_Record*>> by_name;
  for (const auto& name : names) {
    by_name.try_emplace(platform::Lower(name));
  }
  for (int i = 0; i < database.Count(); ++i) {
    const TPK3_Record* pk3 = database.Items(i);
    if (!pk3->Present || !pk3->Maps) {
      continue;
    }
    for (int j = 0; j < pk3->Maps->Count(); ++j) {
      TMap_Record* map = pk3->Maps->Items(j);
      if (!map->Present) {
        continue;
      }
      if (const auto found = by_name.find(Game_Map_Name(*map)); found != by_name.end()) {
        found->second.push_back(map);
      }
    }
  }
  TList_Match match;
  for (const auto& name : names) {
    const std::vector<TMap_Record*>& candidates = by_name[platform::Lower(name)];
    if (candidates.empty()) {
      match.Unknown.push_back(name);
      continue;
    }
    TMap_Record* chosen = candidates.front();
    const TArchive_Facts* loaded =
        index != nullptr && candidates.size() > 1
            ? index->Loaded_From(candidates.front()->MAP_Filename, mod, bases)
            : nullptr;
    for (TMap_Record* candidate : candidates) {
      if (loaded != nullptr && candidate->PK3->MOD_Directory == loaded->MOD_Directory &&
          candidate->PK3->PK3_Filename == loaded->PK3_Filename) {
        chosen = candidate;
        break;
      }
    }
    match.Maps.push_back(chosen);
  }
  return match;
}

std::vector<std::string> TList_Import::Notes() const {
  std::vector<std::string> notes;
  if (!Unknown.empty()) {
    notes.push_back("Names of the list without a map in the database (" +
                    std::to_string(Unknown.size()) + "): " + Some_Of(Unknown) + ".");
  }
  if (!Sorted.empty()) {
    notes.push_back("Maps of the list that are sorted into other groups and stay there (" +
                    std::to_string(Sorted.size()) + "): " + Some_Of(Sorted) + ".");
  }
  return notes;
}

TList_Import Import_Map_List(const std::string& path, const std::string& group_name,
                             std::optional<TList_Format> format, TMaps_Tree& tree,
                             const TPK3_Record_Store& database, const TGame_Index* index,
                             const std::string& mod) {
  TList_Import import;
  if (!Is_New_Group_Name(group_name)) {
    import.Error = "\"" + group_name +
                   "\" cannot name a group: it is empty, holds a \"/\" or a "
                   "control character.";
    return import;
  }
  std::string text;
  try {
    text = Read_Whole_File(path, Max_List_File_Size);
  } catch (const TStream_Error& error) {
    import.Error = "Cannot read the map list " + path + ": " + error.what();
    return import;
  }
  const TList_Reading reading = Read_Map_List(text, format);
  if (!reading.Refused.empty()) {
    import.Error = "The map list " + path +
                   " was not imported: " + std::to_string(reading.Refused.size()) +
                   " of its lines name no map (" + Some_Of(reading.Refused) + ").";
    return import;
  }
  if (tree.Root() == nullptr) {
    import.Error = "The maps tree has no root group.";
    return import;
  }
  import.Group_Path = tree.Root()->Text + "/" + group_name;
  if (Find_Group_By_Path(tree, import.Group_Path) != nullptr) {
    import.Error = "There is already a group \"" + group_name + "\" in the maps tree.";
    return import;
  }
  const TList_Match match =
      Match_Map_Names(reading.Names, database, index, mod, Base_Directories());
  import.Unknown = match.Unknown;
  const TGroup_Of_Maps made = tree.Make_Group_Of_Maps(group_name, match.Maps);
  for (const TMap_Record* map : made.Sorted_Elsewhere) {
    import.Sorted.push_back(Game_Map_Name(*map));
  }
  if (made.Group == nullptr) {
    import.Error =
        "The map list " + path + " names no unsorted map of the database: no group was made.";
    return import;
  }
  import.Count = made.Group->Child_Count();
  return import;
}

bool Is_New_Group_Name(const std::string& name) {
  return !name.empty() && std::none_of(name.begin(), name.end(), Breaks_Group_Name);
}

bool Export_Map_List_Asking(const std::vector<const TMap_Record*>& maps,
                            const std::string& group_name, TInteraction& ui) {
  TChoice_Request choice;
  choice.Kind = TMessage_Kind::Confirmation;
  choice.Text = "Export the maps of \"" + group_name + "\" as:";
  choice.Choices = {"Plain list", "Quake Live map pool", "CPMA map list", "Server rotation",
                    "Cancel"};
  choice.Fallback = 4;
  const int chosen = ui.Choose(choice);
  if (chosen < 0 || chosen > 3) {
    return false;
  }
  const std::array<TList_Format, 4> formats = {TList_Format::Plain, TList_Format::Map_Pool,
                                               TList_Format::CPMA, TList_Format::Rotation};
  const TList_Format format = formats[static_cast<std::size_t>(chosen)];
  TFile_Request request;
  request.Save = true;
  request.Title = "Export Map List";
  request.Filter = "Map lists (*.txt)";
  request.Initial_Name =
      format == TList_Format::Map_Pool ? std::string("mappool.txt") : group_name + ".txt";
  if (format == TList_Format::Rotation) {
    // A name that the server's `exec` reads as one word.
    std::string name = group_name;
    std::replace_if(
        name.begin(), name.end(), [](char c) { return !Plain_Command_Word(std::string(1, c)); },
        '_');
    request.Filter = "Server configurations (*.cfg)";
    request.Initial_Name = name + ".cfg";
  }
  const auto path = ui.Choose_File(request);
  if (!path) {
    return false;
  }
  const TExported_List list = Export_Map_List(maps, format);
  try {
    Write_File_Atomically(*path, list.Text);
  } catch (const TStream_Error& error) {
    ui.Message(TMessage_Kind::Error, "Cannot write the map list " + *path + ": " + error.what(),
               TAnswer_Set::OK);
    return false;
  }
  if (!list.Left_Out.empty()) {
    std::vector<std::string> left_out;
    for (const auto& map : list.Left_Out) {
      left_out.push_back(map.Name + " (" + map.Reason + ")");
    }
    ui.Message(TMessage_Kind::Information,
               "Maps left out of the list (" + std::to_string(left_out.size()) +
                   "): " + Some_Of(left_out) + ".",
               TAnswer_Set::OK);
  }
  return true;
}

const TMaps_Tree_Node* Import_Map_List_Asking(TMaps_Tree& tree, const TPK3_Record_Store& database,
                                              const TGame_Index* index, const std::string& mod,
                                              TInteraction& ui) {
  TFile_Request request;
  request.Title = "Import Map List";
  request.Filter = "Map lists (*.txt *.cfg);;All files (*)";
  const auto path = ui.Choose_File(request);
  if (!path || tree.Root() == nullptr) {
    return nullptr;
  }
  // The file's name without extension, without what cannot stand in a group's name.
  std::string base = Remove_Extension(platform::File_Name(*path));
  std::replace_if(base.begin(), base.end(), Breaks_Group_Name, '_');
  if (base.empty()) {
    base = "Imported maps";
  }
  std::string name = base;
  for (int number = 2; Find_Group_By_Path(tree, tree.Root()->Text + "/" + name) != nullptr;
       ++number) {
    name = base + " " + std::to_string(number);
  }
  const TList_Import import =
      Import_Map_List(*path, name, std::nullopt, tree, database, index, mod);
  for (const auto& note : import.Notes()) {
    ui.Message(TMessage_Kind::Warning, note, TAnswer_Set::OK);
  }
  if (!import.Error.empty()) {
    ui.Message(TMessage_Kind::Error, import.Error, TAnswer_Set::OK);
    return nullptr;
  }
  return Find_Group_By_Path(tree, import.Group_Path);
}

}  // namespace vorlix
