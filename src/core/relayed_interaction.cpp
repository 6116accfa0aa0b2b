#include "core/relayed_interaction.h"

#include <atomic>
#include <chrono>
#include <exception>
#include <utility>

namespace vorlix {

struct TRelayed_Interaction::TNotice_Link {
  std::unique_ptr<TNotice> Window;  // touched on the owning thread only
  std::atomic<bool> Cancelled{false};
};

// What another thread holds for a notice: its lines and its end are handed over like the other
// calls; whether the user stopped the work is what the owning thread last read from the window.
class TRelayed_Notice final : public TNotice {
 public:
  TRelayed_Notice(TRelayed_Interaction& relay,
                  std::shared_ptr<TRelayed_Interaction::TNotice_Link> link)
      : Relay_(relay), Link_(std::move(link)) {}
  ~TRelayed_Notice() override {
    try {
      Relay_.Hand_Over([link = Link_](TInteraction&) { link->Window.reset(); });
    } catch (...) {  // NOLINT(bugprone-empty-catch): no memory left; the window goes with the relay
    }
  }
  TRelayed_Notice(const TRelayed_Notice&) = delete;
  TRelayed_Notice& operator=(const TRelayed_Notice&) = delete;

  void Progress(const std::string& text) override {
    Relay_.Hand_Over([link = Link_, text](TInteraction&) {
      if (link->Window) {
        link->Window->Progress(text);
      }
    });
  }
  bool Cancelled() override { return Link_->Cancelled.load(); }

