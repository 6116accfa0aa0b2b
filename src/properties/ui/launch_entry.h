#pragma once
// The launch of a map from the main window (double click, Enter, "Launch Map").

namespace vorlix {

class TExec_File;
class TForm_Map_Properties;
class TMap_Record;
struct TLaunch_Record;
struct TProperties_Context;

// Loads the map into the dialog, shows it in launch mode and, after "Launch Q3A" or "Launch Q3A
// and exit", starts the game (the program of the setting Q3A_EXE, else the game directory's
// QUAKE3.EXE) in the game directory. Nothing is written back to the map. True when the user
// chose "Launch Q3A and exit" and the game was started: the main window then closes through its
// normal shutdown. A refused launch keeps the program open. With `leave_queue` a started map
// leaves the play-later queue.
bool Start_Map(TForm_Map_Properties& dialog, const TProperties_Context& context, TMap_Record* map,
               TExec_File& exec_file, bool leave_queue = false);

// Launches the map again with the game type, MOD and engine profile of an earlier launch (when
// the map still offers them; the rest as the launch dialog would start), without showing the
// dialog. A map that
// offers no MOD to launch with gets the dialog (Start_Map). True as for Start_Map.
bool Start_Map_Again(TForm_Map_Properties& dialog, const TProperties_Context& context,
                     TMap_Record* map, const TLaunch_Record& before, TExec_File& exec_file);

}  // namespace vorlix
