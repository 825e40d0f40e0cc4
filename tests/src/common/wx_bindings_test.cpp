// The reactive values on real windows: the nested event loop, posting to windows, the control
// bindings and the application icon. Runs under a real X server (Xvfb in the test script).
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/frame.h>
#include <wx/gauge.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/toolbar.h>
#include <wx/utils.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "common/app_icon.h"
#include "common/control_bindings.h"
#include "common/event_getter.h"
#include "common/event_loop_wait.h"
#include "common/operations.h"
#include "support/gui_pump.h"

namespace {

using namespace connections;
using namespace std::chrono_literals;

using vixo_test::pumpUntil;

// A frame with a panel and a vertical sizer, destroyed with the fixture.
class WindowTest : public testing::Test {
 protected:
  void SetUp() override {
    frame = new wxFrame(nullptr, wxID_ANY, "test", wxDefaultPosition, wxSize(400, 300));
    panel = new wxPanel(frame);
    sizer = new wxBoxSizer(wxVERTICAL);
    panel->SetSizer(sizer);
    frame->Show();
  }
  void TearDown() override {
    bindings.clear();  // before the controls
    frame->Destroy();
    pumpUntil([] { return wxTopLevelWindows.empty(); });
  }

  wxFrame* frame = nullptr;
  wxPanel* panel = nullptr;
  wxBoxSizer* sizer = nullptr;
  BindingList bindings;
};

// ---------------------------------------------------------------- nested loop

TEST_F(WindowTest, LoopOverATrueExpressionReturnsAtOnceWithoutDispatching) {
  auto yes = makeVariableMem(true);
  bool dispatched = false;
  wxTheApp->CallAfter([&] { dispatched = true; });
  runEventLoopUntil(yes);
  EXPECT_FALSE(dispatched);
  pumpUntil([&] { return dispatched; });
}

TEST_F(WindowTest, LoopEndedByAWorkerThread) {
  auto count = makeVariableMem(0);
  std::mutex owner;  // the variable's owner sets it under its lock
  std::atomic<bool> workerDone{false};
  // The worker starts once the nested loop dispatches events, so the loop is really ended from
  // the other thread.
  std::promise<void> loopRunning;
  std::future<void> running = loopRunning.get_future();
  wxTheApp->CallAfter([&] { loopRunning.set_value(); });
  std::thread worker([&] {
    if (running.wait_for(10s) != std::future_status::ready) return;
    for (int i = 1; i <= 5; ++i) {
      std::lock_guard<std::mutex> lock(owner);
      count->set(i);
    }
    workerDone = true;
  });
  runEventLoopUntil(count >= makeConstant(5));
  EXPECT_EQ(count->get(), 5);
  worker.join();
  EXPECT_TRUE(workerDone.load());
  EXPECT_EQ(count->dependents().size(), 0u);
}

TEST_F(WindowTest, LoopEndsEvenIfTheExpressionTurnsFalseAgain) {
  auto flag = makeVariableMem(false);
  wxTheApp->CallAfter([flag] {
    flag->set(true);
    flag->set(false);
  });
  runEventLoopUntil(flag);
  EXPECT_FALSE(flag->get());
  // and a change afterwards reaches nothing of the finished wait
  EXPECT_EQ(flag->dependents().size(), 0u);
}

TEST_F(WindowTest, NestedLoopsEndInTurn) {
  auto outer = makeVariableMem(false);
  auto inner = makeVariableMem(false);
  std::vector<std::string> order;
  wxTheApp->CallAfter([&] {
    // inside the outer loop: the outer condition turns true, then an inner loop runs
    outer->set(true);
    wxTheApp->CallAfter([&] { inner->set(true); });
    runEventLoopUntil(inner);
    order.push_back("inner");
  });
  runEventLoopUntil(outer);
  order.push_back("outer");
  EXPECT_EQ(order, (std::vector<std::string>{"inner", "outer"}));
}

// ---------------------------------------------------------------- posting

TEST_F(WindowTest, PostsRunOnTheGuiThreadInOrder) {
  auto getter = std::make_unique<EventGetter>(frame);
  auto helper = getter->helper();
  const auto gui = std::this_thread::get_id();
  std::vector<int> ran;
  std::vector<std::thread::id> threads;
  std::thread worker([&] {
    for (int i = 0; i < 50; ++i)
      EventGetterSetterHelper::post(helper, [&, i] {
        ran.push_back(i);
        threads.push_back(std::this_thread::get_id());
      });
  });
  worker.join();
  EXPECT_TRUE(ran.empty());  // nothing ran on the worker
  ASSERT_TRUE(pumpUntil([&] { return ran.size() == 50; }));
  for (int i = 0; i < 50; ++i) EXPECT_EQ(ran[i], i);
  for (auto id : threads) EXPECT_EQ(id, gui);

  // a post from the GUI thread itself runs later, not at once
  bool later = false;
  EventGetterSetterHelper::post(helper, [&] { later = true; });
  EXPECT_FALSE(later);
  ASSERT_TRUE(pumpUntil([&] { return later; }));
}

// A window that owns its posting channel, as the system's windows do.
class PostingPanel : public wxPanel {
 public:
  explicit PostingPanel(wxWindow* parent) : wxPanel(parent), getter(this) {}
  EventGetter getter;
};

TEST_F(WindowTest, PostsToAWindowThatIsGoneAreDropped) {
  auto* window = new PostingPanel(panel);
  auto helper = window->getter.helper();
  int ran = 0;
  EventGetterSetterHelper::post(helper, [&] { ++ran; });  // queued, then discarded with it
  window->Destroy();  // a child window goes at once, with its pending events
  EventGetterSetterHelper::post(helper, [&] { ++ran; });
  std::thread worker([&] { EventGetterSetterHelper::post(helper, [&] { ++ran; }); });
  worker.join();
  pumpUntil([] { return false; }, 100ms);
  EXPECT_EQ(ran, 0);

  // a getter without a window drops from the start
  EventGetter none(nullptr);
  EventGetterSetterHelper::post(none.helper(), [&] { ++ran; });
  pumpUntil([] { return false; }, 50ms);
  EXPECT_EQ(ran, 0);
}

// The getter's nuller is what cuts the channel: once it goes, the shared state has no window
// and later posts are dropped, although the window and the shared state still live.
TEST_F(WindowTest, TheNullerCutsTheChannel) {
  EventGetter getter(frame);
  const std::shared_ptr<EventGetterSetterHelper> helper = getter.helper();
  ASSERT_NE(getter.nuller, nullptr);
  EXPECT_EQ(getter.nuller->shared, helper);
  EXPECT_EQ(helper->window, frame);
  int ran = 0;
  EventGetterSetterHelper::post(helper, [&] { ++ran; });
  ASSERT_TRUE(pumpUntil([&] { return ran == 1; }));
  getter.nuller.reset();
  EXPECT_EQ(helper->window, nullptr);
  EventGetterSetterHelper::post(helper, [&] { ++ran; });
  pumpUntil([] { return false; }, 50ms);
  EXPECT_EQ(ran, 1);
}

// ---------------------------------------------------------------- two-way bindings

TEST_F(WindowTest, TextBinding) {
  auto* text = new wxTextCtrl(panel, wxID_ANY, "start");
  sizer->Add(text);
  int events = 0, lastId = 0;
  text->Bind(wxEVT_TEXT, [&](wxCommandEvent& e) {
    ++events;
    lastId = e.GetId();
    e.Skip();
  });
  auto var = holdBinding(makeVarWxText(text), bindings);
  std::vector<wxString> seen;
  auto listener =
      holdBinding(makeListener(makeFunctor(
                      std::function<void(wxString)>([&](wxString s) { seen.push_back(s); }), var)),
                  bindings);
  EXPECT_EQ(var->get(), "start");

  var->set("start");  // the text it shows: nothing
  EXPECT_EQ(events, 0);
  EXPECT_TRUE(seen.empty());

  var->set("next");  // no event of the control itself, one synthetic one, two notices
  EXPECT_EQ(text->GetValue(), "next");
  EXPECT_EQ(events, 1);
  EXPECT_EQ(lastId, wxID_ANY);
  EXPECT_EQ(seen, (std::vector<wxString>{"next", "next"}));

  seen.clear();
  text->SetValue("typed");  // as if the user typed: the control's own event, one notice
  EXPECT_EQ(seen, (std::vector<wxString>{"typed"}));
}

TEST_F(WindowTest, SliderRadioAndGaugeBindings) {
  auto* slider = new wxSlider(panel, wxID_ANY, 10, 0, 100);
  auto* radio =
      new wxRadioButton(panel, wxID_ANY, "r", wxDefaultPosition, wxDefaultSize, wxRB_GROUP);
  auto* other = new wxRadioButton(panel, wxID_ANY, "o");
  auto* gauge = new wxGauge(panel, wxID_ANY, 100);
  sizer->Add(slider);
  sizer->Add(radio);
  sizer->Add(other);
  sizer->Add(gauge);
  other->SetValue(true);

  int sliderEvents = 0;
  slider->Bind(wxEVT_SLIDER, [&](wxCommandEvent& e) {
    ++sliderEvents;
    EXPECT_NE(dynamic_cast<wxScrollEvent*>(&e), nullptr);
    e.Skip();
  });
  auto s = holdBinding(makeVarWxSlider(slider), bindings);
  auto r = holdBinding(makeVarWxRadio(radio), bindings);
  auto g = holdBinding(makeVarWxGauge(gauge), bindings);
  int sn = 0, rn = 0, gn = 0;
  holdBinding(makeListener(makeFunctor(std::function<void(int)>([&](int) { ++sn; }), s)), bindings);
  holdBinding(makeListener(makeFunctor(std::function<void(bool)>([&](bool) { ++rn; }), r)),
              bindings);
  holdBinding(makeListener(makeFunctor(std::function<void(int)>([&](int) { ++gn; }), g)), bindings);

  s->set(10);
  EXPECT_EQ(sn, 0);
  s->set(42);
  EXPECT_EQ(slider->GetValue(), 42);
  EXPECT_EQ(sliderEvents, 1);
  EXPECT_EQ(sn, 2);

  EXPECT_FALSE(r->get());
  r->set(true);
  EXPECT_TRUE(radio->GetValue());
  EXPECT_EQ(rn, 2);

  g->set(0);
  EXPECT_EQ(gn, 0);
  g->set(30);
  EXPECT_EQ(gauge->GetValue(), 30);
  EXPECT_EQ(gn, 1);  // a gauge notifies once
}

// ---------------------------------------------------------------- sinks

TEST_F(WindowTest, EnableSinkFollowsItsExpression) {
  auto* button = new wxButton(panel, wxID_OK, "OK");
  sizer->Add(button);
  button->Disable();
  auto mark = makeVariableMem(-1);
  auto enable = holdBinding(makeWxEnableVar(button), bindings);
  EXPECT_FALSE(enable->get());
  button->Enable();                          // a change behind the sink's back is not seen...
  enable->assign(mark != makeConstant(-1));  // ...so the false expression pushes nothing
  EXPECT_TRUE(button->IsEnabled());
  button->Disable();
  mark->set(3);
  EXPECT_TRUE(button->IsEnabled());
  mark->set(-1);
  EXPECT_FALSE(button->IsEnabled());
}

TEST_F(WindowTest, BoldLabelAndColourSinks) {
  auto* label = new wxStaticText(panel, wxID_ANY, "label");
  sizer->Add(label);
  wxFont font = label->GetFont();
  font.SetPointSize(13);
  font.SetStyle(wxFONTSTYLE_ITALIC);
  font.SetWeight(wxFONTWEIGHT_NORMAL);
  label->SetFont(font);

  auto bold = holdBinding(makeWxBoldVar(label), bindings);
  EXPECT_FALSE(bold->get());
  bold->set(true);
  EXPECT_EQ(label->GetFont().GetWeight(), 700);
  EXPECT_EQ(label->GetFont().GetPointSize(), 13);
  EXPECT_EQ(label->GetFont().GetStyle(), wxFONTSTYLE_ITALIC);
  bold->set(false);
  EXPECT_EQ(label->GetFont().GetWeight(), 400);

  auto text = holdBinding(makeWxLabelVar(label), bindings);
  EXPECT_EQ(text->get(), "label");
  auto number = makeVariableMem(7);
  text->assign(makeFunctor(
      std::function<wxString(int)>([](int n) { return wxString::Format("%d", n); }), number));
  EXPECT_EQ(label->GetLabel(), "7");
  number->set(8);
  EXPECT_EQ(label->GetLabel(), "8");

  // a narrow UTF-8 source bound to toolkit text
  auto narrow = makeVariableMem(std::string("caf\xC3\xA9"));
  text->assign(narrow);
  EXPECT_EQ(label->GetLabel().ToStdWstring(), L"caf\u00e9");

  auto colour = holdBinding(makeWxBgColorVar(panel), bindings);
  const wxColour before = panel->GetBackgroundColour();
  // Shared with the handler, which may still run while the fixture closes the window.
  auto paints = std::make_shared<int>(0);
  panel->Bind(wxEVT_PAINT, [paints](wxPaintEvent& e) {
    ++*paints;
    e.Skip();
  });
  colour->set(before);  // its own colour: nothing pushed
  EXPECT_EQ(*paints, 0);
  auto warn = makeVariableMem(false);
  colour->assign(makeTernaryOp(warn, makeConstant(wxColour(200, 30, 30)),
                               makeConstant(wxColour(30, 200, 30))));
  EXPECT_EQ(panel->GetBackgroundColour(), wxColour(30, 200, 30));
  warn->set(true);
  EXPECT_EQ(panel->GetBackgroundColour(), wxColour(200, 30, 30));
}

TEST_F(WindowTest, ShowSinksCloseTheSpace) {
  auto* top = new wxButton(panel, wxID_ANY, "top");
  auto* middle = new wxButton(panel, wxID_ANY, "middle");
  auto* inner = new wxBoxSizer(wxHORIZONTAL);
  auto* innerButton = new wxButton(panel, wxID_ANY, "inner");
  inner->Add(innerButton);
  auto* nested = new wxBoxSizer(wxVERTICAL);
  nested->Add(inner);
  auto* bottom = new wxButton(panel, wxID_ANY, "bottom");
  sizer->Add(top);
  sizer->Add(middle);
  sizer->Add(nested);
  sizer->Add(bottom);
  panel->Layout();
  const int bottomY = bottom->GetPosition().y;

  auto show = holdBinding(makeWxWindowShowVar(middle, sizer), bindings);
  EXPECT_TRUE(show->get());
  show->set(false);
  EXPECT_FALSE(middle->IsShown());
  EXPECT_LT(bottom->GetPosition().y, bottomY);  // the space closed

  // the item that holds a child sizer is found inside nested sizers
  auto item = holdBinding(makeWxSizerItemShowVar(inner, sizer), bindings);
  EXPECT_TRUE(item->get());
  const int afterMiddle = bottom->GetPosition().y;
  item->set(false);
  EXPECT_FALSE(innerButton->IsShown());
  EXPECT_LT(bottom->GetPosition().y, afterMiddle);
}

TEST_F(WindowTest, MenuItemAndToolSinks) {
  auto* menu = new wxMenu;
  wxMenuItem* save = menu->Append(wxID_SAVE, "Save");
  auto* bar = new wxMenuBar;
  bar->Append(menu, "File");
  frame->SetMenuBar(bar);
  auto enableSave = holdBinding(makeWxMenuItemEnableVar(save), bindings);
  EXPECT_TRUE(enableSave->get());
  enableSave->set(false);
  EXPECT_FALSE(save->IsEnabled());

  wxToolBar* toolbar = frame->CreateToolBar();
  wxImage image(16, 16);
  wxToolBarToolBase* tool = toolbar->AddTool(wxID_OPEN, "Open", wxBitmap(image));
  toolbar->Realize();
  auto enableTool = holdBinding(makeWxToolEnableVar(tool), bindings);
  EXPECT_TRUE(enableTool->get());
  enableTool->set(false);
  EXPECT_FALSE(toolbar->GetToolEnabled(wxID_OPEN));
  enableTool->set(true);
  EXPECT_TRUE(toolbar->GetToolEnabled(wxID_OPEN));
}

// ---------------------------------------------------------------- icon

TEST(AppIcon, SixSizesAndOneHandler) {
  const wxIconBundle first = makeAppIconBundle();
  const wxIconBundle second = makeAppIconBundle();
  std::set<int> sizes;
  for (size_t i = 0; i < first.GetIconCount(); ++i)
    sizes.insert(first.GetIconByIndex(i).GetWidth());
  EXPECT_EQ(sizes, (std::set<int>{16, 32, 48, 64, 128, 256}));
  EXPECT_EQ(second.GetIconCount(), first.GetIconCount());
  int icoHandlers = 0;
  for (const wxObject* h : wxImage::GetHandlers())
    icoHandlers += static_cast<const wxImageHandler*>(h)->GetType() == wxBITMAP_TYPE_ICO ? 1 : 0;
  EXPECT_EQ(icoHandlers, 1);
}

}  // namespace
