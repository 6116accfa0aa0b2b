#include "browser/availability.h"

#include <gtest/gtest.h>

namespace vorlix {
namespace {

// Activating needs a directory with a choice of arena files; removing needs one arena file.
TEST(Arena_Command_Availability, Follows_The_Arena_Files_Found) {
  EXPECT_EQ(Arena_Rules(0, 0), (TArena_Command_State{false, false}));
  EXPECT_EQ(Arena_Rules(1, 1), (TArena_Command_State{false, true}));
  EXPECT_EQ(Arena_Rules(2, 2), (TArena_Command_State{true, true}));
}

}  // namespace
}  // namespace vorlix
