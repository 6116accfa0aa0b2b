#include "database/zip_archive.h"

#include <filesystem>

#include <gtest/gtest.h>
#include <unistd.h>
#include <zip.h>

#include "app/platform.h"
#include "builders.h"

namespace vorlix::testing {
namespace {

namespace fs = std::filesystem;

struct Event {
  ProgrType Type;
  std::string Filename;
  std::uint64_t Size;
  bool operator==(const Event&) const = default;
};

std::vector<Event> Extract_Recording(Zip_Archive& zip) {
  std::vector<Event> events;
  zip.OnProgress = [&](Zip_Archive&, ProgrType type, const std::string& name, std::uint64_t size) {
    if (type != File_Progress) {
      events.push_back({type, name, size});
    }
  };
  zip.Extract();
  return events;
}

// Keeps the process's current directory across a test that extracts.
class Zip_Archive_Test : public ::testing::Test {
 protected:
  void SetUp() override { Saved_ = fs::current_path(); }
  void TearDown() override { fs::current_path(Saved_); }
  TTemp_Dir Dir_;

 private:
  fs::path Saved_;
};

// ---- listing ---------------------------------------------------------------------------------

TEST_F(Zip_Archive_Test, Lists_Members_In_Stored_Order_With_Sizes_And_Own_Dates) {
  const std::string path = Dir_ / "a.pk3";
  // A date that falls into the hour skipped by daylight saving in many zones, and one with
  // an odd layout, come back exactly as stored.
  const std::int32_t t1 = Dos_Date_Time(2003, 3, 30, 2, 30, 10);
  const std::int32_t t2 = Dos_Date_Time(1999, 12, 31, 23, 59, 58);
  Write_Pk3(path, {{"maps/", ""},
                   {"Maps/Q3DM1.bsp", std::string(1000, 'x'), t1},
                   {"levelshots/q3dm1.jpg", "jpg", t2, true}});
  Zip_Archive zip;
  zip.Set_ZipFilename(path);
  ASSERT_EQ(zip.Count(), 3);
  EXPECT_EQ(zip.Entry(0).FileName, "maps/");
  EXPECT_EQ(zip.Entry(0).UncompressedSize, 0u);
  EXPECT_EQ(zip.Entry(1).FileName, "Maps/Q3DM1.bsp");
  EXPECT_EQ(zip.Entry(1).UncompressedSize, 1000u);
  EXPECT_EQ(zip.Entry(1).DOS_Date_Time, t1);
  EXPECT_EQ(zip.Entry(2).DOS_Date_Time, t2);
}

TEST_F(Zip_Archive_Test, Missing_Or_Empty_Name_Lists_Empty_And_Damaged_File_Is_An_Error) {
  Zip_Archive zip;
  zip.Set_ZipFilename("");
  EXPECT_EQ(zip.Count(), 0);
  zip.Set_ZipFilename(Dir_ / "missing.pk3");
  EXPECT_EQ(zip.Count(), 0);

  Write_File(Dir_ / "text.pk3", "this is not a zip archive at all, just some text\n");
  EXPECT_THROW(zip.Set_ZipFilename(Dir_ / "text.pk3"), TZip_Error);
  EXPECT_EQ(zip.Count(), 0);

  Write_Pk3(Dir_ / "good.pk3", {{"maps/a.bsp", std::string(5000, 'a')}});
  const std::string data = Read_File(Dir_ / "good.pk3");
  Write_File(Dir_ / "cut.pk3", data.substr(0, data.size() / 2));
  EXPECT_THROW(zip.Set_ZipFilename(Dir_ / "cut.pk3"), TZip_Error);
  // A missing file makes Extract fail.
  zip.Set_ZipFilename(Dir_ / "missing.pk3");
  zip.ExtrBaseDir = Dir_.Path();
  zip.FSpecArgs = {"*"};
  EXPECT_THROW(zip.Extract(), TZip_Error);
  EXPECT_TRUE(zip.FSpecArgs.empty());
}

// ---- selection -------------------------------------------------------------------------------

TEST(Zip_Spec, Wildcards_Ignore_Case_And_Never_Cross_Folders) {
  EXPECT_TRUE(Spec_Matches("LEVELSHOTS/*.*", "levelshots/q3dm1.jpg"));
  EXPECT_TRUE(Spec_Matches("LEVELSHOTS/*.*", "LevelShots/Q3DM2.TGA"));
  EXPECT_FALSE(Spec_Matches("LEVELSHOTS/*.*", "levelshots/sub/x.jpg"));
  EXPECT_FALSE(Spec_Matches("LEVELSHOTS/*.*", "levelshots/noext"));
  EXPECT_TRUE(
      Spec_Matches("MODELS/PLAYERS/SARGE/icon_*.*", "models/players/sarge/ICON_default.tga"));
  EXPECT_FALSE(
      Spec_Matches("MODELS/PLAYERS/SARGE/icon_*.*", "models/players/sarge/blue/icon_x.tga"));
  EXPECT_TRUE(Spec_Matches("a?c", "abc"));
  EXPECT_FALSE(Spec_Matches("a?c", "a/c"));
  EXPECT_FALSE(Spec_Matches("a?c", "ac"));
  EXPECT_TRUE(Spec_Matches("*", "anything"));
  EXPECT_FALSE(Spec_Matches("*", "some/thing"));
  EXPECT_TRUE(Spec_Matches("*a*a*a", "aXaYaa"));
  EXPECT_FALSE(Spec_Matches("SCRIPTS/BOTS.TXT", "scripts/bots.txt.bak"));
}

TEST(Zip_Spec, Unsafe_Member_Names_Are_Recognised) {
  for (const char* name : {"../evil", "a/../../evil", "/etc/passwd", "c:/x", "C:evil", "a\\..\\b",
                           "..\\x", "./a", "a//b", "", "..", "a/./b"}) {
    EXPECT_FALSE(Is_Safe_Member_Name(name)) << name;
  }
  for (const char* name : {"maps/a.bsp", "a", "dir/", "a..b/c.d", "...x"}) {
    EXPECT_TRUE(Is_Safe_Member_Name(name)) << name;
  }
}

// ---- extraction ------------------------------------------------------------------------------

TEST_F(Zip_Archive_Test, Flat_Extraction_Writes_Bare_Name_With_Member_Time_And_Events) {
  const std::string path = Dir_ / "a.pk3";
  const std::int32_t when = Dos_Date_Time(2000, 6, 15, 8, 30, 44);
  Write_Pk3(path,
            {{"maps/q3dm1.bsp", std::string(3000, 'm'), when}, {"levelshots/q3dm1.jpg", "jpg"}});
  const std::string out = Dir_ / "out";
  fs::create_directory(out);
  Zip_Archive zip;
  zip.Set_ZipFilename(path);
  zip.ExtrBaseDir = out;
  zip.FSpecArgs = {"MAPS/Q3DM1.BSP", "maps/*.BSP"};  // both match: written once
  const auto events = Extract_Recording(zip);
  EXPECT_EQ(events,
            (std::vector<Event>{{File_Started, "q3dm1.bsp", 3000}, {Batch_Finished, " ", 0}}));
  EXPECT_TRUE(zip.FSpecArgs.empty());
  EXPECT_EQ(Read_File(out + "/q3dm1.bsp"), std::string(3000, 'm'));
  EXPECT_EQ(platform::File_DOS_Date_Time(out + "/q3dm1.bsp"), when);
  EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 1);
  // The base folder became the current directory.
  EXPECT_TRUE(fs::equivalent(fs::current_path(), out));
}

TEST_F(Zip_Archive_Test, Extraction_With_Paths_Keeps_Folders_Below_Base) {
  const std::string path = Dir_ / "b.pk3";
  Write_Pk3(path, {{"scripts/", ""},
                   {"scripts/bots.txt", "bots"},
                   {"scripts/x.bot", "bot"},
                   {"models/players/sarge/icon_default.tga", "icon"}});
  const std::string out = Dir_ / "bot";
  fs::create_directory(out);
  Zip_Archive zip;
  zip.Set_ZipFilename(path);
  zip.ExtrBaseDir = out;
  zip.ExtrDirNames = true;
  zip.FSpecArgs = {"SCRIPTS/BOTS.TXT", "SCRIPTS/*.BOT", "MODELS/PLAYERS/SARGE/icon_*.*"};
  const auto events = Extract_Recording(zip);
  EXPECT_EQ(events.front(), (Event{File_Started, "scripts/bots.txt", 4}));
  EXPECT_EQ(events.size(), 4u);
  EXPECT_EQ(Read_File(out + "/scripts/bots.txt"), "bots");
  EXPECT_EQ(Read_File(out + "/scripts/x.bot"), "bot");
  EXPECT_EQ(Read_File(out + "/models/players/sarge/icon_default.tga"), "icon");
}

TEST_F(Zip_Archive_Test, Hostile_Names_And_Links_Are_Never_Written_Outside_The_Base) {
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
  std::string data = Read_File(path);
  Replace_Bytes(data, "levelshots/gooX.jpg", "levelshots/good.jpg");
  Write_File(path, data);
  const std::string base = Dir_ / "deep/base";
  fs::create_directories(base);
  for (const bool dir_names : {false, true}) {
    Zip_Archive zip;
    zip.Set_ZipFilename(path);
    zip.ExtrBaseDir = base;
    zip.ExtrDirNames = dir_names;
    zip.FSpecArgs = {"*", "*/*", "*/*/*", "*/*/*/*", "LEVELSHOTS/*.*"};
    EXPECT_NO_THROW(zip.Extract());
  }
  EXPECT_FALSE(fs::exists(Dir_ / "escaped1.jpg"));
  EXPECT_FALSE(fs::exists(Dir_ / "deep/escaped1.jpg"));
  EXPECT_FALSE(fs::exists("/tmp/escaped2.jpg"));
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
  Zip_Archive zip;
  zip.Set_ZipFilename(path);
  zip.ExtrBaseDir = base;
  zip.FSpecArgs = {"LEVELSHOTS/good.jpg"};
  EXPECT_THROW(zip.Extract(), TZip_Error);
  EXPECT_FALSE(fs::exists(Dir_ / "outside.jpg"));
}

// Patches the uncompressed size of every header of a member (local and central) in a
// libzip-made archive.
void Patch_Sizes(std::string& data, const std::string& name, std::uint32_t size) {
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
      data[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
  };
  for (std::size_t pos = data.find(name); pos != std::string::npos;
       pos = data.find(name, pos + 1)) {
    if (pos >= 46 && data.compare(pos - 46, 4, "PK\1\2") == 0) {
      put32(pos - 46 + 24, size);
    } else if (pos >= 30 && data.compare(pos - 30, 4, "PK\3\4") == 0) {
      put32(pos - 30 + 22, size);
    }
  }
}

TEST_F(Zip_Archive_Test, Damaged_Members_Are_Skipped_And_Reported_While_Others_Are_Written) {
  const std::string path = Dir_ / "d.pk3";
  Write_Pk3(path, {{"levelshots/a.jpg", std::string(100000, 'a')},
                   {"levelshots/huge.jpg", std::string(100000, 'h')},
                   {"levelshots/z.jpg", "zzz"}});
  std::string data = Read_File(path);
  Patch_Sizes(data, "levelshots/huge.jpg", 0xF0000000u);  // claims almost 4 GiB
  Patch_Sizes(data, "levelshots/a.jpg", 10);              // claims less than it holds
  Write_File(path, data);
  const std::string out = Dir_ / "out";
  fs::create_directory(out);
  Zip_Archive zip;
  zip.Set_ZipFilename(path);
  ASSERT_EQ(zip.Count(), 3);
  EXPECT_EQ(zip.Entry(1).UncompressedSize, 0xF0000000u);
  zip.ExtrBaseDir = out;
  zip.FSpecArgs = {"LEVELSHOTS/*.*"};
  EXPECT_THROW(zip.Extract(), TZip_Error);
  EXPECT_FALSE(fs::exists(out + "/a.jpg"));
  EXPECT_FALSE(fs::exists(out + "/huge.jpg"));
  EXPECT_EQ(Read_File(out + "/z.jpg"), "zzz");

  // The stream reader stops at the stated size too, and never hangs.
  zip.Max_Member_Size = UINT64_MAX;
  zip.Max_Total_Size = UINT64_MAX;
  zip.FSpecArgs = {"LEVELSHOTS/HUGE.JPG"};
  EXPECT_THROW(zip.Extract(), TZip_Error);
  EXPECT_FALSE(fs::exists(out + "/huge.jpg"));
}

TEST_F(Zip_Archive_Test, Encrypted_Member_Is_Reported_Not_Written) {
  const std::string path = Dir_ / "e.pk3";
  Write_Pk3(path, {{"levelshots/secret.jpg", "secret"}, {"levelshots/open.jpg", "open"}});
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), 0, &error);
  ASSERT_NE(archive, nullptr);
  if (zip_file_set_encryption(archive, 0, ZIP_EM_AES_256, "password") != 0) {
    zip_discard(archive);
    GTEST_SKIP() << "libzip without encryption support";
  }
  ASSERT_EQ(zip_close(archive), 0);
  const std::string out = Dir_ / "out";
  fs::create_directory(out);
  Zip_Archive zip;
  zip.Set_ZipFilename(path);
  EXPECT_TRUE(zip.Entry(0).Encrypted);
  EXPECT_THROW(zip.Open_Member(0), TZip_Error);
  zip.ExtrBaseDir = out;
  zip.FSpecArgs = {"LEVELSHOTS/*.*"};
  EXPECT_THROW(zip.Extract(), TZip_Error);
  EXPECT_FALSE(fs::exists(out + "/secret.jpg"));
  EXPECT_EQ(Read_File(out + "/open.jpg"), "open");
}

