#include "content/bsp_references.h"

#include <algorithm>
#include <utility>

#include "content/engine_tokens.h"

namespace vorlix {

namespace {

constexpr std::size_t Name_Entry_Size = 72;  // shader and fog entries alike
constexpr std::size_t Name_Field_Size = 64;
constexpr std::size_t Surface_Entry_Size = 104;
constexpr std::size_t Path_Length_Limit = 63;
constexpr std::size_t Spawn_Pair_Limit = 64;
constexpr std::size_t Spawn_Character_Limit = 4096;

std::int32_t Get_Int32(std::string_view bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (std::size_t i = 4; i-- > 0;) {
    value = (value << 8) | static_cast<std::uint8_t>(bytes[offset + i]);
  }
  return static_cast<std::int32_t>(value);
}

void Add_Error(std::string& errors, const std::string& error) {
  errors += errors.empty() ? error : "; " + error;
}

std::string Lump_Text(std::size_t lump) {
  static constexpr std::array<const char*, BSP_Lump_Count> names = {
      "entities",     "shaders",  "planes",     "nodes",       "leaves",    "leaf surfaces",
      "leaf brushes", "models",   "brushes",    "brush sides", "vertices",  "indexes",
      "fogs",         "surfaces", "light maps", "light grid",  "visibility"};
  return "lump " + std::to_string(lump) + " (" + names[lump] + ")";
}

// The bytes of a lump that lie within both the file and `bytes`; reports what is cut.
std::string_view Lump_Bytes(std::string_view bytes, const TBSP_Layout& layout, std::size_t lump,
                            std::string& errors) {
  const TBSP_Lump& entry = layout.Lumps[lump];
  if (entry.Offset < 0 || entry.Length <= 0) {
    return {};
  }
  const auto begin = static_cast<std::uint64_t>(entry.Offset);
  const std::uint64_t end = begin + static_cast<std::uint64_t>(entry.Length);
  const std::uint64_t available = std::min<std::uint64_t>(layout.File_Size, bytes.size());
  if (end > layout.File_Size) {
    // told by the layout already
  } else if (end > available) {
    Add_Error(errors, Lump_Text(lump) + " reaches byte " + std::to_string(end) +
                          " of the file, beyond the " + std::to_string(bytes.size()) +
                          " bytes read");
  }
  if (begin >= available) {
    return {};
  }
  return bytes.substr(static_cast<std::size_t>(begin),
                      static_cast<std::size_t>(std::min(end, available) - begin));
}

// The names of 72-byte entries beginning with a 64-byte name, empty ones left out.
// The shaders the surfaces draw with: each surface's first field numbers its shader entry. The
// renderer loads these alone of the shader lump (the compiler keeps entries of brush sides it made
// no surface of, such as caulk), and stops the map at a number outside the lump.
std::vector<std::string> Surface_Shader_Names(std::string_view shader_bytes,
                                              std::string_view surface_bytes,
                                              std::int64_t stored_length, std::string& errors) {
  if (stored_length > 0 && stored_length % static_cast<std::int64_t>(Surface_Entry_Size) != 0) {
    Add_Error(errors, Lump_Text(BSP_Surface_Lump) + " has " + std::to_string(stored_length) +
                          " bytes, no multiple of 104: the engine refuses the map");
  }
  const std::size_t entries = shader_bytes.size() / Name_Entry_Size;
  std::vector<char> used(entries, 0);
  std::size_t bad = 0;
  for (std::size_t at = 0; at + Surface_Entry_Size <= surface_bytes.size();
       at += Surface_Entry_Size) {
    const std::int32_t number = Get_Int32(surface_bytes, at);
    if (number < 0 || static_cast<std::size_t>(number) >= entries) {
      ++bad;
    } else {
      used[static_cast<std::size_t>(number)] = 1;
    }
  }
  if (bad > 0) {
    Add_Error(errors, std::to_string(bad) +
                          " surface(s) name a shader the shader lump does not hold: the engine "
                          "refuses the map");
  }
  std::vector<std::string> names;
  for (std::size_t e = 0; e < entries; ++e) {
    if (used[e] != 0) {
      const std::string_view field = shader_bytes.substr(e * Name_Entry_Size, Name_Field_Size);
      names.emplace_back(field.substr(0, std::min(field.find('\0'), Path_Length_Limit)));
    }
  }
  return names;
}

std::vector<std::string> Entry_Names(std::string_view lump_bytes, std::size_t lump,
                                     std::int64_t stored_length, std::string& errors) {
  std::vector<std::string> names;
  if (stored_length > 0 && stored_length % static_cast<std::int64_t>(Name_Entry_Size) != 0) {
    Add_Error(errors, Lump_Text(lump) + " has " + std::to_string(stored_length) +
                          " bytes, no multiple of 72: the engine refuses the map");
  }
  std::size_t unended = 0;
  for (std::size_t at = 0; at + Name_Entry_Size <= lump_bytes.size(); at += Name_Entry_Size) {
    const std::string_view field = lump_bytes.substr(at, Name_Field_Size);
    std::size_t length = field.find('\0');
    if (length == std::string_view::npos) {
      ++unended;
      length = Path_Length_Limit;
    }
    if (length > 0) {
      names.emplace_back(field.substr(0, length));
    }
  }
  if (unended > 0) {
    Add_Error(errors, std::to_string(unended) + " name(s) of " + Lump_Text(lump) +
                          " fill their 64 bytes without an end, read as their first 63");
  }
  return names;
}

// The game's copy of a field's value: "\" keeps itself and drops the next character, "\n"
// becomes a line break.
std::string Game_Field(std::string_view value) {
  std::string copy;
  copy.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      ++i;
      copy += value[i] == 'n' ? '\n' : '\\';
    } else {
      copy += value[i];
    }
  }
  return copy;
}

