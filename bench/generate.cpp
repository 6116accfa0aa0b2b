// vorlix-bench-gen: writes a game installation for the benchmark, and a maps tree for it.
//
//   vorlix-bench-gen install GAME_DIR --archives N --maps M [--mods K] [--bsp-min KB]
//                    [--bsp-median KB] [--bsp-max KB] [--seed S]
//   vorlix-bench-gen tree PROGRAM_DIR GAME_DIR
//   vorlix-bench-gen history PROGRAM_DIR [--launches N] [--seed S] [--now T]
//
// "install" writes GAME_DIR/QUAKE3.EXE and N pk3 archives spread over baseq3 and K-1 other MOD
// directories. Every 25th archive is a texture pack (the first one the base game's pak0.pk3, with
// the map objects' models, world sounds and music beside its texture sets): sets of images below
// textures/SET/, half the packs with a shader script defining shaders over them (stages with
// `map`, `animMap`, sky boxes below env/ through `skyParms`, fogs). The other archives hold the M
// maps (1 to 10 each) with their own texture set, often a shader script, models, sounds and
// music: tens to hundreds of members. Each map is an "IBSP" file whose size follows a log-normal
// law between the given bounds, whose bulk compresses about as well as real map geometry and
// lightmaps (about 3:1); its shader lump (right after the header) names textures of its own set,
// of the packs its MOD directory sees, the compiler's undrawn tool shaders (nodraw), and now and
// then textures no archive has or only another MOD's pack has; its surface lump (after the shader
// lump) draws with all but the tool shaders; its entity lump lies near the end (models, sounds and
// music named there, some of them missing), followed by the fog lump and the draw indexes as map
// compilers write them. Archives also hold .aas files, JPG and TGA levelshots, arena scripts and,
// in some, bot definitions with icons and sounds; a few hold copies of the base pack's images or a
// map another archive has too.
//
// Images, models and sounds are a few small files deflated once and stored again and again: the
// check reads only central directories and the synchronisation only the maps.
//
// Big maps are not compressed one by one: a pool of deflated blocks, each compressed on its own
// and ended with a full flush, is chained into each member's deflate stream, and the member's
// CRC is combined from the blocks' CRCs. Every archive still differs in its titles, sizes,
// headers and tails, and inflating it costs what inflating real maps of that size costs.
//
// "tree" reads the program directory's mapsdb.dat (written by a synchronisation) and writes its
// mapstree.dat with every second present map placed in one of a hundred groups.
//
// "history" reads the same mapsdb.dat and writes the program directory's history.dat: N launches
// (default 100,000) of its present maps over the two years before T (seconds since 1970; default
// now), with favourites and a play-later queue (see Make_History). The same seed, database and T
// give the same file.

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <numeric>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

#include "browser/maps_tree.h"
#include "builders.h"
#include "core/game_types.h"
#include "core/interaction.h"
#include "database/database_file.h"
#include "database/play_history.h"
#include "database/records.h"
#include "silent_interaction.h"

namespace fs = std::filesystem;
using vorlix::testing::Dos_Date_Time;

namespace {

// ---- deflate pieces ---------------------------------------------------------------------------

// A piece of a member's raw deflate stream: compressed bytes that end on a byte boundary with no
// reference to earlier data, so pieces can be chained.
struct TPiece {
  std::string Compressed;
  std::uint32_t Crc = 0;
  std::uint64_t Size = 0;  // uncompressed
};

TPiece Deflate_Piece(const std::string& data, bool last, int level = 6) {
  z_stream z{};
  if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2 failed");
  }
  TPiece piece;
  piece.Compressed.resize(deflateBound(&z, data.size()) + 64);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(piece.Compressed.data());
  z.avail_out = static_cast<uInt>(piece.Compressed.size());
  const int rc = deflate(&z, last ? Z_FINISH : Z_FULL_FLUSH);
  if ((last && rc != Z_STREAM_END) || (!last && rc != Z_OK) || z.avail_in != 0) {
    deflateEnd(&z);
    throw std::runtime_error("deflate failed");
  }
  piece.Compressed.resize(piece.Compressed.size() - z.avail_out);
  deflateEnd(&z);
  piece.Crc = static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
  piece.Size = data.size();
  return piece;
}

// ---- map-like bytes ---------------------------------------------------------------------------

void Put_U32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) {
    out.push_back(static_cast<char>((v >> (8 * i)) & 0xFFu));
  }
}

void Put_Float(std::string& out, float f) {
  std::uint32_t v = 0;
  std::memcpy(&v, &f, 4);
  Put_U32(out, v);
}

// Draw vertices: position, texture and lightmap coordinates, normal, colour (44 bytes each),
// walking along surfaces as a compiler emits them.
void Append_Vertices(std::string& out, std::size_t bytes, std::mt19937& rng) {
  std::uniform_real_distribution<float> step(-16.0F, 16.0F);
  std::uniform_int_distribution<int> axis(0, 5);
  float x = 0;
  float y = 0;
  float z = 0;
  const std::size_t end = out.size() + bytes;
  while (out.size() + 44 <= end) {
    x += std::round(step(rng));
    y += std::round(step(rng));
    z += axis(rng) == 0 ? 8.0F : 0.0F;
    Put_Float(out, x);
    Put_Float(out, y);
    Put_Float(out, z);
    Put_Float(out, x / 64.0F);
    Put_Float(out, y / 64.0F);
    Put_Float(out, std::round(x) / 128.0F);
    Put_Float(out, std::round(y) / 128.0F);
    const int a = axis(rng);
    Put_Float(out, a == 0 ? 1.0F : 0.0F);
    Put_Float(out, a == 1 ? 1.0F : 0.0F);
    Put_Float(out, a >= 2 ? 1.0F : 0.0F);
    Put_U32(out, 0xFFFFFFFFu);
  }
  out.resize(end, '\0');
}

// Lightmaps: 128 x 128 RGB, smooth light with noise.
void Append_Lightmap(std::string& out, std::size_t bytes, std::mt19937& rng) {
  std::uniform_int_distribution<int> noise(-6, 6);
  std::uniform_int_distribution<int> base(40, 200);
  int level = base(rng);
  for (std::size_t i = 0; i < bytes; ++i) {
    if (i % 384 == 0) {
      level = std::clamp(level + noise(rng), 0, 255);
    }
    const int v = std::clamp(level + noise(rng) / 2, 0, 255);
    out.push_back(static_cast<char>(v));
  }
}

// Surfaces, brushes, planes: small integers and repeating structures.
void Append_Tables(std::string& out, std::size_t bytes, std::mt19937& rng) {
  std::uniform_int_distribution<int> small(0, 300);
  const std::size_t end = out.size() + bytes;
  std::uint32_t counter = 0;
  while (out.size() + 16 <= end) {
    Put_U32(out, counter++);
    Put_U32(out, static_cast<std::uint32_t>(small(rng)));
    Put_U32(out, counter % 7 == 0 ? 0xFFFFFFFFu : 0u);
    Put_U32(out, static_cast<std::uint32_t>(small(rng) / 32));
  }
  out.resize(end, '\0');
}

