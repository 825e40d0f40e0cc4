// The row of the custom questions in the editor's property grid: a text with a "..." button that
// opens a small editor of the questions. The editor shows the caret's line, checks the text with
// the questions' parser on "OK" and stays open while the text is wrong; its link opens the help
// with the writing rules and four samples. GUI thread only; the dialogs are modal and live for
// one showing.
#pragma once

#include <wx/propgrid/editors.h>
#include <wx/propgrid/props.h>

#include <string>

#include "app/property_grid_initializer.h"
#include "app/wnd_main.h"
#include "layouts/dlg_custom_question_help_impl.h"
#include "layouts/dlg_edit_questions_stub.h"

class WndMain::CustomQuestionPropertyCreator : public PropertyGridInitializer::PropertyCreator {
 public:
  class CustomProperty;
  class Adapter;
  class DlgEditQuestions;
  class DlgCustomQuestionHelp;

  // The one creator of the process, registered for the key "customQuestion".
  static CustomQuestionPropertyCreator& instance();

  wxPGProperty* create(const PropertyDescription& description, const std::string& label,
                       Any value) override;
};

class WndMain::CustomQuestionPropertyCreator::CustomProperty : public wxStringProperty {
 public:
  CustomProperty(const wxString& label, const wxString& name);
  const wxPGEditor* DoGetEditorClass() const override;
  wxPGEditorDialogAdapter* GetEditorDialog() const override;
};

class WndMain::CustomQuestionPropertyCreator::Adapter : public wxPGEditorDialogAdapter {
 public:
  // True when the dialog ended with a text that passed the check; the value is then that text.
  bool DoShowDialog(wxPropertyGrid* grid, wxPGProperty* property) override;
};

class WndMain::CustomQuestionPropertyCreator::DlgEditQuestions : public DlgEditQuestionsStub {
 public:
  DlgEditQuestions(wxWindow* parent, const wxString& text);

  // Ends the modal loop with 0 when the questions parse; otherwise says where they are wrong.
  void checkQuestions();
  // Shows the line of the caret, counted from 1.
  void updateLineNumber();
};

class WndMain::CustomQuestionPropertyCreator::DlgCustomQuestionHelp
    : public DlgCustomQuestionHelpImpl {
 public:
  explicit DlgCustomQuestionHelp(wxWindow* parent);
};
