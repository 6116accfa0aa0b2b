#include "browser/map_search.h"

#include <QChar>
#include <QList>
#include <QString>
#include <algorithm>
#include <array>
#include <cstring>
#include <ctime>

#include "browser/maps_tree.h"
#include "browser/unsorted_list.h"
#include "core/letter_case.h"
#include "database/records.h"

namespace vorlix {

namespace {

void Append_Utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The folded form of each Latin-1 character as UTF-8 (one or two bytes).
struct TFold_Table {
  std::array<std::array<char, 2>, 256> Text{};
  std::array<std::uint8_t, 256> Length{};

  TFold_Table() {
    for (int c = 0; c < 256; ++c) {
      std::string utf8;
      Append_Utf8(utf8, static_cast<char32_t>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c));
      Set(c, utf8);
    }
    // Upper and lower case share their base letter; 0xD7 and 0xF7 (times, divide) stay.
    const char* const base = "aaaaaa#ceeeeiiiidnooooo#ouuuuyt#";
    for (int i = 0; i < 32; ++i) {
      if (base[i] != '#') {
        Set(0xC0 + i, std::string(1, base[i]));
        Set(0xE0 + i, std::string(1, base[i]));
      }
    }
    Set(0xC6, "ae");
    Set(0xE6, "ae");
    Set(0xDE, "th");
    Set(0xFE, "th");
    Set(0xDF, "ss");
    Set(0xFF, "y");
  }

  void Set(int c, const std::string& folded) {
    Text[c] = {folded[0], folded.size() > 1 ? folded[1] : '\0'};
    Length[c] = static_cast<std::uint8_t>(folded.size());
  }
};

const TFold_Table& Fold_Table() {
  static const TFold_Table table;
  return table;
}

// The character a valid UTF-8 sequence starting at `i` stands for, and the sequence's length
// (left alone otherwise); nullopt for a byte that starts none (overlong forms, surrogates and
// values past U+10FFFF are not valid).
std::optional<char32_t> Utf8_At(std::string_view text, std::size_t i, std::size_t& length) {
  const auto byte = [&text](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  // The lowest and highest second byte each lead byte allows.
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  std::size_t size = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    size = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    size = 3;
    low = lead == 0xE0 ? 0xA0 : 0x80;
    high = lead == 0xED ? 0x9F : 0xBF;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    size = 4;
    low = lead == 0xF0 ? 0x90 : 0x80;
    high = lead == 0xF4 ? 0x8F : 0xBF;
  } else {
    return std::nullopt;
  }
  if (i + size > text.size() || byte(i + 1) < low || byte(i + 1) > high) {
    return std::nullopt;
  }
  char32_t c = lead & (0x7F >> size);
  for (std::size_t k = 1; k < size; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) {
      return std::nullopt;
    }
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  length = size;
  return c;
}

bool Valid_Utf8(std::string_view text) {
  std::size_t length = 1;
  for (std::size_t i = 0; i < text.size(); i += length) {
    length = 1;
    if (static_cast<unsigned char>(text[i]) >= 0x80 && !Utf8_At(text, i, length)) {
      return false;
    }
  }
  return true;
}

void Append_Folded_Latin1(std::string& out, unsigned char c) {
  const TFold_Table& table = Fold_Table();
  out.append(table.Text[c].data(), table.Length[c]);
}

// A character beyond Latin-1 in lower case without its accents: the first character of its
// canonical decomposition ("Ő" -> "o", "Ş" -> "s"); one without (Greek, Cyrillic, "Ł") in lower
// case.
void Append_Folded_Char(std::string& out, char32_t c) {
  if (c < 0x100) {
    Append_Folded_Latin1(out, static_cast<unsigned char>(c));
    return;
  }
  char32_t folded = QChar::toCaseFolded(c);
  for (int depth = 0; depth < 4 && QChar::decompositionTag(folded) == QChar::Canonical; ++depth) {
    const QList<uint> parts = QChar::decomposition(folded).toUcs4();
    if (parts.isEmpty()) {
      break;
    }
    folded = QChar::toCaseFolded(static_cast<char32_t>(parts.front()));
  }
  if (folded < 0x100) {
    Append_Folded_Latin1(out, static_cast<unsigned char>(folded));
  } else {
    Append_Utf8(out, folded);
  }
}

// Folds stored text: valid UTF-8 as UTF-8, anything else as Latin-1 bytes. The folded text is
// UTF-8 in both cases, so that a word matches only whole characters.
void Append_Folded(std::string& out, std::string_view stored) {
  const bool ascii = std::all_of(stored.begin(), stored.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii || !Valid_Utf8(stored)) {
    for (const char c : stored) {
      Append_Folded_Latin1(out, static_cast<unsigned char>(c));
    }
    return;
  }
  std::size_t length = 1;
  for (std::size_t i = 0; i < stored.size(); i += length) {
    length = 1;
    const auto c = static_cast<unsigned char>(stored[i]);
    Append_Folded_Char(out, c < 0x80 ? c : *Utf8_At(stored, i, length));
  }
}

bool Is_Blank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// The words of a text, split at blanks.
std::vector<std::string_view> Split_Words(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && Is_Blank(text[i])) {
      ++i;
    }
    const std::size_t begin = i;
    while (i < text.size() && !Is_Blank(text[i])) {
      ++i;
    }
    if (i > begin) {
      words.push_back(text.substr(begin, i - begin));
    }
  }
  return words;
}

