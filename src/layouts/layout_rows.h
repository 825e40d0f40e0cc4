// Steps that several layouts repeat: a static text wrapped as the layouts want it, the end of a
// container (its sizer set, laid out and fitted), columns of labels spread by stretch spacers,
// and the address that links carry until their windows set the real one.
#pragma once

#include <initializer_list>
#include <utility>

#include <wx/string.h>

class wxBoxSizer;
class wxFont;
class wxHyperlinkCtrl;
class wxButton;
class wxSizer;
class wxStaticBitmap;
class wxStaticText;
class wxWindow;

// Never opened: the windows set the real address or handle the click themselves.
inline constexpr const char* kPlaceholderUrl = "https://vixo.orlo.example/";

// A static text on parent with the default id, position and size, then Wrap with wrapWidth
// (-1: no wrapping).
wxStaticText* newLabel(wxWindow* parent, const wxString& text, long style = 0, int wrapWidth = -1);

// A link with the default link style. An empty label or URL stays empty: the toolkit would
// otherwise put the one in place of the other.
wxHyperlinkCtrl* newLink(wxWindow* parent, const wxString& label, const wxString& url);

// Sets sizer on panel, lays the panel out and fits it to the sizer.
void finishPanel(wxWindow* panel, wxSizer* sizer);

// One label to create: where its pointer goes and its text.
using LabelSlot = std::pair<wxStaticText**, const char*>;

// Creates the labels on parent in order and adds each to column (proportion 0, flags, border
// 5), with a stretch spacer (0 x 0, proportion spread, wxEXPAND, border 5) between each two.
void addSpreadLabels(wxSizer* column, wxWindow* parent, std::initializer_list<LabelSlot> labels,
                     int flags, int spread);

// The numbers "100" to "0" of a quality scale, spread from top to bottom: a vertical column.
wxBoxSizer* newScaleNumbersColumn(wxWindow* parent, std::initializer_list<LabelSlot> labels);

// The five quality words, each at the middle of an equal band of the column's height: an
// 8-pixel gap and a half step at each end, full steps between the words.
wxBoxSizer* newScaleWordsColumn(wxWindow* parent, std::initializer_list<LabelSlot> labels);

// The button row of the voting dialogs: "Watch again" and "OK" (the default button) between
// three equal stretch spacers, each button with a border of 5 on every side.
wxBoxSizer* newWatchAgainOkRow(wxWindow* dialog, wxButton** watchAgainButton, wxButton** okButton);

// "Orlo Vixo" in 19-point type, centred: the product name of the loading and About windows.
wxStaticText* newProductNameLabel(wxWindow* parent);

// A bold font of the toolkit's normal point size, default family, no face name.
wxFont boldNormalFont();

// A horizontal row that starts with the product logo (proportion 0, centred vertically, border 5
// on every side); the loading, About and start-test windows' top row.
wxBoxSizer* newLogoRow(wxWindow* dialog, wxStaticBitmap** logoPicture);
