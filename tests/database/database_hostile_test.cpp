// The database file (mapsdb.dat) against damaged and hostile bytes: records of another format,
// every truncation, absurd lengths and counts, and the fuzz corpus with its regressions. A load
// that stops keeps the whole records read so far, keeps the file as a backup and stops the start.

#include <limits>

#include <gtest/gtest.h>

#include "builders.h"
#include "core/session.h"
#include "database/database_file.h"
#include "database/records.h"
#include "database/stream.h"
#include "hostile_inputs.h"
#include "scripted_interaction.h"

namespace vorlix::testing {
namespace {

// Three archives (IDs 0, 1, 2) with one, two and three maps, as the fuzz seeds hold them.
std::string Three_Archives() {
  return Read_File(std::string(VORLIX_FUZZ_DIR) + "/corpus/database/archives3");
}

class Database_Hostile : public ::testing::Test {
 protected:
  void SetUp() override { Session_Flags() = {}; }
  void TearDown() override { Session_Flags() = {}; }

  TDatabase_Paths Paths() const { return {Dir_.Path(), Dir_ / "TEMP", "", "", ""}; }

  TTemp_Dir Dir_;
};

TEST_F(Database_Hostile, A_Load_That_Stops_Keeps_Whole_Records_IDs_And_The_File_As_Backup) {
  TScripted_Interaction quiet;
  TPK3_Dateien_Verwaltung db(Paths(), &quiet);
  for (const std::int32_t id : {7, 3, -2}) {
    db.Items(db.Add_Record())->ID = id;
  }
  ASSERT_TRUE(TDatabase_File::Save_Database(db, Dir_ / "three.dat"));
  const std::string three = Read_File(Dir_ / "three.dat");
  db.Clear();
  db.Items(db.Add_Record())->ID = std::numeric_limits<std::int32_t>::max();
  ASSERT_TRUE(TDatabase_File::Save_Database(db, Dir_ / "largest.dat"));
  const std::string largest = Read_File(Dir_ / "largest.dat");
  // The first map record of the first archive, after its strings, size, date and map count.
  std::string bad_map = Three_Archives();
  const std::size_t file = 4 + 4 + 1 + 4 + Get_U32(bad_map, 4 + 4 + 1);
  const std::size_t first_map = file + 4 + Get_U32(bad_map, file) + 4 + 4 + 4;
  ASSERT_EQ(bad_map.substr(first_map, 4), std::string("\1\0\0\0", 4));
  bad_map[first_map] = 0;
  const Recorded_Message pk3_format{Message_Kind::Error,
                                    "Error loading pk3 information. Incompatible file format.",
                                    Button_Set::Cancel};
  const Recorded_Message map_format{Message_Kind::Error,
                                    "Error loading map information. Incompatible file format.",
                                    Button_Set::Cancel};
  // A file read in part stops the start-up as a file of another format does.
  const Recorded_Message load_error{
      Message_Kind::Error, Damaged_Database_Message(Dir_ / "mapsdb.dat", true), Button_Set::Cancel};
  const std::string v1("\1\0\0\0", 4);
  const std::string v2("\2\0\0\0", 4);
  const struct {
    int Count;
    std::int32_t Last_ID;  // an ID after the largest read, as 32-bit integers count
    bool Quit;
    Recorded_Message Message;
    std::string Data;
  } cases[] = {{1, 0, false, pk3_format, v2 + std::string("\5\0\0\0", 4)},
               {4, 8, false, pk3_format, three + v2},
               {4, 8, true, load_error, three + v1},
               {2, std::numeric_limits<std::int32_t>::min(), true, load_error, largest + v1},
               {1, 0, true, map_format, bad_map}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Message.Text + " " + std::to_string(c.Count));
    Session_Flags() = {};
    Write_File(Dir_ / "mapsdb.dat", c.Data);
    TScripted_Interaction user;
    TPK3_Dateien_Verwaltung back(Paths(), &user);
    EXPECT_FALSE(TDatabase_File::Load_Database(back, Dir_ / "mapsdb.dat"));
    EXPECT_EQ(user.Messages, std::vector<Recorded_Message>{c.Message});
    EXPECT_TRUE(Session_Flags().Suppress_Saving);
    EXPECT_EQ(Session_Flags().Quit_Requested, c.Quit);
    EXPECT_EQ(back.Load_Damaged(), c.Message.Text == load_error.Text);
    ASSERT_EQ(back.Count(), c.Count);
    EXPECT_EQ(back.Items(c.Count - 1)->ID, c.Last_ID);
    if (c.Count == 1 && !c.Quit) {  // the record the load stopped at keeps its defaults
      EXPECT_TRUE(back.Items(0)->MOD_Directory.empty());
    }
    for (int i = 0; i < back.Count(); ++i) {
      EXPECT_EQ(back.Items(i)->Owner, &back);
      ASSERT_NE(back.Items(i)->Maps, nullptr);
    }
    if (c.Count == 4) {  // a record added afterwards continues from there
      EXPECT_EQ(back.Items(1)->ID, 3);
      EXPECT_EQ(back.Items(back.Add_Record())->ID, 9);
    }
    EXPECT_EQ(Read_File(Dir_ / "mapsdb.dat.bak"), c.Data);
  }
}

TEST_F(Database_Hostile, Truncations_And_Absurd_Lengths_Are_Damage_Never_Allocations) {
  const std::string full = Three_Archives();
  std::vector<std::string> damaged;
  for (std::size_t cut = 1; cut < full.size(); ++cut) {
    damaged.push_back(full.substr(0, cut));
  }
  TByte_Writer huge_string;
  TByte_Writer huge_count;
  TByte_Writer negative;
  for (TByte_Writer* out : {&huge_string, &huge_count, &negative}) {
    out->Write_Integer(1);
    out->Write_Integer(0);
    out->Write_Bool(true);
  }
  huge_string.Write_Integer(0x7FFFFFF0);  // a string length of 2 GiB
  negative.Write_Integer(-2);
  huge_count.Write_String("baseq3");
  huge_count.Write_String("a.pk3");
  huge_count.Write_Cardinal(0);
  huge_count.Write_Integer(0);
  huge_count.Write_Integer(0x7FFFFFFF);  // two billion maps
  damaged.push_back(huge_string.Data() + "abc");
  damaged.push_back(huge_count.Data() + std::string(200, '\1'));
  damaged.push_back(negative.Data() + "xyz");
  const std::string path = Dir_ / "mapsdb.dat";
  int whole = 0;
  for (const std::string& data : damaged) {
    SCOPED_TRACE(data.size());
    Session_Flags() = {};
    Write_File(path, data);
    TScripted_Interaction user;
    TPK3_Dateien_Verwaltung back(Paths(), &user);
    if (TDatabase_File::Load_Database(back,
                                      path)) {  // a cut between two archives: a shorter whole file
      EXPECT_TRUE(user.Messages.empty());
      ++whole;
      continue;
    }
    EXPECT_EQ(user.Messages, (std::vector<Recorded_Message>{{Message_Kind::Error,
                                                             Damaged_Database_Message(path, true),
                                                             Button_Set::Cancel}}));
    EXPECT_TRUE(back.Load_Damaged());
    EXPECT_TRUE(Session_Flags().Suppress_Saving);
    EXPECT_GE(back.Count(), 1);
    EXPECT_EQ(Read_File(path + ".bak"), data);
    // Every record, also the partly read one, can be written back.
    if (data.size() % 16 == 0) {
      EXPECT_TRUE(TDatabase_File::Save_Database(back, Dir_ / "back.dat"));
    }
  }
  EXPECT_EQ(whole, 2);
}

TEST(Database_Fuzz_Inputs, Corpus_And_Regressions_Keep_The_Rules) {
  const auto inputs = Fuzz_Inputs(VORLIX_FUZZ_DIR, "database");
  ASSERT_GT(inputs.size(), 4u);  // the seeds and at least one regression
  for (const auto& [name, bytes] : inputs) {
    TTemp_Dir scratch;
    EXPECT_EQ(Database_Input_Fault(bytes, scratch.Path()), "") << name;
  }
}

}  // namespace
}  // namespace vorlix::testing
