#include "player/dlg_voting_scacj.h"

#include <wx/brush.h>
#include <wx/graphics.h>
#include <wx/image.h>
#include <wx/slider.h>
#include <wx/statbmp.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

#include "common/control_bindings.h"
#include "player/run_dialog.h"

namespace {

constexpr int kCircleSize = 48;

// HSV to RGB (hue as a fraction of a turn), each channel truncated after multiplying by 255:
// the scale's colours are fixed that way. The toolkit's own conversion rounds, which turns
// 229.5 into 230.
wxColour hsvColour(double hue, double saturation, double value) {
  const double sector = hue * 6.0;
  const int i = static_cast<int>(std::floor(sector));
  const double f = sector - i;
  const double p = value * (1.0 - saturation);
  const double q = value * (1.0 - saturation * f);
  const double t = value * (1.0 - saturation * (1.0 - f));
  double r, g, b;
  switch (i) {
    case 0:
      r = value, g = t, b = p;
      break;
    case 1:
      r = q, g = value, b = p;
      break;
    case 2:
      r = p, g = value, b = t;
      break;
    case 3:
      r = p, g = q, b = value;
      break;
    case 4:
      r = t, g = p, b = value;
      break;
    default:
      r = value, g = p, b = q;
      break;
  }
  const auto channel = [](double c) { return static_cast<unsigned char>(c * 255.0); };
  return wxColour(channel(r), channel(g), channel(b), 255);
}

}  // namespace

wxBitmap makeCircleBitmap(double x) {
  wxImage image(kCircleSize, kCircleSize, true);
  // The image owns the alpha buffer it is given (malloc'ed); all 0: fully transparent.
  auto* alpha = static_cast<unsigned char*>(std::malloc(kCircleSize * kCircleSize));
  std::memset(alpha, 0, kCircleSize * kCircleSize);
  image.SetAlpha(alpha);
  {
    std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(image));
    gc->SetPen(wxNullPen);
    gc->SetBrush(wxBrush(hsvColour(x * 120 / 360, 0.6, 0.9)));
    gc->DrawEllipse(0, 0, kCircleSize, kCircleSize);
  }  // deleting the context writes the drawing into the image
  return wxBitmap(image);
}

const wxBitmap& circleBitmap(int v) {
  static const std::array<wxBitmap, 7> circles = {
      makeCircleBitmap(0),       makeCircleBitmap(1.0 / 6), makeCircleBitmap(2.0 / 6),
      makeCircleBitmap(3.0 / 6), makeCircleBitmap(4.0 / 6), makeCircleBitmap(5.0 / 6),
      makeCircleBitmap(1)};
  return circles[std::clamp(v, -3, 3) + 3];
}

DlgVotingSCACJ::DlgVotingSCACJ(wxWindow* parent, TestInterrupter* interrupter)
    : DlgVotingSCACJstub(parent, wxID_ANY, "Give your mark (SCACJ method)") {
  markVar = connections::makeVarWxSlider(markSlider);
  mark = markVar;
  bindDecimalLabel(choiceValueLabel, mark, bindings);
  showCircles(0);
  connections::holdBinding(connections::makeListener(connections::makeFunctor(
                               std::function<void(int)>([this](int v) { showCircles(v); }), mark)),
                           bindings);

  bindVoteButtons(*this, okButton, watchAgainButton, buttonPressed, watchAgain);
  bindRunDialogClose(*this, buttonPressed, interrupter);
  Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
    const int n = digitOfKey(event.GetKeyCode());
    if (n < 0 || n > 3) {
      event.Skip();
      return;
    }
    markVar->set(event.ControlDown() ? -n : n);
  });
}

void DlgVotingSCACJ::showCircles(int v) {
  leftCirclePicture->SetBitmap(circleBitmap(-v));
  rightCirclePicture->SetBitmap(circleBitmap(v));
}
