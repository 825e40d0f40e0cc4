// Layout of the borderless full-screen frame on which a test pass is shown: a progress strip
// across the top, one picture or two side by side between stretching fillers, and under them a
// white box with a large link that carries the online test's address.
//
// Builds the controls and nothing else; the players' full-screen window derives from it, sizes
// and shows the parts and binds all behaviour. GUI thread only.
#pragma once

#include <wx/frame.h>

class wxBoxSizer;
class wxHyperlinkCtrl;
class wxPanel;
class wxStaticBitmap;

class FullscreenStub : public wxFrame {
 public:
  FullscreenStub(wxWindow* parent, wxWindowID id = wxID_ANY, const wxString& title = wxEmptyString,
                 const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxSize(668, 212),
                 long style = wxBORDER_NONE | wxTAB_TRAVERSAL);

  wxBoxSizer* mainSizer = nullptr;  // the full-screen window shows and hides items through it
  wxPanel* progressTrackPanel = nullptr;
  wxPanel* progressBarPanel = nullptr;  // its width follows the pass's progress
  wxPanel* topFillerPanel = nullptr;
  wxPanel* leftFillerPanel = nullptr;
  wxPanel* firstVideoPanel = nullptr;  // its native window receives the first video's frames
  wxBoxSizer* firstVideoSizer = nullptr;
  wxStaticBitmap* firstImagePicture = nullptr;  // a still image or the online test's QR code
  wxPanel* middleFillerPanel = nullptr;
  wxPanel* secondVideoPanel = nullptr;
  wxBoxSizer* secondVideoSizer = nullptr;
  wxStaticBitmap* secondImagePicture = nullptr;
  wxPanel* rightFillerPanel = nullptr;  // shown only with two pictures
  wxPanel* bottomPanel = nullptr;
  wxPanel* linkPanel = nullptr;  // shown only while the online test's address is on screen
  wxHyperlinkCtrl* addressLink = nullptr;
};
