#pragma once
// Whether an engine that keeps every archive of its search path open (ioquake3 builds before
// December 2022, and the OpenArena engine built from them) can open them all beside its own
// files. Such an engine opens the archives of the base directory and then those of the MOD
// directory, each directory's in ascending order of name, and leaves out without a word every
// archive it cannot open; the files it opens afterwards (its log, its network sockets, the bots'
// files) then fail too. Its network code also ends the process at a socket whose number is 1024
// or more, whatever the limit.
//
// Measured with Debian's ioquake3 1.36 (20221123) and OpenArena's game code, open-file limit
// 1,024: both programs had 5 files open before their first archive and opened 1,019 archives; the
// dedicated server started a map with up to 1,014 archives and failed with 1,016; the client
// (under Xvfb, sound off) with up to 1,008 and failed with 1,011; with a limit of 1,200 and 1,110
// archives both ended at their first socket ("bit out of range 0 - FD_SETSIZE on fd_set").

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace vorlix {

// The files such an engine has open before it opens its first archive.
inline constexpr std::size_t Files_Before_Archives = 5;
// The highest number of open files its network code survives.
inline constexpr std::size_t Socket_File_Limit = 1024;
// What it opens beside its archives to start a map, the files before them included: a dedicated
// server (measured 10), a client (14 to 16 measured under Xvfb with the sound off; the rest for a
// sound device).
inline constexpr std::size_t Server_Own_Files = 10;
inline constexpr std::size_t Client_Own_Files = 20;

struct TArchive_Overflow {
  std::size_t Archives = 0;  // in the search path
  std::size_t Room = 0;      // archives that leave room for the engine's own files
  // The archives the engine would leave out, in search order (those searched first are opened
  // last); empty when the limit lets it open them all and it ends at its socket instead.
  std::vector<std::string> Left_Out;
  bool Ends_At_Socket = false;
};

// The overflow of the archives `search_order` (the engine's search order, the first searched
// first) for an engine whose open-file limit is `limit` (nullopt: none); nullopt when they fit.
std::optional<TArchive_Overflow> Check_Open_Archives(const std::vector<std::string>& search_order,
                                                     std::optional<std::size_t> limit,
                                                     bool dedicated);

// The warning for it: its cause and its fix in one sentence.
std::string Open_Archives_Warning(const TArchive_Overflow& overflow);

}  // namespace vorlix