// One block of lump data: a mix of the kinds above.
std::string Lump_Block(std::size_t size, std::mt19937& rng) {
  std::string block;
  block.reserve(size);
  std::uniform_int_distribution<int> kind(0, 9);
  while (block.size() < size) {
    const std::size_t part = std::min<std::size_t>(std::size_t{16} * 1024, size - block.size());
    const int k = kind(rng);
    if (k < 4) {
      Append_Vertices(block, part, rng);
    } else if (k < 7) {
      Append_Lightmap(block, part, rng);
    } else if (k < 9) {
      Append_Tables(block, part, rng);
    } else {
      block.append(part, '\0');  // visibility data of open areas
    }
  }
  return block;
}

// ---- pictures ---------------------------------------------------------------------------------

std::string Picture_Pixels(int width, int height, std::mt19937& rng) {
  std::string pixels(static_cast<std::size_t>(width * height * 3), '\0');
  std::uniform_int_distribution<int> colour(0, 255);
  const int r = colour(rng);
  const int g = colour(rng);
  const int b = colour(rng);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                              static_cast<std::size_t>(x)) *
                             3;
      pixels[at] = static_cast<char>((r + x) & 0xFF);
      pixels[at + 1] = static_cast<char>((g + y) & 0xFF);
      pixels[at + 2] = static_cast<char>((b + x * y / 64) & 0xFF);
    }
  }
  return pixels;
}

void Append_To_String(void* context, void* data, int size) {
  static_cast<std::string*>(context)->append(static_cast<const char*>(data),
                                             static_cast<std::size_t>(size));
}

std::string Jpeg(int width, int height, std::mt19937& rng) {
  const std::string pixels = Picture_Pixels(width, height, rng);
  std::string out;
  stbi_write_jpg_to_func(&Append_To_String, &out, width, height, 3, pixels.data(), 85);
  return out;
}

std::string Tga(int width, int height, std::mt19937& rng) {
  const std::string pixels = Picture_Pixels(width, height, rng);
  std::string out;
  stbi_write_tga_with_rle = 0;
  stbi_write_tga_to_func(&Append_To_String, &out, width, height, 3, pixels.data());
  return out;
}

// ---- ZIP writer -------------------------------------------------------------------------------

class TZip_Writer {
 public:
  explicit TZip_Writer(const std::string& path) : Out_(path, std::ios::binary | std::ios::trunc) {
    if (!Out_) {
      throw std::runtime_error("cannot write " + path);
    }
  }

  // A member made of chained pieces (the last one finished), or stored when `stored`.
  void Add(const std::string& name, const std::vector<const TPiece*>& pieces, std::int32_t dos) {
    TCentral_Record entry;
    entry.Name = name;
    entry.Method = 8;
    entry.Dos = dos;
    entry.Offset = Position_;
    for (const TPiece* piece : pieces) {
      entry.Crc = static_cast<std::uint32_t>(
          crc32_combine(entry.Crc, piece->Crc, static_cast<z_off_t>(piece->Size)));
      entry.Compressed += piece->Compressed.size();
      entry.Size += piece->Size;
    }
    Local_Header(entry);
    for (const TPiece* piece : pieces) {
      Write(piece->Compressed);
    }
    Central_.push_back(entry);
  }

  void Add_Data(const std::string& name, const std::string& data, std::int32_t dos) {
    const TPiece piece = Deflate_Piece(data, true);
    Add(name, {&piece}, dos);
  }

  void Add_Directory(const std::string& name, std::int32_t dos) {
    TCentral_Record entry;
    entry.Name = name;
    entry.Method = 0;
    entry.Dos = dos;
    entry.Offset = Position_;
    entry.Directory = true;
    Local_Header(entry);
    Central_.push_back(entry);
  }

  void Finish() {
    const std::uint64_t start = Position_;
    for (const TCentral_Record& entry : Central_) {
      std::string h;
      Put_U32(h, 0x02014b50u);
      Put_U16(h, (3 << 8) | 20);  // made by Unix
      Put_U16(h, 20);
      Put_U16(h, 0);
      Put_Entry_Fields(h, entry);
      Put_U16(h, 0);
      Put_U16(h, 0);
      Put_U16(h, 0);
      Put_U16(h, 0);
      Put_U32(h, entry.Directory ? ((040755u << 16) | 0x10u) : (0100644u << 16));
      Put_U32(h, static_cast<std::uint32_t>(entry.Offset));
      h += entry.Name;
      Write(h);
    }
    std::string end;
    Put_U32(end, 0x06054b50u);
    Put_U16(end, 0);
    Put_U16(end, 0);
    Put_U16(end, static_cast<int>(Central_.size()));
    Put_U16(end, static_cast<int>(Central_.size()));
    Put_U32(end, static_cast<std::uint32_t>(Position_ - start));
    Put_U32(end, static_cast<std::uint32_t>(start));
    Put_U16(end, 0);
    Write(end);
    Out_.close();
    if (!Out_) {
      throw std::runtime_error("cannot finish an archive");
    }
  }

 private:
  struct TCentral_Record {
    std::string Name;
    int Method = 8;
    std::int32_t Dos = 0;
    std::uint32_t Crc = 0;
    std::uint64_t Compressed = 0;
    std::uint64_t Size = 0;
    std::uint64_t Offset = 0;
    bool Directory = false;
  };

  static void Put_U16(std::string& out, int v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
  }

  // Method, date-time, CRC, both sizes and the name's length: the same in both headers.
  static void Put_Entry_Fields(std::string& h, const TCentral_Record& entry) {
    Put_U16(h, entry.Method);
    Put_U32(h, static_cast<std::uint32_t>(entry.Dos));
    Put_U32(h, entry.Crc);
    Put_U32(h, static_cast<std::uint32_t>(entry.Compressed));
    Put_U32(h, static_cast<std::uint32_t>(entry.Size));
    Put_U16(h, static_cast<int>(entry.Name.size()));
  }

  void Local_Header(const TCentral_Record& entry) {
    std::string h;
    Put_U32(h, 0x04034b50u);
    Put_U16(h, 20);
    Put_U16(h, 0);
    Put_Entry_Fields(h, entry);
    Put_U16(h, 0);
    h += entry.Name;
    Write(h);
  }

  void Write(const std::string& bytes) {
    Out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    Position_ += bytes.size();
  }

  std::ofstream Out_;
  std::uint64_t Position_ = 0;
  std::vector<TCentral_Record> Central_;
};

// ---- the installation -------------------------------------------------------------------------

struct TInstall_Options {
  std::string Game_Dir;
  int Archives = 300;
  int Maps = 1500;
  int Mods = 4;
  std::size_t Bsp_Min = std::size_t{1} << 20;
  std::size_t Bsp_Median = std::size_t{4} << 20;
  std::size_t Bsp_Max = std::size_t{12} << 20;
  unsigned Seed = 1;
};