std::string Without_Extension(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

// The fields a word is looked for in, folded, each ended by '\n' (no word holds a blank).
void Append_Fields(std::string& out, const TMap_Record& map) {
  const auto field = [&out](std::string_view text) {
    Append_Folded(out, text);
    out += '\n';
  };
  field(map.Map_Longname);
  field(Without_Extension(map.MAP_Filename));
  if (map.PK3 != nullptr) {
    field(Without_Extension(map.PK3->PK3_Filename));
    field(map.PK3->MOD_Directory);
  }
  field(map.Comment);
}

bool Contains(std::string_view text, const std::string& word) {
  return memmem(text.data(), text.size(), word.data(), word.size()) != nullptr;
}

}  // namespace

std::int64_t Wall_Clock_Seconds(std::int32_t dos) {
  const auto packed = static_cast<std::uint32_t>(dos);
  std::int64_t year = 1980 + static_cast<std::int64_t>((packed >> 25) & 0x7F);
  const auto month =
      static_cast<std::int64_t>(std::clamp<std::uint32_t>((packed >> 21) & 0x0F, 1, 12));
  const auto day = static_cast<std::int64_t>(std::max<std::uint32_t>((packed >> 16) & 0x1F, 1));
  // Days from the civil date (proleptic Gregorian calendar).
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = year / 400;
  const std::int64_t year_of_era = year - era * 400;
  const std::int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t day_of_era =
      year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  const std::int64_t days = era * 146097 + day_of_era - 719468;
  const std::int64_t seconds = static_cast<std::int64_t>((packed >> 11) & 0x1F) * 3600 +
                               static_cast<std::int64_t>((packed >> 5) & 0x3F) * 60 +
                               static_cast<std::int64_t>(packed & 0x1F) * 2;
  return days * 86400 + seconds;
}

std::string Fold_Search_Text(std::string_view stored) {
  std::string out;
  out.reserve(stored.size());
  Append_Folded(out, stored);
  return out;
}

std::string Fold_Query_Text(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t length = 1;
  for (std::size_t i = 0; i < utf8.size(); i += length) {
    length = 1;
    const auto byte = static_cast<unsigned char>(utf8[i]);
    const std::optional<char32_t> c = byte < 0x80 ? std::nullopt : Utf8_At(utf8, i, length);
    // A byte that starts no sequence is taken as the Latin-1 character it stands for.
    Append_Folded_Char(out, c.value_or(byte));
  }
  return out;
}

const std::vector<std::string>& Game_Type_Words() {
  // The search offers the usual games first.
  static const std::vector<std::string> words = [] {
    std::vector<std::string> list;
    for (const TGame_Type_Bit bit : {GT_Free_For_All, GT_Tournament, GT_Single_Player,
                                     GT_Team_Deathmatch, GT_Capture_The_Flag, GT_Other}) {
      for (const TGame_Type& type : Game_Type_Table) {
        if (type.Bit == bit) {
          list.emplace_back(type.Word);
        }
      }
    }
    return list;
  }();
  return words;
}

std::optional<std::uint8_t> Game_Type_Bit_From_Word(std::string_view word) {
  const auto index = Game_Type_Index_Of_Word(word);
  if (!index) {
    return std::nullopt;
  }
  return Game_Type_Table[static_cast<std::size_t>(*index)].Bit;
}

std::int64_t Local_Now() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return static_cast<std::int64_t>(now) + local.tm_gmtoff;
}

TMap_Query Parse_Query(std::string_view utf8, TMap_Filters filters) {
  TMap_Query query;
  query.Filters = std::move(filters);
  const std::string folded = Fold_Query_Text(utf8);
  for (const std::string_view word : Split_Words(folded)) {
    query.Words.emplace_back(word);
  }
  return query;
}

