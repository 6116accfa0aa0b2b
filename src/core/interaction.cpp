#include "core/interaction.h"

namespace vorlix {

const char* Kind_Name(TMessage_Kind kind) {
  switch (kind) {
    case TMessage_Kind::Error:
      return "error";
    case TMessage_Kind::Information:
      return "information";
    case TMessage_Kind::Confirmation:
      return "confirmation";
    case TMessage_Kind::Warning:
      return "warning";
  }
  return "error";
}

const char* Answer_Name(TAnswer answer) {
  switch (answer) {
    case TAnswer::OK:
      return "OK";
    case TAnswer::Cancel:
      return "Cancel";
    case TAnswer::Yes:
      return "Yes";
    case TAnswer::No:
      return "No";
  }
  return "OK";
}

int TInteraction::Choose(const TChoice_Request& request) {
  Message(request.Kind, request.Text, TAnswer_Set::OK);
  return request.Fallback;
}

TAnswer Default_Answer(TAnswer_Set buttons) {
  switch (buttons) {
    case TAnswer_Set::OK:
      return TAnswer::OK;
    case TAnswer_Set::Cancel:
      return TAnswer::Cancel;
    case TAnswer_Set::Yes_No:
      return TAnswer::No;
  }
  return TAnswer::OK;
}

}  // namespace vorlix
