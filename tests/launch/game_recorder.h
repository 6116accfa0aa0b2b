#pragma once
// A stand-in for the game: a shell script that records its working directory and then its
// arguments, one a line, in <script>.args, which appears whole once the script has finished.

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "builders.h"

namespace vorlix::testing {

struct TGame_Recorder {
  // `extra` runs after the arguments are written, before the record appears.
  explicit TGame_Recorder(std::string path, const std::string& extra = "")
      : Script(std::move(path)), Record(Script + ".args") {
    Write_File(Script, "#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"$a\"; done; } > \"$0.tmp\"\n" +
                           extra + "mv \"$0.tmp\" \"$0.args\"\n");
    std::filesystem::permissions(Script, std::filesystem::perms::owner_all);
  }

  // The record, after waiting up to `limit` for it; "" when the program did not run.
  std::string Wait(std::chrono::milliseconds limit = std::chrono::seconds(10)) const {
    for (auto waited = std::chrono::milliseconds(0);
         waited < limit && !std::filesystem::exists(Record);
         waited += std::chrono::milliseconds(20)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::filesystem::exists(Record) ? Read_File(Record) : std::string();
  }

  std::string Script;
  std::string Record;
};

}  // namespace vorlix::testing
