#pragma once
// The map properties dialog without its widgets: the values of every field with their merge
// states, loading one map or merging a group of maps, the field validation, the bots list rules,
// the three modes and the writing back. The window (TForm_Map_Properties) shows this model and
// forwards the user's actions to it.

#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <QLocale>

#include "core/game_types.h"
#include "database/game_index.h"
#include "database/play_history.h"
#include "launch/game_choices.h"

namespace vorlix {

class TBot_List;
class TCollection_Check;
class TInteraction;
class TMap_Record;
class TMOD_List;
class TPK3_Record_Store;
class TMap_Properties_Model;

// What group loading found for a field: no map merged yet, all maps agree, or they differ.
enum class TMerge_State { Not_Set, Single, Mixed };
// A check box or check-list entry; Greyed is the third, mixed state.
enum class TCheck_State { Unchecked, Checked, Greyed };
enum class TDialog_Mode { Map, Group, Launch };
// How the dialog ended: OK ("OK", "Launch Q3A", "Delete PK3" after deleting), Cancel (also
// closing the window), Retry (after "Rename PK3" renamed the archive), Yes ("Launch Q3A and exit").
enum class TDialog_Result { OK, Cancel, Retry, Yes };
enum class TDialog_Page { General, Arena };
// Where the input focus goes when the dialog is shown.
enum class TDialog_Focus { Rename_PK3, General_Page, Game_Type_Radios };

inline constexpr const char* Base_MOD_Name = "BASEQ3";
inline constexpr const char* No_AAS_Message =
    "No AAS-file available. All bots will be removed from this map.";

// Everything the main window hands to the dialog before each use.
struct TProperties_Context {
  std::string Program_Dir;
  std::string Levelshots_Dir;
  std::string Botinfo_Dir;
  std::string Game_Dir;
  const TMOD_List* Mods = nullptr;
  const TPK3_Record_Store* Database = nullptr;  // the archives searched for bot icons
  TInteraction* Interaction = nullptr;
  QLocale Locale;                      // size and date formats
  THistory_Keeper* History = nullptr;  // what was played (none: nothing)
  // What the game knows of the archives: a map has a bot file when any present archive of its
  // MOD directory or of a base directory holds maps/NAME.aas. Without it, only the map's own
  // archive counts.
  std::shared_ptr<const TGame_Index> Game_Index;
  // Which files each map lacks (the page "Content"); none while the check still runs.
  std::shared_ptr<const TCollection_Check> Collection;
};

struct TText_Field {
  std::string Text;
  TMerge_State State = TMerge_State::Not_Set;
};

// An edit with spin buttons: the text the user sees and the spin position, which follows the
// text within the range.
class TNumeric_Field {
 public:
  int Lower = 0;
  int Upper = 0;
  std::string Text;
  TMerge_State State = TMerge_State::Not_Set;

  // Sets the spin position (kept within the range) and shows it.
  void Set_Position(int value);
  // The spin position: the text's value within the range when the text is an integer, otherwise
  // the last position.
  int Position() const;
  // The text as a decimal integer; false for a text that is not one (blank text included).
  bool Value(int& value) const;
  // Spin button: one step up (+1) or down (-1) within the range, shown in the text.
  void Step(int delta);
  // Group reset: lower bound, empty text.
  void Reset();
  // The range (the position goes to the lower bound).
  void Set_Range(int lower, int upper);

