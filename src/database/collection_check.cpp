#include "database/collection_check.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <set>
#include <thread>

#include "core/letter_case.h"
#include "core/paths.h"
#include "database/game_index.h"
#include "database/stream.h"

namespace vorlix {

namespace {

// The engine's longest file name (MAX_QPATH less its end).
constexpr std::size_t Engine_Name_Length = 63;

constexpr const char* Model_Extensions[] = {".md3", ".mdr", ".iqm"};
constexpr const char* Sound_Extensions[] = {".wav", ".ogg", ".opus"};

std::string Stem_Key(const std::string& map_file) {
  std::string stem = map_file.substr(map_file.find_last_of("/\\") + 1);
  if (stem.size() > 4 && platform::Equal_Ignore_Case(stem.substr(stem.size() - 4), ".bsp")) {
    stem.resize(stem.size() - 4);
  }
  return platform::Lower(stem);
}

std::string Place_Key(const std::string& mod, const std::string& pk3, const std::string& map) {
  return platform::Archive_Key(mod, pk3) + '\n' + Stem_Key(map);
}

std::uint64_t Key_Hash(const std::string& key) {
  return std::hash<std::string>{}(key);
}

// The names the engine tries for a file named `name`: as written, then with each of the other
// extensions of its kind in place of its own.
std::vector<std::string> File_Candidates(std::string name,
                                         const std::span<const char* const> others) {
  if (name.size() > Engine_Name_Length) {
    name.resize(Engine_Name_Length);
  }
  std::vector<std::string> candidates{name};
  const auto slash = name.find_last_of('/');
  const auto dot = name.find_last_of('.');
  const std::string stem = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                               ? name.substr(0, dot)
                               : name;
  for (const char* extension : others) {
    std::string candidate = stem + extension;
    if (!platform::Equal_Ignore_Case(candidate, name)) {
      candidates.push_back(std::move(candidate));
    }
  }
  return candidates;
}

// What a member is to the report.
enum class TMember_Role { Game_Module, Menu, Shader_Script, Map, Other };

TMember_Role Role_Of(const std::string& form) {
  const auto ends = [&form](std::string_view end) {
    return form.size() >= end.size() &&
           form.compare(form.size() - end.size(), end.size(), end) == 0;
  };
  if (form.rfind("vm/", 0) == 0 && ends(".qvm")) {
    return TMember_Role::Game_Module;
  }
  if (form.rfind("ui/", 0) == 0 && (ends(".menu") || ends(".txt"))) {
    return TMember_Role::Menu;
  }
  if (form.rfind("scripts/", 0) == 0 && ends(".shader")) {
    return TMember_Role::Shader_Script;
  }
  if (form.rfind("maps/", 0) == 0 && ends(".bsp")) {
    return TMember_Role::Map;
  }
  return TMember_Role::Other;
}

TContent_Place Place_Of_Source(const TMember_Source& source) {
  return {source.MOD_Directory, source.PK3_Filename};
}

}  // namespace

const char* Content_Kind_Text(TContent_Kind kind) {
  switch (kind) {
    case TContent_Kind::Texture:
      return "texture";
    case TContent_Kind::Shader_Image:
      return "shader image";
    case TContent_Kind::Model:
      return "model";
    case TContent_Kind::Sound:
      return "sound";
  }
  return "file";
}

const char* Content_Kind_Plural(TContent_Kind kind) {
  switch (kind) {
    case TContent_Kind::Texture:
      return "textures";
    case TContent_Kind::Shader_Image:
      return "shader images";
    case TContent_Kind::Model:
      return "models";
    case TContent_Kind::Sound:
      return "sounds";
  }
  return "files";
}

std::string Place_Text(const TContent_Place& place) {
  if (place.PK3_Filename.empty()) {
    return "the loose files of " + place.MOD_Directory;
  }
  return place.PK3_Filename + " in MOD " + place.MOD_Directory;
}

std::uint32_t TContent_Counts::Total() const {
  std::uint32_t total = 0;
  for (const std::uint32_t count : Missing) {
    total += count;
  }
  return total;
}

std::string Counts_Text(const TContent_Counts& counts) {
  if (!counts.Known) {
    return "not checked";
  }
  if (counts.Total() == 0) {
    return "complete";
  }
  std::string text;
  for (std::size_t k = 0; k < Content_Kind_Count; ++k) {
    const std::uint32_t count = counts.Missing[k];
    if (count == 0) {
      continue;
    }
    const auto kind = static_cast<TContent_Kind>(k);
    text += (text.empty() ? "" : ", ") + std::to_string(count) + " " +
            (count == 1 ? Content_Kind_Text(kind) : Content_Kind_Plural(kind));
  }
  return text + " missing";
}

struct TCollection_Check::TSearch {
  TMember_Search_Path Path;
  // The definition the renderer draws each shader name (a content name) with, by name.
  std::vector<std::pair<std::uint32_t, const TShader_Content*>> Winners;

