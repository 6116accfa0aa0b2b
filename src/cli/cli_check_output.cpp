#include "cli/cli_check_output.h"

#include <algorithm>
#include <cstdio>

#include "cli/cli_output.h"

namespace vorlix {

namespace {

// MOD/PK3 as the records name a place; the loose files of a directory as MOD/.
std::string Place_Field(const TContent_Place& place) {
  return Cli_Field(place.MOD_Directory + "/" + place.PK3_Filename);
}

std::string Json_Place(const TContent_Place& place) {
  return "{\"mod\": " + Json_String(place.MOD_Directory) +
         ", \"pk3\": " + Json_String(place.PK3_Filename) + "}";
}

std::string Json_Counts(const TContent_Counts& counts) {
  std::string text = "{\"total\": " + std::to_string(counts.Total());
  for (std::size_t k = 0; k < Content_Kind_Count; ++k) {
    std::string key = Content_Kind_Plural(static_cast<TContent_Kind>(k));
    std::replace(key.begin(), key.end(), ' ', '_');
    text += ", \"" + key + "\": " + std::to_string(counts.Missing[k]);
  }
  return text + "}";
}

template <typename T, typename F>
std::string Json_List(const std::vector<T>& items, F&& item) {
  std::string text = "[";
  for (std::size_t i = 0; i < items.size(); ++i) {
    text += (i == 0 ? "" : ", ") + item(items[i]);
  }
  return text + "]";
}

std::string Joined_Places(const std::vector<TContent_Place>& places) {
  std::string text;
  for (const TContent_Place& place : places) {
    text += (text.empty() ? "" : ", ") + Place_Field(place);
  }
  return text;
}

}  // namespace

std::string Json_String(std::string_view latin1) {
  std::string text = "\"";
  for (const char c : latin1) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      text += '\\';
      text += c;
    } else if (byte < 0x20 || byte == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      text += escaped;
    } else if (byte >= 0x80) {
      text += static_cast<char>(0xC0 | (byte >> 6U));
      text += static_cast<char>(0x80 | (byte & 0x3FU));
    } else {
      text += c;
    }
  }
  return text + "\"";
}

std::string Check_Report_Text(const TCollection_Report& report) {
  std::string text;
  for (const TMap_Missing& map : report.Missing) {
    text += "missing\t" + Place_Field(map.Place) + "\t" + Cli_Field(map.Map_File) + "\t" +
            std::to_string(map.Counts.Total());
    for (const std::uint32_t count : map.Counts.Missing) {
      text += "\t" + std::to_string(count);
    }
    text += "\n";
  }
  for (const TDuplicate_Map& duplicate : report.Duplicates) {
    std::vector<TContent_Place> others;
    for (std::size_t c = 1; c < duplicate.Copies.size(); ++c) {
      others.push_back(duplicate.Copies[c].Place);
    }
    text += "duplicate\t" + Cli_Field(duplicate.MOD_Directory) + "\t" + Cli_Field(duplicate.Map) +
            "\t" + (duplicate.Identical ? "identical" : "different") + "\t" +
            Place_Field(duplicate.Copies.front().Place) + "\t" + Joined_Places(others) + "\n";
  }
  for (const TOverriding_Archive& archive : report.Overriding) {
    text += "overrides\t" + Place_Field(archive.Place) + "\t" + std::to_string(archive.Files) +
            "\t" + std::to_string(archive.Game_Modules) + "\t" + std::to_string(archive.Menus) +
            "\t" + std::to_string(archive.Shader_Scripts) + "\t" + std::to_string(archive.Maps) +
            "\t" + std::to_string(archive.Other) + "\t" + Joined_Places(archive.Overridden) + "\n";
  }
  for (const TContent_Place& place : report.Dead) {
    text += "dead\t" + Place_Field(place) + "\n";
  }
  for (const std::string& problem : report.Problems) {
    text += "problem\t" + Cli_Field(problem) + "\n";
  }
  return text;
}

