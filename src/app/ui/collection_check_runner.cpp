#include "app/ui/collection_check_runner.h"

#include <QMetaObject>
#include <QObject>
#include <exception>
#include <mutex>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "core/paths.h"
#include "core/text.h"
#include "database/game_index.h"

namespace vorlix::ui {

std::string Collection_Load_Summary(const TCollection_Load& load) {
  std::vector<std::string> parts;
  if (!load.Unreadable.empty()) {
    std::vector<std::string> names;
    names.reserve(load.Unreadable.size());
    for (const TUnreadable_Archive& archive : load.Unreadable) {
      names.push_back(platform::File_Name(archive.Path));
    }
    parts.push_back(std::to_string(load.Unreadable.size()) +
                    (load.Unreadable.size() == 1 ? " archive" : " archives") +
                    " could not be read (" + Some_Of(names, 3) + ")");
  }
  if (!load.Problems.empty()) {
    parts.push_back(load.Problems.front() +
                    (load.Problems.size() > 1
                         ? " (and " + std::to_string(load.Problems.size() - 1) + " more)"
                         : std::string()));
  }
  if (parts.empty()) {
    return {};
  }
  std::string line = "Content check: " + parts.front();
  for (std::size_t i = 1; i < parts.size(); ++i) {
    line += "; " + parts[i];
  }
  return line;
}

// The receiver of the worker's result: a QObject of the GUI thread, gone with the runner.
struct TCollection_Check_Runner::TMailbox {
  std::mutex Mutex;
  QObject* Receiver = nullptr;
};

TCollection_Check_Runner::TCollection_Check_Runner(TDelivery deliver, TBuild build)
    : Deliver_(std::move(deliver)),
      Build_(std::move(build)),
      Mailbox_(std::make_shared<TMailbox>()) {
  if (!Build_) {
    Build_ = [](const TCollection_Request& request) {
      return Load_Collection_Check(request.Game_Dir, *request.Games, request.Data_Dir,
                                   request.Rules);
    };
  }
  Mailbox_->Receiver = new QObject;
}

TCollection_Check_Runner::~TCollection_Check_Runner() {
  QObject* receiver = nullptr;
  {
    const std::lock_guard<std::mutex> lock(Mailbox_->Mutex);
    receiver = Mailbox_->Receiver;
    Mailbox_->Receiver = nullptr;
  }
  // A result posted to it and not yet taken goes with it.
  delete receiver;
}

void TCollection_Check_Runner::Start(TCollection_Request request) {
  if (Running_) {
    Waiting_ = std::move(request);
    return;
  }
  Run(std::move(request));
}

void TCollection_Check_Runner::Run(TCollection_Request request) {
  Running_ = true;
  const auto work = [this, mailbox = Mailbox_, build = Build_, request = std::move(request)] {
    std::shared_ptr<TCollection_Check> check;
    std::string summary;
    try {
      if (!request.Games) {
        throw std::runtime_error("the game's index of the archives could not be read");
      }
      TCollection_Load load = build(request);
      summary = Collection_Load_Summary(load);
      check = std::move(load.Check);
      if (check) {
        check->Compute_All();
      }
    } catch (const std::bad_alloc&) {
      check.reset();
      summary = "Content check: not enough memory";
    } catch (const std::exception& error) {
      check.reset();
      summary = std::string("Content check: ") + error.what();
    }
    const std::lock_guard<std::mutex> lock(mailbox->Mutex);
    if (mailbox->Receiver != nullptr) {
      // `this` lives as long as the receiver, which runs the call.
      QMetaObject::invokeMethod(
          mailbox->Receiver,
          [this, check = std::shared_ptr<const TCollection_Check>(std::move(check)), summary] {
            Finished(check, summary);
          },
          Qt::QueuedConnection);
    }
  };
  try {
    std::thread(work).detach();
  } catch (const std::system_error&) {
    // No thread to be had: the build runs here, later, when the event loop is idle.
    QMetaObject::invokeMethod(Mailbox_->Receiver, work, Qt::QueuedConnection);
  }
}

void TCollection_Check_Runner::Finished(std::shared_ptr<const TCollection_Check> check,
                                        const std::string& summary) {
  Running_ = false;
  if (Waiting_) {
    // The installation changed while this one was built: its result is out of date.
    TCollection_Request next = std::move(*Waiting_);
    Waiting_.reset();
    Run(std::move(next));
    return;
  }
  Deliver_(std::move(check), summary);
}

}  // namespace vorlix::ui