  const TShader_Content* Winner(std::uint32_t name) const {
    const auto it = std::lower_bound(
        Winners.begin(), Winners.end(), name,
        [](const auto& entry, std::uint32_t value) { return entry.first < value; });
    return it != Winners.end() && it->first == name ? it->second : nullptr;
  }
  // Per content name, two bits for each way of looking a file up (an image, a model, a sound):
  // 0 not looked up yet, 1 missing, 2 found. Filled by several threads at once (Compute_All),
  // each writing what any of them would.
  std::vector<std::uint8_t> Found;
};

TCollection_Check::TCollection_Check(TMember_Index members, TContent_Index content,
                                     std::vector<std::string> bases, TContent_Rules rules)
    : Members_(std::move(members)),
      Content_(std::move(content)),
      Bases_(std::move(bases)),
      Rules_(rules) {
  // Every map by the hash of its place's key, in the order of the archives; two members of one
  // stem (maps/x.bsp, maps/sub/x.bsp): the first stands for the map.
  const auto& archives = Content_.Archives();
  for (std::uint32_t a = 0; a < archives.size(); ++a) {
    if (archives[a].Loose()) {
      continue;
    }
    for (std::uint32_t m = 0; m < archives[a].Maps.size(); ++m) {
      Places_.emplace_back(Key_Hash(Place_Key(archives[a].MOD_Directory, archives[a].PK3_Filename,
                                              archives[a].Maps[m].Map_File)),
                           TMap_Place{a, m, 0});
    }
  }
  std::stable_sort(Places_.begin(), Places_.end(),
                   [](const auto& x, const auto& y) { return x.first < y.first; });
  std::uint32_t flat = 0;
  std::vector<std::string> keys;  // of one hash's places kept so far
  std::size_t kept = 0;
  for (std::size_t at = 0; at < Places_.size(); ++at) {
    // (Places before this one are moved only to places before it: its neighbours are as sorted.)
    const std::uint64_t hash = Places_[at].first;
    const bool first_of_hash = at == 0 || Places_[at - 1].first != hash;
    if (!first_of_hash || (at + 1 < Places_.size() && Places_[at + 1].first == hash)) {
      if (first_of_hash) {
        keys.clear();
      }
      std::string key = Key_Of(Places_[at].second);
      if (std::find(keys.begin(), keys.end(), key) != keys.end()) {
        continue;
      }
      keys.push_back(std::move(key));
    }
    Places_[at].second.Flat = flat++;
    Places_[kept++] = Places_[at];
  }
  Places_.resize(kept);
  Places_.shrink_to_fit();
  Counts_.resize(flat);
  Defined_.assign(Content_.Name_Count(), false);
  for (const TContent_Archive& archive : archives) {
    for (const TScript_Content& script : archive.Scripts) {
      for (const TShader_Content& shader : script.Definitions) {
        Defined_[shader.Name] = true;
      }
    }
  }
  const auto& sources = Members_.Sources();
  for (std::uint32_t s = 0; s < sources.size(); ++s) {
    Sources_.emplace(platform::Archive_Key(sources[s].MOD_Directory, sources[s].PK3_Filename), s);
  }
}

TCollection_Check::~TCollection_Check() = default;

std::string TCollection_Check::Key_Of(const TMap_Place& place) const {
  const TContent_Archive& archive = Content_.Archives()[place.Archive];
  return Place_Key(archive.MOD_Directory, archive.PK3_Filename, archive.Maps[place.Map].Map_File);
}

TCollection_Check::TSearch& TCollection_Check::Search_For(const std::string& mod) const {
  const std::string key = platform::Lower(mod);
  auto& slot = Searches_[key];
  if (slot) {
    return *slot;
  }
  slot = std::make_unique<TSearch>();
  TSearch& search = *slot;
  search.Path = Member_Search_Path(Members_, mod, Bases_);
  search.Found.assign(Content_.Name_Count(), 0);
  // Each script path counts from the first place of the search order that holds it.
  struct TCandidate {
    std::uint32_t Rank;  // of its archive on the search path
    const TScript_Content* Script;
    std::size_t Definition;  // its place in the script
    const TShader_Content* Shader;
  };
  std::unordered_map<std::string, std::uint32_t> first_place;
  std::vector<std::pair<std::uint32_t, const TContent_Archive*>> placed;
  for (const TContent_Archive& archive : Content_.Archives()) {
    const auto source =
        Sources_.find(platform::Archive_Key(archive.MOD_Directory, archive.PK3_Filename));
    if (source == Sources_.end() || search.Path.Rank[source->second] == 0) {
      continue;
    }
    const std::uint32_t rank = search.Path.Rank[source->second];
    placed.emplace_back(rank, &archive);
    for (const TScript_Content& script : archive.Scripts) {
      auto [it, added] = first_place.emplace(Member_Lookup_Form(script.Script), rank);
      if (!added) {
        it->second = std::min(it->second, rank);
      }
    }
  }
  // Every definition of the search path by its shader's name; most names have one.
  std::vector<TCandidate> definitions;
  for (const auto& [rank, archive] : placed) {
    for (const TScript_Content& script : archive->Scripts) {
      if (script.Ignored || first_place[Member_Lookup_Form(script.Script)] != rank) {
        continue;
      }
      for (std::size_t d = 0; d < script.Definitions.size(); ++d) {
        definitions.push_back({rank, &script, d, &script.Definitions[d]});
      }
    }
  }
  std::sort(definitions.begin(), definitions.end(), [](const TCandidate& a, const TCandidate& b) {
    return a.Shader->Name < b.Shader->Name;
  });
  std::vector<TShader_Origin> origins;
  for (std::size_t begin = 0; begin < definitions.size();) {
    const std::uint32_t name = definitions[begin].Shader->Name;
    std::size_t end = begin + 1;
    while (end < definitions.size() && definitions[end].Shader->Name == name) {
      ++end;
    }
    std::optional<std::size_t> winner = 0;
    if (end - begin > 1) {
      origins.clear();
      for (std::size_t c = begin; c < end; ++c) {
        TShader_Origin origin;
        origin.Search_Position = definitions[c].Rank - 1;
        origin.Member_Position = definitions[c].Script->Member_Position;
        origin.Script = definitions[c].Script->Script;
        origin.Definition_Position = definitions[c].Definition;
        origins.push_back(std::move(origin));
      }
      winner = Winning_Definition(origins, Rules_.Later_Archive_Wins);
    }
    if (winner) {
      search.Winners.emplace_back(name, definitions[begin + *winner].Shader);
    }
    begin = end;
  }
  return search;
}

namespace {

// The name a map or shader gives, as the file system takes it: one leading separator dropped.
std::string_view Without_Leading_Separator(std::string_view name) {
  if (!name.empty() && (name[0] == '/' || name[0] == '\\')) {
    name.remove_prefix(1);
  }
  return name;
}

// Where a name's extension begins (its dot), when it has one after its last separator.
std::optional<std::size_t> Extension_Dot(std::string_view name, bool backslash_separates) {
  const std::size_t dot = name.rfind('.');
  const std::size_t slash = name.find_last_of(backslash_separates ? "/\\" : "/");
  if (dot == std::string_view::npos || (slash != std::string_view::npos && slash > dot)) {
    return std::nullopt;
  }
  return dot;
}

}  // namespace

std::vector<std::string> Names_Tried(TContent_Kind kind, std::string_view asked,
                                     TImage_Order order) {
  const std::string name(Without_Leading_Separator(asked));
  switch (kind) {
    case TContent_Kind::Texture:
    case TContent_Kind::Shader_Image:
      return Image_Candidates(name, order);
    case TContent_Kind::Model:
      return File_Candidates(name, Model_Extensions);
    case TContent_Kind::Sound:
      return File_Candidates(name, Sound_Extensions);
  }
  return {name};
}

std::size_t Candidate_Hashes(TContent_Kind kind, std::string_view asked, TImage_Order order,
                             std::array<std::uint64_t, Most_Candidates>& hashes) {
  std::string_view name = Without_Leading_Separator(asked);
  name = name.substr(0, std::min(name.size(), Engine_Name_Length));
  std::size_t count = 0;
  const auto continued = [](std::uint64_t stem, std::string_view extension) {
    return Member_Lookup_Hash(Member_Lookup_Hash(stem, "."), extension);
  };
  if (kind == TContent_Kind::Texture || kind == TContent_Kind::Shader_Image) {
    // As Image_Candidates: the name as written when its extension is an image's, then the stem
    // with each other image extension.
    const std::array<std::string_view, 6>& extensions = Image_Extensions(order);
    const std::optional<std::size_t> dot = Extension_Dot(name, true);
    std::size_t known = extensions.size();
    for (std::size_t e = 0; dot && e < extensions.size(); ++e) {
      if (platform::Equal_Ignore_Case(name.substr(*dot + 1), extensions[e])) {
        known = e;
        break;
      }
    }
    std::string_view stem = name;
    if (known != extensions.size()) {
      hashes[count++] = Member_Lookup_Hash(name);
      stem = name.substr(0, *dot);
    }
    const std::uint64_t stem_hash = Member_Lookup_Hash(stem);
    for (std::size_t e = 0; e < extensions.size(); ++e) {
      if (e != known) {
        hashes[count++] = continued(stem_hash, extensions[e]);
      }
    }
    return count;
  }
  // As File_Candidates: the name, then its stem with each other extension of its kind.
  const std::span<const char* const> others = kind == TContent_Kind::Model
                                                  ? std::span<const char* const>(Model_Extensions)
                                                  : std::span<const char* const>(Sound_Extensions);
  hashes[count++] = Member_Lookup_Hash(name);
  const std::optional<std::size_t> dot = Extension_Dot(name, false);
  const std::string_view stem = dot ? name.substr(0, *dot) : name;
  const std::uint64_t stem_hash = Member_Lookup_Hash(stem);
  for (const char* extension : others) {
    // (the extension given with its dot)
    if (!(dot && platform::Equal_Ignore_Case(name.substr(*dot), extension))) {
      hashes[count++] = Member_Lookup_Hash(stem_hash, extension);
    }
  }
  return count;
}

namespace {

// Which two bits of a name's byte of TSearch::Found hold a kind's answer: textures and shader
// images are looked up alike.
unsigned Found_Shift(TContent_Kind kind) {
  switch (kind) {
    case TContent_Kind::Texture:
    case TContent_Kind::Shader_Image:
      return 0;
    case TContent_Kind::Model:
      return 2;
    case TContent_Kind::Sound:
      return 4;
  }
  return 0;
}

// The first source holding a member the game opens for one of the names tried for `name` whose
// rank on `path` (0: not on it) `wanted` takes: an archive member by its lookup form, a loose
// file by its own name only.
template <typename TWanted>
std::optional<std::uint32_t> Serving_Source(const TMember_Index& members, TContent_Kind kind,
                                            std::string_view name, TImage_Order order,
                                            const TMember_Search_Path& path, TWanted wanted) {
  std::array<std::uint64_t, Most_Candidates> hashes{};
  const std::size_t count = Candidate_Hashes(kind, name, order, hashes);
  std::vector<std::string> candidates;  // made only for a loose file's exact name
  for (std::size_t c = 0; c < count; ++c) {
    for (const TMember_Entry& entry : members.Members_Hashed(hashes[c])) {
      const std::uint32_t rank = entry.Source < path.Rank.size() ? path.Rank[entry.Source] : 0;
      if (!wanted(rank)) {
        continue;
      }
      if (!members.Sources()[entry.Source].Loose()) {
        return entry.Source;
      }
      if (candidates.empty()) {
        candidates = Names_Tried(kind, name, order);
      }
      if (c < candidates.size() && Same_Loose_Name(members.Name(entry.Member), candidates[c])) {
        return entry.Source;
      }
    }
  }
  return std::nullopt;
}

}  // namespace

bool TCollection_Check::Found(TSearch& search, TContent_Kind kind, std::uint32_t name) const {
  const unsigned shift = Found_Shift(kind);
  std::atomic_ref<std::uint8_t> byte(search.Found[name]);
  const auto known = static_cast<unsigned>(byte.load(std::memory_order_relaxed) >> shift) & 3U;
  if (known != 0) {
    return known == 2;
  }
  const bool found = Serving_Source(Members_, kind, Content_.Name(name), Rules_.Image_Order,
                                    search.Path, [](std::uint32_t rank) { return rank != 0; })
                         .has_value();
  byte.fetch_or(static_cast<std::uint8_t>((found ? 2U : 1U) << shift), std::memory_order_relaxed);
  return found;
}

std::optional<TContent_Place> TCollection_Check::Found_Elsewhere(const TSearch& search,
                                                                 TContent_Kind kind,
                                                                 std::uint32_t name) const {
  const auto source = Serving_Source(Members_, kind, Content_.Name(name), Rules_.Image_Order,
                                     search.Path, [](std::uint32_t rank) { return rank == 0; });
  if (!source) {
    return std::nullopt;
  }
  return Place_Of_Source(Members_.Sources()[*source]);
}

const TCollection_Check::TMap_Place* TCollection_Check::Place_Of(const std::string& mod,
                                                                 const std::string& pk3,
                                                                 const std::string& map) const {
  const std::string key = Place_Key(mod, pk3, map);
  const std::uint64_t hash = Key_Hash(key);
  auto it =
      std::lower_bound(Places_.begin(), Places_.end(), hash,
                       [](const auto& entry, std::uint64_t value) { return entry.first < value; });
  for (; it != Places_.end() && it->first == hash; ++it) {
    if (Key_Of(it->second) == key) {
      return &it->second;
    }
  }
  return nullptr;
}

const TMap_Content* TCollection_Check::Lists_Of(const TMap_Place& place,
                                                std::vector<TMap_Content>& read,
                                                TMap_Content_State& state) const {
  try {
    return &Content_.Maps_With_Lists(Content_.Archives()[place.Archive], read)[place.Map];
  } catch (const TStream_Error& error) {
    state.Problem = std::string("its content cannot be read again: ") + error.what();
    return nullptr;
  }
}

void TCollection_Check::Fill_State(const TMap_Place& place, const TMap_Content& map,
                                   TSearch& search, TMap_Content_State& state, bool details) const {
  const TContent_Archive& archive = Content_.Archives()[place.Archive];
  state.Counts.Known = true;
  state.Problem = map.Problem;
  struct TLack {
    TContent_Kind Kind;
    std::uint32_t Name;
    std::uint32_t Shader;  // the shader needing a shader image
  };
  std::vector<TLack> lacking;
  for (const std::uint32_t shader : map.Shaders) {
    // Most shaders a map names are plain textures that no script defines.
    const TShader_Content* winner = Defined_[shader] ? search.Winner(shader) : nullptr;
    if (winner == nullptr) {
      if (!Found(search, TContent_Kind::Texture, shader)) {
        lacking.push_back({TContent_Kind::Texture, shader, shader});
      }
      continue;
    }
    for (const std::uint32_t image : winner->Images) {
      if (!Found(search, TContent_Kind::Shader_Image, image)) {
        lacking.push_back({TContent_Kind::Shader_Image, image, shader});
      }
    }
  }
  for (const auto& [file_kind, name] : map.Files) {
    const TContent_Kind kind =
        file_kind == TFile_Kind::Model ? TContent_Kind::Model : TContent_Kind::Sound;
    if (!Found(search, kind, name)) {
      lacking.push_back({kind, name, name});
    }
  }
  // The same image needed by two shaders is one missing file. The details list them by name;
  // the counts need only the equal ones together.
  if (details) {
    std::stable_sort(lacking.begin(), lacking.end(), [this](const TLack& a, const TLack& b) {
      return a.Kind != b.Kind ? a.Kind < b.Kind : Content_.Name(a.Name) < Content_.Name(b.Name);
    });
  } else {
    std::sort(lacking.begin(), lacking.end(), [](const TLack& a, const TLack& b) {
      return a.Kind != b.Kind ? a.Kind < b.Kind : a.Name < b.Name;
    });
  }
  lacking.erase(std::unique(lacking.begin(), lacking.end(),
                            [](const TLack& a, const TLack& b) {
                              return a.Kind == b.Kind && a.Name == b.Name;
                            }),
                lacking.end());
  for (const TLack& lack : lacking) {
    ++state.Counts.Missing[static_cast<std::size_t>(lack.Kind)];
    if (details) {
      state.Missing.push_back({lack.Kind, std::string(Content_.Name(lack.Name)),
                               lack.Kind == TContent_Kind::Shader_Image
                                   ? std::string(Content_.Name(lack.Shader))
                                   : std::string(),
                               Found_Elsewhere(search, lack.Kind, lack.Name)});
    }
  }
  if (!details) {
    return;
  }
  const auto source =
      Sources_.find(platform::Archive_Key(archive.MOD_Directory, archive.PK3_Filename));
  if (source == Sources_.end()) {
    return;
  }
  const TMember_Source& own = Members_.Sources()[source->second];
  if (state.Problem.empty() && !own.Problem.empty()) {
    state.Problem = own.Problem;
  }
  for (std::uint32_t m = own.First; m < own.First + own.Count; ++m) {
    const std::string name(Members_.Name(m));
    if (name.ends_with('/')) {
      continue;  // a folder entry
    }
    const std::vector<TMember_Copy> copies = Copies_Of(Members_, name, search.Path);
    if (!copies.empty() && copies.front().Source != &own) {
      state.Overridden.push_back({name, Place_Of_Source(*copies.front().Source)});
    }
  }
}

TMap_Content_State TCollection_Check::Map_State(const std::string& mod, const std::string& pk3,
                                                const std::string& map_file,
                                                const std::string& launch_mod) const {
  TMap_Content_State state;
  const TMap_Place* place = Place_Of(mod, pk3, map_file);
  std::vector<TMap_Content> read;
  const TMap_Content* map = place != nullptr ? Lists_Of(*place, read, state) : nullptr;
  if (map != nullptr) {
    const TContent_Archive& archive = Content_.Archives()[place->Archive];
    Fill_State(*place, *map, Search_For(launch_mod.empty() ? archive.MOD_Directory : launch_mod),
               state, true);
    if (launch_mod.empty()) {
      Counts_[place->Flat] = state.Counts;
    }
  }
  return state;
}

TContent_Counts TCollection_Check::Counts(const std::string& mod, const std::string& pk3,
                                          const std::string& map_file) const {
  const TMap_Place* place = Place_Of(mod, pk3, map_file);
  if (place == nullptr) {
    return {};
  }
  TContent_Counts& counts = Counts_[place->Flat];
  if (!counts.Known) {
    TMap_Content_State state;
    std::vector<TMap_Content> read;
    if (const TMap_Content* map = Lists_Of(*place, read, state)) {
      Fill_State(*place, *map, Search_For(Content_.Archives()[place->Archive].MOD_Directory), state,
                 false);
    }
    counts = state.Counts;
  }
  return counts;
}

void TCollection_Check::Compute_All() {
  // The searches are made first: the threads below only read them and fill in their answers.
  // The maps go by archive, whose lists are read once.
  std::vector<std::pair<const TMap_Place*, TSearch*>> open;
  for (const auto& [hash, place] : Places_) {
    if (!Counts_[place.Flat].Known) {
      open.emplace_back(&place, &Search_For(Content_.Archives()[place.Archive].MOD_Directory));
    }
  }
  std::sort(open.begin(), open.end(), [](const auto& a, const auto& b) {
    return std::tie(a.first->Archive, a.first->Map) < std::tie(b.first->Archive, b.first->Map);
  });
  std::vector<std::size_t> groups;  // where each archive's maps begin in `open`
  for (std::size_t i = 0; i < open.size(); ++i) {
    if (i == 0 || open[i].first->Archive != open[i - 1].first->Archive) {
      groups.push_back(i);
    }
  }
  groups.push_back(open.size());
  const auto work = [this, &open, &groups](std::size_t first, std::size_t step) {
    TMap_Content_State state;
    std::vector<TMap_Content> read;
    for (std::size_t g = first; g + 1 < groups.size(); g += step) {
      const std::vector<TMap_Content>* maps = nullptr;
      try {
        maps = &Content_.Maps_With_Lists(Content_.Archives()[open[groups[g]].first->Archive], read);
      } catch (const TStream_Error&) {
        continue;  // its maps are counted when asked for, and tell why they cannot be
      }
      for (std::size_t i = groups[g]; i < groups[g + 1]; ++i) {
        state = TMap_Content_State();
        const TMap_Place& place = *open[i].first;
        Fill_State(place, (*maps)[place.Map], *open[i].second, state, false);
        Counts_[place.Flat] = state.Counts;
      }
    }
  };
  // Each map's counts are its own; the threads share only the searches' answers of names, which
  // any of them would write alike.
  const std::size_t threads =
      open.size() < 1000 ? 1 : std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 4);
  std::vector<std::thread> helpers;
  std::vector<std::exception_ptr> failures(threads);
  for (std::size_t t = 1; t < threads; ++t) {
    helpers.emplace_back([&, t] {
      try {
        work(t, threads);
      } catch (...) {
        failures[t] = std::current_exception();
      }
    });
  }
  try {
    work(0, threads);
  } catch (...) {
    failures[0] = std::current_exception();
  }
  for (std::thread& helper : helpers) {
    helper.join();
  }
  for (const std::exception_ptr& failure : failures) {
    if (failure) {
      std::rethrow_exception(failure);
    }
  }
}

