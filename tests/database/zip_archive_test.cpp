// The ZIP facade: listing, selection by file specs, extraction of sound, damaged and hostile
// archives, adding files, and an archive held in memory, which lists, reads and extracts exactly
// as the same archive on disk, with the same refusals, and is never written.

#include "database/zip_archive.h"

#include <filesystem>

#include <gtest/gtest.h>
#include <zip.h>

#include "builders.h"
#include "core/dos_time.h"
#include "hostile_inputs.h"

namespace vorlix::testing {
namespace {

namespace fs = std::filesystem;

struct TEvent {
  TProgress_Type Type;
  std::string Filename;
  std::uint64_t Size;
  bool operator==(const TEvent&) const = default;
};

// Rewrites an archive with each name replaced in its local and its central header.
void Patch_Names(const std::string& path,
                 const std::vector<std::pair<std::string, std::string>>& names) {
  std::string data = Read_File(path);
  for (const auto& [from, to] : names) {
    EXPECT_EQ(Replace_Bytes(data, from, to), 2) << from;
  }
  Write_File(path, data);
}

// Patches the uncompressed size in every header (local and central) of a member.
void Patch_Sizes(std::string& data, const std::string& name, std::uint32_t size) {
  for (auto position = data.find(name); position != std::string::npos;
       position = data.find(name, position + 1)) {
    if (position >= 46 && data.compare(position - 46, 4, "PK\1\2") == 0) {
      Put_U32(data, position - 46 + 24, size);
    } else if (position >= 30 && data.compare(position - 30, 4, "PK\3\4") == 0) {
      Put_U32(data, position - 30 + 22, size);
    }
  }
}

class Zip_Archive_Test : public ::testing::Test {
 protected:
  // Opens `archive` and notes an extraction of the members matching `specs` into `out` (made
  // here).
  void Prepare(TZip_Archive& zip, const std::string& archive, const std::string& out,
               std::vector<std::string> specs, bool dir_names = false) {
    fs::create_directories(out);
    zip.Set_Zip_Filename(archive);
    Out_ = out;
    Specs_ = std::move(specs);
    Dir_Names_ = dir_names;
  }
  // The extraction noted; skipped members make it throw with the facade's text.
  TZip_Extraction Run(TZip_Archive& zip) {
    TZip_Extraction result = zip.Extract(Specs_, Out_, Dir_Names_);
    if (!result.Skipped.empty()) {
      throw TZip_Error(result.Failure_Text(zip.Zip_Filename()));
    }
    return result;
  }
  // Extracts, recording the events other than progress.
  std::vector<TEvent> Extract_Recording(TZip_Archive& zip) {
    std::vector<TEvent> events;
    zip.On_Progress = [&](TZip_Archive&, TProgress_Type type, const std::string& name,
                          std::uint64_t size) {
      if (type != File_Progress) {
        events.push_back({type, name, size});
      }
    };
    Run(zip);
    return events;
  }

