#include "content/shader_script.h"

#include <algorithm>
#include <array>

#include "content/engine_tokens.h"

namespace vorlix {

namespace {

// The engine's limits: path names (MAX_QPATH less the NUL), stages and deformations of a shader,
// frames of an animated stage.
constexpr std::size_t Path_Length_Limit = 63;
constexpr std::size_t Stage_Limit = 8;
constexpr std::size_t Deform_Limit = 3;
constexpr std::size_t Animation_Frame_Limit = 8;

constexpr std::array<std::string_view, 6> Sky_Faces = {"rt", "bk", "lf", "ft", "up", "dn"};
constexpr std::array<std::string_view, 6> Tga_First_Extensions = {"tga", "jpg", "jpeg",
                                                                  "png", "pcx", "bmp"};
constexpr std::array<std::string_view, 6> Png_First_Extensions = {"png",  "tga", "jpg",
                                                                  "jpeg", "pcx", "bmp"};

std::string Quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

// The renderer's images made in memory, found by their exact names before any file is opened.
bool Is_Renderer_Image(std::string_view name) {
  static constexpr std::array<std::string_view, 6> own = {"*white",   "*default", "*identityLight",
                                                          "*scratch", "*dlight",  "*fog"};
  if (std::find(own.begin(), own.end(), name) != own.end()) {
    return true;
  }
  constexpr std::string_view lightmap = "*lightmap";
  return name.size() > lightmap.size() && name.substr(0, lightmap.size()) == lightmap &&
         std::all_of(name.begin() + static_cast<std::ptrdiff_t>(lightmap.size()), name.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

// The extension of a path as the engine finds it: after the last "." that follows the last "/".
std::string_view Extension_Of(std::string_view path) {
  const std::size_t dot = path.rfind('.');
  const std::size_t slash = path.rfind('/');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && slash > dot)) {
    return {};
  }
  return path.substr(dot + 1);
}

std::string_view Without_Extension(std::string_view path) {
  const std::string_view extension = Extension_Of(path);
  return extension.empty() && (path.empty() || path.back() != '.')
             ? path
             : path.substr(0, path.size() - extension.size() - 1);
}

// Reads one definition's body, from the "{" after its name, as the engine's shader parser does.
class TShader_Body {
 public:
  TShader_Body(std::string_view body, TShader_Definition& definition)
      : Tokens_(body), Definition_(definition) {}

  void Read() {
    std::string token = Tokens_.Next();
    if (token.empty() || token[0] != '{') {
      Fail("expects \"{\" after the name, found " + Quoted(token));
      return;
    }
    std::size_t stages = 0;
    for (;;) {
      token = Tokens_.Next();
      if (token.empty()) {
        Fail("has no closing \"}\"");
        return;
      }
      if (token[0] == '}') {
        break;
      }
      if (token[0] == '{') {
        if (stages == Stage_Limit) {
          Fail("has more than 8 stages");
          return;
        }
        if (!Read_Stage()) {
          return;
        }
        ++stages;
      } else if (!Read_General(token)) {
        return;
      }
    }
    if (stages == 0 && !Sky_ && !Fog_) {
      Fail("has no stage");
    }
  }

 private:
  void Fail(const std::string& why) { Definition_.Fault = "the shader " + why; }

  std::string Parameter() { return Tokens_.Next(false); }

  void Add_Image(std::string name) {
    if (Is_Renderer_Image(name)) {
      return;
    }
    std::vector<std::string>& images = Definition_.Images;
    if (std::find(images.begin(), images.end(), name) == images.end()) {
      images.push_back(std::move(name));
    }
  }