TEST_F(Zip_Archive_Test, Zip64_Archive_Reads_Like_Any_Other) {
  const std::string path = Dir_ / "z64.pk3";
  // Info-ZIP style ZIP64 is hard to make with libzip; force the ZIP64 end records by patching a
  // normal archive into one with ZIP64 end-of-directory records.
  Write_Pk3(path, {{"maps/a.bsp", "abc"}, {"levelshots/a.jpg", "jpg"}});
  std::string data = Read_File(path);
  const std::size_t eocd = data.rfind("PK\5\6");
  ASSERT_NE(eocd, std::string::npos);
  auto get32 = [&](std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
      v = (v << 8) | static_cast<std::uint8_t>(data[at + static_cast<std::size_t>(i)]);
    }
    return v;
  };
  auto le = [](std::uint64_t v, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) {
      s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
    return s;
  };
  const std::uint32_t cd_size = get32(eocd + 12);
  const std::uint32_t cd_offset = get32(eocd + 16);
  const std::uint64_t eocd64_at = eocd;
  std::string z64 = "PK\6\6" + le(44, 8) + le(45, 2) + le(45, 2) + le(0, 4) + le(0, 4) + le(2, 8) +
                    le(2, 8) + le(cd_size, 8) + le(cd_offset, 8);
  std::string locator = "PK\6\7" + le(0, 4) + le(eocd64_at, 8) + le(1, 4);
  std::string end = "PK\5\6" + le(0, 4) + le(0xFFFF, 2) + le(0xFFFF, 2) + le(0xFFFFFFFFu, 4) +
                    le(0xFFFFFFFFu, 4) + le(0, 2);
  Write_File(path, data.substr(0, eocd) + z64 + locator + end);
  Zip_Archive zip;
  zip.Set_ZipFilename(path);
  ASSERT_EQ(zip.Count(), 2);
  EXPECT_EQ(zip.Entry(1).FileName, "levelshots/a.jpg");
  EXPECT_EQ(zip.Entry(1).DOS_Date_Time, Zip_Member{}.Dos_Time);
  auto reader = zip.Open_Member(0);
  char buffer[8] = {};
  EXPECT_EQ(reader->Read(buffer, sizeof buffer), 3u);
  EXPECT_EQ(std::string(buffer, 3), "abc");
}

