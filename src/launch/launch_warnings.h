#pragma once
// What the user should know before an engine starts: what the engine will do with the choices
// and the installation, from what the game index already knows (no archive is opened). Each
// warning names its cause and its fix in one sentence; none stops a launch.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "database/play_history.h"

namespace vorlix {

class TGame_Index;
struct TLaunch_Choices;
struct TServer_Rotation;
struct TServer_Settings;

// Whether the program a launch starts is an engine that keeps every archive of its search path
// open: an ioquake3 build (the program names itself "ioq3 ..."), or a script that starts one or
// OpenArena's engine (Debian's openarena, the demo's QUAKE3.EXE). False for what it cannot tell.
bool Engine_Keeps_Archives_Open(const std::string& program);

// The warnings for starting `program` (the resolved engine) with the choices; `dedicated` for a
// dedicated server. Without an index there is nothing to tell. `keeps_archives_open` is what the
// engine profile's kind says (Profile_Keeps_Archives_Open); without it the program's bytes tell.
std::vector<std::string> Launch_Warnings(const TLaunch_Choices& choices, const std::string& program,
                                         const TGame_Index* index, bool dedicated,
                                         std::optional<bool> keeps_archives_open = std::nullopt);
// The memory a map needs: the engines of the ioquake3 family read the whole BSP into their hunk
// (com_hunkMegs, Default_Hunk_Megs unless the player's configuration raises it) before they load
// its collision and render data there too. Measured with Debian's ioquake3 1.36 and OpenArena's
// game code on a map padded to size, with the default hunk: the client loaded a BSP of 119 MiB
// and stopped at 122 MiB, the dedicated server loaded 114 MiB and stopped at 115 MiB, each with
// "Hunk_AllocateTempMemory: failed on ...". A real map's loaded data is at most about its own
// size again, so a BSP from half that size on may not fit.
inline constexpr std::uint32_t Default_Hunk_Megs = 128;
inline constexpr std::uint32_t Largest_Bsp_Loading = 119U << 20;  // bytes, client, default hunk
inline constexpr std::uint32_t Largest_Bsp_Loading_Dedicated = 114U << 20;
inline constexpr std::uint32_t Bsp_Size_Warned = Largest_Bsp_Loading / 2;
// The com_hunkMegs a BSP of that size wants: room for it twice and the engine's own, in steps of
// 64 MB.
std::uint32_t Hunk_Megs_For(std::uint32_t bsp_size);
// The warning for a map of that size ("" below half the limit), with `hunk_megs` the hunk the
// engine is started with (0: its default), for a client or a dedicated server.
std::string Map_Memory_Warning(std::uint32_t bsp_size, std::uint32_t hunk_megs = 0,
                               bool dedicated = false);
// The com_hunkMegs to offer for a map of that size started with `words` (0 when its memory is
// no concern), and the words that set it.
std::uint32_t Hunk_Megs_Offer(std::uint32_t bsp_size, const std::vector<std::string>& words,
                              bool dedicated = false);
std::vector<std::string> Hunk_Megs_Words(std::uint32_t megs);

// The com_hunkMegs the words set ("+set com_hunkMegs N", also with seta or sets; the last
// counts), 0 when none.
std::uint32_t Hunk_Megs_Set_By(const std::vector<std::string>& words);

// A map whose last launch with the same engine failed: the engine's error line and what to do.
std::string Failed_Before_Warning(const TMap_Load& failure);

// The same for the engine a launch of the choices starts (`q3a_exe` as Prepare_Launch takes it),
// and with the history the failure of the map's last launch with that engine; nothing for
// choices the launch refuses.
// `engine_words`: the profile's extra arguments (a com_hunkMegs among them counts for the map's
// memory).
std::vector<std::string> Game_Launch_Warnings(
    const TLaunch_Choices& choices, const std::string& q3a_exe, const TGame_Index* index,
    const TPlay_History* history = nullptr, const TMap_Key& map = {},
    std::optional<bool> keeps_archives_open = std::nullopt,
    const std::vector<std::string>& engine_words = {});

// The same for the dedicated server Host Server starts (Prepare_Server's program), and whether
// the archive lists of a pure server fit its system info (Pure_Server_Warning).
// With the rotation, each of its maps whose memory the server's hunk may not hold
// (`engine_words` may raise it) is told too.
std::vector<std::string> Server_Launch_Warnings(
    const std::string& game_dir, const TServer_Settings& settings, const std::string& server_exe,
    const std::string& q3a_exe, const TGame_Index* index,
    std::optional<bool> keeps_archives_open = std::nullopt,
    const std::vector<std::string>& engine_words = {}, const TServer_Rotation* rotation = nullptr);
// The com_hunkMegs to offer for the rotation's largest map (0: none), as Hunk_Megs_Offer.
std::uint32_t Rotation_Hunk_Megs_Offer(const TServer_Rotation& rotation,
                                       const std::vector<std::string>& engine_words);

}  // namespace vorlix
