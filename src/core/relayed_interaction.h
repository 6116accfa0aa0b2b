#pragma once
// Lets work running on another thread talk to the user through an interaction that belongs to
// one thread (the window program's dialogs, which exist only once the windows do): such a
// thread's calls wait in a queue until the owning thread serves them, in the order they were
// made; the owning thread's own calls go straight through. A message box or dialog waits for
// its answer; status lines, notices and their progress lines are handed over without waiting.

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "core/interaction.h"

namespace vorlix {

class TRelayed_Interaction final : public TInteraction {
 public:
  // The thread that makes this object owns it. `asks_user`: what the calls of other threads
  // learn from Asks_User (the interaction they will reach may not exist yet).
  explicit TRelayed_Interaction(bool asks_user = true);
  ~TRelayed_Interaction() override;
  TRelayed_Interaction(const TRelayed_Interaction&) = delete;
  TRelayed_Interaction& operator=(const TRelayed_Interaction&) = delete;

  // Where the calls go; set on the owning thread before it serves or calls.
  void Set_Target(TInteraction& target);

  // On the owning thread: carries out the waiting calls until Work_Done was called and nothing
  // waits any more, keeping the target's windows painted meanwhile.
  void Serve_Until_Done();
  // From the working thread, when its last call was made: ends Serve_Until_Done.
  void Work_Done();
  // On the owning thread, when nobody will serve: every waiting and later call of another
  // thread gets the answer of a box closed without a choice (Cancel, No, the fallback, no file,
  // no selection), and nothing is shown.
  void Refuse_Calls();
  // Work of another thread that the owning thread may do while it serves, in turn with the
  // calls: nothing waits for it or comes back from it (it keeps its own errors), and it never
  // runs once calls are refused. The owning thread's own work runs at once.
  void Run_On_Owner(std::function<void()> work);

  TAnswer Message(TMessage_Kind kind, const std::string& text, TAnswer_Set buttons) override;
  void Status_Line(int line, const std::string& text) override;
  std::unique_ptr<TNotice> Notice(const std::string& caption, const std::string& text) override;
  std::unique_ptr<TNotice> Cancellable_Notice(const std::string& caption,
                                              const std::string& text) override;
  std::optional<std::string> Choose_File(const TFile_Request& request) override;
  std::optional<std::vector<int>> Select_Items(const TSelection_Request& request) override;
  std::optional<std::string> Specify_Arena_Name(const std::string& directory_name,
                                                const std::optional<std::string>& preset) override;
  int Choose(const TChoice_Request& request) override;
  bool Asks_User() const override;
  void Keep_Painted() override;

  struct TNotice_Link;  // a notice of another thread and the window that stands for it

 private:
  friend class TRelayed_Notice;

  // A call to carry out on the owning thread, and for a call that waits, what tells the caller
  // that it was carried out or refused.
  struct TCall {
    std::function<void(TInteraction&)> Run;
    std::shared_ptr<std::promise<void>> Finished;
    int Status_Line = 0;         // a status line's number (1 to 3): a later text replaces this one
    std::function<void()> Work;  // or work that does not talk to the user (Run_On_Owner)
  };
  bool On_Owner() const { return std::this_thread::get_id() == Owner_; }
  // Queues a call (a status line replacing its own text not shown yet); false when calls are
  // refused.
  bool Queue(TCall call);
  // Queues a call and returns at once.
  void Hand_Over(std::function<void(TInteraction&)> run, int status_line = 0);
  // Queues a call and waits until it was carried out (its error comes back here) or refused
  // (the caller's answer stays what it was).
  void Hand_Over_And_Wait(std::function<void(TInteraction&)> run);
  std::unique_ptr<TNotice> Relay_Notice(const std::string& caption, const std::string& text,
                                        bool cancellable);
  void Poll_Notices();

  const std::thread::id Owner_;
  const bool Asks_User_;
  TInteraction* Target_ = nullptr;
  std::mutex Mutex_;
  std::condition_variable Changed_;
  std::deque<TCall> Waiting_;
  bool Done_ = false;
  bool Refusing_ = false;
  // Cancellable notices of other threads, asked on the owning thread whether the user stopped
  // the work.
  std::vector<std::weak_ptr<TNotice_Link>> Cancellable_;
};

}  // namespace vorlix
