#include "layouts/pictures.h"

#include <wx/bitmap.h>
#include <wx/image.h>
#include <wx/imagpng.h>
#include <wx/log.h>
#include <wx/mstream.h>

#include "layouts/picture_bytes.h"

// The PNG files, compiled in (generated from src/layouts/resources).
extern const PictureBytes kSetReferenceToolPicture;
extern const PictureBytes kSetReferenceMenuPicture;
extern const PictureBytes kMoveDownToolPicture;
extern const PictureBytes kMoveUpToolPicture;
extern const PictureBytes kFileLoadingPicture;
extern const PictureBytes kSetGroupMenuPicture;
extern const PictureBytes kGroupFilesToolPicture;
extern const PictureBytes kProductLogoPicture;
extern const PictureBytes kViewResultsToolPicture;
extern const PictureBytes kViewResultsMenuPicture;
extern const PictureBytes kVideoNotLoadedPicture;
extern const PictureBytes kDebugToolPicture;
extern const PictureBytes kDebugMenuPicture;
extern const PictureBytes kDebugToolBlockedPicture;
extern const PictureBytes kAddFilesToolPicture;
extern const PictureBytes kAddFilesMenuPicture;
extern const PictureBytes kRunToolPicture;
extern const PictureBytes kRunMenuPicture;
extern const PictureBytes kRunToolBlockedPicture;
extern const PictureBytes kFileErrorPicture;
extern const PictureBytes kFileOkPicture;
extern const PictureBytes kRemoveFilesToolPicture;
extern const PictureBytes kRemoveFilesMenuPicture;

namespace {

wxImage decodePng(wxInputStream& stream) {
  // The application registers the handler at start-up; a picture asked for before that would
  // otherwise stay empty for the life of the process.
  if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
  wxLogNull quiet;  // a picture that cannot be decoded stays invalid, without a message box
  wxImage image;
  image.LoadFile(stream, wxBITMAP_TYPE_PNG, -1);
  return image;
}

// One instance per picture, each with its own three statics: the stream and the image stay
// alive beside the bitmap and are destroyed after it.
template <const PictureBytes& bytes>
const wxBitmap& compiledPicture() {
  static wxMemoryInputStream stream(bytes.data, bytes.size);
  static wxImage image = decodePng(stream);
  static const wxBitmap bitmap(image, -1);
  return bitmap;
}

}  // namespace

const wxBitmap& setReferenceToolBitmap() { return compiledPicture<kSetReferenceToolPicture>(); }
const wxBitmap& setReferenceMenuBitmap() { return compiledPicture<kSetReferenceMenuPicture>(); }
const wxBitmap& moveDownToolBitmap() { return compiledPicture<kMoveDownToolPicture>(); }
const wxBitmap& moveUpToolBitmap() { return compiledPicture<kMoveUpToolPicture>(); }
const wxBitmap& fileLoadingBitmap() { return compiledPicture<kFileLoadingPicture>(); }
const wxBitmap& setGroupMenuBitmap() { return compiledPicture<kSetGroupMenuPicture>(); }
const wxBitmap& groupFilesToolBitmap() { return compiledPicture<kGroupFilesToolPicture>(); }
const wxBitmap& productLogoBitmap() { return compiledPicture<kProductLogoPicture>(); }
const wxBitmap& viewResultsToolBitmap() { return compiledPicture<kViewResultsToolPicture>(); }
const wxBitmap& viewResultsMenuBitmap() { return compiledPicture<kViewResultsMenuPicture>(); }
const wxBitmap& videoNotLoadedBitmap() { return compiledPicture<kVideoNotLoadedPicture>(); }
const wxBitmap& debugToolBitmap() { return compiledPicture<kDebugToolPicture>(); }
const wxBitmap& debugMenuBitmap() { return compiledPicture<kDebugMenuPicture>(); }
const wxBitmap& debugToolBlockedBitmap() { return compiledPicture<kDebugToolBlockedPicture>(); }
const wxBitmap& addFilesToolBitmap() { return compiledPicture<kAddFilesToolPicture>(); }
const wxBitmap& addFilesMenuBitmap() { return compiledPicture<kAddFilesMenuPicture>(); }
const wxBitmap& runToolBitmap() { return compiledPicture<kRunToolPicture>(); }
const wxBitmap& runMenuBitmap() { return compiledPicture<kRunMenuPicture>(); }
const wxBitmap& runToolBlockedBitmap() { return compiledPicture<kRunToolBlockedPicture>(); }
const wxBitmap& fileErrorBitmap() { return compiledPicture<kFileErrorPicture>(); }
const wxBitmap& fileOkBitmap() { return compiledPicture<kFileOkPicture>(); }
const wxBitmap& removeFilesToolBitmap() { return compiledPicture<kRemoveFilesToolPicture>(); }
const wxBitmap& removeFilesMenuBitmap() { return compiledPicture<kRemoveFilesMenuPicture>(); }
