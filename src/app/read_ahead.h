#pragma once
// What the start-up reads first, read on a thread of its own while the window program starts
// (from before Qt starts): the archives of the game directory. The start-up takes the walk when
// it still holds; see TStartup::Read_Ahead.

#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "database/scan.h"

namespace vorlix {

class TRead_Ahead {
 public:
  // Starts the reading; no walk when `game_dir` is empty.
  TRead_Ahead(std::string program_dir, std::string game_dir);
  // Waits for the reading.
  ~TRead_Ahead();
  TRead_Ahead(const TRead_Ahead&) = delete;
  TRead_Ahead& operator=(const TRead_Ahead&) = delete;

  const std::string& Program_Dir() const { return Program_Dir_; }
  const std::string& Game_Dir() const { return Game_Dir_; }
  // Waits until the reading has ended.
  void Wait();
  // After Wait: the walk of the game directory (once; nullopt when there was none).
  std::optional<TGame_Directory_Walk> Take_Walk();

 private:
  std::string Program_Dir_;
  std::string Game_Dir_;
  std::optional<TGame_Directory_Walk> Walk_;
  std::thread Reader_;
  bool Waited_ = false;
};

}  // namespace vorlix
