#pragma once
// What the renderer reads from a shader script (scripts/*.shader): the shaders it defines and the
// image files each definition's stages and sky boxes load, read with the engine's tokens
// (content/engine_tokens.h) and its rules:
// - before anything else the engine checks the file's shape: a name, a lone "{" and a braced
//   section, again and again; a file failing that (an opening or a closing brace missing) is
//   ignored whole;
// - it then reads the file compressed (content/engine_tokens.h: Compress_Script) and finds the
//   definitions as name and braced section; a definition is parsed like the engine's shader
//   parser, whose parameters end at the line's end, and a fault (an unknown keyword, a stage
//   never closed, a parameter missing) ends the definition there: the engine then draws the
//   default shader, and the images after the fault are never loaded;
// - images: `map` (except $whiteimage and $lightmap, and $deluxemap of the second renderer),
//   `clampMap`, the first 8 frames of `animMap` (after its frequency), the six faces
//   "<box>_rt.tga" ... "<box>_dn.tga" of each of `skyParms`' far and near box ("-" naming none),
//   kept apart;
//   `videoMap` names a film, not an image; the renderer's own images ("*white", "*default",
//   "*identityLight", "*scratch", "*dlight", "*fog", "*lightmap<N>", exactly so written) are no
//   files;
// - names are compared ignoring letter case; kept here in lower case with "\" as "/".
// Time and memory grow linearly with the text; hostile text ends the reading with an error text.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlix {

struct TShader_Definition {
  std::string Name;  // lower case, "\" as "/"
  // The image files the definition's stages load, as written, each once, in the order of the
  // text.
  std::vector<std::string> Images;
  // The six faces of its sky boxes. The renderer looks for them without a word when one is
  // missing and then draws the sky without that box (measured on ioquake3 1.36: OpenArena's
  // maps name a far box "full" that no archive holds, and nothing is told).
  std::vector<std::string> Sky_Box_Images;
  // "" or why the engine gives up this definition and draws the default shader instead.
  std::string Fault;
};

struct TShader_Script {
  // In the order of the text; a name defined twice is listed twice (the first one counts).
  std::vector<TShader_Definition> Definitions;
  // True when the engine ignores the whole file; Definitions then holds what stood before the
  // fault, for telling the user.
  bool Ignored_By_Engine = false;
  // "" or what is wrong with the file as a whole.
  std::string Error;
};

// At most this many definitions are read from one script; the rest is reported.
inline constexpr std::size_t Shader_Definition_Limit = 100000;

TShader_Script Read_Shader_Script(std::string_view text);

// A shader name as the lists here keep it: lower case, "\" as "/".
std::string Shader_Key(std::string_view name);
// The key of the definition the engine looks for when a map or an entity names a shader: the
// name without its extension, cut to 63 characters (a definition named with an extension is never
// found).
std::string Shader_Lookup_Key(std::string_view requested);

// The order in which a renderer tries the image formats it loads.
enum class TImage_Order {
  Tga_First,  // tga, jpg, jpeg, png, pcx, bmp: ioquake3's first renderer (opengl1)
  Png_First,  // png, tga, jpg, jpeg, pcx, bmp: its second renderer (opengl2)
};

// The image extensions the renderer tries, in its order.
const std::array<std::string_view, 6>& Image_Extensions(TImage_Order order);

// The file names a renderer tries for an image, in its order, in lower case with "\" as "/"
// (the file system compares them so): the name as written when its extension is one the
// renderer loads, then the name without that extension with each other extension; a name
// without a known extension (also "a.xyz") gets each extension appended. The engine cuts the name
// to 63 characters first. Measured on ioquake3 1.36 (Debian build of 2022-11-23, which the
// openarena program runs too, with opengl2 as its default renderer) by watching which files it
// opened: opengl1 tried "noext" as noext.tga, .jpg, .jpeg, .png, .pcx, .bmp and "a.png" as a.png,
// a.tga, a.jpg, ...; opengl2 tried noext.png first, then .tga, .jpg, .jpeg, .pcx, .bmp; both
// served "caseprobe.tga" from an archive member "CaseProbe.TGA".
std::vector<std::string> Image_Candidates(std::string_view name, TImage_Order order);

// Where one definition of a shader name stands, for Winning_Definition.
struct TShader_Origin {
  // The place of the folder or archive holding the script in the engine's search order, 0 for
  // the one searched first: the MOD's before the base game's, within a folder its loose files
  // first, then its archives from the one sorting last back to the one sorting first.
  std::size_t Search_Position = 0;
  // The script's place among the members of its archive in the archive's own directory order
  // (for loose files: their place in the folder's listing).
  std::size_t Member_Position = 0;
  std::string Script;                   // its path, e.g. "scripts/sky.shader"
  std::size_t Definition_Position = 0;  // among the definitions of its script
};

// Which of several definitions of one shader name the engine uses; nullopt for none.
// A script path found in several places is read only from the place searched first; the others
// do not count. Then, with `later_archive_wins` false (ioquake3 and engines like it), the
// definition furthest back in the search order wins: the base game's over a MOD's, an archive
// sorting earlier over one sorting later, an archive over the loose files of its folder, within
// an archive the script later in its directory, within a script the first definition. Measured
// on ioquake3 1.36 (the Debian build, also run as openarena) with generated archives defining
// the shader "sun" with a stage naming a missing image: the console's "R_FindImageFile could
// not find" line named a_first.pk3's image against b_second.pk3 whatever the script names were,
// aaa.shader's or zzz.shader's in one archive as its directory listed them last, the first of
// two in one script, the base game's against a MOD's. With `later_archive_wins` true (the
// engines whose later archives override, as the engine table says of Quake3e; not measured
// here) the definition nearest the front of the search order wins, and within one place the
// first listed.
std::optional<std::size_t> Winning_Definition(const std::vector<TShader_Origin>& origins,
                                              bool later_archive_wins);

}  // namespace vorlix
