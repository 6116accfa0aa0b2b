// The scan ahead on worker threads and the inflating of map prefixes straight from the archive
// must record exactly what the one-by-one scan records.

#include <algorithm>
#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "builders.h"
#include "database/database_file.h"
#include "database/database_startup.h"
#include "database/records.h"
#include "database/scan.h"
#include "database/sync.h"
#include "database/zip_archive.h"
#include "scripted_interaction.h"

namespace vorlix::testing {
namespace {

namespace fs = std::filesystem;

// A map whose entity lump lies near the end: `tail` bytes of other lumps follow it, so the title
// window ends before the map does.
std::string Map_With_Tail(const std::string& title, std::size_t filler, std::size_t tail) {
  std::string bsp = Make_Bsp(Entity_Text(title), filler);
  for (std::size_t i = 0; i < tail; ++i) {
    bsp.push_back(static_cast<char>((i * 7 + i / 13) & 0xFF));
  }
  return bsp;
}

// Cuts a member's compressed data short: its compressed size in the local and the central header
// becomes a quarter of what it is, so its data ends long before its map does.
void Cut_Compressed_Data(const std::string& path, const std::string& name) {
  std::string data = Read_File(path);
  const auto local = data.find(name) - 30;
  const auto central = data.find(name, local + 30 + name.size()) - 46;
  const std::uint32_t cut = Get_U32(data, local + 18) / 4;
  Put_U32(data, local + 18, cut);
  Put_U32(data, central + 20, cut);
  Write_File(path, data);
}

// Every file below a folder: relative path -> content.
std::map<std::string, std::string> Tree_Of(const std::string& root) {
  std::map<std::string, std::string> files;
  if (!fs::exists(root)) {
    return files;
  }
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string relative = fs::relative(entry.path(), root).string();
    files[relative] = entry.is_regular_file() ? Read_File(entry.path().string()) : "<folder>";
  }
  return files;
}

// A game directory with several MODs, bots, levelshots, maps big and small, and damaged archives.
void Write_Installation(const TTemp_Dir& dir) {
  const auto game = [&](const std::string& relative) { return dir / ("game/" + relative); };
  Write_File(game("QUAKE3.EXE"), "");
  for (int i = 0; i < 9; ++i) {
    const std::string n = std::to_string(i);
    std::vector<TZip_Member> members;
    for (int m = 0; m <= i % 4; ++m) {
      const std::string name = "m" + n + "_" + std::to_string(m);
      members.push_back({"maps/" + name + ".bsp",
                         Map_With_Tail("Title " + name, 20000 + 3000 * static_cast<std::size_t>(m),
                                       m == 1 ? 0 : 5000)});
      if (m % 2 == 0) {
        members.push_back({"maps/" + name + ".aas", "aas " + name});
        members.push_back({"levelshots/" + name + ".jpg", "jpg " + name});
      } else {
        members.push_back({"levelshots/" + name + ".tga", "tga " + name});
      }
    }
    if (i % 3 == 0) {
      members.push_back({"models/players/bot" + n + "/", ""});
      members.push_back({"models/players/bot" + n + "/icon_default.tga", "icon " + n});
      members.push_back({"sound/player/announce/bot" + n + ".wav", "wav " + n});
      members.push_back({"scripts/bots.txt", "bots of " + n});
      members.push_back({"scripts/b" + n + ".bot", "bot " + n});
    }
    // A stored map with a tail, and a map below a subfolder of maps/.
    if (i == 4) {
      TZip_Member stored{"maps/stored.bsp", Map_With_Tail("Stored", 3000, 4000)};
      stored.Stored = true;
      members.push_back(stored);
      members.push_back({"maps/sub/deep.bsp", Map_With_Tail("Deep", 1000, 3000)});
    }
    const char* const mods[] = {"baseq3", "cpma", "Defrag"};
    Write_Pk3(game(std::string(mods[i % 3]) + "/pak" + n + (i == 5 ? ".PK3" : ".pk3")), members);
  }
  // Damaged: not an archive; an empty file; a map whose compressed data is broken in the middle
  // (after a good map, so the scan ends half-way); a map cut short by a wrong entity offset.
  Write_File(game("baseq3/junk.pk3"), "this is no zip archive");
  Write_File(game("cpma/empty.pk3"), "");
  Write_Pk3(game("baseq3/broken.pk3"), {{"maps/good.bsp", Map_With_Tail("Good", 1000, 2000)},
                                        {"maps/bad.bsp", Map_With_Tail("Bad", 400000, 2000)},
                                        {"maps/after.bsp", Map_With_Tail("After", 1000, 2000)}});
  Cut_Compressed_Data(game("baseq3/broken.pk3"), "maps/bad.bsp");
  Write_Pk3(game("Defrag/short.pk3"), {{"maps/short.bsp", std::string("IBSP\x2E\0\0", 7)}});
  // Arena archives are never scanned.
  Write_Pk3(game("baseq3/z_Arenas_Maps.pk3"), {{"maps/z.bsp", Map_With_Tail("Z", 100, 100)}});
}

struct TOutcome {
  std::string Database;
  std::vector<TRecorded_Status> Status;
  std::vector<TRecorded_Message> Messages;
  std::map<std::string, std::string> Levelshots;
  std::map<std::string, std::string> Botinfo;
  std::vector<TArchive_Facts> Facts;
  std::vector<std::string> Unreadable;  // paths of the archives that could not be read
};

// One start of the program on its own program directory: load, synchronise, save.
TOutcome Start(const TTemp_Dir& dir, const std::string& program, int threads) {
  const std::string prog = dir / program;
  fs::create_directories(prog);
  TScripted_Interaction user;
  TDatabase_Paths paths{prog, prog + "/TEMP", prog + "/LEVELSHOTS", prog + "/BOTINFO",
                        dir / "game"};
  TPK3_Record_Store db(paths);
  EXPECT_TRUE(TDatabase_File::Load_Database(db, Database_File_Path(prog)).Complete());
  std::vector<TArchive_Facts> listed;
  TLive_Sync_Sink sink(&user, [&listed](const TArchive_Facts& facts) { listed.push_back(facts); });
  TDatabase_Sync sync(db, sink);
  sync.Scan_Threads = threads;
  sync.Sync_With_Disk();
  EXPECT_TRUE(Save_PK3_Database(db));
  std::vector<std::string> unreadable;
  for (const auto& archive : sink.Unreadable) {
    unreadable.push_back(archive.Path);
  }
  return {Read_File(Database_File_Path(prog)),
          user.Status,
          user.Messages,
          Tree_Of(prog + "/levelshots"),
          Tree_Of(prog + "/botinfo"),
          listed,
          unreadable};
}

void Expect_Same(const TOutcome& serial, const TOutcome& parallel) {
  EXPECT_EQ(serial.Database, parallel.Database);
  EXPECT_EQ(serial.Status, parallel.Status);
  EXPECT_EQ(serial.Messages, parallel.Messages);
  EXPECT_EQ(serial.Unreadable, parallel.Unreadable);
  EXPECT_EQ(serial.Levelshots, parallel.Levelshots);
  EXPECT_EQ(serial.Botinfo, parallel.Botinfo);
  EXPECT_EQ(serial.Facts, parallel.Facts);
}

TEST(Parallel_Scan_Test, First_And_Later_Starts_Record_What_The_One_By_One_Scan_Records) {
  TTemp_Dir dir;
  Write_Installation(dir);
  const TOutcome serial = Start(dir, "serial", 0);
  const TOutcome parallel = Start(dir, "parallel", 2);
  Expect_Same(serial, parallel);
  // The installation really holds what the comparison is about.
  EXPECT_EQ(serial.Unreadable.size(), 2U);  // junk, empty
  EXPECT_EQ(std::count_if(serial.Messages.begin(), serial.Messages.end(),
                          [](const TRecorded_Message& message) {
                            return message.Text.rfind("Error during map scan: maps/", 0) == 0;
                          }),
            2);  // the broken and the short map
  EXPECT_TRUE(serial.Botinfo.count("baseq3/pak0.pk3/scripts/bots.txt"));
  EXPECT_TRUE(serial.Database.find("Good") != std::string::npos);
  EXPECT_TRUE(serial.Database.find("After") != std::string::npos);
  EXPECT_TRUE(serial.Levelshots.count("defrag/pak5.pk3/m5_1.tga"));

  // Later starts: touched archives (full rescans that keep the IDs), a changed map, a new
  // archive, a vanished one.
  const auto game = [&](const std::string& relative) { return dir / ("game/" + relative); };
  for (const char* touched : {"baseq3/pak0.pk3", "cpma/pak1.pk3", "Defrag/pak2.pk3"}) {
    Set_Mtime(game(touched), 1000000000);
  }
  Write_Pk3(game("baseq3/pak3.pk3"), {{"maps/m3_0.bsp", Map_With_Tail("Changed", 9000, 700)},
                                      {"maps/m3_9.bsp", Map_With_Tail("Added", 500, 700)}});
  Write_Pk3(game("cpma/new.pk3"), {{"maps/new.bsp", Map_With_Tail("New", 8000, 5000)}});
  fs::remove(game("cpma/pak4.pk3"));
  Expect_Same(Start(dir, "serial", 0), Start(dir, "parallel", 2));
  // And nothing changed: the same again, with nothing scanned but the archives that could not be.
  const TOutcome quiet = Start(dir, "parallel", 2);
  Expect_Same(Start(dir, "serial", 0), quiet);
  EXPECT_TRUE(quiet.Messages.empty());
  EXPECT_EQ(quiet.Unreadable.size(), 2U);
}

// ---- the scan ahead itself ------------------------------------------------------------------

// A caller's side of one scan: its record, maps, open archive and texts.
struct Scan_Result {
  explicit Scan_Result(const TScan_Job& job) {
    Record.MOD_Directory = job.MOD_Directory;
    Record.PK3_Filename = job.PK3_Filename;
  }

