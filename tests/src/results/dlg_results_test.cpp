// The results dialog over real pass folders: passes run by scripted observers and ended by the
// result store, a real results monitor, the dialog's two lists under a virtual display, its
// refresh while passes finish, and the CSV export read back by Python's csv module.
//
// The test program runs with TZ=UTC, so start times read as UTC.
#include "results/dlg_results.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <wx/app.h>
#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/dataview.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/notebook.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/uiaction.h>
#include <algorithm>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>

#include "avifile/json.h"
#include "avifile/json_parser.h"
#include "common/prompt.h"
#include "layouts/pictures.h"
#include "src/results/pass_fixture.h"
#include "support/control_fit.h"
#include "support/gui_pump.h"
#include "support/screenshot.h"
#include "support/wx_assert_failure.h"

namespace {

namespace fs = std::filesystem;
using namespace vixo_test;
using namespace std::chrono_literals;

constexpr long long kSecond = 10'000'000;
// Wed Jan 02 02:03:55 1980 UTC, and a little more than half a second.
constexpr long long kStart = 315'626'635 * kSecond + 6'000'000;
const char kStartText[] = "Wed Jan 02 02:03:55 1980";
const char kWarning[] = "ITU-R BT.500 recommends at least 15 experts to pass test";

// The answerers go back to people when a test ends.
struct Answerers {
  ~Answerers() {
    vixo::setPromptAnswerer({});
    vixo::setFilePromptAnswerer({});
    vixo::setModalAnswerer({});
  }
};

// The file ids of the task become `ids` (its paths stay "/v/fN", which the marks go by).
Task taskWithIds(const std::string& method, const std::vector<std::wstring>& ids) {
  Task task = smallTask(method, static_cast<int>(ids.size()));
  for (size_t i = 0; i < ids.size(); ++i) task.files[i].id = ids[i];
  return task;
}

// DSIS marks by file: the value of file fN is (mark - 1) / 4.
void dsisMarks(ScriptedPlayer& player, std::map<int, int> marks) {
  player.markDSIS = [marks](const std::vector<std::wstring>& shown) -> std::optional<int> {
    return marks.at(fileNumber(shown.back()));
  };
}

// SCACJ marks by pair of files, for the files in the order given; shown the other way round,
// the observer gives the opposite mark.
void scacjMarks(ScriptedPlayer& player, std::map<std::pair<int, int>, int> marks) {
  player.markSCACJ = [marks](const std::vector<std::wstring>& shown) -> std::optional<int> {
    const int left = fileNumber(shown[shown.size() - 2]), right = fileNumber(shown.back());
    const auto found = marks.find({left, right});
    return found != marks.end() ? found->second : -marks.at({right, left});
  };
}

// A pass of the task by the observer, run to its end and ended by its store.
void finishedPass(const Task& task, const std::wstring& taskPath, const std::wstring& expert,
                  const std::string& id, const std::function<void(ScriptedPlayer&)>& script = {},
                  long long start = kStart) {
  FolderPass pass(task, taskPath, false, expert);
  pass.fix(id, start);
  pass.play->random.seed(5);
  if (script) script(*pass.player);
  pass.run();
  ASSERT_TRUE(pass.play->isFinished());
  ASSERT_TRUE(pass.store.finishPass());
}

// Waits for scans of the monitor: subscribed from construction to destruction, it notes the
// passes that every scan left. Made after the dialog has subscribed, its calls come after the
// dialog's, so the dialog's refresh of a scan is posted by the time the scan is seen here.
class ScanLog {
 public:
  explicit ScanLog(ResultsMonitor& monitor) : monitor_(monitor) {
    subscription_ = monitor_.subscribe([this] {
      std::lock_guard lock(mutex_);
      seen_ = monitor_.passes();
      ++scans_;
      changed_.notify_all();
    });
  }
  ~ScanLog() { monitor_.unsubscribe(subscription_); }

  // Waits until a scan's passes are as `done` says.
  bool waitFor(const std::function<bool(const std::vector<PassHeader>&)>& done) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 10s, [&] { return scans_ > 0 && done(seen_); });
  }

 private:
  ResultsMonitor& monitor_;
  ResultsMonitor::Subscription subscription_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<PassHeader> seen_;
  int scans_ = 0;
};

// n passes, those with the ids given finished.
std::function<bool(const std::vector<PassHeader>&)> passesAre(size_t n,
                                                              std::set<std::string> finished) {
  return [n, finished](const std::vector<PassHeader>& passes) {
    if (passes.size() != n) return false;
    for (const PassHeader& pass : passes)
      if (pass.finished != (finished.count(pass.id) > 0)) return false;
    return true;
  };
}

