#pragma once
// A scripted stand-in for the user: records every message box, status line, notice and dialog,
// and gives the answers the test queued. A message box without a queued answer is answered with
// its default (OK, Cancel, or No for questions).

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "core/interaction.h"

namespace vorlix::testing {

struct TRecorded_Message {
  TMessage_Kind Kind;
  std::string Text;
  TAnswer_Set Buttons;
  bool operator==(const TRecorded_Message&) const = default;
};

struct TRecorded_Status {
  int Line;
  std::string Text;
  bool operator==(const TRecorded_Status&) const = default;
};

class TScripted_Interaction : public TInteraction {
 public:
  TAnswer Message(TMessage_Kind kind, const std::string& text, TAnswer_Set buttons) override;
  void Status_Line(int line, const std::string& text) override;
  std::unique_ptr<TNotice> Notice(const std::string& caption, const std::string& text) override;
  std::optional<std::string> Choose_File(const TFile_Request& request) override;
  std::optional<std::vector<int>> Select_Items(const TSelection_Request& request) override;
  std::optional<std::string> Specify_Arena_Name(const std::string& directory_name,
                                                const std::optional<std::string>& preset) override;
  int Choose(const TChoice_Request& request) override;
  bool Asks_User() const override { return Can_Ask; }
  std::unique_ptr<TNotice> Cancellable_Notice(const std::string& caption,
                                              const std::string& text) override;

  // Queued answers, used in order.
  std::deque<int> Choice_Answers;  // indices of the choices; the fallback when empty
  bool Can_Ask = true;             // false: a front end that cannot ask (choices as messages)
  // A cancellable notice reports Cancelled once this many progress lines were shown (-1: never).
  int Cancel_After_Progress = -1;
  std::deque<TAnswer> Answers;
  std::deque<std::optional<std::string>> Files;
  std::deque<std::optional<std::vector<int>>> Selections;
  std::deque<std::optional<std::string>> Names;

  // What happened, in order.
  std::vector<TRecorded_Message> Messages;
  std::vector<TRecorded_Status> Status;
  std::vector<std::pair<std::string, std::string>> Notices;  // caption, text
  int Open_Notices = 0;
  std::vector<TFile_Request> File_Requests;
  std::vector<TSelection_Request> Selection_Requests;
  std::vector<std::string> Name_Requests;
  std::vector<TChoice_Request> Choices;
  std::vector<std::string> Progress_Texts;
  // The current text of each status line (index 1 to 3).
  std::string Lines[4];

  // Texts of the recorded messages only.
  std::vector<std::string> Message_Texts() const;
  // Texts shown on one status line, in order.
  std::vector<std::string> Status_Texts(int line) const;
};

}  // namespace vorlix::testing
