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

VarWxText::VarWxText(wxTextCtrl* control) : control(control), window(control) {
  control->Bind(wxEVT_TEXT, &VarWxText::onControlChanged, this);
}

wxString VarWxText::get() { return control->GetValue(); }

void VarWxText::set(const wxString& value) {
  if (control->GetValue() == value) return;
  control->ChangeValue(value);  // the control itself sends no event for this
  wxCommandEvent event(wxEVT_TEXT, wxID_ANY);
  window->GetEventHandler()->ProcessEvent(event);
  updateDependents();
}

void VarWxText::onControlChanged(wxCommandEvent& event) {
  updateDependents();
  event.Skip();  // the control's other handlers and its parents still see it
}

VarWxSlider::VarWxSlider(wxSlider* control) : control(control) {
  control->Bind(wxEVT_SLIDER, &VarWxSlider::onControlChanged, this);
}

int VarWxSlider::get() { return control->GetValue(); }

void VarWxSlider::set(const int& value) {
  if (control->GetValue() == value) return;
  control->SetValue(value);
  wxScrollEvent event(wxEVT_SLIDER, wxID_ANY, 0, 0);
  control->GetEventHandler()->ProcessEvent(event);
  updateDependents();
}

void VarWxSlider::onControlChanged(wxCommandEvent& event) {
  updateDependents();
  event.Skip();
}

VarWxRadio::VarWxRadio(wxRadioButton* control) : control(control) {
  control->Bind(wxEVT_RADIOBUTTON, &VarWxRadio::onControlChanged, this);
}

bool VarWxRadio::get() { return control->GetValue(); }

void VarWxRadio::set(const bool& value) {
  if (control->GetValue() == value) return;
  control->SetValue(value);
  wxCommandEvent event(wxEVT_RADIOBUTTON, wxID_ANY);
  control->GetEventHandler()->ProcessEvent(event);
  updateDependents();
}

void VarWxRadio::onControlChanged(wxCommandEvent& event) {
  updateDependents();
  event.Skip();
}

VarWxGauge::VarWxGauge(wxGauge* control) : control(control) {}

int VarWxGauge::get() { return control->GetValue(); }

void VarWxGauge::set(const int& value) {
  if (control->GetValue() == value) return;
  control->SetValue(value);
  updateDependents();
}

NodePtr<Variable<wxString>> makeVarWxText(wxTextCtrl* control) {
  return adopt(new VarWxText(control));
}
NodePtr<Variable<int>> makeVarWxSlider(wxSlider* control) {
  return adopt(new VarWxSlider(control));
}
NodePtr<Variable<bool>> makeVarWxRadio(wxRadioButton* control) {
  return adopt(new VarWxRadio(control));
}
NodePtr<Variable<int>> makeVarWxGauge(wxGauge* control) { return adopt(new VarWxGauge(control)); }

// ---------------------------------------------------------------- sinks

WxEnableVar::WxEnableVar(wxWindow* window) : VariableMem<bool>(window->IsEnabled()), window(window) {}
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
    : VariableMem<bool>(outer->GetItem(child, true)->IsShown()),
      item(outer->GetItem(child, true)),
      outer(outer) {}
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

NodePtr<Variable<bool>> makeWxEnableVar(wxWindow* window) { return adopt(new WxEnableVar(window)); }
NodePtr<Variable<bool>> makeWxMenuItemEnableVar(wxMenuItem* item) {
  return adopt(new WxMenuItemEnableVar(item));
}
NodePtr<Variable<bool>> makeWxToolEnableVar(wxToolBarToolBase* tool) {
  return adopt(new WxToolEnableVar(tool));
}
NodePtr<Variable<bool>> makeWxWindowShowVar(wxWindow* window, wxSizer* sizer) {
  return adopt(new WxWindowShowVar(window, sizer));
}
NodePtr<Variable<bool>> makeWxSizerItemShowVar(wxSizer* child, wxSizer* outer) {
  return adopt(new WxSizerItemShowVar(child, outer));
}
NodePtr<Variable<bool>> makeWxBoldVar(wxWindow* window) { return adopt(new WxBoldVar(window)); }
NodePtr<Variable<wxString>> makeWxLabelVar(wxStaticText* text) {
  return adopt(new WxLabelVar(text));
}
NodePtr<Variable<wxColour>> makeWxBgColorVar(wxWindow* window) {
  return adopt(new WxBgColorVar(window));
}

}  // namespace connections