// A monitor of the folder whose first scans found what `done` says.
std::unique_ptr<ResultsMonitor> monitorOf(
    const std::wstring& taskPath, const std::function<bool(const std::vector<PassHeader>&)>& done) {
  auto monitor = std::make_unique<ResultsMonitor>(taskPath);
  // The first scan may end before the log subscribes: a change of the folder makes another.
  ScanLog log(*monitor);
  const std::string nudge = toUtf8(statesFolder(taskPath)) + "/nudge";
  writeBytes(nudge, "");
  fs::remove(nudge);
  EXPECT_TRUE(log.waitFor(done));
  return monitor;
}

std::string narrow(const wxString& text) { return toUtf8(text.ToStdWstring()); }

// The cells of the result table, the column titles as the first row.
std::vector<std::vector<std::string>> cellsOf(const DlgResults& dialog) {
  wxDataViewListCtrl* list = dialog.resultList;
  std::vector<std::vector<std::string>> rows(1);
  for (unsigned c = 0; c < list->GetColumnCount(); ++c)
    rows[0].push_back(narrow(list->GetColumn(c)->GetTitle()));
  for (int r = 0; r < list->GetItemCount(); ++r) {
    rows.emplace_back();
    for (unsigned c = 0; c < list->GetColumnCount(); ++c)
      rows.back().push_back(narrow(list->GetTextValue(static_cast<unsigned>(r), c)));
  }
  return rows;
}

// The same, each row's cells joined by "|".
std::vector<std::string> tableOf(const DlgResults& dialog) {
  std::vector<std::string> lines;
  for (const auto& row : cellsOf(dialog)) {
    std::string line;
    for (size_t c = 0; c < row.size(); ++c) line += (c ? "|" : "") + row[c];
    lines.push_back(line);
  }
  return lines;
}

// The rows of a CSV file as Python's csv module reads them.
std::vector<std::vector<std::string>> pythonCsvRows(const std::string& path) {
  setenv("VIXO_CSV_PATH", path.c_str(), 1);
  FILE* python = popen(
      "/usr/bin/python3 -c 'import csv, json, os; print(json.dumps(list(csv.reader(open("
      "os.environ[\"VIXO_CSV_PATH\"], newline=\"\", encoding=\"utf-8\")))))'",
      "r");
  std::string output;
  char buffer[4096];
  for (size_t n; python && (n = fread(buffer, 1, sizeof buffer, python)) > 0;)
    output.append(buffer, n);
  EXPECT_TRUE(python && pclose(python) == 0) << output;
  std::istringstream in(output);
  std::vector<std::vector<std::string>> rows;
  try {
    const Brindle::JSON read = Brindle::JSONparser::parse(in);
    for (const Brindle::JSON& row : read.elements()) {
      rows.emplace_back();
      for (const Brindle::JSON& cell : row.elements()) rows.back().push_back(cell.getString());
    }
  } catch (const std::exception&) {
    ADD_FAILURE() << "not read: " << output;
  }
  return rows;
}

bool samePicture(const wxBitmapBundle& shown, const wxBitmap& expected) {
  const wxImage a = shown.GetBitmap(expected.GetSize()).ConvertToImage();
  const wxImage b = expected.ConvertToImage();
  return a.IsOk() && b.IsOk() && a.GetSize() == b.GetSize() &&
         std::equal(a.GetData(), a.GetData() + a.GetWidth() * a.GetHeight() * 3, b.GetData()) &&
         a.HasAlpha() == b.HasAlpha() &&
         (!a.HasAlpha() ||
          std::equal(a.GetAlpha(), a.GetAlpha() + a.GetWidth() * a.GetHeight(), b.GetAlpha()));
}

// The pass list, one line per row: machine, observer, start, and the progress text with
// "(tick)" or "(clock)" for its picture.
std::vector<std::string> passListOf(const DlgResults& dialog) {
  wxDataViewListCtrl* list = dialog.passList;
  const wxBitmap tick = wxArtProvider::GetBitmap(wxART_TICK_MARK, wxART_MENU);
  std::vector<std::string> lines;
  for (int r = 0; r < list->GetItemCount(); ++r) {
    const auto row = static_cast<unsigned>(r);
    wxVariant value;
    list->GetValue(value, row, 3);
    wxDataViewIconText passed;
    passed << value;
    const std::string picture = samePicture(passed.GetBitmapBundle(), tick) ? "(tick)"
                                : samePicture(passed.GetBitmapBundle(), fileLoadingBitmap())
                                    ? "(clock)"
                                    : "(?)";
    lines.push_back(narrow(list->GetTextValue(row, 0)) + "|" + narrow(list->GetTextValue(row, 1)) +
                    "|" + narrow(list->GetTextValue(row, 2)) + "|" + narrow(passed.GetText()) +
                    " " + picture);
  }
  return lines;
}

