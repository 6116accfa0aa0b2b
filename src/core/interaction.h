#pragma once
// The one channel through which the logic talks to the user: message boxes, questions, status
// lines, notice windows, file and selection dialogs. The window program implements it with Qt
// dialogs, the command-line program with standard error and flags, the tests with a scripted
// double that records every call.

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vorlix {

enum class TMessage_Kind { Error, Information, Confirmation, Warning };
enum class TAnswer_Set { OK, Cancel, Yes_No };
enum class TAnswer { OK, Cancel, Yes, No };

const char* Kind_Name(TMessage_Kind kind);  // "error", "information", "confirmation", "warning"
const char* Answer_Name(TAnswer answer);    // "OK", "Cancel", "Yes", "No"

// A notice window ("Please wait"): shown and painted when made, hidden when destroyed.
class TNotice {
 public:
  virtual ~TNotice() = default;
  // A line under the text telling how far the work got; the window stays painted.
  virtual void Progress(const std::string& /*text*/) {}
  // True once the user asked to stop the work (only a notice made by Cancellable_Notice).
  virtual bool Cancelled() { return false; }
};

// Which of the program's selection dialogs is meant.
enum class TSelection_Dialog { MOD, Arena_File };

struct TSelection_Request {
  TSelection_Dialog Dialog = TSelection_Dialog::MOD;
  std::string Description;      // the dialog's description label
  std::string Confirm_Caption;  // arena-file dialog only: caption of the confirm button
  std::vector<std::string> Items;
  bool Multi_Select = false;
  // A single item is the answer: a front end asking the user takes it without asking.
  bool Take_Only_Item = false;
};

struct TFile_Request {
  bool Save = false;  // save dialog (choose a new name) rather than open dialog
  std::string Title;
  std::string Filter;  // e.g. "pk3 files (*.pk3)"
  std::string Initial_Dir;
  std::string Initial_Name;
  bool Directory = false;  // choose a folder rather than a file (Filter unused)
};

// A message box whose buttons are the given choices.
struct TChoice_Request {
  TMessage_Kind Kind = TMessage_Kind::Error;
  std::string Text;
  std::vector<std::string> Choices;  // button captions, in order
  int Fallback = 0;                  // the answer when the box is closed without a choice
};

class TInteraction {
 public:
  virtual ~TInteraction() = default;

  // A modal message box; returns the button chosen.
  virtual TAnswer Message(TMessage_Kind kind, const std::string& text, TAnswer_Set buttons) = 0;
  // One of the splash window's status lines (1 to 3), repainted at once.
  virtual void Status_Line(int line, const std::string& text) = 0;
  // A notice window with caption and text, visible until the returned object is destroyed.
  virtual std::unique_ptr<TNotice> Notice(const std::string& caption, const std::string& text) = 0;
  // A file dialog; nullopt when the user cancels.
  virtual std::optional<std::string> Choose_File(const TFile_Request& request) = 0;
  // The MOD or arena-file selection dialog; the chosen indices in list order, nullopt on Cancel.
  virtual std::optional<std::vector<int>> Select_Items(const TSelection_Request& request) = 0;
  // The arena-file name dialog for a MOD directory; the dialog keeps the last typed name between
  // uses unless the caller passes a new one. nullopt on Cancel.
  virtual std::optional<std::string> Specify_Arena_Name(
      const std::string& directory_name, const std::optional<std::string>& preset) = 0;
  // A message box with a button per choice; the index of the one chosen. A front end that
  // cannot ask shows the text as a message and answers the fallback.
  virtual int Choose(const TChoice_Request& request);
  // False for a front end that cannot ask (the command line): the logic then says in one message
  // what the user may do instead and ends the work.
  virtual bool Asks_User() const { return true; }
  // A notice window with a button to stop the work (TNotice::Cancelled) and a progress line.
  virtual std::unique_ptr<TNotice> Cancellable_Notice(const std::string& caption,
                                                      const std::string& text) {
    return Notice(caption, text);
  }
  // Called now and then during a long synchronous walk: keeps visible windows painted without
  // taking user input. Does nothing by default.
  virtual void Keep_Painted() {}
};

// Buttons a message box answers with when it is simply acknowledged.
TAnswer Default_Answer(TAnswer_Set buttons);

}  // namespace vorlix
