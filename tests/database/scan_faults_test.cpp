// An archive that changes while the start-up scans it (a download finishing, a copy still being
// written, a file removed): the start-up goes on, nothing stored is lost, and the next start
// records the archive as it then is.

#include <algorithm>
#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#include "builders.h"
#include "core/dos_time.h"
#include "database/database_startup.h"
#include "database/records.h"
#include "scripted_interaction.h"

namespace vorlix::testing {
namespace {

namespace fs = std::filesystem;

// What the user may be told about the archive that changed: nothing else.
const std::vector<std::string> Archive_Errors = {"Error during map scan. Please report to author."};

// A user whose status line 2 showing a text starting with `When` makes `Change` happen, once.
class TChanging_User : public TScripted_Interaction {
 public:
  void Status_Line(int line, const std::string& text) override {
    TScripted_Interaction::Status_Line(line, text);
    if (Change && line == 2 && text.rfind(When, 0) == 0) {
      const auto change = std::move(Change);
      Change = nullptr;
      change();
    }
  }
  std::string When;
  std::function<void()> Change;
};

std::vector<TZip_Member> Archive_Of(const std::vector<std::string>& maps) {
  std::vector<TZip_Member> members;
  for (const auto& name : maps) {
    // Large enough that the title is read from well inside the archive.
    members.push_back({"maps/" + name + ".bsp", Make_Bsp(Entity_Text("Title " + name), 200000)});
    members.push_back({"levelshots/" + name + ".jpg", "jpg of " + name});
  }
  return members;
}

enum class TChange_Kind { Rewritten_In_Place, Replaced_By_Rename, Cut_Short, Removed };

struct Change_Case {
  const char* Moment;  // the status text at which the archive changes
  TChange_Kind Kind;
};

class Scan_Faults : public ::testing::TestWithParam<Change_Case> {
 protected:
  void SetUp() override { fs::create_directories(Dir_ / "game/baseq3"); }

  std::unique_ptr<TPK3_Record_Store> Run(TScripted_Interaction& user) {
    auto db = Load_PK3_Database({Dir_ / "prog", Dir_ / "prog/TEMP", Dir_ / "prog/LEVELSHOTS",
                                 Dir_ / "prog/BOTINFO", Dir_ / "game"},
                                &user)
                  .Database;
    EXPECT_TRUE(Save_PK3_Database(*db));
    return db;
  }
  std::string Game(const std::string& name) const { return Dir_ / ("game/baseq3/" + name); }
  static TPK3_Record& Record(TPK3_Record_Store& db, const std::string& file) {
    const int index = db.Find_PK3("baseq3", file);
    EXPECT_GE(index, 0) << file;
    return *db.Items(std::max(index, 0));
  }
  // The present maps of a record, as "FILENAME=title".
  static std::vector<std::string> Present_Maps(const TPK3_Record& record) {
    std::vector<std::string> maps;
    for (int i = 0; i < record.Maps->Count(); ++i) {
      const TMap_Record& map = *record.Maps->Items(i);
      if (map.Present) {
        maps.push_back(map.MAP_Filename + "=" + map.Map_Longname);
      }
    }
    return maps;
  }
  static const TMap_Record* Map(const TPK3_Record& record, const std::string& name) {
    for (int i = 0; i < record.Maps->Count(); ++i) {
      if (record.Maps->Items(i)->MAP_Filename == name) {
        return record.Maps->Items(i);
      }
    }
    ADD_FAILURE() << name << " not recorded";
    static const TMap_Record none;
    return &none;
  }