using TSpawn_Pairs = std::vector<std::pair<std::string, std::string>>;

const std::string* First_Value(const TSpawn_Pairs& pairs, std::string_view key) {
  for (const auto& [name, value] : pairs) {
    if (Same_Word(name, key)) {
      return &value;
    }
  }
  return nullptr;
}

const std::string* Last_Value(const TSpawn_Pairs& pairs, std::string_view key) {
  const std::string* last = nullptr;
  for (const auto& [name, value] : pairs) {
    if (Same_Word(name, key)) {
      last = &value;
    }
  }
  return last;
}

// The sound file the game asks for from a "noise" value.
std::string Noise_File(const std::string& value) {
  std::string file = value.find(".wav") == std::string::npos ? value + ".wav" : value;
  file.resize(std::min(file.size(), Path_Length_Limit));
  return file;
}

// One entity's pairs as the game reads them. False at the end of the text or where the game
// stops the map (then told in `errors`).
bool Read_Spawn_Pairs(TEngine_Tokens& tokens, TSpawn_Pairs& pairs, std::string& errors) {
  pairs.clear();
  const std::string opening = tokens.Next();
  if (opening.empty() && tokens.Ended()) {
    return false;
  }
  if (opening.empty() || opening[0] != '{') {
    Add_Error(errors, "the entity text has \"" + opening +
                          "\" where an entity should open with \"{\": the game stops there");
    return false;
  }
  std::size_t characters = 0;
  for (;;) {
    std::string key = tokens.Next();
    if (key.empty() && tokens.Ended()) {
      Add_Error(errors, "the entity text ends inside an entity: the game stops there");
      return false;
    }
    if (!key.empty() && key[0] == '}') {
      return true;
    }
    std::string value = tokens.Next();
    if ((value.empty() && tokens.Ended()) || (!value.empty() && value[0] == '}')) {
      Add_Error(errors, "the entity key \"" + key + "\" has no value: the game stops there");
      return false;
    }
    characters += key.size() + 1 + value.size() + 1;
    if (pairs.size() == Spawn_Pair_Limit || characters > Spawn_Character_Limit) {
      Add_Error(errors,
                "an entity holds more than 64 keys or 4,096 characters: the game stops there");
      return false;
    }
    pairs.emplace_back(std::move(key), std::move(value));
  }
}