wxIcon clockIcon() {
  wxIcon icon;
  icon.CopyFromBitmap(fileLoadingBitmap());
  return icon;
}

bool warningShown(const DlgResults& dialog) {
  EXPECT_EQ(dialog.warningLabel->GetLabel(), kWarning);
  EXPECT_EQ(dialog.warningPicture->IsShown(), dialog.warningLabel->IsShown());
  return dialog.warningLabel->IsShown() && dialog.warningPicture->GetBitmap().IsOk();
}

void click(wxButton* button) {
  wxCommandEvent event(wxEVT_BUTTON, button->GetId());
  event.SetEventObject(button);
  button->ProcessWindowEvent(event);
}

// Presses "OK" when it goes, however the checks in a modal answerer end.
class EndsModal {
 public:
  explicit EndsModal(DlgResults& dialog) : dialog_(dialog) {}
  ~EndsModal() {
    click(dialog_.okButton);
    EXPECT_FALSE(dialog_.IsModal());
  }

 private:
  DlgResults& dialog_;
};

class ResultsDialogTest : public ::testing::Test {
 protected:
  PassFolder folder;
  const std::wstring& taskPath = folder.taskPath;
  const std::string machine = toUtf8(getComputerName());
  Answerers answerers;
  WxAssertionsFailTest wxAssertions;
};

TEST_F(ResultsDialogTest, TaskWithoutFinishedPassesHasTheFixedColumnsOnlyAndTheWarning) {
  auto monitor = monitorOf(taskPath, passesAre(0, {}));
  DlgResults dialog(nullptr, *monitor, clockIcon());
  EXPECT_EQ(dialog.GetTitle(), "Test results");
  // At least the layout's size, grown until the buttons and the warning are whole.
  EXPECT_GE(dialog.GetSize().x, 546);
  EXPECT_GE(dialog.GetSize().y, 358);
  dialog.Show();
  pumpUntil([&] { return dialog.IsShownOnScreen(); });
  EXPECT_EQ(cutControls(&dialog), std::vector<std::string>{});
  dialog.Hide();
  // Esc closes it as "OK" does.
  vixo::setModalAnswerer([](wxDialog& shown) {
    pumpUntil([&] { return shown.IsShownOnScreen(); });
    wxUIActionSimulator keys;
    keys.Char(WXK_ESCAPE);
    pumpUntil([&] { return !shown.IsModal(); }, 2s);
    if (shown.IsModal()) shown.EndModal(-1);
  });
  EXPECT_EQ(vixo::showModal(dialog), 0);
  EXPECT_EQ(tableOf(dialog), std::vector<std::string>{"Test time|Expert|Value id|Screening"});
  EXPECT_TRUE(passListOf(dialog).empty());
  EXPECT_TRUE(warningShown(dialog));
  std::ostringstream csv;
  dialog.writeCsv(csv);
  EXPECT_EQ(csv.str(), "Test time,Expert,Value id,Screening\n");
}

TEST_F(ResultsDialogTest, OneObserverGivesDataRowsUnderFourSummaryRows) {
  // Three cycles: every file is judged three times, once per value id.
  Task task = taskWithIds("DSIS", {L"ref", L"A", L"B", L"C"});
  task.properties["cycles"] = Any::of(3LL);
  finishedPass(task, taskPath, L"Ann", "p1", [](ScriptedPlayer& player) {
    // A: 0.25, 0.5, 0.75; B: 1 three times; C: 0, 0.5, 1.
    player.markDSIS = [n = std::map<int, int>()](
                          const std::vector<std::wstring>& shown) mutable -> std::optional<int> {
      const int file = fileNumber(shown.back());
      const int k = n[file]++;
      return file == 1 ? 2 + k : file == 2 ? 5 : 1 + 2 * k;
    };
  });
  auto monitor = monitorOf(taskPath, passesAre(1, {"p1"}));
  DlgResults dialog(nullptr, *monitor, clockIcon());
  const std::string t = kStartText;
  EXPECT_EQ(tableOf(dialog), (std::vector<std::string>{
                                 "Test time|Expert|Value id|Screening|A|B|C",
                                 "|[avg]|mean||0.500000|1.000000|0.500000",
                                 "|[conf. int.]|95% lower||0.217098|1.000000|-0.065803",
                                 "|[conf. int.]|95% upper||0.782902|1.000000|1.065803",
                                 "|[conf. int.]|std dev||0.250000|0.000000|0.500000",
                                 t + "|Ann|1||0.250000|1.000000|0.000000",
                                 t + "|Ann|2||0.500000|1.000000|0.500000",
                                 t + "|Ann|3||0.750000|1.000000|1.000000",
                             }));
  EXPECT_EQ(passListOf(dialog),
            std::vector<std::string>{machine + "|Ann|" + t + "|finished (tick)"});
  EXPECT_TRUE(warningShown(dialog));
}