// ---- addition --------------------------------------------------------------------------------

TEST_F(Zip_Archive_Test, Add_Stores_Relative_Names_Deflated_And_Replaces_Same_Name) {
  fs::current_path(Dir_.Path());
  Write_File(Dir_ / "scripts/arenas.txt", std::string(2000, 'a'));
  Write_File(Dir_ / "scripts/other.txt", "o");
  const std::string path = Dir_ / "out/z_Arenas_active_x.pk3";
  fs::create_directory(Dir_ / "out");
  Zip_Archive zip;
  zip.Set_ZipFilename(path);
  EXPECT_EQ(zip.Count(), 0);
  zip.FSpecArgs = {"scripts\\arenas.txt"};
  zip.Add();
  EXPECT_TRUE(zip.FSpecArgs.empty());
  ASSERT_EQ(zip.Count(), 1);
  EXPECT_EQ(zip.Entry(0).FileName, "scripts/arenas.txt");

  Write_File(Dir_ / "scripts/arenas.txt", "new");
  zip.FSpecArgs = {"scripts\\*.*"};
  zip.Add();
  ASSERT_EQ(zip.Count(), 2);
  EXPECT_EQ(zip.Entry(0).UncompressedSize, 3u);

  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
  ASSERT_NE(archive, nullptr);
  zip_stat_t st;
  ASSERT_EQ(zip_stat_index(archive, 0, 0, &st), 0);
  EXPECT_EQ(st.comp_method, ZIP_CM_DEFLATE);
  zip_close(archive);

  zip.FSpecArgs.clear();
  EXPECT_THROW(zip.Add(), TZip_Error);
  zip.FSpecArgs = {"nothing/*.txt"};
  EXPECT_THROW(zip.Add(), TZip_Error);
  EXPECT_EQ(zip.Count(), 2);
}

}  // namespace
}  // namespace vorlix::testing