 private:
  int Spin_ = 0;
};

// The seven numeric fields, declared once for the model and the dialog. Name is the record
// field's name; the dialog's controls are Edit_<Name> and UpDown_<Name>.
struct TNumeric_Spec {
  const char* Name;
  const char* Caption;
  const char* Hint;
  int Lower;
  int Upper;
  TDialog_Page Page;  // General: below the comment; Arena: in the "Limits" group
  std::int32_t TMap_Record::*Record;
  TNumeric_Field TMap_Properties_Model::*Field;
};
inline constexpr int Numeric_Count = 7;
extern const std::array<TNumeric_Spec, Numeric_Count> Numeric_Fields;

// What the game itself knows of one map: the archive it loads the map from, the arena block that
// names it in the scripts of its archives, and the block the game reads for it now, which is the
// active arena file's while one is active in the map's MOD directory (the panel "From the map's
// archives", TMap_Arena_Blocks).
struct TGame_Facts_Of_Map {
  std::string Loaded_From;    // "MOD directory/archive"; "" when no known archive holds the map
  std::string Override_Note;  // "overridden by X.pk3" when that is not the map's own archive
  std::string Script;         // "MOD directory/archive: script member"; "" when no block names it
  TArena_Info Block;          // the block's keys and values in file order
  bool Usable = false;        // the block gives what "Use these settings" takes
  // The active arena file of the map's MOD directory ("MOD directory/file"); "" without one.
  std::string Active_Arena_File;
  // Where the block the game reads now comes from: Script without an active arena file, else the
  // active arena file's block ("" when that file does not name the map).
  std::string Read_Now;
  TArena_Info Read_Now_Block;
};

struct TCheck_Field {
  TCheck_State State = TCheck_State::Unchecked;
  TMerge_State Merge = TMerge_State::Not_Set;
  // A click: greyed and cleared become checked, checked becomes cleared.
  void Click();
};

struct TCheck_List_Entry {
  std::string Name;
  TCheck_State State = TCheck_State::Unchecked;
  const TBot_List* Bots = nullptr;  // bots list only: the MOD's list the entry came from
  bool Added = false;               // group merging: added while merging the current map
};

// A sorted check list (names in listing order, compared ignoring case for membership).
class TCheck_List {
 public:
  const std::vector<TCheck_List_Entry>& Entries() const { return Entries_; }
  int Count() const { return static_cast<int>(Entries_.size()); }
  TCheck_List_Entry& operator[](int index) { return Entries_.at(static_cast<std::size_t>(index)); }
  const TCheck_List_Entry& operator[](int index) const {
    return Entries_.at(static_cast<std::size_t>(index));
  }
  // Inserts at the sorted position; returns the index.
  int Add(const std::string& name, const TBot_List* bots = nullptr);
  int Index_Of_Ignore_Case(const std::string& name) const;
  void Remove(int index);
  void Clear() { Entries_.clear(); }
  // Names of the fully checked entries in list order.
  std::vector<std::string> Checked_Names() const;
  void Clear_Checks();

 private:
  std::vector<TCheck_List_Entry> Entries_;
};

// The icon and the announcer sound of a bot, as files below the BOTINFO folder ("" when none).
struct TBot_Preview_Files {
  std::string Icon;
  std::string Sound;
};

// Game-type boxes in the order of Game_Type_Table: Single Player, Free For All, Team Deathmatch,
// Tournament, Capture The Flag, other; their bits in Game_Types are 1, 2, 4, 8, 16, 32.

class TMap_Properties_Model {
 public:
  TMap_Properties_Model();

  // ---- Fields ----------------------------------------------------------------------------------
  TText_Field Map_Longname, PK3_Filename, MOD_Directory, MAP_Filename;
  TText_Field MAP_Filesize, MAP_Filedate;  // texts in UTF-8 (locale formats), not record bytes
  // How often and when last the map was launched (UTF-8, locale format): "never" or
  // "3 launches, the last on DATE".
  TText_Field Played;
  // What the engines said the last time they launched it (UTF-8, Load_Text): "not known",
  // "loaded with ENGINE on DATE" or "failed with ENGINE on DATE: LINE".
  TText_Field Last_Load;
  // Their ranges, captions and record fields: Numeric_Fields.
  TNumeric_Field Min_Recomm_Players, Max_Recomm_Players, Rating;
  TNumeric_Field Limits_Frags, Limits_Captures, Limits_Time, Limits_Players;
  TCheck_Field Allow_Include_In_Arena_File;
  std::array<TCheck_Field, Game_Type_Count> Game_Types;
  TText_Field Comment;
  int Bot_Skill = 3;  // item index, -1 for no item selected
  TMerge_State Bot_Skill_State = TMerge_State::Not_Set;
  TCheck_List Useable_MODs;
  TCheck_List Assigned_Bots;
  bool Bots_Visible = true;  // the "Bots" group is shown, the "no AAS file available" panel hidden
  // One map only (empty in group mode); from the context's game index.
  TGame_Facts_Of_Map Game_Facts;

  // ---- Context ---------------------------------------------------------------------------------
  void Set_Context(const TProperties_Context& context) { Context_ = context; }
  const TProperties_Context& Context() const { return Context_; }
  TMap_Record* Map() const { return Map_; }

  // ---- One map ---------------------------------------------------------------------------------
  // Loads one map record (shows the "no AAS" warning through the context's interaction).
  void Load_Map(TMap_Record* map);
  // Writes the dialog into one map record.
  void Store_Map(TMap_Record& map) const;

  // "Use these settings": the game types, bots and frag limit of the map's own arena block, taken
  // as the import of an arena file takes them, and its time and capture limits where it gives
  // them as numbers. Only the dialog's fields change; the record follows at OK.
  void Use_Arena_Settings();

