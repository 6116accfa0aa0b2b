#pragma once
// What a pure server tells its clients of its archives, and whether the engine can tell it.
//
// At every map a server of the ioquake3 family sets four settings of its system info, the string
// it sends every client with the game state: sv_paks, the checksums of every archive of its
// search path ("%i " each, in the search order); sv_pakNames, their names without ".pk3",
// separated by blanks; sv_referencedPaks and sv_referencedPakNames, the same for the archives it
// references, the names with their directory ("baseq3/pak0"). Referenced are every archive of a
// directory whose name does not begin with the base game's (the MOD's own, when the MOD is not
// the base game) and those of the base game a map load reads from (the map's, the game code's;
// not known before the start and not counted here). Without sv_pure the first two are empty.
//
// The engine makes the system info of its settings in one buffer of 8,192 bytes: each setting
// adds "\KEY\VALUE" while the string stays below 8,192 bytes (empty values too), and a setting
// that does not fit is left out with "BIG Info string length exceeded". It adds them in the order
// of the settings' creation, newest first: the game code's own (pmove_float, pmove_msec,
// pmove_fixed, g_synchronousClients, sv_fps with OpenArena's), sv_referencedPakNames,
// sv_referencedPaks, sv_pakNames, sv_paks, then sv_voipProtocol, sv_pure, sv_serverid,
// timescale, fs_game, sv_cheats (fs_game empty for the base game). So with many archives the
// settings after the lists go first (a client given no sv_serverid or fs_game may fail to join),
// then sv_paks; a client given no sv_paks takes the server for one without archive lists and
// loads any archive it has; one given no referenced lists downloads nothing. Measured with Debian's
// ioquake3 1.36 (20221123) dedicated server and OpenArena's game code, started as Host Server
// starts it, the base game's files loose (no archive) and archives x0000.pk3, x0001.pk3, ... of one
// small member each: in baseoa a setting was left out from 470 archives on (sv_cheats; sv_serverid
// and fs_game from 472), sv_paks from 475; in a MOD, whose archives are in all four lists, from 200
// and 202 archives; with 349 archives in the MOD the names left out sv_pakNames, sv_paks, fs_game
// and sv_cheats.
//
// Archive names holding a backslash, a semicolon or a double quote make the engine refuse the
// whole setting ("Can't use keys or values with a ..."), whatever its length.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace vorlix {

struct TArchive_Facts;
class TGame_Index;

// The longest system info: the engine's buffer of 8,192 bytes less the terminating zero.
inline constexpr std::size_t System_Info_Limit = 8191;

struct TPure_Lists {
  bool Pure = true;            // sv_pure on
  std::size_t Archives = 0;    // of the search path, as the engine loads them (readable ones)
  std::size_t Referenced = 0;  // of them, those in the referenced lists
  // The length of each setting's value.
  std::size_t Checksums = 0;             // sv_paks
  std::size_t Names = 0;                 // sv_pakNames
  std::size_t Referenced_Checksums = 0;  // sv_referencedPaks
  std::size_t Referenced_Names = 0;      // sv_referencedPakNames
  // The system info with every setting in it, the other settings taken at their longest.
  std::size_t System_Info = 0;
  // The settings the engine leaves out, in the order it adds them.
  std::vector<std::string> Left_Out;
  // The archives the engine lists last that the system info has no room for: what the search
  // path must lose for it to fit, as "DIRECTORY/FILE" in the search order.
  std::vector<std::string> Past_Limit;
  // Whether the system info of the same archives fits without sv_pure.
  bool Fits_Without_Pure = true;
  // The archives whose names make the engine refuse a list ("DIRECTORY/FILE").
  std::vector<std::string> Refused_Names;
};

// The lists for the archives of `search_order` (the engine's search order, first searched first)
// of a server started with fs_game `mod` by an engine whose base game is `base_game`, with sv_pure
// on or off.
TPure_Lists Measure_Pure_Lists(const std::vector<const TArchive_Facts*>& search_order,
                               const std::string& mod, const std::string& base_game, bool pure);

// The warning when the settings do not all fit, naming its cause and its fix in one sentence;
// nullopt when they fit.
std::optional<std::string> Pure_Lists_Warning(const TPure_Lists& lists, const std::string& mod);

// The lists of a server of the MOD started with the engines' default sv_pure 1 (Host Server sets
// no sv_pure), for the search order of the MOD as the index knows it (the game directory's
// archives, not those of the engine's own folders).
TPure_Lists Pure_Server_Lists(const TGame_Index& index, const std::string& mod);
// Adds their warning, if any, to `warnings`.
void Add_Pure_Server_Warning(std::vector<std::string>& warnings, const TGame_Index& index,
                             const std::string& mod);

}  // namespace vorlix