  // The parameters of a general keyword; false when the engine gives up the shader.
  bool Read_General(const std::string& keyword) {
    if (Same_Word(keyword, "q3map_sun") || Same_Word(keyword, "q3map_sunExt")) {
      for (int i = 0; i < 6; ++i) {
        Parameter();
      }
      Tokens_.Skip_Rest_Of_Line();
    } else if (Starts_With_Word(keyword, "qer") || Starts_With_Word(keyword, "q3map") ||
               Same_Word(keyword, "tesssize")) {
      Tokens_.Skip_Rest_Of_Line();
    } else if (Same_Word(keyword, "deformVertexes")) {
      Read_Deform();
    } else if (Same_Word(keyword, "clampTime") || Same_Word(keyword, "light") ||
               Same_Word(keyword, "cull") || Same_Word(keyword, "sort")) {
      Parameter();
    } else if (Same_Word(keyword, "surfaceParm")) {
      Fog_ = Same_Word(Parameter(), "fog") || Fog_;
    } else if (Same_Word(keyword, "fogParms")) {
      if (!Read_Vector(3)) {
        Fail("has a fogParms colour without its parentheses or values");
        return false;
      }
      if (!Parameter().empty()) {
        Tokens_.Skip_Rest_Of_Line();
      }
    } else if (Same_Word(keyword, "skyParms")) {
      Read_Sky();
    } else if (!Same_Word(keyword, "nomipmaps") && !Same_Word(keyword, "nopicmip") &&
               !Same_Word(keyword, "polygonOffset") && !Same_Word(keyword, "entityMergable") &&
               !Same_Word(keyword, "portal")) {
      Fail("has the unknown keyword " + Quoted(keyword));
      return false;
    }
    return true;
  }

  // A stage after its "{"; false when the engine gives up the shader.
  bool Read_Stage() {
    for (;;) {
      const std::string keyword = Tokens_.Next();
      if (keyword.empty()) {
        Fail("has a stage without its closing \"}\"");
        return false;
      }
      if (keyword[0] == '}') {
        return true;
      }
      if (Same_Word(keyword, "map") || Same_Word(keyword, "clampMap")) {
        std::string image = Parameter();
        if (image.empty()) {
          Fail("has " + Quoted(keyword) + " without an image");
          return false;
        }
        const bool named = Same_Word(keyword, "map") &&
                           (Same_Word(image, "$whiteimage") || Same_Word(image, "$lightmap") ||
                            Same_Word(image, "$deluxemap"));
        if (!named) {
          Add_Image(std::move(image));
        }
      } else if (Same_Word(keyword, "animMap")) {
        if (Parameter().empty()) {
          Fail("has \"animMap\" without its frequency");
          return false;
        }
        std::size_t frames = 0;
        for (std::string frame = Parameter(); !frame.empty(); frame = Parameter()) {
          if (frames++ < Animation_Frame_Limit) {
            Add_Image(std::move(frame));
          }
        }
      } else if (Same_Word(keyword, "videoMap") || Same_Word(keyword, "alphaFunc") ||
                 Same_Word(keyword, "depthFunc")) {
        if (Parameter().empty()) {
          Fail("has " + Quoted(keyword) + " without its parameter");
          return false;
        }
      } else if (Same_Word(keyword, "blendFunc")) {
        const std::string source = Parameter();
        if (!source.empty() && !Same_Word(source, "add") && !Same_Word(source, "filter") &&
            !Same_Word(source, "blend")) {
          Parameter();
        }
      } else if (Same_Word(keyword, "rgbGen") || Same_Word(keyword, "alphaGen")) {
        Read_Colour_Generator(Same_Word(keyword, "alphaGen"));
      } else if (Same_Word(keyword, "tcGen") || Same_Word(keyword, "texgen")) {
        if (Same_Word(Parameter(), "vector")) {
          Read_Vector(3);
          Read_Vector(3);
        }
      } else if (Same_Word(keyword, "tcMod")) {
        while (!Parameter().empty()) {
        }
      } else if (!Same_Word(keyword, "detail") && !Same_Word(keyword, "depthWrite")) {
        Fail("has the unknown stage keyword " + Quoted(keyword));
        return false;
      }
    }
  }

