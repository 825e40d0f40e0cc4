// The custom-question row and its editor: "..." opens the editor with the row's text, a text the
// parser refuses keeps it open with the line and the parser's message, a text that passes
// becomes the row's value (and the task's), closing discards; the caret's line; the help and its
// samples.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/hyperlink.h>
#include <wx/propgrid/propgrid.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "app/custom_question_editor.h"
#include "editor_fixture.h"
#include "task/vixo_method.h"

namespace {

using vixo_test::EditorTest;
using Editor = WndMain::CustomQuestionPropertyCreator::DlgEditQuestions;
using Help = WndMain::CustomQuestionPropertyCreator::DlgCustomQuestionHelp;

const wchar_t* kGood = L"Was it sharp?\n1 Yes\n0 No";

class QuestionEditorTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    w->Show();  // the editor is placed beside the row on screen
    const auto& methods = getTestMethods();
    for (size_t i = 0; i < methods.size(); ++i)
      if (methods[i]->name == "Custom") editProperty("method", wxVariant(static_cast<long>(i + 1)));
  }
  void TearDown() override {
    vixo::setModalAnswerer(nullptr);
    EditorTest::TearDown();
  }
  static void click(wxButton* button) {
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    event.SetEventObject(button);
    button->ProcessWindowEvent(event);
  }
  // Presses "..." on the row; the answerer acts in the editor while it is shown.
  void pressEllipsis(std::function<void(Editor&)> answer) {
    vixo::setModalAnswerer([answer](wxDialog& dialog) {
      auto* editor = dynamic_cast<Editor*>(&dialog);
      ASSERT_NE(editor, nullptr);
      answer(*editor);
      // A dialog the answer left open is closed as by its close button.
      if (editor->IsModal()) editor->Close();
    });
    ASSERT_TRUE(w->propertyGrid->SelectProperty("customQuestion", true));
    auto* button = dynamic_cast<wxButton*>(w->propertyGrid->GetEditorControlSecondary());
    ASSERT_NE(button, nullptr) << "the row has its \"...\" button";
    click(button);
  }
  std::wstring rowText() {
    return w->propertyGrid->GetPropertyValueAsString("customQuestion").ToStdWstring();
  }
  std::wstring taskText() {
    const Any& value = w->task.properties.at("customQuestion");
    return fromUtf8(anyToText(value));
  }
};

TEST_F(QuestionEditorTest, OnlyATextThatPassesTheCheckIsKept) {
  const std::wstring before = rowText();
  struct Refusal {
    std::wstring text;
    std::string message;
  };
  const std::vector<Refusal> refusals = {
      {L"", "Error in question in line 1:\nSpecify at least one custom question"},
      {L"[[sat Was it sharp?\n1 Yes", "Key not ended"},
      {L"Was it sharp?\nYes\n0 No", "Error in question in line 2:\n"},
  };
  for (const Refusal& refusal : refusals) {
    SCOPED_TRACE(toUtf8(refusal.text));
    prompts.clear();
    promptAnswers = {wxID_OK};
    bool stayedOpen = false;
    pressEllipsis([&](Editor& editor) {
      EXPECT_EQ(editor.questionsText->GetValue().ToStdWstring(), before);
      editor.questionsText->SetValue(wxString(refusal.text.c_str()));
      click(editor.okButton);
      stayedOpen = editor.IsModal();
    });
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].caption, "Question editor problem");
    EXPECT_EQ(prompts[0].style, wxOK | wxICON_ERROR);
    EXPECT_NE(prompts[0].text.utf8_string().find(refusal.message), std::string::npos)
        << prompts[0].text;
    EXPECT_EQ(rowText(), before) << "closing keeps the old value";
  }

  // A text that passes after a refusal ends the editor and becomes the value: one undo step.
  const int64_t position = w->undoPosition;
  promptAnswers = {wxID_OK};
  pressEllipsis([&](Editor& editor) {
    editor.questionsText->SetValue("");
    click(editor.okButton);
    editor.questionsText->SetValue(wxString(kGood));
    click(editor.okButton);
    EXPECT_FALSE(editor.IsModal());
  });
  EXPECT_EQ(rowText(), kGood);
  EXPECT_EQ(taskText(), kGood);
  EXPECT_EQ(w->undoPosition, position + 1);

  // The next "..." starts from exactly that text.
  pressEllipsis([&](Editor& editor) {
    EXPECT_EQ(editor.questionsText->GetValue().ToStdWstring(), kGood);
    EXPECT_EQ(editor.GetTitle(), "Custom question editor");
  });
  EXPECT_EQ(rowText(), kGood);
}

TEST_F(QuestionEditorTest, TheLineOfTheCaretFollowsKeysAndClicks) {
  Editor editor(w, "first\nsecond\nthird");
  const struct {
    long caret;
    const char* line;
  } cases[] = {{0, "1"}, {5, "1"}, {6, "2"}, {13, "3"}, {18, "3"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caret);
    editor.questionsText->SetInsertionPoint(c.caret);
    wxKeyEvent key(wxEVT_KEY_UP);
    key.SetEventObject(editor.questionsText);
    editor.questionsText->ProcessWindowEvent(key);
    EXPECT_EQ(editor.lineNumberLabel->GetLabel(), c.line);
  }
  editor.questionsText->SetInsertionPoint(0);
  wxMouseEvent mouse(wxEVT_LEFT_UP);
  mouse.SetEventObject(editor.questionsText);
  editor.questionsText->ProcessWindowEvent(mouse);
  EXPECT_EQ(editor.lineNumberLabel->GetLabel(), "1");
}

TEST_F(QuestionEditorTest, TheHelpShowsTheSamplesOneAtATime) {
  std::vector<wxString> titles;
  std::vector<std::wstring> shown;
  vixo::setModalAnswerer([&](wxDialog& dialog) {
    titles.push_back(dialog.GetTitle());
    auto* help = dynamic_cast<Help*>(&dialog);
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->sampleChoice->GetSelection(), wxNOT_FOUND);
    EXPECT_TRUE(help->sampleText->GetValue().empty());
    ASSERT_EQ(help->sampleChoice->GetCount(), 4u);
    EXPECT_EQ(help->sampleChoice->GetString(0), "one simple question");
    EXPECT_EQ(help->sampleChoice->GetString(3), "multiple questions with keys");
    for (int n : {3, 0}) {
      help->sampleChoice->SetSelection(n);
      wxCommandEvent choose(wxEVT_CHOICE, help->sampleChoice->GetId());
      choose.SetEventObject(help->sampleChoice);
      choose.SetInt(n);
      help->sampleChoice->ProcessWindowEvent(choose);
      shown.push_back(help->sampleText->GetValue().ToStdWstring());
    }
    dialog.EndModal(wxID_CANCEL);
  });
  Editor editor(w, kGood);
  wxHyperlinkEvent link(editor.helpLink, editor.helpLink->GetId(), "");
  editor.helpLink->GetEventHandler()->ProcessEvent(link);
  ASSERT_EQ(titles.size(), 1u);
  EXPECT_EQ(titles[0], "Custom question help");
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].substr(0, 7), L"[[sat]]");
  EXPECT_EQ(
      shown[1],
      L"Please, evaluate quality of watched video\n5 Excellent\n4 Good\n3 Fair\n2 Poor\n1 Bad");
  EXPECT_EQ(editor.questionsText->GetValue().ToStdWstring(), kGood) << "nothing is copied";
}

}  // namespace
