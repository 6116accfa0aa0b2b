#pragma once
// The engines a user keeps: each a name, a program, a kind and extra arguments, stored in the
// settings (ENGINE_PROFILES, MOD_ENGINES). The kind carries the rules in which the engines
// differ, in one table; which engine launches a MOD's maps is chosen here too. Without any
// profile chosen a launch starts Q3A_EXE (or QUAKE3.EXE) as before.

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/result.h"
#include "database/collection_check.h"

namespace vorlix {

class TInteraction;

enum class TEngine_Kind { IOQuake3, OpenArena, Quake3e, Original_Wine, Other };

// Which definition of a shader an engine uses when several archives define it.
enum class TShader_Precedence {
  First_Loaded_Wins,   // the shader text read first (ioquake3's renderer and id's own)
  Later_Archive_Wins,  // the archive sorting later overrides (Quake3e)
  Unknown,
};

// What differs between the kinds of engines.
struct TEngine_Kind_Rules {
  TEngine_Kind Kind;
  const char* Word;     // as stored and given on the command line
  const char* Caption;  // as listed
  // Whether it keeps every archive of its search path open; nullopt: told from the program's
  // bytes (Engine_Keeps_Archives_Open).
  std::optional<bool> Keeps_Archives_Open;
  TShader_Precedence Shaders;
};

inline constexpr TEngine_Kind_Rules Engine_Kind_Table[] = {
    {TEngine_Kind::IOQuake3, "ioquake3", "ioquake3 family", true,
     TShader_Precedence::First_Loaded_Wins},
    {TEngine_Kind::OpenArena, "openarena", "OpenArena", true,
     TShader_Precedence::First_Loaded_Wins},
    // Quake3e closes an archive once it has read from it.
    {TEngine_Kind::Quake3e, "quake3e", "Quake3e family", false,
     TShader_Precedence::Later_Archive_Wins},
    // id's own file system keeps every archive open, as ioquake3 inherited it.
    {TEngine_Kind::Original_Wine, "wine", "original through wine", true,
     TShader_Precedence::First_Loaded_Wins},
    {TEngine_Kind::Other, "other", "other", std::nullopt, TShader_Precedence::Unknown},
};

const TEngine_Kind_Rules& Rules_Of(TEngine_Kind kind);
// The kind of a word of the table ("quake3e"); nullopt for any other word.
std::optional<TEngine_Kind> Engine_Kind_From_Word(const std::string& word);
// The table's words joined by ", ", for messages.
std::string Engine_Kind_Words();

struct TEngine_Profile {
  std::string Name;
  std::string Program;  // a path, or a name looked up as platform::Find_Program does
  TEngine_Kind Kind = TEngine_Kind::Other;
  std::string Arguments;  // put on the command line before the game's own words
};

// Whether the engine keeps every archive open: the kind decides, an "other" engine is told by
// the bytes of `found_program` (the file the profile's program stands for).
bool Profile_Keeps_Archives_Open(const TEngine_Profile& profile, const std::string& found_program);

// The extra arguments as the words handed to the engine.
std::vector<std::string> Profile_Words(const TEngine_Profile& profile);

// The words a launch of the profile's engine on the installation in `game_dir` starts with. An
// engine of a profile lies outside the game directory, and on Linux the engines take their base
// path from their own build, not from the working directory: so the game directory is handed as
// "+set fs_basepath DIR" first, unless the profile's own arguments set fs_basepath.
std::vector<std::string> Profile_Launch_Words(const TEngine_Profile& profile,
                                              const std::string& game_dir);

// Why the profile cannot be kept or used; "" when it can. The name must be one plain word (it is
// given on the command line and stored), the program not empty, and the arguments must pass
// Engine_Words_Refusal.
std::string Profile_Refusal(const TEngine_Profile& profile);

// Why the program cannot be started from the game directory (platform::Program_Not_Found_Text);
// "" when it is there.
std::string Profile_Unavailable_Reason(const TEngine_Profile& profile, const std::string& game_dir);

// The profiles kept and the choice of engine per MOD.
struct TEngine_Profiles {
  std::vector<TEngine_Profile> Profiles;
  // MOD (letter case ignored) and the name of its profile; the MOD "" stands for every MOD
  // without one of its own.
  std::vector<std::pair<std::string, std::string>> MOD_Defaults;

  const TEngine_Profile* Find(const std::string& name) const;
  // The profile a launch of `mod` uses when none is asked for: the MOD's own, else the one for
  // every MOD, else none (the launch then starts Q3A_EXE as before).
  const TEngine_Profile* Default_For(const std::string& mod) const;
  // The MODs whose default the profile is, in stored order ("" for every MOD).
  std::vector<std::string> MODs_Defaulting_To(const std::string& name) const;