// The renderer's reading of the first entity: the shader remap keys.
void Read_Remap_Keys(std::string_view text, TBSP_References& references) {
  TEngine_Tokens tokens(text);
  const std::string opening = tokens.Next();
  if (opening.empty() || opening[0] != '{') {
    return;
  }
  std::string class_name;
  std::vector<TEntity_Reference> found;
  for (;;) {
    const std::string key = tokens.Next();
    if (key.empty() || key[0] == '}') {
      break;
    }
    const std::string value = tokens.Next();
    if (value.empty() || value[0] == '}') {
      break;
    }
    if (Same_Word(key, "classname")) {
      class_name = value;
    }
    const bool remap = key.rfind("remapshader", 0) == 0 || key.rfind("vertexremapshader", 0) == 0;
    if (!remap) {
      continue;
    }
    const std::size_t semicolon = value.find(';');
    if (semicolon == std::string::npos) {
      Add_Error(references.Error,
                "the world's key \"" + key + "\" has no \";\": the renderer reads no further keys");
      break;
    }
    for (std::string name : {value.substr(0, semicolon), value.substr(semicolon + 1)}) {
      if (!name.empty()) {  // the renderer finds no shader of no name
        found.push_back({"", key, std::move(name)});
      }
    }
  }
  for (TEntity_Reference& reference : found) {
    reference.Class_Name = class_name;
    references.Shader_Keys.push_back(std::move(reference));
  }
}

void Read_Entities(std::string_view text, TBSP_References& references) {
  Read_Remap_Keys(text, references);
  TEngine_Tokens tokens(text);
  TSpawn_Pairs pairs;
  bool world = true;
  while (Read_Spawn_Pairs(tokens, pairs, references.Error)) {
    const std::string* class_value = Last_Value(pairs, "classname");
    const std::string class_name = class_value != nullptr ? Game_Field(*class_value) : "";
    const auto add = [&](std::vector<TEntity_Reference>& list, const char* key, std::string name) {
      if (!name.empty()) {
        list.push_back({class_name, key, std::move(name)});
      }
    };
    for (const char* key : {"model", "model2"}) {
      const std::string* value = Last_Value(pairs, key);
      if (value != nullptr && (value->empty() || (*value)[0] != '*')) {
        add(references.Files, key, Game_Field(*value));
      }
    }
    const std::string* noise = First_Value(pairs, "noise");
    if (noise != nullptr && !noise->empty() && (*noise)[0] != '*') {
      add(references.Files, "noise", Noise_File(*noise));
    }
    const std::string* music = world ? First_Value(pairs, "music") : nullptr;
    if (music != nullptr) {
      TEngine_Tokens words(*music);
      for (int i = 0; i < 2; ++i) {
        add(references.Files, "music", words.Next());
      }
    }
    for (const char* key : {"targetShaderName", "targetShaderNewName"}) {
      const std::string* value = Last_Value(pairs, key);
      if (value != nullptr) {
        add(references.Shader_Keys, key, Game_Field(*value));
      }
    }
    world = false;
  }
}

}  // namespace

