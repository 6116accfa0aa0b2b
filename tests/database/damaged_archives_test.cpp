// Archives and maps of unusual shape that the other tests leave out: member names in 8-bit bytes
// that are not UTF-8, a directory member carrying data, and map files of zero length.

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "builders.h"
#include "database/scan.h"
#include "database/stream.h"
#include "database/zip_archive.h"

namespace vorlix::testing {
namespace {

namespace fs = std::filesystem;

TEST(Damaged_Archives, Names_In_Other_Byte_Encodings_Are_Listed_And_Written_As_Stored) {
  TTemp_Dir dir;
  Write_Pk3(dir / "raw.pk3", {{"levelshots/aXb.jpg", "picture"}, {"maps/cXd.bsp", "map"}});
  std::string data = Read_File(dir / "raw.pk3");
  ASSERT_EQ(Replace_Bytes(data, "aXb", "a\xE4\x62"), 2);  // local and central header
  ASSERT_EQ(Replace_Bytes(data, "cXd", "\xFF\xFE\x80"), 2);
  Write_File(dir / "raw.pk3", data);

  Zip_Archive zip;
  zip.Set_ZipFilename(dir / "raw.pk3");
  ASSERT_EQ(zip.Count(), 2);
  EXPECT_EQ(zip.Entry(0).FileName, "levelshots/a\xE4\x62.jpg");
  EXPECT_EQ(zip.Entry(1).FileName, "maps/\xFF\xFE\x80.bsp");
  fs::create_directories(dir / "out");
  zip.ExtrBaseDir = dir / "out";
  zip.ExtrDirNames = true;
  zip.Change_Current_Directory = false;
  zip.FSpecArgs = {"levelshots/*", "maps/*"};
  zip.Extract();
  EXPECT_EQ(Read_File(dir / "out/levelshots/a\xE4\x62.jpg"), "picture");
  EXPECT_EQ(Read_File(dir / "out/maps/\xFF\xFE\x80.bsp"), "map");
}

TEST(Damaged_Archives, Directory_Member_With_Data_Is_A_Folder_And_Nothing_Else) {
  TTemp_Dir dir;
  Write_Pk3(dir / "dir.pk3", {{"mapsX", "data of a directory"}, {"maps/a.bsp", "bsp"}});
  std::string data = Read_File(dir / "dir.pk3");
  ASSERT_EQ(Replace_Bytes(data, "mapsX", "maps/"), 2);
  Write_File(dir / "dir.pk3", data);

  Zip_Archive zip;
  zip.Set_ZipFilename(dir / "dir.pk3");
  ASSERT_EQ(zip.Count(), 2);
  EXPECT_EQ(zip.Entry(0).FileName, "maps/");
  fs::create_directories(dir / "out");
  zip.ExtrBaseDir = dir / "out";
  zip.ExtrDirNames = true;
  zip.Change_Current_Directory = false;
  zip.FSpecArgs = {"*", "maps/*"};
  try {
    zip.Extract();
  } catch (const TZip_Error&) {
    // reporting the odd member is fine; the state below is what counts
  }
  EXPECT_TRUE(fs::is_directory(dir / "out/maps"));
  EXPECT_EQ(Read_File(dir / "out/maps/a.bsp"), "bsp");
  // Nothing else was written: no file holding the directory's data anywhere.
  int files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(dir / "out")) {
    files += entry.is_regular_file() ? 1 : 0;
  }
  EXPECT_EQ(files, 1);
}

TEST(Damaged_Maps, Zero_Length_And_Header_Only_Maps) {
  TTemp_Dir dir;
  Write_File(dir / "empty.bsp", "");
  EXPECT_THROW(Read_Longname(dir / "empty.bsp"), TStream_Error);
  // Exactly the header, its offset pointing at the end: no title, no error.
  Write_File(dir / "header.bsp", std::string("IBSP\x2E\0\0\0\x0C\0\0\0", 12));
  EXPECT_EQ(Read_Longname(dir / "header.bsp"), "");
}

}  // namespace
}  // namespace vorlix::testing
