#pragma once
// What the game will load from the collection, computed from the member index (every file of
// every archive and directory) and the content index (what each map asks for, what each shader
// script defines), without opening any archive:
// - a map's content: each texture, shader image, model and sound the engine cannot find on the
//   map's search path (its archive's MOD directory, then the base directories), with the place
//   of the whole installation holding it when one does; and which of the map's own files the game
//   takes from another archive;
// - the collection's report: maps missing content, the same map in several archives, archives
//   whose files replace other archives' files, archives of which the game reads nothing.
//
// The engine's rules: a shader the map names is drawn from the winning definition of the search
// path (Winning_Definition, by the engine's precedence) and needs that definition's images; a
// shader without a definition is an image of that name. An image is found under any of the names
// the renderer tries (Image_Candidates), a model under its name or with the other model
// extensions (.md3, .mdr, .iqm), a sound or music file under its name or with .wav, .ogg or .opus.
// The surfaces the compiler leaves undrawn (nodraw) are not asked for.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "content/shader_script.h"
#include "database/content_index.h"
#include "database/member_index.h"

namespace vorlix {

class TGame_Index;

enum class TContent_Kind : std::uint8_t { Texture = 0, Shader_Image = 1, Model = 2, Sound = 3 };
inline constexpr std::size_t Content_Kind_Count = 4;
// "texture", "shader image", "model", "sound".
const char* Content_Kind_Text(TContent_Kind kind);
// The same in the plural ("textures", ...).
const char* Content_Kind_Plural(TContent_Kind kind);

// A directory's loose files (PK3_Filename empty) or an archive.
struct TContent_Place {
  std::string MOD_Directory;
  std::string PK3_Filename;
  bool operator==(const TContent_Place&) const = default;
};
// "cpm_textures.pk3 in MOD cpma", "the loose files of baseq3".
std::string Place_Text(const TContent_Place& place);

struct TMissing_File {
  TContent_Kind Kind = TContent_Kind::Texture;
  std::string Name;    // as the map or the shader names it
  std::string Shader;  // for a shader image: the shader whose definition needs it
  // A place outside the map's search path holding it (another MOD directory), when one does.
  std::optional<TContent_Place> Found_In;
};

struct TOverridden_File {
  std::string Name;  // as stored in the map's archive
  TContent_Place By;
};

// How many files of each kind a map lacks; Known false when the index does not hold the map.
struct TContent_Counts {
  bool Known = false;
  std::array<std::uint32_t, Content_Kind_Count> Missing{};
  std::uint32_t Total() const;
  bool Complete() const { return Known && Total() == 0; }
};
// "complete", "2 textures, 1 sound missing", "not checked".
std::string Counts_Text(const TContent_Counts& counts);

struct TMap_Content_State {
  TContent_Counts Counts;
  std::vector<TMissing_File> Missing;  // by kind, then by name
  std::vector<TOverridden_File> Overridden;
  std::string Problem;  // what was wrong with the map file or its archive ("" when nothing)
};

// The most names the engine tries for one file.
inline constexpr std::size_t Most_Candidates = 8;
// The names the engine tries, in its order, for a file of `kind` a map or shader names `name`
// (an image under each image extension, a model or sound under each of its kind).
std::vector<std::string> Names_Tried(TContent_Kind kind, std::string_view name, TImage_Order order);
// Their lookup hashes (Member_Lookup_Hash) without making them; their number.
std::size_t Candidate_Hashes(TContent_Kind kind, std::string_view name, TImage_Order order,
                             std::array<std::uint64_t, Most_Candidates>& hashes);

// How the engine in use decides.
struct TContent_Rules {
  bool Later_Archive_Wins = false;  // Quake3e's shader precedence; false: ioquake3's
  TImage_Order Image_Order = TImage_Order::Png_First;
};

// One copy of a map name.
struct TMap_Copy {
  TContent_Place Place;
  std::string Map_File;  // the member as stored
  std::uint32_t CRC32 = 0;
  std::uint64_t Size = 0;
};
// The same map (file name) in several archives of one search path.
struct TDuplicate_Map {
  std::string MOD_Directory;      // the search path (the MOD directory) the copies are on
  std::string Map;                // lower case, e.g. "q3dm17"
  std::vector<TMap_Copy> Copies;  // in the order the game searches them: the first is loaded
  bool Identical = false;         // every copy has the same CRC-32 and size
};
// An archive some of whose files the game takes in place of another archive's.
struct TOverriding_Archive {
  TContent_Place Place;
  std::uint32_t Files = 0;         // members that replace a copy of another place
  std::uint32_t Game_Modules = 0;  // vm/*.qvm and the native game libraries
  std::uint32_t Menus = 0;         // ui/*.menu, ui/*.txt
  std::uint32_t Shader_Scripts = 0;
  std::uint32_t Maps = 0;
  std::uint32_t Other = 0;
  std::vector<TContent_Place> Overridden;  // the places whose copies it replaces
  // Whether it replaces game modules, menus, shader scripts or maps (listed first).
  bool Important() const { return Game_Modules + Menus + Shader_Scripts + Maps > 0; }
};
struct TMap_Missing {
  TContent_Place Place;
  std::string Map_File;
  TContent_Counts Counts;
};
struct TCollection_Report {
  std::vector<TMap_Missing> Missing;            // most missing first
  std::vector<TDuplicate_Map> Duplicates;       // by map name
  std::vector<TOverriding_Archive> Overriding;  // the important ones first, then by count
  std::vector<TContent_Place> Dead;             // archives of which the game reads nothing
  std::vector<std::string> Problems;            // archives or maps that could not be read
};

// Not for several threads at once: its answers fill caches.
class TCollection_Check {
 public:
  TCollection_Check(TMember_Index members, TContent_Index content, std::vector<std::string> bases,
                    TContent_Rules rules);
  ~TCollection_Check();
  TCollection_Check(const TCollection_Check&) = delete;
  TCollection_Check& operator=(const TCollection_Check&) = delete;
  const TMember_Index& Members() const { return Members_; }
  const TContent_Index& Content() const { return Content_; }
  const std::vector<std::string>& Bases() const { return Bases_; }

