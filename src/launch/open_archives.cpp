#include "launch/open_archives.h"

#include <algorithm>

#include "core/text.h"

namespace vorlix {

std::optional<TArchive_Overflow> Check_Open_Archives(const std::vector<std::string>& search_order,
                                                     std::optional<std::size_t> limit,
                                                     bool dedicated) {
  const std::size_t own = dedicated ? Server_Own_Files : Client_Own_Files;
  const std::size_t usable = std::min(limit.value_or(Socket_File_Limit), Socket_File_Limit);
  TArchive_Overflow overflow;
  overflow.Archives = search_order.size();
  overflow.Room = usable > own ? usable - own : 0;
  if (overflow.Archives <= overflow.Room) {
    return std::nullopt;
  }
  if (!limit || *limit > Socket_File_Limit) {
    // Every archive is opened; the first socket past the network code's limit ends the engine.
    overflow.Ends_At_Socket = true;
    return overflow;
  }
  const std::size_t opened = *limit > Files_Before_Archives ? *limit - Files_Before_Archives : 0;
  if (overflow.Archives > opened) {
    overflow.Left_Out.assign(
        search_order.begin(),
        search_order.begin() + static_cast<std::ptrdiff_t>(overflow.Archives - opened));
  }
  return overflow;
}

std::string Open_Archives_Warning(const TArchive_Overflow& overflow) {
  const std::string count = std::to_string(overflow.Archives);
  std::string cause;
  if (overflow.Ends_At_Socket) {
    cause = "with " + count +
            " archives in its search path it passes 1024 open files and ends when it opens its "
            "network socket";
  } else if (!overflow.Left_Out.empty()) {
    cause = "of the " + count + " archives in its search path it can open only " +
            std::to_string(overflow.Archives - overflow.Left_Out.size()) + " and leaves out the " +
            std::to_string(overflow.Left_Out.size()) + " searched first (" +
            Some_Of(overflow.Left_Out, 5) + "), and then cannot open its own files";
  } else {
    cause = "with " + count + " archives in its search path it has room for at most " +
            std::to_string(overflow.Room) + " beside its own files and may fail to start";
  }
  return "The engine keeps every archive open: " + cause +
         "; move archives you rarely play out of the game directory, or start an engine that "
         "closes its archives.";
}

}  // namespace vorlix
