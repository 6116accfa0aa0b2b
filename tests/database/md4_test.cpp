#include "database/md4.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "builders.h"
#include "database/archive_facts.h"

namespace vorlix::testing {
namespace {

std::string Hex(const TMD4_Digest& digest) {
  std::string text;
  for (const std::uint8_t byte : digest) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", byte);
    text += pair;
  }
  return text;
}

std::string Digest_Of(const std::string& text) {
  return Hex(MD4_Digest(text.data(), text.size()));
}

TEST(MD4, Digests_Are_Those_Of_RFC_1320_And_Of_OpenSSL_At_The_Block_Edges) {
  // The test suite of RFC 1320, appendix A.5.
  EXPECT_EQ(Digest_Of(""), "31d6cfe0d16ae931b73c59d7e0c089c0");
  EXPECT_EQ(Digest_Of("a"), "bde52cb31de33e46245e05fbdbd6fb24");
  EXPECT_EQ(Digest_Of("abc"), "a448017aaf21d8525fc10ae87aa6729d");
  EXPECT_EQ(Digest_Of("message digest"), "d9130a8164549fe818874806e1c7014b");
  EXPECT_EQ(Digest_Of("abcdefghijklmnopqrstuvwxyz"), "d79e1c308aa5bbcdeea8ed63df412da9");
  EXPECT_EQ(Digest_Of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "043f8582f241db351ce627e153e7f0e4");
  std::string eighty;
  for (int i = 0; i < 8; ++i) {
    eighty += "1234567890";
  }
  EXPECT_EQ(Digest_Of(eighty), "e33b4ddc9c38f2199c3e7b164fcc0536");
  // Where the padding needs one block more (55 bytes fit the length, 56 do not) and whole
  // blocks: "openssl dgst -md4 -provider legacy" of runs of "a".
  EXPECT_EQ(Digest_Of(std::string(55, 'a')), "c889c81dd86c4d2e025778944ea02881");
  EXPECT_EQ(Digest_Of(std::string(56, 'a')), "d5f9a9e9257077a5f08b0b92f348b0ad");
  EXPECT_EQ(Digest_Of(std::string(64, 'a')), "52f5076fabd22680234a3fa9f9dc5732");
  EXPECT_EQ(Digest_Of(std::string(119, 'a')), "e65dd227ccef97fa1d34d70189120f76");
  EXPECT_EQ(Digest_Of(std::string(120, 'a')), "b03ddbd470b47c013e0c7ab2ddd763db");
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
