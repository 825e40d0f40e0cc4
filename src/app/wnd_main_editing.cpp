// Editing the task: the snapshot ring behind undo and redo, putting a whole task into the
// controls, and the edits that flow from the controls into the task.
#include <wx/propgrid/propgrid.h>
#include <wx/textctrl.h>

#include <algorithm>

#include "app/file_list.h"
#include "app/status_panel.h"
#include "app/wnd_main.h"

namespace {

constexpr int32_t kRingSize = 50;

}  // namespace

// ---------------------------------------------------------------- snapshots

void WndMain::pushUndoState() {
  if (applyingTask) return;
  // A new edit drops every snapshot that redo could still reach.
  undoCount = static_cast<int32_t>(undoPosition - undoBase);
  if (undoCount == 0 ||
      compareTasks(undoRing[static_cast<size_t>((undoPosition - 1) % kRingSize)], task) != 0) {
    undoRing[static_cast<size_t>(undoPosition % kRingSize)] = task;
    undoCount += 1;
    if (undoCount > kRingSize) {
      undoBase += undoCount - kRingSize;
      undoCount = kRingSize;
    }
    undoPosition += 1;
  }
  updateUndoState();
}

void WndMain::undo() {
  if (undoPosition <= undoBase + 1) return;
  undoPosition -= 1;
  applyTask(undoRing[static_cast<size_t>((undoPosition - 1) % kRingSize)]);
  updateUndoState();
}

void WndMain::redo() {
  if (undoPosition >= undoBase + undoCount) return;
  applyTask(undoRing[static_cast<size_t>(undoPosition % kRingSize)]);
  undoPosition += 1;
  updateUndoState();
}

void WndMain::updateUndoState() {
  canUndo->set(undoPosition > undoBase + 1);
  canRedo->set(undoPosition < undoBase + undoCount);
  updateTitle();
  // Every change of the task checks again the files that did not open.
  examineUnopenedFilesAgain();
  updateValidationStatus();
  onSelectionChanged();
  showThumbnail();
}

void WndMain::applyTask(const Task& t) {
  const bool wasApplying = applyingTask;
  applyingTask = true;

  taskNameText->SetValue(wxString(t.name.c_str()));
  task.name = t.name;

  if (samePropertyValues(t.properties, task.properties) != 0) {
    for (auto& [key, row] : gridInitializer->rows)
      row.getter->putDefault(row.property, row.description);
    PropertyGridInitializer::Values values = t.properties;
    gridInitializer->applyValues(values);
    task.properties = t.properties;
  }
  // The grid shows the settings of the task's own method, whatever method was shown before.
  showMethodRows(t.method());

  if (t.files == task.files) {
    if (t.references != task.references) {
      std::set<unsigned> changed;
      for (int index : task.references)
        if (task.hasFile(index)) {
          rowData(static_cast<unsigned>(index))->isReference = false;
          changed.insert(static_cast<unsigned>(index));
        }
      for (int index : t.references)
        if (t.hasFile(index)) {
          rowData(static_cast<unsigned>(index))->isReference = true;
          changed.insert(static_cast<unsigned>(index));
        }
      model->refreshRows(changed);
      task.references = t.references;
    }
  } else {
    // The old records go once the new rows stand, so a cached file is never looked up twice.
    const auto oldRows = std::move(fileRows);
    fileRows.clear();
    model->DeleteAllItems();
    for (size_t i = 0; i < t.files.size(); ++i) {
      auto data = createFileData(t.files[i]);
      if (t.references.count(static_cast<int>(i))) {
        data->isReference = true;
        data->refreshRow();
      }
    }
    task.references = t.references;
    task.files = t.files;
  }

  applyingTask = wasApplying;
}

void WndMain::setTask(const Task& t, const std::wstring& path) {
  taskPath = path;
  applyTask(t);
  undoRing.fill(Task());
  undoCount = 0;
  undoBase = 0;
  undoPosition = 0;
  pushUndoState();
  savedPosition = undoPosition;
  statusPanel->watchResults(taskPath);
  updateUndoState();
}

