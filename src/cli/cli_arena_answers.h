#pragma once
// The arena commands of the command line: the window program's arena dialogs, answered in advance
// from the command's arguments.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arena/arena_files.h"
#include "core/interaction.h"
#include "core/letter_case.h"

namespace vorlix {

// An arena command with the dialogs answered in advance: the MODs for the MOD dialog (create: in
// the order to handle them), the arena names for the name dialog (create: one name used for every
// MOD) or for the arena-file dialog. Runs Process_Arena_File, so every question and message is the
// window program's; a MOD or name that the dialog does not offer is reported and cancels.
struct TArena_Command {
  TArena_Mode Mode = TArena_Mode::Create;
  std::vector<std::string> MODs;
  std::vector<std::string> Names;
};
TArena_Availability Execute_Arena_Command(const TArena_Command& command,
                                          const TArena_Environment& env,
                                          const TArena_Branch& branch, TInteraction& ui);

// Answers the arena command's dialogs from the command line's arguments and
// passes everything else on.
class TArena_Answers : public TInteraction {
 public:
  TArena_Answers(const TArena_Command& command, TInteraction& inner)
      : Command_(command), Inner_(inner) {}

  TAnswer Message(TMessage_Kind kind, const std::string& text, TAnswer_Set buttons) override {
    return Inner_.Message(kind, text, buttons);
  }
  void Status_Line(int line, const std::string& text) override { Inner_.Status_Line(line, text); }
  void Keep_Painted() override { Inner_.Keep_Painted(); }
  int Choose(const TChoice_Request& request) override { return Inner_.Choose(request); }
  bool Asks_User() const override { return Inner_.Asks_User(); }
  std::unique_ptr<TNotice> Notice(const std::string& caption, const std::string& text) override {
    return Inner_.Notice(caption, text);
  }
  std::optional<std::string> Choose_File(const TFile_Request& request) override {
    return Inner_.Choose_File(request);
  }

  std::optional<std::vector<int>> Select_Items(const TSelection_Request& request) override {
    const auto& wanted = request.Dialog == TSelection_Dialog::MOD ? Command_.MODs : Command_.Names;
    std::vector<int> chosen;
    for (const auto& item : wanted) {
      int hit = -1;
      for (std::size_t i = 0; i < request.Items.size() && hit < 0; ++i) {
        if (request.Items[i] == item) {
          hit = static_cast<int>(i);
        }
      }
      for (std::size_t i = 0; i < request.Items.size() && hit < 0; ++i) {
        if (platform::Equal_Ignore_Case(request.Items[i], item)) {
          hit = static_cast<int>(i);
        }
      }
      if (hit < 0) {
        std::string offered;
        for (const auto& it : request.Items) {
          offered += (offered.empty() ? "" : ", ") + it;
        }
        Inner_.Message(TMessage_Kind::Error,
                       item + " cannot be chosen here. Offered: " +
                           (offered.empty() ? std::string("none") : offered) + ".",
                       TAnswer_Set::OK);
        return std::nullopt;
      }
      chosen.push_back(hit);
      if (!request.Multi_Select) {
        break;
      }
    }
    if (chosen.empty()) {
      return std::nullopt;
    }
    return chosen;
  }

  std::optional<std::string> Specify_Arena_Name(const std::string& directory_name,
                                                const std::optional<std::string>&) override {
    // One answer per MOD: a refused name is not offered again.
    if (Command_.Names.empty() || ++Asked_[directory_name] > 1) {
      return std::nullopt;
    }
    return Command_.Names.front();
  }

 private:
  const TArena_Command& Command_;
  TInteraction& Inner_;
  std::map<std::string, int> Asked_;
};

}  // namespace vorlix