TEST_F(ResultsDialogTest, PairAnswersFillTheMatrixAndTheBradleyTerryRowByTheWinnerRule) {
  Task task = taskWithIds("SCACJ", {L"A", L"B"});
  task.properties["scacjScale"] = makeStringValue("-3..3 scale");
  // Ann: A clearly better (-2 on the seven-step scale, which is below 0: the first file wins).
  finishedPass(task, taskPath, L"Ann", "p1", [](ScriptedPlayer& player) {
    scacjMarks(player, {{{0, 1}, -2}});
  });
  auto monitor = monitorOf(taskPath, passesAre(1, {"p1"}));
  {
    DlgResults dialog(nullptr, *monitor, clockIcon());
    EXPECT_EQ(tableOf(dialog), (std::vector<std::string>{
                                   "Test time|Expert|Value id|Screening|A|B",
                                   "|[Bradley-Terry]|weight||1.000000|0.000000",
                                   "|[Pair results]|A|||0.666667",
                                   "|[Pair results]|B||0.666667|",
                               }));
  }
  // Listening before Bob's pass is written: a scan that ends before a late subscriber would
  // never be seen.
  ScanLog log(*monitor);
  // Bob: B slightly better.
  finishedPass(task, taskPath, L"Bob", "p2", [](ScriptedPlayer& player) {
    scacjMarks(player, {{{0, 1}, 1}});
  });
  ASSERT_TRUE(log.waitFor(passesAre(2, {"p1", "p2"})));
  DlgResults dialog(nullptr, *monitor, clockIcon());
  // A won 2/3 of the summed weight and B 1/3.
  EXPECT_EQ(tableOf(dialog), (std::vector<std::string>{
                                 "Test time|Expert|Value id|Screening|A|B",
                                 "|[Bradley-Terry]|weight||0.666667|0.333333",
                                 "|[Pair results]|A|||1.000000",
                                 "|[Pair results]|B||1.000000|",
                             }));
}

// Two groups of a seven-step SCACJ task, each fitted on its own: in the first, D lost or tied
// each of its comparisons and gets 0, and A, B and C beat each other in a cycle (B beat A by 1,
// A beat C by 2/3, C beat B by 1/3); in the second, F beat E by 2/3 and E beat F by 1/3.
TEST_F(ResultsDialogTest, BradleyTerryWeightsRankEachGroupOnItsOwn) {
  Task task = taskWithIds("SCACJ", {L"A", L"B", L"C", L"D", L"E", L"F"});
  task.properties["scacjScale"] = makeStringValue("-3..3 scale");
  task.files[4].group = task.files[5].group = 2;
  const std::map<std::pair<int, int>, int> cycle = {{{0, 1}, 3},  {{0, 2}, -2}, {{1, 2}, 1},
                                                    {{0, 3}, -1}, {{1, 3}, 0},  {{2, 3}, -3}};
  for (const auto& [expert, id, mark] :
       {std::tuple{L"Ann", "p1", 2}, std::tuple{L"Bob", "p2", -1}}) {
    std::map<std::pair<int, int>, int> marks = cycle;
    marks[{4, 5}] = mark;
    finishedPass(task, taskPath, expert, id,
                 [&marks](ScriptedPlayer& player) { scacjMarks(player, marks); });
  }
  auto monitor = monitorOf(taskPath, passesAre(2, {"p1", "p2"}));
  DlgResults dialog(nullptr, *monitor, clockIcon());
  const std::vector<std::string> table = tableOf(dialog);
  ASSERT_EQ(table.size(), 8u);
  // Columns as the pairs came, in the answers' order.
  EXPECT_EQ(table[0], "Test time|Expert|Value id|Screening|A|C|B|D|F|E");
  // Each group's weights sum to 1.
  EXPECT_EQ(table[1],
            "|[Bradley-Terry]|weight||0.226930|0.152252|0.620818|0.000000|0.666667|"
            "0.333333");
}

