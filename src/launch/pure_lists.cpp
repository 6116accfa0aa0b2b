#include "launch/pure_lists.h"

#include <string_view>

#include "core/letter_case.h"
#include "core/paths.h"
#include "core/text.h"
#include "database/game_index.h"

namespace vorlix {

namespace {

// The characters that make the engine refuse a setting's value in an info string.
constexpr std::string_view Refused_Characters = "\\;\"";

// A setting of the system info: its name, the length of its value and whether the value holds a
// refused character.
struct TSetting {
  std::string_view Key;
  std::size_t Length = 0;
  bool Refused = false;
};

// The other settings, at the longest values they take: those the game code makes (OpenArena's
// are the most) come before the archive lists, the engine's own after them (sv_serverid, the
// time of the map's start in milliseconds, up to ten digits).
constexpr TSetting Settings_Before[] = {{"pmove_float", 1},
                                        {"pmove_msec", 2},
                                        {"pmove_fixed", 1},
                                        {"g_synchronousClients", 1},
                                        {"sv_fps", 2}};
constexpr TSetting Settings_After[] = {{"sv_voipProtocol", 4}, {"sv_pure", 1}, {"sv_serverid", 10},
                                       {"timescale", 1},       {"fs_game", 0}, {"sv_cheats", 1}};

std::size_t Setting_Bytes(const TSetting& setting) {
  return 2 + setting.Key.size() + setting.Length;  // "\KEY\VALUE"
}

// The lists' values as they grow archive by archive.
struct TList_Lengths {
  std::size_t Checksums = 0;
  std::size_t Names = 0;
  std::size_t Referenced_Checksums = 0;
  std::size_t Referenced_Names = 0;
  std::size_t Archives = 0;
  std::size_t Referenced = 0;
  bool Names_Refused = false;
  bool Referenced_Names_Refused = false;

  // Adds an archive; true when its name makes the engine refuse a list.
  bool Add(const TArchive_Facts& archive, const std::string& directory, bool referenced) {
    std::string name = archive.PK3_Filename;
    if (name.size() > 4 && platform::Ends_With_Ignore_Case(name, ".pk3")) {
      name.resize(name.size() - 4);
    }
    const bool refused = name.find_first_of(Refused_Characters) != std::string::npos;
    const std::size_t checksum = std::to_string(archive.Checksum).size() + 1;  // "%i "
    Checksums += checksum;
    Names += (Archives > 0 ? 1 : 0) + name.size();
    Names_Refused = Names_Refused || refused;
    ++Archives;
    if (referenced) {
      Referenced_Checksums += checksum;
      Referenced_Names += (Referenced > 0 ? 1 : 0) + directory.size() + 1 + name.size();
      Referenced_Names_Refused = Referenced_Names_Refused || refused;
      ++Referenced;
    }
    return refused;
  }

  // The settings in the order the engine adds them.
  std::vector<TSetting> Settings(std::size_t mod_length, bool pure) const {
    std::vector<TSetting> settings(std::begin(Settings_Before), std::end(Settings_Before));
    settings.push_back({"sv_referencedPakNames", Referenced_Names, Referenced_Names_Refused});
    settings.push_back({"sv_referencedPaks", Referenced_Checksums});
    settings.push_back({"sv_pakNames", pure ? Names : 0, pure && Names_Refused});
    settings.push_back({"sv_paks", pure ? Checksums : 0});
    for (TSetting setting : Settings_After) {
      if (setting.Key == "fs_game") {
        setting.Length = mod_length;
      }
      settings.push_back(setting);
    }
    return settings;
  }