  TPK3_Record Record;
  TMap_Records Maps{&Record};
  std::unique_ptr<TZip_Archive> Zip;
  TScripted_Interaction User;
  TLive_Scan_Sink Sink{&User};
};

class Prefetch_Test : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 6; ++i) {
      const std::string n = std::to_string(i);
      std::vector<TZip_Member> members = {
          {"maps/x" + n + ".bsp", Map_With_Tail("X" + n, 3000, 2000)},
          {"levelshots/x" + n + ".jpg", "jpg"}};
      Write_Pk3(Dir_ / ("a" + n + ".pk3"), members);
      Jobs_.push_back({Dir_ / ("a" + n + ".pk3"), "baseq3", "a" + n + ".pk3"});
    }
  }

  TTemp_Dir Dir_;
  std::vector<TScan_Job> Jobs_;
};

// What a taken scan records equals the plain scan's: the whole start-up compares them above.
TEST_F(Prefetch_Test, Skipped_Jobs_Are_Dropped) {
  TScan_Prefetch prefetch(Jobs_, 2);
  for (const std::size_t i : {0, 1, 3, 5}) {  // 2 and 4 are never asked for
    SCOPED_TRACE(i);
    Scan_Result taken(Jobs_[i]);
    bool listed = false;
    ASSERT_TRUE(
        prefetch.Take(Jobs_[i].Path, taken.Record, taken.Maps, taken.Zip, taken.Sink, listed));
    ASSERT_NE(taken.Zip, nullptr);
    EXPECT_EQ(taken.Zip->Zip_Filename(), Jobs_[i].Path);  // open for the extraction that follows
  }
  // A dropped job, a job taken already, or names that differ: the caller scans itself.
  Scan_Result other(Jobs_[4]);
  bool listed = false;
  EXPECT_FALSE(
      prefetch.Take(Jobs_[4].Path, other.Record, other.Maps, other.Zip, other.Sink, listed));
  EXPECT_FALSE(
      prefetch.Take(Jobs_[5].Path, other.Record, other.Maps, other.Zip, other.Sink, listed));
  EXPECT_EQ(other.Maps.Count(), 0);
  EXPECT_TRUE(other.User.Status.empty());
}

