#pragma once
// The collection check of the window program: built on a thread of its own (reading archives
// that changed since the last build takes long for a large collection) and handed over to the
// GUI thread, which alone uses it from then on (TCollection_Check is not thread-safe). One build
// runs at a time, so that two never write the index files at once: a build asked for while one
// runs starts when that one ends, and the older one's result is dropped.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "database/collection_check.h"

class QObject;

namespace vorlix {
class TGame_Index;
}

namespace vorlix::ui {

// What a build reads: the installation, the game's index of it, the data folder with the index
// files and the engine's rules.
struct TCollection_Request {
  std::string Game_Dir;
  std::shared_ptr<const TGame_Index> Games;
  std::string Data_Dir;
  TContent_Rules Rules;
};

// One line for the status bar of what a build could not read; empty when it read everything.
std::string Collection_Load_Summary(const TCollection_Load& load);

class TCollection_Check_Runner {
 public:
  // Gets the check with the summary of its problems, on the GUI thread; a null check when the
  // build failed as a whole (the summary says why).
  using TDelivery = std::function<void(std::shared_ptr<const TCollection_Check> check,
                                       const std::string& summary)>;
  // The build itself, run on the worker thread (tests replace it).
  using TBuild = std::function<TCollection_Load(const TCollection_Request& request)>;

  explicit TCollection_Check_Runner(TDelivery deliver, TBuild build = {});
  ~TCollection_Check_Runner();
  TCollection_Check_Runner(const TCollection_Check_Runner&) = delete;
  TCollection_Check_Runner& operator=(const TCollection_Check_Runner&) = delete;

  // Starts a build now, or after the one running.
  void Start(TCollection_Request request);
  // A build runs or waits.
  bool Busy() const { return Running_ || Waiting_.has_value(); }

 private:
  struct TMailbox;
  void Run(TCollection_Request request);
  void Finished(std::shared_ptr<const TCollection_Check> check, const std::string& summary);

  TDelivery Deliver_;
  TBuild Build_;
  // Reaches this object from the worker while it lives (the worker may outlive it).
  std::shared_ptr<TMailbox> Mailbox_;
  bool Running_ = false;
  std::optional<TCollection_Request> Waiting_;
};

}  // namespace vorlix::ui