std::string Check_Report_Json(const TCollection_Report& report) {
  std::string text = "{\n  \"missing\": ";
  text += Json_List(report.Missing, [](const TMap_Missing& map) {
    return "{\"archive\": " + Json_Place(map.Place) + ", \"map\": " + Json_String(map.Map_File) +
           ", \"missing\": " + Json_Counts(map.Counts) + "}";
  });
  text += ",\n  \"duplicates\": ";
  text += Json_List(report.Duplicates, [](const TDuplicate_Map& duplicate) {
    return "{\"mod\": " + Json_String(duplicate.MOD_Directory) +
           ", \"map\": " + Json_String(duplicate.Map) +
           ", \"identical\": " + (duplicate.Identical ? "true" : "false") + ", \"copies\": " +
           Json_List(duplicate.Copies,
                     [](const TMap_Copy& copy) {
                       return "{\"archive\": " + Json_Place(copy.Place) +
                              ", \"file\": " + Json_String(copy.Map_File) +
                              ", \"crc32\": " + std::to_string(copy.CRC32) +
                              ", \"size\": " + std::to_string(copy.Size) + "}";
                     }) +
           "}";
  });
  text += ",\n  \"overrides\": ";
  text += Json_List(report.Overriding, [](const TOverriding_Archive& archive) {
    return "{\"archive\": " + Json_Place(archive.Place) +
           ", \"files\": " + std::to_string(archive.Files) +
           ", \"game_modules\": " + std::to_string(archive.Game_Modules) +
           ", \"menus\": " + std::to_string(archive.Menus) +
           ", \"shader_scripts\": " + std::to_string(archive.Shader_Scripts) +
           ", \"maps\": " + std::to_string(archive.Maps) +
           ", \"other\": " + std::to_string(archive.Other) +
           ", \"overridden\": " + Json_List(archive.Overridden, Json_Place) + "}";
  });
  text += ",\n  \"dead\": " + Json_List(report.Dead, Json_Place);
  text += ",\n  \"problems\": " + Json_List(report.Problems, Json_String) + "\n}\n";
  return text;
}

std::string Map_Check_Text(const TMap_Content_State& state) {
  std::string text;
  for (const TMissing_File& file : state.Missing) {
    text += std::string("missing\t") + Content_Kind_Text(file.Kind) + "\t" + Cli_Field(file.Name) +
            "\t" + Cli_Field(file.Shader) + "\t" +
            (file.Found_In ? Place_Field(*file.Found_In) : std::string()) + "\n";
  }
  for (const TOverridden_File& file : state.Overridden) {
    text += "overridden\t" + Cli_Field(file.Name) + "\t" + Place_Field(file.By) + "\n";
  }
  if (!state.Problem.empty()) {
    text += "problem\t" + Cli_Field(state.Problem) + "\n";
  }
  return text;
}

std::string Map_Check_Json(const TContent_Place& place, const std::string& map_file,
                           const TMap_Content_State& state) {
  std::string text =
      "{\n  \"archive\": " + Json_Place(place) + ",\n  \"map\": " + Json_String(map_file) +
      ",\n  \"checked\": " + (state.Counts.Known ? "true" : "false") +
      ",\n  \"complete\": " + (state.Counts.Complete() ? "true" : "false") + ",\n  \"missing\": ";
  text += Json_List(state.Missing, [](const TMissing_File& file) {
    return std::string("{\"kind\": ") + Json_String(Content_Kind_Text(file.Kind)) +
           ", \"name\": " + Json_String(file.Name) + ", \"shader\": " + Json_String(file.Shader) +
           ", \"found_in\": " + (file.Found_In ? Json_Place(*file.Found_In) : "null") + "}";
  });
  text += ",\n  \"overridden\": ";
  text += Json_List(state.Overridden, [](const TOverridden_File& file) {
    return "{\"name\": " + Json_String(file.Name) + ", \"by\": " + Json_Place(file.By) + "}";
  });
  text += ",\n  \"problem\": " + Json_String(state.Problem) + "\n}\n";
  return text;
}

}  // namespace vorlix
