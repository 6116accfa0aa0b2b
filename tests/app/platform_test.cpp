#include "app/platform.h"

#include <gtest/gtest.h>

namespace vorlix::platform {
namespace {

TEST(Listing_Order, Sorts_By_Upper_Cased_Name_Then_Raw_Name) {
  std::vector<std::string> names{"baseq3", "Extras", "MissionPack", "a_mod", "BASEQ3", "_x"};
  Sort_Listing(names);
  // '_' (0x5F) sorts after the upper-case letters, as the upper-cased comparison gives.
  EXPECT_EQ(names,
            (std::vector<std::string>{"a_mod", "BASEQ3", "baseq3", "Extras", "MissionPack", "_x"}));
}

TEST(Dos_Date_Time, Round_Trips_At_Two_Second_Resolution) {
  std::tm local{};
  local.tm_year = 2001 - 1900;
  local.tm_mon = 11;
  local.tm_mday = 24;
  local.tm_hour = 13;
  local.tm_min = 45;
  local.tm_sec = 31;
  local.tm_isdst = -1;
  const std::time_t t = std::mktime(&local);
  const std::int32_t dos = To_DOS_Date_Time(t);
  EXPECT_EQ(static_cast<std::uint32_t>(dos) >> 16, (21u << 9) | (12u << 5) | 24u);
  EXPECT_EQ(static_cast<std::uint32_t>(dos) & 0xFFFFu, (13u << 11) | (45u << 5) | 15u);
  EXPECT_EQ(From_DOS_Date_Time(dos), t - 1);
}

}  // namespace
}  // namespace vorlix::platform