  TTemp_Dir Dir_;
  std::string Out_;
  std::vector<std::string> Specs_;
  bool Dir_Names_ = false;
};

// ---- listing ---------------------------------------------------------------------------------

TEST_F(Zip_Archive_Test, Lists_Members_In_Stored_Order_With_Sizes_And_Own_Dates) {
  const std::string path = Dir_ / "a.pk3";
  // A date that falls into the hour skipped by daylight saving in many zones, one with an odd
  // layout, and one no calendar holds (February 30th, minute 61: any conversion through a
  // calendar time moves it, in every time zone) come back exactly as stored.
  const std::int32_t t1 = Dos_Date_Time(2003, 3, 30, 2, 30, 10);
  const std::int32_t t2 = Dos_Date_Time(1999, 12, 31, 23, 59, 58);
  const std::int32_t t3 = Dos_Date_Time(2005, 2, 30, 13, 61, 4);
  Write_Pk3(path, {{"maps/", ""},
                   {"Maps/Q3DM1.bsp", std::string(1000, 'x'), t1},
                   {"levelshots/q3dm1.jpg", "jpg", t2, true},
                   {"maps/odd.bsp", "odd", t3}});
  TZip_Archive zip;
  zip.Set_Zip_Filename(path);
  ASSERT_EQ(zip.Count(), 4);
  EXPECT_EQ(zip.Entry(0).Name, "maps/");
  EXPECT_EQ(zip.Entry(0).Uncompressed_Size, 0u);
  EXPECT_EQ(zip.Entry(1).Name, "Maps/Q3DM1.bsp");
  EXPECT_EQ(zip.Entry(1).Uncompressed_Size, 1000u);
  EXPECT_EQ(zip.Entry(1).DOS_Date_Time, t1);
  EXPECT_EQ(zip.Entry(2).DOS_Date_Time, t2);
  EXPECT_EQ(zip.Entry(3).DOS_Date_Time, t3);

  // A scan opens tens of thousands of archives: each one's file is let go when the facade moves
  // on to the next or is destroyed.
  const auto open_files = [] {
    return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
  };
  const auto before = open_files();
  {
    TZip_Archive other;
    for (int i = 0; i < 3; ++i) {
      other.Set_Zip_Filename(path);
    }
    EXPECT_EQ(open_files(), before + 1);
  }
  EXPECT_EQ(open_files(), before);
}

TEST_F(Zip_Archive_Test, Names_In_Other_Byte_Encodings_Are_Listed_And_Written_As_Stored) {
  Write_Pk3(Dir_ / "raw.pk3", {{"levelshots/aXb.jpg", "picture"}, {"maps/cXd.bsp", "map"}});
  Patch_Names(Dir_ / "raw.pk3", {{"aXb", "a\xE4\x62"}, {"cXd", "\xFF\xFE\x80"}});
  TZip_Archive zip;
  Prepare(zip, Dir_ / "raw.pk3", Dir_ / "out", {"levelshots/*", "maps/*"}, true);
  ASSERT_EQ(zip.Count(), 2);
  EXPECT_EQ(zip.Entry(0).Name, "levelshots/a\xE4\x62.jpg");
  EXPECT_EQ(zip.Entry(1).Name, "maps/\xFF\xFE\x80.bsp");
  Run(zip);
  EXPECT_EQ(Read_File(Dir_ / "out/levelshots/a\xE4\x62.jpg"), "picture");
  EXPECT_EQ(Read_File(Dir_ / "out/maps/\xFF\xFE\x80.bsp"), "map");
}

// ---- selection -------------------------------------------------------------------------------

TEST(Zip_Spec, Patterns_Ignore_Case_And_Never_Cross_Folders) {
  const std::string icon = "MODELS/PLAYERS/SARGE/icon_*.*";
  const struct {
    std::string Spec, Name;
    bool Matches;
  } cases[] = {{"LEVELSHOTS/*.*", "LevelShots/Q3DM2.TGA", true},
               {"LEVELSHOTS/*.*", "levelshots/sub/x.jpg", false},
               {"LEVELSHOTS/*.*", "levelshots/noext", false},
               {icon, "models/players/sarge/ICON_default.tga", true},
               {icon, "models/players/sarge/blue/icon_x.tga", false},
               {"a?c", "abc", true},
               {"a?c", "a/c", false},
               {"a?c", "ac", false},
               {"*", "anything", true},
               {"*", "some/thing", false},
               {"*a*a*a", "aXaYaa", true},
               {"SCRIPTS/BOTS.TXT", "scripts/bots.txt.bak", false}};
  for (const auto& c : cases) {
    EXPECT_EQ(Spec_Matches(c.Spec, c.Name), c.Matches) << c.Spec << " " << c.Name;
  }
  for (const char* name : {"../evil", "a/../../evil", "/etc/passwd", "c:/x", "C:evil", "a\\..\\b",
                           "..\\x", "./a", "a//b", "", "..", "a/./b"}) {
    EXPECT_FALSE(Is_Safe_Member_Name(name)) << name;
  }
  for (const char* name : {"maps/a.bsp", "a", "dir/", "a..b/c.d", "...x"}) {
    EXPECT_TRUE(Is_Safe_Member_Name(name)) << name;
  }
}

// ---- extraction ------------------------------------------------------------------------------

TEST_F(Zip_Archive_Test, Extraction_Writes_Bare_Names_Or_Paths_Below_Base_With_Times_And_Events) {
  const std::int32_t when = Dos_Date_Time(2000, 6, 15, 8, 30, 44);
  // Several read chunks, every byte different from its neighbours.
  std::string map(300000, '\0');
  for (std::size_t i = 0; i < map.size(); ++i) {
    map[i] = static_cast<char>(i * 131 % 251);
  }
  Write_Pk3(Dir_ / "a.pk3", {{"maps/q3dm1.bsp", map, when},
                             {"levelshots/q3dm1.jpg", "jpg"},
                             {"scripts/", ""},
                             {"scripts/bots.txt", "bots"},
                             {"scripts/x.bot", "bot"},
                             {"models/players/sarge/icon_default.tga", "icon"}});
  const std::string out = Dir_ / "out";
  TZip_Archive zip;
  Prepare(zip, Dir_ / "a.pk3", out, {"MAPS/Q3DM1.BSP", "maps/*.BSP"});  // both match: one file
  EXPECT_EQ(Extract_Recording(zip), (std::vector<TEvent>{{File_Started, "q3dm1.bsp", map.size()},
                                                         {Batch_Finished, " ", 0}}));
  EXPECT_EQ(Read_File(out + "/q3dm1.bsp"), map);
  EXPECT_EQ(platform::File_DOS_Date_Time(out + "/q3dm1.bsp"), when);
  EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 1);
  // The process's working directory is left alone.
  EXPECT_FALSE(fs::equivalent(fs::current_path(), out));

