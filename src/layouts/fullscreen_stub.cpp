#include "layouts/fullscreen_stub.h"

#include <wx/font.h>
#include <wx/hyperlink.h>
#include <wx/panel.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>

#include "layouts/layout_rows.h"

FullscreenStub::FullscreenStub(wxWindow* parent, wxWindowID id, const wxString& title,
                               const wxPoint& pos, const wxSize& size, long style)
    : wxFrame(parent, id, title, pos, size, style) {
  SetSizeHints(wxDefaultSize, wxDefaultSize);
  // The players paint the test's own background colour over this later.
  SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_ACTIVECAPTION));

  const long kFillerStyle = wxBORDER_NONE | wxTRANSPARENT_WINDOW | wxTAB_TRAVERSAL;
  mainSizer = new wxBoxSizer(wxVERTICAL);

  progressTrackPanel =
      new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL);
  progressTrackPanel->SetBackgroundColour(wxColour(255, 255, 255));
  auto* progressTrackSizer = new wxBoxSizer(wxVERTICAL);
  progressBarPanel =
      new wxPanel(progressTrackPanel, wxID_ANY, wxDefaultPosition, wxSize(50, 4), wxTAB_TRAVERSAL);
  progressBarPanel->SetBackgroundColour(wxColour(0, 0, 255));
  progressTrackSizer->Add(progressBarPanel, 0, 0, 5);
  finishPanel(progressTrackPanel, progressTrackSizer);
  mainSizer->Add(progressTrackPanel, 0, wxEXPAND, 5);

  topFillerPanel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, kFillerStyle);
  mainSizer->Add(topFillerPanel, 1, wxEXPAND, 5);

  auto* pictureRowSizer = new wxBoxSizer(wxHORIZONTAL);
  leftFillerPanel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, kFillerStyle);
  pictureRowSizer->Add(leftFillerPanel, 1, wxEXPAND, 5);

  firstVideoPanel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxSize(100, 100),
                                wxTRANSPARENT_WINDOW | wxTAB_TRAVERSAL);
  firstVideoSizer = new wxBoxSizer(wxVERTICAL);
  firstImagePicture = new wxStaticBitmap(firstVideoPanel, wxID_ANY, wxNullBitmap, wxDefaultPosition,
                                         wxDefaultSize, 0);
  firstVideoSizer->Add(firstImagePicture, 1, wxEXPAND, 5);
  // The video panels keep the size they were given: laid out, not fitted.
  firstVideoPanel->SetSizer(firstVideoSizer);
  firstVideoPanel->Layout();
  pictureRowSizer->Add(firstVideoPanel, 0, wxEXPAND, 5);

  middleFillerPanel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, kFillerStyle);
  pictureRowSizer->Add(middleFillerPanel, 1, wxEXPAND, 5);

  secondVideoPanel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxSize(100, 100),
                                 wxTRANSPARENT_WINDOW | wxTAB_TRAVERSAL);
  secondVideoSizer = new wxBoxSizer(wxVERTICAL);
  secondImagePicture = new wxStaticBitmap(secondVideoPanel, wxID_ANY, wxNullBitmap,
                                          wxDefaultPosition, wxDefaultSize, 0);
  secondVideoSizer->Add(secondImagePicture, 1, wxEXPAND, 5);
  secondVideoPanel->SetSizer(secondVideoSizer);
  secondVideoPanel->Layout();
  pictureRowSizer->Add(secondVideoPanel, 0, wxEXPAND, 5);

  rightFillerPanel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, kFillerStyle);
  pictureRowSizer->Add(rightFillerPanel, 1, wxEXPAND, 5);
  mainSizer->Add(pictureRowSizer, 0, wxEXPAND, 5);

  bottomPanel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, kFillerStyle);
  auto* bottomSizer = new wxBoxSizer(wxVERTICAL);
  linkPanel = new wxPanel(bottomPanel, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL);
  linkPanel->SetForegroundColour(wxColour(240, 240, 240));
  linkPanel->SetBackgroundColour(wxColour(255, 255, 255));
  auto* linkSizer = new wxBoxSizer(wxVERTICAL);
  addressLink = newLink(linkPanel, "wxFB Website", kPlaceholderUrl);
  addressLink->SetFont(
      wxFont(20, wxFONTFAMILY_SWISS, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL, false, "Arial"));
  linkSizer->Add(addressLink, 0, wxALL, 15);
  finishPanel(linkPanel, linkSizer);
  bottomSizer->Add(linkPanel, 0, wxALL | wxALIGN_CENTER_HORIZONTAL, 10);
  finishPanel(bottomPanel, bottomSizer);
  mainSizer->Add(bottomPanel, 1, wxEXPAND, 5);

  // Not fitted: the frame keeps the size it was created with.
  SetSizer(mainSizer);
  Layout();
  Centre(wxBOTH);
}
