#include "player/dlg_voting_samviq.h"

#include <wx/button.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/stattext.h>

#include <algorithm>
#include <functional>
#include <string>

#include "common/control_bindings.h"
#include "player/run_dialog.h"
#include "task/custom_question.h"

namespace {

wxString markText(const char* prefix, int mark) { return prefix + std::to_string(mark); }

// The size that fits the widest and the tallest of the texts in the label's font.
wxSize fitting(wxStaticText* label, std::initializer_list<const char*> texts) {
  wxSize size(0, 0);
  for (const char* text : texts) {
    const wxSize extent = label->GetTextExtent(text);
    size.x = std::max(size.x, extent.x);
    size.y = std::max(size.y, extent.y);
  }
  return size;
}

// The two-way variable of a radio button that is alone in its group. GTK cannot turn such a
// button off, so the panel has a hidden second button in the group, which is turned on instead.
class LoneRadioVar : public connections::VarWxRadio {
 public:
  LoneRadioVar(wxRadioButton* radio, wxRadioButton* off)
      : connections::VarWxRadio(radio), off(off) {
    off->SetValue(true);  // a new group starts with its first button on
  }
  void set(const bool& value) override {
    if (control->GetValue() == value) return;
    (value ? control : off)->SetValue(true);
    wxCommandEvent event(wxEVT_RADIOBUTTON, wxID_ANY);
    control->GetEventHandler()->ProcessEvent(event);
    updateDependents();
  }

  wxRadioButton* off;
};

}  // namespace

DlgVotingSAMVIQ::SAMVIQmark::SAMVIQmark(wxWindow* parent,
                                        const connections::VariableMemPtr<int>& selected,
                                        int position, int mark)
    : SAMVIQmarkStub(parent), mark(mark), oldMark(mark) {
  sequenceRadio->SetLabel(wxString::FromUTF8(variantLabel(position)));
  sequenceRadio->SetMinSize(wxDefaultSize);
  sequenceRadio->SetMinSize(sequenceRadio->GetBestSize());
  if (position < 0) {
    markLabel->SetLabel(wxEmptyString);
  } else {
    markLabel->SetLabel(mark < 0 ? wxString("mark not set") : markText("mark: ", mark));
  }
  oldMarkLabel->SetLabel(wxEmptyString);
  // The panel keeps its size whatever the texts say.
  const wxSize markSize = fitting(markLabel, {"new mark: 100", "mark not set"});
  markLabel->SetSize(markSize);
  markLabel->SetMinSize(markSize);
  const wxSize oldSize = fitting(oldMarkLabel, {"old mark: 100"});
  oldMarkLabel->SetSize(oldSize);
  oldMarkLabel->SetMinSize(oldSize);

  auto* off = new wxRadioButton(this, wxID_ANY, wxEmptyString);
  off->Hide();
  auto radio =
      connections::holdBinding(connections::NodePtr<connections::Variable<bool>>(
                                   connections::makeNode<LoneRadioVar>(sequenceRadio, off)),
                               bindings);
  radio->assign(selected == connections::makeConstant(position));
  sequenceRadio->Bind(wxEVT_RADIOBUTTON, [this, selected, position](wxCommandEvent& event) {
    if (sequenceRadio->GetValue()) selected->set(position);
    event.Skip();
  });
  Layout();
  Fit();
}

DlgVotingSAMVIQ::DlgVotingSAMVIQ(wxWindow* parent, TestInterrupter* interrupter,
                                 const std::vector<int>& order, std::map<int, int>& marks,
                                 int current, bool lastGroup)
    : DlgVotingSAMVIQstub(parent, wxID_ANY, "Give your mark (SAMVIQ method)"),
      selected(connections::makeVariableMem(-1)),
      selectedHasMark(connections::makeVariableMem(false)),
      editing(connections::makeVariableMem(false)),
      sequences(&order),
      marks(&marks) {
  using connections::holdBinding;
  nextButton->SetLabel(lastGroup ? "Finish task" : "Next step");

  referencePanel = new SAMVIQmark(this, selected, -1, 0);
  referenceSizer->Add(referencePanel);

  holdBinding(connections::makeWxLabelVar(currentSequenceValueLabel), bindings)
      ->assign(connections::makeFunctor(std::function<wxString(int)>([](int position) {
                                          return wxString::FromUTF8(variantLabel(position));
                                        }),
                                        selected));

  bool allDone = true;
  for (size_t i = 0; i < order.size(); ++i) {
    const int position = static_cast<int>(i);
    const auto found = marks.find(order[i]);
    const int m = found == marks.end() ? -1 : found->second;
    auto* panel = new SAMVIQmark(this, selected, position, m);
    markPanels.push_back(panel);
    sequenceGridSizer->Add(panel, 0, wxEXPAND);
    if (position == current) {
      if (m < 0) {
        marks[order[i]] = 50;
        // The sequence's mark is now the one the map holds, so that ending the change shows
        // it, not the "no mark" placeholder.
        panel->mark = 50;
      }
      startChange(position);
    }
    if (m < 0 && position != current) allDone = false;
  }
  nextButton->Enable(allDone);

  selectedHasMark->assign(connections::makeFunctor(std::function<bool(int)>([this](int p) {
                                                     if (p < 0 ||
                                                         p >= static_cast<int>(sequences->size()))
                                                       return false;
                                                     const int sequence = (*sequences)[p];
                                                     return this->marks->count(sequence) > 0;
                                                   }),
                                                   selected));
  selected->set(current);

  holdBinding(connections::makeListener(connections::makeFunctor(
                  std::function<void(int)>([this](int p) { onSelected(p); }), selected)),
              bindings);
  auto slider = holdBinding(connections::makeVarWxSlider(markSlider), bindings);
  holdBinding(connections::makeListener(connections::makeFunctor(
                  std::function<void(int)>([this](int v) { setMark(v); }), slider)),
              bindings);

  holdBinding(connections::makeWxEnableVar(markSlider), bindings)->assign(editing);
  holdBinding(connections::makeWxEnableVar(changeMarkButton), bindings)->assign(selectedHasMark);

  watchVideoButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
    buttonPressed = true;
    EndModal(0);
  });
  nextButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
    nextStep = true;
    buttonPressed = true;
    EndModal(0);
  });
  changeMarkButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { startChange(selected->get()); });
  bindRunDialogClose(*this, buttonPressed, interrupter);

  Layout();
  Fit();
}

void DlgVotingSAMVIQ::startChange(int position) {
  editing->set(true);
  changingPosition = position;
}

void DlgVotingSAMVIQ::endChange() {
  if (changingPosition < 0) return;
  editing->set(false);
  SAMVIQmark* panel = markPanels[changingPosition];
  panel->markLabel->SetLabel(markText("mark: ", panel->mark));
  panel->oldMarkLabel->SetLabel(wxEmptyString);
  panel->Layout();
  changingPosition = -1;
}

void DlgVotingSAMVIQ::onSelected(int position) {
  if (position >= 0 && position < static_cast<int>(sequences->size())) {
    const auto found = marks->find((*sequences)[position]);
    markSlider->SetValue(found == marks->end() ? 50 : found->second);
  }
  endChange();
}

void DlgVotingSAMVIQ::setMark(int value) {
  if (changingPosition < 0) return;
  SAMVIQmark* panel = markPanels[changingPosition];
  panel->mark = value;
  panel->markLabel->SetLabel(markText("new mark: ", value));
  if (panel->oldMark >= 0) panel->oldMarkLabel->SetLabel(markText("old mark: ", panel->oldMark));
  panel->Layout();
  (*marks)[(*sequences)[changingPosition]] = value;
}