// ---------------------------------------------------------------- edits from the controls

void WndMain::modelToTask() {
  const unsigned count = model->GetCount();
  task.files.resize(count);
  task.references.clear();
  for (unsigned row = 0; row < count; ++row) {
    const FileData* data = rowData(row);
    task.files[row] = data->entry();
    if (data->isReference) task.references.insert(static_cast<int>(row));
  }
  pushUndoState();
}

void WndMain::onTaskNameChanged(const wxString& text) {
  task.name = text.ToStdWstring();
  pushUndoState();
}

void WndMain::onPropertyChanged(wxPropertyGridEvent& event) {
  wxPGProperty* property = event.GetProperty();
  if (property && property->GetName() == "method") {
    const wxVariant value = event.GetValue();
    selectMethod(static_cast<int>(value.IsNull() ? 0 : value.GetLong()) - 1);
  } else {
    event.Skip();
  }
  task.properties = gridInitializer->collectValues();
  pushUndoState();
}

void WndMain::onFileIdEdited(wxDataViewEvent& event) {
  if (event.GetColumn() != 0) return;
  FileData* data = itemData(event.GetItem());
  if (!data) return;
  wxDataViewIconText edited;
  edited << event.GetValue();
  const std::wstring text = edited.GetText().ToStdWstring();
  if (text == data->id) return;
  if (text.empty()) {
    event.Veto();
    return;
  }
  data->id = text;
  modelToTask();
}

void WndMain::addFiles() {
  for (const std::wstring& path : selectFiles(this, "Select file(s)")) addFile(path);
  modelToTask();
}

void WndMain::removeSelectedFiles() {
  for (FileData* data : selectedFiles()) {
    const wxDataViewItem item = data->rowItem;
    data->rowItem = wxDataViewItem();
    model->DeleteItem(model->GetRow(item));
    fileRows.erase(data);
  }
  modelToTask();
}

void WndMain::setReference() {
  // `task` still holds the references from before the command.
  for (FileData* data : selectedFiles()) {
    if (data->isReference) continue;
    const int reference = task.referenceOfGroup(data->group);
    if (reference >= 0) {
      FileData* old = rowData(static_cast<unsigned>(reference));
      old->isReference = false;
      old->refreshRow();
    }
    data->isReference = true;
    data->refreshRow();
  }
  modelToTask();
  pushUndoState();
}

void WndMain::setGroup(int group) {
  bool hasReference = task.referenceOfGroup(group) >= 0;
  for (FileData* data : selectedFiles()) {
    data->group = group;
    data->isReference = data->isReference && !hasReference;
    if (data->isReference) hasReference = true;
    data->refreshRow();
  }
  modelToTask();
  pushUndoState();
}

void WndMain::moveSelectedFiles(int delta) {
  std::vector<FileData*> selected = selectedFiles();
  std::sort(selected.begin(), selected.end(), [this, delta](FileData* a, FileData* b) {
    return static_cast<long>(model->GetRow(a->rowItem)) * -delta <
           static_cast<long>(model->GetRow(b->rowItem)) * -delta;
  });
  wxDataViewItemArray moved;
  for (FileData* data : selected) moved.push_back(moveRow(data->rowItem, delta));
  fileList->SetSelections(moved);
  modelToTask();
}

wxDataViewItem WndMain::moveRow(const wxDataViewItem& item, int delta) {
  const unsigned row = model->GetRow(item);
  const long target = static_cast<long>(row) + delta;
  if (target < 0 || target >= static_cast<long>(model->GetCount())) return item;
  wxVector<wxVariant> values(kFileListColumns);
  for (unsigned column = 0; column < values.size(); ++column)
    model->GetValueByRow(values[column], row, column);
  FileData* data = itemData(item);
  model->DeleteItem(row);
  model->InsertItem(static_cast<unsigned>(target), values, reinterpret_cast<wxUIntPtr>(data));
  data->rowItem = model->GetItem(static_cast<unsigned>(target));
  return data->rowItem;
}