  void Read_Colour_Generator(bool alpha) {
    const std::string kind = Parameter();
    if (Same_Word(kind, "wave")) {
      Read_Wave();
    } else if (Same_Word(kind, "const")) {
      if (alpha) {
        Parameter();
      } else {
        Read_Vector(3);
      }
    } else if (alpha && Same_Word(kind, "portal")) {
      Parameter();
    }
  }

  // "( a b c )"; false when a part is missing (what was read stays read).
  bool Read_Vector(int count) {
    if (Parameter() != "(") {
      return false;
    }
    for (int i = 0; i < count; ++i) {
      if (Parameter().empty()) {
        return false;
      }
    }
    return Parameter() == ")";
  }

  // Function, base, amplitude, phase, frequency: up to the first one missing.
  void Read_Wave() {
    for (int i = 0; i < 5 && !Parameter().empty(); ++i) {
    }
  }

  void Read_Values(int count) {
    for (int i = 0; i < count && !Parameter().empty(); ++i) {
    }
  }

  void Read_Deform() {
    const std::string kind = Parameter();
    if (kind.empty() || Deforms_ == Deform_Limit) {
      return;
    }
    ++Deforms_;
    if (Same_Word(kind, "bulge")) {
      Read_Values(3);
    } else if (Same_Word(kind, "wave")) {
      if (!Parameter().empty()) {
        Read_Wave();
      }
    } else if (Same_Word(kind, "normal")) {
      Read_Values(2);
    } else if (Same_Word(kind, "move")) {
      for (int i = 0; i < 3; ++i) {
        if (Parameter().empty()) {
          return;
        }
      }
      Read_Wave();
    }
  }

  void Add_Sky_Box(const std::string& box) {
    if (box == "-") {
      return;
    }
    for (const std::string_view face : Sky_Faces) {
      std::string name = box + "_" + std::string(face) + ".tga";
      name.resize(std::min(name.size(), Path_Length_Limit));
      Definition_.Sky_Box_Images.push_back(std::move(name));
    }
  }

  // Far box, cloud height, near box: up to the first one missing.
  void Read_Sky() {
    const std::string far_box = Parameter();
    if (far_box.empty()) {
      return;
    }
    Add_Sky_Box(far_box);
    if (Parameter().empty()) {
      return;
    }
    const std::string near_box = Parameter();
    if (near_box.empty()) {
      return;
    }
    Add_Sky_Box(near_box);
    Sky_ = true;
  }

  TEngine_Tokens Tokens_;
  TShader_Definition& Definition_;
  std::size_t Deforms_ = 0;
  bool Sky_ = false;
  bool Fog_ = false;
};

// The engine's check of the file's shape on its text as stored. Returns how many definitions
// passed it; `script` gets the fault.
std::size_t Check_Shape(std::string_view text, TShader_Script& script) {
  TEngine_Tokens tokens(text);
  std::size_t passed = 0;
  for (std::string name = tokens.Next(); !name.empty(); name = tokens.Next()) {
    const std::string opening = tokens.Next();
    if (opening != "{") {
      script.Ignored_By_Engine = true;
      script.Error = "the shader " + Quoted(name) + " has no opening \"{\" (found " +
                     Quoted(opening) + "): the engine ignores the whole file";
      return passed;
    }
    if (!tokens.Skip_Braced_Section(1)) {
      script.Ignored_By_Engine = true;
      script.Error =
          "the shader " + Quoted(name) + " has no closing \"}\": the engine ignores the whole file";
      return passed;
    }
    ++passed;
  }
  return passed;
}

void Add_Error(TShader_Script& script, const std::string& error) {
  if (script.Error.empty()) {
    script.Error = error;
  } else {
    script.Error += "; " + error;
  }
}

}  // namespace

TShader_Script Read_Shader_Script(std::string_view text) {
  TShader_Script script;
  const std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) {
    text = text.substr(0, nul);
  }
  const std::size_t passed = Check_Shape(text, script);
  if (nul != std::string_view::npos) {
    Add_Error(script,
              "the engine reads nothing after the NUL byte at offset " + std::to_string(nul));
  }
  bool comment_left_open = false;
  const std::string compressed = Compress_Script(text, comment_left_open);
  if (comment_left_open) {
    Add_Error(script,
              "a comment is left open at the end: it hides the scripts the engine reads after "
              "this one");
  }
  TEngine_Tokens tokens(compressed);
  for (std::string name = tokens.Next(); !name.empty(); name = tokens.Next()) {
    if (script.Ignored_By_Engine && script.Definitions.size() == passed) {
      break;
    }
    if (script.Definitions.size() == Shader_Definition_Limit) {
      Add_Error(script, "more than " + std::to_string(Shader_Definition_Limit) +
                            " definitions: the rest is not read");
      break;
    }
    // The body is read within its braced section, which keeps the whole reading linear. The
    // engine's parser reads on past it only after taking a brace for a parameter ("map }"), and
    // then fails on the next definition's name as an unknown keyword unless that name happens to
    // be a keyword itself.
    const std::size_t start = tokens.Position();
    tokens.Skip_Braced_Section(0);
    const std::size_t end = tokens.Ended() ? compressed.size() : tokens.Position();
    TShader_Definition& definition = script.Definitions.emplace_back();
    definition.Name = Shader_Key(name);
    TShader_Body(std::string_view(compressed).substr(start, end - start), definition).Read();
  }
  return script;
}

