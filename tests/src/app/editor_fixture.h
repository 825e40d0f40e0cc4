// What the editor's tests share: a real main window on the test display, the person's answers
// given through the prompt road, the services the editor asks for recorded, and small steps
// that act as the operator does (menu commands, tools, typing, grid edits, selections).
#pragma once

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/dataview.h>
#include <wx/evtloop.h>
#include <wx/filedlg.h>
#include <wx/hyperlink.h>
#include <wx/imagpng.h>
#include <wx/menu.h>
#include <wx/propgrid/propgrid.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/toolbar.h>

#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#include "app/file_list.h"
#include "app/wnd_main.h"
#include "common/prompt.h"
#include "support/run_events.h"
#include "support/temp_folder.h"
#include "support/wx_assert_failure.h"
#include "task/task.h"

namespace vixo_test {

class EditorTest : public testing::Test {
 protected:
  struct RunCall {
    Task task;
    std::wstring path;
    bool debug;
  };

  void SetUp() override {
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
    // The settings store of the test's own.
    setenv("XDG_CONFIG_HOME", settings.path().c_str(), 1);
    vixo::setPromptAnswerer([this](const vixo::Prompt& prompt) {
      prompts.push_back(prompt);
      if (promptAnswers.empty()) {
        ADD_FAILURE() << "unexpected prompt: " << prompt.text.utf8_string();
        return static_cast<int>(wxID_CANCEL);
      }
      const int answer = promptAnswers.front();
      promptAnswers.pop_front();
      return answer;
    });
    vixo::setFilePromptAnswerer([this](const vixo::FilePrompt& prompt) {
      filePrompts.push_back(prompt);
      if (fileAnswers.empty()) {
        ADD_FAILURE() << "unexpected file prompt: " << prompt.message.utf8_string();
        return std::vector<wxString>();
      }
      std::vector<wxString> answer = fileAnswers.front();
      fileAnswers.pop_front();
      return answer;
    });
    w = new WndMain;
    w->services.runTest = [this](const Task& task, const std::wstring& path, bool debug) {
      runs.push_back({task, path, debug});
      return true;
    };
    w->services.showMessages = [this](wxWindow*, const std::vector<ValidationMessage>& messages) {
      shownMessages.push_back(messages);
    };
  }

  void TearDown() override {
    EXPECT_TRUE(promptAnswers.empty()) << "answers left over";
    EXPECT_TRUE(fileAnswers.empty()) << "file answers left over";
    vixo::setPromptAnswerer(nullptr);
    vixo::setFilePromptAnswerer(nullptr);
    if (w) {
      // Closing asks nothing more: the test is over.
      w->savedPosition = w->undoPosition;
      w->Destroy();
    }
    for (int i = 0; i < 1000 && !wxTopLevelWindows.empty(); ++i) {
      wxTheApp->ProcessPendingEvents();
      wxTheApp->ProcessIdle();
      wxYield();
    }
    EXPECT_TRUE(wxTopLevelWindows.empty());
  }

  // --- the operator's steps

  void menu(wxMenuItem* item) { item->GetMenu()->SendEvent(item->GetId()); }
  void tool(wxToolBarToolBase* tool) { w->toolBar->OnLeftClick(tool->GetId(), false); }
  bool menuEnabled(wxMenuItem* item) { return item->IsEnabled(); }
  bool toolEnabled(wxToolBarToolBase* tool) { return w->toolBar->GetToolEnabled(tool->GetId()); }

  void typeName(const std::string& text) {
    for (char c : text) w->taskNameText->AppendText(wxString(c));
  }
  // A grid edit as the operator makes it: the value runs through the grid's validation and
  // the change event.
  void editProperty(const char* key, const wxVariant& value) {
    ASSERT_TRUE(w->propertyGrid->ChangePropertyValue(key, value)) << key;
  }
  wxVariant propertyValue(const char* key) { return w->propertyGrid->GetPropertyValue(key); }

  // Selects the rows (by number) as a click in the list does, with its event.
  void selectRows(const std::vector<unsigned>& rows) {
    wxDataViewItemArray items;
    for (unsigned row : rows) items.push_back(w->model->GetItem(row));
    w->fileList->SetSelections(items);
    wxDataViewEvent event(wxEVT_DATAVIEW_SELECTION_CHANGED, w->fileList,
                          items.empty() ? wxDataViewItem() : items.front());
    w->fileList->HandleWindowEvent(event);
  }

  // Adds the files through "Add files" and its file chooser.
  void addFiles(const std::vector<std::string>& paths) {
    std::vector<wxString> answer;
    for (const std::string& path : paths) answer.push_back(wxString::FromUTF8(path));
    fileAnswers.push_back(answer);
    menu(w->addFilesMenuItem);
  }

  // Media information for a path, as if the file had been examined.
  void knowFile(const std::string& path, int width, int height, int64_t durationMs) {
    FileInfo info;
    info.info = {true, true, width, height, false, durationMs};
    w->infoCache.files[wxString::FromUTF8(path).ToStdWstring()] = info;
  }

  std::wstring rowId(unsigned row) { return w->rowData(row)->id; }
  std::string title() { return w->GetTitle().utf8_string(); }
  std::string headline() { return w->summaryLink->GetLabel().utf8_string(); }

  WxAssertionsFailTest assertionsFail;
  TempFolder settings;
  TempFolder folder;
  WndMain* w = nullptr;
  std::vector<vixo::Prompt> prompts;
  std::deque<int> promptAnswers;
  std::vector<vixo::FilePrompt> filePrompts;
  std::deque<std::vector<wxString>> fileAnswers;
  std::vector<RunCall> runs;
  std::vector<std::vector<ValidationMessage>> shownMessages;
};

}  // namespace vixo_test
