#include "layouts/dlg_messages_stub.h"

#include <wx/button.h>
#include <wx/dataview.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "layouts/layout_rows.h"

DlgMessagesStub::DlgMessagesStub(wxWindow* parent, wxWindowID id, const wxString& title,
                                 const wxPoint& pos, const wxSize& size, long style)
    : wxDialog(parent, id, title, pos, size, style) {
  SetSizeHints(wxDefaultSize, wxDefaultSize);

  auto* mainSizer = new wxBoxSizer(wxVERTICAL);
  messagesPanel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL);
  auto* panelSizer = new wxBoxSizer(wxVERTICAL);
  messageList = new wxDataViewListCtrl(messagesPanel, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                       wxDV_NO_HEADER);
  messageColumn = messageList->AppendIconTextColumn("Message", wxDATAVIEW_CELL_INERT, -1,
                                                    wxALIGN_LEFT, wxDATAVIEW_COL_RESIZABLE);
  panelSizer->Add(messageList, 1, wxEXPAND | wxALL, 5);

  auto* bottomRowSizer = new wxBoxSizer(wxHORIZONTAL);
  summaryLabel = newLabel(messagesPanel, "MyLabel");
  bottomRowSizer->Add(summaryLabel, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 5);
  bottomRowSizer->Add(0, 0, 1, wxEXPAND, 5);
  okButton = new wxButton(messagesPanel, wxID_ANY, "OK");
  okButton->SetDefault();
  bottomRowSizer->Add(okButton, 0, wxALIGN_CENTER_VERTICAL | wxBOTTOM | wxLEFT | wxRIGHT, 5);
  panelSizer->Add(bottomRowSizer, 0, wxEXPAND, 5);
  finishPanel(messagesPanel, panelSizer);
  mainSizer->Add(messagesPanel, 1, wxEXPAND, 5);

  SetSizer(mainSizer);
  Layout();
  Centre(wxBOTH);
}