std::string Shader_Key(std::string_view name) {
  std::string key(name);
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    } else if (c == '\\') {
      c = '/';
    }
  }
  return key;
}

std::string Shader_Lookup_Key(std::string_view requested) {
  const std::string_view stem = Without_Extension(requested);
  return Shader_Key(stem.substr(0, std::min(stem.size(), Path_Length_Limit)));
}

const std::array<std::string_view, 6>& Image_Extensions(TImage_Order order) {
  return order == TImage_Order::Png_First ? Png_First_Extensions : Tga_First_Extensions;
}

std::vector<std::string> Image_Candidates(std::string_view name, TImage_Order order) {
  const auto& extensions = Image_Extensions(order);
  std::string written = Shader_Key(name.substr(0, std::min(name.size(), Path_Length_Limit)));
  const std::string_view extension = Extension_Of(written);
  const auto known = std::find_if(extensions.begin(), extensions.end(),
                                  [&](std::string_view e) { return Same_Word(e, extension); });
  std::vector<std::string> candidates;
  std::string stem = written;
  if (known != extensions.end()) {
    candidates.push_back(written);
    stem = std::string(Without_Extension(written));
  }
  for (auto e = extensions.begin(); e != extensions.end(); ++e) {
    if (e != known) {
      candidates.push_back(stem + "." + std::string(*e));
    }
  }
  return candidates;
}

std::optional<std::size_t> Winning_Definition(const std::vector<TShader_Origin>& origins,
                                              bool later_archive_wins) {
  // A script counts only where it is found first.
  const auto counts = [&](const TShader_Origin& origin) {
    const std::string script = Shader_Key(origin.Script);
    return std::none_of(origins.begin(), origins.end(), [&](const TShader_Origin& other) {
      return other.Search_Position < origin.Search_Position && Shader_Key(other.Script) == script;
    });
  };
  // True when `a` wins over `b`.
  const auto beats = [&](const TShader_Origin& a, const TShader_Origin& b) {
    if (a.Search_Position != b.Search_Position) {
      return later_archive_wins ? a.Search_Position < b.Search_Position
                                : a.Search_Position > b.Search_Position;
    }
    if (a.Member_Position != b.Member_Position) {
      return later_archive_wins ? a.Member_Position < b.Member_Position
                                : a.Member_Position > b.Member_Position;
    }
    return a.Definition_Position < b.Definition_Position;
  };
  std::optional<std::size_t> winner;
  for (std::size_t i = 0; i < origins.size(); ++i) {
    if (counts(origins[i]) && (!winner || beats(origins[i], origins[*winner]))) {
      winner = i;
    }
  }
  return winner;
}

}  // namespace vorlix