TEST_F(Prefetch_Test, Stopping_Early_With_Scans_Waiting_Or_Running_Is_Clean) {
  for (int threads : {1, 2, 8}) {
    TScan_Prefetch prefetch(Jobs_, threads);
    Scan_Result first(Jobs_[0]);
    bool listed = false;
    EXPECT_TRUE(
        prefetch.Take(Jobs_[0].Path, first.Record, first.Maps, first.Zip, first.Sink, listed));
  }
  TScan_Prefetch nothing({}, 2);
  // Workers that cannot be started: those that did do the jobs; with none the caller scans.
  for (const int started : {1, 0}) {
    int calls = 0;
    TScan_Prefetch partial(Jobs_, 4, [&](std::function<void()> work) {
      if (calls++ >= started) {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
      }
      return std::thread(std::move(work));
    });
    Scan_Result result(Jobs_[1]);
    bool listed = false;
    EXPECT_EQ(
        partial.Take(Jobs_[1].Path, result.Record, result.Maps, result.Zip, result.Sink, listed),
        started == 1);
  }
}

// ---- reading a map's prefix straight from the archive -----------------------------------------

TEST(Open_Member_Prefix, Gives_The_Bytes_Of_The_Checked_Reader_And_Fails_On_Damaged_Data) {
  TTemp_Dir dir;
  const std::string big = Map_With_Tail("Big", 300000, 9000);
  TZip_Member stored{"maps/stored.bsp", big};
  stored.Stored = true;
  Write_Pk3(dir / "a.pk3", {{"maps/big.bsp", big}, stored, {"maps/tiny.bsp", "IBSP"}});
  TZip_Archive zip;
  zip.Set_Zip_Filename(dir / "a.pk3");
  for (int index = 0; index < 2; ++index) {
    const auto prefix = zip.Open_Member_Prefix(index);
    std::string head(12, '\0');
    ASSERT_EQ(prefix->Read(head.data(), 12), 12U);
    ASSERT_EQ(prefix->Skip(250000), 250000U);
    std::string part(30000, '\0');
    ASSERT_EQ(prefix->Read(part.data(), part.size()), part.size());
    EXPECT_EQ(head + part, big.substr(0, 12) + big.substr(250012, 30000)) << index;
  }
  // A member that ends: the reader says so by giving fewer bytes.
  const auto tiny = zip.Open_Member_Prefix(2);
  char buffer[16];
  EXPECT_EQ(tiny->Read(buffer, sizeof buffer), 4U);

  // Compressed data that ends early, and data that is no deflate stream, are errors.
  const std::string path = dir / "a.pk3";
  Cut_Compressed_Data(path, "maps/big.bsp");
  {
    TZip_Archive cut;
    cut.Set_Zip_Filename(path);
    const auto reader = cut.Open_Member_Prefix(0);
    EXPECT_THROW(reader->Skip(big.size() - 100), TZip_Error);
  }
  std::string data = Read_File(path);
  data[30 + 12] = '\xFF';  // a block of a type that does not exist
  Write_File(path, data);
  TZip_Archive damaged;
  damaged.Set_Zip_Filename(path);
  const auto reader = damaged.Open_Member_Prefix(0);
  EXPECT_THROW(reader->Read(buffer, 12), TZip_Error);
}

}  // namespace
}  // namespace vorlix::testing
