// Layout of the "Test results" dialog: a notebook with a page of the task's passes and a page
// with the result table, a warning picture and text under it, and the buttons "Export results
// as CSV" and "OK".
//
// Builds the controls and nothing else; the results dialog derives from it, fills both lists,
// shows the warning and exports the table. GUI thread only.
#pragma once

#include <wx/dialog.h>

class wxButton;
class wxDataViewColumn;
class wxDataViewListCtrl;
class wxNotebook;
class wxPanel;
class wxStaticBitmap;
class wxStaticText;

class DlgResultsStub : public wxDialog {
 public:
  DlgResultsStub(wxWindow* parent, wxWindowID id = wxID_ANY, const wxString& title = "Test results",
                 const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxSize(546, 358),
                 long style = wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER | wxMAXIMIZE_BOX |
                              wxMINIMIZE_BOX);

  wxNotebook* resultsNotebook = nullptr;
  wxPanel* passesPanel = nullptr;
  wxDataViewListCtrl* passList = nullptr;
  wxDataViewColumn* machineColumn = nullptr;
  wxDataViewColumn* passExpertColumn = nullptr;
  wxDataViewColumn* startTimeColumn = nullptr;
  wxDataViewColumn* passedColumn = nullptr;  // icon and text
  wxPanel* resultTablePanel = nullptr;
  wxDataViewListCtrl* resultList = nullptr;
  wxDataViewColumn* testTimeColumn = nullptr;
  wxDataViewColumn* resultExpertColumn = nullptr;
  wxDataViewColumn* valueIdColumn = nullptr;
  wxDataViewColumn* screeningColumn = nullptr;
  wxStaticBitmap* warningPicture = nullptr;  // 16 x 16 even while empty
  wxStaticText* warningLabel = nullptr;
  wxButton* exportCsvButton = nullptr;
  wxButton* okButton = nullptr;
};