namespace {

bool Passes_History_Filters(const TMap_Record& map, const TMap_Filters& filters) {
  const TMap_Key key{map.PK3 != nullptr ? map.PK3->ID : -1, map.ID};
  const TMap_Play play = filters.History ? filters.History->Of(key) : TMap_Play{};
  if (filters.Never_Played && play.Count > 0) {
    return false;
  }
  if (filters.Played_Min && play.Count < *filters.Played_Min) {
    return false;
  }
  if (filters.Played_Within_Days &&
      (play.Count == 0 || filters.Clock - play.Last >
                              static_cast<std::int64_t>(*filters.Played_Within_Days) * 86400)) {
    return false;
  }
  if (filters.Favourite && !play.Favourite) {
    return false;
  }
  if (filters.Failed_To_Load && (!filters.History || filters.History->Failure_Of(key) == nullptr)) {
    return false;
  }
  return !filters.Play_Later || (filters.History && filters.History->Is_Queued(key));
}

bool Passes_Content_Filters(const TMap_Record& map, const TMap_Filters& filters) {
  if (!filters.Collection || map.PK3 == nullptr) {
    return false;
  }
  const TContent_Counts counts =
      filters.Collection->Counts(map.PK3->MOD_Directory, map.PK3->PK3_Filename, map.MAP_Filename);
  if (filters.Complete_Only && !counts.Complete()) {
    return false;
  }
  return !filters.Missing_Content || (counts.Known && counts.Total() > 0);
}

}  // namespace

bool Passes_Filters(const TMap_Record& map, const TMap_Filters& filters, std::size_t position) {
  if (filters.Game_Type != 0 &&
      !Made_For_Game_Type(map, filters.Game_Type, filters.Game.get(), position)) {
    return false;
  }
  if (filters.Players &&
      (*filters.Players < map.Min_Recomm_Players || *filters.Players > map.Max_Recomm_Players)) {
    return false;
  }
  if (filters.Min_Rating && map.Rating < *filters.Min_Rating) {
    return false;
  }
  if (filters.Bots && !Bots_Possible(map, filters.Game.get(), position)) {
    return false;
  }
  if (!filters.MOD.empty() &&
      std::none_of(map.Useable_MODs.begin(), map.Useable_MODs.end(), [&](const std::string& mod) {
        return platform::Equal_Ignore_Case(mod, filters.MOD);
      })) {
    return false;
  }
  if (filters.Added_Within_Days) {
    if (map.PK3 == nullptr) {
      return false;
    }
    const std::int64_t age = filters.Now - Wall_Clock_Seconds(map.PK3->PK3_Filedate);
    if (age > static_cast<std::int64_t>(*filters.Added_Within_Days) * 86400) {
      return false;
    }
  }
  if (filters.Wants_Content() && !Passes_Content_Filters(map, filters)) {
    return false;
  }
  return !filters.Wants_History() || Passes_History_Filters(map, filters);
}

// ---- the index ----------------------------------------------------------------------------------

void TMap_Search_Index::Clear() {
  Text_.clear();
  Begin_.assign(1, 0);
  Maps_.clear();
}

void TMap_Search_Index::Reserve(std::size_t maps) {
  Maps_.reserve(maps);
  Begin_.reserve(maps + 1);
  Text_.reserve(maps * 64);
}

int TMap_Search_Index::Add(const TMap_Record* map) {
  Append_Fields(Text_, *map);
  Begin_.push_back(static_cast<std::uint32_t>(Text_.size()));
  Maps_.push_back(map);
  return static_cast<int>(Maps_.size()) - 1;
}

bool TMap_Search_Index::Has_Word(int slot, const std::string& word) const {
  const auto s = static_cast<std::size_t>(slot);
  return Contains(std::string_view(Text_).substr(Begin_[s], Begin_[s + 1] - Begin_[s]), word);
}

bool TMap_Search_Index::Matches(int slot, const TMap_Query& query) const {
  for (const auto& word : query.Words) {
    if (!Has_Word(slot, word)) {
      return false;
    }
  }
  return Passes_Filters(*Map(slot), query.Filters, static_cast<std::size_t>(slot));
}

void TMap_Search_Index::Match(const TMap_Query& query, std::vector<char>& result) const {
  const std::size_t count = Maps_.size();
  if (query.Words.empty()) {
    result.assign(count, 1);
  } else {
    // The first word over the whole buffer: each hit marks its map and the search goes on after
    // that map's text.
    result.assign(count, 0);
    const std::string& first = query.Words.front();
    const char* const text = Text_.data();
    std::size_t position = 0;
    std::size_t slot = 0;
    while (position < Text_.size()) {
      const void* hit =
          memmem(text + position, Text_.size() - position, first.data(), first.size());
      if (hit == nullptr) {
        break;
      }
      const auto offset = static_cast<std::uint32_t>(static_cast<const char*>(hit) - text);
      slot = static_cast<std::size_t>(
                 std::upper_bound(Begin_.begin() + static_cast<std::ptrdiff_t>(slot), Begin_.end(),
                                  offset) -
                 Begin_.begin()) -
             1;
      result[slot] = 1;
      position = Begin_[slot + 1];
    }
    for (std::size_t w = 1; w < query.Words.size(); ++w) {
      for (std::size_t s = 0; s < count; ++s) {
        if (result[s] != 0 && !Has_Word(static_cast<int>(s), query.Words[w])) {
          result[s] = 0;
        }
      }
    }
  }
  if (query.Filters.Any()) {
    for (std::size_t s = 0; s < count; ++s) {
      if (result[s] != 0 && !Passes_Filters(*Maps_[s], query.Filters, s)) {
        result[s] = 0;
      }
    }
  }
}

