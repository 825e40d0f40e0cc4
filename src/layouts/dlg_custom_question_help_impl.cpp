#include "layouts/dlg_custom_question_help_impl.h"

#include <wx/choice.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>

#include "layouts/layout_rows.h"

DlgCustomQuestionHelpImpl::DlgCustomQuestionHelpImpl(wxWindow* parent, wxWindowID id,
                                                     const wxString& title, const wxPoint& pos,
                                                     const wxSize& size, long style)
    : wxDialog(parent, id, title, pos, size, style) {
  SetSizeHints(wxDefaultSize, wxDefaultSize);

  auto* mainSizer = new wxBoxSizer(wxVERTICAL);
  rulesLabel =
      newLabel(this,
               "1. Specify question wording in first line\n"
               "2. Specify answer choices, each on separate line\n"
               "3. Specify rank as floating-point number in the beginning of choice line\n"
               "4. In case of multiple questions, leave an empty string between questions\n"
               "5. If you want to specify identifier for question, place it in [[...]] "
               "before question wording (in same line)",
               0, 400);
  // At least 130 pixels high, and never lower than its wrapped lines need (a larger font than
  // the designer's needs more).
  rulesLabel->SetMinSize(wxSize(-1, std::max(130, rulesLabel->GetBestSize().y)));
  mainSizer->Add(rulesLabel, 0, wxALL, 5);

  // Neither wxEXPAND nor a border side: the row is as wide as its content, so the spacer gets
  // no room and the choice stands right after its caption.
  auto* sampleRowSizer = new wxBoxSizer(wxHORIZONTAL);
  chooseSampleLabel = newLabel(this, "Choose sample:");
  sampleRowSizer->Add(chooseSampleLabel, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
  sampleRowSizer->Add(0, 0, 1, wxEXPAND, 5);
  sampleChoice = new wxChoice(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, 0, nullptr, 0);
  sampleChoice->SetSelection(0);  // nothing to select yet: the dialog fills the list
  sampleRowSizer->Add(sampleChoice, 0, wxALL, 5);
  mainSizer->Add(sampleRowSizer, 0, 0, 5);

  sampleText = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                              wxTE_MULTILINE | wxTE_READONLY);
  sampleText->SetMinSize(wxSize(-1, 150));
  mainSizer->Add(sampleText, 0, wxEXPAND | wxBOTTOM | wxRIGHT | wxLEFT, 5);

  SetSizer(mainSizer);
  // The dialog has no resize border: where its content needs more than the size it is given,
  // it grows to show all of it.
  wxSize fitting = GetSize();
  fitting.IncTo(mainSizer->ComputeFittingWindowSize(this));
  SetSize(fitting);
  Layout();
  Centre(wxBOTH);
}
