#include "app/read_ahead.h"

#include <exception>
#include <system_error>

namespace vorlix {

TRead_Ahead::TRead_Ahead(std::string program_dir, std::string game_dir)
    : Program_Dir_(std::move(program_dir)), Game_Dir_(std::move(game_dir)) {
  try {
    Reader_ = std::thread([this] {
      try {
        if (!Game_Dir_.empty()) {
          Walk_ = Walk_Game_Directory(Game_Dir_);
        }
      } catch (const std::exception&) {
        // what was not read is read by the start-up itself
      }
    });
  } catch (const std::system_error&) {
    // No thread to be had: nothing is read ahead.
  }
}

TRead_Ahead::~TRead_Ahead() {
  Wait();
}

void TRead_Ahead::Wait() {
  if (Reader_.joinable()) {
    Reader_.join();
  }
  Waited_ = true;
}

std::optional<TGame_Directory_Walk> TRead_Ahead::Take_Walk() {
  if (!Waited_) {
    return std::nullopt;
  }
  std::optional<TGame_Directory_Walk> walk = std::move(Walk_);
  Walk_.reset();
  return walk;
}

}  // namespace vorlix