constexpr std::size_t Block_Size = std::size_t{256} * 1024;
constexpr std::size_t Header_Size = 8 + 17 * 8;

const char* const Words[] = {"arena",   "castle", "temple", "fort",  "pit",   "void", "tower",
                             "lava",    "gothic", "space",  "base",  "ruin",  "yard", "hall",
                             "citadel", "forge",  "abyss",  "ridge", "vault", "crypt"};

std::string Word(std::mt19937& rng) {
  std::uniform_int_distribution<std::size_t> pick(0, std::size(Words) - 1);
  return Words[pick(rng)];
}

// Map counts per archive, 1 to 10 each, adding up to `maps`.
std::vector<int> Map_Counts(int archives, int maps, std::mt19937& rng) {
  if (maps < archives || maps > archives * 10) {
    throw std::runtime_error(
        "between 1 and 10 maps per map archive (every 25th archive holds textures): check --maps");
  }
  std::vector<int> counts(static_cast<std::size_t>(archives), 1);
  std::uniform_int_distribution<int> pick(0, archives - 1);
  for (int left = maps - archives; left > 0;) {
    int& c = counts[static_cast<std::size_t>(pick(rng))];
    if (c < 10) {
      ++c;
      --left;
    }
  }
  return counts;
}

// The header of a map laid out as compilers write it: the shader lump right after the header,
// the surfaces, the bulk, the entity lump, the fog lump and the draw indexes (lump 16) at the
// end. Lumps without data point at the end of the header.
struct TBsp_Layout {
  std::uint32_t Shaders = 0;  // lump lengths
  std::uint32_t Surfaces = 0;
  std::uint32_t Body = 0;
  std::uint32_t Entities = 0;
  std::uint32_t Fogs = 0;
  std::uint32_t Tail = 0;
};

std::string Bsp_Header(const TBsp_Layout& l) {
  std::uint32_t at[17];
  std::uint32_t length[17];
  std::fill(std::begin(at), std::end(at), static_cast<std::uint32_t>(Header_Size));
  std::fill(std::begin(length), std::end(length), 0U);
  const auto place = [&](int lump, std::uint32_t offset, std::uint32_t size) {
    at[lump] = offset;
    length[lump] = size;
  };
  const std::uint32_t entities =
      static_cast<std::uint32_t>(Header_Size) + l.Shaders + l.Surfaces + l.Body;
  place(1, static_cast<std::uint32_t>(Header_Size), l.Shaders);
  place(13, static_cast<std::uint32_t>(Header_Size) + l.Shaders, l.Surfaces);
  place(0, entities, l.Entities);
  place(12, entities + l.Entities, l.Fogs);
  place(16, entities + l.Entities + l.Fogs, l.Tail);
  std::string header = "IBSP";
  Put_U32(header, 46);
  for (int lump = 0; lump < 17; ++lump) {
    Put_U32(header, at[lump]);
    Put_U32(header, length[lump]);
  }
  return header;
}

// ---- what the maps name -----------------------------------------------------------------------

constexpr std::uint32_t Surface_Sky = 0x4;
constexpr std::uint32_t Surface_Nodraw = 0x80;
constexpr std::uint32_t Surface_Hint = 0x100;

// One entry of a shader or fog lump: a 64-byte name, surface and content flags.
struct TLump_Shader {
  std::string Name;
  std::uint32_t Surface_Flags = 0;
};

std::string Shader_Lump(const std::vector<TLump_Shader>& shaders) {
  std::string lump;
  for (const TLump_Shader& shader : shaders) {
    std::string name(64, '\0');
    name.replace(0, std::min<std::size_t>(shader.Name.size(), 63), shader.Name, 0, 63);
    lump += name;
    Put_U32(lump, shader.Surface_Flags);
    Put_U32(lump, 1);  // solid
  }
  return lump;
}

// The surface lump (104-byte entries, the first field numbering the shader): one to four
// surfaces for each shader but the undrawn ones, whose entries the compiler keeps for brush sides
// that became no surface.
std::string Surface_Lump(const std::vector<TLump_Shader>& shaders, std::mt19937& rng) {
  std::string lump;
  for (std::size_t s = 0; s < shaders.size(); ++s) {
    if ((shaders[s].Surface_Flags & Surface_Nodraw) != 0) {
      continue;
    }
    for (int k = std::uniform_int_distribution<int>(1, 4)(rng); k > 0; --k) {
      const std::size_t at = lump.size();
      Put_U32(lump, static_cast<std::uint32_t>(s));
      Put_U32(lump, 0xFFFFFFFFU);  // no fog
      Put_U32(lump, 1);            // planar
      lump.resize(at + 104, '\0');
    }
  }
  return lump;
}

// A set of textures below textures/NAME/ and what its archive's shader script says of it.
struct TTexture_Set {
  std::string Name;
  std::vector<std::string> Members;  // every image file of the set: textures, glow and sky faces
  std::vector<std::string> Names;    // what a map names: images without extension, shaders
  std::string Sky;                   // the sky shader, when the script has one
  std::string Fog;                   // the fog shader, when the script has one
};

const char* const Surfaces[] = {"block", "floor", "trim",  "light", "metal", "stone",
                                "panel", "pipe",  "grate", "rust",  "tile",  "beam"};

