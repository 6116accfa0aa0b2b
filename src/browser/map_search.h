#pragma once
// Finding maps: a query of words and filters, a prepared index of every map's folded texts that
// answers a query over a hundred thousand maps in a few milliseconds, the maps of the two views
// with their group paths, and a uniform random pick.
//
// A map matches when every word of the query occurs in one of its fields (title, map file name,
// archive name, MOD directory, comment), ignoring letter case and accents, and when it passes
// every filter. A word never matches across two fields. Every character of a word is plain text.

#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "browser/map_game_facts.h"
#include "database/collection_check.h"
#include "database/play_history.h"

namespace vorlix {

class TMap_Record;
class TMaps_Tree;
class TMaps_Tree_Node;
class TUnsorted_Maps_List;

// Stored text (a title, a file name, a comment) folded for matching, as UTF-8: text that is valid
// UTF-8 is read as UTF-8, any other as Latin-1 bytes; letters in lower case without their accents
// ("É" -> "e", "Æ" -> "ae", "ß" -> "ss", "Ő" -> "o"); every other character as it is.
std::string Fold_Search_Text(std::string_view stored);
// Typed text (a command line, a window's text field) folded the same way: UTF-8, a byte that
// starts no valid sequence taken as a Latin-1 character. A character that no stored text holds
// matches nothing.
std::string Fold_Query_Text(std::string_view utf8);

// The Game_Types bit of a game type's word (Game_Type_Table, case ignored); nullopt for any
// other word.
std::optional<std::uint8_t> Game_Type_Bit_From_Word(std::string_view word);
// The words as the search offers them: "ffa", "tourney", "single", "team", "ctf", "other".
const std::vector<std::string>& Game_Type_Words();

struct TMap_Filters {
  std::uint8_t Game_Type = 0;           // one Game_Types bit; 0: any
  std::optional<std::int32_t> Players;  // within the recommended minimum and maximum
  std::optional<std::int32_t> Min_Rating;
  bool Bots = false;  // only maps bots can play
  std::string MOD;    // among the usable MODs (case ignored); empty: any
  std::optional<std::int32_t> Added_Within_Days;  // by the archive's date
  // Local wall-clock time as seconds since 1970 (what the archive dates are compared with);
  // set by the caller when Added_Within_Days is.
  std::int64_t Now = 0;
  // The game's facts for the game-type and bots filters; without them only the records count.
  std::shared_ptr<const TMap_Game_Facts> Game;
  // What the history says: never launched, launched within the last days or at least so often,
  // marked as a favourite, in the play-later queue, failed to load the last time an engine
  // launched it.
  bool Never_Played = false;
  std::optional<std::int32_t> Played_Within_Days;
  std::optional<std::int32_t> Played_Min;
  bool Favourite = false;
  bool Play_Later = false;
  bool Failed_To_Load = false;
  // The history for those filters (without it no map was ever played or marked), and the time in
  // seconds since 1970 that the days count back from.
  std::shared_ptr<const TPlay_History> History;
  std::int64_t Clock = 0;
  // What the collection check says of the map's content: the game finds every file it names, or
  // it misses some. Without the check (not made yet) no map passes either.
  bool Complete_Only = false;
  bool Missing_Content = false;
  std::shared_ptr<const TCollection_Check> Collection;

  bool Wants_Content() const { return Complete_Only || Missing_Content; }

  bool Wants_History() const {
    return Never_Played || Played_Within_Days || Played_Min || Favourite || Play_Later ||
           Failed_To_Load;
  }

  // Whether the game's facts play a part.
  bool Wants_Game_Facts() const { return Game_Type != 0 || Bots; }

  bool Any() const {
    return Game_Type != 0 || Players || Min_Rating || Bots || !MOD.empty() || Added_Within_Days ||
           Wants_History() || Wants_Content();
  }
  bool operator==(const TMap_Filters&) const = default;
};

// The local wall-clock time as Now wants it.
std::int64_t Local_Now();
// A packed DOS date-time (a wall-clock time) in the same measure.
std::int64_t Wall_Clock_Seconds(std::int32_t dos);

struct TMap_Query {
  std::vector<std::string> Words;  // folded, no blanks inside
  TMap_Filters Filters;

  bool Empty() const { return Words.empty() && !Filters.Any(); }
};

// The query of a text as typed (UTF-8): its words split at blanks, folded.
TMap_Query Parse_Query(std::string_view utf8, TMap_Filters filters = {});

// Whether the map passes the filters (`position`: its place in the list the game's facts were
// made for, when known).
bool Passes_Filters(const TMap_Record& map, const TMap_Filters& filters,
                    std::size_t position = TMap_Game_Facts::npos);

// Every map's folded texts in one buffer. Slots are numbered in the order the maps were added.
class TMap_Search_Index {
 public:
  void Clear();
  void Reserve(std::size_t maps);
  // Adds the map and returns its slot.
  int Add(const TMap_Record* map);
  int Count() const { return static_cast<int>(Maps_.size()); }
  const TMap_Record* Map(int slot) const { return Maps_[static_cast<std::size_t>(slot)]; }

  // One flag per slot: 1 when the map matches the query.
  void Match(const TMap_Query& query, std::vector<char>& result) const;
  bool Matches(int slot, const TMap_Query& query) const;

 private:
  bool Has_Word(int slot, const std::string& word) const;

  std::string Text_;                     // the fields of each map, each ended by '\n'
  std::vector<std::uint32_t> Begin_{0};  // slot i's text: Begin_[i] .. Begin_[i + 1]
  std::vector<const TMap_Record*> Maps_;
};

// Whether one map matches (the index's rule without an index).
bool Map_Matches(const TMap_Record& map, const TMap_Query& query);

// A map of the views with the path of its group ("Arenas/Duel maps"; empty in the unsorted list).
struct TMap_Place {
  TMap_Record* Map = nullptr;
  std::string Group_Path;
};

// The present maps of the unsorted list and the maps tree (list first, then the tree in displayed
// order); with `scope`, only the map entries below that group at any depth.
std::vector<TMap_Place> Map_Places(const TUnsorted_Maps_List& list, const TMaps_Tree& tree,
                                   const TMaps_Tree_Node* scope = nullptr);
// The group named by its path from the top, or nullptr.
const TMaps_Tree_Node* Find_Group_By_Path(const TMaps_Tree& tree, const std::string& path);
// Sorted by map file name, then by archive ("in PK3"), ignoring case.
void Sort_By_Filename(std::vector<TMap_Place>& places);

// One of `count` positions, each equally likely; nullopt when count is 0.
std::optional<std::size_t> Pick_Uniformly(std::size_t count, std::mt19937_64& random);
// One of the maps, those never launched first: each of them equally likely when there is one,
// else each of all; nullopt for no map.
std::optional<std::size_t> Pick_Preferring_Unplayed(const std::vector<const TMap_Record*>& maps,
                                                    const TPlay_History& history,
                                                    std::mt19937_64& random);

}  // namespace vorlix
