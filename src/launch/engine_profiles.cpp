#include "launch/engine_profiles.h"

#include <algorithm>
#include <utility>

#include "core/interaction.h"
#include "core/letter_case.h"
#include "core/program_lookup.h"
#include "core/settings.h"
#include "launch/command_line.h"
#include "launch/launch_warnings.h"

namespace vorlix {

const TEngine_Kind_Rules& Rules_Of(TEngine_Kind kind) {
  for (const TEngine_Kind_Rules& rules : Engine_Kind_Table) {
    if (rules.Kind == kind) {
      return rules;
    }
  }
  return Engine_Kind_Table[std::size(Engine_Kind_Table) - 1];
}

std::optional<TEngine_Kind> Engine_Kind_From_Word(const std::string& word) {
  for (const TEngine_Kind_Rules& rules : Engine_Kind_Table) {
    if (word == rules.Word) {
      return rules.Kind;
    }
  }
  return std::nullopt;
}

std::string Engine_Kind_Words() {
  std::string words;
  for (const TEngine_Kind_Rules& rules : Engine_Kind_Table) {
    words += (words.empty() ? "" : ", ") + std::string(rules.Word);
  }
  return words;
}

bool Profile_Keeps_Archives_Open(const TEngine_Profile& profile, const std::string& found_program) {
  return Rules_Of(profile.Kind)
      .Keeps_Archives_Open.value_or(Engine_Keeps_Archives_Open(found_program));
}

std::vector<std::string> Profile_Words(const TEngine_Profile& profile) {
  return Split_Game_Arguments(profile.Arguments);
}

std::vector<std::string> Profile_Launch_Words(const TEngine_Profile& profile,
                                              const std::string& game_dir) {
  std::vector<std::string> words = Profile_Words(profile);
  const bool sets_base_path =
      std::adjacent_find(
          words.begin(), words.end(), [](const std::string& command, const std::string& name) {
            const std::string lower = platform::Lower(command);
            return (lower == "+set" || lower == "+seta" || lower == "+sets" || lower == "+setu") &&
                   platform::Equal_Ignore_Case(name, "fs_basepath");
          }) != words.end();
  if (!sets_base_path && !game_dir.empty()) {
    words.insert(words.begin(), {"+set", "fs_basepath", game_dir});
  }
  return words;
}

std::string Profile_Refusal(const TEngine_Profile& profile) {
  if (!Plain_Command_Word(profile.Name) || profile.Name.starts_with('-')) {
    return "The engine name \"" + profile.Name +
           "\" cannot be kept: it must be one word of the characters '!' to '~', not beginning "
           "with '-', without a quote, semicolon, '+' or backslash.";
  }
  if (profile.Program.empty()) {
    return "The engine " + profile.Name + " names no program.";
  }
  return Engine_Words_Refusal(Profile_Words(profile));
}

std::string Profile_Unavailable_Reason(const TEngine_Profile& profile,
                                       const std::string& game_dir) {
  const platform::TProgram_Lookup found = platform::Find_Program(profile.Program, game_dir);
  return found.Error == 0 ? std::string()
                          : platform::Program_Not_Found_Text(profile.Program, found.Error);
}

const TEngine_Profile* TEngine_Profiles::Find(const std::string& name) const {
  const auto found = std::find_if(Profiles.begin(), Profiles.end(),
                                  [&name](const TEngine_Profile& p) { return p.Name == name; });
  return found == Profiles.end() ? nullptr : &*found;
}

const TEngine_Profile* TEngine_Profiles::Default_For(const std::string& mod) const {
  const TEngine_Profile* for_every_mod = nullptr;
  for (const auto& [default_mod, name] : MOD_Defaults) {
    if (!default_mod.empty() && platform::Equal_Ignore_Case(default_mod, mod)) {
      return Find(name);
    }
    if (default_mod.empty()) {
      for_every_mod = Find(name);
    }
  }
  return for_every_mod;
}

std::vector<std::string> TEngine_Profiles::MODs_Defaulting_To(const std::string& name) const {
  std::vector<std::string> mods;
  for (const auto& [mod, engine] : MOD_Defaults) {
    if (engine == name) {
      mods.push_back(mod);
    }
  }
  return mods;
}

TResult<void> TEngine_Profiles::Add(const TEngine_Profile& profile) {
  if (const std::string refusal = Profile_Refusal(profile); !refusal.empty()) {
    return TFailure{refusal};
  }
  if (Find(profile.Name) != nullptr) {
    return TFailure{"There is an engine named " + profile.Name + " already."};
  }
  Profiles.push_back(profile);
  return {};
}

TResult<void> TEngine_Profiles::Replace(const std::string& old_name,
                                        const TEngine_Profile& profile) {
  const auto place =
      std::find_if(Profiles.begin(), Profiles.end(),
                   [&old_name](const TEngine_Profile& p) { return p.Name == old_name; });
  if (place == Profiles.end()) {
    return TFailure{"There is no engine named " + old_name + "."};
  }
  if (const std::string refusal = Profile_Refusal(profile); !refusal.empty()) {
    return TFailure{refusal};
  }
  if (profile.Name != old_name && Find(profile.Name) != nullptr) {
    return TFailure{"There is an engine named " + profile.Name + " already."};
  }
  *place = profile;
  for (auto& pair : MOD_Defaults) {
    if (pair.second == old_name) {
      pair.second = profile.Name;
    }
  }
  return {};
}

bool TEngine_Profiles::Remove(const std::string& name) {
  const auto old_size = Profiles.size();
  std::erase_if(Profiles, [&name](const TEngine_Profile& p) { return p.Name == name; });
  if (Profiles.size() == old_size) {
    return false;
  }
  std::erase_if(MOD_Defaults, [&name](const auto& pair) { return pair.second == name; });
  return true;
}

TResult<void> TEngine_Profiles::Set_Default(const std::string& mod, const std::string& name) {
  if (!name.empty() && Find(name) == nullptr) {
    return TFailure{"There is no engine named " + name + "."};
  }
  std::erase_if(MOD_Defaults, [&mod](const auto& pair) {
    return pair.first.empty() ? mod.empty() : platform::Equal_Ignore_Case(pair.first, mod);
  });
  if (!name.empty()) {
    MOD_Defaults.emplace_back(mod, name);
  }
  return {};
}

TEngine_Profiles Load_Engine_Profiles() {
  TEngine_Profiles profiles;
  TStored_Engines stored = Load_Stored_Engines();
  for (TStored_Engine& engine : stored.Engines) {
    profiles.Profiles.push_back({std::move(engine.Name), std::move(engine.Program),
                                 Engine_Kind_From_Word(engine.Kind).value_or(TEngine_Kind::Other),
                                 std::move(engine.Arguments)});
  }
  for (TStored_MOD_Engine& pair : stored.MOD_Defaults) {
    profiles.MOD_Defaults.emplace_back(std::move(pair.MOD), std::move(pair.Engine));
  }
  return profiles;
}

bool Save_Engine_Profiles(const TEngine_Profiles& profiles) {
  TStored_Engines stored;
  for (const TEngine_Profile& profile : profiles.Profiles) {
    stored.Engines.push_back(
        {profile.Name, profile.Program, Rules_Of(profile.Kind).Word, profile.Arguments});
  }
  for (const auto& [mod, name] : profiles.MOD_Defaults) {
    stored.MOD_Defaults.push_back({mod, name});
  }
  return Save_Stored_Engines(stored);
}

TResult<std::optional<TEngine_Profile>> Chosen_Engine_Profile(
    const TEngine_Profiles& profiles, const std::optional<std::string>& asked,
    const std::string& mod) {
  if (asked) {
    if (const TEngine_Profile* profile = profiles.Find(*asked)) {
      return std::optional<TEngine_Profile>(*profile);
    }
    return TFailure{"There is no engine named " + *asked + " (see vorlix-cli engines list)."};
  }
  if (const TEngine_Profile* profile = profiles.Default_For(mod)) {
    return std::optional<TEngine_Profile>(*profile);
  }
  return std::optional<TEngine_Profile>();
}

std::vector<TEngine_Profile> Found_Engines(const std::vector<std::string>& folders,
                                           std::span<const TEngine_Place> places) {
  static const std::pair<const char*, TEngine_Kind> known[] = {
      {"ioq3", TEngine_Kind::IOQuake3},       {"ioquake3", TEngine_Kind::IOQuake3},
      {"openarena", TEngine_Kind::OpenArena}, {"quake3e", TEngine_Kind::Quake3e},
      {"quake3e.x64", TEngine_Kind::Quake3e},
  };
  std::vector<TEngine_Profile> found;
  for (const auto& [name, kind] : known) {
    const platform::TProgram_Lookup program = platform::Find_Program(name, "", folders);
    if (program.Error == 0) {
      found.push_back({name, program.Path, kind, {}});
    }
  }
  for (const TEngine_Place& place : places) {
    const bool known = std::any_of(found.begin(), found.end(), [&place](const TEngine_Profile& p) {
      return p.Name == place.Name || p.Program == place.Program;
    });
    if (!known && platform::Find_Program(place.Program, "", folders).Error == 0) {
      found.push_back({place.Name, place.Program, place.Kind, {}});
    }
  }
  return found;
}

TEngine_Choice Engine_Choice_Of(const TEngine_Profile* profile, const std::string& game_dir) {
  TEngine_Choice choice;
  if (profile == nullptr) {
    choice.Program = Load_Q3A_Exe();
    return choice;
  }
  choice.Program = profile->Program;
  choice.Words = Profile_Launch_Words(*profile, game_dir);
  choice.Keeps_Archives_Open = Profile_Keeps_Archives_Open(
      *profile, platform::Find_Program(profile->Program, game_dir).Path);
  return choice;
}

TEngine_Choice Default_Engine_For(const std::string& mod, const std::string& game_dir) {
  const TEngine_Profiles profiles = Load_Engine_Profiles();
  return Engine_Choice_Of(profiles.Default_For(mod), game_dir);
}

TEngine_Choice Engine_Of_Launch(const std::string& engine, const std::string& mod,
                                const std::string& game_dir) {
  const TEngine_Profiles profiles = Load_Engine_Profiles();
  const TEngine_Profile* chosen = profiles.Default_For(mod);
  if (chosen == nullptr || chosen->Program != engine) {
    const auto same = std::find_if(
        profiles.Profiles.begin(), profiles.Profiles.end(),
        [&engine](const TEngine_Profile& profile) { return profile.Program == engine; });
    if (same != profiles.Profiles.end()) {
      chosen = &*same;
    }
  }
  return Engine_Choice_Of(chosen, game_dir);
}

std::vector<TEngine_Option> Engine_Options(const TEngine_Profiles& profiles,
                                           const std::string& game_dir) {
  std::vector<TEngine_Option> options;
  const std::string stored = Load_Q3A_Exe();
  options.push_back({{},
                     stored.empty() ? std::string("The game directory's ") + Game_Executable_Name
                                    : "Stored engine (" + stored + ")",
                     {}});
  for (const TEngine_Profile& profile : profiles.Profiles) {
    options.push_back(
        {profile.Name,
         profile.Name + " (" + Rules_Of(profile.Kind).Caption + ", " + profile.Program + ")",
         Profile_Unavailable_Reason(profile, game_dir)});
  }
  return options;
}

std::vector<TEngine_Profile> Found_Engines_Not_Kept(const TEngine_Profiles& kept,
                                                    const std::vector<std::string>& folders,
                                                    std::span<const TEngine_Place> places) {
  std::vector<std::string> kept_programs;
  for (const TEngine_Profile& profile : kept.Profiles) {
    kept_programs.push_back(platform::Find_Program(profile.Program, "", folders).Path);
  }
  std::vector<TEngine_Profile> found = Found_Engines(folders, places);
  std::erase_if(found, [&kept_programs](const TEngine_Profile& engine) {
    return std::find(kept_programs.begin(), kept_programs.end(), engine.Program) !=
           kept_programs.end();
  });
  return found;
}

void TEngine_Selection::Load(TEngine_Profiles profiles, std::string game_dir) {
  Profiles_ = std::move(profiles);
  Game_Dir_ = std::move(game_dir);
  Options_ = Engine_Options(Profiles_, Game_Dir_);
  Chosen_ = 0;
  Picked_ = false;
  Added_.clear();
}

void TEngine_Selection::Follow_MOD(const std::string& mod) {
  if (Picked_) {
    return;
  }
  Chosen_ = 0;
  if (const TEngine_Profile* profile = Profiles_.Default_For(mod)) {
    for (std::size_t i = 1; i < Options_.size(); ++i) {
      if (Options_[i].Name == profile->Name) {
        Chosen_ = i;
      }
    }
  }
}

bool TEngine_Selection::Pick(std::size_t index) {
  if (index >= Options_.size() || !Options_[index].Unavailable.empty()) {
    return false;
  }
  Chosen_ = index;
  Picked_ = true;
  return true;
}

const TEngine_Profile* TEngine_Selection::Chosen_Profile() const {
  return Chosen_ == 0 || Chosen_ >= Options_.size() ? nullptr
                                                    : Profiles_.Find(Options_[Chosen_].Name);
}

void TEngine_Selection::Add_Words(const std::vector<std::string>& words) {
  Added_.insert(Added_.end(), words.begin(), words.end());
}

TEngine_Choice TEngine_Selection::Choice() const {
  TEngine_Choice choice = Engine_Choice_Of(Chosen_Profile(), Game_Dir_);
  choice.Words.insert(choice.Words.end(), Added_.begin(), Added_.end());
  return choice;
}

bool Offer_Found_Engines(TInteraction& interaction, const std::vector<std::string>& folders,
                         std::span<const TEngine_Place> places) {
  constexpr const char* Offered_Setting = "ENGINES_OFFERED";
  TEngine_Profiles profiles = Load_Engine_Profiles();
  if (!profiles.Profiles.empty() || Load_Flag_Setting(Offered_Setting)) {
    return false;
  }
  const std::vector<TEngine_Profile> found = Found_Engines(folders, places);
  if (found.empty()) {
    return false;
  }
  std::string text = "Vorlix found these engines on this computer:\n";
  for (const TEngine_Profile& engine : found) {
    text +=
        "  " + engine.Name + ": " + engine.Program + " (" + Rules_Of(engine.Kind).Caption + ")\n";
  }
  text +=
      "Keep them as engine profiles, to choose one for each launch? Menu Vorlix, \"Engines...\" "
      "changes them later.";
  const bool keep =
      interaction.Message(TMessage_Kind::Confirmation, text, TAnswer_Set::Yes_No) == TAnswer::Yes;
  Save_Flag_Setting(Offered_Setting, true);
  if (!keep) {
    return false;
  }
  for (const TEngine_Profile& engine : found) {
    (void)profiles.Add(engine);
  }
  if (!Save_Engine_Profiles(profiles)) {
    interaction.Message(TMessage_Kind::Error,
                        "Cannot write the settings file " + Settings_File_Path() + ".",
                        TAnswer_Set::OK);
    return false;
  }
  return true;
}

TContent_Rules Content_Rules_For(const TEngine_Profiles& profiles, const std::string& mod) {
  TContent_Rules rules;
  const TEngine_Profile* profile = profiles.Default_For(mod);
  if (profile == nullptr) {
    return rules;
  }
  rules.Later_Archive_Wins =
      Rules_Of(profile->Kind).Shaders == TShader_Precedence::Later_Archive_Wins;
  if (profile->Kind == TEngine_Kind::Quake3e || profile->Kind == TEngine_Kind::Original_Wine) {
    // Their renderers look for .tga first.
    rules.Image_Order = TImage_Order::Tga_First;
  }
  return rules;
}

}  // namespace vorlix
