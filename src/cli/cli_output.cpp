#include "cli/cli_output.h"

#include <unistd.h>

#include "browser/maps_tree.h"
#include "browser/unsorted_list.h"
#include "content/mod_list.h"
#include "database/records.h"

namespace vorlix {

namespace {

void Write_Line(std::FILE* out, const std::string& line) {
  const std::string shown = For_Stream(out, line);
  std::fwrite(shown.data(), 1, shown.size(), out);
  std::fputc('\n', out);
}

}  // namespace

std::string Escape_Controls(const std::string& line) {
  static const char digits[] = "0123456789abcdef";
  std::string shown;
  shown.reserve(line.size());
  for (const char c : line) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\t') || byte == 0x7F) {
      shown += "\\x";
      shown += digits[byte >> 4];
      shown += digits[byte & 0x0F];
    } else {
      shown += c;
    }
  }
  return shown;
}

std::string For_Stream(std::FILE* stream, const std::string& line) {
  return ::isatty(::fileno(stream)) != 0 ? Escape_Controls(line) : line;
}

std::string Cli_Field(std::string_view text) {
  std::string field(text);
  for (char& c : field) {
    if (c == '\t' || c == '\r' || c == '\n') {
      c = ' ';
    }
  }
  return field;
}

void Write_Mods(std::FILE* out, const TMOD_List& mods) {
  for (int i = 0; i < mods.Count(); ++i) {
    const TBot_List* bots = mods.Bots(i);
    const bool own = bots != nullptr && bots->Has_Own_Bots;
    const int count = bots != nullptr ? bots->Count() : 0;
    Write_Line(out, Cli_Field(mods.Name(i)) + "\t" + (own ? "own" : "none") + "\t" +
                        std::to_string(count));
    for (int b = 0; b < count; ++b) {
      const TBot_Entry bot = bots->Bot_At(b);
      Write_Line(out, "\t" + Cli_Field(bot.Bot_Name) + "\t" + Cli_Field(bot.Bot_Model) + "\t" +
                          Cli_Field(bot.Bot_PK3));
    }
  }
}

void Write_List(std::FILE* out, const TUnsorted_Maps_List& list) {
  for (const auto& item : list.Items()) {
    Write_Line(out, Cli_Field(list.Column(item, 0)) + "\t" + Cli_Field(list.Column(item, 1)) +
                        "\t" + Cli_Field(list.Column(item, 2)));
  }
}

void Write_Found_Map(std::FILE* out, TMap_Record& map, const std::string& group_path) {
  const TMap_Texts item = TUnsorted_Maps_List::Texts_Of(map);
  const std::int32_t pk3_id = map.PK3 != nullptr ? map.PK3->ID : -1;
  Write_Line(out, Cli_Field(item.Caption) + "\t" + Cli_Field(item.Filename) + "\t" +
                      Cli_Field(item.In_PK3) + "\t" + std::to_string(pk3_id) + "\t" +
                      std::to_string(map.ID) + "\t" + Cli_Field(group_path));
}

void Write_Tree(std::FILE* out, const TMaps_Tree& tree) {
  tree.For_Each([out](const TMaps_Tree_Node& node, int depth) {
    std::string line(static_cast<std::size_t>(depth) * 2, ' ');
    line += Cli_Field(node.Text);
    if (node.Is_Map_Entry()) {
      const TMap_Record* map = node.Map;
      const std::int32_t pk3_id = map != nullptr && map->PK3 != nullptr ? map->PK3->ID : -1;
      const std::int32_t map_id = map != nullptr ? map->ID : -1;
      line += "\t" + std::to_string(pk3_id) + "\t" + std::to_string(map_id);
    }
    Write_Line(out, line);
  });
}

}  // namespace vorlix