 private:
  TRelayed_Interaction& Relay_;
  std::shared_ptr<TRelayed_Interaction::TNotice_Link> Link_;
};

TRelayed_Interaction::TRelayed_Interaction(bool asks_user)
    : Owner_(std::this_thread::get_id()), Asks_User_(asks_user) {}

TRelayed_Interaction::~TRelayed_Interaction() = default;

void TRelayed_Interaction::Set_Target(TInteraction& target) {
  Target_ = &target;
}

bool TRelayed_Interaction::Queue(TCall call) {
  {
    const std::lock_guard lock(Mutex_);
    if (Refusing_) {
      return false;
    }
    // A line not shown yet is replaced by its newer text where only other lines wait after it:
    // a thread that reports faster than the windows paint leaves no backlog of texts.
    if (call.Status_Line != 0) {
      for (auto waiting = Waiting_.rbegin();
           waiting != Waiting_.rend() && waiting->Status_Line != 0; ++waiting) {
        if (waiting->Status_Line == call.Status_Line) {
          waiting->Run = std::move(call.Run);
          return true;
        }
      }
    }
    Waiting_.push_back(std::move(call));
  }
  Changed_.notify_all();
  return true;
}

void TRelayed_Interaction::Hand_Over(std::function<void(TInteraction&)> run, int status_line) {
  Queue({std::move(run), nullptr, status_line, {}});
}

void TRelayed_Interaction::Hand_Over_And_Wait(std::function<void(TInteraction&)> run) {
  auto finished = std::make_shared<std::promise<void>>();
  std::future<void> answered = finished->get_future();
  if (Queue({std::move(run), finished, 0, {}})) {
    answered.get();
  }
}

void TRelayed_Interaction::Poll_Notices() {
  std::erase_if(Cancellable_, [](const std::weak_ptr<TNotice_Link>& weak) {
    const std::shared_ptr<TNotice_Link> link = weak.lock();
    if (!link) {
      return true;
    }
    if (link->Window && link->Window->Cancelled()) {
      link->Cancelled = true;
    }
    return false;
  });
}

void TRelayed_Interaction::Serve_Until_Done() {
  for (;;) {
    TCall call;
    {
      std::unique_lock lock(Mutex_);
      const bool woken = Changed_.wait_for(lock, std::chrono::milliseconds(50),
                                           [this] { return !Waiting_.empty() || Done_; });
      if (woken && Waiting_.empty()) {
        return;
      }
      if (woken) {
        call = std::move(Waiting_.front());
        Waiting_.pop_front();
      }
    }
    if (call.Work) {
      try {
        call.Work();
      } catch (...) {  // NOLINT(bugprone-empty-catch): such work keeps its own errors
      }
    }
    if (call.Run) {
      try {
        if (Target_ != nullptr) {
          call.Run(*Target_);
        }
        if (call.Finished) {
          call.Finished->set_value();
        }
      } catch (...) {
        // The caller that waits gets the error; a line or notice that failed is only not shown.
        if (call.Finished) {
          call.Finished->set_exception(std::current_exception());
        }
      }
    }
    // The windows behind (a splash window, a notice) are painted now and then, as the work on
    // this thread would have kept them.
    if (Target_ != nullptr) {
      Target_->Keep_Painted();
    }
    Poll_Notices();
  }
}

void TRelayed_Interaction::Work_Done() {
  {
    const std::lock_guard lock(Mutex_);
    Done_ = true;
  }
  Changed_.notify_all();
}

void TRelayed_Interaction::Refuse_Calls() {
  std::deque<TCall> waiting;
  {
    const std::lock_guard lock(Mutex_);
    Refusing_ = true;
    waiting.swap(Waiting_);
  }
  for (TCall& call : waiting) {
    if (call.Finished) {
      call.Finished->set_value();
    }
  }
}

void TRelayed_Interaction::Run_On_Owner(std::function<void()> work) {
  if (On_Owner()) {
    work();
    return;
  }
  Queue({nullptr, nullptr, 0, std::move(work)});
}

TAnswer TRelayed_Interaction::Message(TMessage_Kind kind, const std::string& text,
                                      TAnswer_Set buttons) {
  if (On_Owner()) {
    return Target_ != nullptr ? Target_->Message(kind, text, buttons) : Default_Answer(buttons);
  }
  TAnswer answer = Default_Answer(buttons);
  Hand_Over_And_Wait([&](TInteraction& target) { answer = target.Message(kind, text, buttons); });
  return answer;
}

void TRelayed_Interaction::Status_Line(int line, const std::string& text) {
  if (On_Owner()) {
    if (Target_ != nullptr) {
      Target_->Status_Line(line, text);
    }
    return;
  }
  Hand_Over([line, text](TInteraction& target) { target.Status_Line(line, text); }, line);
}

std::unique_ptr<TNotice> TRelayed_Interaction::Relay_Notice(const std::string& caption,
                                                            const std::string& text,
                                                            bool cancellable) {
  auto link = std::make_shared<TNotice_Link>();
  Hand_Over([this, link, caption, text, cancellable](TInteraction& target) {
    link->Window =
        cancellable ? target.Cancellable_Notice(caption, text) : target.Notice(caption, text);
    if (cancellable) {
      Cancellable_.push_back(link);
    }
  });
  return std::make_unique<TRelayed_Notice>(*this, std::move(link));
}

std::unique_ptr<TNotice> TRelayed_Interaction::Notice(const std::string& caption,
                                                      const std::string& text) {
  if (On_Owner()) {
    return Target_ != nullptr ? Target_->Notice(caption, text) : std::make_unique<TNotice>();
  }
  return Relay_Notice(caption, text, false);
}

std::unique_ptr<TNotice> TRelayed_Interaction::Cancellable_Notice(const std::string& caption,
                                                                  const std::string& text) {
  if (On_Owner()) {
    return Target_ != nullptr ? Target_->Cancellable_Notice(caption, text)
                              : std::make_unique<TNotice>();
  }
  return Relay_Notice(caption, text, true);
}

std::optional<std::string> TRelayed_Interaction::Choose_File(const TFile_Request& request) {
  if (On_Owner()) {
    return Target_ != nullptr ? Target_->Choose_File(request) : std::nullopt;
  }
  std::optional<std::string> chosen;
  Hand_Over_And_Wait([&](TInteraction& target) { chosen = target.Choose_File(request); });
  return chosen;
}

std::optional<std::vector<int>> TRelayed_Interaction::Select_Items(
    const TSelection_Request& request) {
  if (On_Owner()) {
    return Target_ != nullptr ? Target_->Select_Items(request) : std::nullopt;
  }
  std::optional<std::vector<int>> selected;
  Hand_Over_And_Wait([&](TInteraction& target) { selected = target.Select_Items(request); });
  return selected;
}

std::optional<std::string> TRelayed_Interaction::Specify_Arena_Name(
    const std::string& directory_name, const std::optional<std::string>& preset) {
  if (On_Owner()) {
    return Target_ != nullptr ? Target_->Specify_Arena_Name(directory_name, preset) : std::nullopt;
  }
  std::optional<std::string> name;
  Hand_Over_And_Wait(
      [&](TInteraction& target) { name = target.Specify_Arena_Name(directory_name, preset); });
  return name;
}

int TRelayed_Interaction::Choose(const TChoice_Request& request) {
  if (On_Owner()) {
    return Target_ != nullptr ? Target_->Choose(request) : request.Fallback;
  }
  int choice = request.Fallback;
  Hand_Over_And_Wait([&](TInteraction& target) { choice = target.Choose(request); });
  return choice;
}

bool TRelayed_Interaction::Asks_User() const {
  return On_Owner() && Target_ != nullptr ? Target_->Asks_User() : Asks_User_;
}

void TRelayed_Interaction::Keep_Painted() {
  // Another thread's windows are painted while the owning thread serves.
  if (On_Owner() && Target_ != nullptr) {
    Target_->Keep_Painted();
  }
}

}  // namespace vorlix
