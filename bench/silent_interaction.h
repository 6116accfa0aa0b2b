#pragma once
// The interaction of the benchmark's programs: messages go to standard error with the program's
// name, questions get their default answer, dialogs are cancelled.

#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/interaction.h"

namespace vorlix::bench {

class TSilent_Interaction : public TInteraction {
 public:
  explicit TSilent_Interaction(std::string program) : Program_(std::move(program)) {}
  TAnswer Message(TMessage_Kind, const std::string& text, TAnswer_Set buttons) override {
    std::cerr << Program_ << ": " << text << "\n";
    return Default_Answer(buttons);
  }
  void Status_Line(int, const std::string&) override {}
  bool Asks_User() const override { return false; }
  std::unique_ptr<TNotice> Notice(const std::string&, const std::string&) override {
    return nullptr;
  }
  std::optional<std::string> Choose_File(const TFile_Request&) override { return std::nullopt; }
  std::optional<std::vector<int>> Select_Items(const TSelection_Request&) override {
    return std::nullopt;
  }
  std::optional<std::string> Specify_Arena_Name(const std::string&,
                                                const std::optional<std::string>&) override {
    return std::nullopt;
  }

 private:
  std::string Program_;
};

}  // namespace vorlix::bench
