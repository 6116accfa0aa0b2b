#pragma once
// The launch of one map, after the launch dialog: builds the command from the dialog's choices and
// starts the game in the game directory.

#include <string>
#include <vector>

namespace vorlix {

class TExec_File;
class THistory_Keeper;
class TInteraction;
class TMap_Record;
struct TLaunch_Choices;
struct TLaunch_Command;

// Starts the game for the launch dialog's choices (taken after it was ended with "Launch Q3A" or
// "Launch Q3A and exit"), in their game directory. `q3a_exe` is the settings value Q3A_EXE ("" for
// QUAKE3.EXE). A game directory that does not exist, or choices the game's command line cannot
// carry (Launch_Refusal), and a game program that is not found (platform::Find_Program), are
// reported as an error and nothing is started. The launcher's own result is not examined. Returns
// the command that was handed to the launcher (empty program when nothing was started). With
// `log` (New_Launch_Log) the engine's console goes there: the command's Log when it could.
// `engine_words` (an engine profile's extra arguments) come first on the command line; what the
// engine would not read as it is (Engine_Launch_Refusal) is reported and nothing is started.
TLaunch_Command Launch_Game(const TLaunch_Choices& choices, const std::string& q3a_exe,
                            TExec_File& exec_file, TInteraction* interaction,
                            const std::string& log = {},
                            const std::vector<std::string>& engine_words = {});

// Counts a started launch of the map in the history, with the choices' game type and MOD and the
// engine that ran, and with `leave_queue` takes the map out of the play-later queue in the same
// change; a history that cannot be read or written is told through the interaction (when given)
// as the keeper tells it. With the launch's `log`, the engine's console is read for the map once
// the engine has ended (Collect_Launch_Outcomes).
void Record_Launch(THistory_Keeper& history, const TMap_Record& map, const TLaunch_Choices& choices,
                   const std::string& engine, TInteraction* interaction, bool leave_queue = false,
                   const std::string& log = {});

}  // namespace vorlix
