// vorlix-cli meeting folders it may not read or clear: an unreadable MOD directory, a TEMP folder
// holding what the user may not delete. The start-up goes on, nothing stored is lost, and
// everything comes back with the files. The program runs as an ordinary user, for whom
// permissions hold.

#include <sys/stat.h>

#include "as_user.h"
#include "cli_runner.h"
#include "database/zip_archive.h"

namespace vorlix::testing {
namespace {

class Cli_Disk_Faults : public Cli {
 protected:
  void SetUp() override {
    ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
    Listing_ = Run_Data({"list"}).Out;
    ASSERT_NE(Listing_.find("Mod Map"), std::string::npos);
    Database_ = Read_File(Data_ / "mapsdb.dat");
    Settings_ = Settings();
    for (const TTemp_Dir* dir : {&Game_, &Data_, &Config_}) {
      Give_To_User(dir->Path());
    }
    Command_Prefix_ = As_User_Command_Prefix();
  }

  // Everything stored is as the first start left it, and the next start lists every map again.
  void Expect_All_Back() {
    EXPECT_EQ(Read_File(Data_ / "mapsdb.dat"), Database_);
    EXPECT_EQ(Settings(), Settings_);
    const TRun_Result again = Run_Data({"list"});
    EXPECT_EQ(again.Status, 0) << again.Err;
    EXPECT_EQ(again.Out, Listing_);
  }

  std::string Listing_;
  std::string Database_;
  std::string Settings_;
};

TEST_F(Cli_Disk_Faults, Unreadable_Mod_Directory_Loses_Nothing) {
  // A MOD directory that cannot be read is passed over: its archives keep their records.
  ::chmod((Game_ / "MyMod").c_str(), 0);
  const TRun_Result result = Run_Data({"list"});
  ::chmod((Game_ / "MyMod").c_str(), 0755);
  EXPECT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(result.Out, Listing_);
  EXPECT_EQ(result.Err, "");
  Expect_All_Back();
}

TEST_F(Cli_Disk_Faults, Temp_Folder_That_Cannot_Be_Cleared_Does_Not_Stop_The_Work) {
  // Left over from another user: TEMP holds a folder the program may not empty.
  Write_File(Data_ / "TEMP/stuck/scripts/old.arena", "{\nmap \"stale\"\n}\n");
  Give_To_User(Data_ / "TEMP");
  if (Switches_User()) {
    ::lchown((Data_ / "TEMP/stuck").c_str(), 0, 0);
    ::lchown((Data_ / "TEMP/stuck/scripts").c_str(), 0, 0);
    ::lchown((Data_ / "TEMP/stuck/scripts/old.arena").c_str(), 0, 0);
  }
  Write_File(Data_ / "mapstree.dat",
             Tree_Group("Arenas", 1) + Tree_Group("Duel maps", 1) + Tree_Entry(0, 0));
  Give_To_User(Data_ / "mapstree.dat");

  const TRun_Result result = Run_Data(
      {"arena", "create", "--group", "Arenas/Duel maps", "--mod", "baseq3", "--name", "duel"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  // The arena file holds what this run wrote, nothing of what TEMP held before.
  const std::string arena = Game_ / "baseq3/z_Arenas_active_duel.pk3";
  TZip_Archive archive;
  archive.Set_Zip_Filename(arena);
  ASSERT_EQ(archive.Count(), 1);
  EXPECT_EQ(archive.Entry(0).Name, "scripts/arenas.txt");
  std::string script(4096, '\0');
  script.resize(archive.Open_Member(0)->Read(script.data(), script.size()));
  EXPECT_NE(script.find("q3dm1"), std::string::npos) << script;
  EXPECT_EQ(script.find("stale"), std::string::npos) << script;
  EXPECT_EQ(Run_Data({"tree"}).Out, "Arenas\n  Duel maps\n    Q3DM1\t0\t0\n");

  if (Switches_User()) {
    EXPECT_TRUE(fs::exists(Data_ / "TEMP/stuck/scripts/old.arena"));  // it really stayed
  }
  // Once the folder may be cleared, the next run clears TEMP.
  Give_To_User(Data_ / "TEMP");
  EXPECT_EQ(Run_Data({"sync"}).Status, 0);
  EXPECT_FALSE(fs::exists(Data_ / "TEMP"));
  EXPECT_FALSE(fs::exists(Data_ / "temp"));
}

}  // namespace
}  // namespace vorlix::testing
