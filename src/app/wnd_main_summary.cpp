// The task's status summary in the status bar (the most serious finding of the validation, its
// colour, the number of questions and the test's length) and the two test runs it gates.
#include <wx/hyperlink.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>

#include <algorithm>
#include <array>

#include "app/status_panel.h"
#include "app/status_summary.h"
#include "app/wnd_main.h"
#include "task/validation.h"
#include "task/vixo_method.h"

namespace {

struct LevelStyle {
  const char* title;
  const char* plural;
  wxColour colour;
};

}  // namespace

StatusSummary summarizeValidation(const std::vector<ValidationMessage>& messages) {
  static const std::array<LevelStyle, 3> levels = {
      LevelStyle{"Error", "error(s)", wxColour(253, 119, 122)},
      LevelStyle{"Warning", "warning(s)", wxColour(255, 183, 130)},
      LevelStyle{"Notice", "notice(s)", wxColour(180, 255, 151)}};

  std::array<int, 3> counts{};
  std::array<const ValidationMessage*, 3> first{};
  for (const ValidationMessage& message : messages) {
    if (message.level < 0 || message.level > 2) continue;
    const auto level = static_cast<size_t>(message.level);
    if (counts[level]++ == 0) first[level] = &message;
  }

  StatusSummary summary{"Ready", wxColour(180, 255, 151), counts[0]};
  for (size_t level = 0; level < levels.size(); ++level) {
    if (counts[level] == 0) continue;
    summary.headline =
        wxString(levels[level].title) + ": " + wxString(first[level]->shortText.c_str());
    if (counts[level] > 1)
      summary.headline +=
          wxString::Format(" and %d other %s", counts[level] - 1, levels[level].plural);
    summary.colour = levels[level].colour;
    for (size_t later = level + 1; later < levels.size(); ++later)
      if (counts[later] > 0)
        summary.headline += wxString::Format(", %d %s", counts[later], levels[later].plural);
    break;
  }
  return summary;
}

wxString taskDetails(const Task& task, VideoInfoCache& media) {
  if (!task.method()) return wxString();
  wxString details = wxString::Format("Questions: %d", std::max(0, task.planQuestionCount()));
  const int64_t length = task.estimatedLength(media);
  if (length >= 0) details += "; Estimated length: " + wxString(formatDuration(length));
  return details;
}

void WndMain::updateValidationStatus() {
  const StatusSummary summary = summarizeValidation(validateTask(task, taskPath, infoCache));
  runBlocked->set(summary.errors > 0);
  summaryLink->SetLabel(summary.headline);
  summaryText->SetLabel(taskDetails(task, infoCache));
  statusPanel->refresh();
  for (wxWindow* label :
       {static_cast<wxWindow*>(summaryLink), static_cast<wxWindow*>(summaryText)}) {
    label->InvalidateBestSize();
    label->SetSize(label->GetBestSize());
  }
  for (const auto& placer : statusPlacers) placer->place();
  statusBar->SetBackgroundColour(summary.colour);
  statusBar->Refresh(true);
}

void WndMain::showMessages() {
  services.showMessages(this, validateTask(task, taskPath, infoCache));
}

void WndMain::debugTask() {
  if (runBlocked->get()) {
    showMessages();
    return;
  }
  services.runTest(task, taskPath, true);
}

void WndMain::runTask() {
  if (runBlocked->get()) {
    showMessages();
    return;
  }
  if (taskPath.empty() && !saveTaskAs()) return;
  services.runTest(task, taskPath, false);
}

void WndMain::setRunToolIcons(bool blocked) {
  toolBar->SetToolNormalBitmap(debugTool->GetId(),
                               (blocked ? debugToolBlockedPicture : debugToolPicture)->GetBitmap());
  toolBar->SetToolNormalBitmap(runTool->GetId(),
                               (blocked ? runToolBlockedPicture : runToolPicture)->GetBitmap());
  toolBar->Realize();
}
