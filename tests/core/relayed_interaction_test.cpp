#include "core/relayed_interaction.h"

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "scripted_interaction.h"

namespace vorlix {
namespace {

using testing::TRecorded_Status;
using testing::TScripted_Interaction;

// The scripted user, also noting which thread each call reached it on and the order of all calls.
class TThread_Noting_User : public TScripted_Interaction {
 public:
  TAnswer Message(TMessage_Kind kind, const std::string& text, TAnswer_Set buttons) override {
    Note("message " + text);
    return TScripted_Interaction::Message(kind, text, buttons);
  }
  void Status_Line(int line, const std::string& text) override {
    Note("line " + text);
    TScripted_Interaction::Status_Line(line, text);
  }
  std::unique_ptr<TNotice> Notice(const std::string& caption, const std::string& text) override {
    Note("notice " + caption);
    return TScripted_Interaction::Notice(caption, text);
  }
  std::optional<std::string> Choose_File(const TFile_Request& request) override {
    Note("file " + request.Title);
    if (Fail_File) {
      throw std::runtime_error("no file dialog");
    }
    return TScripted_Interaction::Choose_File(request);
  }
  int Choose(const TChoice_Request& request) override {
    Note("choose " + request.Text);
    return TScripted_Interaction::Choose(request);
  }

  std::vector<std::string> Calls;
  std::vector<std::thread::id> Threads;
  bool Fail_File = false;

