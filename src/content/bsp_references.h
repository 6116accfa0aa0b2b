#pragma once
// What a Quake 3 map file (IBSP) names that must come from elsewhere: the shaders of its shader
// and fog lumps, and the files and shaders its entities name for the game and the renderer.
//
// The header is "IBSP", a version and 17 lumps of offset and length. ioquake3 loads version 46;
// 47 (same lumps) is taken too, as other engines load it. Shader lump (1) and fog lump (12) hold
// 72-byte entries beginning with a 64-byte name. The entity text (lump 0) is read with the
// engine's tokens as the game reads it: blocks of key and value pairs; the game stops the map at a
// block that does not open with "{", a value that is "}" or missing, more than 64 pairs or 4,096
// characters in one entity, and so does this reader, keeping what came before.
//
// Entity keys read (key names ignoring letter case):
// - "model" not naming an inline model ("*1"), "model2": model files (a misc_model's model is
//   built into the map by the compiler and the game removes the entity; the class is kept so
//   that the caller can tell);
// - "noise" not beginning with "*" (a player's own sound): a sound, with ".wav" added when the
//   name holds no ".wav", as the game does;
// - "music" of the first entity (the world): the intro and loop files, its first two words;
// - "targetShaderName", "targetShaderNewName": shaders the game swaps when the entity is used;
// - of the first entity, keys beginning with "remapshader" or "vertexremapshader" (exactly so
//   written, as the renderer compares them): "old;new" shader pairs; the renderer stops reading
//   the world's keys at a value without ";".
// The game takes "noise" and "music" from the first pair of their key and the entity's fields
// ("classname", "model", "model2", "targetShaderName", "targetShaderNewName") from the last, and
// its copy of a field keeps a "\" but drops the character after it ("\n" becomes a line
// break).
//
// The needed bytes: lump offsets come from the header's first 144 bytes (BSP_Header_Size), and
// the references need the file up to the end of the furthest of lumps 0, 1, 12 and 13
// (BSP_Reference_Bytes). Compilers write the shader lump first, right after the header, but the
// entity and fog lumps near the end (after the light maps and the surfaces), so this is most of
// the file.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorlix {

inline constexpr std::size_t BSP_Lump_Count = 17;
inline constexpr std::size_t BSP_Header_Size = 8 + BSP_Lump_Count * 8;
inline constexpr std::size_t BSP_Entity_Lump = 0;
inline constexpr std::size_t BSP_Shader_Lump = 1;
inline constexpr std::size_t BSP_Fog_Lump = 12;
inline constexpr std::size_t BSP_Surface_Lump = 13;

struct TBSP_Lump {
  std::int64_t Offset = 0;  // as stored (signed 32-bit)
  std::int64_t Length = 0;
};

struct TBSP_Layout {
  bool Is_BSP = false;  // "IBSP" and a whole header
  std::int32_t Version = 0;
  std::uint64_t File_Size = 0;
  std::array<TBSP_Lump, BSP_Lump_Count> Lumps{};
  // "" or what is wrong with the header: a version no engine loads, lumps with negative offsets
  // or lengths, passing the end of the file, lying in the header or overlapping one another.
  std::string Error;
};

// The layout from the first BSP_Header_Size bytes of a map file of `file_size` bytes.
TBSP_Layout Read_BSP_Layout(std::string_view header, std::uint64_t file_size);

// How many bytes from the start of the file Read_BSP_References needs: up to the end of the
// furthest of the entity, shader, fog and surface lumps that lie within the file (at least the
// header).
std::uint64_t BSP_Reference_Bytes(const TBSP_Layout& layout);

struct TEntity_Reference {
  std::string Class_Name;  // the entity's "classname"
  std::string Key;         // the game's spelling; a remap key as written
  std::string Name;        // the file or shader named
};

struct TBSP_References {
  std::vector<std::string> Shaders;  // the shader lump's names in order, empty ones left out
  // Those the map's surfaces draw with, each once, in the shader lump's order: the renderer
  // loads no other of them (the compiler keeps the entries of brush sides that became no
  // surface, such as caulk or clip).
  std::vector<std::string> Surface_Shaders;
  std::vector<std::string> Fog_Shaders;        // the fog lump's shader names in order
  std::vector<TEntity_Reference> Files;        // models, sounds and music, in the entities' order
  std::vector<TEntity_Reference> Shader_Keys;  // shaders named by entity keys
  // "" or what was wrong; whatever could be read is kept beside it.
  std::string Error;
};

// The references of a map file of `file_size` bytes whose first bytes are `bytes` (the whole file
// or at least BSP_Reference_Bytes of it; lumps beyond `bytes` are reported, not read).
TBSP_References Read_BSP_References(std::string_view bytes, std::uint64_t file_size);
inline TBSP_References Read_BSP_References(std::string_view bytes) {
  return Read_BSP_References(bytes, bytes.size());
}

}  // namespace vorlix
