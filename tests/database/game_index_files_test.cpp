// gameindex.dat where something else lies at its name: the start-up's writer reads each archive
// once, keeps what it read for the run when the file cannot be written, and says why.

#include <filesystem>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "../browser/test_database.h"
#include "builders.h"
#include "database/database_startup.h"
#include "database/game_index.h"
#include "scripted_interaction.h"

namespace vorlix::testing {
namespace {

namespace fs = std::filesystem;

// Without a file the index is written even when no archive is there: the next start finds it
// current and lists nothing.
TEST(Game_Index_File, An_Installation_Without_Archives_Gets_Its_File_Too) {
  TTemp_Dir dir;
  fs::create_directories(dir / "prog");
  const TPK3_Record_Store db(TDatabase_Paths{dir / "prog", "", "", "", dir / "game"});
  EXPECT_TRUE(Game_Index_Of(db, {}, Read_Archive_Facts).Archives().empty());
  EXPECT_TRUE(Game_Index_File_Is_Current(dir / "prog"));
}

TEST(Game_Index_File, What_Was_Read_Serves_The_Run_When_The_File_Cannot_Be_Written) {
  TTemp_Dir dir;
  const TDatabase_Paths paths{dir / "prog", dir / "prog/TEMP", dir / "prog/LEVELSHOTS",
                              dir / "prog/BOTINFO", dir / "game"};
  Write_Pk3(dir / "game/baseq3/a.pk3",
            {{"maps/a.bsp", Make_Bsp(Entity_Text("A"), 100)}, {"maps/a.aas", "EAAS"}});
  Write_Pk3(dir / "game/baseq3/b.pk3", {{"maps/b.bsp", Make_Bsp(Entity_Text("B"), 100)}});
  fs::create_directories(dir / "prog");
  TScripted_Interaction ui;
  const auto db = Load_PK3_Database(paths, &ui).Database;
  ASSERT_TRUE(Save_PK3_Database(*db));
  static int reads = 0;
  const TGame_Index::TReader counting = [](const std::string& path) {
    ++reads;
    return Read_Archive_Facts(path);
  };
  const std::string file = dir / "prog/gameindex.dat";
  fs::create_directory(file);
  EXPECT_FALSE(Game_Index_File_Is_Current(dir / "prog"));
  TGame_Index_Writer writer(dir / "prog");
  EXPECT_FALSE(writer.Write(*db, counting));
  EXPECT_EQ(reads, 2);
  EXPECT_NE(writer.Problem().find(file), std::string::npos) << writer.Problem();
  const auto kept = writer.Unsaved_Index();
  ASSERT_NE(kept, nullptr);
  ASSERT_EQ(kept->Archives().size(), 2U);
  const TArchive_Facts* bots = kept->Bot_File("a.bsp", "baseq3", Base_Directories());
  ASSERT_NE(bots, nullptr);
  EXPECT_EQ(bots->PK3_Filename, "a.pk3");

  // A FIFO at the name is damage to rebuild, found without waiting on it.
  fs::remove(file);
  ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
  EXPECT_FALSE(Game_Index_File_Is_Current(dir / "prog"));
  TGame_Index_Writer rebuilding(dir / "prog");
  reads = 0;
  EXPECT_TRUE(rebuilding.Write(*db, counting));
  EXPECT_EQ(reads, 2);
  EXPECT_EQ(rebuilding.Problem(), file + " is not a regular file");
  EXPECT_TRUE(fs::is_regular_file(file));
  EXPECT_TRUE(Game_Index_File_Is_Current(dir / "prog"));
}

}  // namespace
}  // namespace vorlix::testing
