// The SAMVIQ voting dialog: after each video of a group the observer marks the sequence just
// watched on the scale 0 to 100, may change earlier marks, picks the next sequence (or the
// reference) to watch, or ends the group.
//
// The group is given as an order of sequence numbers; a position is an index into it, -1 the
// reference (watched, never marked). The marks live in the caller's map from sequence number to
// mark, which the dialog changes in place as the slider moves. After the modal loop the player
// reads `nextStep` (the group is done) or else `selected` (the position to watch next). A close
// goes through the player's interrupter. GUI thread only.
//
// Within one dialog the position just watched starts being changed (the slider enabled) unless
// it is the reference; selecting another position ends the change; "Change mark" starts a
// change of the selected position when its sequence has a mark.
#pragma once

#include <map>
#include <vector>

#include "common/operations.h"
#include "common/variable.h"
#include "layouts/dlg_voting_samviq_stub.h"
#include "layouts/samviq_mark_stub.h"

class TestInterrupter;

class DlgVotingSAMVIQ : public DlgVotingSAMVIQstub {
 public:
  // One sequence's panel: its letter on a radio button that follows `selected`, its mark and,
  // while the mark is changed, the old one. A child of the dialog.
  class SAMVIQmark : public SAMVIQmarkStub {
   public:
    SAMVIQmark(wxWindow* parent, const connections::VariableMemPtr<int>& selected, int position,
               int mark);

    int mark;     // the mark shown; -1 for none
    int oldMark;  // the mark when the dialog opened; -1 for none
    connections::BindingList bindings;
  };

  // `order` and `marks` must outlive the dialog; `current` is the position just watched.
  DlgVotingSAMVIQ(wxWindow* parent, TestInterrupter* interrupter, const std::vector<int>& order,
                  std::map<int, int>& marks, int current, bool lastGroup);

  void startChange(int position);
  void endChange();
  void onSelected(int position);
  void setMark(int value);

  SAMVIQmark* referencePanel = nullptr;
  std::vector<SAMVIQmark*> markPanels;
  connections::VariableMemPtr<int> selected;
  connections::VariableMemPtr<bool> selectedHasMark;
  connections::VariableMemPtr<bool> editing;
  const std::vector<int>* sequences;
  std::map<int, int>* marks;
  int changingPosition = -1;
  bool nextStep = false;
  bool buttonPressed = false;
  connections::BindingList bindings;  // must stay the last member: released first
};
