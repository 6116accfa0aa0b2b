// The index of every file of an installation: which copy of a name the game opens, the stored
// index reused for unchanged archives and rebuilt when damaged, and hostile archives contained.

#include <algorithm>
#include <filesystem>
#include <random>

#include <gtest/gtest.h>
#include <zlib.h>

#include <sys/stat.h>

#include "builders.h"
#include "core/dos_time.h"
#include "core/letter_case.h"
#include "database/game_index.h"
#include "database/member_index.h"
#include "database/zip_archive.h"

namespace vorlix::testing {
namespace {

namespace fs = std::filesystem;

// "MOD/archive:member" of a copy, "MOD:member" for a loose file; "" for none.
std::string Where(const TMember_Index& index, const std::optional<TMember_Copy>& copy) {
  if (!copy) {
    return "";
  }
  const std::string archive = copy->Source->Loose() ? "" : "/" + copy->Source->PK3_Filename;
  EXPECT_EQ(copy->Details->Name, index.Name(copy->Member));
  return copy->Source->MOD_Directory + archive + ":" + std::string(copy->Details->Name);
}

std::vector<std::string> All_Copies(const TMember_Index& index, const std::string& name,
                                    const std::string& mod) {
  std::vector<std::string> found;
  for (const TMember_Copy& copy : Copies_Of(index, name, mod, {"baseq3"})) {
    found.push_back(Where(index, copy));
  }
  return found;
}

const TMember_Details* Find_Member(const TMember_Index& index, const std::string& archive,
                                   const std::string& name) {
  for (std::uint32_t m = 0; m < index.Member_Count(); ++m) {
    if (index.Sources()[index.Source_Of(m)].PK3_Filename == archive && index.Name(m) == name) {
      return &index.Details(m);
    }
  }
  return nullptr;
}

TEST(Member_Index, The_Game_Opens_The_Copy_Its_Search_Order_Meets_First) {
  TTemp_Dir game;
  Write_Pk3(game / "baseq3/pak0.pk3",
            {{"models/y.md3", "base"}, {"textures/base.tga", "b"}, {"shared/x.tga", "base"}});
  // "B" sorts after "a" once upper-cased, though not by its raw bytes.
  Write_Pk3(game / "mymod/a.pk3", {{"shared/x.tga", "a"}, {"models/y.md3", "mod"}});
  Write_Pk3(game / "mymod/B.pk3", {{"SHARED/X.TGA", "bb"},
                                   {"dup/one.txt", "first"},
                                   {"DUP/ONE.TXT", "second"},
                                   {"win\\path.tga", "w"}});
  Write_Pk3(game / "mymod/z.pk3", {{"loose/l.tga", "archived"}, {"loose/Case.tga", "c"}});
  Write_File(game / "mymod/loose/l.tga", "on disk");
  Write_File(game / "mymod/loose/Case.tga", "on disk");
  const auto build = Build_Member_Index(game.Path(), Game_Index_Of_Disk(game.Path()), game.Path());
  const TMember_Index& index = build.Index;
  EXPECT_TRUE(build.Unreadable.empty());

  EXPECT_EQ(All_Copies(index, "shared/x.tga", "mymod"),
            (std::vector<std::string>{"mymod/B.pk3:SHARED/X.TGA", "mymod/a.pk3:shared/x.tga",
                                      "baseq3/pak0.pk3:shared/x.tga"}));
  // A loose file comes before the archives of its directory, but only by its exact name.
  EXPECT_EQ(All_Copies(index, "loose/l.tga", "mymod"),
            (std::vector<std::string>{"mymod:loose/l.tga", "mymod/z.pk3:loose/l.tga"}));
  EXPECT_EQ(Where(index, Winning_Copy(index, "loose/case.tga", "mymod", {"baseq3"})),
            "mymod/z.pk3:loose/Case.tga");
  EXPECT_EQ(Where(index, Winning_Copy(index, "loose\\Case.tga", "mymod", {"baseq3"})),
            "mymod:loose/Case.tga");
  // The MOD directory before the base directory, which alone serves itself.
  EXPECT_EQ(Where(index, Winning_Copy(index, "MODELS/Y.MD3", "mymod", {"baseq3"})),
            "mymod/a.pk3:models/y.md3");
  EXPECT_EQ(Where(index, Winning_Copy(index, "models/y.md3", "baseq3", {"baseq3"})),
            "baseq3/pak0.pk3:models/y.md3");
  EXPECT_EQ(Where(index, Winning_Copy(index, "textures/base.tga", "mymod", {"baseq3"})),
            "baseq3/pak0.pk3:textures/base.tga");
  EXPECT_FALSE(Winning_Copy(index, "loose/l.tga", "othermod", {"baseq3"}).has_value());
  EXPECT_FALSE(Winning_Copy(index, "textures/none.tga", "mymod", {"baseq3"}).has_value());
  // Two members of one lookup form in one archive: the one stored last.
  EXPECT_EQ(Where(index, Winning_Copy(index, "dup/one.txt", "mymod", {"baseq3"})),
            "mymod/B.pk3:DUP/ONE.TXT");
  // A backslash of a member's name is a separator, in the name asked for too.
  EXPECT_EQ(Where(index, Winning_Copy(index, "WIN/PATH.tga", "mymod", {"baseq3"})),
            "mymod/B.pk3:win\\path.tga");
  EXPECT_EQ(Member_Lookup_Form(std::string("Win\\A:B.TGA\0x", 13)), "win/a/b.tga");
  // The archives themselves are no loose files.
  for (std::uint32_t m = 0; m < index.Member_Count(); ++m) {
    EXPECT_EQ(index.Name(m).find(".pk3"), std::string_view::npos) << index.Name(m);
  }
}

TEST(Member_Index, Members_Carry_Size_Checksum_And_Method_Of_The_Central_Directory) {
  TTemp_Dir game;
  const std::string data(5000, 'q');
  Write_Pk3(game / "baseq3/a.pk3", {{"d/deflated.txt", data}, {"d/stored.txt", "abc", 0, true}});
  Write_File(game / "baseq3/d/loose.cfg", "seta x 1\n");
  const auto build = Build_Member_Index(game.Path(), Game_Index_Of_Disk(game.Path()), game.Path());
  const TMember_Details* deflated = Find_Member(build.Index, "a.pk3", "d/deflated.txt");
  const TMember_Details* stored = Find_Member(build.Index, "a.pk3", "d/stored.txt");
  ASSERT_NE(deflated, nullptr);
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(deflated->Size, data.size());
  EXPECT_EQ(deflated->Method, 8);
  EXPECT_EQ(deflated->CRC32,
            crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
  EXPECT_EQ(stored->Method, 0);
  EXPECT_EQ(stored->CRC32, crc32(0, reinterpret_cast<const Bytef*>("abc"), 3));
  const auto loose = Winning_Copy(build.Index, "d/loose.cfg", "baseq3", {"baseq3"});
  ASSERT_TRUE(loose.has_value());
  EXPECT_TRUE(loose->Source->Loose());
  EXPECT_EQ(loose->Details->Size, 9U);
}

TEST(Member_Index, An_Unchanged_Archive_Is_Not_Opened_And_A_Changed_One_Is_Read_Again) {
  TTemp_Dir game;
  Write_Pk3(game / "baseq3/keep.pk3", {{"textures/keep.tga", "k"}});
  Write_Pk3(game / "baseq3/change.pk3", {{"textures/old.tga", "o"}});
  Set_Mtime(game / "baseq3/keep.pk3", 1'000'000'000);
  fs::create_directories(game / "data");
  const auto first =
      Build_Member_Index(game.Path(), Game_Index_Of_Disk(game.Path()), game / "data");
  EXPECT_EQ(first.Archives_Read, 2U);
  EXPECT_TRUE(first.Save_Problem.empty());

  // Bytes that are no archive, of the same size and time: only a reopened archive would tell.
  const std::string keep = game / "baseq3/keep.pk3";
  Write_File(keep, std::string(fs::file_size(keep), 'x'));
  Set_Mtime(keep, 1'000'000'000);
  Write_Pk3(game / "baseq3/change.pk3", {{"textures/new.tga", "a longer member"}});
  const TGame_Index games = Game_Index_Of_Disk(game.Path());
  const auto second = Build_Member_Index(game.Path(), games, game / "data");
  EXPECT_EQ(second.Archives_Reused, 1U);
  EXPECT_EQ(second.Archives_Read, 1U);
  EXPECT_TRUE(second.Unreadable.empty());
  const auto& index = second.Index;
  EXPECT_EQ(Where(index, Winning_Copy(index, "textures/keep.tga", "baseq3", {"baseq3"})),
            "baseq3/keep.pk3:textures/keep.tga");
  EXPECT_EQ(Where(index, Winning_Copy(index, "textures/new.tga", "baseq3", {"baseq3"})),
            "baseq3/change.pk3:textures/new.tga");
  EXPECT_FALSE(Winning_Copy(index, "textures/old.tga", "baseq3", {"baseq3"}).has_value());

  // Once its date differs the archive is opened, and its damage told.
  TGame_Index touched = games;
  std::vector<TArchive_Facts> archives = touched.Archives();
  for (auto& facts : archives) {
    facts.Date += facts.PK3_Filename == "keep.pk3" ? 1 : 0;
  }
  touched.Set_Archives(archives);
  const auto third = Build_Member_Index(game.Path(), touched, game / "data");
  EXPECT_EQ(third.Archives_Read, 1U);
  ASSERT_EQ(third.Unreadable.size(), 1U);
  EXPECT_EQ(third.Unreadable[0].Path, keep);
}

TEST(Member_Index, A_Stored_Index_Holds_Only_The_Details_It_Answers_With) {
  TTemp_Dir game;
  Write_Pk3(game / "baseq3/a.pk3", {{"textures/one.tga", "1"}, {"Shared/X.tga", "a"}});
  Write_Pk3(game / "baseq3/b.pk3", {{"shared/x.TGA", "bb"}, {"textures/", ""}});
  Write_File(game / "baseq3/textures/one.tga", "loose");
  const TGame_Index games = Game_Index_Of_Disk(game.Path());
  fs::create_directories(game / "data");
  Build_Member_Index(game.Path(), games, game / "data");
  const std::string file = (fs::path(game / "data") / Member_Index_File).string();
  const std::string stored = Read_File(file);

  const auto warm = Build_Member_Index(game.Path(), games, game / "data");
  EXPECT_EQ(warm.Archives_Reused, 2U);
  const TMember_Index& index = warm.Index;
  EXPECT_EQ(Where(index, Winning_Copy(index, "shared/x.tga", "baseq3", {"baseq3"})),
            "baseq3/b.pk3:shared/x.TGA");
  // Read back, it holds the details of the copies of one name in two archives alone.
  TMember_Index again;
  ASSERT_TRUE(again.Load(file));
  std::vector<std::string> held_names;
  for (std::uint32_t m = 0; m < again.Member_Count(); ++m) {
    if (again.Holds_Details(m)) {
      held_names.emplace_back(again.Details(m).Name);
    }
  }
  std::sort(held_names.begin(), held_names.end());
  EXPECT_EQ(held_names, (std::vector<std::string>{"Shared/X.tga", "shared/x.TGA"}));
  EXPECT_EQ(again.Members_Named("SHARED/x.tga").size(), 2U);
  EXPECT_EQ(again.Members_Named("textures/one.tga").size(), 1U);
  // The folder entry is no file of the lookup.
  EXPECT_TRUE(again.Members_Named("textures/").empty());
  // The others are read from the file when asked for, even once it has been replaced.
  Write_File(file + ".new", "VXMI something else entirely");
  fs::rename(file + ".new", file);
  EXPECT_EQ(Find_Member(again, "a.pk3", "textures/one.tga")->Size, 1U);
  EXPECT_EQ(Where(again, Winning_Copy(again, "textures/one.tga", "baseq3", {"baseq3"})),
            "baseq3/a.pk3:textures/one.tga");
  // Saved again, it writes the bytes it was read from.
  EXPECT_EQ(again.Save(file), "");
  EXPECT_EQ(Read_File(file), stored);
  EXPECT_EQ(Where(index, Winning_Copy(index, "textures/one.tga", "baseq3", {"baseq3"})),
            "baseq3:textures/one.tga");
}

TEST(Member_Index, A_Damaged_Or_Foreign_Index_File_Is_Rebuilt) {
  TTemp_Dir game;
  Write_Pk3(game / "baseq3/a.pk3", {{"textures/a.tga", "a"}, {"textures/b.tga", "b"}});
  Write_Pk3(game / "baseq3/b.pk3", {{"textures/b.tga", "bb"}});
  const TGame_Index games = Game_Index_Of_Disk(game.Path());
  Build_Member_Index(game.Path(), games, game.Path());
  const std::string file = game / Member_Index_File;
  const std::string good = Read_File(file);
  // A flipped byte in a member name, a cut file, another version, something that is no file.
  std::string flipped = good;
  flipped[flipped.find("textures/b.tga") + 9] = 'X';
  std::string other_version = good;
  other_version[4] = 9;
  // Records whose checksums hold but which name no archive, or more members than they hold.
  const auto crafted = [](const std::string& archive, std::uint32_t members) {
    std::string record;
    const auto add_string = [&record](const std::string& text) {
      std::string length(4, '\0');
      Put_U32(length, 0, static_cast<std::uint32_t>(text.size() + 1));
      record += length + text + '\0';
    };
    add_string("baseq3");
    add_string(archive);
    record += std::string(8, '\0');  // size and date
    add_string("");
    std::string count(4, '\0');
    Put_U32(count, 0, members);
    record += count;
    std::string file = "VXMI" + std::string(12, '\0');
    Put_U32(file, 4, 2);
    Put_U32(file, 8, 1);
    Put_U32(file, 12, members);
    std::string frame(8, '\0');
    Put_U32(frame, 0, static_cast<std::uint32_t>(record.size()));
    Put_U32(
        frame, 4,
        crc32(0, reinterpret_cast<const Bytef*>(record.data()), static_cast<uInt>(record.size())));
    return file + frame.substr(0, 4) + record + frame.substr(4);
  };
  for (const std::string& damaged : {flipped, good.substr(0, good.size() - 3), other_version,
                                     crafted("", 0), crafted("a.pk3", 1000)}) {
    Write_File(file, damaged);
    TMember_Index refused;
    EXPECT_FALSE(refused.Load(file));
    EXPECT_TRUE(refused.Sources().empty());
    const auto build = Build_Member_Index(game.Path(), games, game.Path());
    EXPECT_EQ(build.Archives_Read, 2U);
    EXPECT_EQ(build.Index.Members_Named("textures/b.tga").size(), 2U);
    EXPECT_EQ(Read_File(file), good);
  }
  fs::remove(file);
  fs::create_directory(file);
  const auto build = Build_Member_Index(game.Path(), games, game.Path());
  EXPECT_EQ(build.Archives_Read, 2U);
  EXPECT_FALSE(build.Save_Problem.empty());
  EXPECT_EQ(Where(build.Index, Winning_Copy(build.Index, "textures/b.tga", "baseq3", {"baseq3"})),
            "baseq3/b.pk3:textures/b.tga");
}

TEST(Member_Index, A_Damaged_Archive_Is_Told_Alone_And_Tried_Again) {
  TTemp_Dir game;
  Write_Pk3(game / "baseq3/a.pk3", {{"textures/a.tga", "a"}});
  Write_File(game / "baseq3/broken.pk3", "PK\x03\x04 and nothing of a directory");
  Write_Pk3(game / "mymod/c.pk3", {{"textures/c.tga", "c"}});
  const TGame_Index games = Game_Index_Of_Disk(game.Path());
  for (int pass = 0; pass < 2; ++pass) {
    const auto build = Build_Member_Index(game.Path(), games, game.Path());
    ASSERT_EQ(build.Unreadable.size(), 1U);
    EXPECT_EQ(build.Unreadable[0].Path, game / "baseq3/broken.pk3");
    EXPECT_EQ(build.Unreadable[0].Reason, "no ZIP end record");
    for (const TMember_Source& source : build.Index.Sources()) {
      EXPECT_EQ(source.Problem.empty(), source.PK3_Filename != "broken.pk3");
    }
    EXPECT_EQ(build.Archives_Read, pass == 0 ? 3U : 1U);
    EXPECT_EQ(build.Archives_Reused, pass == 0 ? 0U : 2U);
    EXPECT_TRUE(Winning_Copy(build.Index, "textures/a.tga", "mymod", {"baseq3"}).has_value());
    EXPECT_TRUE(Winning_Copy(build.Index, "textures/c.tga", "mymod", {"baseq3"}).has_value());
  }
}

// An archive of empty stored members with nothing but its central directory and the ZIP64 end
// records, which a member count above 65,535 needs.
std::string Directory_Only_Archive(std::uint32_t count) {
  std::string cd;
  cd.reserve(static_cast<std::size_t>(count) * 60);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::string name = "f/" + std::to_string(i) + ".tga";
    std::string entry(46, '\0');
    Put_U32(entry, 0, 0x02014b50U);
    entry[28] = static_cast<char>(name.size());
    cd += entry + name;
  }
  std::string end64(56, '\0');
  Put_U32(end64, 0, 0x06064b50U);
  Put_U32(end64, 32, count);
  Put_U32(end64, 40, static_cast<std::uint32_t>(cd.size()));
  std::string locator(20, '\0');
  Put_U32(locator, 0, 0x07064b50U);
  Put_U32(locator, 8, static_cast<std::uint32_t>(cd.size()));
  std::string end(22, '\0');
  Put_U32(end, 0, 0x06054b50U);
  Put_U32(end, 8, 0xFFFFFFFFU);
  Put_U32(end, 12, 0xFFFFFFFFU);
  Put_U32(end, 16, 0xFFFFFFFFU);
  return cd + end64 + locator + end;
}

TEST(Member_Index, Hostile_Archives_Are_Contained) {
  TTemp_Dir game;
  const std::string long_name = "textures/" + std::string(300, 'L') + ".tga";
  Write_Pk3(game / "baseq3/odd.pk3",
            {{"t/\x01\x7f\xc3\xa9.tga", "odd"}, {long_name, "long"}, {"zero/aXb.tga", "z"}});
  std::string odd = Read_File(game / "baseq3/odd.pk3");
  Replace_Bytes(odd, "zero/aXb.tga", std::string("zero/a\0b.tga", 12));
  Write_File(game / "baseq3/odd.pk3", odd);
  Write_File(game / "baseq3/million.pk3", Directory_Only_Archive(1'000'000));
  // A count its directory cannot hold.
  std::string lying = Directory_Only_Archive(10);
  Put_U32(lying, lying.size() - 22 - 20 - 56 + 32, 2'000'000);
  Write_File(game / "baseq3/lying.pk3", lying);

  const auto build = Build_Member_Index(game.Path(), Game_Index_Of_Disk(game.Path()), game.Path());
  const TMember_Index& index = build.Index;
  ASSERT_EQ(build.Unreadable.size(), 1U);
  EXPECT_EQ(build.Unreadable[0].Path, game / "baseq3/lying.pk3");
  EXPECT_EQ(index.Member_Count(), 1'000'003U);
  EXPECT_EQ(Where(index, Winning_Copy(index, "F/999999.TGA", "baseq3", {"baseq3"})),
            "baseq3/million.pk3:f/999999.tga");
  EXPECT_TRUE(Winning_Copy(index, "t/\x01\x7f\xc3\xa9.TGA", "baseq3", {"baseq3"}).has_value());
  EXPECT_TRUE(Winning_Copy(index, long_name, "baseq3", {"baseq3"}).has_value());
  // The engine's name ends at the zero byte; the stored name keeps every byte.
  const auto zero = Winning_Copy(index, "zero/a", "baseq3", {"baseq3"});
  ASSERT_TRUE(zero.has_value());
  EXPECT_EQ(index.Name(zero->Member), std::string_view("zero/a\0b.tga", 12));
  // The stored index gives back the same members.
  TMember_Index loaded;
  ASSERT_TRUE(loaded.Load(game / Member_Index_File));
  EXPECT_EQ(loaded.Member_Count(), index.Member_Count());
  EXPECT_FALSE(loaded.Members_Named(long_name).empty());
}

// A member of more than 4 GiB gives its size in its ZIP64 extra field, after another field.
TEST(Member_Index, A_ZIP64_Member_Gives_Its_Full_Size) {
  TTemp_Dir game;
  const std::string name = "video/big.roq";
  std::string entry(46, '\0');
  Put_U32(entry, 0, 0x02014b50U);
  Put_U32(entry, 24, 0xFFFFFFFFU);
  entry[28] = static_cast<char>(name.size());
  entry[30] = 8 + 12;
  std::string extra(20, '\0');
  extra[0] = 0x55;  // a field of 4 bytes the walk passes over
  extra[2] = 4;
  extra[8] = 1;  // ZIP64: the uncompressed size
  extra[10] = 8;
  Put_U32(extra, 12, 0);
  Put_U32(extra, 16, 5);
  const std::string cd = entry + name + extra;
  std::string end(22, '\0');
  Put_U32(end, 0, 0x06054b50U);
  end[8] = end[10] = 1;
  Put_U32(end, 12, static_cast<std::uint32_t>(cd.size()));
  Write_File(game / "baseq3/big.pk3", cd + end);
  const auto build = Build_Member_Index(game.Path(), Game_Index_Of_Disk(game.Path()), game.Path());
  const auto copy = Winning_Copy(build.Index, name, "baseq3", {"baseq3"});
  ASSERT_TRUE(copy.has_value());
  EXPECT_EQ(copy->Details->Size, std::uint64_t{5} << 32U);
}

// The rule applied directly: each directory's loose file by its exact name, then its archives
// from the one sorting last ignoring case, each opened and read from its last member back.
std::string Plain_Walk(const std::string& game, const std::string& name, const std::string& mod) {
  const auto lower = [](std::string text) { return platform::Lower(std::move(text)); };
  std::vector<std::string> dirs{mod};
  if (mod != "baseq3") {
    dirs.emplace_back("baseq3");
  }
  for (const std::string& dir : dirs) {
    if (fs::is_regular_file(fs::path(game) / dir / name)) {
      return dir + ":" += name;
    }
    std::vector<std::string> archives;
    if (fs::is_directory(fs::path(game) / dir)) {
      for (const auto& file : fs::directory_iterator(fs::path(game) / dir)) {
        if (file.is_regular_file()) {
          archives.push_back(file.path().filename().string());
        }
      }
    }
    std::sort(archives.begin(), archives.end(), [](const std::string& a, const std::string& b) {
      return platform::Upper(a) > platform::Upper(b);
    });
    for (const std::string& archive : archives) {
      TZip_Archive zip;
      zip.Set_Zip_Filename((fs::path(game) / dir / archive).string());
      for (int i = zip.Count() - 1; i >= 0; --i) {
        if (lower(zip.Entry(i).Name) == lower(name)) {
          return ((dir + "/") += archive + ":") += zip.Entry(i).Name;
        }
      }
    }
  }
  return "";
}

TEST(Member_Index, Winning_Copy_Agrees_With_A_Plain_Walk_Of_Random_Installations) {
  const std::vector<std::string> pool = {"textures/a.tga", "textures/b.jpg", "models/m.md3",
                                         "sound/s.wav", "scripts/x.shader"};
  const std::vector<std::string> archive_names = {"a", "B", "pak0", "Zz", "map-x", "map_x", "c"};
  for (unsigned seed = 1; seed <= 6; ++seed) {
    std::mt19937 random(seed);
    const auto chance = [&random](int percent) {
      return static_cast<int>(random() % 100) < percent;
    };
    const auto mix_case = [&](std::string text) {
      for (char& c : text) {
        c = chance(30) ? platform::Upper_Char(c) : c;
      }
      return text;
    };
    TTemp_Dir game;
    fs::create_directories(game / "data");
    for (const std::string dir : {"baseq3", "mymod"}) {
      for (const std::string& archive : archive_names) {
        if (!chance(50)) {
          continue;
        }
        std::vector<TZip_Member> members;
        for (const std::string& name : pool) {
          if (chance(40)) {
            members.push_back({mix_case(name), dir + archive});
          }
        }
        if (!members.empty()) {
          Write_Pk3(game / (dir + "/" + mix_case(archive) + ".pk3"), members);
        }
      }
      for (const std::string& name : pool) {
        if (chance(15)) {
          Write_File(game / ((dir + "/") += name), "loose");
        }
      }
    }
    const auto build =
        Build_Member_Index(game.Path(), Game_Index_Of_Disk(game.Path()), game / "data");
    for (const std::string mod : {"baseq3", "mymod"}) {
      for (const std::string& name : pool) {
        for (const std::string& asked : {name, platform::Upper(name)}) {
          EXPECT_EQ(Where(build.Index, Winning_Copy(build.Index, asked, mod, {"baseq3"})),
                    Plain_Walk(game.Path(), asked, mod))
              << "seed " << seed << ", " << mod << ", " << asked;
        }
      }
    }
  }
}

}  // namespace
}  // namespace vorlix::testing