// A set of `count` images; with `script`, shader definitions for it are appended there: a glow
// stage over some images, an animated shader, sometimes a sky whose box lies below env/ and a fog,
// and now and then a stage naming an image no archive ships.
TTexture_Set Make_Set(const std::string& name, int count, std::string* script, std::mt19937& rng) {
  std::uniform_int_distribution<int> percent(0, 99);
  TTexture_Set set;
  set.Name = name;
  const std::string dir = "textures/" + name + "/";
  for (int i = 0; i < count; ++i) {
    const std::string stem =
        Surfaces[static_cast<std::size_t>(i) % std::size(Surfaces)] + std::to_string(10 + i);
    set.Members.push_back(dir + stem + (percent(rng) < 40 ? ".tga" : ".jpg"));
    set.Names.push_back(dir + stem);
    if (script == nullptr || percent(rng) >= 20) {
      continue;
    }
    const std::string& image = set.Members.back();
    script->append(dir).append(stem).append("\n{\n\tqer_editorimage ").append(image);
    script->append(
        "\n\tq3map_surfacelight 400\n\t{\n\t\tmap $lightmap\n\t\trgbGen identity\n\t}\n");
    script->append("\t{\n\t\tmap ").append(image);
    script->append("\n\t\tblendFunc GL_DST_COLOR GL_ZERO\n\t}\n\t{\n\t\tmap ").append(dir);
    script->append(stem).append("_glow.tga\n\t\tblendFunc GL_ONE GL_ONE\n");
    script->append("\t\trgbGen wave sin 0.5 0.5 0 1\n\t}\n}\n\n");
    set.Members.push_back(dir + stem + "_glow.tga");
  }
  if (script == nullptr) {
    return set;
  }
  *script += dir + "anim\n{\n\tsurfaceparm nomarks\n\t{\n\t\tanimMap 4";
  for (int f = 1; f <= 4; ++f) {
    *script += " " + dir + "anim_" + std::to_string(f) + ".tga";
    set.Members.push_back(dir + "anim_" + std::to_string(f) + ".tga");
  }
  *script += "\n\t\tblendFunc add\n\t}\n}\n\n";
  set.Names.push_back(dir + "anim");
  if (percent(rng) < 30) {
    set.Sky = dir + "sky";
    *script += set.Sky + "\n{\n\tqer_editorimage env/" + name +
               "/sky_up.tga\n\tsurfaceparm sky\n\tsurfaceparm noimpact\n\tq3map_sun 1 1 1 100 "
               "220 50\n\tskyParms env/" +
               name + "/sky 512 -\n}\n\n";
    for (const char* face : {"rt", "bk", "lf", "ft", "up", "dn"}) {
      set.Members.push_back("env/" + name + "/sky_" + face + ".tga");
    }
  }
  if (percent(rng) < 30) {
    set.Fog = dir + "fog";
    *script += set.Fog +
               "\n{\n\tsurfaceparm trans\n\tsurfaceparm nonsolid\n\tsurfaceparm fog\n"
               "\tfogparms ( 0.4 0.3 0.2 ) 640\n}\n\n";
  }
  if (percent(rng) < 8) {
    set.Names.push_back(dir + "fx");
    *script += dir + "fx\n{\n\t{\n\t\tmap " + dir + "fx_beta.tga\n\t\ttcMod scroll 0 1\n\t}\n}\n\n";
  }
  return set;
}

// A texture pack: a few sets, half the packs with a shader script.
struct TTexture_Pack {
  std::string MOD;
  std::string File;
  std::vector<TTexture_Set> Sets;
  std::string Script_Name;
  std::string Script;
  std::vector<std::string> Extra;  // models and sounds (the base pack)
};

// Pre-deflated small files that every image, model and sound member of the installation reuses:
// the check reads only the central directories, the scan only the maps.
struct TFile_Pool {
  std::vector<TPiece> Jpgs;
  std::vector<TPiece> Tgas;
  std::vector<TPiece> Other;

  explicit TFile_Pool(std::mt19937& rng) {
    for (int i = 0; i < 8; ++i) {
      Jpgs.push_back(Deflate_Piece(Jpeg(16, 16, rng), true));
      Tgas.push_back(Deflate_Piece(Tga(16, 16, rng), true));
      std::string blob;
      Append_Tables(blob, std::size_t{2048} * static_cast<std::size_t>(i + 1), rng);
      Other.push_back(Deflate_Piece(blob, true));
    }
  }

  const TPiece& For(const std::string& name, std::mt19937& rng) const {
    const std::vector<TPiece>& pool = name.ends_with(".jpg")   ? Jpgs
                                      : name.ends_with(".tga") ? Tgas
                                                               : Other;
    return pool[std::uniform_int_distribution<std::size_t>(0, pool.size() - 1)(rng)];
  }
};

const char* const Model_Words[] = {"lamp", "chain", "banner", "skull", "torch", "fan", "pipe"};
const char* const Sound_Words[] = {"wind", "drip", "hum", "fire", "water", "machine"};

// The texture packs: the first archive is the base game's large one (pak0.pk3: many sets, the
// map objects' models, world sounds and music), then every 25th archive holds a few sets.
std::vector<TTexture_Pack> Plan_Texture_Packs(int archives, const std::vector<std::string>& mods,
                                              std::mt19937& rng) {
  std::uniform_int_distribution<int> percent(0, 99);
  std::vector<TTexture_Pack> packs;
  for (int a = 0; a < archives; a += 25) {
    TTexture_Pack pack;
    const bool base = a == 0;
    pack.MOD = base || percent(rng) < 60
                   ? mods[0]
                   : mods[std::uniform_int_distribution<std::size_t>(0, mods.size() - 1)(rng)];
    const std::string word = Word(rng);
    const int style = percent(rng);
    pack.File = base         ? "pak0.pk3"
                : style < 30 ? "tex-" + word + std::to_string(a) + ".pk3"
                : style < 55 ? "zzz-" + word + std::to_string(a) + "-textures.pk3"
                : style < 75 ? "AAA_" + word + std::to_string(a) + "_TEX.PK3"
                             : word + std::to_string(a) + "_textures.pk3";
    const int sets = base ? 12 : std::uniform_int_distribution<int>(2, 4)(rng);
    const bool scripted = base || percent(rng) < 50;
    for (int s = 0; s < sets; ++s) {
      const std::string name = (base ? "base_" : word + std::to_string(a) + "_") +
                               std::string(Surfaces[static_cast<std::size_t>(s) % 12]) +
                               std::to_string(s);
      const int count = base ? std::uniform_int_distribution<int>(40, 120)(rng)
                             : std::uniform_int_distribution<int>(15, 60)(rng);
      pack.Sets.push_back(Make_Set(name, count, scripted ? &pack.Script : nullptr, rng));
    }
    if (scripted) {
      pack.Script_Name =
          "scripts/" + (base ? std::string("base") : word + std::to_string(a)) + ".shader";
    }
    if (base) {
      for (const char* model : Model_Words) {
        for (int k = 1; k <= 4; ++k) {
          pack.Extra.push_back("models/mapobjects/" + std::string(model) + "/" + model +
                               std::to_string(k) + ".md3");
        }
      }
      for (const char* sound : Sound_Words) {
        for (int k = 1; k <= 5; ++k) {
          pack.Extra.push_back("sound/world/" + std::string(sound) + std::to_string(k) + ".wav");
        }
      }
      for (int k = 1; k <= 6; ++k) {
        pack.Extra.push_back("music/sonic" + std::to_string(k) + ".wav");
      }
    }
    packs.push_back(std::move(pack));
  }
  return packs;
}

void Write_Texture_Pack(const std::string& game_dir, const TTexture_Pack& pack,
                        const TFile_Pool& files, std::int32_t dos, std::mt19937& rng) {
  TZip_Writer zip((fs::path(game_dir) / pack.MOD / pack.File).string());
  for (const TTexture_Set& set : pack.Sets) {
    for (const std::string& member : set.Members) {
      zip.Add(member, {&files.For(member, rng)}, dos);
    }
  }
  for (const std::string& member : pack.Extra) {
    zip.Add(member, {&files.For(member, rng)}, dos);
  }
  if (!pack.Script_Name.empty()) {
    zip.Add_Data(pack.Script_Name, pack.Script, dos);
  }
  zip.Finish();
}

