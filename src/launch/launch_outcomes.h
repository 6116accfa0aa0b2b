#pragma once
// What the game said after a launch. A launch hands the engine's console (its standard output and
// error, where every engine of the ioquake3 family prints what its console shows) to a log of the
// data folder's "logs" folder; once the engine has ended, the log is read for the launched map,
// what it says is kept in the history per map and engine, and the log is removed. Works alike for
// a window that waits and for a command that ended long before the game: the log's lock tells
// whether the engine still runs.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vorlix {

class THistory_Keeper;
class TMap_Record;

inline constexpr const char* Launch_Logs_Folder = "logs";
// The most of a log read: the map is loaded near its start.
inline constexpr std::uint64_t Launch_Log_Read_Limit = 16ULL << 20;

// A new log's path for a launch from the data folder (the folder made when needed); "" when
// there is no data folder or its logs folder cannot be had (then the console is not kept).
std::string New_Launch_Log(const std::string& program_dir);

struct TOutcome_Collection {
  int Read = 0;         // launches whose logs were read
  int Running = 0;      // launches whose engines still run
  std::string Problem;  // the history could not be read or written (as its keeper tells it)
};

// The size of each running server's log when it was read last (by log file name).
using TLog_Sizes = std::map<std::string, std::uint64_t>;

// Reads the logs of the launches whose engines have ended, keeps what the engines said, and
// removes those logs and any other log of the folder no running engine writes. A hosted server's
// log is read while it runs too (its last Launch_Log_Read_Limit bytes), with `sizes_read` only
// when it has grown since; what it says of each map of the rotation is kept as the server plays
// it.
TOutcome_Collection Collect_Launch_Outcomes(THistory_Keeper& history,
                                            TLog_Sizes* sizes_read = nullptr);

// Keeps each map of a hosted server's rotation (`rotation`: the names the server loads,
// Game_Map_Name) that is one of `maps` waiting for what the server `engine` says of it in its
// `log` (nothing without a log); "" or what the history's keeper had to tell.
std::string Record_Server_Start(THistory_Keeper& history, const std::vector<TMap_Record*>& maps,
                                const std::vector<std::string>& rotation, const std::string& engine,
                                const std::string& log);

// Whether a launch's log is still written by its engine.
bool Launch_Log_In_Use(const std::string& path);

}  // namespace vorlix
