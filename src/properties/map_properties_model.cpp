#include "properties/map_properties_model.h"

#include <algorithm>

#include "arena/arena_import.h"
#include "arena/map_arena_blocks.h"
#include "content/mod_list.h"
#include "core/case_lookup.h"
#include "core/fs_routines.h"
#include "core/interaction.h"
#include "core/letter_case.h"
#include "core/listing.h"
#include "core/text.h"
#include "database/game_index.h"
#include "database/records.h"
#include "properties/formats.h"

namespace vorlix {

const std::array<TNumeric_Spec, Numeric_Count> Numeric_Fields = {{
    {"Min_Recomm_Players", "Mi&n Players", "specifies the recommended minimum amount of players", 2,
     32, TDialog_Page::General, &TMap_Record::Min_Recomm_Players,
     &TMap_Properties_Model::Min_Recomm_Players},
    {"Max_Recomm_Players", "Ma&x Players", "specifies the recommended maximum amount of players", 2,
     32, TDialog_Page::General, &TMap_Record::Max_Recomm_Players,
     &TMap_Properties_Model::Max_Recomm_Players},
    {"Rating", "Ra&ting", "represents your personal rating of this map", 0, 9,
     TDialog_Page::General, &TMap_Record::Rating, &TMap_Properties_Model::Rating},
    {"Limits_Frags", "Frags", "specify a Fraglimit for this map", 0, 100, TDialog_Page::Arena,
     &TMap_Record::Limits_Frags, &TMap_Properties_Model::Limits_Frags},
    {"Limits_Captures", "Captures", "specify a Capturelimit for this map", 0, 50,
     TDialog_Page::Arena, &TMap_Record::Limits_Captures, &TMap_Properties_Model::Limits_Captures},
    {"Limits_Time", "Time", "specify a Timelimit for this map", 0, 120, TDialog_Page::Arena,
     &TMap_Record::Limits_Time, &TMap_Properties_Model::Limits_Time},
    {"Limits_Players", "Players", "specify the maximum number of players for this map", 2, 32,
     TDialog_Page::Arena, &TMap_Record::Limits_Players, &TMap_Properties_Model::Limits_Players},
}};

namespace {

bool Is_Blank(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

bool Contains_Ignore_Case(const std::vector<std::string>& names, const std::string& name) {
  return std::any_of(names.begin(), names.end(),
                     [&](const std::string& n) { return platform::Equal_Ignore_Case(n, name); });
}

// Adds the name unless it is there (ignoring case), or removes every occurrence of it.
void Set_Membership(std::vector<std::string>& names, const std::string& name, bool member) {
  if (member) {
    if (!Contains_Ignore_Case(names, name)) {
      names.push_back(name);
    }
  } else {
    std::erase_if(names,
                  [&](const std::string& n) { return platform::Equal_Ignore_Case(n, name); });
  }
}

void Merge_Text_Field(TText_Field& field, const std::string& text) {
  if (field.State == TMerge_State::Not_Set) {
    field.Text = text;
    field.State = TMerge_State::Single;
  } else if (field.State == TMerge_State::Single && field.Text != text) {
    field.Text.clear();
    field.State = TMerge_State::Mixed;
  }
}

void Merge_Numeric(TNumeric_Field& field, int value) {
  if (field.State == TMerge_State::Not_Set) {
    field.Set_Position(value);
    field.State = TMerge_State::Single;
  } else if (field.State == TMerge_State::Single && field.Position() != value) {
    field.Reset();
    field.State = TMerge_State::Mixed;
  }
}

void Merge_Check(TCheck_Field& field, bool value) {
  const TCheck_State state = value ? TCheck_State::Checked : TCheck_State::Unchecked;
  if (field.Merge == TMerge_State::Not_Set) {
    field.State = state;
    field.Merge = TMerge_State::Single;
  } else if (field.Merge == TMerge_State::Single && field.State != state) {
    field.State = TCheck_State::Greyed;
    field.Merge = TMerge_State::Mixed;
  }
}

void Load_Check(TCheck_Field& field, bool value) {
  field.State = value ? TCheck_State::Checked : TCheck_State::Unchecked;
  field.Merge = TMerge_State::Single;
}

std::string Archive_MOD_Directory(const TMap_Record& map) {
  return map.PK3 != nullptr ? map.PK3->MOD_Directory : std::string();
}

// A map without archive record is treated as a map of the base directory.
bool In_Base_Directory(const TMap_Record& map) {
  return map.PK3 == nullptr || platform::Upper(map.PK3->MOD_Directory) == Base_MOD_Name;
}

}  // namespace

// ---- TNumeric_Field ---------------------------------------------------------------------------

void TNumeric_Field::Set_Position(int value) {
  Spin_ = std::clamp(value, Lower, Upper);
  Text = std::to_string(Spin_);
}

bool TNumeric_Field::Value(int& value) const {
  if (Is_Blank(Text)) {
    return false;
  }
  try {
    value = Text_To_Number(Text);
    return true;
  } catch (const TConversion_Error&) {
    return false;
  }
}

int TNumeric_Field::Position() const {
  int value = 0;
  return Value(value) ? std::clamp(value, Lower, Upper) : Spin_;
}

void TNumeric_Field::Step(int delta) {
  Set_Position(Position() + delta);
}

void TNumeric_Field::Reset() {
  Spin_ = Lower;
  Text.clear();
}

void TNumeric_Field::Set_Range(int lower, int upper) {
  Lower = lower;
  Upper = upper;
  Spin_ = lower;
}

void TCheck_Field::Click() {
  State = State == TCheck_State::Checked ? TCheck_State::Unchecked : TCheck_State::Checked;
}

// ---- TCheck_List ------------------------------------------------------------------------------

int TCheck_List::Add(const std::string& name, const TBot_List* bots) {
  const auto at = std::upper_bound(Entries_.begin(), Entries_.end(), name,
                                   [](const std::string& n, const TCheck_List_Entry& e) {
                                     return platform::Listing_Less(n, e.Name);
                                   });
  TCheck_List_Entry entry;
  entry.Name = name;
  entry.Bots = bots;
  const auto inserted = Entries_.insert(at, entry);
  return static_cast<int>(inserted - Entries_.begin());
}

int TCheck_List::Index_Of_Ignore_Case(const std::string& name) const {
  for (std::size_t i = 0; i < Entries_.size(); ++i) {
    if (platform::Equal_Ignore_Case(Entries_[i].Name, name)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

void TCheck_List::Remove(int index) {
  Entries_.erase(Entries_.begin() + index);
}

std::vector<std::string> TCheck_List::Checked_Names() const {
  std::vector<std::string> names;
  for (const auto& entry : Entries_) {
    if (entry.State == TCheck_State::Checked) {
      names.push_back(entry.Name);
    }
  }
  return names;
}

void TCheck_List::Clear_Checks() {
  for (auto& entry : Entries_) {
    entry.State = TCheck_State::Unchecked;
  }
}

// ---- TMap_Properties_Model ----------------------------------------------------------------------

TMap_Properties_Model::TMap_Properties_Model() {
  for (const auto& spec : Numeric_Fields) {
    (this->*spec.Field).Set_Range(spec.Lower, spec.Upper);
  }
  Set_Map_Mode();
}

std::string TMap_Properties_Model::Played_Text(const TMap_Record& map) const {
  const TMap_Play play =
      Context_.History != nullptr ? Context_.History->History().Of(map) : TMap_Play{};
  return vorlix::Played_Text(play, Context_.Locale);
}

std::string TMap_Properties_Model::Last_Load_Text(const TMap_Record& map) const {
  return Load_Text(Context_.History != nullptr ? Context_.History->History().Loads_Of(map)
                                               : std::vector<TMap_Load>(),
                   Context_.Locale);
}

void TMap_Properties_Model::Set_Labels(const TMap_Record& map, bool merge) {
  const std::string texts[] = {map.Map_Longname,
                               map.PK3 != nullptr ? map.PK3->PK3_Filename : std::string(),
                               Archive_MOD_Directory(map),
                               platform::Lower(map.MAP_Filename),
                               Format_Map_Size(map.MAP_Filesize, Context_.Locale).toStdString(),
                               Format_Map_Date(map.MAP_Filedate, Context_.Locale).toStdString(),
                               Played_Text(map),
                               Last_Load_Text(map)};
  TText_Field* fields[] = {&Map_Longname, &PK3_Filename, &MOD_Directory, &MAP_Filename,
                           &MAP_Filesize, &MAP_Filedate, &Played,        &Last_Load};
  static_assert(std::size(texts) == std::size(fields));
  for (std::size_t i = 0; i < std::size(fields); ++i) {
    if (merge) {
      Merge_Text_Field(*fields[i], texts[i]);
    } else {
      fields[i]->Text = texts[i];
      fields[i]->State = TMerge_State::Single;
    }
  }
}

std::vector<std::string> TMap_Properties_Model::Offered_MODs(const TMap_Record& map) const {
  if (!In_Base_Directory(map)) {
    return {platform::Upper(Archive_MOD_Directory(map))};
  }
  return Context_.Mods != nullptr ? Context_.Mods->Names() : std::vector<std::string>();
}

void TMap_Properties_Model::Load_Map(TMap_Record* map) {
  Map_ = map;
  if (map == nullptr) {
    return;
  }
  Set_Labels(*map, false);
  for (const auto& spec : Numeric_Fields) {
    TNumeric_Field& field = this->*spec.Field;
    field.Set_Position(map->*spec.Record);
    field.State = TMerge_State::Single;
  }
  Load_Check(Allow_Include_In_Arena_File, map->Allow_Include_In_Arena_File);
  Comment.Text = map->Comment;
  Comment.State = TMerge_State::Single;
  for (int i = 0; i < Game_Type_Count; ++i) {
    Load_Check(Game_Types[static_cast<std::size_t>(i)], (map->Game_Types & (1u << i)) != 0);
  }
  Bot_Skill = map->Bot_Skill >= 0 && map->Bot_Skill < static_cast<int>(Skill_Captions.size())
                  ? map->Bot_Skill
                  : -1;
  Bot_Skill_State = TMerge_State::Single;
  Page = TDialog_Page::General;

  Useable_MODs.Clear();
  for (const auto& name : Offered_MODs(*map)) {
    if (Useable_MODs.Index_Of_Ignore_Case(name) < 0) {
      Useable_MODs.Add(name);
    }
  }
  for (int i = 0; i < Useable_MODs.Count(); ++i) {
    Useable_MODs[i].State = Contains_Ignore_Case(map->Useable_MODs, Useable_MODs[i].Name)
                                ? TCheck_State::Checked
                                : TCheck_State::Unchecked;
  }

  Assigned_Bots.Clear();
  Assign_Map_Properties_Bots();
  Assigned_Bots.Clear_Checks();
  if (Has_Bot_File(*map)) {
    Bots_Visible = true;
    for (int i = 0; i < Assigned_Bots.Count(); ++i) {
      if (Contains_Ignore_Case(map->Assigned_Bots, Assigned_Bots[i].Name)) {
        Assigned_Bots[i].State = TCheck_State::Checked;
      }
    }
  } else {
    if (!map->Assigned_Bots.empty() && Context_.Interaction != nullptr) {
      Context_.Interaction->Message(TMessage_Kind::Error, No_AAS_Message, TAnswer_Set::OK);
    }
    Assigned_Bots.Clear();
    Bots_Visible = false;
  }
  Load_Game_Facts(*map);
}

void TMap_Properties_Model::Load_Game_Facts(const TMap_Record& map) {
  Game_Facts = {};
  const TGame_Index* index = Context_.Game_Index.get();
  if (index == nullptr || map.PK3 == nullptr) {
    return;
  }
  const std::string& mod = map.PK3->MOD_Directory;
  const auto name = [](const TArchive_Facts& facts) {
    return facts.MOD_Directory + "/" + facts.PK3_Filename;
  };
  if (const TArchive_Facts* loaded =
          index->Loaded_From(map.MAP_Filename, mod, Base_Directories())) {
    Game_Facts.Loaded_From = name(*loaded);
  }
  Game_Facts.Override_Note = Override_Note(*index, map.MAP_Filename, mod, map.PK3->PK3_Filename);
  TMap_Arena_Blocks blocks = TMap_Arena_Finder(*index, Context_.Game_Dir).Blocks_Of(map);
  Game_Facts.Active_Arena_File = blocks.Active_Arena_File;
  if (const TMap_Arena_Block* now = blocks.Read_Now()) {
    Game_Facts.Read_Now = now->Source;
    Game_Facts.Read_Now_Block = now->Block;
  }
  if (!blocks.Archives) {
    return;
  }
  Game_Facts.Script = std::move(blocks.Archives->Source);
  Game_Facts.Block = std::move(blocks.Archives->Block);
  // What the import takes: a block with a game type and a frag limit that is a number.
  try {
    (void)Arena_Settings_Of(Arena_Block_Of(Game_Facts.Block));
    Game_Facts.Usable = !Trim(Game_Facts.Block.Value("type")).empty();
  } catch (const TConversion_Error&) {
    Game_Facts.Usable = false;
  }
}

void TMap_Properties_Model::Use_Arena_Settings() {
  if (!Game_Facts.Usable) {
    return;
  }
  const TArena_Info& info = Game_Facts.Block;
  const TArena_Settings settings = Arena_Settings_Of(Arena_Block_Of(info));
  for (int i = 0; i < Game_Type_Count; ++i) {
    Load_Check(Game_Types[static_cast<std::size_t>(i)], (settings.Game_Types & (1u << i)) != 0);
  }
  Limits_Frags.Set_Position(settings.Fraglimit);
  // The import leaves these two alone; the block sets them where it gives a number.
  for (const auto& [key, field] :
       {std::pair<const char*, TNumeric_Field*>{"timelimit", &Limits_Time},
        {"capturelimit", &Limits_Captures}}) {
    const std::string value = info.Value(key);
    if (Trim(value).empty()) {
      continue;
    }
    try {
      field->Set_Position(Text_To_Number(value));
    } catch (const TConversion_Error&) {
      // not a number: the field keeps its value
    }
  }
  if (Bots_Visible) {
    for (int i = 0; i < Assigned_Bots.Count(); ++i) {
      Assigned_Bots[i].State = Contains_Ignore_Case(settings.Bots, Assigned_Bots[i].Name)
                                   ? TCheck_State::Checked
                                   : TCheck_State::Unchecked;
    }
  }
}

void TMap_Properties_Model::Store_Map(TMap_Record& map) const {
  for (const auto& spec : Numeric_Fields) {
    map.*spec.Record = (this->*spec.Field).Position();
  }
  map.Allow_Include_In_Arena_File = Allow_Include_In_Arena_File.State == TCheck_State::Checked;
  map.Comment = Comment.Text;
  std::uint8_t types = 0;
  for (int i = 0; i < Game_Type_Count; ++i) {
    if (Game_Types[static_cast<std::size_t>(i)].State == TCheck_State::Checked) {
      types = static_cast<std::uint8_t>(types | (1u << i));
    }
  }
  map.Game_Types = types;
  // With no item selected the stored skill stays as it was.
  if (Bot_Skill >= 0) {
    map.Bot_Skill = Bot_Skill;
  }
  map.Useable_MODs = Useable_MODs.Checked_Names();
  map.Assigned_Bots = Assigned_Bots.Checked_Names();
}

// ---- Group -------------------------------------------------------------------------------------

void TMap_Properties_Model::Reset_For_Group() {
  Map_ = nullptr;
  for (TText_Field* field : {&Map_Longname, &PK3_Filename, &MOD_Directory, &MAP_Filename,
                             &MAP_Filesize, &MAP_Filedate, &Played, &Comment}) {
    field->Text.clear();
    field->State = TMerge_State::Not_Set;
  }
  for (const auto& spec : Numeric_Fields) {
    (this->*spec.Field).Reset();
    (this->*spec.Field).State = TMerge_State::Not_Set;
  }
  Allow_Include_In_Arena_File = {};
  for (auto& box : Game_Types) {
    box = {};
  }
  Bot_Skill = -1;
  Bot_Skill_State = TMerge_State::Not_Set;
  Useable_MODs.Clear();
  Assigned_Bots.Clear();
  Bots_Visible = false;
  Game_Facts = {};
  Page = TDialog_Page::General;
}

bool TMap_Properties_Model::Has_Bot_File(const TMap_Record& map) const {
  return map.Has_AAS || (Context_.Game_Index && map.PK3 != nullptr &&
                         Context_.Game_Index->Bot_File(map.MAP_Filename, map.PK3->MOD_Directory,
                                                       Base_Directories()) != nullptr);
}

void TMap_Properties_Model::Merge_Map(const TMap_Record& map, bool first) {
  Set_Labels(map, true);
  for (const auto& spec : Numeric_Fields) {
    Merge_Numeric(this->*spec.Field, map.*spec.Record);
  }
  Merge_Check(Allow_Include_In_Arena_File, map.Allow_Include_In_Arena_File);
  for (int i = 0; i < Game_Type_Count; ++i) {
    Merge_Check(Game_Types[static_cast<std::size_t>(i)], (map.Game_Types & (1u << i)) != 0);
  }
  Merge_Text_Field(Comment, map.Comment);
  if (Bot_Skill_State == TMerge_State::Not_Set) {
    Bot_Skill = map.Bot_Skill;
    Bot_Skill_State = TMerge_State::Single;
  } else if (Bot_Skill_State == TMerge_State::Single && Bot_Skill != map.Bot_Skill) {
    Bot_Skill = -1;
    Bot_Skill_State = TMerge_State::Mixed;
  }

  // Useable MODs: the map's own offer joins the list; entries differing between maps go grey.
  for (const auto& name : Offered_MODs(map)) {
    if (Useable_MODs.Index_Of_Ignore_Case(name) < 0) {
      Useable_MODs[Useable_MODs.Add(name)].Added = true;
    }
  }
  for (int i = 0; i < Useable_MODs.Count(); ++i) {
    auto& entry = Useable_MODs[i];
    const bool holds = Contains_Ignore_Case(map.Useable_MODs, entry.Name);
    if (entry.Added) {
      entry.State = holds ? TCheck_State::Checked : TCheck_State::Unchecked;
      entry.Added = false;
    } else if ((entry.State == TCheck_State::Checked && !holds) ||
               (entry.State == TCheck_State::Unchecked && holds)) {
      entry.State = TCheck_State::Greyed;
    }
  }

  // Assigned Bots: every bot of every MOD, then the map's assignment merged in.
  if (Assigned_Bots.Count() == 0 && Context_.Mods != nullptr) {
    for (int m = 0; m < Context_.Mods->Count(); ++m) {
      const TBot_List* bots = Context_.Mods->Bots(m);
      if (bots == nullptr) {
        continue;
      }
      for (int b = 0; b < bots->Count(); ++b) {
        const std::string name = bots->Bot_At(b).Bot_Name;
        if (Assigned_Bots.Index_Of_Ignore_Case(name) < 0) {
          Assigned_Bots.Add(name, bots);
        }
      }
    }
  }
  if (Assigned_Bots.Count() > 0 && Has_Bot_File(map)) {
    Bots_Visible = true;
    for (int i = 0; i < Assigned_Bots.Count(); ++i) {
      auto& entry = Assigned_Bots[i];
      const bool holds = Contains_Ignore_Case(map.Assigned_Bots, entry.Name);
      if (first) {
        entry.State = holds ? TCheck_State::Checked : TCheck_State::Unchecked;
      } else if ((holds && entry.State == TCheck_State::Unchecked) ||
                 (!holds && entry.State == TCheck_State::Checked)) {
        entry.State = TCheck_State::Greyed;
      }
    }
  }
}

void TMap_Properties_Model::Load_Group(const std::vector<TMap_Record*>& maps) {
  Reset_For_Group();
  std::unique_ptr<TNotice> notice;
  if (Context_.Interaction != nullptr) {
    notice = Context_.Interaction->Notice("Please wait", "Accumulating map information...");
  }
  bool first = true;
  for (const TMap_Record* map : maps) {
    if (map == nullptr) {
      continue;
    }
    Merge_Map(*map, first);
    first = false;
  }
  Assign_Map_Properties_Bots();
}

void TMap_Properties_Model::Store_Group(const std::vector<TMap_Record*>& maps) const {
  std::unique_ptr<TNotice> notice;
  if (Context_.Interaction != nullptr) {
    notice = Context_.Interaction->Notice("Please wait", "Storing map information...");
  }
  for (TMap_Record* map : maps) {
    if (map == nullptr) {
      continue;
    }
    for (const auto& spec : Numeric_Fields) {
      const TNumeric_Field& field = this->*spec.Field;
      if (!Trim(field.Text).empty()) {
        map->*spec.Record = field.Position();
      }
    }
    if (Allow_Include_In_Arena_File.State != TCheck_State::Greyed) {
      map->Allow_Include_In_Arena_File = Allow_Include_In_Arena_File.State == TCheck_State::Checked;
    }
    for (int i = 0; i < Game_Type_Count; ++i) {
      const TCheck_State state = Game_Types[static_cast<std::size_t>(i)].State;
      if (state == TCheck_State::Checked) {
        map->Game_Types = static_cast<std::uint8_t>(map->Game_Types | (1u << i));
      } else if (state == TCheck_State::Unchecked) {
        map->Game_Types = static_cast<std::uint8_t>(map->Game_Types & ~(1u << i));
      }
    }
    if (!Comment.Text.empty()) {
      map->Comment = Comment.Text;
    }
    if (Bot_Skill >= 0) {
      map->Bot_Skill = Bot_Skill;
    }
    for (const auto& entry : Useable_MODs.Entries()) {
      if (entry.State != TCheck_State::Greyed) {
        Set_Membership(map->Useable_MODs, entry.Name, entry.State == TCheck_State::Checked);
      }
    }
    for (const auto& entry : Assigned_Bots.Entries()) {
      if (entry.State != TCheck_State::Greyed) {
        Set_Membership(map->Assigned_Bots, entry.Name, entry.State == TCheck_State::Checked);
      }
    }
  }
}

// ---- Modes ------------------------------------------------------------------------------------

void TMap_Properties_Model::Set_Map_Mode() {
  Mode_ = TDialog_Mode::Map;
  Page = TDialog_Page::General;
  Focus = TDialog_Focus::Rename_PK3;
}

void TMap_Properties_Model::Set_Group_Mode() {
  Mode_ = TDialog_Mode::Group;
  Page = TDialog_Page::General;
  Focus = TDialog_Focus::General_Page;
}

void TMap_Properties_Model::Set_Launch_Mode() {
  Mode_ = TDialog_Mode::Launch;
  Radio_Selected = -1;
  for (int i = 0; i < Game_Type_Count; ++i) {
    const bool enabled = Game_Types[static_cast<std::size_t>(i)].State == TCheck_State::Checked;
    Radio_Enabled[static_cast<std::size_t>(i)] = enabled;
    if (enabled && Radio_Selected < 0) {
      Radio_Selected = i;
    }
  }
  MOD_To_Use = Useable_MODs.Checked_Names();
  std::stable_sort(MOD_To_Use.begin(), MOD_To_Use.end(), platform::Listing_Less);
  MOD_To_Use_Selected = MOD_To_Use.empty() ? -1 : 0;
  Page = TDialog_Page::Arena;
  Focus = TDialog_Focus::Game_Type_Radios;
}

const char* TMap_Properties_Model::Caption() const {
  switch (Mode_) {
    case TDialog_Mode::Map:
      return "Map Properties";
    case TDialog_Mode::Group:
      return "Map Group Properties";
    case TDialog_Mode::Launch:
      return "Launch Properties";
  }
  return "Map Properties";
}

// ---- Validation -------------------------------------------------------------------------------

void TMap_Properties_Model::Leave_Min_Players() {
  int min = 0;
  int max = 0;
  if (!Min_Recomm_Players.Value(min) || !Max_Recomm_Players.Value(max)) {
    Min_Recomm_Players.Set_Position(Min_Recomm_Players.Lower);
    return;
  }
  Min_Recomm_Players.Set_Position(min);
  min = Min_Recomm_Players.Position();
  if (max < min) {
    Max_Recomm_Players.Set_Position(min);
  }
}

void TMap_Properties_Model::Leave_Max_Players() {
  int min = 0;
  int max = 0;
  if (!Min_Recomm_Players.Value(min) || !Max_Recomm_Players.Value(max)) {
    Max_Recomm_Players.Set_Position(Max_Recomm_Players.Upper);
    return;
  }
  Max_Recomm_Players.Set_Position(max);
  max = Max_Recomm_Players.Position();
  if (min > max) {
    Min_Recomm_Players.Set_Position(max);
  }
}

void TMap_Properties_Model::Leave(TNumeric_Field& field) {
  if (&field == &Min_Recomm_Players) {
    Leave_Min_Players();
  } else if (&field == &Max_Recomm_Players) {
    Leave_Max_Players();
  } else if (&field != &Rating) {
    int value = 0;
    field.Set_Position(field.Value(value) ? value : field.Lower);
  }
}

void TMap_Properties_Model::Spin(TNumeric_Field& field, int delta) {
  field.Step(delta);
  if (&field == &Min_Recomm_Players || &field == &Max_Recomm_Players) {
    Leave(field);
  }
}

void TMap_Properties_Model::Reset_For_Show() {
  for (const auto& spec : Numeric_Fields) {
    if ((this->*spec.Field).State == TMerge_State::Mixed) {
      (this->*spec.Field).Text.clear();
    }
  }
  Reset_Preview();
}

// ---- Bots list --------------------------------------------------------------------------------

std::vector<std::string> TMap_Properties_Model::Eligible_MODs() const {
  std::vector<std::string> eligible;
  if (Useable_MODs.Count() == 1) {
    const auto& entry = Useable_MODs[0];
    if (entry.State != TCheck_State::Checked) {
      return eligible;
    }
    const std::string name = platform::Upper(entry.Name);
    if (name == Base_MOD_Name) {
      eligible.emplace_back(Base_MOD_Name);
      return eligible;
    }
    const TBot_List* bots = nullptr;
    if (Context_.Mods != nullptr) {
      const int index = Context_.Mods->Index_Of(name);
      bots = index >= 0 ? Context_.Mods->Bots(index) : nullptr;
    }
    // A MOD without bots of its own uses the game's standard bots.
    eligible.push_back(bots != nullptr && bots->Has_Own_Bots ? entry.Name : Base_MOD_Name);
    return eligible;
  }
  return Useable_MODs.Checked_Names();
}

void TMap_Properties_Model::Add_Bots_Of_MOD(const std::string& mod) {
  if (Context_.Mods == nullptr) {
    return;
  }
  const int index = Context_.Mods->Index_Of(platform::Upper(mod));
  const TBot_List* bots = index >= 0 ? Context_.Mods->Bots(index) : nullptr;
  if (bots == nullptr) {
    return;
  }
  for (int b = 0; b < bots->Count(); ++b) {
    const std::string name = bots->Bot_At(b).Bot_Name;
    if (Assigned_Bots.Index_Of_Ignore_Case(name) < 0) {
      Assigned_Bots.Add(name, bots);
    }
  }
}

bool TMap_Properties_Model::Bot_In_MOD(const std::string& mod, const std::string& bot) const {
  if (Context_.Mods == nullptr) {
    return false;
  }
  const int index = Context_.Mods->Index_Of(platform::Upper(mod));
  const TBot_List* bots = index >= 0 ? Context_.Mods->Bots(index) : nullptr;
  return bots != nullptr && bots->Find_Bot(bot) >= 0;
}

void TMap_Properties_Model::Assign_Map_Properties_Bots() {
  const std::vector<std::string> eligible = Eligible_MODs();
  for (const auto& mod : eligible) {
    Add_Bots_Of_MOD(mod);
  }
  int i = 0;
  while (i < Assigned_Bots.Count()) {
    const std::string name = Assigned_Bots[i].Name;
    const bool provided =
        std::any_of(eligible.begin(), eligible.end(),
                    [&](const std::string& mod) { return Bot_In_MOD(mod, name); });
    if (provided) {
      ++i;
    } else {
      Assigned_Bots.Remove(i);
      if (Last_Selected_Bot_ >= Assigned_Bots.Count()) {
        Last_Selected_Bot_ = -1;
      }
    }
  }
  // A name that differs only in letter case from a pruned entry was skipped while adding; it is
  // offered now, so that a bot of a checked MOD never goes missing.
  for (const auto& mod : eligible) {
    Add_Bots_Of_MOD(mod);
  }
}

void TMap_Properties_Model::Useable_MOD_Clicked(int index) {
  if (index < 0 || index >= Useable_MODs.Count()) {
    return;
  }
  auto& entry = Useable_MODs[index];
  entry.State =
      entry.State == TCheck_State::Checked ? TCheck_State::Unchecked : TCheck_State::Checked;
  Assign_Map_Properties_Bots();
}

void TMap_Properties_Model::Assigned_Bot_Clicked(int index) {
  if (index < 0 || index >= Assigned_Bots.Count()) {
    return;
  }
  auto& entry = Assigned_Bots[index];
  entry.State =
      entry.State == TCheck_State::Checked ? TCheck_State::Unchecked : TCheck_State::Checked;
}

// ---- Botshot preview
// ------------------------------------------------------------------------------

bool Is_Navigation_Key(int key) {
  return (key >= Key_Page_Up && key <= Key_Home) || key == Key_Up || key == Key_Down;
}

bool TMap_Properties_Model::Bot_Selected(int index) {
  if (index == Last_Selected_Bot_) {
    return false;
  }
  Last_Selected_Bot_ = index;
  return true;
}

void TMap_Properties_Model::Navigation_Key_Down(int key) {
  if (Is_Navigation_Key(key)) {
    Held_Keys_.insert(key);
  }
}

void TMap_Properties_Model::Navigation_Key_Up(int key) {
  Held_Keys_.erase(key);
}

void TMap_Properties_Model::Reset_Preview() {
  Held_Keys_.clear();
  Last_Selected_Bot_ = -1;
}

TBot_Preview_Files TMap_Properties_Model::Find_Bot_Preview(int index) const {
  if (index < 0 || index >= Assigned_Bots.Count() || Context_.Database == nullptr) {
    return {};
  }
  const auto& entry = Assigned_Bots[index];
  if (entry.Bots == nullptr) {
    return {};
  }
  const int position = entry.Bots->Find_Bot(entry.Name);
  if (position < 0) {
    return {};
  }
  const TBot_Entry bot = entry.Bots->Bot_At(position);
  return Find_Bot_Files(*Context_.Database, Context_.Botinfo_Dir, entry.Bots->MOD_Name,
                        bot.Bot_Name, bot.Bot_Model);
}

TBot_Preview_Files Find_Bot_Files(const TPK3_Record_Store& database, const std::string& botinfo_dir,
                                  const std::string& mod_name, const std::string& bot_name,
                                  const std::string& bot_model) {
  std::string model_dir = bot_model;
  std::string icon_name = "ICON_DEFAULT.";
  const auto slash = bot_model.find('/');
  if (slash != std::string::npos) {
    model_dir = bot_model.substr(0, slash);
    icon_name = "ICON_" + bot_model.substr(slash + 1) + ".";
  }
  TBot_Preview_Files found;
  if (botinfo_dir.empty()) {
    return found;
  }
  // The extracted files lie as named in the archives: every name is looked up ignoring case.
  platform::TCase_Resolver resolver;
  for (int p = database.Count() - 1; p >= 0; --p) {
    const TPK3_Record* archive = database.Items(p);
    if (archive == nullptr || !archive->Present ||
        !platform::Equal_Ignore_Case(archive->MOD_Directory, mod_name) ||
        archive->PK3_Filename.empty()) {
      continue;
    }
    const std::string base = mod_name + "/" + archive->PK3_Filename;
    if (found.Icon.empty()) {
      std::string icon = base;
      icon.append("/MODELS/PLAYERS/").append(model_dir).append("/").append(icon_name);
      for (const char* extension : {"TGA", "JPG"}) {
        if (auto path = resolver.Resolve(botinfo_dir, icon + extension)) {
          found.Icon = *path;
        }
      }
    }
    if (found.Sound.empty()) {
      std::string sound = base;
      sound.append("/SOUND/PLAYER/ANNOUNCE/").append(bot_name).append(".WAV");
      if (auto path = resolver.Resolve(botinfo_dir, sound)) {
        found.Sound = *path;
      }
    }
    if (!found.Icon.empty() && !found.Sound.empty()) {
      break;
    }
  }
  return found;
}

}  // namespace vorlix
