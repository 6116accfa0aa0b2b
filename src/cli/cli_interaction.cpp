#include "cli/cli_interaction.h"

#include "cli/cli_output.h"

namespace vorlix {

std::string TCli_Interaction::One_Line(const std::string& text) {
  std::string line;
  bool in_break = false;
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      if (!in_break) {
        line += ' ';
      }
      in_break = true;
    } else {
      line += c;
      in_break = false;
    }
  }
  return line;
}

TAnswer TCli_Interaction::Message(TMessage_Kind kind, const std::string& text,
                                  TAnswer_Set buttons) {
  if (kind == TMessage_Kind::Error) {
    ++Errors_;
  }
  TAnswer answer = Default_Answer(buttons);
  if (buttons == TAnswer_Set::Yes_No) {
    answer = Assume_Yes_ ? TAnswer::Yes : TAnswer::No;
  }
  std::string line = std::string(Kind_Name(kind)) + ": " + One_Line(text);
  if (buttons == TAnswer_Set::Yes_No) {
    line += answer == TAnswer::Yes ? " -> Yes" : " -> No";
  }
  line = For_Stream(Out_, line);
  std::fwrite(line.data(), 1, line.size(), Out_);
  std::fputc('\n', Out_);
  std::fflush(Out_);
  return answer;
}

void TCli_Interaction::Status_Line(int /*line*/, const std::string& /*text*/) {
  // Progress lines are for the splash window; the command line stays quiet.
}

std::unique_ptr<TNotice> TCli_Interaction::Notice(const std::string& /*caption*/,
                                                  const std::string& /*text*/) {
  return std::make_unique<TNotice>();
}

std::optional<std::string> TCli_Interaction::Choose_File(const TFile_Request& /*request*/) {
  auto file = Next_File;
  Next_File.reset();
  return file;
}

std::optional<std::vector<int>> TCli_Interaction::Select_Items(
    const TSelection_Request& /*request*/) {
  auto selection = Next_Selection;
  Next_Selection.reset();
  return selection;
}

std::optional<std::string> TCli_Interaction::Specify_Arena_Name(
    const std::string& /*directory_name*/, const std::optional<std::string>& /*preset*/) {
  auto name = Next_Name;
  Next_Name.reset();
  return name;
}

}  // namespace vorlix
