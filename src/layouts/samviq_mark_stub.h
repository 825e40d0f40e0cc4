// Layout of one SAMVIQ mark panel: a radio button named after the sequence over two lines of
// text, the mark and the previous mark.
//
// Builds the controls and nothing else; the SAMVIQ voting dialog's mark panel derives from it
// and keeps the texts up to date. GUI thread only.
#pragma once

#include <wx/panel.h>

class wxBoxSizer;
class wxRadioButton;
class wxStaticText;

class SAMVIQmarkStub : public wxPanel {
 public:
  SAMVIQmarkStub(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                 const wxSize& size = wxDefaultSize, long style = wxTAB_TRAVERSAL);

  wxBoxSizer* mainSizer = nullptr;
  wxRadioButton* sequenceRadio = nullptr;  // its parent is the panel itself
  wxStaticText* markLabel = nullptr;
  wxStaticText* oldMarkLabel = nullptr;
};