  const std::string bot = Dir_ / "bot";
  Prepare(zip, Dir_ / "a.pk3", bot,
          {"SCRIPTS/BOTS.TXT", "SCRIPTS/*.BOT", "MODELS/PLAYERS/SARGE/icon_*.*"}, true);
  const auto events = Extract_Recording(zip);
  EXPECT_EQ(events.front(), (TEvent{File_Started, "scripts/bots.txt", 4}));
  EXPECT_EQ(events.size(), 4u);
  EXPECT_EQ(Read_File(bot + "/scripts/bots.txt"), "bots");
  EXPECT_EQ(Read_File(bot + "/scripts/x.bot"), "bot");
  EXPECT_EQ(Read_File(bot + "/models/players/sarge/icon_default.tga"), "icon");
  // A folder entry makes its folder when paths are kept, and nothing when only names are.
  for (const bool dir_names : {true, false}) {
    const std::string folders = Dir_ / (dir_names ? "with" : "without");
    Prepare(zip, Dir_ / "a.pk3", folders, {"SCRIPTS/"}, dir_names);
    EXPECT_EQ(Extract_Recording(zip).size(), 1u);
    EXPECT_EQ(fs::is_directory(folders + "/scripts"), dir_names);
  }

  // More than the file system can ever have free is refused before anything is written.
  zip.On_Progress = nullptr;
  zip.Disk_Reserve = fs::space(bot).capacity;
  const std::string full = Dir_ / "full";
  Prepare(zip, Dir_ / "a.pk3", full, {"SCRIPTS/BOTS.TXT"});
  EXPECT_EQ(zip.Extract(Specs_, Out_, false).Skipped,
            std::vector<std::string>{"scripts/bots.txt: not enough free disk space"});
  EXPECT_TRUE(fs::is_empty(full));
}

TEST_F(Zip_Archive_Test, Zip64_Archive_Reads_Like_Any_Other) {
  const std::string path = Dir_ / "z64.pk3";
  // Info-ZIP style ZIP64 is hard to make with libzip: a normal archive is patched into one with
  // ZIP64 end-of-directory records.
  Write_Pk3(path, {{"maps/a.bsp", "abc"}, {"levelshots/a.jpg", "jpg"}});
  const std::string data = Read_File(path);
  const std::size_t eocd = data.rfind("PK\5\6");
  ASSERT_NE(eocd, std::string::npos);
  auto le = [](std::uint64_t v, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) {
      s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
    return s;
  };
  const std::string z64 = "PK\6\6" + le(44, 8) + le(45, 2) + le(45, 2) + le(0, 8) + le(2, 8) +
                          le(2, 8) + le(Get_U32(data, eocd + 12), 8) +
                          le(Get_U32(data, eocd + 16), 8);
  const std::string locator = "PK\6\7" + le(0, 4) + le(eocd, 8) + le(1, 4);
  const std::string end =
      "PK\5\6" + le(0, 4) + le(0xFFFFFFFFu, 4) + le(0xFFFFFFFFu, 4) + le(0xFFFFFFFFu, 4) + le(0, 2);
  Write_File(path, data.substr(0, eocd) + z64 + locator + end);
  TZip_Archive zip;
  zip.Set_Zip_Filename(path);
  ASSERT_EQ(zip.Count(), 2);
  EXPECT_EQ(zip.Entry(1).Name, "levelshots/a.jpg");
  EXPECT_EQ(zip.Entry(1).DOS_Date_Time, TZip_Member{}.Dos_Time);
  auto reader = zip.Open_Member(0);
  char buffer[8] = {};
  EXPECT_EQ(reader->Read(buffer, sizeof buffer), 3u);
  EXPECT_EQ(std::string(buffer, 3), "abc");
}

// ---- damaged and hostile archives (and the maps in them) ----------------------------------

class Zip_Hostile : public Zip_Archive_Test {};

TEST_F(Zip_Hostile, Missing_Or_Empty_Name_Lists_Empty_And_Damaged_File_Is_An_Error) {
  TZip_Archive zip;
  zip.Set_Zip_Filename("");
  EXPECT_EQ(zip.Count(), 0);
  zip.Set_Zip_Filename(Dir_ / "missing.pk3");
  EXPECT_EQ(zip.Count(), 0);

  Write_File(Dir_ / "text.pk3", "this is not a zip archive at all, just some text\n");
  EXPECT_THROW(zip.Set_Zip_Filename(Dir_ / "text.pk3"), TZip_Error);
  EXPECT_EQ(zip.Count(), 0);

  Write_Pk3(Dir_ / "good.pk3", {{"maps/a.bsp", std::string(5000, 'a')}});
  const std::string data = Read_File(Dir_ / "good.pk3");
  Write_File(Dir_ / "cut.pk3", data.substr(0, data.size() / 2));
  EXPECT_THROW(zip.Set_Zip_Filename(Dir_ / "cut.pk3"), TZip_Error);
  // A missing file makes Extract fail.
  Prepare(zip, Dir_ / "missing.pk3", Dir_.Path(), {"*"});
  EXPECT_THROW(Run(zip), TZip_Error);
}

TEST_F(Zip_Hostile, Hostile_Names_And_Links_Are_Never_Written_Outside_The_Base) {
  const std::string path = Dir_ / "evil.pk3";
  Write_Pk3(path, {{"levelshots/../../escaped1.jpg", "x"},
                   {"/tmp/escaped2.jpg", "x"},
                   {"levelshots\\..\\..\\escaped3.jpg", "x"},
                   {"levelshots/c:evil.jpg", "x"},
                   {"levelshots/good.jpg", "good"},
                   {"levelshots/gooX.jpg", "second"}});
  // A member stored as a Unix symbolic link.
  {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), 0, &error);
    ASSERT_NE(archive, nullptr);
    static const char target[] = "/etc/passwd";
    zip_source_t* source = zip_source_buffer(archive, target, sizeof target - 1, 0);
    const zip_int64_t index = zip_file_add(archive, "levelshots/link.jpg", source, 0);
    ASSERT_GE(index, 0);
    zip_file_set_external_attributes(archive, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                     (0120777u) << 16);
    ASSERT_EQ(zip_close(archive), 0);
  }
  // The same name twice: libzip will not write that, so the second name is patched.
  Patch_Names(path, {{"levelshots/gooX.jpg", "levelshots/good.jpg"}});
  const std::string base = Dir_ / "deep/base";
  for (const bool dir_names : {false, true}) {
    TZip_Archive zip;
    Prepare(zip, path, base, {"*", "*/*", "*/*/*", "*/*/*/*", "LEVELSHOTS/*.*"}, dir_names);
    EXPECT_NO_THROW(Run(zip));
  }
  EXPECT_FALSE(fs::exists(Dir_ / "escaped1.jpg"));
  EXPECT_FALSE(fs::exists(Dir_ / "deep/escaped1.jpg"));
  EXPECT_FALSE(fs::exists("/tmp/escaped2.jpg"));
  // The link member is left out, not written as a file holding its target's name.
  EXPECT_FALSE(fs::exists(base + "/link.jpg"));
  EXPECT_FALSE(fs::exists(base + "/levelshots/link.jpg"));
  EXPECT_EQ(Read_File(base + "/good.jpg"), "second");
  EXPECT_EQ(Read_File(base + "/levelshots/good.jpg"), "second");
  for (const auto& entry : fs::recursive_directory_iterator(Dir_.Path())) {
    EXPECT_FALSE(entry.is_symlink()) << entry.path();
    EXPECT_EQ(entry.path().filename().string().find('\\'), std::string::npos);
  }
  // An existing link in the target is not followed.
  fs::create_symlink(Dir_ / "outside.jpg", base + "/good.jpg.tmp");
  fs::remove(base + "/good.jpg");
  fs::create_symlink(Dir_ / "outside.jpg", base + "/good.jpg");
  TZip_Archive zip;
  Prepare(zip, path, base, {"LEVELSHOTS/good.jpg"});
  EXPECT_THROW(Run(zip), TZip_Error);
  EXPECT_FALSE(fs::exists(Dir_ / "outside.jpg"));
  const TTemp_Dir scratch;
  EXPECT_EQ(Zip_Input_Fault(Read_File(path), scratch.Path()), "");
}

