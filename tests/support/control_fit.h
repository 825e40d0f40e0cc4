// Whether a window shows its controls whole, measured against the sizes the toolkit's fonts and
// themes give them. GUI thread only.
#pragma once

#include <string>
#include <vector>

class wxPropertyGrid;
class wxWindow;

namespace vixo_test {

// The shown controls of the window (buttons, labels, links, check boxes, choices) that are
// smaller than their best size or reach beyond the client area of the window that holds them,
// one line each; empty when every control is whole.
std::vector<std::string> cutControls(wxWindow* window);

// The rows of the shown grid whose labels do not fit into the label column, one line each.
std::vector<std::string> cutGridLabels(wxPropertyGrid* grid);

}  // namespace vixo_test
