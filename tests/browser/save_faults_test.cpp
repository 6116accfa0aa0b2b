// Saving the database and the tree when the disk fills up or the data folder cannot be written:
// the user is told, and the previous mapsdb.dat and mapstree.dat stay intact.

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "as_user.h"
#include "browser/maps_tree.h"
#include "builders.h"
#include "database/database_file.h"
#include "test_database.h"

namespace vorlix::testing {
namespace {

namespace fs = std::filesystem;

// The messages name the file and the system's reason.
const char* const Save_Error = "Error during saving PK3 information: ";
const char* const Tree_Save_Error = "Error saving map information: ";

bool Names(const std::string& text, const char* start, const std::string& file,
           const char* reason) {
  return text.rfind(start, 0) == 0 && text.find(file) != std::string::npos &&
         text.find(reason) != std::string::npos;
}

class Save_Faults : public ::testing::Test {
 protected:
  Save_Faults() {
    TPK3_Record* pk3 = Db.Add_PK3("baseq3", "pak0.pk3");
    pk3->ID = 1;
    for (int i = 0; i < 3; ++i) {
      TMap_Record* map = TTest_Database::Add_Map(pk3, "q3dm" + std::to_string(i) + ".bsp");
      map->ID = i;
    }
    Tree.Make_Group("Arenas");
    Tree.Make_Group("Favourites");
    // The previous files, as an earlier session left them.
    EXPECT_TRUE(TDatabase_File::Save_Database(Db.Database, Data_ / "mapsdb.dat"));
    EXPECT_TRUE(Tree.Save_Tree_File(Data_ / "mapstree.dat"));
    Old_Database = Read_File(Data_ / "mapsdb.dat");
    Old_Tree = Read_File(Data_ / "mapstree.dat");
    // This session's changes, which make both files larger.
    Db.Database.Items(0)->Maps->Items(0)->Comment = std::string(4000, 'c');
    for (int i = 0; i < 50; ++i) {
      Tree.Make_Group("Group " + std::to_string(i) + std::string(60, 'g'));
    }
  }

  // Runs `save` in a child process that may write files of at most `limit` bytes; returns the
  // child's exit code (the result of `save`, 0 for success).
  static int In_Child_With_File_Limit(rlim_t limit, const std::function<int()>& save) {
    return Run_In_Child([&] {
      ::signal(SIGXFSZ, SIG_IGN);  // writes past the limit fail with EFBIG instead
      struct rlimit rl {};
      rl.rlim_cur = rl.rlim_max = limit;
      ::setrlimit(RLIMIT_FSIZE, &rl);
      return save();
    });
  }

  void Expect_Old_Files_Intact() {
    EXPECT_EQ(Read_File(Data_ / "mapsdb.dat"), Old_Database);
    EXPECT_EQ(Read_File(Data_ / "mapstree.dat"), Old_Tree);
    // Both still load.
    TTest_Database reloaded;
    EXPECT_TRUE(TDatabase_File::Load_Database(reloaded.Database, Data_ / "mapsdb.dat").Complete());
    TMaps_Tree tree;
    EXPECT_TRUE(tree.Load_Tree_File(Data_ / "mapstree.dat", Db.Database).Ok());
    EXPECT_EQ(tree.Serialize(), Old_Tree);
  }

  TTemp_Dir Data_;
  TTest_Database Db;
  TMaps_Tree Tree;
  std::string Old_Database;
  std::string Old_Tree;
};

TEST_F(Save_Faults, Full_Disk_Is_Reported_For_Both_Files_And_Keeps_The_Previous_Ones) {
  ASSERT_GT(Tree.Serialize().size(), Old_Tree.size() + 100);
  const rlim_t limit = std::max(Old_Database.size(), Old_Tree.size()) + 64;
  const int result = In_Child_With_File_Limit(limit, [&] {
    const TResult<void> database_saved =
        TDatabase_File::Save_Database(Db.Database, Data_ / "mapsdb.dat");
    const TResult<void> tree_saved = Tree.Save_Tree_File(Data_ / "mapstree.dat");
    const bool told_database = !database_saved && Names(database_saved.Message(), Save_Error,
                                                        Data_ / "mapsdb.dat", "File too large");
    const bool told_tree = !tree_saved && Names(tree_saved.Message(), Tree_Save_Error,
                                                Data_ / "mapstree.dat", "too large");
    return (database_saved ? 1 : 0) | (tree_saved ? 2 : 0) | (told_database ? 0 : 4) |
           (told_tree ? 0 : 8);
  });
  EXPECT_EQ(result, 0);
  Expect_Old_Files_Intact();
  // Nothing half-written is left beside them.
  for (const auto& entry : fs::directory_iterator(Data_.Path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "mapsdb.dat" || name == "mapstree.dat") << name;
  }
  // With room again, the same session saves both.
  EXPECT_TRUE(TDatabase_File::Save_Database(Db.Database, Data_ / "mapsdb.dat"));
  EXPECT_TRUE(Tree.Save_Tree_File(Data_ / "mapstree.dat"));
  EXPECT_EQ(Read_File(Data_ / "mapstree.dat"), Tree.Serialize());
}

TEST_F(Save_Faults, Read_Only_Data_Folder_Is_Reported_And_Keeps_The_Previous_Files) {
  // Permissions hold for an ordinary user only: the saves run under one.
  Give_To_User(Data_.Path());
  ::chmod(Data_.Path().c_str(), 0555);
  const int result = Run_As_User([&] {
    const TResult<void> database_saved =
        TDatabase_File::Save_Database(Db.Database, Data_ / "mapsdb.dat");
    EXPECT_FALSE(database_saved);
    EXPECT_TRUE(!database_saved && Names(database_saved.Message(), Save_Error, Data_ / "mapsdb.dat",
                                         "Permission denied"));
    const TResult<void> tree_saved = Tree.Save_Tree_File(Data_ / "mapstree.dat");
    EXPECT_FALSE(tree_saved);
    EXPECT_TRUE(!tree_saved && Names(tree_saved.Message(), Tree_Save_Error, Data_ / "mapstree.dat",
                                     "Permission denied"));
    return ::testing::Test::HasFailure() ? 1 : 0;
  });
  ::chmod(Data_.Path().c_str(), 0755);
  EXPECT_EQ(result, 0);
  Expect_Old_Files_Intact();
}

}  // namespace
}  // namespace vorlix::testing