  // ---- A group of maps -------------------------------------------------------------------------
  // Merges the maps (depth first in tree order); shows the notice window while it runs.
  void Load_Group(const std::vector<TMap_Record*>& maps);
  // Writes every definite field into each of the maps; shows the notice window while it runs.
  void Store_Group(const std::vector<TMap_Record*>& maps) const;
  void Reset_For_Group();
  void Merge_Map(const TMap_Record& map, bool first);

  // ---- Modes -----------------------------------------------------------------------------------
  void Set_Map_Mode();
  void Set_Group_Mode();
  void Set_Launch_Mode();
  TDialog_Mode Mode() const { return Mode_; }
  const char* Caption() const;
  TDialog_Page Page = TDialog_Page::General;
  TDialog_Focus Focus = TDialog_Focus::Rename_PK3;
  bool Rename_Delete_Enabled() const { return Mode_ == TDialog_Mode::Map; }
  // Comment, Min and Max Players, Rating and "Allow Include In Arena File".
  bool General_Edits_Enabled() const { return Mode_ != TDialog_Mode::Launch; }

  // Launch mode: the game-type radio buttons and "MOD to use".
  std::array<bool, Game_Type_Count> Radio_Enabled{};
  int Radio_Selected = -1;
  std::vector<std::string> MOD_To_Use;  // sorted
  int MOD_To_Use_Selected = -1;
  bool Launch_Enabled() const { return !MOD_To_Use.empty(); }

  // ---- Numeric fields ---------------------------------------------------------------------------
  // Leaving a field: its check (Rating has none).
  void Leave(TNumeric_Field& field);
  // A spin button: one step within the range; Min and Max Players then check as on leaving.
  void Spin(TNumeric_Field& field, int delta);
  // FormShow: a mixed numeric field shows an empty text; the botshot preview is reset.
  void Reset_For_Show();

  // ---- Bots list -------------------------------------------------------------------------------
  void Assign_Map_Properties_Bots();
  void Add_Bots_Of_MOD(const std::string& mod);
  bool Bot_In_MOD(const std::string& mod, const std::string& bot) const;
  // True when the game finds a bot file for the map (see TProperties_Context::Game_Index).
  bool Has_Bot_File(const TMap_Record& map) const;
  // A click on an entry of "Useable MODs": its next check state, then the bots list follows.
  void Useable_MOD_Clicked(int index);
  void Assigned_Bot_Clicked(int index);

  // ---- Botshot preview -------------------------------------------------------------------------
  // A selection in the bots list; true when the preview timer is to be started.
  bool Bot_Selected(int index);
  // Navigation keys (Page Up/Down, End, Home, Up, Down) held in the bots list.
  void Navigation_Key_Down(int key);
  void Navigation_Key_Up(int key);
  bool Navigation_Key_Held() const { return !Held_Keys_.empty(); }
  int Last_Selected_Bot() const { return Last_Selected_Bot_; }
  // The icon and sound of a bots-list entry, searched over the database.
  TBot_Preview_Files Find_Bot_Preview(int index) const;
  void Reset_Preview();

 private:
  void Leave_Min_Players();
  void Leave_Max_Players();
  void Load_Game_Facts(const TMap_Record& map);
  std::vector<std::string> Eligible_MODs() const;
  std::vector<std::string> Offered_MODs(const TMap_Record& map) const;
  void Set_Labels(const TMap_Record& map, bool merge);
  std::string Played_Text(const TMap_Record& map) const;
  std::string Last_Load_Text(const TMap_Record& map) const;

  TProperties_Context Context_;
  TMap_Record* Map_ = nullptr;
  TDialog_Mode Mode_ = TDialog_Mode::Map;
  std::set<int> Held_Keys_;
  int Last_Selected_Bot_ = -1;
};

// Key codes of the navigation keys that hold back the botshot preview.
enum TNavigation_Key {
  Key_Page_Up = 33,
  Key_Page_Down = 34,
  Key_End = 35,
  Key_Home = 36,
  Key_Up = 38,
  Key_Down = 40
};
bool Is_Navigation_Key(int key);

// The icon search of the botshot preview: the archives of the bot's MOD from the last to the
// first, TGA then JPG (JPG wins within one archive), first found wins across archives.
TBot_Preview_Files Find_Bot_Files(const TPK3_Record_Store& database, const std::string& botinfo_dir,
                                  const std::string& mod_name, const std::string& bot_name,
                                  const std::string& bot_model);

}  // namespace vorlix