 private:
  void Note(const std::string& call) {
    Calls.push_back(call);
    Threads.push_back(std::this_thread::get_id());
  }
};

// Waits (a bounded while) until `holds`.
template <typename Predicate>
bool Eventually(Predicate holds) {
  for (int i = 0; i < 500 && !holds(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return holds();
}

TEST(Relayed_Interaction, Another_Threads_Calls_Wait_For_The_Owner_And_Come_In_Order) {
  TThread_Noting_User user;
  user.Answers = {TAnswer::Yes};
  user.Choice_Answers = {2};
  user.Files = {std::string("/games/q3")};
  TRelayed_Interaction relay;
  relay.Set_Target(user);
  std::atomic<bool> asked{false};
  TAnswer answer = TAnswer::OK;
  int choice = -1;
  std::optional<std::string> file;
  bool asks_user = false;
  std::thread worker([&] {
    asks_user = relay.Asks_User();
    relay.Status_Line(1, "Reading");
    relay.Status_Line(2, "baseq3");
    // Not shown yet: the newer text takes its place.
    relay.Status_Line(1, "Reading maps");
    {
      auto notice = relay.Notice("Please wait", "Scanning");
      notice->Progress("1 of 2");
      asked = true;
      answer = relay.Message(TMessage_Kind::Confirmation, "Go on?", TAnswer_Set::Yes_No);
    }
    // A line after another call is not merged across it.
    relay.Status_Line(1, "3");
    // Work handed over runs in turn; one that fails stops nothing.
    relay.Run_On_Owner([&user] {
      user.Calls.emplace_back("work");
      user.Threads.push_back(std::this_thread::get_id());
    });
    relay.Run_On_Owner([] { throw std::runtime_error("kept to itself"); });
    choice = relay.Choose({.Text = "Which?", .Choices = {"a", "b", "c"}, .Fallback = 0});
    file = relay.Choose_File({.Title = "Game"});
    relay.Keep_Painted();  // nothing to paint on this thread
    relay.Work_Done();
  });
  ASSERT_TRUE(Eventually([&] { return asked.load(); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  // Nothing reaches the user before the owner serves.
  EXPECT_TRUE(user.Calls.empty());
  relay.Serve_Until_Done();
  worker.join();
  EXPECT_TRUE(asks_user);
  EXPECT_EQ(answer, TAnswer::Yes);
  EXPECT_EQ(choice, 2);
  EXPECT_EQ(file, "/games/q3");
  EXPECT_EQ(user.Calls, (std::vector<std::string>{"line Reading maps", "line baseq3",
                                                  "notice Please wait", "message Go on?", "line 3",
                                                  "work", "choose Which?", "file Game"}));
  for (const auto& thread : user.Threads) {
    EXPECT_EQ(thread, std::this_thread::get_id());
  }
  EXPECT_EQ(user.Open_Notices, 0);  // the notice ended with the worker's
  EXPECT_EQ(user.Status,
            (std::vector<TRecorded_Status>{{1, "Reading maps"}, {2, "baseq3"}, {1, "3"}}));

  // Served and done: the owner's own calls go straight through, and ask as the user's side does.
  user.Can_Ask = false;
  relay.Message(TMessage_Kind::Information, "Ready", TAnswer_Set::OK);
  EXPECT_EQ(user.Calls.back(), "message Ready");
  relay.Run_On_Owner([&user] { user.Calls.emplace_back("own work"); });
  EXPECT_EQ(user.Calls.back(), "own work");
  user.Names = {std::string("Duel")};
  user.Selections = {std::vector<int>{0}};
  EXPECT_EQ(relay.Specify_Arena_Name("baseq3", std::nullopt), "Duel");
  EXPECT_EQ(relay.Select_Items({.Items = {"baseq3"}}), std::vector<int>{0});
  EXPECT_FALSE(relay.Asks_User());
  bool other_asks = false;
  std::thread([&] { other_asks = relay.Asks_User(); }).join();
  EXPECT_TRUE(other_asks);
}

TEST(Relayed_Interaction, The_Users_Side_Failing_Reaches_The_Caller_Only) {
  TThread_Noting_User user;
  user.Fail_File = true;
  TRelayed_Interaction relay;
  relay.Set_Target(user);
  std::string caught;
  std::thread worker([&] {
    try {
      relay.Choose_File({.Title = "Game"});
    } catch (const std::runtime_error& error) {
      caught = error.what();
    }
    relay.Status_Line(2, "after");
    relay.Work_Done();
  });
  relay.Serve_Until_Done();
  worker.join();
  EXPECT_EQ(caught, "no file dialog");
  EXPECT_EQ(user.Calls.back(), "line after");
}

TEST(Relayed_Interaction, Refused_Calls_Answer_As_Closed_Unanswered_And_Show_Nothing) {
  TThread_Noting_User user;
  user.Answers = {TAnswer::Yes};
  user.Choice_Answers = {0};
  TRelayed_Interaction relay;
  relay.Set_Target(user);
  std::atomic<bool> waiting{false};
  TAnswer answer = TAnswer::Yes;
  int choice = -1;
  std::optional<std::string> file = "x";
  std::optional<std::vector<int>> selected = std::vector<int>{1};
  std::optional<std::string> name = "x";
  std::thread worker([&] {
    waiting = true;
    answer = relay.Message(TMessage_Kind::Confirmation, "Go on?", TAnswer_Set::Yes_No);
    // Refused from now on: answered at once.
    choice = relay.Choose({.Text = "Which?", .Choices = {"a", "b", "c", "Quit"}, .Fallback = 3});
    file = relay.Choose_File({.Title = "Game"});
    selected = relay.Select_Items({.Items = {"baseq3"}});
    name = relay.Specify_Arena_Name("baseq3", std::nullopt);
    relay.Notice("Please wait", "Scanning")->Progress("1");
    relay.Status_Line(1, "never shown");
    relay.Run_On_Owner([&user] { user.Calls.emplace_back("never done"); });
  });
  ASSERT_TRUE(Eventually([&] { return waiting.load(); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  relay.Refuse_Calls();
  worker.join();
  EXPECT_EQ(answer, TAnswer::No);
  EXPECT_EQ(choice, 3);
  EXPECT_EQ(file, std::nullopt);
  EXPECT_EQ(selected, std::nullopt);
  EXPECT_EQ(name, std::nullopt);
  EXPECT_TRUE(user.Calls.empty());
  EXPECT_TRUE(user.Notices.empty());
}

TEST(Relayed_Interaction, The_User_Stopping_A_Notice_Reaches_The_Working_Thread) {
  TScripted_Interaction user;
  user.Cancel_After_Progress = 2;
  TRelayed_Interaction relay;
  relay.Set_Target(user);
  int lines = 0;
  bool stopped = false;
  std::thread worker([&] {
    {
      const auto notice = relay.Cancellable_Notice("Searching", "QUAKE3.EXE");
      for (; lines < 1000 && !notice->Cancelled(); ++lines) {
        notice->Progress("folder " + std::to_string(lines));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
      stopped = notice->Cancelled();
    }
    relay.Work_Done();
  });
  relay.Serve_Until_Done();
  worker.join();
  EXPECT_TRUE(stopped);
  EXPECT_LT(lines, 1000);
  EXPECT_GE(user.Progress_Texts.size(), 2U);
  EXPECT_EQ(user.Notices,
            (std::vector<std::pair<std::string, std::string>>{{"Searching", "QUAKE3.EXE"}}));
  EXPECT_EQ(user.Open_Notices, 0);
}

}  // namespace
}  // namespace vorlix
