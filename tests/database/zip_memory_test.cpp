// An archive held in memory lists, reads and extracts exactly as the same archive on disk, with
// the same refusals; it is never written.

#include <filesystem>

#include <gtest/gtest.h>

#include "builders.h"
#include "database/zip_archive.h"

namespace vorlix::testing {
namespace {

namespace fs = std::filesystem;

TEST(Zip_Memory, ListsReadsAndExtractsAsTheFileDoes) {
  TTemp_Dir dir;
  const std::string bsp = Make_Bsp(Entity_Text("In Memory"), 4096);
  Write_Pk3(dir / "a.pk3",
            {{"maps/m1.bsp", bsp, Dos_Date_Time(2003, 4, 5, 6, 7, 8)},
             {"levelshots/m1.jpg", "picture", Dos_Date_Time(1999, 1, 1, 0, 0, 0), true},
             {"../escape.txt", "outside"},
             {"scripts/", ""}});
  Zip_Archive on_disk;
  on_disk.Set_ZipFilename(dir / "a.pk3");
  Zip_Archive in_memory;
  in_memory.Set_Zip_Data(Read_File(dir / "a.pk3"), "a.pk3");
  ASSERT_EQ(in_memory.Count(), on_disk.Count());
  for (int i = 0; i < on_disk.Count(); ++i) {
    EXPECT_EQ(in_memory.Entry(i).FileName, on_disk.Entry(i).FileName);
    EXPECT_EQ(in_memory.Entry(i).DOS_Date_Time, on_disk.Entry(i).DOS_Date_Time);
    EXPECT_EQ(in_memory.Entry(i).Size64, on_disk.Entry(i).Size64);
  }
  EXPECT_EQ(in_memory.Select({"*", "*/*"}), on_disk.Select({"*", "*/*"}));

  std::string read(bsp.size() + 10, '\0');
  EXPECT_EQ(in_memory.Open_Member(0)->Read(read.data(), read.size()), bsp.size());
  read.resize(bsp.size());
  EXPECT_EQ(read, bsp);

  fs::create_directories(dir / "out/sub");
  EXPECT_TRUE(in_memory.Extract({"*", "*/*"}, dir / "out/sub", true).Skipped.empty());
  EXPECT_EQ(Read_File(dir / "out/sub/maps/m1.bsp"), bsp);
  EXPECT_EQ(Read_File(dir / "out/sub/levelshots/m1.jpg"), "picture");
  EXPECT_FALSE(fs::exists(dir / "out/escape.txt"));
}

TEST(Zip_Memory, DamagedDataIsAnErrorAndNothingIsEverWritten) {
  TTemp_Dir dir;
  Zip_Archive archive;
  try {
    archive.Set_Zip_Data("PK\3\4 not really a zip", "broken.pk3");
    FAIL() << "no error";
  } catch (const TZip_Error& error) {
    EXPECT_NE(std::string(error.what()).find("broken.pk3"), std::string::npos) << error.what();
  }
  EXPECT_EQ(archive.Count(), 0);

  Write_Pk3(dir / "a.pk3", {{"maps/m1.bsp", "x"}});
  archive.Set_Zip_Data(Read_File(dir / "a.pk3"), dir / "a.pk3");
  // The name given is only a name: writing never goes to a file of that name.
  Write_File(dir / "new.txt", "new");
  EXPECT_THROW(archive.Add({{dir / "new.txt", "new.txt"}}), TZip_Error);
  EXPECT_THROW(archive.Rename_Entry(0, "maps/m2.bsp"), TZip_Error);
  Zip_Archive check;
  check.Set_ZipFilename(dir / "a.pk3");
  ASSERT_EQ(check.Count(), 1);
  EXPECT_EQ(check.Entry(0).FileName, "maps/m1.bsp");

  // Opening a file afterwards forgets the data.
  archive.Set_ZipFilename(dir / "missing.pk3");
  EXPECT_EQ(archive.Count(), 0);
}

}  // namespace
}  // namespace vorlix::testing