bool Map_Matches(const TMap_Record& map, const TMap_Query& query) {
  TMap_Search_Index index;
  index.Add(&map);
  return index.Matches(0, query);
}

// ---- the maps of the views ----------------------------------------------------------------------

std::vector<TMap_Place> Map_Places(const TUnsorted_Maps_List& list, const TMaps_Tree& tree,
                                   const TMaps_Tree_Node* scope) {
  const auto present = [](const TMap_Record* map) {
    return map != nullptr && map->Present && (map->PK3 == nullptr || map->PK3->Present);
  };
  std::vector<TMap_Place> places;
  if (scope == nullptr) {
    for (const auto& item : list.Items()) {
      if (present(item.Map)) {
        places.push_back({item.Map, std::string()});
      }
    }
  }
  // Pre-order walk with the path of the groups above the node.
  struct TStep {
    const TMaps_Tree_Node* Node;
    std::string Path;
    bool Inside;
  };
  std::vector<TStep> stack;
  for (int i = tree.Top()->Child_Count() - 1; i >= 0; --i) {
    const TMaps_Tree_Node* node = tree.Top()->Child(i);
    stack.push_back({node, std::string(), scope == nullptr || node == scope});
  }
  while (!stack.empty()) {
    TStep step = std::move(stack.back());
    stack.pop_back();
    if (step.Node->Is_Map_Entry()) {
      if (step.Inside && present(step.Node->Map)) {
        places.push_back({step.Node->Map, step.Path});
      }
      continue;
    }
    const std::string path =
        step.Path.empty() ? step.Node->Text : step.Path + "/" + step.Node->Text;
    for (int i = step.Node->Child_Count() - 1; i >= 0; --i) {
      const TMaps_Tree_Node* child = step.Node->Child(i);
      stack.push_back({child, path, step.Inside || child == scope});
    }
  }
  return places;
}

const TMaps_Tree_Node* Find_Group_By_Path(const TMaps_Tree& tree, const std::string& path) {
  const TMaps_Tree_Node* current = tree.Top();
  std::size_t begin = 0;
  while (current != nullptr) {
    const std::size_t end = path.find('/', begin);
    const std::string name =
        path.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
    const TMaps_Tree_Node* next = nullptr;
    for (int i = 0; i < current->Child_Count() && next == nullptr; ++i) {
      const TMaps_Tree_Node* child = current->Child(i);
      if (child->Is_Group() && child->Text == name) {
        next = child;
      }
    }
    current = next;
    if (end == std::string::npos) {
      break;
    }
    begin = end + 1;
  }
  return current;
}

void Sort_By_Filename(std::vector<TMap_Place>& places) {
  struct TKeyed {
    std::string Filename;
    std::string In_PK3;
    TMap_Place Place;
  };
  std::vector<TKeyed> keyed;
  keyed.reserve(places.size());
  for (auto& place : places) {
    const TMap_Texts item = TUnsorted_Maps_List::Texts_Of(*place.Map);
    keyed.push_back(
        {platform::Upper(item.Filename), platform::Upper(item.In_PK3), std::move(place)});
  }
  std::stable_sort(keyed.begin(), keyed.end(), [](const TKeyed& a, const TKeyed& b) {
    return a.Filename != b.Filename ? a.Filename < b.Filename : a.In_PK3 < b.In_PK3;
  });
  for (std::size_t i = 0; i < keyed.size(); ++i) {
    places[i] = std::move(keyed[i].Place);
  }
}

std::optional<std::size_t> Pick_Uniformly(std::size_t count, std::mt19937_64& random) {
  if (count == 0) {
    return std::nullopt;
  }
  std::uniform_int_distribution<std::size_t> distribution(0, count - 1);
  return distribution(random);
}

std::optional<std::size_t> Pick_Preferring_Unplayed(const std::vector<const TMap_Record*>& maps,
                                                    const TPlay_History& history,
                                                    std::mt19937_64& random) {
  std::vector<std::size_t> unplayed;
  for (std::size_t i = 0; i < maps.size(); ++i) {
    const TMap_Record* map = maps[i];
    if (history.Of(*map).Count == 0) {
      unplayed.push_back(i);
    }
  }
  if (unplayed.empty()) {
    return Pick_Uniformly(maps.size(), random);
  }
  return unplayed[*Pick_Uniformly(unplayed.size(), random)];
}

}  // namespace vorlix
