#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli_runner.h"

namespace vorlix::testing {
namespace {

class Cli_Check : public Cli {
 protected:
  Cli_Check() {
    // A map whose wall texture only a MOD holds, and a quote and a Latin-1 letter in a name.
    Write_Pk3(Game_ / "baseq3/zz_holes.pk3",
              {{"maps/holes.bsp",
                Make_Bsp_Drawing(Entity_Text("Holes"),
                                 {"textures/holes/wall", "textures/holes/caf\xe9\"q"})}});
    Write_Pk3(Game_ / "MyMod/mod_tex.pk3", {{"textures/holes/wall.tga", "tga"}});
    Write_Pk3(Game_ / "baseq3/music.pk3", {{"music/sonic1.wav", Silent_Wav()}});
  }

  // The IDs of a map as find prints them.
  std::vector<std::string> Map_IDs(const std::string& word) {
    const TRun_Result found = Run_With_Dirs({"find", word});
    const auto fields = Split(found.Out.substr(0, found.Out.find('\n')), '\t');
    return fields.size() > 4 ? std::vector<std::string>{fields[3], fields[4]}
                             : std::vector<std::string>{};
  }

  static std::vector<std::string> Split(const std::string& line, char separator) {
    std::vector<std::string> fields;
    std::size_t begin = 0;
    for (std::size_t end; (end = line.find(separator, begin)) != std::string::npos;
         begin = end + 1) {
      fields.push_back(line.substr(begin, end - begin));
    }
    fields.push_back(line.substr(begin));
    return fields;
  }
};

TEST_F(Cli_Check, The_Report_As_Records_And_As_JSON_With_Its_Exit_Status) {
  TRun_Result result = Run_With_Dirs({"check"});
  EXPECT_EQ(result.Status, 1) << result.Err;
  EXPECT_NE(result.Out.find("missing\tbaseq3/zz_holes.pk3\tmaps/holes.bsp\t2\t2\t0\t0\t0\n"),
            std::string::npos)
      << result.Out;

  result = Run_With_Dirs({"check", "--json"});
  EXPECT_EQ(result.Status, 1);
  const QJsonDocument json = QJsonDocument::fromJson(QByteArray::fromStdString(result.Out));
  ASSERT_TRUE(json.isObject()) << result.Out;
  const QJsonArray missing = json.object()["missing"].toArray();
  ASSERT_EQ(missing.size(), 1) << result.Out;
  EXPECT_EQ(missing[0].toObject()["missing"].toObject()["textures"].toInt(), 2);

  // The MOD's own archives lack nothing.
  result = Run_With_Dirs({"check", "--mod", "mymod"});
  EXPECT_EQ(result.Status, 0) << result.Out << result.Err;
  EXPECT_EQ(result.Out.find("missing"), std::string::npos);
}

TEST_F(Cli_Check, One_Map_Tells_Each_Missing_File_And_Where_It_Lies) {
  const std::vector<std::string> ids = Map_IDs("holes");
  ASSERT_EQ(ids.size(), 2U);
  TRun_Result result = Run_With_Dirs({"check", ids[0], ids[1]});
  EXPECT_EQ(result.Status, 1) << result.Err;
  EXPECT_NE(result.Out.find("missing\ttexture\ttextures/holes/wall\t\tmymod/mod_tex.pk3\n"),
            std::string::npos)
      << result.Out;

  result = Run_With_Dirs({"check", ids[0], ids[1], "--json"});
  const QJsonDocument json = QJsonDocument::fromJson(QByteArray::fromStdString(result.Out));
  ASSERT_TRUE(json.isObject()) << result.Out;
  const QJsonArray missing = json.object()["missing"].toArray();
  ASSERT_EQ(missing.size(), 2);
  // The byte 0xE9 is "é", the quote escaped.
  EXPECT_EQ(missing[0].toObject()["name"].toString(),
            QString::fromUtf8("textures/holes/caf\u00e9\"q"));
  EXPECT_TRUE(missing[0].toObject()["found_in"].isNull());
  EXPECT_EQ(missing[1].toObject()["found_in"].toObject()["pk3"].toString(), "mod_tex.pk3");

  // Launched in the MOD only the other name is missing.
  result = Run_With_Dirs({"check", "--mod", "MyMod", ids[0], ids[1]});
  EXPECT_EQ(result.Status, 1);
  EXPECT_EQ(result.Out.find("holes/wall"), std::string::npos) << result.Out;

  EXPECT_EQ(Run_With_Dirs({"check", ids[0]}).Status, 2);
  EXPECT_EQ(Run_With_Dirs({"check", "--bogus"}).Status, 2);
  EXPECT_EQ(Run_With_Dirs({"check", "--mod", ""}).Status, 2);
  EXPECT_EQ(Run_With_Dirs({"check", "999", "1"}).Status, 1);
}

}  // namespace
}  // namespace vorlix::testing
