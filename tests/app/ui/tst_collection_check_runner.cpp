// The collection check built on a thread of its own: handed over on the GUI thread, the result
// of a build overtaken by a newer request dropped, nothing handed to a runner that is gone.

#include <QThread>
#include <QtTest>
#include <atomic>
#include <future>

#include "app/ui/collection_check_runner.h"
#include "collection_builder.h"
#include "database/game_index.h"

using namespace vorlix;
using namespace vorlix::ui;

namespace {

struct TDelivered {
  std::vector<std::shared_ptr<const TCollection_Check>> Checks;
  std::vector<std::string> Summaries;
  bool On_GUI_Thread = true;
};

// A runner whose build waits for the gate, then gives a check of the request's game directory
// and one unreadable archive.
struct TGated_Runner {
  TDelivered Delivered;
  std::promise<void> Gate;
  std::shared_ptr<std::atomic<int>> Builds = std::make_shared<std::atomic<int>>(0);
  std::unique_ptr<TCollection_Check_Runner> Runner = std::make_unique<TCollection_Check_Runner>(
      [this](std::shared_ptr<const TCollection_Check> check, const std::string& summary) {
        Delivered.On_GUI_Thread &= QThread::currentThread() == qApp->thread();
        Delivered.Checks.push_back(std::move(check));
        Delivered.Summaries.push_back(summary);
      },
      [gate = Gate.get_future().share(), builds = Builds](const TCollection_Request& request) {
        ++*builds;
        gate.wait();
        TCollection_Load load;
        load.Check = testing::TCollection_Builder().Archive(request.Game_Dir, "a.pk3", {}).Build();
        load.Unreadable = {{"/q/baseq3/b.pk3", ""}, {"/q/baseq3/c.pk3", ""}};
        load.Problems = {"content.dat could not be written", "another"};
        return load;
      });
  void Start(const std::string& game_dir) const {
    Runner->Start({.Game_Dir = game_dir, .Games = std::make_shared<TGame_Index>()});
  }
};

}  // namespace

class Tst_Collection_Check_Runner : public QObject {
  Q_OBJECT

 private slots:
  void theNewestRequestsCheckIsHandedOverOnTheGuiThread() {
    TGated_Runner gated;
    gated.Start("first");
    QTRY_COMPARE(gated.Builds->load(), 1);
    gated.Start("second");
    gated.Start("third");
    // One build at a time: the later requests wait for the first to end.
    QTest::qWait(50);
    QCOMPARE(gated.Builds->load(), 1);
    QVERIFY(gated.Runner->Busy());
    gated.Gate.set_value();
    QTRY_COMPARE(gated.Delivered.Checks.size(), std::size_t{1});
    QCOMPARE(gated.Builds->load(), 2);
    QVERIFY(gated.Delivered.On_GUI_Thread);
    QCOMPARE(gated.Delivered.Checks.front()->Members().Sources().front().MOD_Directory,
             std::string("third"));
    QCOMPARE(gated.Delivered.Summaries.front(),
             std::string("Content check: 2 archives could not be read (b.pk3, c.pk3); content.dat "
                         "could not be written (and 1 more)"));
    QVERIFY(!gated.Runner->Busy());
  }

  void nothingReachesARunnerThatIsGone() {
    TGated_Runner gone;
    gone.Start("gone");
    QTRY_COMPARE(gone.Builds->load(), 1);
    gone.Runner.reset();
    gone.Gate.set_value();
    QTest::qWait(100);
    QVERIFY(gone.Delivered.Checks.empty());
  }
};

QTEST_MAIN(Tst_Collection_Check_Runner)
#include "tst_collection_check_runner.moc"
