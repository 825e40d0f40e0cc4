// What the tests of the dialogs of a run share: an interrupter that answers as told and notes
// what it was asked, and a fixture with a shown parent window standing in for the full-screen
// window, Num Lock on, and a check that every window is gone after the test.
#pragma once

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

#include <string>
#include <vector>

#include "player/vixo_player.h"
#include "support/ui_driver.h"
#include "support/wx_assert_failure.h"
#include "task/play.h"
#include "task/task.h"
#include "task/vixo_method.h"

namespace vixo_test {

class FakeInterrupter : public TestInterrupter {
 public:
  bool askInterrupt(wxWindow* asking) override {
    asked.push_back(asking);
    return answer;
  }
  void forceInterrupt() override { ++forced; }

  bool answer = true;  // true: the observer chooses to stop
  std::vector<wxWindow*> asked;
  int forced = 0;
};

// A task of the method with a reference and 40 test files in one group, one cycle and no
// training: a pass of 40 questions for the methods against a reference.
inline Task fortyFileTask(const std::string& method) {
  Task task;
  task.name = L"Faces at low bit rates";
  for (int i = 0; i <= 40; ++i) task.files.push_back({L"f" + std::to_wstring(i), L"/v/x.mp4", 1});
  task.references = {0};
  task.properties["method"] = makeStringValue(method);
  task.properties["cycles"] = Any::of(1LL);
  task.properties["trainingQuestions"] = Any::of(0LL);
  return task;
}

// A play of the task, as the dialogs see it, that has answered `answered` questions.
class CountedPlay : public VIXOplay {
 public:
  CountedPlay(const Task& task, int answered)
      : VIXOplay(task.method()->planner(task),
                 PlayContext(LoadedTask(task, L"/tasks/faces.vixo"), nullptr,
                             L"Jana Nov\u00e1kov\u00e1", "", 0, false, false),
                 nullptr),
        answered(answered) {}
  int answeredCount() const override { return answered; }
  void nextQuestion() override {}
  void saveState(Brindle::JSON&) const override {}
  bool loadState(Brindle::JSON) override { return false; }
  int answered;
};

class RunDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    parent = new wxFrame(nullptr, wxID_ANY, "full screen", wxPoint(0, 0), wxSize(1280, 1024));
    parent->Show();
    waitOnScreen(parent);
    setNumLock(true);
  }
  void TearDown() override {
    if (parent) parent->Destroy();
    for (int i = 0; i < 1000 && !wxTopLevelWindows.empty(); ++i) {
      wxTheApp->ProcessPendingEvents();
      wxTheApp->ProcessIdle();
      wxYield();
    }
    EXPECT_TRUE(wxTopLevelWindows.empty());
  }

  WxAssertionsFailTest assertionsFail_;
  wxFrame* parent = nullptr;
  FakeInterrupter interrupter;
};

}  // namespace vixo_test