// What one map archive holds beside its maps: its own texture set and script, models, sounds,
// music, and what its maps name from it.
struct TMap_Pack_Content {
  TTexture_Set Own;
  std::string Script;
  std::vector<std::string> Members;  // every file but maps, levelshots, bot files and scripts
  std::vector<std::string> Models;
  std::vector<std::string> Sounds;
  std::string Music;
};

TMap_Pack_Content Plan_Map_Pack(const std::string& stem, int maps,
                                const std::vector<TTexture_Pack>& packs, std::mt19937& rng) {
  std::uniform_int_distribution<int> percent(0, 99);
  TMap_Pack_Content pack;
  const bool scripted = percent(rng) < 60;
  const int images = 8 + 10 * maps + std::uniform_int_distribution<int>(0, 30)(rng);
  pack.Own = Make_Set(stem, std::min(images, 200), scripted ? &pack.Script : nullptr, rng);
  pack.Members = pack.Own.Members;
  for (int k = std::uniform_int_distribution<int>(0, 3)(rng); k > 0; --k) {
    pack.Models.push_back("models/mapobjects/" + stem + "/" +
                          Model_Words[static_cast<std::size_t>(k) % std::size(Model_Words)] +
                          ".md3");
    pack.Members.push_back(pack.Models.back());
    pack.Members.push_back("models/mapobjects/" + stem + "/skin" + std::to_string(k) + ".tga");
  }
  for (int k = std::uniform_int_distribution<int>(0, 4)(rng); k > 0; --k) {
    pack.Sounds.push_back("sound/" + stem + "/" +
                          Sound_Words[static_cast<std::size_t>(k) % std::size(Sound_Words)] +
                          ".wav");
    pack.Members.push_back(pack.Sounds.back());
  }
  if (percent(rng) < 50) {
    pack.Music = "music/" + stem + ".wav";
    pack.Members.push_back(pack.Music);
  }
  // Now and then a copy of some of the base pack's images, which then replaces them.
  if (!packs.empty() && percent(rng) < 10) {
    const auto& sets = packs[0].Sets;
    const TTexture_Set& set =
        sets[std::uniform_int_distribution<std::size_t>(0, sets.size() - 1)(rng)];
    for (std::size_t i = 0; i < set.Members.size(); i += 7) {
      pack.Members.push_back(set.Members[i]);
    }
  }
  return pack;
}

// A random part of `names`: `count` of them at most.
void Pick_Names(const std::vector<std::string>& names, int count, std::uint32_t flags,
                std::vector<TLump_Shader>& into, std::mt19937& rng) {
  if (names.empty()) {
    return;
  }
  std::uniform_int_distribution<std::size_t> pick(0, names.size() - 1);
  for (int i = 0; i < count; ++i) {
    const std::string& name = names[pick(rng)];
    if (std::none_of(into.begin(), into.end(),
                     [&](const TLump_Shader& shader) { return shader.Name == name; })) {
      into.push_back({name, flags});
    }
  }
}

// What one map names: a part of its archive's own set, of the sets of the texture packs its MOD
// directory sees, the compiler's undrawn tool shaders, now and then textures no archive has or
// only a pack of another MOD has; its entities' models, sounds and music.
struct TMap_References {
  std::vector<TLump_Shader> Shaders;
  std::vector<TLump_Shader> Fogs;
  std::string Entities;
};

TMap_References Plan_Map(const std::string& stem, const std::string& title, const std::string& mod,
                         const TMap_Pack_Content& own, const std::vector<TTexture_Pack>& packs,
                         std::mt19937& rng) {
  std::uniform_int_distribution<int> percent(0, 99);
  const auto between = [&rng](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(rng);
  };
  TMap_References map;
  Pick_Names(own.Own.Names, std::max(5, static_cast<int>(own.Own.Names.size()) * 2 / 3), 0,
             map.Shaders, rng);
  std::vector<const TTexture_Set*> seen;
  std::vector<const TTexture_Set*> elsewhere;
  for (const TTexture_Pack& pack : packs) {
    for (const TTexture_Set& set : pack.Sets) {
      (pack.MOD == mod || pack.MOD == "baseq3" ? seen : elsewhere).push_back(&set);
    }
  }
  for (int s = between(1, 3); s > 0 && !seen.empty(); --s) {
    const TTexture_Set& set =
        *seen[std::uniform_int_distribution<std::size_t>(0, seen.size() - 1)(rng)];
    Pick_Names(set.Names, between(5, 25), 0, map.Shaders, rng);
  }
  map.Shaders.push_back({"textures/common/caulk", Surface_Nodraw});
  map.Shaders.push_back({"textures/common/clip", Surface_Nodraw});
  map.Shaders.push_back({"textures/common/hint", Surface_Nodraw | Surface_Hint});
  map.Shaders.push_back({"noshader", Surface_Nodraw});
  if (!own.Own.Sky.empty()) {
    map.Shaders.push_back({own.Own.Sky, Surface_Sky});
  }
  if (!own.Own.Fog.empty() && percent(rng) < 40) {
    map.Shaders.push_back({own.Own.Fog, 0});
    map.Fogs.push_back({own.Own.Fog, 0});
  }
  if (percent(rng) < 20) {
    for (int k = between(1, 3); k > 0; --k) {
      map.Shaders.push_back({"textures/" + stem + "_beta/" + Word(rng) + std::to_string(k), 0});
    }
  }
  if (!elsewhere.empty() && percent(rng) < 5) {
    const TTexture_Set& set =
        *elsewhere[std::uniform_int_distribution<std::size_t>(0, elsewhere.size() - 1)(rng)];
    Pick_Names(set.Names, between(1, 3), 0, map.Shaders, rng);
  }

  std::string& text = map.Entities;
  text = "{\n\"classname\" \"worldspawn\"\n\"message\" \"" + title + "\"\n";
  const int music = percent(rng);
  if (music < 50 && !own.Music.empty()) {
    text += "\"music\" \"" + own.Music + "\"\n";
  } else if (music < 80) {
    text += "\"music\" \"music/sonic" + std::to_string(between(1, 6)) + ".wav\"\n";
  } else if (music < 85) {
    text += "\"music\" \"music/" + stem + "_theme.ogg\"\n";
  }
  text += "}\n{\n\"classname\" \"info_player_deathmatch\"\n\"origin\" \"0 0 64\"\n}\n";
  for (int e = 0; e < 40; ++e) {
    text += "{\n\"classname\" \"item_armor_shard\"\n\"origin\" \"" + std::to_string(e * 64) +
            " 0 32\"\n}\n";
  }
  int inline_model = 1;
  for (const std::string& model : own.Models) {
    if (percent(rng) < 70) {
      text += "{\n\"classname\" \"func_rotating\"\n\"model\" \"*" + std::to_string(inline_model++) +
              "\"\n\"model2\" \"" + model + "\"\n\"speed\" \"90\"\n}\n";
    }
  }
  for (int k = between(0, 3); k > 0; --k) {
    const std::string model = Model_Words[static_cast<std::size_t>(between(0, 6))];
    std::string path = "models/mapobjects/";
    if (percent(rng) < 90) {
      path.append(model).append("/").append(model).append(std::to_string(between(1, 4)));
    } else {
      path.append(stem).append("/gone");
    }
    path += ".md3";
    text += "{\n\"classname\" \"misc_model\"\n\"model\" \"" + path + "\"\n}\n";
  }
  for (const std::string& sound : own.Sounds) {
    text += "{\n\"classname\" \"target_speaker\"\n\"noise\" \"" + sound + "\"\n}\n";
  }
  for (int k = between(0, 3); k > 0; --k) {
    const std::string sound = Sound_Words[static_cast<std::size_t>(between(0, 5))];
    const int kind = percent(rng);
    const std::string noise = kind < 80   ? "sound/world/" + sound + std::to_string(between(1, 5))
                              : kind < 90 ? "*falling1.wav"
                                          : "sound/" + stem + "/gone.wav";
    text += "{\n\"classname\" \"target_speaker\"\n\"noise\" \"" + noise +
            (kind < 40 ? ".wav" : "") + "\"\n\"spawnflags\" \"1\"\n}\n";
  }
  return map;
}