TEST_F(ResultsDialogTest, WarningUntilFifteenObserversTookPartWithPairAnswersCounted) {
  const Task singles = taskWithIds("DSIS", {L"ref", L"A"});
  for (int i = 1; i <= 14; ++i) {
    wchar_t name[32];
    std::swprintf(name, 32, L"Observer %02d", i);
    finishedPass(singles, taskPath, name, "p" + std::to_string(100 + i));
  }
  finishedPass(singles, taskPath, L"Observer 01", "p200");  // again: still 14 observers
  auto monitor =
      monitorOf(taskPath, [](const std::vector<PassHeader>& p) { return p.size() == 15; });
  {
    DlgResults dialog(nullptr, *monitor, clockIcon());
    EXPECT_TRUE(warningShown(dialog));
  }
  // The fifteenth observer compared pairs only.
  ScanLog log(*monitor);
  finishedPass(taskWithIds("SCACJ", {L"A", L"B"}), taskPath, L"Observer 15", "p300");
  // A scan may see the new pass while it is still being played: wait until it is finished.
  ASSERT_TRUE(log.waitFor([](const std::vector<PassHeader>& p) {
    return p.size() == 16 &&
           std::all_of(p.begin(), p.end(), [](const PassHeader& h) { return h.finished; });
  }));
  DlgResults dialog(nullptr, *monitor, clockIcon());
  EXPECT_FALSE(warningShown(dialog));
  EXPECT_FALSE(dialog.warningPicture->IsShown());
}

TEST_F(ResultsDialogTest, PassListShowsMachineObserverStartAndProgress) {
  const Task task = taskWithIds("DSIS", {L"ref", L"A"});
  finishedPass(task, taskPath, L"Ann", "p1");
  finishedPass(task, taskPath, L"Bob", "p2", {}, -3600 * kSecond);  // before 1970: no text
  // Cid answered 3 of 8 questions when the pass was saved last.
  FolderPass running(smallTask("DSIS", 9), taskPath, false, L"Cid");
  running.fix("p3", kStart);
  running.run(4);
  auto monitor = monitorOf(taskPath, passesAre(3, {"p1", "p2"}));
  DlgResults dialog(nullptr, *monitor, clockIcon());
  const std::string t = kStartText;
  EXPECT_EQ(passListOf(dialog), (std::vector<std::string>{
                                    machine + "|Ann|" + t + "|finished (tick)",
                                    machine + "|Bob||finished (tick)",
                                    machine + "|Cid|" + t + "|38% (clock)",
                                }));
  EXPECT_EQ(tableOf(dialog), (std::vector<std::string>{
                                 "Test time|Expert|Value id|Screening|A",
                                 "|[avg]|mean||0.250000",
                                 "|[conf. int.]|95% lower||0.250000",
                                 "|[conf. int.]|95% upper||0.250000",
                                 "|[conf. int.]|std dev||0.000000",
                                 t + "|Ann|1||0.250000",
                                 "|Bob|1||0.250000",
                             }));
  EXPECT_EQ(dialog.resultsNotebook->GetSelection(), 0);
}

