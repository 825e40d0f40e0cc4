// The prompt road: answerers reply in place of a person, and a modal answerer works on the real
// dialog inside its own modal loop.
#include "common/prompt.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/textctrl.h>

#include <vector>

namespace {

struct Answerers {
  ~Answerers() {
    vixo::setPromptAnswerer({});
    vixo::setFilePromptAnswerer({});
    vixo::setModalAnswerer({});
  }
};

TEST(Prompt, AnswererSeesTheWholePromptAndItsAnswerIsReturned) {
  Answerers restore;
  std::vector<vixo::Prompt> seen;
  vixo::setPromptAnswerer([&](const vixo::Prompt& p) {
    seen.push_back(p);
    return wxID_NO;
  });
  vixo::Prompt prompt;
  prompt.caption = "Error saving results";
  prompt.text = "Can't save results.";
  prompt.style = wxYES_NO | wxICON_ERROR;
  prompt.yesLabel = "Try again";
  prompt.noLabel = "Exit";
  EXPECT_EQ(vixo::showPrompt(prompt), wxID_NO);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].caption, "Error saving results");
  EXPECT_EQ(seen[0].text, "Can't save results.");
  EXPECT_EQ(seen[0].style, wxYES_NO | wxICON_ERROR);
  EXPECT_EQ(seen[0].yesLabel, "Try again");
  EXPECT_EQ(seen[0].noLabel, "Exit");
}

TEST(Prompt, FileAnswererPicksThePaths) {
  Answerers restore;
  vixo::setFilePromptAnswerer([](const vixo::FilePrompt& p) {
    EXPECT_EQ(p.message, "Load VIXO task");
    EXPECT_TRUE(p.style & wxFD_OPEN);
    return std::vector<wxString>{"/tmp/a.vixo"};
  });
  vixo::FilePrompt prompt;
  prompt.message = "Load VIXO task";
  prompt.style = wxFD_OPEN | wxFD_FILE_MUST_EXIST;
  EXPECT_EQ(vixo::showFilePrompt(prompt), std::vector<wxString>{"/tmp/a.vixo"});

  vixo::setFilePromptAnswerer([](const vixo::FilePrompt&) { return std::vector<wxString>{}; });
  EXPECT_TRUE(vixo::showFilePrompt(prompt).empty());
}

TEST(Prompt, ModalAnswererWorksTheRealDialogInsideItsLoop) {
  Answerers restore;
  wxDialog dialog(nullptr, wxID_ANY, "Your name");
  auto* name = new wxTextCtrl(&dialog, wxID_ANY);
  new wxButton(&dialog, wxID_OK, "OK", wxPoint(0, 40));
  bool wasModal = false;
  vixo::setModalAnswerer([&](wxDialog& shown) {
    wasModal = shown.IsModal();
    name->ChangeValue("Ann");
    shown.EndModal(wxID_OK);
  });
  EXPECT_EQ(vixo::showModal(dialog), wxID_OK);
  EXPECT_TRUE(wasModal);
  EXPECT_EQ(name->GetValue(), "Ann");
}

}  // namespace
