// Files the program reads and writes meeting what others put at their names: links planted at
// the scratch name, and FIFOs, devices, directories and oversized files where a data file should
// be. Nothing is written through a link, and nothing is waited on or read without end.

#include <filesystem>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "builders.h"
#include "database/database_file.h"
#include "database/records.h"
#include "database/stream.h"
#include "scripted_interaction.h"

namespace vorlix::testing {
namespace {

namespace fs = std::filesystem;

TEST(Atomic_Write, A_Link_At_The_Scratch_Name_Is_Replaced_Never_Written_Through) {
  TTemp_Dir dir;
  Write_File(dir / "elsewhere", "not the program's");
  const auto plant = [&] {
    fs::remove(dir / "data.new");
    fs::create_symlink(dir / "elsewhere", dir / "data.new");
  };
  plant();
  Write_File_Atomically(dir / "data", std::string("whole"));
  plant();
  Write_File_Atomically(dir / "data", [](TByte_Writer& out) { out.Write_Integer(7); });
  EXPECT_EQ(Read_File(dir / "elsewhere"), "not the program's");
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir / "data")));
  EXPECT_EQ(Read_File(dir / "data"), std::string("\7\0\0\0", 4));
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "data.new")));
  // A file that holds the bytes already is left alone, down to a single byte.
  struct stat first {};
  struct stat again {};
  Write_File_Atomically(dir / "one", std::string("x"));
  ASSERT_EQ(::stat((dir / "one").c_str(), &first), 0);
  Write_File_Atomically(dir / "one", std::string("x"));
  ASSERT_EQ(::stat((dir / "one").c_str(), &again), 0);
  EXPECT_EQ(again.st_ino, first.st_ino);
}

TEST(Whole_File_Read, Only_Regular_Files_Of_A_Sane_Size_Are_Read_And_Nothing_Blocks) {
  TTemp_Dir dir;
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  fs::create_directory(dir / "folder");
  fs::create_symlink("/dev/zero", dir / "zero");
  Write_File(dir / "large", std::string(100, 'x'));
  Write_File(dir / "ok", "bytes");
  for (const char* name : {"fifo", "folder", "zero", "missing"}) {
    SCOPED_TRACE(name);
    EXPECT_THROW(Read_Whole_File(dir / name), TStream_Error);
  }
  EXPECT_THROW(Read_Whole_File(dir / "large", 99), TStream_Error);
  EXPECT_EQ(Read_Whole_File(dir / "large", 100), std::string(100, 'x'));
  fs::create_symlink(dir / "ok", dir / "link");  // a link to a regular file is read
  EXPECT_EQ(Read_Whole_File(dir / "link"), "bytes");
}

// A database file that is no file of records stops the start with the reason, as damage does,
// instead of hanging on a FIFO or reading a device until memory runs out.
TEST(Whole_File_Read, A_Database_File_That_Is_No_Regular_File_Is_Damage_With_Its_Reason) {
  TTemp_Dir dir;
  const std::string path = dir / "mapsdb.dat";
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  TPK3_Record_Store db({dir.Path(), dir / "TEMP", "", "", ""});
  const TDatabase_Load_Result result = TDatabase_File::Load_Database(db, path);
  EXPECT_TRUE(result.Damaged());
  EXPECT_TRUE(result.Ends_Run());
  EXPECT_FALSE(result.Backup_Kept);
  EXPECT_TRUE(db.Load_Damaged());
  EXPECT_EQ(result.Message, Damaged_Database_Message(path, false, path + " is not a regular file"));
  EXPECT_NE(result.Message.find("The reason: " + path + " is not a regular file."),
            std::string::npos);
}

}  // namespace
}  // namespace vorlix::testing