// While the dialog is open, a running pass finishes and brings a new file, then a pass of pair
// answers brings the Bradley-Terry row: rows keep their places, the table grows around them.
TEST_F(ResultsDialogTest, KeepsCurrentWhilePassesFinish) {
  finishedPass(taskWithIds("DSIS", {L"ref", L"A", L"B"}), taskPath, L"Ann", "p1",
               [](ScriptedPlayer& player) {
                 dsisMarks(player, {{1, 2}, {2, 4}});
               });
  FolderPass bob(taskWithIds("DSIS", {L"ref", L"A", L"B", L"C"}), taskPath, false, L"Bob");
  bob.fix("p2", kStart);
  dsisMarks(*bob.player, {{1, 4}, {2, 4}, {3, 5}});
  bob.run(2);
  auto monitor = monitorOf(taskPath, passesAre(2, {"p1"}));

  const std::string t = kStartText;
  bool checked = false;
  vixo::setModalAnswerer([&](wxDialog& shown) {
    auto& dialog = dynamic_cast<DlgResults&>(shown);
    EndsModal end(dialog);
    ScanLog log(*monitor);
    EXPECT_EQ(passListOf(dialog), (std::vector<std::string>{
                                      machine + "|Ann|" + t + "|finished (tick)",
                                      machine + "|Bob|" + t + "|33% (clock)",
                                  }));
    EXPECT_EQ(tableOf(dialog), (std::vector<std::string>{
                                   "Test time|Expert|Value id|Screening|A|B",
                                   "|[avg]|mean||0.250000|0.750000",
                                   "|[conf. int.]|95% lower|||",
                                   "|[conf. int.]|95% upper|||",
                                   "|[conf. int.]|std dev|||",
                                   t + "|Ann|1||0.250000|0.750000",
                               }));

    bob.run();
    ASSERT_TRUE(bob.store.finishPass());
    ASSERT_TRUE(log.waitFor(passesAre(2, {"p1", "p2"})));
    wxTheApp->ProcessPendingEvents();
    std::vector<std::string> passes = {
        machine + "|Ann|" + t + "|finished (tick)",
        machine + "|Bob|" + t + "|finished (tick)",
    };
    EXPECT_EQ(passListOf(dialog), passes);
    // C is new: Ann's row has no C, and C's statistics are Bob's alone.
    std::vector<std::string> table = {
        "Test time|Expert|Value id|Screening|A|B|C",
        "|[avg]|mean||0.500000|0.750000|1.000000",
        "|[conf. int.]|95% lower||0.010000|0.750000|",
        "|[conf. int.]|95% upper||0.990000|0.750000|",
        "|[conf. int.]|std dev||0.353553|0.000000|",
        t + "|Ann|1||0.250000|0.750000|",
        t + "|Bob|1||0.750000|0.750000|1.000000",
    };
    EXPECT_EQ(tableOf(dialog), table);

    // Cid compares pairs: A beats B by 1 and C by 3, C beats B by 2 (seven-step scale). His
    // pass id sorts first, yet his row comes last.
    Task pairs = taskWithIds("SCACJ", {L"A", L"B", L"C"});
    pairs.properties["scacjScale"] = makeStringValue("-3..3 scale");
    finishedPass(pairs, taskPath, L"Cid", "p0", [](ScriptedPlayer& player) {
      scacjMarks(player, {{{0, 1}, -1}, {{0, 2}, -3}, {{1, 2}, 2}});
    });
    ASSERT_TRUE(log.waitFor(passesAre(3, {"p0", "p1", "p2"})));
    wxTheApp->ProcessPendingEvents();
    passes.push_back(machine + "|Cid|" + t + "|finished (tick)");
    EXPECT_EQ(passListOf(dialog), passes);
    // The weights' row comes fifth; the rows below move down as one and the pair matrix follows.
    // A won each of its comparisons and B none: A has nearly all, C the little that is left.
    table.insert(table.begin() + 5, "|[Bradley-Terry]|weight||0.999956|0.000000|0.000044");
    table.insert(table.end(),
                 {"|[Pair results]|A|||0.333333|1.000000", "|[Pair results]|B||0.333333||0.666667",
                  "|[Pair results]|C||1.000000|0.666667|"});
    EXPECT_EQ(tableOf(dialog), table);
    EXPECT_TRUE(warningShown(dialog));  // three observers
    checked = true;
  });
  showResults(nullptr, *monitor, clockIcon());
  EXPECT_TRUE(checked);

  // The dialog is gone and so is its subscription: later scans call nothing of it.
  ScanLog log(*monitor);
  finishedPass(taskWithIds("DSIS", {L"ref", L"A"}), taskPath, L"Dan", "p4");
  EXPECT_TRUE(log.waitFor([](const std::vector<PassHeader>& p) { return p.size() == 4; }));
  wxTheApp->ProcessPendingEvents();
}

// A result file that cannot be read yet (here: cut short) adds nothing; it is read again at the
// next scan and then counts.
TEST_F(ResultsDialogTest, ResultFileThatCannotBeReadIsReadAgainLater) {
  finishedPass(taskWithIds("DSIS", {L"ref", L"A"}), taskPath, L"Ann", "p1");
  const std::string file = toUtf8(resultFilePath(taskPath, "p1"));
  const std::string whole = readBytes(file);
  writeBytes(file, whole.substr(0, whole.size() - 12));
  auto monitor = monitorOf(taskPath, passesAre(1, {"p1"}));

  bool checked = false;
  vixo::setModalAnswerer([&](wxDialog& shown) {
    auto& dialog = dynamic_cast<DlgResults&>(shown);
    EndsModal end(dialog);
    ScanLog log(*monitor);
    EXPECT_EQ(tableOf(dialog), std::vector<std::string>{"Test time|Expert|Value id|Screening"});
    EXPECT_EQ(passListOf(dialog).size(), 1u);

    writeBytes(file + ".new", whole);
    fs::rename(file + ".new", file);
    ASSERT_TRUE(log.waitFor(passesAre(1, {"p1"})));
    // Writing the new file makes a scan of its own, which may still find the old one cut
    // short: the table changes with a later scan.
    EXPECT_TRUE(
        vixo_test::pumpUntil([&] { return tableOf(dialog).size() > 1; }, std::chrono::seconds(10)));
    EXPECT_EQ(tableOf(dialog), (std::vector<std::string>{
                                   "Test time|Expert|Value id|Screening|A",
                                   "|[avg]|mean||0.250000",
                                   "|[conf. int.]|95% lower||",
                                   "|[conf. int.]|95% upper||",
                                   "|[conf. int.]|std dev||",
                                   std::string(kStartText) + "|Ann|1||0.250000",
                               }));
    checked = true;
  });
  showResults(nullptr, *monitor, clockIcon());
  EXPECT_TRUE(checked);
}

