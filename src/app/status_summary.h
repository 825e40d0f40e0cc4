// The task's status summary as the editor's status bar shows it: the headline of the
// validation's findings with the colour of the most serious level, and the details line with
// the number of questions and the test's length. No windows.
#pragma once

#include <wx/colour.h>
#include <wx/string.h>

#include <vector>

#include "avifile/property_validator.h"

class VideoInfoCache;
struct Task;

struct StatusSummary {
  wxString headline;  // "Ready", or the first finding of the most serious level and counts
  wxColour colour;    // of that level; green for "Ready"
  int errors = 0;     // errors block test runs
};

// The summary of validation messages in their order (levels 0 error, 1 warning, 2 notice).
StatusSummary summarizeValidation(const std::vector<ValidationMessage>& messages);

// "Questions: N; Estimated length: L" for a task with a method (the length only when it can be
// estimated); empty without a method.
wxString taskDetails(const Task& task, VideoInfoCache& media);