TCollection_Report TCollection_Check::Report(const std::string& mod_directory) const {
  TCollection_Report report;
  const auto wanted = [&mod_directory](const std::string& dir) {
    return mod_directory.empty() || platform::Equal_Ignore_Case(dir, mod_directory);
  };
  // Maps missing content, and what could not be read.
  for (const auto& [hash, place] : Places_) {
    const TContent_Archive& archive = Content_.Archives()[place.Archive];
    if (!wanted(archive.MOD_Directory)) {
      continue;
    }
    const TMap_Content& map = archive.Maps[place.Map];
    const TContent_Counts counts =
        Counts(archive.MOD_Directory, archive.PK3_Filename, map.Map_File);
    if (counts.Total() > 0) {
      report.Missing.push_back(
          {{archive.MOD_Directory, archive.PK3_Filename}, map.Map_File, counts});
    }
    if (!map.Problem.empty()) {
      report.Problems.push_back(Place_Text({archive.MOD_Directory, archive.PK3_Filename}) + ": " +
                                map.Map_File + ": " + map.Problem);
    }
  }
  for (const TContent_Archive& archive : Content_.Archives()) {
    if (!wanted(archive.MOD_Directory)) {
      continue;
    }
    const std::string place = Place_Text({archive.MOD_Directory, archive.PK3_Filename});
    if (!archive.Problem.empty()) {
      report.Problems.push_back(place + ": " + archive.Problem);
    }
    for (const TScript_Content& script : archive.Scripts) {
      if (!script.Problem.empty()) {
        report.Problems.push_back(place + ": " + script.Script + ": " + script.Problem +
                                  (script.Ignored ? " (the engine ignores the whole script)" : ""));
      }
    }
  }
  std::sort(report.Missing.begin(), report.Missing.end(),
            [](const TMap_Missing& a, const TMap_Missing& b) {
              if (a.Counts.Total() != b.Counts.Total()) {
                return a.Counts.Total() > b.Counts.Total();
              }
              return std::tie(a.Map_File, a.Place.MOD_Directory, a.Place.PK3_Filename) <
                     std::tie(b.Map_File, b.Place.MOD_Directory, b.Place.PK3_Filename);
            });
  std::sort(report.Problems.begin(), report.Problems.end());

  // Copies of one name in several places, on the search path of each place's own directory.
  const auto& sources = Members_.Sources();
  std::vector<char> alive(sources.size(), 0);
  std::unordered_map<std::uint32_t, TOverriding_Archive> overriding;
  std::unordered_map<std::uint32_t, std::set<std::uint32_t>> overridden_places;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> ranked;  // rank, member
  Members_.Visit_Name_Groups([&](std::span<const TMember_Entry> group) {
    const std::uint32_t first_source = group.front().Source;
    const bool one_place = std::all_of(group.begin(), group.end(), [&](const TMember_Entry& entry) {
      return entry.Source == first_source;
    });
    if (one_place) {
      alive[first_source] = 1;
      return;
    }
    const std::string form = Member_Lookup_Form(Members_.Name(group.front().Member));
    const TMember_Role role = Role_Of(form);
    std::vector<std::string> dirs;
    for (const TMember_Entry& entry : group) {
      const std::string dir = platform::Lower(sources[entry.Source].MOD_Directory);
      if (std::find(dirs.begin(), dirs.end(), dir) == dirs.end()) {
        dirs.push_back(dir);
      }
    }
    std::set<std::uint32_t> counted_winners;
    for (const std::string& dir : dirs) {
      const TSearch& search = Search_For(dir);
      ranked.clear();
      for (const TMember_Entry& entry : group) {
        const std::uint32_t rank = search.Path.Rank[entry.Source];
        if (rank > 0) {
          ranked.emplace_back(rank, entry.Member);
        }
      }
      if (ranked.empty()) {
        continue;
      }
      std::sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : a.second > b.second;
      });
      const std::uint32_t winner = Members_.Source_Of(ranked.front().second);
      if (platform::Equal_Ignore_Case(sources[winner].MOD_Directory, dir)) {
        alive[winner] = 1;
      }
      std::set<std::uint32_t> losers;
      for (std::size_t r = 1; r < ranked.size(); ++r) {
        const std::uint32_t loser = Members_.Source_Of(ranked[r].second);
        if (loser != winner && platform::Equal_Ignore_Case(sources[loser].MOD_Directory, dir)) {
          losers.insert(loser);
        }
      }
      if (role == TMember_Role::Map && wanted(dir)) {
        std::set<std::uint32_t> seen;
        TDuplicate_Map duplicate;
        duplicate.MOD_Directory = dir;
        duplicate.Map = Stem_Key(form);
        for (const auto& [rank, m] : ranked) {
          const std::uint32_t source = Members_.Source_Of(m);
          if (seen.insert(source).second) {
            const TMember_Details& details = Members_.Details(m);
            duplicate.Copies.push_back({Place_Of_Source(sources[source]), std::string(details.Name),
                                        details.CRC32, details.Size});
          }
        }
        const bool own_copy = std::any_of(
            duplicate.Copies.begin(), duplicate.Copies.end(), [&dir](const TMap_Copy& copy) {
              return platform::Equal_Ignore_Case(copy.Place.MOD_Directory, dir);
            });
        if (duplicate.Copies.size() > 1 && own_copy) {
          duplicate.Identical = std::all_of(duplicate.Copies.begin(), duplicate.Copies.end(),
                                            [&](const TMap_Copy& copy) {
                                              return copy.CRC32 == duplicate.Copies.front().CRC32 &&
                                                     copy.Size == duplicate.Copies.front().Size;
                                            });
          report.Duplicates.push_back(std::move(duplicate));
        }
      }
      if (losers.empty() || !wanted(sources[winner].MOD_Directory)) {
        continue;
      }
      TOverriding_Archive& entry = overriding[winner];
      entry.Place = Place_Of_Source(sources[winner]);
      overridden_places[winner].insert(losers.begin(), losers.end());
      if (counted_winners.insert(winner).second) {
        ++entry.Files;
        switch (role) {
          case TMember_Role::Game_Module:
            ++entry.Game_Modules;
            break;
          case TMember_Role::Menu:
            ++entry.Menus;
            break;
          case TMember_Role::Shader_Script:
            ++entry.Shader_Scripts;
            break;
          case TMember_Role::Map:
            ++entry.Maps;
            break;
          case TMember_Role::Other:
            ++entry.Other;
            break;
        }
      }
    }
  });
  for (auto& [source, entry] : overriding) {
    for (const std::uint32_t place : overridden_places[source]) {
      entry.Overridden.push_back(Place_Of_Source(sources[place]));
    }
    report.Overriding.push_back(std::move(entry));
  }
  std::sort(report.Overriding.begin(), report.Overriding.end(),
            [](const TOverriding_Archive& a, const TOverriding_Archive& b) {
              if (a.Important() != b.Important()) {
                return a.Important();
              }
              if (a.Files != b.Files) {
                return a.Files > b.Files;
              }
              return std::tie(a.Place.PK3_Filename, a.Place.MOD_Directory) <
                     std::tie(b.Place.PK3_Filename, b.Place.MOD_Directory);
            });
  std::sort(report.Duplicates.begin(), report.Duplicates.end(),
            [](const TDuplicate_Map& a, const TDuplicate_Map& b) {
              return std::tie(a.Map, a.MOD_Directory) < std::tie(b.Map, b.MOD_Directory);
            });
  for (std::uint32_t s = 0; s < sources.size(); ++s) {
    if (!sources[s].Loose() && sources[s].Count > 0 && alive[s] == 0 &&
        wanted(sources[s].MOD_Directory)) {
      report.Dead.push_back(Place_Of_Source(sources[s]));
    }
  }
  std::sort(report.Dead.begin(), report.Dead.end(),
            [](const TContent_Place& a, const TContent_Place& b) {
              return std::tie(a.MOD_Directory, a.PK3_Filename) <
                     std::tie(b.MOD_Directory, b.PK3_Filename);
            });
  return report;
}

TCollection_Load Load_Collection_Check(const std::string& game_dir, const TGame_Index& games,
                                       const std::string& data_dir, TContent_Rules rules) {
  TCollection_Load load;
  TMember_Index_Build members = Build_Member_Index(game_dir, games, data_dir);
  TContent_Index_Build content = Build_Content_Index(game_dir, games, data_dir);
  load.Unreadable = std::move(members.Unreadable);
  load.Problems = std::move(members.Problems);
  for (const std::string& problem : {members.Save_Problem, content.Save_Problem}) {
    if (!problem.empty()) {
      load.Problems.push_back("The collection's index could not be written: " + problem);
    }
  }
  load.Check = std::make_shared<TCollection_Check>(std::move(members.Index),
                                                   std::move(content.Index), games.Bases(), rules);
  return load;
}

}  // namespace vorlix
