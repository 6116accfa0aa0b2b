#include "content/shader_script.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "content/engine_tokens.h"
#include "hostile_inputs.h"

namespace vorlix {

namespace {

using Strings = std::vector<std::string>;

Strings Tokens_Of(const std::string& text) {
  TEngine_Tokens tokens(text);
  Strings all;
  for (std::string token = tokens.Next(); !token.empty() || !tokens.Ended();
       token = tokens.Next()) {
    all.push_back(token);
  }
  return all;
}

Strings Names_Of(const TShader_Script& script) {
  Strings names;
  for (const TShader_Definition& definition : script.Definitions) {
    names.push_back(definition.Name);
  }
  return names;
}

// The images of a script holding one definition.
Strings Images_Of(const std::string& text) {
  const TShader_Script script = Read_Shader_Script(text);
  EXPECT_EQ(script.Definitions.size(), 1U) << text;
  return script.Definitions.empty() ? Strings{} : script.Definitions[0].Images;
}

// The sky box faces of a script holding one definition.
Strings Sky_Of(const std::string& text) {
  const TShader_Script script = Read_Shader_Script(text);
  return script.Definitions.empty() ? Strings{} : script.Definitions[0].Sky_Box_Images;
}

std::string Sky_Faces(const std::string& box) {
  return box + "_rt.tga " + box + "_bk.tga " + box + "_lf.tga " + box + "_ft.tga " + box +
         "_up.tga " + box + "_dn.tga";
}

Strings Words(const std::string& text) {
  TEngine_Tokens tokens(text);
  Strings words;
  for (std::string word = tokens.Next(); !word.empty(); word = tokens.Next()) {
    words.push_back(word);
  }
  return words;
}

TEST(Engine_Tokens, Cut_As_The_Engine_Cuts_Words_Quotes_Comments_And_Long_Tokens) {
  EXPECT_EQ(Tokens_Of("a//b c // rest\n/* x\n y */ \"q // r\" \"\" d"),
            (Strings{"a//b", "c", "q // r", "", "d"}));
  // Bytes from 0x80 on separate tokens, the text ends at a NUL.
  EXPECT_EQ(Tokens_Of(std::string("caf\xc3\xa9 x\0y", 9)), (Strings{"caf", "x"}));
  EXPECT_EQ(Tokens_Of("\"open quote"), (Strings{"open quote"}));
  const std::string long_word(3000, 'w');
  const Strings cut = Tokens_Of(long_word + " next");
  ASSERT_EQ(cut.size(), 2U);
  EXPECT_EQ(cut[0], std::string(Token_Length_Limit, 'w'));
  EXPECT_EQ(cut[1], "next");

  // A parameter ends at the line's end and the next line's token stays to be read; a block
  // comment over two lines is no line break.
  TEngine_Tokens line("map a b\nnext /* \n */ same");
  EXPECT_EQ(line.Next(), "map");
  EXPECT_EQ(line.Next(false), "a");
  EXPECT_EQ(line.Next(false), "b");
  EXPECT_EQ(line.Next(false), "");
  EXPECT_EQ(line.Next(false), "next");
  EXPECT_EQ(line.Next(false), "same");
  EXPECT_FALSE(line.Ended());
}

TEST(Engine_Tokens, Compression_Drops_Comments_Anywhere_And_Keeps_Quotes) {
  bool open = true;
  EXPECT_EQ(Compress_Script("a//b\r\r\n  c\t d/*/e \"x  // y\"", open), "a\nc de \"x  // y\"");
  EXPECT_FALSE(open);
  EXPECT_EQ(Compress_Script("a /* never closed\n b", open), "a");
  EXPECT_TRUE(open);
  // An empty quote ends at its second mark: what follows is read as text again.
  EXPECT_EQ(Compress_Script("x \"\" y // z \"q\"\nw", open), "x \"\" y\nw");
}

TEST(Read_Shader_Script, Names_In_Order_In_Lower_Case_With_Forward_Slashes) {
  const TShader_Script script = Read_Shader_Script(
      "Textures\\Base\\Wall\n{\n{\nmap $lightmap\n}\n}\n"
      "textures/sky/space { skyParms - 512 - }\n"
      "textures/base/wall { { map other.tga } }\n"
      "fog/red { surfaceparm fog }\n");
  EXPECT_EQ(Names_Of(script),
            (Strings{"textures/base/wall", "textures/sky/space", "textures/base/wall", "fog/red"}));
  EXPECT_TRUE(script.Error.empty()) << script.Error;
  for (const TShader_Definition& definition : script.Definitions) {
    EXPECT_TRUE(definition.Fault.empty()) << definition.Name << ": " << definition.Fault;
  }
}

TEST(Read_Shader_Script, Images_Of_Stages_Animations_And_Sky_Boxes_Without_Built_In_Ones) {
  EXPECT_EQ(Images_Of("s {\n{\nmap textures/a.tga\nrgbGen identity\n}\n"
                      "{\nclampMap \"textures/with space.jpg\"\n}\n"
                      "{\nmap $LightMap\n}\n{\nmap $whiteimage\n}\n{\nmap *white\n}\n"
                      "{\nclampMap *lightmap3\n}\n{\nmap textures/a.tga\n}\n}\n"),
            (Strings{"textures/a.tga", "textures/with space.jpg"}));
  // Only "map" knows the $ names; a renderer image counts only exactly so written.
  EXPECT_EQ(Images_Of("s { { clampMap $whiteimage } { map *White } }"),
            (Strings{"$whiteimage", "*White"}));
  // The frequency is no frame, frames after the eighth are not loaded, a film is no image.
  EXPECT_EQ(Images_Of("s {\n{\nanimMap 10 f1 f2 f3 f4 f5 f6 f7 f8 f9\n}\n"
                      "{\nvideoMap intro.roq\n}\n}"),
            (Strings{"f1", "f2", "f3", "f4", "f5", "f6", "f7", "f8"}));
  EXPECT_EQ(Sky_Of("s {\nskyParms env/far 512 env/near\n{\nmap clouds.tga\n}\n}"),
            Words(Sky_Faces("env/far") + " " + Sky_Faces("env/near")));
  EXPECT_EQ(Images_Of("s {\nskyParms env/far 512 env/near\n{\nmap clouds.tga\n}\n}"),
            (Strings{"clouds.tga"}));
  EXPECT_EQ(Sky_Of("s {\nskyParms - 512 env/near\n}"), Words(Sky_Faces("env/near")));
  const std::string long_box(60, 'b');
  const Strings faces = Sky_Of("s {\nskyParms " + long_box + " - -\n}");
  ASSERT_EQ(faces.size(), 6U);
  EXPECT_EQ(faces[0], long_box + "_rt");  // cut to the engine's 63 characters
}

TEST(Read_Shader_Script, Parameters_End_At_The_Line_And_Faults_End_The_Definition) {
  // A word after the image is read as a keyword the stage does not know: the engine gives the
  // shader up there, and the next stage's image is never loaded.
  TShader_Script script = Read_Shader_Script(
      "s {\n{\nmap a.tga b.tga\n}\n{\nmap c.tga\n}\n}\nt {\n{\nmap d.tga\n}\n}\n");
  ASSERT_EQ(script.Definitions.size(), 2U);
  EXPECT_EQ(script.Definitions[0].Images, (Strings{"a.tga"}));
  EXPECT_NE(script.Definitions[0].Fault.find("\"b.tga\""), std::string::npos);
  EXPECT_EQ(script.Definitions[1].Images, (Strings{"d.tga"}));
  EXPECT_TRUE(script.Definitions[1].Fault.empty());

  // The image on the next line is no parameter of "map".
  script = Read_Shader_Script("s {\n{\nmap\nimage.tga\n}\n}");
  EXPECT_TRUE(script.Definitions[0].Images.empty());
  EXPECT_NE(script.Definitions[0].Fault.find("without an image"), std::string::npos);

  // Keywords whose parameters run to the line's end, or which skip it, take the images on it.
  EXPECT_EQ(Images_Of("s {\nqer_editorimage hidden.tga\nq3map_sun 1 1 1 100 45 60\n"
                      "deformVertexes wave 100 sin 0 1 0 1\ncull none\n"
                      "{\nmap a.tga\ntcMod scroll 1 2\nrgbGen wave sin 0 1 0 1\n"
                      "tcGen vector ( 1 0 0 ) ( 0 1 0 )\nblendFunc GL_ONE GL_ZERO\n}\n}"),
            (Strings{"a.tga"}));
  // A portal's alpha takes its distance along, a constant colour its vector and a constant
  // alpha its value: the stages stand.
  for (const char* generator : {"alphaGen portal 256", "rgbGen const ( 1 0.5 0 )",
                                "alphaGen const 0.5", "rgbGen identity"}) {
    const TShader_Script script = Read_Shader_Script(std::string("s {\n{\nmap a.tga\n") +
                                                     generator + "\n}\n{\nmap b.tga\n}\n}");
    ASSERT_EQ(script.Definitions.size(), 1U);
    EXPECT_EQ(script.Definitions[0].Images, (Strings{"a.tga", "b.tga"})) << generator;
    EXPECT_TRUE(script.Definitions[0].Fault.empty()) << script.Definitions[0].Fault;
  }
  // q3map_sun reads six parameters even past line ends (each line end costs one) and then
  // skips the rest of the line it stopped on: here the stage's opening and its image.
  EXPECT_TRUE(Images_Of("s {\nq3map_sun 1 1\n{\nmap gone.tga\n}\n}").empty());

  // A shader without stages is dropped by the engine unless it is a sky or a fog.
  EXPECT_FALSE(Read_Shader_Script("s { cull none }").Definitions[0].Fault.empty());
  EXPECT_TRUE(Read_Shader_Script("s { surfaceParm fog }").Definitions[0].Fault.empty());
  EXPECT_FALSE(Read_Shader_Script("s { { map a } { map b } { map c } { map d } { map e } "
                                  "{ map f } { map g } { map h } { map i } }")
                   .Definitions[0]
                   .Fault.empty());
}

TEST(Read_Shader_Script, A_File_Of_The_Wrong_Shape_Is_Ignored_Whole) {
  TShader_Script script = Read_Shader_Script("a { { map a.tga } }\nb {\n{ map b.tga }\n");
  EXPECT_TRUE(script.Ignored_By_Engine);
  EXPECT_NE(script.Error.find("\"b\" has no closing"), std::string::npos) << script.Error;
  EXPECT_EQ(Names_Of(script), (Strings{"a"}));  // for telling the user

  // The shape is checked on the text as stored: "{//" is one word there, no brace.
  script = Read_Shader_Script("a {// comment\n{ map a.tga }\n}\n");
  EXPECT_TRUE(script.Ignored_By_Engine);
  EXPECT_NE(script.Error.find("no opening"), std::string::npos) << script.Error;
  EXPECT_TRUE(script.Definitions.empty());

  script = Read_Shader_Script("a { { map a.tga } } }");
  EXPECT_TRUE(script.Ignored_By_Engine);
  EXPECT_EQ(Names_Of(script), (Strings{"a"}));

  // A quotation mark left open runs to the end, so a brace is always missing; a comment left
  // open passes the check but hides the scripts the engine puts after this one.
  script = Read_Shader_Script("a { { map a.tga } } \"b");
  EXPECT_TRUE(script.Ignored_By_Engine);
  script = Read_Shader_Script("a { { map a.tga } } /* b");
  EXPECT_FALSE(script.Ignored_By_Engine);
  EXPECT_NE(script.Error.find("comment"), std::string::npos);
}

TEST(Read_Shader_Script, Hostile_Text_Is_Contained) {
  // The engine reads nothing after a NUL byte.
  TShader_Script script = Read_Shader_Script(std::string("a { { map a.tga } }\0b { }", 25));
  EXPECT_EQ(Names_Of(script), (Strings{"a"}));
  EXPECT_NE(script.Error.find("NUL byte at offset 19"), std::string::npos) << script.Error;

  // 100 MB of opening braces: one unclosed shader, ignored, in time linear in the text.
  std::string text = "a ";
  for (std::size_t i = 0; i < (50U << 20); ++i) {
    text += "{\n";
  }
  script = Read_Shader_Script(text);
  EXPECT_NE(script.Error.find("no closing"), std::string::npos);
  EXPECT_TRUE(script.Ignored_By_Engine);
  EXPECT_TRUE(script.Definitions.empty());

  // An endless token is cut to the engine's length.
  script = Read_Shader_Script(std::string(10U << 20, 'n') + " { { map x } }");
  ASSERT_EQ(script.Definitions.size(), 1U);
  EXPECT_EQ(script.Definitions[0].Name.size(), Token_Length_Limit);

  // Definitions beyond the limit are reported, not read.
  text.clear();
  for (std::size_t i = 0; i <= Shader_Definition_Limit; ++i) {
    text += "s { }\n";
  }
  script = Read_Shader_Script(text);
  EXPECT_EQ(script.Definitions.size(), Shader_Definition_Limit);
  EXPECT_NE(script.Error.find("more than"), std::string::npos);

  for (const auto& [name, input] : testing::Fuzz_Inputs(VORLIX_FUZZ_DIR, "shader_script")) {
    EXPECT_EQ(testing::Shader_Script_Input_Fault(input), "") << name;
  }
}

TEST(Image_Candidates, Name_As_Written_Then_The_Other_Extensions_In_The_Renderers_Order) {
  constexpr TImage_Order png = TImage_Order::Png_First;
  constexpr TImage_Order tga = TImage_Order::Tga_First;
  EXPECT_EQ(Image_Candidates("textures/a", png),
            (Strings{"textures/a.png", "textures/a.tga", "textures/a.jpg", "textures/a.jpeg",
                     "textures/a.pcx", "textures/a.bmp"}));
  EXPECT_EQ(Image_Candidates("textures/a", tga),
            (Strings{"textures/a.tga", "textures/a.jpg", "textures/a.jpeg", "textures/a.png",
                     "textures/a.pcx", "textures/a.bmp"}));
  EXPECT_EQ(Image_Candidates("Textures\\A.TGA", png),
            (Strings{"textures/a.tga", "textures/a.png", "textures/a.jpg", "textures/a.jpeg",
                     "textures/a.pcx", "textures/a.bmp"}));
  EXPECT_EQ(Image_Candidates("a.png", tga),
            (Strings{"a.png", "a.tga", "a.jpg", "a.jpeg", "a.pcx", "a.bmp"}));
  EXPECT_EQ(Image_Candidates("a.jpeg", png)[3], "a.jpg");
  // An extension the renderer does not load stays; a dot in a folder is no extension.
  EXPECT_EQ(Image_Candidates("odd.xyz", png)[0], "odd.xyz.png");
  EXPECT_EQ(Image_Candidates("a.", png)[1], "a..tga");
  EXPECT_EQ(Image_Candidates("tex.d/a", png)[1], "tex.d/a.tga");
  // The name is cut to 63 characters first.
  const std::string long_name = std::string(62, 'x') + ".tga";
  EXPECT_EQ(Image_Candidates(long_name, png)[0], std::string(62, 'x') + "..png");
}

TEST(Shader_Lookup_Key, Without_Extension_Cut_And_Folded) {
  EXPECT_EQ(Shader_Lookup_Key("Textures\\Base\\Wall.TGA"), "textures/base/wall");
  EXPECT_EQ(Shader_Lookup_Key("models/x.y/skin"), "models/x.y/skin");
  EXPECT_EQ(Shader_Lookup_Key(std::string(70, 'q') + ".tga"), std::string(63, 'q'));
}

TEST(Winning_Definition, Follows_The_Measured_Order_Of_ioquake3_And_Its_Mirror) {
  // Search positions: 0 MOD z.pk3, 1 base loose files, 2 base b_second.pk3, 3 base a_first.pk3.
  const TShader_Origin mod{0, 0, "scripts/aaa.shader", 0};
  const TShader_Origin loose{1, 0, "scripts/loose.shader", 0};
  const TShader_Origin b_second{2, 0, "scripts/aaa.shader", 0};
  const TShader_Origin a_first{3, 0, "scripts/zzz.shader", 0};
  EXPECT_EQ(Winning_Definition({b_second, a_first}, false), 1U);
  EXPECT_EQ(Winning_Definition({a_first, loose}, false), 0U);
  EXPECT_EQ(Winning_Definition({mod, a_first}, false), 1U);
  EXPECT_EQ(Winning_Definition({b_second, a_first}, true), 0U);
  EXPECT_EQ(Winning_Definition({mod, a_first}, true), 0U);
  EXPECT_EQ(Winning_Definition({}, false), std::nullopt);

  // One archive: the script later in its directory; one script: its first definition.
  const TShader_Origin listed_first{3, 0, "scripts/zzz.shader", 0};
  const TShader_Origin listed_later{3, 1, "scripts/aaa.shader", 0};
  EXPECT_EQ(Winning_Definition({listed_later, listed_first}, false), 0U);
  EXPECT_EQ(Winning_Definition({listed_later, listed_first}, true), 1U);
  const TShader_Origin second_in_file{3, 1, "scripts/aaa.shader", 1};
  EXPECT_EQ(Winning_Definition({second_in_file, listed_later}, false), 1U);

  // The same script name in two archives: only the one found first is read, so b_second's
  // copy hides a_first's, whose definition would otherwise win.
  const TShader_Origin hidden{3, 0, "Scripts\\AAA.shader", 0};
  EXPECT_EQ(Winning_Definition({hidden, b_second}, false), 1U);
}

}  // namespace

}  // namespace vorlix
