#include "results/dlg_results.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/dataview.h>
#include <wx/filedlg.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include <cmath>
#include <sstream>

#include "avifile/avi_system.h"
#include "common/dialog_place.h"
#include "common/prompt.h"
#include "results/archive_import.h"
#include "results/result_texts.h"

namespace {

constexpr int kWarnBelowExperts = 15;
const char kWarningText[] = "ITU-R BT.500 recommends at least 15 experts to pass test";
const char kPairRowLabel[] = "[Pair results]";

wxString fromNarrow(const std::string& text) { return wxString::FromUTF8(text); }

// A text that is not valid Unicode becomes an empty cell.
std::string toNarrow(const wxString& text) { return toUtf8(text.ToStdWstring()); }

// A row of the result table as the list control takes it.
wxVector<wxVariant> rowValues(const std::vector<wxString>& cells) {
  wxVector<wxVariant> values;
  for (const wxString& cell : cells) values.push_back(wxVariant(cell));
  return values;
}

}  // namespace

DlgResults::DlgResults(wxWindow* parent, ResultsMonitor& monitor, const wxIcon& inProgressIcon)
    : DlgResultsStub(parent, wxID_ANY, "Test results", wxDefaultPosition, wxSize(546, 358)),
      monitor_(&monitor),
      firstFileColumn_(static_cast<int>(resultList->GetColumnCount())),
      inProgressIcon_(inProgressIcon),
      finishedIcon_(wxArtProvider::GetIcon(wxART_TICK_MARK, wxART_MENU)) {
  loadNewResults();
  updateResultTable();
  updatePassList();
  Bind(wxEVT_INIT_DIALOG, [this](wxInitDialogEvent& event) {
    onInitDialog();
    event.Skip();
  });
  okButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
    if (IsModal()) EndModal(0);
  });
  exportCsvButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { exportCsv(); });
  // Esc closes the dialog as "OK" does.
  SetEscapeId(okButton->GetId());
  vixo::growToFitControls(this);
}

DlgResults::~DlgResults() {
  // First of all: once this returns, the monitor calls nothing of this dialog.
  if (subscription_) monitor_->unsubscribe(*subscription_);
}

void DlgResults::onInitDialog() {
  if (subscription_) return;
  subscription_ = monitor_->subscribe([this, post = eventGetter_.helper()] {
    loadNewResults();
    EventGetterSetterHelper::post(post, [this] {
      updateResultTable();
      updatePassList();
    });
  });
}

void DlgResults::loadNewResults() {
  for (const PassHeader& header : monitor_->passes()) {
    if (!header.finished || loaded_.count(header.id)) continue;
    const TestResults results = readResultFile(monitor_->taskPath(), header.id);
    // Nothing is remembered of a pass without answers: its file is read again next time.
    if (results.singles.empty() && results.pairs.empty()) continue;
    LoadedPass pass;
    pass.passId = header.id;
    pass.startTime = startTimeText(header.start);
    for (const auto& [key, value] : results.singles)
      pass.singleResults[{key.expert, key.id}].emplace_back(key.file, value);
    for (const auto& [key, value] : results.pairs) {
      pass.pairResults.emplace_back(key.file1, key.file2, static_cast<double>(value));
      pass.pairExperts.insert(key.expert);
    }
    {
      std::lock_guard lock(pendingMutex_);
      pending_.push_back(std::move(pass));
    }
    loaded_.insert(header.id);
  }
}

