#pragma once
// The command-line front end's way of talking to the user: every message becomes one line
// "<kind>: <text>" on standard error; questions are answered Yes with --yes, otherwise No.

#include <cstdio>

#include "core/interaction.h"

namespace vorlix {

class TCli_Interaction : public TInteraction {
 public:
  explicit TCli_Interaction(bool assume_yes, std::FILE* out = stderr)
      : Assume_Yes_(assume_yes), Out_(out) {}

  TAnswer Message(TMessage_Kind kind, const std::string& text, TAnswer_Set buttons) override;
  void Status_Line(int line, const std::string& text) override;
  std::unique_ptr<TNotice> Notice(const std::string& caption, const std::string& text) override;
  std::optional<std::string> Choose_File(const TFile_Request& request) override;
  std::optional<std::vector<int>> Select_Items(const TSelection_Request& request) override;
  std::optional<std::string> Specify_Arena_Name(const std::string& directory_name,
                                                const std::optional<std::string>& preset) override;

  // The command line asks nothing beyond Yes/No questions: a choice is one message.
  bool Asks_User() const override { return false; }

  // Answers the commands give in place of dialogs (set by the command before it runs).
  std::optional<std::string> Next_File;
  std::optional<std::vector<int>> Next_Selection;
  std::optional<std::string> Next_Name;

  // Number of error boxes shown so far.
  int Error_Count() const { return Errors_; }

  // Text of a message as one line: line breaks become single blanks.
  static std::string One_Line(const std::string& text);

 private:
  bool Assume_Yes_;
  int Errors_ = 0;
  std::FILE* Out_;
};

}  // namespace vorlix
