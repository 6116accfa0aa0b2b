#pragma once
// The game types a map can be made for, in one table: the bit of a map's Game_Types, the word of
// an arena script's `type` and of the command line, the caption the dialogs show and the
// g_gametype value a launch sets. And the one reader of the `type` words of an arena block.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorlix {

// Bits of Game_Types; the database stores the byte unchanged.
enum TGame_Type_Bit : std::uint8_t {
  GT_Single_Player = 1,
  GT_Free_For_All = 2,
  GT_Team_Deathmatch = 4,
  GT_Tournament = 8,
  GT_Capture_The_Flag = 16,
  GT_Other = 32,
};

struct TGame_Type {
  TGame_Type_Bit Bit;
  const char* Word;
  const char* Caption;
  const char* Engine_Value;  // of g_gametype
};

inline constexpr int Game_Type_Count = 6;

// In the dialogs' order, which is the order of the bits: entry i has the bit 1 << i and is the
// radio button index i of the launch (Single Player 0 ... other 5).
inline constexpr std::array<TGame_Type, Game_Type_Count> Game_Type_Table = {{
    {GT_Single_Player, "single", "Single Player", "2"},
    {GT_Free_For_All, "ffa", "Free For All", "0"},
    {GT_Team_Deathmatch, "team", "Team Deathmatch", "3"},
    {GT_Tournament, "tourney", "Tournament", "1"},
    {GT_Capture_The_Flag, "ctf", "Capture The Flag", "4"},
    {GT_Other, "other", "other", "5"},
}};

// The index in the table of a game type's word, letter case ignored ("FFA" 1, "other" 5);
// nullopt for any other word.
std::optional<int> Game_Type_Index_Of_Word(std::string_view word);

// The Game_Types of an arena block's `type` value, read as the game's menus read it: the value is
// cut into words at blanks and control characters (a run of them separates like one), and each
// word is compared, ignoring case, with the five words the game knows ("single", "ffa", "team",
// "tourney", "ctf"). The game offers no game type for any other word ("duel", "ffa,tourney",
// "other"): such a word adds the bit of other. An empty value gives no bit.
std::uint8_t Read_Game_Type_Words(std::string_view type_value);

// The words an arena block's `type` is written with: "single", "ffa", "team", "tourney", "ctf"
// for the bits that are set, in this order, separated by single blanks; other gives no word.
std::string Make_Game_Type_Words(std::uint8_t game_types);

}  // namespace vorlix
