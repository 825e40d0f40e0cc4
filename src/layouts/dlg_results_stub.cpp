#include "layouts/dlg_results_stub.h"

#include <wx/button.h>
#include <wx/dataview.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "layouts/layout_rows.h"

namespace {

// The columns are inert, of the default width, left-aligned and resizable.
wxDataViewColumn* appendTextColumn(wxDataViewListCtrl* list, const wxString& title) {
  return list->AppendTextColumn(title, wxDATAVIEW_CELL_INERT, -1, wxALIGN_LEFT,
                                wxDATAVIEW_COL_RESIZABLE);
}

// A notebook page: a panel whose list fills it below a gap of 5 pixels.
wxPanel* newListPage(wxWindow* notebook, wxDataViewListCtrl** list) {
  auto* page = new wxPanel(notebook, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL);
  *list = new wxDataViewListCtrl(page, wxID_ANY, wxDefaultPosition, wxDefaultSize, 0);
  return page;
}

void finishListPage(wxPanel* page, wxDataViewListCtrl* list) {
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(list, 1, wxEXPAND | wxTOP, 5);
  finishPanel(page, sizer);
}

}  // namespace

DlgResultsStub::DlgResultsStub(wxWindow* parent, wxWindowID id, const wxString& title,
                               const wxPoint& pos, const wxSize& size, long style)
    : wxDialog(parent, id, title, pos, size, style) {
  SetSizeHints(wxDefaultSize, wxDefaultSize);

  auto* mainSizer = new wxBoxSizer(wxVERTICAL);
  // The toolkit's flat notebook style served only one old platform and is gone; tabs at the top.
  resultsNotebook = new wxNotebook(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxNB_DEFAULT);

  passesPanel = newListPage(resultsNotebook, &passList);
  machineColumn = appendTextColumn(passList, "Machine");
  passExpertColumn = appendTextColumn(passList, "Expert");
  startTimeColumn = appendTextColumn(passList, "Start time");
  passedColumn = passList->AppendIconTextColumn("Passed", wxDATAVIEW_CELL_INERT, -1, wxALIGN_LEFT,
                                                wxDATAVIEW_COL_RESIZABLE);
  finishListPage(passesPanel, passList);
  resultsNotebook->AddPage(passesPanel, "Information about passes", true, -1);

  resultTablePanel = newListPage(resultsNotebook, &resultList);
  testTimeColumn = appendTextColumn(resultList, "Test time");
  resultExpertColumn = appendTextColumn(resultList, "Expert");
  valueIdColumn = appendTextColumn(resultList, "Value id");
  screeningColumn = appendTextColumn(resultList, "Screening");
  finishListPage(resultTablePanel, resultList);
  resultsNotebook->AddPage(resultTablePanel, "Result table", false, -1);
  mainSizer->Add(resultsNotebook, 1, wxEXPAND | wxALL, 5);

  auto* bottomRowSizer = new wxBoxSizer(wxHORIZONTAL);
  warningPicture =
      new wxStaticBitmap(this, wxID_ANY, wxNullBitmap, wxDefaultPosition, wxSize(16, 16), 0);
  bottomRowSizer->Add(warningPicture, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 5);
  warningLabel = newLabel(this, wxEmptyString);
  bottomRowSizer->Add(warningLabel, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 5);
  bottomRowSizer->Add(0, 0, 1, wxEXPAND, 5);
  exportCsvButton = new wxButton(this, wxID_ANY, "Export results as CSV");
  bottomRowSizer->Add(exportCsvButton, 0, wxALIGN_CENTER_VERTICAL | wxBOTTOM | wxLEFT, 5);
  okButton = new wxButton(this, wxID_ANY, "OK");
  okButton->SetDefault();
  bottomRowSizer->Add(okButton, 0, wxALIGN_CENTER_VERTICAL | wxBOTTOM | wxLEFT | wxRIGHT, 5);
  mainSizer->Add(bottomRowSizer, 0, wxEXPAND, 5);

  SetSizer(mainSizer);
  Layout();
  Centre(wxBOTH);
}
