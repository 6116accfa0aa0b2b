#include "core/interaction.h"

namespace vorlix {

const char* Kind_Name(Message_Kind kind) {
  switch (kind) {
    case Message_Kind::Error:
      return "error";
    case Message_Kind::Information:
      return "information";
    case Message_Kind::Confirmation:
      return "confirmation";
    case Message_Kind::Warning:
      return "warning";
  }
  return "error";
}

const char* Answer_Name(Answer answer) {
  switch (answer) {
    case Answer::OK:
      return "OK";
    case Answer::Cancel:
      return "Cancel";
    case Answer::Yes:
      return "Yes";
    case Answer::No:
      return "No";
  }
  return "OK";
}

Answer Default_Answer(Button_Set buttons) {
  switch (buttons) {
    case Button_Set::OK:
      return Answer::OK;
    case Button_Set::Cancel:
      return Answer::Cancel;
    case Button_Set::Yes_No:
      return Answer::No;
  }
  return Answer::OK;
}

}  // namespace vorlix