void Write_Installation(const TInstall_Options& o) {
  std::mt19937 rng(o.Seed);
  fs::create_directories(o.Game_Dir);
  std::ofstream(fs::path(o.Game_Dir) / "QUAKE3.EXE") << "bench\n";

  // The pool of independently deflated lump blocks.
  std::vector<TPiece> pool;
  pool.reserve(24);
  for (int i = 0; i < 24; ++i) {
    pool.push_back(Deflate_Piece(Lump_Block(Block_Size, rng), false));
  }
  std::mt19937 content_rng(o.Seed + 1000);
  const TFile_Pool files(content_rng);

  std::vector<std::string> mods = {"baseq3"};
  const char* const other_mods[] = {"cpma", "osp", "defrag", "Arena", "q3ut4", "rocketmod"};
  for (int i = 1; i < o.Mods && i - 1 < static_cast<int>(std::size(other_mods)); ++i) {
    mods.emplace_back(other_mods[i - 1]);
  }
  for (const auto& mod : mods) {
    fs::create_directories(fs::path(o.Game_Dir) / mod);
  }

  const std::vector<TTexture_Pack> packs = Plan_Texture_Packs(o.Archives, mods, content_rng);
  const int map_archives = o.Archives - static_cast<int>(packs.size());
  const std::vector<int> counts = Map_Counts(map_archives, o.Maps, rng);
  std::lognormal_distribution<double> size_law(std::log(static_cast<double>(o.Bsp_Median)), 0.55);
  std::uniform_int_distribution<int> percent(0, 99);
  std::uniform_int_distribution<int> day(1, 28);
  std::uniform_int_distribution<int> month(1, 12);
  std::uniform_int_distribution<int> year(1999, 2008);
  std::uniform_int_distribution<std::size_t> tail_law(std::size_t{16} * 1024,
                                                      std::size_t{160} * 1024);
  const std::string players[] = {"sarge", "grunt", "klesk", "xaero"};
  int map_number = 0;
  int map_archive = 0;
  std::string earlier_map;  // a map name some later archive holds again

  for (int a = 0; a < o.Archives; ++a) {
    const std::int32_t archive_dos = Dos_Date_Time(year(rng), month(rng), day(rng), 12, 0, 0);
    std::string mod;
    std::string file;
    if (a % 25 == 0) {
      const TTexture_Pack& pack = packs[static_cast<std::size_t>(a / 25)];
      Write_Texture_Pack(o.Game_Dir, pack, files, archive_dos, content_rng);
      mod = pack.MOD;
      file = pack.File;
    } else {
      // Most archives in baseq3, the rest spread over the MODs.
      mod = percent(rng) < 60
                ? mods[0]
                : mods[std::uniform_int_distribution<std::size_t>(0, mods.size() - 1)(rng)];
      const std::string stem = Word(rng) + std::to_string(a);
      file = (a % 7 == 0 ? "MAP-" : "map-") + stem + (a % 5 == 0 ? ".PK3" : ".pk3");
      const int maps = counts[static_cast<std::size_t>(map_archive++)];
      const TMap_Pack_Content content = Plan_Map_Pack(stem, maps, packs, content_rng);
      TZip_Writer zip((fs::path(o.Game_Dir) / mod / file).string());
      const bool bots = percent(rng) < 15;
      if (bots) {
        zip.Add_Directory("models/", archive_dos);
        zip.Add_Directory("models/players/", archive_dos);
      }
      std::string arena_script;
      for (int m = 0; m < maps; ++m, ++map_number) {
        // One archive in a hundred holds again a map an earlier one has (another build of it).
        const bool again = !earlier_map.empty() && m == 0 && percent(rng) == 0;
        const std::string name =
            again ? earlier_map : stem + "_" + std::to_string(m) + (m % 3 == 2 ? "ctf" : "");
        earlier_map = name;
        const std::string title =
            "The " + Word(rng) + " of " + Word(rng) + " " + std::to_string(map_number);
        const std::size_t size =
            std::clamp(static_cast<std::size_t>(size_law(rng)), o.Bsp_Min, o.Bsp_Max);
        const TMap_References references = Plan_Map(stem, title, mod, content, packs, content_rng);
        const std::string shaders = Shader_Lump(references.Shaders);
        const std::string surfaces = Surface_Lump(references.Shaders, content_rng);
        const std::string fogs = Shader_Lump(references.Fogs);
        const std::string& entities = references.Entities;
        // Shader lump, bulk, entity text, fogs, then the draw indexes: the entity lump lies near
        // the end of the file.
        TBsp_Layout layout;
        layout.Shaders = static_cast<std::uint32_t>(shaders.size());
        layout.Surfaces = static_cast<std::uint32_t>(surfaces.size());
        layout.Entities = static_cast<std::uint32_t>(entities.size());
        layout.Fogs = static_cast<std::uint32_t>(fogs.size());
        const std::size_t fixed =
            Header_Size + shaders.size() + surfaces.size() + entities.size() + fogs.size();
        layout.Tail = static_cast<std::uint32_t>(std::min(tail_law(rng), size / 8));
        const std::size_t body = size > fixed + layout.Tail ? size - fixed - layout.Tail : 0;
        layout.Body = static_cast<std::uint32_t>(body);
        const std::size_t pooled = body / Block_Size;
        const std::size_t rest = body - pooled * Block_Size;
        std::string last = Lump_Block(rest, rng);
        last.append(entities).append(fogs);
        std::string indexes;
        Append_Tables(indexes, layout.Tail, rng);
        last += indexes;
        std::string first = Bsp_Header(layout);
        first.append(shaders).append(surfaces);
        const TPiece head = Deflate_Piece(first, false);
        const TPiece end = Deflate_Piece(last, true);
        std::vector<const TPiece*> pieces{&head};
        std::uniform_int_distribution<std::size_t> pick(0, pool.size() - 1);
        for (std::size_t b = 0; b < pooled; ++b) {
          pieces.push_back(&pool[pick(rng)]);
        }
        pieces.push_back(&end);
        const std::int32_t dos = Dos_Date_Time(year(rng), month(rng), day(rng), 10 + m, 2 * m, 0);
        zip.Add("maps/" + name + ".bsp", pieces, dos);
        if (percent(rng) < 60) {
          std::string aas = "EAAS";
          Append_Tables(aas, std::size_t{8} * 1024 + static_cast<std::size_t>(percent(rng)) * 512,
                        rng);
          zip.Add_Data("maps/" + name + ".aas", aas, dos);
        }
        const int shot = percent(rng);
        if (shot < 55) {
          zip.Add_Data("levelshots/" + name + ".jpg", Jpeg(128, 128, rng), dos);
        } else if (shot < 85) {
          zip.Add_Data("levelshots/" + name + ".tga", Tga(64, 64, rng), dos);
        }
        arena_script.append("{\nmap \"").append(name).append("\"\nlongname \"").append(title);
        arena_script.append("\"\nfraglimit 20\ntype \"ffa tourney\"\n}\n");
      }
      zip.Add_Data("scripts/" + stem + ".arena", arena_script, archive_dos);
      if (!content.Script.empty()) {
        zip.Add_Data("scripts/" + stem + ".shader", content.Script, archive_dos);
      }
      for (const std::string& member : content.Members) {
        zip.Add(member, {&files.For(member, content_rng)}, archive_dos);
      }
      if (bots) {
        const std::string& player = players[static_cast<std::size_t>(a) % std::size(players)];
        zip.Add_Directory("models/players/" + player + "/", archive_dos);
        zip.Add_Data("models/players/" + player + "/icon_default.tga", Tga(32, 32, rng),
                     archive_dos);
        zip.Add_Data("sound/player/announce/" + player + ".wav", std::string(4096, '\x40'),
                     archive_dos);
        std::string bots_txt = "{\nname ";
        bots_txt.append(player).append(stem).append("\nmodel ").append(player);
        bots_txt.append("\naifile bots/").append(player).append("_c.c\n}\n");
        zip.Add_Data("scripts/bots.txt", bots_txt, archive_dos);
        zip.Add_Data("scripts/" + stem + ".bot", "{\nname " + player + "\n}\n", archive_dos);
      }
      zip.Finish();
    }
    // Archive times spread over years, as collected files are.
    const auto when = std::chrono::file_clock::now() - std::chrono::hours(24 * (a % 2000) + 1);
    fs::last_write_time(fs::path(o.Game_Dir) / mod / file, when);
  }
}

