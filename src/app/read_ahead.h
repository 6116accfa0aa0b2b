#pragma once
// What the start-up reads first, read on a thread of its own while the window program starts
// (from before Qt starts): the archives of the game directory, then the bot files below
// BOTINFO. The start-up takes them when they still hold; see TStartup::Read_Ahead.

#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "content/mod_list.h"
#include "database/scan.h"

namespace vorlix {

class TRead_Ahead {
 public:
  // Starts the reading; no walk when `game_dir` is empty. `folder_writes`: the database's count
  // of folder writes when the reading starts (see TBot_Files_Prefetch).
  TRead_Ahead(std::string program_dir, std::string game_dir, int folder_writes = 0);
  // Waits for the reading.
  ~TRead_Ahead();
  TRead_Ahead(const TRead_Ahead&) = delete;
  TRead_Ahead& operator=(const TRead_Ahead&) = delete;

  const std::string& Program_Dir() const { return Program_Dir_; }
  const std::string& Game_Dir() const { return Game_Dir_; }
  // Waits until the reading has ended. Nothing may be written below BOTINFO before.
  void Wait();
  // After Wait: the walk of the game directory (once; nullopt when there was none), and the bot
  // files (nullptr when they were not read).
  std::optional<TGame_Directory_Walk> Take_Walk();
  const TBot_Files_Prefetch* Bot_Files() const;

 private:
  std::string Program_Dir_;
  std::string Game_Dir_;
  std::optional<TGame_Directory_Walk> Walk_;
  std::unique_ptr<TBot_Files_Prefetch> Bot_Files_;
  std::thread Reader_;
  bool Waited_ = false;
};

}  // namespace vorlix
