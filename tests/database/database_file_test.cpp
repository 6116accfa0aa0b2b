// The database file (mapsdb.dat): its format, a round trip of every field, files written in
// pieces, and damaged and hostile bytes: records of another format, every truncation, absurd
// lengths and counts, and the fuzz corpus with its regressions. A load that stops keeps the whole
// records read so far, keeps the file as a backup and stops the start.

#include <filesystem>
#include <limits>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "builders.h"
#include "database/database_file.h"
#include "database/records.h"
#include "database/stream.h"
#include "hostile_inputs.h"
#include "scripted_interaction.h"

namespace vorlix::testing {
namespace {

namespace fs = std::filesystem;

class Database_File_Test : public ::testing::Test {
 protected:
  TDatabase_Paths Paths() const { return {Dir_.Path(), Dir_ / "TEMP", "", "", ""}; }

  TTemp_Dir Dir_;
};

// A database with two archives; the first holds two maps with every field set away from its
// default, the second none.
void Fill(TPK3_Record_Store& db) {
  TPK3_Record& a = *db.Items(db.Add_Record());
  a.ID = 7;
  a.Present = false;
  a.MOD_Directory = "osp";
  a.PK3_Filename = "Map-Pack \xE9.pk3";
  a.PK3_Filesize = 0xFFFFFFF0u;
  a.PK3_Filedate = Dos_Date_Time(2004, 2, 29, 23, 58, 58);
  a.Maps = db.New_Map_Manager(&a);
  for (int m = 0; m < 2; ++m) {
    *a.Maps->Items(a.Maps->Add_Record()) = {
        .ID = 40 - m,
        .Present = m == 1,
        .MAP_Filename = m == 0 ? "Q3DM17.BSP" : "X.BSP",
        .Map_Longname = "The Longest \"Yard\"",
        .MAP_Filesize = 123456U + (m == 0 ? 0U : 1U),
        .MAP_Filedate = -5,
        .Has_AAS = true,
        .Has_Levelshot_TGA = m == 0,
        .Has_Levelshot_JPG = true,
        .Min_Recomm_Players = 4,
        .Max_Recomm_Players = 12,
        .Rating = 9,
        .Allow_Include_In_Arena_File = false,
        .Comment = m == 0 ? "line one\r\nline two" : "",
        .Game_Types = GT_Tournament | GT_Capture_The_Flag | GT_Other,
        .Limits_Frags = 0,
        .Limits_Captures = 50,
        .Limits_Time = 120,
        .Limits_Players = 32,
        .Bot_Skill = 4,
        .Useable_MODs = {"osp", "baseq3"},
        .Assigned_Bots = m == 0 ? std::vector<std::string>{"Sarge", "Xaero", "Sarge"}
                                : std::vector<std::string>{},
        .PK3 = &a};
  }
  TPK3_Record& b = *db.Items(db.Add_Record());
  b.MOD_Directory = "baseq3";
  b.PK3_Filename = "pak0.pk3";
  b.Maps = db.New_Map_Manager(&b);
}

void Expect_Same(const TPK3_Record_Store& a, const TPK3_Record_Store& b) {
  const auto pk3_fields = [](const TPK3_Record& x) {
    return std::tie(x.ID, x.Present, x.MOD_Directory, x.PK3_Filename, x.PK3_Filesize,
                    x.PK3_Filedate);
  };
  const auto map_fields = [](const TMap_Record& p) {
    return std::tie(p.ID, p.Present, p.MAP_Filename, p.Map_Longname, p.MAP_Filesize, p.MAP_Filedate,
                    p.Has_AAS, p.Has_Levelshot_TGA, p.Has_Levelshot_JPG, p.Min_Recomm_Players,
                    p.Max_Recomm_Players, p.Rating, p.Allow_Include_In_Arena_File, p.Comment,
                    p.Game_Types, p.Limits_Frags, p.Limits_Captures, p.Limits_Time,
                    p.Limits_Players, p.Bot_Skill, p.Useable_MODs, p.Assigned_Bots);
  };
  ASSERT_EQ(a.Count(), b.Count());
  for (int i = 0; i < a.Count(); ++i) {
    const TPK3_Record& x = *a.Items(i);
    const TPK3_Record& y = *b.Items(i);
    EXPECT_EQ(pk3_fields(x), pk3_fields(y));
    EXPECT_EQ(y.Owner, &b);
    ASSERT_EQ(x.Maps->Count(), y.Maps->Count());
    for (int m = 0; m < x.Maps->Count(); ++m) {
      EXPECT_EQ(map_fields(*x.Maps->Items(m)), map_fields(*y.Maps->Items(m)));
      EXPECT_EQ(y.Maps->Items(m)->PK3, &y);
    }
  }
}

// ---- format ----------------------------------------------------------------------------------

TEST_F(Database_File_Test, Empty_Database_Is_An_Empty_File_And_Missing_File_Loads_Empty) {
  TPK3_Record_Store db(Paths());
  ASSERT_TRUE(TDatabase_File::Save_Database(db, Dir_ / "mapsdb.dat"));
  EXPECT_EQ(Read_File(Dir_ / "mapsdb.dat"), "");
  Fill(db);
  EXPECT_TRUE(TDatabase_File::Load_Database(db, Dir_ / "mapsdb.dat").Complete());
  EXPECT_EQ(db.Count(), 0);
  Fill(db);
  EXPECT_TRUE(TDatabase_File::Load_Database(db, Dir_ / "missing.dat").Complete());
  EXPECT_EQ(db.Count(), 0);
}

TEST_F(Database_File_Test, Pk3_Record_Without_Maps_Is_45_Bytes_And_Map_Record_Layout_Holds) {
  TPK3_Record_Store db(Paths());
  TPK3_Record& r = *db.Items(db.Add_Record());
  r.ID = 3;
  r.MOD_Directory = "baseq3";
  r.PK3_Filename = "pak0.pk3";
  r.PK3_Filesize = 0x01020304;
  r.PK3_Filedate = 0x2A2B2C2D;
  r.Maps = db.New_Map_Manager(&r);
  ASSERT_TRUE(TDatabase_File::Save_Database(db, Dir_ / "mapsdb.dat"));
  const std::string expected = std::string(
      "\1\0\0\0"
      "\3\0\0\0"
      "\1"
      "\7\0\0\0baseq3\0"
      "\11\0\0\0pak0.pk3\0"
      "\4\3\2\1"
      "\x2D\x2C\x2B\x2A"
      "\0\0\0\0",
      45);
  EXPECT_EQ(Read_File(Dir_ / "mapsdb.dat"), expected);

  // A default map appended: its bytes follow the map count, the empty comment is "1, zero".
  r.Maps->Add_Record();
  ASSERT_TRUE(TDatabase_File::Save_Database(db, Dir_ / "mapsdb.dat"));
  const std::string data = Read_File(Dir_ / "mapsdb.dat");
  TByte_Reader in(data.substr(41));
  const auto ints = [&in](int n) {
    std::vector<std::int32_t> values;
    while (n-- > 0) {
      values.push_back(in.Read_Integer());
    }
    return values;
  };
  EXPECT_EQ(ints(3), (std::vector<std::int32_t>{1, 1, 0}));  // map count, version, ID
  EXPECT_EQ(in.Read_Bool(), true);
  EXPECT_EQ(in.Read_String(), "");
  EXPECT_EQ(in.Read_String(), "");
  in.Read_Cardinal();
  in.Read_Integer();
  for (int i = 0; i < 3; ++i)
    EXPECT_FALSE(in.Read_Bool());
  EXPECT_EQ(ints(3), (std::vector<std::int32_t>{2, 32, 0}));
  EXPECT_TRUE(in.Read_Bool());
  EXPECT_EQ(data.substr(41 + in.Position(), 5), std::string("\1\0\0\0\0", 5));
  in.Read_String();
  EXPECT_EQ(in.Read_Byte(), 2);  // Free For All
  EXPECT_EQ(ints(7), (std::vector<std::int32_t>{20, 8, 0, 8, 3, 0, 0}));
  EXPECT_TRUE(in.At_End());
}

TEST_F(Database_File_Test, Save_And_Load_Reproduce_Every_Field_Order_And_ID) {
  TPK3_Record_Store db(Paths());
  Fill(db);
  ASSERT_TRUE(TDatabase_File::Save_Database(db, Dir_ / "mapsdb.dat"));
  TPK3_Record_Store back(Paths());
  ASSERT_TRUE(TDatabase_File::Load_Database(back, Dir_ / "mapsdb.dat").Complete());
  Expect_Same(db, back);
  // Loaded again: the same bytes.
  ASSERT_TRUE(TDatabase_File::Save_Database(back, Dir_ / "again.dat"));
  EXPECT_EQ(Read_File(Dir_ / "again.dat"), Read_File(Dir_ / "mapsdb.dat"));
  EXPECT_FALSE(fs::exists(Dir_ / "mapsdb.dat.bak"));
}

// ---- failures --------------------------------------------------------------------------------

TEST_F(Database_File_Test, Files_Written_In_Pieces_Equal_Whole_Ones_And_Stay_When_Unchanged) {
  // Several pieces and a bit: strings that cross piece ends, written twice the same way.
  const auto produce = [](TByte_Writer& out) {
    for (int i = 0; i < 90000; ++i) {
      out.Write_Integer(i);
      out.Write_String(
          std::string(static_cast<std::size_t>(i % 23), static_cast<char>('a' + i % 26)));
      out.Write_Bool(i % 3 == 0);
    }
  };
  TByte_Writer whole;
  produce(whole);
  ASSERT_GT(whole.Data().size(), std::size_t{1} << 20);
  const std::string path = Dir_ / "pieces.dat";
  struct stat st {};
  for (const std::string& before : {std::string(), whole.Data().substr(0, 1000), whole.Data() + "x",
                                    whole.Data().substr(0, whole.Data().size() - 1) + "?"}) {
    Write_File(path, before);
    Write_File_Atomically(path, produce);
    EXPECT_EQ(Read_File(path), whole.Data()) << before.size();
  }
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  const ino_t written = st.st_ino;
  Write_File_Atomically(path, produce);
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_ino, written);  // the same bytes: left alone
  EXPECT_FALSE(fs::exists(path + ".new"));
}

TEST_F(Database_File_Test, Whole_Files_Are_Read_Byte_For_Byte) {
  std::string bytes;
  for (int i = 0; i < 300000; ++i) {
    bytes.push_back(static_cast<char>(i * 7 % 256));  // zero bytes included
  }
  for (const std::size_t size :
       {std::size_t{0}, std::size_t{1}, std::size_t{65536}, bytes.size()}) {
    Write_File(Dir_ / "file.bin", bytes.substr(0, size));
    EXPECT_EQ(Read_Whole_File(Dir_ / "file.bin"), bytes.substr(0, size));
  }
  // A file whose size is not known ahead is read to its end as well.
  EXPECT_FALSE(Read_Whole_File("/proc/self/status").empty());
}

// ---- damaged and hostile files ------------------------------------------------------------------

// Three archives (IDs 0, 1, 2) with one, two and three maps, as the fuzz seeds hold them.
std::string Three_Archives() {
  return Read_File(std::string(VORLIX_FUZZ_DIR) + "/corpus/database/archives3");
}

class Database_Hostile : public Database_File_Test {};

TEST_F(Database_Hostile, A_Load_That_Stops_Keeps_Whole_Records_IDs_And_The_File_As_Backup) {
  TPK3_Record_Store db(Paths());
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
  const TRecorded_Message pk3_format{TMessage_Kind::Error,
                                     "Error loading pk3 information. Incompatible file format.",
                                     TAnswer_Set::Cancel};
  const TRecorded_Message map_format{TMessage_Kind::Error,
                                     "Error loading map information. Incompatible file format.",
                                     TAnswer_Set::Cancel};
  // A file read in part stops the start-up as a file of another format does.
  const TRecorded_Message load_error{TMessage_Kind::Error,
                                     Damaged_Database_Message(Dir_ / "mapsdb.dat", true),
                                     TAnswer_Set::Cancel};
  const std::string v1("\1\0\0\0", 4);
  const std::string v2("\2\0\0\0", 4);
  const struct {
    int Count;
    std::int32_t Last_ID;  // an ID after the largest read, as 32-bit integers count
    bool Quit;
    TRecorded_Message Message;
    std::string Data;
  } cases[] = {{1, 0, false, pk3_format, v2 + std::string("\5\0\0\0", 4)},
               {4, 8, false, pk3_format, three + v2},
               {4, 8, true, load_error, three + v1},
               {2, std::numeric_limits<std::int32_t>::min(), true, load_error, largest + v1},
               {1, 0, true, map_format, bad_map}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Message.Text + " " + std::to_string(c.Count));
    Write_File(Dir_ / "mapsdb.dat", c.Data);
    TPK3_Record_Store back(Paths());
    const TDatabase_Load_Result result = TDatabase_File::Load_Database(back, Dir_ / "mapsdb.dat");
    EXPECT_FALSE(result.Complete());
    EXPECT_EQ(result.Message, c.Message.Text);
    EXPECT_TRUE(result.Keep_Stored_Files());
    EXPECT_TRUE(result.Backup_Kept);
    EXPECT_EQ(result.Ends_Run(), c.Quit);
    EXPECT_EQ(result.Damaged(), c.Message.Text == load_error.Text);
    EXPECT_EQ(back.Load_Damaged(), result.Damaged());
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
  // The message names the folder to move the files out of.
  EXPECT_NE(Damaged_Database_Message(path, true).find(" out of " + Dir_.Path() + ": "),
            std::string::npos);
  int whole = 0;
  for (const std::string& data : damaged) {
    SCOPED_TRACE(data.size());
    Write_File(path, data);
    TPK3_Record_Store back(Paths());
    const TDatabase_Load_Result result = TDatabase_File::Load_Database(back, path);
    if (result.Complete()) {  // a cut between two archives: a shorter whole file
      EXPECT_TRUE(result.Message.empty());
      ++whole;
      continue;
    }
    EXPECT_EQ(result.Message, Damaged_Database_Message(path, true));
    EXPECT_TRUE(result.Damaged());
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
