// vorlix-cli end to end: the MOD list with the bots read from the extracted bot scripts.

#include <string>

#include <gtest/gtest.h>

#include "cli_runner.h"

namespace vorlix {
namespace {

using testing::Cli;
using testing::Run_Result;

TEST_F(Cli, Mods_Lists_Each_MOD_With_The_Bots_Of_Its_Archives) {
  const Run_Result result = Run_With_Dirs({"mods"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(result.Out,
            "BASEQ3\town\t2\n"
            "\tSarge\tsarge\tpak0.pk3\n"
            "\tMajor\tmajor/daemia\tpak0.pk3\n"
            "MYMOD\town\t1\n"
            "\tModder\tgrunt/stripe\tmymod.pk3\n");
}

}  // namespace
}  // namespace vorlix