TEST_F(Zip_Hostile, Directory_Member_With_Data_Is_A_Folder_And_Nothing_Else) {
  Write_Pk3(Dir_ / "dir.pk3", {{"mapsX", "data of a directory"}, {"maps/a.bsp", "bsp"}});
  Patch_Names(Dir_ / "dir.pk3", {{"mapsX", "maps/"}});
  TZip_Archive zip;
  Prepare(zip, Dir_ / "dir.pk3", Dir_ / "out", {"*", "maps/*"}, true);
  ASSERT_EQ(zip.Count(), 2);
  EXPECT_EQ(zip.Entry(0).Name, "maps/");
  try {
    Run(zip);
  } catch (const TZip_Error&) {
    // reporting the odd member is fine; the state below is what counts
  }
  EXPECT_EQ(Read_File(Dir_ / "out/maps/a.bsp"), "bsp");
  // Nothing else was written: no file holding the directory's data anywhere.
  int files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(Dir_ / "out")) {
    files += entry.is_regular_file() ? 1 : 0;
  }
  EXPECT_EQ(files, 1);
}

TEST_F(Zip_Hostile, Damaged_And_Encrypted_Members_Are_Skipped_And_Reported_Others_Written) {
  const std::string path = Dir_ / "d.pk3";
  Write_Pk3(path, {{"levelshots/secret.jpg", "secret"},
                   {"levelshots/a.jpg", std::string(100000, 'a')},
                   {"levelshots/huge.jpg", std::string(100000, 'h')},
                   {"levelshots/z.jpg", "zzz"}});
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), 0, &error);
  ASSERT_NE(archive, nullptr);
  const bool encrypted = zip_file_set_encryption(archive, 0, ZIP_EM_AES_256, "password") == 0;
  if (encrypted) {
    ASSERT_EQ(zip_close(archive), 0);
  } else {
    zip_discard(archive);  // libzip without encryption support
  }
  std::string data = Read_File(path);
  Patch_Sizes(data, "levelshots/huge.jpg", 0xF0000000u);  // claims almost 4 GiB
  Patch_Sizes(data, "levelshots/a.jpg", 10);              // claims less than it holds
  Write_File(path, data);
  const std::string out = Dir_ / "out";
  TZip_Archive zip;
  Prepare(zip, path, out, {"LEVELSHOTS/*.*"});
  ASSERT_EQ(zip.Count(), 4);
  EXPECT_EQ(zip.Entry(2).Uncompressed_Size, 0xF0000000u);
  if (encrypted) {
    EXPECT_TRUE(zip.Entry(0).Encrypted);
    EXPECT_THROW(zip.Open_Member(0), TZip_Error);
  }
  EXPECT_THROW(Run(zip), TZip_Error);
  for (const char* skipped : {"/secret.jpg", "/a.jpg", "/huge.jpg"}) {
    EXPECT_FALSE(fs::exists(out + skipped)) << skipped;
  }
  EXPECT_EQ(Read_File(out + "/z.jpg"), "zzz");

  // The stream reader stops at the stated size too, and never hangs.
  zip.Max_Member_Size = UINT64_MAX;
  zip.Max_Total_Size = UINT64_MAX;
  Specs_ = {"LEVELSHOTS/HUGE.JPG"};
  EXPECT_THROW(Run(zip), TZip_Error);
  EXPECT_FALSE(fs::exists(out + "/huge.jpg"));
  const TTemp_Dir scratch;
  EXPECT_EQ(Zip_Input_Fault(data, scratch.Path()), "");
}