  std::size_t System_Info(std::size_t mod_length, bool pure) const {
    std::size_t bytes = 0;
    for (const TSetting& setting : Settings(mod_length, pure)) {
      bytes += Setting_Bytes(setting);
    }
    return bytes;
  }
};

}  // namespace

TPure_Lists Measure_Pure_Lists(const std::vector<const TArchive_Facts*>& search_order,
                               const std::string& mod, const std::string& base_game, bool pure) {
  // fs_game is empty when the MOD is the base game itself.
  const std::size_t mod_length = platform::Equal_Ignore_Case(mod, base_game) ? 0 : mod.size();
  TList_Lengths lengths;
  std::vector<std::string> past_limit;
  std::vector<std::string> refused;
  for (const TArchive_Facts* archive : search_order) {
    if (!archive->Readable) {
      continue;  // the engine loads no archive it cannot list
    }
    // The engine names an archive's directory as it was given: the MOD as fs_game, else the base
    // game; an archive of a directory not beginning with the base game's name is referenced.
    const bool in_mod = platform::Equal_Ignore_Case(archive->MOD_Directory, mod);
    const std::string& directory = in_mod ? mod : archive->MOD_Directory;
    const std::string path = archive->MOD_Directory + "/" + archive->PK3_Filename;
    if (lengths.Add(*archive, directory,
                    !platform::Starts_With_Ignore_Case(directory, base_game))) {
      refused.push_back(path);
    }
    if (!past_limit.empty() || lengths.System_Info(mod_length, pure) > System_Info_Limit) {
      past_limit.push_back(path);
    }
  }
  TPure_Lists lists;
  lists.Pure = pure;
  lists.Refused_Names = std::move(refused);
  lists.Archives = lengths.Archives;
  lists.Referenced = lengths.Referenced;
  lists.Checksums = pure ? lengths.Checksums : 0;
  lists.Names = pure ? lengths.Names : 0;
  lists.Referenced_Checksums = lengths.Referenced_Checksums;
  lists.Referenced_Names = lengths.Referenced_Names;
  lists.System_Info = lengths.System_Info(mod_length, pure);
  lists.Fits_Without_Pure = lengths.System_Info(mod_length, false) <= System_Info_Limit;
  lists.Past_Limit = std::move(past_limit);
  std::size_t info = 0;
  for (const TSetting& setting : lengths.Settings(mod_length, pure)) {
    const std::size_t bytes = Setting_Bytes(setting);
    if (setting.Refused || info + bytes > System_Info_Limit) {
      lists.Left_Out.emplace_back(setting.Key);
    } else {
      info += bytes;
    }
  }
  return lists;
}

std::optional<std::string> Pure_Lists_Warning(const TPure_Lists& lists, const std::string& mod) {
  if (lists.Left_Out.empty()) {
    return std::nullopt;
  }
  const auto left_out = [&lists](std::string_view key) {
    for (const std::string& out : lists.Left_Out) {
      if (out == key) {
        return true;
      }
    }
    return false;
  };
  // What the clients miss, in the order of the settings.
  std::vector<std::string> effects;
  if (left_out("sv_paks")) {
    effects.emplace_back("its clients then load any archive they have");
  }
  if (left_out("sv_referencedPaks") || left_out("sv_referencedPakNames")) {
    effects.emplace_back("they are not offered its archives to download");
  }
  if (left_out("sv_serverid") || left_out("fs_game")) {
    effects.emplace_back("they may fail to join");
  }
  std::string cause;
  if (lists.System_Info > System_Info_Limit) {
    cause = (lists.Pure ? "A pure server names the " : "A server names the ") +
            std::to_string(lists.Archives) +
            " archives of its search path to its clients in a system info of " +
            std::to_string(lists.System_Info) + " bytes, where the engine takes at most " +
            std::to_string(System_Info_Limit);
  } else {
    cause = "The names of " + Some_Of(lists.Refused_Names, 3) +
            " hold a backslash, a semicolon or a double quote, which the engine refuses in the "
            "system info it sends its clients";
  }
  std::string fix;
  if (!lists.Past_Limit.empty()) {
    fix = lists.Past_Limit.size() == 1
              ? "the archive it lists last (" + lists.Past_Limit.front() +
                    ") is past that: move an archive out of the game directory"
              : "the " + std::to_string(lists.Past_Limit.size()) + " archives it lists last (" +
                    Some_Of(lists.Past_Limit, 3) +
                    ") are past that: move as many out of the game directory";
    if (lists.Fits_Without_Pure) {
      fix += ", or put \"set sv_pure 0\" into " + platform::Join(mod, "autoexec.cfg") +
             " of the game directory";
    }
  } else {
    fix = "rename them without those characters";
  }
  std::string told = cause + ", so it leaves out " + Some_Of(lists.Left_Out);
  for (std::size_t i = 0; i < effects.size(); ++i) {
    told += (i == 0 ? ": " : " and ") + effects[i];
  }
  return told + "; " + fix + ".";
}

TPure_Lists Pure_Server_Lists(const TGame_Index& index, const std::string& mod) {
  const std::string& base =
      index.Base_Directory().empty() ? Base_Directories().front() : index.Base_Directory();
  return Measure_Pure_Lists(index.Search_Order(mod, index.Bases()), mod, base, /*pure=*/true);
}

void Add_Pure_Server_Warning(std::vector<std::string>& warnings, const TGame_Index& index,
                             const std::string& mod) {
  if (auto warning = Pure_Lists_Warning(Pure_Server_Lists(index, mod), mod)) {
    warnings.push_back(std::move(*warning));
  }
}

}  // namespace vorlix
