#include "launch/launch_warnings.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "core/letter_case.h"
#include "core/paths.h"
#include "core/program_lookup.h"
#include "database/game_index.h"
#include "database/play_history.h"
#include "database/stream.h"
#include "launch/command_line.h"
#include "launch/open_archives.h"
#include "launch/pure_lists.h"
#include "launch/server_rotation.h"

namespace vorlix {

namespace {

// Engines are a few megabytes; a larger file is taken for none.
constexpr std::uint64_t Program_Read_Limit = std::uint64_t{64} << 20;

}  // namespace

bool Engine_Keeps_Archives_Open(const std::string& program) {
  std::string bytes;
  try {
    bytes = Read_Whole_File(program, Program_Read_Limit);
  } catch (const TStream_Error&) {
    return false;  // missing, unreadable, no regular file, or too large for an engine
  }
  const std::string_view text = bytes;
  if (text.starts_with("#!")) {
    // A script: the ioquake3 programs it starts, or OpenArena's engine, an ioquake3 build
    // (Debian's openarena is itself a script that starts /usr/lib/ioquake3/ioquake3).
    return text.find("/ioquake3") != std::string_view::npos ||
           text.find("ioq3ded") != std::string_view::npos ||
           text.find("openarena") != std::string_view::npos;
  }
  // ioquake3's version text, which its builds print at start: "ioq3 1.36..." (Q3_VERSION), and
  // "ioq3+oa 1.35..." in OpenArena's own builds of it.
  for (const std::string_view name : {std::string_view("ioq3 "), std::string_view("ioq3+oa ")}) {
    for (std::size_t at = text.find(name); at != std::string_view::npos;
         at = text.find(name, at + 1)) {
      const std::size_t version = at + name.size();
      if (version + 1 < text.size() && text[version] >= '1' && text[version] <= '9' &&
          text[version + 1] == '.') {
        return true;
      }
    }
  }
  return false;
}

std::vector<std::string> Launch_Warnings(const TLaunch_Choices& choices, const std::string& program,
                                         const TGame_Index* index, bool dedicated,
                                         std::optional<bool> keeps_archives_open) {
  std::vector<std::string> warnings;
  if (index == nullptr || program.empty()) {
    return warnings;
  }
  if (keeps_archives_open.value_or(Engine_Keeps_Archives_Open(program))) {
    std::vector<std::string> names;
    for (const TArchive_Facts* archive : index->Search_Order(choices.MOD, index->Bases())) {
      names.push_back(archive->MOD_Directory + "/" + archive->PK3_Filename);
    }
    if (const auto overflow = Check_Open_Archives(names, platform::Open_File_Limit(), dedicated)) {
      warnings.push_back(Open_Archives_Warning(*overflow));
    }
  }
  return warnings;
}

std::uint32_t Hunk_Megs_For(std::uint32_t bsp_size) {
  constexpr std::uint64_t Own_Megs = 16;  // what the engine has on its hunk before the map
  const std::uint64_t megs = ((2 * static_cast<std::uint64_t>(bsp_size)) >> 20) + Own_Megs;
  return static_cast<std::uint32_t>(std::max<std::uint64_t>(256, (megs + 63) / 64 * 64));
}

std::string Map_Memory_Warning(std::uint32_t bsp_size, std::uint32_t hunk_megs, bool dedicated) {
  const std::uint32_t hunk = hunk_megs != 0 ? hunk_megs : Default_Hunk_Megs;
  // The measured limit moves with the hunk the engine gets: what it has before the map stays.
  const std::int64_t largest =
      static_cast<std::int64_t>(dedicated ? Largest_Bsp_Loading_Dedicated : Largest_Bsp_Loading) +
      ((static_cast<std::int64_t>(hunk) - Default_Hunk_Megs) << 20);
  if (static_cast<std::int64_t>(bsp_size) < largest / 2) {
    return {};
  }
  const std::string size = std::to_string(bsp_size >> 20) + " MB";
  const std::string fix =
      "start the engine with +set com_hunkMegs " + std::to_string(Hunk_Megs_For(bsp_size)) + ".";
  if (static_cast<std::int64_t>(bsp_size) > largest) {
    return "This map's BSP of " + size + " does not fit the engine's memory of " +
           std::to_string(hunk) + " MB (com_hunkMegs), so the engine will stop with " +
           "\"Hunk_AllocateTempMemory\": " + fix;
  }
  return "This map's BSP of " + size + " and what the engine loads from it may not fit its " +
         "memory of " + std::to_string(hunk) + " MB (com_hunkMegs; stopped with \"Hunk_Alloc\" " +
         "if not): unless your configuration raises it, " + fix;
}

std::uint32_t Hunk_Megs_Offer(std::uint32_t bsp_size, const std::vector<std::string>& words,
                              bool dedicated) {
  const std::uint32_t set = Hunk_Megs_Set_By(words);
  const std::uint32_t wanted = Hunk_Megs_For(bsp_size);
  if (Map_Memory_Warning(bsp_size, set, dedicated).empty() ||
      wanted <= std::max(set, Default_Hunk_Megs)) {
    return 0;
  }
  return wanted;
}

std::vector<std::string> Hunk_Megs_Words(std::uint32_t megs) {
  return {"+set", "com_hunkMegs", std::to_string(megs)};
}

std::uint32_t Hunk_Megs_Set_By(const std::vector<std::string>& words) {
  std::uint32_t megs = 0;
  for (std::size_t i = 0; i + 2 < words.size(); ++i) {
    const std::string command = platform::Lower(words[i]);
    if ((command == "+set" || command == "+seta" || command == "+sets") &&
        platform::Lower(words[i + 1]) == "com_hunkmegs") {
      // The engine reads the number as atoi does: the leading digits.
      std::uint32_t value = 0;
      for (const char c : words[i + 2]) {
        if (c < '0' || c > '9' || value > 100000) {
          break;
        }
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
      }
      megs = value;
    }
  }
  return megs;
}

std::string Failed_Before_Warning(const TMap_Load& failure) {
  const std::string& line = failure.Error_Line;
  const auto names = [&line](std::string_view what) {
    return line.find(what) != std::string::npos;
  };
  std::string fix;
  if (names("Hunk_Alloc") || names("Z_Malloc")) {
    fix =
        "give it more memory (the engine's argument +set com_hunkMegs 256, or more) or launch it "
        "with another engine";
  } else if (names("wrong version number")) {
    fix = "the map is made for another game or engine: launch it with that one";
  } else if (names("MAX_") || names("exceeded")) {
    fix =
        "the map passes a limit of this engine: launch it with an engine of higher limits "
        "(Quake3e's, for example)";
  } else if (names("Can't find map") || names("Couldn't load") || names("couldn't load")) {
    fix = "the engine does not find it where it looks: check the MOD chosen and the map's archive";
  } else {
    fix = "launch it with another engine, or mend what the line names";
  }
  return "The last launch of this map with " + platform::File_Name(failure.Engine) +
         " failed with \"" + line + "\": " + fix + ".";
}

std::vector<std::string> Game_Launch_Warnings(const TLaunch_Choices& choices,
                                              const std::string& q3a_exe, const TGame_Index* index,
                                              const TPlay_History* history, const TMap_Key& map,
                                              std::optional<bool> keeps_archives_open,
                                              const std::vector<std::string>& engine_words) {
  if (!Launch_Refusal(choices).empty()) {
    return {};
  }
  const TLaunch_Command command = Prepare_Launch(choices, q3a_exe);
  std::vector<std::string> warnings;
  if (index != nullptr) {
    warnings =
        Launch_Warnings(choices, platform::Find_Program(command.Program, command.Working_Dir).Path,
                        index, false, keeps_archives_open);
  }
  if (std::string memory = Map_Memory_Warning(choices.MAP_Filesize, Hunk_Megs_Set_By(engine_words));
      !memory.empty()) {
    warnings.push_back(std::move(memory));
  }
  if (history != nullptr) {
    if (const TMap_Load* failure = history->Failure_With(map, command.Program)) {
      warnings.push_back(Failed_Before_Warning(*failure));
    }
  }
  return warnings;
}

std::vector<std::string> Server_Launch_Warnings(
    const std::string& game_dir, const TServer_Settings& settings, const std::string& server_exe,
    const std::string& q3a_exe, const TGame_Index* index, std::optional<bool> keeps_archives_open,
    const std::vector<std::string>& engine_words, const TServer_Rotation* rotation) {
  std::vector<std::string> warnings;
  if (index != nullptr) {
    const TServer_Command command = Prepare_Server(game_dir, settings, server_exe, q3a_exe);
    TLaunch_Choices served;
    served.Game_Dir = game_dir;
    served.MOD = settings.MOD;
    warnings =
        Launch_Warnings(served, platform::Find_Program(command.Program, command.Working_Dir).Path,
                        index, true, keeps_archives_open);
    Add_Pure_Server_Warning(warnings, *index, settings.MOD);
  }
  if (rotation == nullptr) {
    return warnings;
  }
  const std::uint32_t hunk_megs = Hunk_Megs_Set_By(engine_words);
  for (std::size_t i = 0; i < rotation->Maps.size() && i < rotation->Bsp_Sizes.size(); ++i) {
    if (std::string memory = Map_Memory_Warning(rotation->Bsp_Sizes[i], hunk_megs, true);
        !memory.empty()) {
      warnings.push_back("Rotation map " + rotation->Maps[i] + ": " + memory);
    }
  }
  return warnings;
}

std::uint32_t Rotation_Hunk_Megs_Offer(const TServer_Rotation& rotation,
                                       const std::vector<std::string>& engine_words) {
  std::uint32_t offer = 0;
  for (const std::uint32_t size : rotation.Bsp_Sizes) {
    offer = std::max(offer, Hunk_Megs_Offer(size, engine_words, true));
  }
  return offer;
}

}  // namespace vorlix