  // Adds a profile of a new name; the refusal or the name taken as the failure.
  TResult<void> Add(const TEngine_Profile& profile);
  // Puts `profile` in the place of the one named `old_name` (a failure when there is none, or the
  // new name is another profile's); defaults naming the old name follow a new one.
  TResult<void> Replace(const std::string& old_name, const TEngine_Profile& profile);
  // Removes the profile and the defaults naming it; false when there is none of that name.
  bool Remove(const std::string& name);
  // Makes the profile the default of `mod` ("" every MOD); an empty name removes the default.
  TResult<void> Set_Default(const std::string& mod, const std::string& name);
};

// How the collection check decides for launches of `mod` ("" for the base game): by the kind of
// the MOD's default profile; without one (or of a kind whose precedence is not known), as
// ioquake3, whose second renderer (Debian's default) tries .png images first.
TContent_Rules Content_Rules_For(const TEngine_Profiles& profiles, const std::string& mod);

// Reads the profiles from the settings; entries of a kind not known read as "other".
TEngine_Profiles Load_Engine_Profiles();
// Writes them. False when the store could not be written.
bool Save_Engine_Profiles(const TEngine_Profiles& profiles);

// The engine a launch of `mod` starts: the profile named `asked` (a failure when there is none
// of that name), else the MOD's default; nullopt for none (Q3A_EXE).
TResult<std::optional<TEngine_Profile>> Chosen_Engine_Profile(
    const TEngine_Profiles& profiles, const std::optional<std::string>& asked,
    const std::string& mod);

// The engine a launch of a MOD starts when no profile is asked for (the window's launch): the
// MOD's default profile, else the stored engine (Q3A_EXE, Program "" for the game directory's
// QUAKE3.EXE).
struct TEngine_Choice {
  std::string Program;             // as Prepare_Launch takes it
  std::vector<std::string> Words;  // the profile's extra arguments
  std::optional<bool>
      Keeps_Archives_Open;  // what the profile's kind says; nullopt: ask the program
};
TEngine_Choice Default_Engine_For(const std::string& mod, const std::string& game_dir);
// The same for the profile chosen (nullptr: the stored engine).
TEngine_Choice Engine_Choice_Of(const TEngine_Profile* profile, const std::string& game_dir);
// The engine a launch of `mod` repeats when it ran `engine` (the program its record names): the
// profile of that program (the MOD's default first, when several run it), else as
// Default_Engine_For.
TEngine_Choice Engine_Of_Launch(const std::string& engine, const std::string& mod,
                                const std::string& game_dir);

// An engine as the launch and server dialogs offer it: the stored engine (Name "") first, then
// each profile; one whose program cannot be started is offered with the reason.
struct TEngine_Option {
  std::string Name;
  std::string Caption;
  std::string Unavailable;  // "" when the program is there
};
std::vector<TEngine_Option> Engine_Options(const TEngine_Profiles& profiles,
                                           const std::string& game_dir);

// The engine a dialog's launch starts: the stored engine or a profile, following the MOD's
// default until the user picks one, with words added for this launch only (an offered
// com_hunkMegs).
class TEngine_Selection {
 public:
  // Fresh profiles for one showing of the dialog; nothing picked or added.
  void Load(TEngine_Profiles profiles, std::string game_dir);
  const std::vector<TEngine_Option>& Options() const { return Options_; }
  // The MOD chosen changed: its default engine, unless the user picked one.
  void Follow_MOD(const std::string& mod);
  // The user picked the option at `index`; false (nothing changes) for an option out of range
  // or one whose program is not there.
  bool Pick(std::size_t index);
  std::size_t Chosen_Index() const { return Chosen_; }
  // The chosen profile; nullptr for the stored engine.
  const TEngine_Profile* Chosen_Profile() const;
  void Add_Words(const std::vector<std::string>& words);
  const std::vector<std::string>& Added_Words() const { return Added_; }
  // What the launch starts: the chosen engine, its words and then the added ones.
  TEngine_Choice Choice() const;

 private:
  TEngine_Profiles Profiles_;
  std::string Game_Dir_;
  std::vector<TEngine_Option> Options_;
  std::size_t Chosen_ = 0;
  bool Picked_ = false;
  std::vector<std::string> Added_;
};

// The programs of the known engines found in `folders` (platform::Program_Search_Folders), each
// as a profile named after the program with its kind: ioq3, ioquake3, openarena, quake3e and
// quake3e.x64, in that order.
// Engines that distributions install outside PATH: Debian's ioquake3 package puts its engine
// in its own folder and no command for it in PATH.
struct TEngine_Place {
  const char* Name;
  const char* Program;
  TEngine_Kind Kind;
};
inline constexpr TEngine_Place Engine_Install_Places[] = {
    {"ioquake3", "/usr/lib/ioquake3/ioquake3", TEngine_Kind::IOQuake3},
};
// With `places`, each one whose program is there is found too, unless an engine of its name or
// program was found in `folders`.
std::vector<TEngine_Profile> Found_Engines(const std::vector<std::string>& folders,
                                           std::span<const TEngine_Place> places = {});

// The engines found (Found_Engines) whose program no kept profile starts: a profile's program is
// compared where it leads, so one kept by its bare name counts.
std::vector<TEngine_Profile> Found_Engines_Not_Kept(const TEngine_Profiles& kept,
                                                    const std::vector<std::string>& folders,
                                                    std::span<const TEngine_Place> places = {});

// Offers the engines found in `folders` as profiles, once: on the first start that finds one
// when none is kept. A yes keeps them. The question is not asked again after either answer
// (the setting ENGINES_OFFERED). True when profiles were added.
bool Offer_Found_Engines(TInteraction& interaction, const std::vector<std::string>& folders,
                         std::span<const TEngine_Place> places = {});

}  // namespace vorlix