// Texts with commas, quotes, line feeds, returns and letters beyond ASCII, in titles and cells,
// written to a path with such letters, read back by another program's CSV reader.
TEST_F(ResultsDialogTest, CsvIsTheTableAsShownQuotedAndInUtf8) {
  const Task singles = taskWithIds("DSIS", {L"ref", L"a,b", L"x\"y", L"two\nlines", L"cr\rx",
                                            L"\u017Dlu\u0165ou\u010Dk\u00FD k\u016F\u0148"});
  finishedPass(singles, taskPath, L"Lee, \"Ann\"", "p1");
  finishedPass(taskWithIds("SCACJ", {L"a,b", L"x\"y"}), taskPath, L"Bob", "p2");
  auto monitor = monitorOf(taskPath, passesAre(2, {"p1", "p2"}));
  const std::string expected =
      "Test time,Expert,Value id,Screening,\"a,b\",\"cr\rx\",\"two\nlines\",\"x\"\"y\","
      "\u017Dlu\u0165ou\u010Dk\u00FD k\u016F\u0148\n"
      ",[avg],mean,,0.250000,1.000000,0.750000,0.500000,0.000000\n"
      ",[conf. int.],95% lower,,,,,,\n"
      ",[conf. int.],95% upper,,,,,,\n"
      ",[conf. int.],std dev,,,,,,\n"
      // The file that won its only comparison has it all, the one that lost it and those never
      // compared have nothing.
      ",[Bradley-Terry],weight,,1.000000,0.000000,0.000000,0.000000,0.000000\n"
      "Wed Jan 02 02:03:55 1980,\"Lee, \"\"Ann\"\"\",1,,0.250000,1.000000,0.750000,0.500000,"
      "0.000000\n"
      ",[Pair results],\"a,b\",,,,,1.000000,\n"
      ",[Pair results],\"x\"\"y\",,1.000000,,,,\n";

  const std::string out = folder.folder / "r\u00E9sultats";
  fs::create_directory(out);
  const std::string fromButton = out + "/tabulka \u017E.csv";
  const std::string fromMenu = out + "/menu.csv";
  std::vector<vixo::FilePrompt> asked;
  std::string answer;
  vixo::setFilePromptAnswerer([&](const vixo::FilePrompt& prompt) {
    asked.push_back(prompt);
    return std::vector<wxString>{wxString::FromUTF8(answer)};
  });
  vixo::setPromptAnswerer([](const vixo::Prompt& prompt) {
    ADD_FAILURE() << prompt.text;
    return wxID_OK;
  });

  DlgResults dialog(nullptr, *monitor, clockIcon());
  answer = fromButton;
  click(dialog.exportCsvButton);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].parent, &dialog);
  EXPECT_EQ(asked[0].message, "Save CSV");
  EXPECT_EQ(asked[0].defaultDir, "");
  EXPECT_EQ(asked[0].defaultFile, "");
  EXPECT_EQ(asked[0].wildcard, "CSV files (*.csv)|*.csv");
  EXPECT_EQ(asked[0].style, wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
  EXPECT_EQ(readBytes(fromButton), expected);
  EXPECT_EQ(pythonCsvRows(fromButton), cellsOf(dialog));

  // The editor's command writes the same without showing a dialog.
  answer = fromMenu;
  EXPECT_TRUE(exportResultsCsv(nullptr, *monitor, clockIcon()));
  EXPECT_EQ(readBytes(fromMenu), expected);
  EXPECT_FALSE(dialog.IsShown());

  // A cancelled choice writes nothing and is no failure.
  vixo::setFilePromptAnswerer([](const vixo::FilePrompt&) { return std::vector<wxString>{}; });
  EXPECT_TRUE(dialog.exportCsv());
  EXPECT_EQ(namesIn(out), (std::set<std::string>{"menu.csv", "tabulka \u017E.csv"}));
}

