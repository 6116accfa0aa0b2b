#include "app/options.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "builders.h"

namespace vorlix {
namespace {

TEST(Parse_Options, Reads_Both_Forms_And_Collects_Words) {
  const auto parse = Parse_Options({"--data-dir", "/d", "--game-dir=/g", "list", "-h", "--engine",
                                    "/usr/games/openarena", "--demo", "--version"});
  ASSERT_TRUE(parse.Ok()) << parse.Error;
  EXPECT_EQ(parse.Options.Data_Dir, "/d");
  EXPECT_EQ(parse.Options.Game_Dir, "/g");
  EXPECT_EQ(parse.Options.Engine, "/usr/games/openarena");
  EXPECT_TRUE(parse.Options.Help && parse.Options.Demo && parse.Options.Version);
  EXPECT_EQ(parse.Options.Arguments, (std::vector<std::string>{"list"}));
  EXPECT_TRUE(Parse_Options({}).Ok());
  EXPECT_FALSE(Parse_Options({}).Options.Engine.has_value());
  // An empty engine is a value of its own (it clears the stored one), unlike an empty directory.
  const auto cleared = Parse_Options({"--engine="});
  ASSERT_TRUE(cleared.Ok()) << cleared.Error;
  EXPECT_EQ(cleared.Options.Engine, "");
  EXPECT_EQ(Parse_Options({"--server-engine="}).Options.Server_Engine, "");
  EXPECT_EQ(Parse_Options({"--server-engine", "oa"}).Options.Server_Engine, "oa");
}

TEST(Parse_Options, Rejects_Unknown_Missing_Or_Repeated_Options) {
  EXPECT_EQ(Parse_Options({"--verbose"}).Error, "unknown option: --verbose");
  EXPECT_EQ(Parse_Options({"-x"}).Error, "unknown option: -x");
  EXPECT_EQ(Parse_Options({"--engine"}).Error, "option --engine needs a program");
  EXPECT_FALSE(Parse_Options({"--data-dir"}).Ok());
  EXPECT_FALSE(Parse_Options({"--game-dir="}).Ok());
  EXPECT_FALSE(Parse_Options({"--data-dir", "/a", "--data-dir", "/b"}).Ok());
  EXPECT_FALSE(Parse_Options({"--engine", "a", "--engine=b"}).Ok());
}

TEST(Program_Directory, Data_Dir_Is_Made_Absolute_And_Created_When_It_Can_Be) {
  testing::TTemp_Dir tmp;
  TProgram_Options options;
  options.Data_Dir = tmp / "new/data/";
  EXPECT_EQ(Program_Directory(options), tmp / "new/data");
  EXPECT_TRUE(std::filesystem::is_directory(tmp / "new/data"));
  testing::Write_File(tmp / "file", "");
  options.Data_Dir = tmp / "file/sub";
  // Reported by the start-up, which offers another folder.
  EXPECT_EQ(Program_Directory(options), tmp / "file/sub");
  EXPECT_FALSE(Program_Directory({}).empty());
}

}  // namespace
}  // namespace vorlix
