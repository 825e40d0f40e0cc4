#include "layouts/samviq_mark_stub.h"

#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "layouts/layout_rows.h"

SAMVIQmarkStub::SAMVIQmarkStub(wxWindow* parent, wxWindowID id, const wxPoint& pos,
                               const wxSize& size, long style)
    : wxPanel(parent, id, pos, size, style) {
  mainSizer = new wxBoxSizer(wxVERTICAL);
  sequenceRadio = new wxRadioButton(this, wxID_ANY, "W", wxDefaultPosition, wxDefaultSize, 0);
  sequenceRadio->SetMinSize(wxSize(40, -1));
  mainSizer->Add(sequenceRadio, 0, wxLEFT | wxRIGHT | wxBOTTOM | wxALIGN_CENTER_HORIZONTAL, 5);
  markLabel = newLabel(this, "mark not set", wxALIGN_CENTRE);
  mainSizer->Add(markLabel, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 5);
  oldMarkLabel = newLabel(this, "old mark 100", wxALIGN_CENTRE);
  mainSizer->Add(oldMarkLabel, 0, wxEXPAND | wxLEFT | wxRIGHT, 5);
  finishPanel(this, mainSizer);
}
