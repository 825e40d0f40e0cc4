// The one road by which the system asks a person something: message boxes, file choosers and
// modal dialogs. GUI thread only.
//
// Tests (never users) install answerers that reply in place of a person, so whole flows run
// under a virtual display: a prompt answerer returns the button a person would press, a file
// answerer the paths a person would pick, and a modal answerer is called once the dialog's own
// modal loop runs, to set its controls and end it as a person would.
#pragma once

#include <wx/gdicmn.h>
#include <wx/string.h>

#include <functional>
#include <optional>
#include <vector>

class wxDialog;
class wxWindow;

namespace vixo {

// A message box. `style` takes the toolkit's flags: wxOK, wxYES_NO, wxCANCEL, wxNO_DEFAULT,
// wxCANCEL_DEFAULT, wxICON_INFORMATION, wxICON_WARNING, wxICON_ERROR, wxICON_QUESTION,
// wxCENTRE. A non-empty label replaces the toolkit's own on that button.
struct Prompt {
  wxWindow* parent = nullptr;
  wxString caption;
  wxString text;
  long style = 0;
  wxString okLabel, yesLabel, noLabel, cancelLabel;
  // When set, the box is centred on this screen point as placeDialogAt places dialogs
  // (common/dialog_place.h); otherwise the toolkit places it.
  std::optional<wxPoint> at;
};

// Shows the box modally; wxID_OK, wxID_YES, wxID_NO or wxID_CANCEL.
int showPrompt(const Prompt& prompt);

// A file chooser. `style` takes wxFD_OPEN, wxFD_SAVE, wxFD_MULTIPLE, wxFD_FILE_MUST_EXIST,
// wxFD_OVERWRITE_PROMPT.
struct FilePrompt {
  wxWindow* parent = nullptr;
  wxString message;
  wxString defaultDir;
  wxString defaultFile;
  wxString wildcard;
  long style = 0;
};

// The chosen paths, full; empty when the chooser was cancelled.
std::vector<wxString> showFilePrompt(const FilePrompt& prompt);

// Runs the dialog's modal loop and returns its end code.
int showModal(wxDialog& dialog);

// Answerers for tests. An empty function restores the real boxes, choosers and dialogs.
using PromptAnswerer = std::function<int(const Prompt&)>;
using FilePromptAnswerer = std::function<std::vector<wxString>(const FilePrompt&)>;
using ModalAnswerer = std::function<void(wxDialog&)>;
void setPromptAnswerer(PromptAnswerer answerer);
void setFilePromptAnswerer(FilePromptAnswerer answerer);
void setModalAnswerer(ModalAnswerer answerer);

}  // namespace vixo
