// The per-archive folders below LEVELSHOTS and BOTINFO, as a synchronisation over many archives
// makes and finds them, and the directory listings they rest on.

#include "database/folder_cache.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "builders.h"
#include "core/case_lookup.h"
#include "core/fs_routines.h"
#include "core/listing.h"

namespace vorlix::testing {
namespace {

namespace fs = std::filesystem;

TEST(Folder_Cache, Folders_Are_Made_Once_In_Lower_Case_And_Found_Ignoring_Case) {
  TTemp_Dir dir;
  const std::string base = dir / "LEVELSHOTS";
  fs::create_directories(base + "/BaseQ3/Old.pk3");
  TFolder_Cache cache;
  ASSERT_TRUE(cache.Exists(base, "baseq3", "OLD.PK3"));
  // Many new archives in a MOD folder the cache has listed: each made once, in lower case.
  for (int i = 0; i < 50; ++i) {
    const std::string name = "Map" + std::to_string(i) + ".PK3";
    EXPECT_FALSE(cache.Exists(base, "BASEQ3", name));
    const std::string made = cache.Create(base, "baseq3", name);
    EXPECT_EQ(made, base + "/BaseQ3/map" + std::to_string(i) + ".pk3");
    EXPECT_TRUE(fs::is_directory(made));
    EXPECT_TRUE(cache.Exists(base, "baseq3", name));
    EXPECT_EQ(cache.Create(base, "BASEQ3", name), made);  // found, not made again
  }
  // A fresh cache sees exactly what the first one made.
  TFolder_Cache fresh;
  for (int i = 0; i < 50; ++i) {
    EXPECT_TRUE(fresh.Exists(base, "baseq3", "MAP" + std::to_string(i) + ".pk3")) << i;
  }
  EXPECT_TRUE(cache.Remove(base, "baseq3", "map7.pk3"));
  EXPECT_FALSE(fs::exists(base + "/BaseQ3/map7.pk3"));
  EXPECT_FALSE(cache.Exists(base, "baseq3", "map7.pk3"));
  EXPECT_EQ(cache.Create(base, "baseq3", "map7.pk3"), base + "/BaseQ3/map7.pk3");
  // Someone else makes a folder after the listing: the cache must not report success for a
  // folder it did not make, nor make a second one in other letter case.
  fs::create_directories(base + "/BaseQ3/late.pk3");
  EXPECT_THROW(cache.Create(base, "baseq3", "LATE.pk3"), TFile_Error);
  EXPECT_THROW(cache.Create(base, "baseq3", "a\\b.pk3"), TFile_Error);
  EXPECT_THROW(cache.Create(base, "..", "escape.pk3"), TFile_Error);
  EXPECT_EQ(cache.Create(base, "baseq3", "LATE.pk3"), base + "/BaseQ3/late.pk3");
  EXPECT_EQ(std::distance(fs::directory_iterator(base + "/BaseQ3"), fs::directory_iterator()), 52);
  EXPECT_TRUE(cache.Remove(base, "baseq3", "late.PK3"));
  EXPECT_FALSE(fs::exists(base + "/BaseQ3/late.pk3"));
  // A MOD folder made by someone else after the base was listed: a creation that cannot find its
  // folder drops what the cache knew, and the next one finds the folder as it is on disk.
  const std::string other = dir / "other";
  fs::create_directories(other);
  EXPECT_FALSE(cache.Exists(other, "osp", "a.pk3"));
  fs::create_directories(other + "/OSP");
  try {
    (void)cache.Create(other, "osp", "New.pk3");
  } catch (const TFile_Error&) {
    // reported: the folder was made where the cache did not look
  }
  EXPECT_EQ(cache.Create(other, "osp", "New.pk3"), other + "/OSP/new.pk3");
}

TEST(Folder_Cache, Links_Count_As_Folders_And_Files_Do_Not_And_The_First_Listed_Twin_Wins) {
  TTemp_Dir dir;
  const std::string base = dir / "levelshots";
  fs::create_directories(base + "/osp/Real.pk3");
  fs::create_directories(dir / "elsewhere");
  fs::create_directory_symlink(dir / "elsewhere", base + "/osp/linked.pk3");
  Write_File(base + "/osp/file.pk3", "not a folder");
  fs::create_directories(base + "/osp/twin.pk3");
  fs::create_directories(base + "/osp/TWIN.pk3");
  TFolder_Cache cache;
  EXPECT_TRUE(cache.Exists(base, "osp", "real.pk3"));
  EXPECT_TRUE(cache.Exists(base, "osp", "LINKED.pk3"));
  EXPECT_FALSE(cache.Exists(base, "osp", "file.pk3"));
  EXPECT_EQ(cache.Create(base, "osp", "Twin.pk3"), base + "/osp/TWIN.pk3");
  // Listed ahead of the questions (as a start-up does): the same answers, the same twin.
  TFolder_Cache ahead;
  ahead.List_Below(base);
  EXPECT_TRUE(ahead.Exists(base, "OSP", "real.pk3"));
  EXPECT_TRUE(ahead.Exists(base, "osp", "LINKED.pk3"));
  EXPECT_FALSE(ahead.Exists(base, "osp", "file.pk3"));
  EXPECT_FALSE(ahead.Exists(base, "baseq3", "real.pk3"));
  EXPECT_EQ(ahead.Create(base, "osp", "Twin.pk3"), base + "/osp/TWIN.pk3");
  // Removing a link removes the link, never what it points to.
  EXPECT_TRUE(cache.Remove(base, "osp", "linked.pk3"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(base + "/osp/linked.pk3")));
  EXPECT_TRUE(fs::is_directory(dir / "elsewhere"));
}

TEST(Directory_Listing, Gives_Kinds_Sizes_And_Times_And_Lookups_Find_Every_Kind) {
  TTemp_Dir dir;
  Write_File(dir / "game/b.pk3", std::string(1234, 'x'));
  Set_Mtime(dir / "game/b.pk3", 1000000000);
  fs::create_directories(dir / "game/A_dir");
  fs::create_symlink(dir / "game/b.pk3", dir / "game/c_link.pk3");
  fs::create_symlink(dir / "game/missing", dir / "game/d_broken");
  Write_File(dir / "game/.hidden", "");
  const auto listing = platform::List_Directory(dir / "game");
  ASSERT_TRUE(listing);
  // Name, kinds and size of each entry; a link reports the size of what it points to.
  std::vector<std::string> seen;
  for (const auto& e : *listing) {
    seen.push_back(e.Name + (e.Is_Hidden ? " hidden" : "") + (e.Is_Directory ? " folder" : "") +
                   (e.Is_Symlink ? " link " : " ") + std::to_string(e.Size));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{".hidden hidden 0", "A_dir folder 0", "b.pk3 1234",
                                            "c_link.pk3 link 1234", "d_broken link 0"}));
  EXPECT_EQ((*listing)[2].Modified, 1000000000);
  EXPECT_FALSE(platform::List_Directory(dir / "game/b.pk3"));
  EXPECT_FALSE(platform::List_Directory(dir / "nothing"));

  EXPECT_EQ(platform::Resolve_Ignore_Case(dir.Path(), "GAME/a_DIR"), dir / "game/A_dir");
  EXPECT_EQ(platform::Resolve_Ignore_Case(dir.Path(), "game/C_LINK.PK3"), dir / "game/c_link.pk3");
  EXPECT_FALSE(platform::Resolve_Ignore_Case(dir.Path(), "game/e"));
  platform::TCase_Resolver resolver;
  EXPECT_EQ(resolver.Resolve(dir.Path(), "game/D_BROKEN"), dir / "game/d_broken");
  EXPECT_EQ(resolver.Resolve(dir / "game", ".HIDDEN"), dir / "game/.hidden");
}

}  // namespace
}  // namespace vorlix::testing