// ---- the maps tree ----------------------------------------------------------------------------

// The paths of a program directory's database; nothing is written below it when `read_only`.
vorlix::TDatabase_Paths Database_Paths(const std::string& program_dir, const std::string& game_dir,
                                       bool read_only) {
  vorlix::TDatabase_Paths paths{program_dir, program_dir + "/TEMP", program_dir + "/LEVELSHOTS",
                                program_dir + "/BOTINFO", game_dir};
  paths.Read_Only = read_only;
  return paths;
}

// Reads the program directory's mapsdb.dat into `database`; false (told) when it could not.
bool Load_Maps_Database(vorlix::TPK3_Record_Store& database, const std::string& program_dir,
                        vorlix::bench::TSilent_Interaction& ui) {
  const vorlix::TDatabase_Load_Result load = vorlix::TDatabase_File::Load_Database(
      database, (fs::path(program_dir) / "mapsdb.dat").string());
  if (!load.Complete()) {
    ui.Message(vorlix::TMessage_Kind::Error, load.Message, vorlix::TAnswer_Set::Cancel);
    return false;
  }
  return true;
}

int Write_Tree(const std::string& program_dir, const std::string& game_dir) {
  vorlix::bench::TSilent_Interaction ui{"vorlix-bench-gen"};
  vorlix::TPK3_Record_Store database(Database_Paths(program_dir, game_dir, false));
  if (!Load_Maps_Database(database, program_dir, ui)) {
    return 1;
  }
  std::vector<vorlix::TMap_Record*> maps;
  for (int p = 0; p < database.Count(); ++p) {
    const auto& list = *database.Items(p)->Maps;
    for (int m = 0; m < list.Count(); ++m) {
      if (list.Items(m)->Present && m % 2 == 0) {
        maps.push_back(list.Items(m));
      }
    }
  }
  vorlix::TMaps_Tree tree;
  tree.Make_Group("Arenas");
  constexpr int groups = 100;
  std::vector<std::vector<vorlix::TMap_Record*>> shares(groups);
  for (std::size_t i = 0; i < maps.size(); ++i) {
    shares[i % groups].push_back(maps[i]);
  }
  for (int g = 0; g < groups; ++g) {
    tree.Select(tree.Root());
    vorlix::TMaps_Tree_Node* group =
        tree.Make_Group("Group " + std::to_string(g / 10) + "-" + std::to_string(g % 10));
    tree.Drop_List_Items(group, shares[static_cast<std::size_t>(g)]);
  }
  const vorlix::TResult<void> saved =
      tree.Save_Tree_File((fs::path(program_dir) / "mapstree.dat").string());
  if (!saved) {
    ui.Message(vorlix::TMessage_Kind::Error, saved.Message(), vorlix::TAnswer_Set::OK);
    return 1;
  }
  return 0;
}

// ---- the play history -------------------------------------------------------------------------

struct THistory_Options {
  std::string Program_Dir;
  int Launches = 100000;
  unsigned Seed = 1;
  std::int64_t Now = 0;  // the newest launch is no later; 0: the present moment
};

constexpr std::int64_t History_Span = std::int64_t{2} * 365 * 86400;  // seconds
constexpr std::size_t Queue_Length = 30;

// The launch dialog's game type for a map: one of the types it was made for, free for all when
// it names none.
std::int32_t Launch_Game_Type(const vorlix::TMap_Record& map, std::mt19937& rng) {
  std::vector<std::int32_t> types;
  for (int i = 0; i < vorlix::Game_Type_Count; ++i) {
    if ((map.Game_Types & vorlix::Game_Type_Table[static_cast<std::size_t>(i)].Bit) != 0) {
      types.push_back(i);
    }
  }
  if (types.empty()) {
    return 1;
  }
  return types[std::uniform_int_distribution<std::size_t>(0, types.size() - 1)(rng)];
}

