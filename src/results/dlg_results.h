// The editor's view of a task's results, "Test results": the passes that the results monitor
// has found, finished or running, and the table of the finished passes' answers (one row per
// pass, observer and value id, one column per file, the pair matrix and the summary rows), with
// the export of that table as a CSV file.
//
// Threads: the dialog belongs to the GUI thread. While it is shown it is subscribed to the
// monitor; its subscriber runs on the monitor's thread, reads the result files of newly finished
// passes there (loadNewResults: the loaded set and the pending queue) and posts the refresh of
// both lists to the dialog. Only the pending queue is shared, under its mutex. The destructor
// ends the subscription before anything else goes, so no subscriber call outlives the dialog;
// a refresh posted before that is dropped with the window. The monitor must outlive the dialog.
#pragma once

#include <wx/icon.h>

#include <list>
#include <map>
#include <mutex>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "common/event_getter.h"
#include "layouts/dlg_results_stub.h"
#include "results/result_statistics.h"
#include "results/results_monitor.h"

class wxVariant;

class DlgResults : public DlgResultsStub, public ResultStatistics {
 public:
  // Fills both pages from the monitor's current passes; subscribes once it is shown.
  // inProgressIcon marks running passes in the pass list.
  DlgResults(wxWindow* parent, ResultsMonitor& monitor, const wxIcon& inProgressIcon);
  ~DlgResults() override;

  // Asks for a file ("Save CSV") and writes the result table there as CSV. False after a
  // failed write (the "Saving problem" box was shown and the file under the chosen name is as
  // it was); true after a write or a cancelled choice.
  bool exportCsv();
  // The result table as CSV: the column titles, then every row from the top, each line ended
  // by a line feed; cells are UTF-8, quoted by csvQuote.
  void writeCsv(std::ostream& out) const;

  // One finished pass's answers, read on the monitor's thread for the GUI thread.
  struct LoadedPass {
    std::string passId;
    std::string startTime;
    // By (expert, value id), each group's (file, value) in the order of the result file.
    std::map<std::pair<std::wstring, std::wstring>, std::vector<std::pair<std::wstring, float>>>
        singleResults;
    std::vector<std::tuple<std::wstring, std::wstring, double>> pairResults;  // file 1, file 2
    // The observers of the pair answers: they took part as much as those of single answers.
    std::set<std::wstring> pairExperts;
  };

 private:
  // Reads the result files of finished passes not loaded yet into the pending queue. On the
  // GUI thread in the constructor, afterwards only on the monitor's thread.
  void loadNewResults();
  // GUI thread: the pending passes into the table, the statistics and the warning.
  void updateResultTable();
  // GUI thread: the monitor's passes into the pass list; rows keep their places.
  void updatePassList();
  void onInitDialog();

  int fileColumn(const std::wstring& file);
  int addFileColumn(const std::wstring& file);
  int pairRow(const std::wstring& file);
  int summaryRow(size_t statistic);
  void showWarning(bool show, const wxString& text);
  void setCell(int row, int column, const std::string& text);

  ResultsMonitor* monitor_;

  // --- guarded by pendingMutex_
  std::mutex pendingMutex_;
  std::list<LoadedPass> pending_;

  // --- loadNewResults only (the constructor, then the monitor's thread)
  std::set<std::string> loaded_;

  // --- GUI thread only
  std::map<std::wstring, int> columns_;   // file to its column
  std::map<std::wstring, int> pairRows_;  // file to its pair row, counted below the summary rows
  std::map<std::string, int> passRows_;   // pass id to its row in the pass list
  ConfInterval95Calculator calculator_;
  ConfIntervalDisplayer mean_{&calculator_, ConfIntervalDisplayer::Mean};
  ConfIntervalDisplayer lower_{&calculator_, ConfIntervalDisplayer::Lower95};
  ConfIntervalDisplayer upper_{&calculator_, ConfIntervalDisplayer::Upper95};
  ConfIntervalDisplayer stdDev_{&calculator_, ConfIntervalDisplayer::StdDev};
  BradleyTerryCalculator bradleyTerry_;
  std::vector<AverageCalculator*> accumulators_{&calculator_};
  std::vector<const AverageDisplayer*> statistics_{&mean_, &lower_, &upper_, &stdDev_,
                                                   &bradleyTerry_};
  std::vector<int> summaryRows_ = std::vector<int>(statistics_.size(), -1);
  int summaryRowCount_ = 0;
  int firstFileColumn_;
  std::set<std::wstring> experts_;  // every observer whose answers were loaded
  wxIcon inProgressIcon_;
  wxIcon finishedIcon_;

  EventGetter eventGetter_{this};
  std::optional<ResultsMonitor::Subscription> subscription_;
};

// The editor's commands over its monitor, each with a dialog of its own that is destroyed
// afterwards: "View results" shows it modally; "Export results as CSV" runs its export without
// showing it (and returns what exportCsv returned).
void showResults(wxWindow* parent, ResultsMonitor& monitor, const wxIcon& inProgressIcon);
bool exportResultsCsv(wxWindow* parent, ResultsMonitor& monitor, const wxIcon& inProgressIcon);