TEST_F(Zip_Hostile, Fuzz_Corpus_And_Regressions_Keep_The_Rules) {
  for (const auto& [target, fault] :
       {std::pair{"zip", &Zip_Input_Fault}, std::pair{"read_longname", &Bsp_Input_Fault}}) {
    const auto inputs = Fuzz_Inputs(VORLIX_FUZZ_DIR, target);
    ASSERT_FALSE(inputs.empty()) << target;
    for (const auto& [name, bytes] : inputs) {
      const TTemp_Dir scratch;
      EXPECT_EQ(fault(bytes, scratch.Path()), "") << target << "/" << name;
    }
  }
}

// ---- addition --------------------------------------------------------------------------------

TEST_F(Zip_Archive_Test, Add_Stores_Relative_Names_Deflated_And_Replaces_Same_Name) {
  Write_File(Dir_ / "scripts/arenas.txt", std::string(2000, 'a'));
  Write_File(Dir_ / "scripts/other.txt", "o");
  const std::string path = Dir_ / "out/z_Arenas_active_x.pk3";
  fs::create_directory(Dir_ / "out");
  TZip_Archive zip;
  zip.Set_Zip_Filename(path);
  EXPECT_EQ(zip.Count(), 0);
  zip.Add(TZip_Archive::Files_Matching(Dir_.Path(), "scripts\\arenas.txt"));
  ASSERT_EQ(zip.Count(), 1);
  EXPECT_EQ(zip.Entry(0).Name, "scripts/arenas.txt");

  Write_File(Dir_ / "scripts/arenas.txt", "new");
  zip.Add(TZip_Archive::Files_Matching(Dir_.Path(), "scripts\\*.*"));
  ASSERT_EQ(zip.Count(), 2);
  EXPECT_EQ(zip.Entry(0).Uncompressed_Size, 3u);

  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
  ASSERT_NE(archive, nullptr);
  zip_stat_t st;
  ASSERT_EQ(zip_stat_index(archive, 0, 0, &st), 0);
  EXPECT_EQ(st.comp_method, ZIP_CM_DEFLATE);
  zip_close(archive);

  EXPECT_THROW(zip.Add(TZip_Archive::Files_Matching(Dir_.Path(), "nothing/*.txt")), TZip_Error);
  EXPECT_EQ(zip.Count(), 2);
}

