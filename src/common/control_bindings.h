// Controls bound to nodes. A two-way binding is a variable whose value is the control's value,
// so expressions can be built over what the user enters; a sink is a variable whose every
// change is pushed into a property of a control, so the control follows an expression bound
// to it with assign().
//
// GUI thread only: bindings are made, read, set and destroyed there, and the expressions that
// feed a sink must change only there. A binding must not outlive its control.
#pragma once

#include <wx/event.h>
#include <wx/string.h>

#include "common/variable.h"
#include "common/wx_values.h"

class wxTextCtrl;
class wxSlider;
class wxRadioButton;
class wxGauge;
class wxWindow;
class wxMenuItem;
class wxToolBarToolBase;
class wxSizer;
class wxSizerItem;
class wxStaticText;

namespace connections {

// ---------------------------------------------------------------- two-way bindings

// Setting a different value writes it into the control, runs the control's change event
// through it (identifier -1) and notifies the dependents; a change by the user notifies them
// through the control's own event, which is passed on to the control's other handlers.
// Its members are instantiated in the .cpp, for the three controls below only.
template <class Control, class T>
class VarWxControl : public wxEvtHandler, public Variable<T> {
 public:
  explicit VarWxControl(Control* control);
  T get() override;
  void set(const T& value) override;
  void onControlChanged(wxCommandEvent& event);

  Control* control;
};

using VarWxText = VarWxControl<wxTextCtrl, wxString>;
using VarWxSlider = VarWxControl<wxSlider, int>;
using VarWxRadio = VarWxControl<wxRadioButton, bool>;

// Setting moves the gauge and notifies once; a gauge sends no events.
class VarWxGauge : public Variable<int> {
 public:
  explicit VarWxGauge(wxGauge* control);
  int get() override;
  void set(const int& value) override;

  wxGauge* control;
};

NodePtr<Variable<wxString>> makeVarWxText(wxTextCtrl* control);
NodePtr<Variable<int>> makeVarWxSlider(wxSlider* control);
NodePtr<Variable<bool>> makeVarWxRadio(wxRadioButton* control);
NodePtr<Variable<int>> makeVarWxGauge(wxGauge* control);

// ---------------------------------------------------------------- sinks

// Each sink starts with its target's state, read once when it is made; nothing is pushed
// then. A change of its value is pushed into the target before any dependent is notified.

class WxEnableVar : public VariableMem<bool> {
 public:
  explicit WxEnableVar(wxWindow* window);
  void onChanged() override;
  wxWindow* window;
};

class WxMenuItemEnableVar : public VariableMem<bool> {
 public:
  explicit WxMenuItemEnableVar(wxMenuItem* item);
  void onChanged() override;
  wxMenuItem* item;
};

class WxToolEnableVar : public VariableMem<bool> {
 public:
  explicit WxToolEnableVar(wxToolBarToolBase* tool);
  void onChanged() override;
  wxToolBarToolBase* tool;
};

// Shows or hides the window, then lays out the sizer so that the space opens or closes.
class WxWindowShowVar : public VariableMem<bool> {
 public:
  WxWindowShowVar(wxWindow* window, wxSizer* sizer);
  void onChanged() override;
  wxWindow* window;
  wxSizer* sizer;
};

// Shows or hides the item of the outer sizer (searched in nested sizers too) that holds the
// child sizer, then lays out the outer sizer.
class WxSizerItemShowVar : public VariableMem<bool> {
 public:
  WxSizerItemShowVar(wxSizer* child, wxSizer* outer);
  void onChanged() override;
  wxSizerItem* item;
  wxSizer* outer;

 private:
  // Takes the item the public constructor found, so that the sizers are searched once.
  WxSizerItemShowVar(wxSizerItem* item, wxSizer* outer);
};

// Bold (weight 700) or normal (400); the font's other attributes stay.
class WxBoldVar : public VariableMem<bool> {
 public:
  explicit WxBoldVar(wxWindow* window);
  void onChanged() override;
  wxWindow* window;
};

class WxLabelVar : public VariableMem<wxString> {
 public:
  explicit WxLabelVar(wxStaticText* text);
  void onChanged() override;
  wxStaticText* text;
};

// Sets the background colour and repaints the window at once.
class WxBgColorVar : public VariableMem<wxColour> {
 public:
  explicit WxBgColorVar(wxWindow* window);
  void onChanged() override;
  wxWindow* window;
};

NodePtr<Variable<bool>> makeWxEnableVar(wxWindow* window);
NodePtr<Variable<bool>> makeWxMenuItemEnableVar(wxMenuItem* item);
NodePtr<Variable<bool>> makeWxToolEnableVar(wxToolBarToolBase* tool);
NodePtr<Variable<bool>> makeWxWindowShowVar(wxWindow* window, wxSizer* sizer);
NodePtr<Variable<bool>> makeWxSizerItemShowVar(wxSizer* child, wxSizer* outer);
NodePtr<Variable<bool>> makeWxBoldVar(wxWindow* window);
NodePtr<Variable<wxString>> makeWxLabelVar(wxStaticText* text);
NodePtr<Variable<wxColour>> makeWxBgColorVar(wxWindow* window);

}  // namespace connections