void DlgResults::updateResultTable() {
  std::list<LoadedPass> passes;
  {
    std::lock_guard lock(pendingMutex_);
    passes.swap(pending_);
  }
  bool fitDue = false;
  for (const LoadedPass& pass : passes) {
    for (const auto& [group, answers] : pass.singleResults) {
      std::vector<wxString> cells(resultList->GetColumnCount());
      cells[0] = fromNarrow(pass.startTime);
      cells[1] = group.first;
      cells[2] = group.second;
      for (const auto& [file, value] : answers) {
        const int column = fileColumn(file);
        cells.resize(resultList->GetColumnCount());
        cells[static_cast<size_t>(column)] = fromNarrow(fixedText(value));
        for (AverageCalculator* accumulator : accumulators_)
          accumulator->add(column - firstFileColumn_, value);
      }
      resultList->AppendItem(rowValues(cells));
      experts_.insert(group.first);
    }
    if (!pass.pairResults.empty()) fitDue = true;
    for (const auto& [file1, file2, value] : pass.pairResults) {
      const int column1 = fileColumn(file1);
      const int column2 = fileColumn(file2);
      const int row1 = pairRow(file1);
      const int row2 = pairRow(file2);
      const PairComparison comparison = comparisonOfPairAnswer(
          column1 - firstFileColumn_, column2 - firstFileColumn_, static_cast<float>(value));
      const double total =
          bradleyTerry_.addComparison(comparison.winner, comparison.loser, comparison.weight);
      setCell(row2, column1, fixedText(total));
      setCell(row1, column2, fixedText(total));
    }
    experts_.insert(pass.pairExperts.begin(), pass.pairExperts.end());
  }
  if (fitDue) bradleyTerry_.fit();

  const int columns = static_cast<int>(resultList->GetColumnCount());
  for (size_t i = 0; i < statistics_.size(); ++i) {
    if (!statistics_[i]->valid()) continue;
    const int row = summaryRow(i);
    for (int column = firstFileColumn_; column < columns; ++column) {
      const auto value = static_cast<float>(statistics_[i]->value(column - firstFileColumn_));
      setCell(row, column, std::isnan(value) ? std::string() : fixedText(value));
    }
  }
  showWarning(experts_.size() < kWarnBelowExperts, kWarningText);
}

void DlgResults::updatePassList() {
  for (const PassHeader& header : monitor_->passes()) {
    auto found = passRows_.find(header.id);
    if (found == passRows_.end()) {
      wxVector<wxVariant> empty(3, wxVariant(wxString()));
      wxVariant passed;
      passed << wxDataViewIconText();
      empty.push_back(passed);
      passList->AppendItem(empty);
      found = passRows_.emplace(header.id, passList->GetItemCount() - 1).first;
    }
    const int row = found->second;
    passList->SetTextValue(header.computer, row, 0);
    passList->SetTextValue(header.expert, row, 1);
    passList->SetTextValue(fromNarrow(startTimeText(header.start)), row, 2);
    wxVariant passed;
    if (header.finished)
      passed << wxDataViewIconText("finished", finishedIcon_);
    else
      passed << wxDataViewIconText(progressText(header.progress), inProgressIcon_);
    passList->SetValue(passed, row, 3);
  }
}

int DlgResults::fileColumn(const std::wstring& file) {
  const auto found = columns_.find(file);
  if (found != columns_.end()) return found->second;
  const int column = addFileColumn(file);
  columns_.emplace(file, column);
  return column;
}

int DlgResults::addFileColumn(const std::wstring& file) {
  const unsigned columns = resultList->GetColumnCount();
  // Every row gets one more (empty) cell: the rows are taken out while the column is added, so
  // that the list never holds a row without a cell for each of its columns, and then put back
  // in their places.
  std::vector<wxVector<wxVariant>> rows(static_cast<size_t>(resultList->GetItemCount()));
  for (size_t row = 0; row < rows.size(); ++row) {
    for (unsigned column = 0; column < columns; ++column) {
      wxVariant value;
      resultList->GetValue(value, static_cast<unsigned>(row), column);
      rows[row].push_back(value);
    }
    rows[row].push_back(wxVariant(wxString()));
  }
  resultList->DeleteAllItems();
  resultList->AppendTextColumn(file, wxDATAVIEW_CELL_INERT, -1, wxALIGN_LEFT,
                               wxDATAVIEW_COL_RESIZABLE);
  for (const wxVector<wxVariant>& row : rows) resultList->AppendItem(row);
  return static_cast<int>(columns);
}

