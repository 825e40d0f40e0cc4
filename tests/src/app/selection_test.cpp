// What the selection shows below the grid: a selected file's thumbnail fitted to its panel, the
// help of a selected setting, the description of the chosen method and the method's rows.
#include <gtest/gtest.h>
#include <wx/propgrid/propgrid.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/uiaction.h>

#include <fstream>
#include <memory>
#include <set>

#include "avifile/avi_system.h"
#include "editor_fixture.h"
#include "task/task_properties.h"
#include "task/vixo_method.h"

namespace {

using vixo_test::EditorTest;
using vixo_test::runEvents;

class SelectionTest : public EditorTest {
 protected:
  // A real click on the row of the setting.
  void clickRow(const char* key) {
    wxPGProperty* row = w->propertyGrid->GetProperty(key);
    const wxRect rect = w->propertyGrid->GetPropertyRect(row, row);
    wxUIActionSimulator mouse;
    mouse.MouseMove(w->propertyGrid->GetPanel()->ClientToScreen(rect.GetPosition() +
                                                                wxPoint(40, rect.height / 2)));
    runEvents(50);
    mouse.MouseClick();
    runEvents(150);
  }
  std::set<std::string> visibleMethodRows() {
    std::set<std::string> shown;
    for (const props::Property* property : getTaskProperties().methodGroup)
      if (w->propertyGrid->IsPropertyShown(wxString(property->key))) shown.insert(property->key);
    return shown;
  }
  wxSize thumbnailShownSize() { return w->thumbnailPicture->GetBitmap().GetSize(); }
};

TEST_F(SelectionTest, OneSelectedFileShowsItsThumbnailFittedToThePanel) {
  addFiles({"/clips/wide.mp4", "/clips/small.png", "/clips/loading.mp4"});
  w->rowData(0)->thumbnail = std::make_shared<wxImage>(400, 225);
  w->rowData(1)->thumbnail = std::make_shared<wxImage>(100, 50);
  w->thumbnailPanel->SetClientSize(300, 200);

  const struct {
    unsigned row;
    wxSize shown;
  } cases[] = {
      {0, wxSize(300, 168)},  // shrunk, aspect kept
      {1, wxSize(100, 50)},   // never enlarged
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    selectRows({c.row});
    w->thumbnailPanel->SetClientSize(300, 200);

    w->fitThumbnail();
    EXPECT_TRUE(w->thumbnailShown->get());
    EXPECT_TRUE(w->thumbnailPanel->IsShown());
    EXPECT_FALSE(w->infoScrolledWindow->IsShown());
    EXPECT_EQ(thumbnailShownSize(), c.shown);
  }

  // A file whose information is still loading shows the "not loaded" picture.
  selectRows({2});
  EXPECT_TRUE(w->thumbnailShown->get());
  EXPECT_EQ(w->thumbnail.GetSize(), w->videoNotLoadedPicture->GetBitmap().GetSize());

  // Two files, or none: the help area again.
  selectRows({0, 1});
  EXPECT_FALSE(w->thumbnailShown->get());
  EXPECT_TRUE(w->infoScrolledWindow->IsShown());
  selectRows({0});
  selectRows({});
  EXPECT_FALSE(w->thumbnailShown->get());
}

TEST_F(SelectionTest, ASelectedSettingExplainsItself) {
  w->SetSize(900, 700);
  w->Show();
  runEvents(300);
  clickRow("margin");
  EXPECT_EQ(w->infoTitleLabel->GetLabel(), "Margin");
  EXPECT_EQ(w->infoBodyLabel->GetLabelText(), "Margins in percents of screen");
  EXPECT_FALSE(w->thumbnailShown->get());
}

// The method's rows appear only for the chosen method; "Select method" changes nothing.
TEST_F(SelectionTest, TheChosenMethodShowsItsDescriptionAndExactlyItsRows) {
  w->SetSize(900, 700);
  w->Show();
  runEvents(300);
  EXPECT_TRUE(visibleMethodRows().empty());

  editProperty("method", wxVariant(4L));  // SCACJ
  const VIXOmethod* scacj = getTestMethods()[3];
  ASSERT_EQ(scacj->name, "SCACJ");
  EXPECT_EQ(w->infoTitleLabel->GetLabel(), "SCACJ");
  EXPECT_EQ(w->infoText, scacj->description);
  EXPECT_EQ(visibleMethodRows(),
            (std::set<std::string>{"cycles", "trainingQuestions", "limitPairs", "scacjScale"}));

  editProperty("method", wxVariant(1L));  // DSIS
  EXPECT_EQ(w->infoTitleLabel->GetLabel(), "DSIS");
  EXPECT_EQ(visibleMethodRows(),
            (std::set<std::string>{"cycles", "shuffleSources", "trainingQuestions"}));

  editProperty("method", wxVariant(0L));  // "Select method"
  EXPECT_EQ(w->infoTitleLabel->GetLabel(), "DSIS");
  EXPECT_EQ(visibleMethodRows(),
            (std::set<std::string>{"cycles", "shuffleSources", "trainingQuestions"}));

  // Selecting the method's row of a task shows its description and its rows.
  Task task;
  task.properties["method"] = makeStringValue("SCACJ");
  w->setTask(task, L"");
  clickRow("method");
  EXPECT_EQ(w->infoTitleLabel->GetLabel(), "SCACJ");
  EXPECT_EQ(visibleMethodRows().count("scacjScale"), 1u);
}

// Whatever method the grid showed before, a task put into the editor (opened, taken from the
// recent list, new, undone or redone) shows the rows of its own method at once.
TEST_F(SelectionTest, EveryTaskPutIntoTheEditorShowsItsOwnMethodsRows) {
  const std::set<std::string> dsisRows = {"cycles", "shuffleSources", "trainingQuestions"};
  const std::set<std::string> scacjRows = {"cycles", "trainingQuestions", "limitPairs",
                                           "scacjScale"};
  const auto saveTask = [this](const std::string& name, const char* method) {
    Task task;
    task.name = fromUtf8(name);
    task.properties["method"] = makeStringValue(method);
    const std::wstring path = fromUtf8(folder / (name + ".vixo"));
    std::ofstream(folder / (name + ".vixo")) << taskToJson(task, path).toString(-1);
    return path;
  };
  const std::wstring dsis = saveTask("dsis", "DSIS");
  const std::wstring scacj = saveTask("scacj", "SCACJ");
  w->SetSize(900, 700);
  w->Show();
  runEvents(300);

  fileAnswers.push_back({wxString(dsis)});
  menu(w->openMenuItem);  // "Open..."
  EXPECT_EQ(visibleMethodRows(), dsisRows);
  w->openRecentTask(scacj);
  EXPECT_EQ(visibleMethodRows(), scacjRows);
  w->openRecentTask(dsis);
  EXPECT_EQ(visibleMethodRows(), dsisRows);

  editProperty("method", wxVariant(4L));  // SCACJ
  EXPECT_EQ(visibleMethodRows(), scacjRows);
  menu(w->undoMenuItem);
  EXPECT_EQ(w->propertyGrid->GetPropertyValueAsString("method"), "DSIS");
  EXPECT_EQ(visibleMethodRows(), dsisRows);
  menu(w->redoMenuItem);
  EXPECT_EQ(visibleMethodRows(), scacjRows);

  promptAnswers = {wxID_NO};  // "Close, without saving"
  menu(w->newMenuItem);
  EXPECT_TRUE(visibleMethodRows().empty());
}

}  // namespace