// ---- an archive held in memory ------------------------------------------------------------------

TEST(Zip_Memory, Lists_Reads_And_Extracts_As_The_File_Does) {
  TTemp_Dir dir;
  const std::string bsp = Make_Bsp(Entity_Text("In Memory"), 4096);
  Write_Pk3(dir / "a.pk3",
            {{"maps/m1.bsp", bsp, Dos_Date_Time(2003, 4, 5, 6, 7, 8)},
             {"levelshots/m1.jpg", "picture", Dos_Date_Time(1999, 1, 1, 0, 0, 0), true},
             {"../escape.txt", "outside"},
             {"scripts/", ""}});
  TZip_Archive on_disk;
  on_disk.Set_Zip_Filename(dir / "a.pk3");
  TZip_Archive in_memory;
  in_memory.Set_Zip_Data(Read_File(dir / "a.pk3"), "a.pk3");
  ASSERT_EQ(in_memory.Count(), on_disk.Count());
  for (int i = 0; i < on_disk.Count(); ++i) {
    EXPECT_EQ(in_memory.Entry(i).Name, on_disk.Entry(i).Name);
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
  // Other bytes in the same archive object list only their own members.
  Write_Pk3(dir / "b.pk3", {{"maps/other.bsp", bsp}});
  in_memory.Set_Zip_Data(Read_File(dir / "b.pk3"), "b.pk3");
  ASSERT_EQ(in_memory.Count(), 1);
  EXPECT_EQ(in_memory.Entry(0).Name, "maps/other.bsp");
  EXPECT_THROW(in_memory.Open_Member(1), TZip_Error);
}

TEST(Zip_Memory, Damaged_Data_Is_An_Error_And_Nothing_Is_Ever_Written) {
  TTemp_Dir dir;
  TZip_Archive archive;
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
  TZip_Archive check;
  check.Set_Zip_Filename(dir / "a.pk3");
  ASSERT_EQ(check.Count(), 1);
  EXPECT_EQ(check.Entry(0).Name, "maps/m1.bsp");

  // Opening a file afterwards forgets the data.
  archive.Set_Zip_Filename(dir / "missing.pk3");
  EXPECT_EQ(archive.Count(), 0);
}

}  // namespace
}  // namespace vorlix::testing
