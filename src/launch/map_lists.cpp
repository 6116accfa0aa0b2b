#include "launch/map_lists.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <unordered_set>

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
  bool several_words = false;
  for (const auto& line : lines) {
    if (line.Text.find('|') != std::string::npos) {
      return TList_Format::Map_Pool;
    }
    several_words = several_words || std::any_of(line.Text.begin(), line.Text.end(), Is_Blank);
  }
  return several_words ? TList_Format::CPMA : TList_Format::Plain;
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
  return std::nullopt;
}

TExported_List Export_Map_List(const std::vector<const TMap_Record*>& maps, TList_Format format) {
  TExported_List list;
  std::unordered_set<std::string> written;
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
    }
  }
  return list;
}

TList_Reading Read_Map_List(const std::string& text, std::optional<TList_Format> format) {
  TList_Reading reading;
  const auto lines = Content_Lines(text);
  const TList_Format read_as = format.value_or(Told_Format(lines));
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
        name = First_Word(line);
        break;
    }
    if (name.empty()) {
      reading.Refused.push_back(where + "no map name");
      continue;
    }
    // The name itself is never repeated in the message: it may hold anything.
    if (const std::string reason = List_Name_Refusal(name); !reason.empty()) {
      reading.Refused.push_back(where + "no map name the game loads (" +
                                Remove_Prefix(reason, "its file name ") + ")");
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
  choice.Choices = {"Plain list", "Quake Live map pool", "CPMA map list", "Cancel"};
  choice.Fallback = 3;
  const int chosen = ui.Choose(choice);
  if (chosen < 0 || chosen > 2) {
    return false;
  }
  const std::array<TList_Format, 3> formats = {TList_Format::Plain, TList_Format::Map_Pool,
                                               TList_Format::CPMA};
  TFile_Request request;
  request.Save = true;
  request.Title = "Export Map List";
  request.Filter = "Map lists (*.txt)";
  request.Initial_Name = chosen == 1 ? std::string("mappool.txt") : group_name + ".txt";
  const auto path = ui.Choose_File(request);
  if (!path) {
    return false;
  }
  const TExported_List list = Export_Map_List(maps, formats[static_cast<std::size_t>(chosen)]);
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
  request.Filter = "Map lists (*.txt);;All files (*)";
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