// A history of `launches` launches of the present maps over the last two years, the way one
// player collects it: a quarter of the maps (at most one for four launches) were ever started,
// three in five of those once, the rest again and again, a few of them very often (their
// launches fall off as a Zipf law by rank); a few of the most played are marked favourite, and
// thirty maps never played (as many as there are) wait in the play-later queue.
vorlix::TPlay_History Make_History(const std::vector<const vorlix::TMap_Record*>& present,
                                   const THistory_Options& o) {
  std::mt19937 rng(o.Seed);
  std::vector<const vorlix::TMap_Record*> maps = present;
  std::shuffle(maps.begin(), maps.end(), rng);
  const auto launches = static_cast<std::size_t>(std::max(o.Launches, 0));
  const std::size_t played = std::min({maps.size(), std::max<std::size_t>(maps.size() / 4, 1),
                                       std::max<std::size_t>(launches / 4, 1), launches});
  // The first `regulars` of the shuffled maps are played by rank, the others up to `played` once.
  const std::size_t regulars = std::max<std::size_t>(played * 2 / 5, played > 0 ? 1 : 0);

  // Which map each launch starts: every played map once, the rest over the regulars.
  std::vector<std::size_t> starts;
  starts.reserve(launches);
  for (std::size_t i = 0; i < played; ++i) {
    starts.push_back(i);
  }
  if (regulars > 0) {
    std::vector<double> weights(regulars);
    for (std::size_t r = 0; r < regulars; ++r) {
      weights[r] = 1.0 / static_cast<double>(r + 1);
    }
    std::discrete_distribution<std::size_t> rank(weights.begin(), weights.end());
    while (starts.size() < launches) {
      starts.push_back(rank(rng));
    }
  }
  std::shuffle(starts.begin(), starts.end(), rng);

  // Their times, oldest first, spread over the two years before `now`.
  const std::int64_t now = o.Now != 0 ? o.Now : static_cast<std::int64_t>(std::time(nullptr));
  std::uniform_int_distribution<std::int64_t> when(now - History_Span, now);
  std::vector<std::int64_t> times(starts.size());
  for (std::int64_t& time : times) {
    time = when(rng);
  }
  std::sort(times.begin(), times.end());

  const char* const engines[] = {"/usr/games/quake3/ioquake3.x86_64",
                                 "/usr/games/quake3/quake3e.x64"};
  std::uniform_int_distribution<int> percent(0, 99);
  vorlix::TPlay_History history;
  for (std::size_t i = 0; i < starts.size(); ++i) {
    const vorlix::TMap_Record& map = *maps[starts[i]];
    history.Record_Launch({vorlix::TMap_Key{map.PK3->ID, map.ID}, times[i],
                           Launch_Game_Type(map, rng), map.PK3->MOD_Directory,
                           engines[percent(rng) < 85 ? 0 : 1]});
  }

  // Favourites among the most played (one in a hundred played maps, 5 to 50 of them).
  const std::size_t favourites = std::min(regulars, std::clamp<std::size_t>(played / 100, 5, 50));
  std::vector<std::size_t> top(std::min(regulars, favourites * 3));
  std::iota(top.begin(), top.end(), std::size_t{0});
  std::shuffle(top.begin(), top.end(), rng);
  for (std::size_t f = 0; f < favourites; ++f) {
    const vorlix::TMap_Record& map = *maps[top[f]];
    history.Set_Favourite({map.PK3->ID, map.ID}, true);
  }
  // The play-later queue: maps never played, in the shuffled order.
  for (std::size_t i = played; i < maps.size() && i < played + Queue_Length; ++i) {
    history.Queue({maps[i]->PK3->ID, maps[i]->ID});
  }
  return history;
}

int Write_History(const THistory_Options& o) {
  vorlix::bench::TSilent_Interaction ui{"vorlix-bench-gen"};
  vorlix::TPK3_Record_Store database(Database_Paths(o.Program_Dir, "", true));
  if (!Load_Maps_Database(database, o.Program_Dir, ui)) {
    return 1;
  }
  std::vector<const vorlix::TMap_Record*> present;
  for (int p = 0; p < database.Count(); ++p) {
    const vorlix::TPK3_Record& pk3 = *database.Items(p);
    for (int m = 0; pk3.Present && m < pk3.Maps->Count(); ++m) {
      if (pk3.Maps->Items(m)->Present) {
        present.push_back(pk3.Maps->Items(m));
      }
    }
  }
  if (present.empty()) {
    ui.Message(vorlix::TMessage_Kind::Error,
               (fs::path(o.Program_Dir) / "mapsdb.dat").string() +
                   " holds no present map: synchronise the data folder first",
               vorlix::TAnswer_Set::OK);
    return 1;
  }
  const std::string problem = vorlix::Save_Play_History(o.Program_Dir, Make_History(present, o));
  if (!problem.empty()) {
    ui.Message(vorlix::TMessage_Kind::Error, problem, vorlix::TAnswer_Set::OK);
    return 1;
  }
  return 0;
}

int Usage() {
  std::cerr
      << "usage: vorlix-bench-gen install GAME_DIR [--archives N] [--maps M] [--mods K]\n"
         "                        [--bsp-min KB] [--bsp-median KB] [--bsp-max KB] [--seed S]\n"
         "       vorlix-bench-gen tree PROGRAM_DIR GAME_DIR\n"
         "       vorlix-bench-gen history PROGRAM_DIR [--launches N] [--seed S] [--now T]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "tree") {
      return Write_Tree(args[1], args[2]);
    }
    if (args.size() < 2 || args.size() % 2 != 0) {
      return Usage();
    }
    if (args[0] == "history") {
      THistory_Options h;
      h.Program_Dir = args[1];
      for (std::size_t i = 2; i + 1 < args.size(); i += 2) {
        const std::string& name = args[i];
        if (name == "--launches") {
          h.Launches = static_cast<int>(std::stoul(args[i + 1]));
        } else if (name == "--seed") {
          h.Seed = static_cast<unsigned>(std::stoul(args[i + 1]));
        } else if (name == "--now") {
          h.Now = std::stoll(args[i + 1]);
        } else {
          return Usage();
        }
      }
      return Write_History(h);
    }
    if (args[0] != "install") {
      return Usage();
    }
    TInstall_Options o;
    o.Game_Dir = args[1];
    for (std::size_t i = 2; i + 1 < args.size(); i += 2) {
      const std::string& name = args[i];
      const unsigned long value = std::stoul(args[i + 1]);
      if (name == "--archives") {
        o.Archives = static_cast<int>(value);
      } else if (name == "--maps") {
        o.Maps = static_cast<int>(value);
      } else if (name == "--mods") {
        o.Mods = static_cast<int>(value);
      } else if (name == "--bsp-min") {
        o.Bsp_Min = value * 1024;
      } else if (name == "--bsp-median") {
        o.Bsp_Median = value * 1024;
      } else if (name == "--bsp-max") {
        o.Bsp_Max = value * 1024;
      } else if (name == "--seed") {
        o.Seed = static_cast<unsigned>(value);
      } else {
        return Usage();
      }
    }
    Write_Installation(o);
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "vorlix-bench-gen: " << error.what() << "\n";
    return 1;
  }
}
