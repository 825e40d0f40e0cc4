#include "app/custom_question_editor.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/hyperlink.h>
#include <wx/propgrid/propgrid.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <vector>

#include "common/prompt.h"
#include "task/custom_question.h"

WndMain::CustomQuestionPropertyCreator& WndMain::CustomQuestionPropertyCreator::instance() {
  static CustomQuestionPropertyCreator creator;
  return creator;
}

wxPGProperty* WndMain::CustomQuestionPropertyCreator::create(const PropertyDescription& description,
                                                             const std::string& label, Any value) {
  auto* property =
      new CustomProperty(wxString::FromUTF8(label), wxString::FromUTF8(description.name));
  property->SetValueFromString(wxString::FromUTF8(anyToText(value)), wxPG_PROGRAMMATIC_VALUE);
  return property;
}

// ---------------------------------------------------------------- the row

WndMain::CustomQuestionPropertyCreator::CustomProperty::CustomProperty(const wxString& label,
                                                                       const wxString& name)
    : wxStringProperty(label, name, wxEmptyString) {}

const wxPGEditor* WndMain::CustomQuestionPropertyCreator::CustomProperty::DoGetEditorClass() const {
  return wxPGEditor_TextCtrlAndButton;
}

wxPGEditorDialogAdapter* WndMain::CustomQuestionPropertyCreator::CustomProperty::GetEditorDialog()
    const {
  return new Adapter;
}

bool WndMain::CustomQuestionPropertyCreator::Adapter::DoShowDialog(wxPropertyGrid* grid,
                                                                   wxPGProperty* property) {
  DlgEditQuestions dialog(grid, property->GetValueAsString());
  dialog.Move(grid->GetGoodEditorDialogPosition(property, dialog.GetSize()));
  if (vixo::showModal(dialog) != 0) return false;
  SetValue(wxVariant(dialog.questionsText->GetValue()));
  return true;
}

// ---------------------------------------------------------------- the editor

WndMain::CustomQuestionPropertyCreator::DlgEditQuestions::DlgEditQuestions(wxWindow* parent,
                                                                           const wxString& text)
    : DlgEditQuestionsStub(parent, wxID_ANY, "Custom question editor", wxDefaultPosition,
                           wxSize(422, 273)) {
  questionsText->SetValue(text);
  okButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { checkQuestions(); });
  helpLink->Bind(wxEVT_HYPERLINK, [this](wxHyperlinkEvent&) {
    DlgCustomQuestionHelp help(this);
    vixo::showModal(help);
  });
  Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { EndModal(1); });
  const auto followCaret = [this](auto& event) {
    updateLineNumber();
    event.Skip();
  };
  questionsText->Bind(wxEVT_KEY_UP, followCaret);
  questionsText->Bind(wxEVT_LEFT_UP, followCaret);
}

void WndMain::CustomQuestionPropertyCreator::DlgEditQuestions::checkQuestions() {
  std::vector<CustomQuestion> questions;
  const CustomQuestionParseResult result =
      parseCustomQuestions(questions, questionsText->GetValue().ToStdWstring());
  if (result.status == CustomQuestionParseResult::Error) {
    vixo::Prompt prompt;
    prompt.parent = this;
    prompt.caption = "Question editor problem";
    prompt.text = wxString::Format("Error in question in line %d:\n", result.line) +
                  wxString(result.message.c_str());
    prompt.style = wxOK | wxICON_ERROR;
    vixo::showPrompt(prompt);
    return;
  }
  EndModal(0);
}

void WndMain::CustomQuestionPropertyCreator::DlgEditQuestions::updateLineNumber() {
  // Positions count characters, and a line break is one character on this toolkit.
  const wxString text = questionsText->GetValue();
  const long caret = questionsText->GetInsertionPoint();
  long line = 1;
  for (long i = 0; i < caret && i < static_cast<long>(text.length()); ++i)
    if (text[static_cast<size_t>(i)] == '\n') ++line;
  lineNumberLabel->SetLabel(wxString::Format("%ld", line));
}

// ---------------------------------------------------------------- the help

WndMain::CustomQuestionPropertyCreator::DlgCustomQuestionHelp::DlgCustomQuestionHelp(
    wxWindow* parent)
    : DlgCustomQuestionHelpImpl(parent, wxID_ANY, "Custom question help", wxDefaultPosition,
                                wxSize(400, 338)) {
  const auto& samples = questionHelpTemplates();
  sampleChoice->Clear();
  for (const auto& [name, text] : samples) sampleChoice->Append(wxString::FromUTF8(name));
  sampleChoice->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) {
    const auto& samples = questionHelpTemplates();
    const int n = sampleChoice->GetSelection();
    if (n < 0 || static_cast<size_t>(n) >= samples.size()) return;
    sampleText->SetValue(wxString(samples[static_cast<size_t>(n)].second.c_str()));
  });
}