  TTemp_Dir Dir_;
};

TEST_P(Scan_Faults, Start_Up_Goes_On_And_The_Next_Start_Records_The_Archive_As_It_Is) {
  const Change_Case& change = GetParam();
  Write_Pk3(Game("a.pk3"), Archive_Of({"m1"}));
  Write_Pk3(Game("b.pk3"), Archive_Of({"b1"}));
  {
    TScripted_Interaction user;
    auto db = Run(user);
    Record(*db, "a.pk3").Maps->Items(0)->Comment = "mine";
    Record(*db, "b.pk3").Maps->Items(0)->Comment = "kept";
    ASSERT_TRUE(Save_PK3_Database(*db));
  }
  // A new version of a.pk3, scanned by the next start (alone, so on the calling thread) ...
  Write_Pk3(Game("a.pk3"), Archive_Of({"m1", "m2"}));
  Set_Mtime(Game("a.pk3"), static_cast<std::int64_t>(platform::From_DOS_Date_Time(
                               *platform::File_DOS_Date_Time(Game("a.pk3")))) +
                               120);
  // ... changes again while that start reads it.
  const std::string final_path = Dir_ / "final.pk3";
  Write_Pk3(final_path, Archive_Of({"m1", "m3"}));
  TChanging_User user;
  user.When = change.Moment;
  user.Change = [&] {
    switch (change.Kind) {
      case TChange_Kind::Rewritten_In_Place:
        Write_File(Game("a.pk3"), Read_File(final_path));
        break;
      case TChange_Kind::Replaced_By_Rename:
        fs::copy_file(final_path, Game("a.pk3.part"));
        fs::rename(Game("a.pk3.part"), Game("a.pk3"));
        break;
      case TChange_Kind::Cut_Short:
        fs::resize_file(Game("a.pk3"), fs::file_size(Game("a.pk3")) / 3);
        break;
      case TChange_Kind::Removed:
        fs::remove(Game("a.pk3"));
        break;
    }
  };
  {
    auto db = Run(user);
    EXPECT_FALSE(user.Change) << "the archive was never read at \"" << change.Moment << "\"";
    for (const auto& text : user.Message_Texts()) {
      EXPECT_TRUE(std::find(Archive_Errors.begin(), Archive_Errors.end(), text) !=
                      Archive_Errors.end() ||
                  text.rfind("Error during map scan: maps/", 0) == 0 ||
                  text.rfind("Levelshots and bot information could not be extracted. ", 0) == 0)
          << text;
    }
    EXPECT_EQ(Record(*db, "b.pk3").Maps->Items(0)->Comment, "kept");
  }
  // The next start finds the archive as it now is; the properties of its unchanged map survive.
  TScripted_Interaction later;
  auto db = Run(later);
  TPK3_Record& a = Record(*db, "a.pk3");
  EXPECT_EQ(Record(*db, "b.pk3").Maps->Items(0)->Comment, "kept");
  if (change.Kind == TChange_Kind::Removed) {
    EXPECT_FALSE(a.Present);
    EXPECT_EQ(Map(a, "M1.BSP")->Comment, "mine");
    return;
  }
  if (change.Kind == TChange_Kind::Cut_Short) {
    // What is left is a damaged archive: it is kept, and its readable state is not invented.
    EXPECT_TRUE(a.Present);
    EXPECT_EQ(a.PK3_Filesize, fs::file_size(Game("a.pk3")));
    return;
  }
  EXPECT_TRUE(a.Present);
  EXPECT_EQ(a.PK3_Filesize, fs::file_size(Game("a.pk3")));
  EXPECT_EQ(a.PK3_Filedate, platform::File_DOS_Date_Time(Game("a.pk3")));
  EXPECT_EQ(Present_Maps(a), (std::vector<std::string>{"M1.BSP=Title m1", "M3.BSP=Title m3"}));
  EXPECT_EQ(Map(a, "M1.BSP")->Comment, "mine");
  EXPECT_EQ(Read_File(Dir_ / "prog/levelshots/baseq3/a.pk3/m3.jpg"), "jpg of m3");
  EXPECT_TRUE(later.Messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Moments, Scan_Faults,
    ::testing::Values(Change_Case{"extracting longname for", TChange_Kind::Rewritten_In_Place},
                      Change_Case{"extracting longname for", TChange_Kind::Replaced_By_Rename},
                      Change_Case{"extracting longname for", TChange_Kind::Cut_Short},
                      Change_Case{"extracting longname for", TChange_Kind::Removed},
                      Change_Case{"extracting new levelshots", TChange_Kind::Rewritten_In_Place},
                      Change_Case{"extracting new levelshots", TChange_Kind::Cut_Short},
                      Change_Case{"extracting new levelshots", TChange_Kind::Removed}));

}  // namespace
}  // namespace vorlix::testing
