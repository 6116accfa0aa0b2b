#include "builders.h"

#include <gtest/gtest.h>
#include <zip.h>

namespace vorlix::testing {
namespace {

TEST(Test_Builders, Pk3_Holds_Members_In_Order_With_Their_Times) {
  TTemp_Dir dir;
  const std::string path = dir / "baseq3/a.pk3";
  const std::int32_t when = Dos_Date_Time(1999, 12, 2, 10, 20, 30);
  Write_Pk3(path, {{"maps/", ""}, {"maps/a.bsp", Make_Bsp(Entity_Text("A")), when}});
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
  ASSERT_NE(archive, nullptr);
  ASSERT_EQ(zip_get_num_entries(archive, 0), 2);
  EXPECT_STREQ(zip_get_name(archive, 0, 0), "maps/");
  EXPECT_STREQ(zip_get_name(archive, 1, 0), "maps/a.bsp");
  zip_close(archive);
}

TEST(Test_Builders, Bsp_Points_At_Its_Entity_Text) {
  const std::string text = Entity_Text("The Longest Yard");
  const std::string bsp = Make_Bsp(text, 1000);
  ASSERT_EQ(bsp.substr(0, 4), "IBSP");
  const auto offset = static_cast<std::uint8_t>(bsp[8]) | (static_cast<std::uint8_t>(bsp[9]) << 8);
  EXPECT_EQ(bsp.substr(static_cast<std::size_t>(offset)), text);
}

}  // namespace
}  // namespace vorlix::testing