int DlgResults::pairRow(const std::wstring& file) {
  auto found = pairRows_.find(file);
  if (found == pairRows_.end()) {
    std::vector<wxString> cells(resultList->GetColumnCount());
    cells[1] = kPairRowLabel;
    cells[2] = file;
    resultList->AppendItem(rowValues(cells));
    // Counted below the summary rows, which may still grow above it.
    const int row = static_cast<int>(resultList->GetItemCount()) - summaryRowCount_ - 1;
    found = pairRows_.emplace(file, row).first;
  }
  return summaryRowCount_ + found->second;
}

int DlgResults::summaryRow(size_t statistic) {
  if (summaryRows_[statistic] < 0) {
    std::vector<wxString> cells(resultList->GetColumnCount());
    const AverageDisplayer::Header& header = statistics_[statistic]->header();
    cells[1] = header.first;
    cells[2] = header.second;
    resultList->InsertItem(static_cast<unsigned>(summaryRowCount_), rowValues(cells));
    summaryRows_[statistic] = summaryRowCount_++;
  }
  return summaryRows_[statistic];
}

void DlgResults::setCell(int row, int column, const std::string& text) {
  resultList->SetTextValue(fromNarrow(text), static_cast<unsigned>(row),
                           static_cast<unsigned>(column));
}

void DlgResults::showWarning(bool show, const wxString& text) {
  if (show) warningPicture->SetBitmap(wxArtProvider::GetBitmap(wxART_WARNING, wxART_MENU));
  warningPicture->Show(show);
  warningLabel->Show(show);
  warningLabel->SetLabel(text);
  // The size the toolkit draws the text at, which may be a little more than its extent.
  warningLabel->SetInitialSize(warningLabel->GetBestSize());
  Layout();
}

bool DlgResults::exportCsv() {
  vixo::FilePrompt chooser;
  chooser.parent = this;
  chooser.message = "Save CSV";
  chooser.wildcard = "CSV files (*.csv)|*.csv";
  chooser.style = wxFD_SAVE | wxFD_OVERWRITE_PROMPT;
  const std::vector<wxString> chosen = vixo::showFilePrompt(chooser);
  if (chosen.empty()) return true;
  std::ostringstream csv;
  writeCsv(csv);
  // The whole file or none: a failed write leaves the chosen name as it was.
  if (writeFileReplacing(chosen.front().ToStdWstring(), csv.str())) return true;
  vixo::Prompt box;
  box.caption = "Saving problem";
  box.text = "Error while saving results. Choose another file.";
  box.style = wxOK | wxICON_ERROR;
  vixo::showPrompt(box);
  return false;
}

void DlgResults::writeCsv(std::ostream& out) const {
  const unsigned columns = resultList->GetColumnCount();
  for (unsigned column = 0; column < columns; ++column) {
    if (column > 0) out << ',';
    out << csvQuote(toNarrow(resultList->GetColumn(column)->GetTitle()));
  }
  for (int row = 0; row < resultList->GetItemCount(); ++row) {
    out << '\n';
    for (unsigned column = 0; column < columns; ++column) {
      if (column > 0) out << ',';
      out << csvQuote(toNarrow(resultList->GetTextValue(static_cast<unsigned>(row), column)));
    }
  }
  out << '\n';
}

void showResults(wxWindow* parent, ResultsMonitor& monitor, const wxIcon& inProgressIcon) {
  DlgResults dialog(parent, monitor, inProgressIcon);
  vixo::showModal(dialog);
}

bool exportResultsCsv(wxWindow* parent, ResultsMonitor& monitor, const wxIcon& inProgressIcon) {
  DlgResults dialog(parent, monitor, inProgressIcon);
  return dialog.exportCsv();
}
