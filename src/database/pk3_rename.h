#pragma once
// Renaming and deleting a pk3 archive from the map properties dialog, together with the
// LEVELSHOTS and BOTINFO folders extracted from it.
//
// A rename keeps the archive's record (only MOD_Directory and PK3_Filename change), so after the
// caller's save and reload the synchronisation finds the archive unchanged and every map keeps its
// ID and properties. When a folder cannot be moved, the archive and any folder already moved are
// put back, so that file, record and folders always agree.

#include <cstdint>
#include <string>

namespace vorlix {

class TInteraction;
class TPK3_Datei_Eintrag;
struct TDatabase_Paths;

enum class PK3_Aktion {
  Nichts,     // cancelled, refused or failed: the dialog stays open
  Umbenannt,  // renamed: save, reload, select the map by the pair of IDs, reopen the dialog
  Geloescht,  // archive file deleted: the dialog closes with OK
};

struct TPK3_Aktion_Ergebnis {
  PK3_Aktion Aktion = PK3_Aktion::Nichts;
  // The map the dialog showed, to be found again after the reload.
  std::int32_t PK3_ID = 0;
  std::int32_t MAP_ID = 0;
  bool Reload_Needed() const { return Aktion == PK3_Aktion::Umbenannt; }
};

// "&Rename PK3": asks for the new name with the file dialog ("Rename to...") and renames.
TPK3_Aktion_Ergebnis PK3_umbenennen(const TDatabase_Paths& paths, TPK3_Datei_Eintrag& pk3,
                                    std::int32_t map_id, TInteraction& ui);
// The rename to a path already chosen (absolute, or relative to the current directory).
TPK3_Aktion_Ergebnis PK3_umbenennen_nach(const TDatabase_Paths& paths, TPK3_Datei_Eintrag& pk3,
                                         std::int32_t map_id, const std::string& new_path,
                                         TInteraction& ui);

// "&Delete PK3": asks, deletes the archive file and both folders. The records stay in memory;
// the next synchronisation marks the archive absent.
TPK3_Aktion_Ergebnis PK3_loeschen(const TDatabase_Paths& paths, TPK3_Datei_Eintrag& pk3,
                                  std::int32_t map_id, TInteraction& ui);

// Renames a file or directory without ever replacing another one: fails when the target exists
// (also under a name differing only in letter case) unless it is the source itself. Succeeds
// without doing anything when source and target are the same path.
bool Umbenennen_ohne_Ersetzen(const std::string& from, const std::string& to);

}  // namespace vorlix
