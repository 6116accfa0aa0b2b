// The collection check built on a thread of its own: handed over on the GUI thread, the result
// of a build overtaken by a newer request dropped, nothing handed to a runner that is gone, and a
// failed build told in one line.

#include <QThread>
#include <QtTest>
#include <atomic>
#include <future>
#include <stdexcept>

#include "app/ui/collection_check_runner.h"
#include "collection_builder.h"
#include "database/game_index.h"

using vorlix::TCollection_Check;
using vorlix::TCollection_Load;
using vorlix::TGame_Index;
using vorlix::testing::TCollection_Builder;
using vorlix::ui::TCollection_Check_Runner;
using vorlix::ui::TCollection_Request;

namespace {

// What the runner handed over.
struct TDelivered {
  std::vector<std::shared_ptr<const TCollection_Check>> Checks;
  std::vector<std::string> Summaries;
  bool On_GUI_Thread = true;
};

TCollection_Check_Runner::TDelivery Recorder(TDelivered& delivered) {
  return [&delivered](std::shared_ptr<const TCollection_Check> check, const std::string& summary) {
    delivered.On_GUI_Thread = delivered.On_GUI_Thread && QThread::currentThread() == qApp->thread();
    delivered.Checks.push_back(std::move(check));
    delivered.Summaries.push_back(summary);
  };
}

TCollection_Request Request(const std::string& game_dir) {
  return {.Game_Dir = game_dir, .Games = std::make_shared<TGame_Index>()};
}

// A build that waits until released, then gives a check of its own for the game directory.
struct TGated_Build {
  std::shared_future<void> Gate;
  std::shared_ptr<std::atomic<int>> Builds = std::make_shared<std::atomic<int>>(0);
  TCollection_Load operator()(const TCollection_Request& request) const {
    ++*Builds;
    Gate.wait();
    TCollection_Load load;
    load.Check = TCollection_Builder().Archive(request.Game_Dir, "pak0.pk3", {}).Build();
    return load;
  }
};

}  // namespace

class Tst_Collection_Check_Runner : public QObject {
  Q_OBJECT

 private slots:
  void handsTheCheckOverOnTheGuiThreadLater() {
    TDelivered delivered;
    TCollection_Check_Runner runner(Recorder(delivered), [](const TCollection_Request&) {
      TCollection_Load load;
      load.Check = TCollection_Builder().Archive("baseq3", "pak0.pk3", {}).Build();
      load.Unreadable = {{"/games/q3/baseq3/broken.pk3", "not a ZIP archive"}};
      return load;
    });
    runner.Start(Request("/games/q3"));
    QVERIFY(runner.Busy());
    QVERIFY(delivered.Checks.empty());
    QTRY_COMPARE(delivered.Checks.size(), std::size_t{1});
    QVERIFY(delivered.On_GUI_Thread);
    QVERIFY(delivered.Checks.front() != nullptr);
    QCOMPARE(delivered.Summaries.front(),
             std::string("Content check: 1 archive could not be read (broken.pk3)"));
    QVERIFY(!runner.Busy());
  }

  void aRequestDuringABuildWaitsAndOvertakesIt() {
    TDelivered delivered;
    std::promise<void> release;
    TGated_Build build{release.get_future().share()};
    TCollection_Check_Runner runner(Recorder(delivered), build);
    runner.Start(Request("first"));
    QTRY_COMPARE(build.Builds->load(), 1);
    runner.Start(Request("second"));
    runner.Start(Request("third"));
    // One build at a time: the later requests wait for the first to end.
    QTest::qWait(50);
    QCOMPARE(build.Builds->load(), 1);
    release.set_value();
    QTRY_COMPARE(delivered.Checks.size(), std::size_t{1});
    QTest::qWait(50);
    QCOMPARE(delivered.Checks.size(), std::size_t{1});
    QCOMPARE(build.Builds->load(), 2);
    // The newest request's check, not the first one's.
    QCOMPARE(delivered.Checks.front()->Members().Sources().front().MOD_Directory,
             std::string("third"));
  }

  void nothingReachesARunnerThatIsGone() {
    TDelivered delivered;
    std::promise<void> release;
    TGated_Build build{release.get_future().share()};
    {
      TCollection_Check_Runner runner(Recorder(delivered), build);
      runner.Start(Request("gone"));
      QTRY_COMPARE(build.Builds->load(), 1);
    }
    release.set_value();
    QTest::qWait(100);
    QVERIFY(delivered.Checks.empty());
  }

  void aFailedBuildIsToldInOneLine() {
    TDelivered delivered;
    TCollection_Check_Runner runner(Recorder(delivered),
                                    [](const TCollection_Request&) -> TCollection_Load {
                                      throw std::runtime_error("members.dat: Permission denied");
                                    });
    runner.Start(Request("/games/q3"));
    QTRY_COMPARE(delivered.Checks.size(), std::size_t{1});
    QVERIFY(delivered.Checks.front() == nullptr);
    QCOMPARE(delivered.Summaries.front(),
             std::string("Content check: members.dat: Permission denied"));
    // Without the game's index there is nothing to check against.
    runner.Start({.Game_Dir = "/games/q3"});
    QTRY_COMPARE(delivered.Checks.size(), std::size_t{2});
    QVERIFY(delivered.Checks.back() == nullptr);
  }

  void theSummaryNamesSomeArchivesAndTheFirstProblem() {
    TCollection_Load load;
    QCOMPARE(vorlix::ui::Collection_Load_Summary(load), std::string());
    for (const char* name : {"a.pk3", "b.pk3", "c.pk3", "d.pk3"}) {
      load.Unreadable.push_back({std::string("/q3/baseq3/") + name, "damaged"});
    }
    load.Problems = {"content.dat could not be written: No space left on device", "another"};
    QCOMPARE(vorlix::ui::Collection_Load_Summary(load),
             std::string("Content check: 4 archives could not be read (a.pk3, b.pk3, c.pk3 and 1 "
                         "more); content.dat could not be written: No space left on device (and "
                         "1 more)"));
  }
};

QTEST_MAIN(Tst_Collection_Check_Runner)
#include "tst_collection_check_runner.moc"