  // The content of the map `map_file` ("Q3DM17.BSP", "q3dm17" or "maps/q3dm17.bsp") of the
  // archive `pk3_filename` in `mod_directory`, on that MOD directory's search path (or on the
  // search path of `launch_mod` when given: the map launched in another MOD).
  TMap_Content_State Map_State(const std::string& mod_directory, const std::string& pk3_filename,
                               const std::string& map_file,
                               const std::string& launch_mod = {}) const;
  // Its counts alone, kept from the first call for every map (Compute_All fills them at once);
  // Known false for a map the index does not hold.
  TContent_Counts Counts(const std::string& mod_directory, const std::string& pk3_filename,
                         const std::string& map_file) const;
  // Computes the counts of every map of the index (for marks and filters), on a few threads.
  void Compute_All();

  // The report for the archives of `mod_directory` (any letter case; "" for every directory).
  TCollection_Report Report(const std::string& mod_directory = {}) const;

 private:
  struct TSearch;
  struct TMap_Place {
    std::uint32_t Archive = 0;  // in Content().Archives()
    std::uint32_t Map = 0;
    std::uint32_t Flat = 0;  // its place in Counts_
  };
  TSearch& Search_For(const std::string& mod_directory) const;
  std::string Key_Of(const TMap_Place& place) const;
  const TMap_Place* Place_Of(const std::string& mod_directory, const std::string& pk3_filename,
                             const std::string& map_file) const;
  // The map's content with its lists (read again when the index left them in its file), or
  // nullptr with the reason in the state's Problem.
  const TMap_Content* Lists_Of(const TMap_Place& place, std::vector<TMap_Content>& read,
                               TMap_Content_State& state) const;
  void Fill_State(const TMap_Place& place, const TMap_Content& map, TSearch& search,
                  TMap_Content_State& state, bool details) const;
  bool Found(TSearch& search, TContent_Kind kind, std::uint32_t name) const;
  std::optional<TContent_Place> Found_Elsewhere(const TSearch& search, TContent_Kind kind,
                                                std::uint32_t name) const;

  TMember_Index Members_;
  TContent_Index Content_;
  std::vector<std::string> Bases_;
  TContent_Rules Rules_;
  // The maps by the hash of their key (archive key and map stem), sorted by it (Key_Of).
  std::vector<std::pair<std::uint64_t, TMap_Place>> Places_;
  std::unordered_map<std::string, std::uint32_t> Sources_;  // member sources by archive key
  mutable std::unordered_map<std::string, std::unique_ptr<TSearch>> Searches_;
  mutable std::vector<TContent_Counts> Counts_;  // Known false until computed
  std::vector<bool> Defined_;  // per content name: whether a shader script defines it
};

// Builds both indexes of the installation (reading only archives that changed) and the check.
struct TCollection_Load {
  std::shared_ptr<TCollection_Check> Check;
  std::vector<TUnreadable_Archive> Unreadable;
  std::vector<std::string> Problems;
};
TCollection_Load Load_Collection_Check(const std::string& game_dir, const TGame_Index& games,
                                       const std::string& data_dir, TContent_Rules rules);

}  // namespace vorlix
