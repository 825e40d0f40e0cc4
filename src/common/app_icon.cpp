#include "common/app_icon.h"

#include <wx/bitmap.h>
#include <wx/icon.h>
#include <wx/imagbmp.h>
#include <wx/image.h>
#include <wx/imagpng.h>
#include <wx/mstream.h>

// The icon file, compiled in (generated from src/common/resources/vixo.ico).
extern const unsigned char kAppIconData[];
extern const unsigned long kAppIconSize;

wxIconBundle makeAppIconBundle() {
  // The ICO handler is registered once in the life of the process.
  static const bool registered = [] {
    // The largest image is stored PNG-compressed inside the icon file.
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
    if (!wxImage::FindHandler(wxBITMAP_TYPE_ICO)) wxImage::AddHandler(new wxICOHandler);
    return true;
  }();
  (void)registered;
  wxIconBundle bundle;
  wxMemoryInputStream stream(kAppIconData, kAppIconSize);
  const int count = wxImage::GetImageCount(stream, wxBITMAP_TYPE_ICO);
  for (int index = 0; index < count; ++index) {
    stream.SeekI(0);
    wxImage image;
    if (!image.LoadFile(stream, wxBITMAP_TYPE_ICO, index)) continue;  // left out of the bundle
    wxIcon icon;
    icon.CopyFromBitmap(wxBitmap(image));
    bundle.AddIcon(icon);
  }
  return bundle;
}
