#include "database/md4.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "builders.h"
#include "database/archive_facts.h"

namespace vorlix::testing {
namespace {

TEST(MD4, Digests_Are_Those_Of_RFC_1320_And_Of_OpenSSL_At_The_Block_Edges) {
  std::string eighty;
  for (int i = 0; i < 8; ++i) {
    eighty += "1234567890";
  }
  // The test suite of RFC 1320 (appendix A.5), then where the padding needs one block more (55
  // bytes leave room for the length, 56 do not) and whole blocks: "openssl dgst -md4 -provider
  // legacy" of runs of "a".
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "31d6cfe0d16ae931b73c59d7e0c089c0"},
      {"a", "bde52cb31de33e46245e05fbdbd6fb24"},
      {"abc", "a448017aaf21d8525fc10ae87aa6729d"},
      {"message digest", "d9130a8164549fe818874806e1c7014b"},
      {"abcdefghijklmnopqrstuvwxyz", "d79e1c308aa5bbcdeea8ed63df412da9"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "043f8582f241db351ce627e153e7f0e4"},
      {eighty, "e33b4ddc9c38f2199c3e7b164fcc0536"},
      {std::string(55, 'a'), "c889c81dd86c4d2e025778944ea02881"},
      {std::string(56, 'a'), "d5f9a9e9257077a5f08b0b92f348b0ad"},
      {std::string(64, 'a'), "52f5076fabd22680234a3fa9f9dc5732"},
      {std::string(119, 'a'), "e65dd227ccef97fa1d34d70189120f76"},
      {std::string(120, 'a'), "b03ddbd470b47c013e0c7ab2ddd763db"}};
  for (const auto& [text, expected] : cases) {
    const TMD4_Digest digest = MD4_Digest(text.data(), text.size());
    std::string hex;
    for (const std::uint8_t byte : digest) {
      char pair[3];
      std::snprintf(pair, sizeof pair, "%02x", byte);
      hex += pair;
    }
    EXPECT_EQ(hex, expected) << text.size() << " bytes";
  }
}

// The checksums ioq3ded (Debian's ioquake3 1.36) printed in sv_paks for archives made by Python's
// zipfile with the same members.
TEST(MD4, An_Archive_Has_The_Checksum_The_Engine_Gives_It) {
  TTemp_Dir dir;
  const auto checksum = [&dir](const std::vector<TZip_Member>& members) {
    Write_Pk3(dir / "a.pk3", members);
    const TArchive_Facts facts = Read_Archive_Facts(dir / "a.pk3");
    EXPECT_TRUE(facts.Readable);
    return facts.Checksum;
  };
  EXPECT_EQ(checksum({{"textures/gen/x0.txt", "archive 0\n"}}), 1249009406);
  EXPECT_EQ(checksum({{"textures/gen/x1.txt", "archive 1\n", {}, true}}), -2050474220);
  // Folders and empty members do not count; the order of the members does.
  const std::vector<TZip_Member> mixed = {{"maps/", ""},
                                          {"maps/empty.txt", ""},
                                          {"scripts/a.arena", "{ map a }\n"},
                                          {"textures/b.txt", "beta\n"}};
  EXPECT_EQ(checksum(mixed), -890109240);
  EXPECT_EQ(Engine_Archive_Checksum({42826855U, 3873679221U}), -890109240);
  EXPECT_NE(Engine_Archive_Checksum({3873679221U, 42826855U}), -890109240);
}

}  // namespace
}  // namespace vorlix::testing
