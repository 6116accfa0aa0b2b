#include "scripted_interaction.h"

namespace vorlix::testing {

namespace {
class TCounted_Notice : public TNotice {
 public:
  explicit TCounted_Notice(int& open) : Open_(open) { ++Open_; }
  ~TCounted_Notice() override { --Open_; }
  TCounted_Notice(const TCounted_Notice&) = delete;
  TCounted_Notice& operator=(const TCounted_Notice&) = delete;

 private:
  int& Open_;
};

class TCancellable_Notice : public TCounted_Notice {
 public:
  TCancellable_Notice(int& open, std::vector<std::string>& progress, int cancel_after)
      : TCounted_Notice(open), Progress_(progress), Cancel_After_(cancel_after) {}
  void Progress(const std::string& text) override {
    Progress_.push_back(text);
    ++Shown_;
  }
  bool Cancelled() override { return Cancel_After_ >= 0 && Shown_ >= Cancel_After_; }

 private:
  std::vector<std::string>& Progress_;
  int Cancel_After_;
  int Shown_ = 0;
};

template <typename T>
T Next_Or(std::deque<T>& queue, T fallback) {
  if (queue.empty()) {
    return fallback;
  }
  struct TPop_Front {
    std::deque<T>& Queue;
    ~TPop_Front() { Queue.pop_front(); }
  } pop{queue};
  return std::move(queue.front());
}
}  // namespace

TAnswer TScripted_Interaction::Message(TMessage_Kind kind, const std::string& text,
                                       TAnswer_Set buttons) {
  Messages.push_back({kind, text, buttons});
  return Next_Or(Answers, Default_Answer(buttons));
}

void TScripted_Interaction::Status_Line(int line, const std::string& text) {
  Status.push_back({line, text});
  if (line >= 1 && line <= 3) {
    Lines[line] = text;
  }
}

std::unique_ptr<TNotice> TScripted_Interaction::Notice(const std::string& caption,
                                                       const std::string& text) {
  Notices.emplace_back(caption, text);
  return std::make_unique<TCounted_Notice>(Open_Notices);
}

std::unique_ptr<TNotice> TScripted_Interaction::Cancellable_Notice(const std::string& caption,
                                                                   const std::string& text) {
  Notices.emplace_back(caption, text);
  return std::make_unique<TCancellable_Notice>(Open_Notices, Progress_Texts, Cancel_After_Progress);
}

int TScripted_Interaction::Choose(const TChoice_Request& request) {
  Choices.push_back(request);
  if (!Can_Ask) {
    return TInteraction::Choose(request);
  }
  return Next_Or(Choice_Answers, request.Fallback);
}

std::optional<std::string> TScripted_Interaction::Choose_File(const TFile_Request& request) {
  File_Requests.push_back(request);
  return Next_Or<std::optional<std::string>>(Files, std::nullopt);
}

std::optional<std::vector<int>> TScripted_Interaction::Select_Items(
    const TSelection_Request& request) {
  Selection_Requests.push_back(request);
  return Next_Or<std::optional<std::vector<int>>>(Selections, std::nullopt);
}

std::optional<std::string> TScripted_Interaction::Specify_Arena_Name(
    const std::string& directory_name, const std::optional<std::string>& /*preset*/) {
  Name_Requests.push_back(directory_name);
  return Next_Or<std::optional<std::string>>(Names, std::nullopt);
}

std::vector<std::string> TScripted_Interaction::Message_Texts() const {
  std::vector<std::string> texts;
  texts.reserve(Messages.size());
  for (const auto& m : Messages) {
    texts.push_back(m.Text);
  }
  return texts;
}

std::vector<std::string> TScripted_Interaction::Status_Texts(int line) const {
  std::vector<std::string> texts;
  for (const auto& s : Status) {
    if (s.Line == line) {
      texts.push_back(s.Text);
    }
  }
  return texts;
}

}  // namespace vorlix::testing
