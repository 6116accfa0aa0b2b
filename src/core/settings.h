#pragma once
// The per-user settings (the game directory and the developer switch) and the upgrade check
// that guards the program's files against those of an older version.
//
// The store is the QSettings file of organization "Tolmarine", application "Vorlix", group
// "Settings": $XDG_CONFIG_HOME/Tolmarine/Vorlix.conf (~/.config when XDG_CONFIG_HOME is unset).

#include <string>
#include <vector>

#include "core/result.h"

namespace vorlix {

class TInteraction;

struct TRegistry_Values {
  std::string Q3A_Dir;    // empty when absent
  bool Dev_Comp = false;  // true only when DEV_COMP converts to a non-zero integer
};

// The settings file, looked up anew at every call (XDG_CONFIG_HOME may change between calls).
std::string Settings_File_Path();

// Reads Q3A_DIR and DEV_COMP. A store that cannot be read counts as empty.
TRegistry_Values Load_Registry_Settings();

// Writes Q3A_DIR; a failure's message names the file and the system's reason.
TResult<void> Save_Registry_Settings(const std::string& game_dir);

// Reads Q3A_EXE, the program a launch starts; empty when absent.
std::string Load_Q3A_Exe();

// Writes Q3A_EXE, the program started for a launch instead of the game directory's QUAKE3.EXE;
// an empty path removes the value. False when the store could not be written.
bool Save_Q3A_Exe(const std::string& program);

// Reads Q3A_SERVER_EXE, the program a hosted server runs; empty when absent (the launch's engine
// then runs the server).
std::string Load_Q3A_Server_Exe();

// Writes Q3A_SERVER_EXE; an empty path removes the value. False when the store could not be
// written.
bool Save_Q3A_Server_Exe(const std::string& program);

// The engines the user keeps (ENGINE_PROFILES) and which one launches each MOD's maps
// (MOD_ENGINES), as stored; the launch layer gives them their meaning (launch/engine_profiles.*).
struct TStored_Engine {
  std::string Name;
  std::string Program;    // stored with its bytes, as Q3A_EXE
  std::string Kind;       // a word of the launch layer's kind table
  std::string Arguments;  // the extra arguments' text
};
struct TStored_MOD_Engine {
  std::string MOD;  // a directory name, stored with its bytes; "" for the MODs without their own
  std::string Engine;
};
struct TStored_Engines {
  std::vector<TStored_Engine> Engines;
  std::vector<TStored_MOD_Engine> MOD_Defaults;
};
// Reads both lists; a store that cannot be read, or an entry without a name, gives nothing.
TStored_Engines Load_Stored_Engines();
// Replaces both lists. False when the store could not be written.
bool Save_Stored_Engines(const TStored_Engines& engines);

// Reads DATA_DIR, the data folder the user chose instead of the usual one; empty when absent.
std::string Load_Data_Dir();
// Writes DATA_DIR; an empty path removes the value. False when the store could not be written.
bool Save_Data_Dir(const std::string& dir);

// A choice of the window kept as 0 or 1 under `name` ("LIST_HISTORY_COLUMNS", ...); false when
// absent or unreadable. Saving: false when the store could not be written.
bool Load_Flag_Setting(const char* name);
bool Save_Flag_Setting(const char* name, bool value);

// Paths are stored with their bytes: as text when they are UTF-8, else as a byte array
// ("@ByteArray(...)" in the file), so that a name the system allows in any byte survives.

// The upgrade check: true when the program must not run. A mapslist.dat in the program
// directory marks an older version's files; with the user's consent mapslist.dat and then
// mapstree.dat are removed.
bool Check_Old_Version(const std::string& program_dir, TInteraction& interaction);

}  // namespace vorlix