TBSP_Layout Read_BSP_Layout(std::string_view header, std::uint64_t file_size) {
  TBSP_Layout layout;
  layout.File_Size = file_size;
  if (header.size() < BSP_Header_Size || file_size < BSP_Header_Size) {
    layout.Error = "shorter than a map's header of 144 bytes";
    return layout;
  }
  if (header.substr(0, 4) != "IBSP") {
    layout.Error = "not a Quake 3 map: it does not begin with \"IBSP\"";
    return layout;
  }
  layout.Is_BSP = true;
  layout.Version = Get_Int32(header, 4);
  if (layout.Version != 46 && layout.Version != 47) {
    Add_Error(layout.Error, "version " + std::to_string(layout.Version) +
                                ", not 46 (or 47): the engine refuses the map");
  }
  std::vector<std::size_t> placed;
  for (std::size_t lump = 0; lump < BSP_Lump_Count; ++lump) {
    TBSP_Lump& entry = layout.Lumps[lump];
    entry.Offset = Get_Int32(header, 8 + lump * 8);
    entry.Length = Get_Int32(header, 12 + lump * 8);
    if (entry.Offset < 0 || entry.Length < 0) {
      Add_Error(layout.Error, Lump_Text(lump) + " has a negative offset or length");
    } else if (static_cast<std::uint64_t>(entry.Offset + entry.Length) > file_size) {
      Add_Error(layout.Error, Lump_Text(lump) + " ends at byte " +
                                  std::to_string(entry.Offset + entry.Length) +
                                  ", past the end of the file at " + std::to_string(file_size));
    } else if (entry.Length > 0 && entry.Offset < static_cast<std::int64_t>(BSP_Header_Size)) {
      Add_Error(layout.Error, Lump_Text(lump) + " lies in the header");
    } else if (entry.Length > 0) {
      placed.push_back(lump);
    }
  }
  std::sort(placed.begin(), placed.end(), [&](std::size_t a, std::size_t b) {
    return layout.Lumps[a].Offset < layout.Lumps[b].Offset;
  });
  std::int64_t reached = 0;
  std::size_t reaching = 0;
  for (const std::size_t lump : placed) {
    const TBSP_Lump& entry = layout.Lumps[lump];
    if (entry.Offset < reached) {
      Add_Error(layout.Error, Lump_Text(reaching) + " and " + Lump_Text(lump) + " overlap");
    }
    if (entry.Offset + entry.Length > reached) {
      reached = entry.Offset + entry.Length;
      reaching = lump;
    }
  }
  return layout;
}

std::uint64_t BSP_Reference_Bytes(const TBSP_Layout& layout) {
  std::uint64_t needed = BSP_Header_Size;
  for (const std::size_t lump :
       {BSP_Entity_Lump, BSP_Shader_Lump, BSP_Fog_Lump, BSP_Surface_Lump}) {
    const TBSP_Lump& entry = layout.Lumps[lump];
    if (entry.Offset >= 0 && entry.Length > 0) {
      needed = std::max(needed, static_cast<std::uint64_t>(entry.Offset + entry.Length));
    }
  }
  return std::min(needed, std::max<std::uint64_t>(layout.File_Size, BSP_Header_Size));
}

TBSP_References Read_BSP_References(std::string_view bytes, std::uint64_t file_size) {
  TBSP_References references;
  const TBSP_Layout layout = Read_BSP_Layout(bytes.substr(0, BSP_Header_Size), file_size);
  references.Error = layout.Error;
  if (!layout.Is_BSP) {
    return references;
  }
  const std::string_view shader_bytes =
      Lump_Bytes(bytes, layout, BSP_Shader_Lump, references.Error);
  references.Shaders = Entry_Names(shader_bytes, BSP_Shader_Lump,
                                   layout.Lumps[BSP_Shader_Lump].Length, references.Error);
  references.Surface_Shaders = Surface_Shader_Names(
      shader_bytes, Lump_Bytes(bytes, layout, BSP_Surface_Lump, references.Error),
      layout.Lumps[BSP_Surface_Lump].Length, references.Error);
  references.Fog_Shaders =
      Entry_Names(Lump_Bytes(bytes, layout, BSP_Fog_Lump, references.Error), BSP_Fog_Lump,
                  layout.Lumps[BSP_Fog_Lump].Length, references.Error);
  Read_Entities(Lump_Bytes(bytes, layout, BSP_Entity_Lump, references.Error), references);
  return references;
}

}  // namespace vorlix
