#include "common/control_bindings.h"

#include <wx/font.h>
#include <wx/gauge.h>
#include <wx/menuitem.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/toolbar.h>

namespace connections {

// ---------------------------------------------------------------- two-way bindings

namespace {

// What differs between the controls of the two-way bindings: their change event, how a value
// is written without an event of the control's own, and the event run in its place.
template <class Control>
struct ControlTraits;

template <>
struct ControlTraits<wxTextCtrl> {
  static const auto& changed() { return wxEVT_TEXT; }
  static void write(wxTextCtrl* control, const wxString& value) {
    control->ChangeValue(value);  // SetValue would send the control's own event
  }
  static wxCommandEvent event() { return wxCommandEvent(wxEVT_TEXT, wxID_ANY); }
};

template <>
struct ControlTraits<wxSlider> {
  static const auto& changed() { return wxEVT_SLIDER; }
  static void write(wxSlider* control, int value) { control->SetValue(value); }
  static wxScrollEvent event() { return wxScrollEvent(wxEVT_SLIDER, wxID_ANY, 0, 0); }
};

template <>
struct ControlTraits<wxRadioButton> {
  static const auto& changed() { return wxEVT_RADIOBUTTON; }
  static void write(wxRadioButton* control, bool value) { control->SetValue(value); }
  static wxCommandEvent event() { return wxCommandEvent(wxEVT_RADIOBUTTON, wxID_ANY); }
};

}  // namespace

template <class Control, class T>
VarWxControl<Control, T>::VarWxControl(Control* control) : control(control) {
  control->Bind(ControlTraits<Control>::changed(), &VarWxControl::onControlChanged, this);
}

template <class Control, class T>
T VarWxControl<Control, T>::get() {
  return control->GetValue();
}

template <class Control, class T>
void VarWxControl<Control, T>::set(const T& value) {
  if (control->GetValue() == value) return;
  ControlTraits<Control>::write(control, value);
  auto event = ControlTraits<Control>::event();
  control->GetEventHandler()->ProcessEvent(event);
  this->updateDependents();
}

template <class Control, class T>
void VarWxControl<Control, T>::onControlChanged(wxCommandEvent& event) {
  this->updateDependents();
  event.Skip();  // the control's other handlers and its parents still see it
}

template class VarWxControl<wxTextCtrl, wxString>;
template class VarWxControl<wxSlider, int>;
template class VarWxControl<wxRadioButton, bool>;

VarWxGauge::VarWxGauge(wxGauge* control) : control(control) {}

int VarWxGauge::get() { return control->GetValue(); }

void VarWxGauge::set(const int& value) {
  if (control->GetValue() == value) return;
  control->SetValue(value);
  updateDependents();
}

NodePtr<Variable<wxString>> makeVarWxText(wxTextCtrl* control) {
  return makeNode<VarWxText>(control);
}
NodePtr<Variable<int>> makeVarWxSlider(wxSlider* control) { return makeNode<VarWxSlider>(control); }
NodePtr<Variable<bool>> makeVarWxRadio(wxRadioButton* control) {
  return makeNode<VarWxRadio>(control);
}
NodePtr<Variable<int>> makeVarWxGauge(wxGauge* control) { return makeNode<VarWxGauge>(control); }

// ---------------------------------------------------------------- sinks

WxEnableVar::WxEnableVar(wxWindow* window)
    : VariableMem<bool>(window->IsEnabled()), window(window) {}
void WxEnableVar::onChanged() { window->Enable(value.load()); }

WxMenuItemEnableVar::WxMenuItemEnableVar(wxMenuItem* item)
    : VariableMem<bool>(item->IsEnabled()), item(item) {}
void WxMenuItemEnableVar::onChanged() { item->Enable(value.load()); }

WxToolEnableVar::WxToolEnableVar(wxToolBarToolBase* tool)
    : VariableMem<bool>(tool->IsEnabled()), tool(tool) {}
void WxToolEnableVar::onChanged() { tool->GetToolBar()->EnableTool(tool->GetId(), value.load()); }

WxWindowShowVar::WxWindowShowVar(wxWindow* window, wxSizer* sizer)
    : VariableMem<bool>(window->IsShown()), window(window), sizer(sizer) {}
void WxWindowShowVar::onChanged() {
  window->Show(value.load());
  sizer->Layout();
}

WxSizerItemShowVar::WxSizerItemShowVar(wxSizer* child, wxSizer* outer)
    : WxSizerItemShowVar(outer->GetItem(child, true), outer) {}
WxSizerItemShowVar::WxSizerItemShowVar(wxSizerItem* item, wxSizer* outer)
    : VariableMem<bool>(item->IsShown()), item(item), outer(outer) {}
void WxSizerItemShowVar::onChanged() {
  item->Show(value.load());
  outer->Layout();
}

WxBoldVar::WxBoldVar(wxWindow* window)
    : VariableMem<bool>(window->GetFont().GetWeight() == wxFONTWEIGHT_BOLD), window(window) {}
void WxBoldVar::onChanged() {
  wxFont font = window->GetFont();
  font.SetWeight(value.load() ? wxFONTWEIGHT_BOLD : wxFONTWEIGHT_NORMAL);
  window->SetFont(font);
}

WxLabelVar::WxLabelVar(wxStaticText* text) : VariableMem<wxString>(text->GetLabel()), text(text) {}
void WxLabelVar::onChanged() { text->SetLabel(value.load()); }

WxBgColorVar::WxBgColorVar(wxWindow* window)
    : VariableMem<wxColour>(window->GetBackgroundColour()), window(window) {}
void WxBgColorVar::onChanged() {
  window->SetBackgroundColour(value.load());
  window->Refresh(true);
  window->Update();
}

NodePtr<Variable<bool>> makeWxEnableVar(wxWindow* window) { return makeNode<WxEnableVar>(window); }
NodePtr<Variable<bool>> makeWxMenuItemEnableVar(wxMenuItem* item) {
  return makeNode<WxMenuItemEnableVar>(item);
}
NodePtr<Variable<bool>> makeWxToolEnableVar(wxToolBarToolBase* tool) {
  return makeNode<WxToolEnableVar>(tool);
}
NodePtr<Variable<bool>> makeWxWindowShowVar(wxWindow* window, wxSizer* sizer) {
  return makeNode<WxWindowShowVar>(window, sizer);
}
NodePtr<Variable<bool>> makeWxSizerItemShowVar(wxSizer* child, wxSizer* outer) {
  return makeNode<WxSizerItemShowVar>(child, outer);
}
NodePtr<Variable<bool>> makeWxBoldVar(wxWindow* window) { return makeNode<WxBoldVar>(window); }
NodePtr<Variable<wxString>> makeWxLabelVar(wxStaticText* text) {
  return makeNode<WxLabelVar>(text);
}
NodePtr<Variable<wxColour>> makeWxBgColorVar(wxWindow* window) {
  return makeNode<WxBgColorVar>(window);
}

}  // namespace connections