TEST_F(ResultsDialogTest, CsvThatCannotBeWrittenShowsTheMessageAndLeavesNoPart) {
  finishedPass(taskWithIds("DSIS", {L"ref", L"A"}), taskPath, L"Ann", "p1");
  auto monitor = monitorOf(taskPath, passesAre(1, {"p1"}));
  DlgResults dialog(nullptr, *monitor, clockIcon());
  std::ostringstream table;
  dialog.writeCsv(table);

  const std::string target = folder.folder / "out/results.csv";
  fs::create_directory(folder.folder / "out");
  writeBytes(target, "old results\n");
  std::string answer;
  vixo::setFilePromptAnswerer(
      [&](const vixo::FilePrompt&) { return std::vector<wxString>{wxString::FromUTF8(answer)}; });
  std::vector<vixo::Prompt> shown;
  vixo::setPromptAnswerer([&](const vixo::Prompt& prompt) {
    shown.push_back(prompt);
    return wxID_OK;
  });

  // The disk fills up in the middle of the file: the old file stays whole.
  struct rlimit old {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 20;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  answer = target;
  const bool written = dialog.exportCsv();
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);
  EXPECT_FALSE(written);
  EXPECT_EQ(readBytes(target), "old results\n");

  for (const std::string& path : {folder.folder / "missing/results.csv", folder.folder / "out"}) {
    SCOPED_TRACE(path);
    answer = path;
    EXPECT_FALSE(dialog.exportCsv());
  }
  EXPECT_EQ(namesIn(folder.folder / "out"), std::set<std::string>{"results.csv"});
  EXPECT_FALSE(fs::exists(folder.folder / "missing"));
  ASSERT_EQ(shown.size(), 3u);
  for (const vixo::Prompt& prompt : shown) {
    EXPECT_EQ(prompt.parent, nullptr);
    EXPECT_EQ(prompt.caption, "Saving problem");
    EXPECT_EQ(prompt.text, "Error while saving results. Choose another file.");
    EXPECT_EQ(prompt.style, wxOK | wxICON_ERROR);
  }

  // The dialog stays usable: the next try writes the file.
  answer = target;
  EXPECT_TRUE(dialog.exportCsv());
  EXPECT_EQ(readBytes(target), table.str());
  EXPECT_EQ(shown.size(), 3u);
}

// A task as a laboratory runs it: several observers judge coded versions of two sources, some
// compare pairs, one is still at work. The screenshots are for a person to look at.
TEST_F(ResultsDialogTest, Screenshot) {
  const std::vector<std::wstring> ids = {L"park_ref", L"park_h264_2M", L"park_h264_4M",
                                         L"park_hevc_2M", L"park_hevc_4M"};
  const Task task = taskWithIds("DSIS", ids);
  const std::vector<std::pair<std::wstring, std::map<int, int>>> observers = {
      {L"Anna Novak", {{1, 2}, {2, 4}, {3, 3}, {4, 5}}},
      {L"Ben Ortiz", {{1, 1}, {2, 3}, {3, 3}, {4, 4}}},
      {L"Chen Li", {{1, 2}, {2, 4}, {3, 4}, {4, 5}}},
      {L"Dana Weiss", {{1, 3}, {2, 4}, {3, 4}, {4, 4}}},
  };
  int n = 0;
  for (const auto& [name, marks] : observers) {
    ++n;
    finishedPass(
        task, taskPath, name, "a" + std::to_string(n),
        [&marks = marks](ScriptedPlayer& player) { dsisMarks(player, marks); },
        kStart + n * 1800 * kSecond);
  }
  Task pairs = taskWithIds("SCACJ", {L"park_h264_2M", L"park_h264_4M", L"park_hevc_2M"});
  pairs.properties["scacjScale"] = makeStringValue("-3..3 scale");
  for (const auto& [name, marks] :
       std::vector<std::pair<std::wstring, std::map<std::pair<int, int>, int>>>{
           {L"Eva Kim", {{{0, 1}, 2}, {{0, 2}, 1}, {{1, 2}, -1}}},
           {L"Finn Berg", {{{0, 1}, 3}, {{0, 2}, 2}, {{1, 2}, -2}}},
           {L"Gita Rao", {{{0, 1}, 1}, {{0, 2}, 1}, {{1, 2}, 1}}}}) {
    ++n;
    finishedPass(
        pairs, taskPath, name, "b" + std::to_string(n),
        [&marks = marks](ScriptedPlayer& player) { scacjMarks(player, marks); },
        kStart + n * 1800 * kSecond);
  }
  FolderPass running(task, taskPath, false, L"Hana Sato");
  running.fix("c1", kStart + 20 * 1800 * kSecond);
  running.run(3);
  auto monitor =
      monitorOf(taskPath, [](const std::vector<PassHeader>& p) { return p.size() == 8; });

  DlgResults dialog(nullptr, *monitor, clockIcon());
  dialog.SetSize(wxSize(1000, 420));
  dialog.Centre();
  for (wxDataViewListCtrl* list : {dialog.passList, dialog.resultList})
    for (unsigned c = 0; c < list->GetColumnCount(); ++c)
      list->GetColumn(c)->SetWidth(wxCOL_WIDTH_AUTOSIZE);
  EXPECT_FALSE(saveScreenshot(&dialog, "results_dialog_passes").empty());
  dialog.resultsNotebook->SetSelection(1);
  EXPECT_FALSE(saveScreenshot(&dialog, "results_dialog_table").empty());
}

}  // namespace
