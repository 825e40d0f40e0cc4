// The property grid of task settings on a real grid: categories and the kind of row each
// validator gets, the correction of an edited value, collecting and applying values,
// enumeration values, placeholders, the creators registered for single keys, and text that is
// not ASCII.
#include "app/property_grid_initializer.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/propgrid/advprops.h>
#include <wx/propgrid/propgrid.h>
#include <wx/propgrid/props.h>

#include <clocale>
#include <string>
#include <vector>

#include "support/wx_assert_failure.h"
#include "task/task_properties.h"

namespace {

using Values = PropertyGridInitializer::Values;
using Row = PropertyGridInitializer::Row;

class PropertyGridTest : public testing::Test {
 protected:
  PropertyGridTest() {
    frame = new wxFrame(nullptr, wxID_ANY, "grid", wxDefaultPosition, wxSize(500, 700));
    grid = new wxPropertyGrid(frame, wxID_ANY, wxDefaultPosition, wxSize(480, 680));
    initializer = std::make_unique<PropertyGridInitializer>(grid);
  }
  ~PropertyGridTest() override {
    initializer.reset();
    frame->Destroy();
    wxTheApp->ProcessIdle();
  }

  // The five groups of the task's settings, as the editor shows them.
  void addTaskCategories() {
    const VixoProperties& table = getTaskProperties();
    const std::pair<const char*, const std::vector<const props::Property*>*> shown[] = {
        {"Task", &table.taskGroup},
        {"Method", &table.methodGroup},
        {"Display", &table.displayGroup},
        {"Online test", &table.onlineGroup},
        {"File", &table.fileGroup}};
    for (const auto& [caption, group] : shown) {
      PropertyDescriptionList list;
      for (const props::Property* property : *group) list.append(property->describe());
      initializer->addCategory(wxString(caption).ToStdWstring(), list);
    }
  }

  wxPGProperty* row(const char* key) { return initializer->rows.at(key).property; }

  // An edit as the operator makes it: through the grid's validation and its change event.
  void edit(const char* key, const wxVariant& value) {
    ASSERT_TRUE(grid->ChangePropertyValue(key, value)) << key;
  }

  vixo_test::WxAssertionsFailTest assertionsFail;
  wxFrame* frame;
  wxPropertyGrid* grid;
  std::unique_ptr<PropertyGridInitializer> initializer;
};

std::string kindOf(const wxPGProperty* p) {
  return wxString(p->GetClassInfo()->GetClassName()).utf8_string();
}

TEST_F(PropertyGridTest, TaskCategoriesGetOneRowPerSettingByValidator) {
  addTaskCategories();
  ASSERT_EQ(initializer->rows.size(), 28u);
  EXPECT_EQ(initializer->rows.count("audio"), 0u);

  // Categories in order, each named "categ" + its caption, with their rows.
  std::vector<std::string> categories;
  for (wxPropertyGridIterator it = grid->GetIterator(wxPG_ITERATE_CATEGORIES); !it.AtEnd(); ++it)
    categories.push_back((*it)->GetName().utf8_string());
  EXPECT_EQ(categories, (std::vector<std::string>{"categTask", "categMethod", "categDisplay",
                                                  "categOnline test", "categFile"}));
  EXPECT_EQ(grid->GetPropertyCategory("networkMinTime")->GetLabel(), "Online test");
  EXPECT_EQ(grid->GetPropertyCategory("resultCollectingFtpDir")->GetLabel(), "File");

  const struct {
    const char* key;
    const char* kind;
    const char* label;
    const char* units;
    bool spin;
  } rows[] = {
      {"method", "wxEnumProperty", "Method", "", false},
      {"cycles", "wxIntProperty", "Cycles", "cycles", true},
      {"networkMaxTime", "wxIntProperty", "Minimum time for answer", "sec", true},
      {"bgColor", "wxIntProperty", "Background color", "", false},
      {"margin", "wxIntProperty", "Margin", "%", false},
      {"imageLength", "wxIntProperty", "Image duration", "ms", false},
      {"scaling", "wxEnumProperty", "Scaling", "", false},
      {"progress", "wxBoolProperty", "Show progress bar", "", false},
      // Strings have no handler of their own and take the fallback's text row.
      {"resultCollectingEmail", "wxStringProperty", "Result collecting e-mail", "", false},
      {"customQuestion", "wxStringProperty", "Custom question", "", false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.key);
    wxPGProperty* p = row(r.key);
    EXPECT_EQ(kindOf(p), r.kind);
    EXPECT_EQ(p->GetLabel(), r.label);
    EXPECT_EQ(p->GetAttribute(wxPG_ATTR_UNITS).GetString(), r.units);
    EXPECT_EQ(p->GetEditorClass() == wxPGEditor_SpinCtrl, r.spin);
  }

  // Every row starts with its default, so a fresh grid collects nothing but empty entries.
  EXPECT_EQ(row("method")->GetValueAsString(), "Select method");
  EXPECT_EQ(row("cycles")->GetValue().GetLong(), 1);
  EXPECT_EQ(row("resultCollectingFtpDir")->GetValueAsString(), "/");
  const Values values = initializer->collectValues();
  EXPECT_EQ(values.size(), 28u);
  for (const auto& [key, value] : values) EXPECT_TRUE(value.empty()) << key;
}

TEST_F(PropertyGridTest, AnEditAboveTheMaximumShowsAndGivesTheMaximum) {
  addTaskCategories();
  edit("cycles", wxVariant(99L));
  EXPECT_EQ(row("cycles")->GetValue().GetLong(), 10);
  Values values = initializer->collectValues();
  ASSERT_NE(values["cycles"].as<long long>(), nullptr);
  EXPECT_EQ(*values["cycles"].as<long long>(), 10);

  // Within the range nothing is corrected; back at the default the entry is empty again.
  edit("margin", wxVariant(7L));
  edit("cycles", wxVariant(1L));
  values = initializer->collectValues();
  EXPECT_EQ(*values["margin"].as<long long>(), 7);
  EXPECT_TRUE(values["cycles"].empty());
}

TEST_F(PropertyGridTest, ApplyingValuesPassesOverKeysWithoutRowsAndEmptiesTheMap) {
  addTaskCategories();
  Values values;
  values["audio"] = Any::of(false);  // a setting of the table that no category shows
  values["bgColor"] = Any::of(12LL);
  values["cycles"] = Any::of(4LL);
  values["method"] = makeStringValue("SCACJ");
  values["pauseAllowed"] = Any::of(false);
  values["resultCollectingFtp"] = makeStringValue("ann@ftp.example:2121");
  values["scaling"] = Any::of(1);  // a number takes its choice's name
  initializer->applyValues(values);
  EXPECT_TRUE(values.empty());

  EXPECT_EQ(row("bgColor")->GetValue().GetLong(), 12);
  EXPECT_EQ(row("cycles")->GetValue().GetLong(), 4);
  EXPECT_EQ(row("method")->GetValueAsString(), "SCACJ");
  EXPECT_FALSE(row("pauseAllowed")->GetValue().GetBool());
  EXPECT_EQ(row("resultCollectingFtp")->GetValueAsString(), "ann@ftp.example:2121");
  EXPECT_EQ(row("scaling")->GetValueAsString(), "Upscale or downscale");

  const Values collected = initializer->collectValues();
  EXPECT_EQ(collected.count("audio"), 0u);
  EXPECT_EQ(*collected.at("method").as<std::string>(), "SCACJ");
  EXPECT_EQ(*collected.at("scaling").as<std::string>(), "Upscale or downscale");
  EXPECT_EQ(*collected.at("pauseAllowed").as<bool>(), false);

  // An empty value puts the default back.
  Values reset{{"cycles", Any()}, {"method", Any()}};
  initializer->applyValues(reset);
  EXPECT_EQ(row("cycles")->GetValue().GetLong(), 1);
  EXPECT_EQ(row("method")->GetValueAsString(), "Select method");
}

TEST_F(PropertyGridTest, EnumerationValuesResolveByNumberOrName) {
  addTaskCategories();
  const auto* validator = initializer->rows.at("scaling").description.validator.get();
  const struct {
    Any value;
    int number;
    const char* name;
  } cases[] = {
      {Any::of(1), 1, "Upscale or downscale"},
      {Any::of(0LL), 0, "Only downscale"},
      {Any::of(7), 7, "Only downscale"},  // no name: the default name
      {makeStringValue("Upscale or downscale"), 1, "Upscale or downscale"},
      {makeStringValue("Sideways"), -1, "Sideways"},
      {Any(), -1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(anyToText(c.value));
    const EnumChoice choice = resolveEnumValue(c.value, validator);
    EXPECT_EQ(choice.number, c.number);
    EXPECT_EQ(choice.name, c.name);
  }
  const auto* integerValidator = initializer->rows.at("cycles").description.validator.get();
  EXPECT_EQ(resolveEnumValue(Any::of(1), integerValidator).number, -1);

  // Through a row: a number without a name shows the default name; an unknown name changes
  // nothing.
  Row& scaling = initializer->rows.at("scaling");
  scaling.setValue(makeStringValue("Upscale or downscale"));
  scaling.setValue(Any::of(9));
  EXPECT_EQ(row("scaling")->GetValueAsString(), "Only downscale");
  scaling.setValue(makeStringValue("Upscale or downscale"));
  EXPECT_FALSE(
      scaling.getter->put(scaling.property, scaling.description, makeStringValue("Sideways")));
  EXPECT_EQ(row("scaling")->GetValueAsString(), "Upscale or downscale");
}

TEST_F(PropertyGridTest, ValuesThatDoNotSuitARowLeaveItUnchanged) {
  addTaskCategories();
  const struct {
    const char* key;
    Any value;
  } cases[] = {
      {"cycles", makeStringValue("3")},
      {"progress", Any::of(1)},
      {"bgColor", Any::of(2.5)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    Row& r = initializer->rows.at(c.key);
    const wxString before = r.property->GetValueAsString();
    EXPECT_FALSE(r.getter->put(r.property, r.description, c.value));
    EXPECT_EQ(r.property->GetValueAsString(), before);
  }
}

// Settings whose validators the task table does not use: flags, enumerations without items or
// with free text, a validator class without a handler, and a repeated key.
TEST_F(PropertyGridTest, OtherValidatorsGetTheirRowsAndPlaceholders) {
  PropertyDescriptionList list;
  auto flags = std::make_shared<AviFile::FlagsValidator>(0);
  list.append(PropertyDescription("flags", "Flags", "Flags", L"", flags));
  auto namedFlags = std::make_shared<AviFile::FlagsValidator>(5);
  namedFlags->addChoice("left", 1);
  namedFlags->addChoice("right", 4);
  list.append(PropertyDescription("sides", "Sides", "Sides", L"", namedFlags));
  list.append(PropertyDescription("choice", "Choice", "Choice", L"",
                                  std::make_shared<AviFile::EnumValidator>(false)));
  auto editable = std::make_shared<AviFile::EnumValidator>(true);
  editable->addChoice("red", 0);
  editable->addChoice("blue", 1);
  editable->setDefault(1);
  list.append(PropertyDescription("colour", "", "", L"", editable));
  list.append(PropertyDescription("ratio", "Ratio", "Ratio", L"",
                                  std::make_shared<AviFile::DoubleValidator>(0.5, 0, 1)));
  list.append(PropertyDescription("count", "Count", "Count", L"",
                                  std::make_shared<AviFile::IntegerValidator<int>>(3, 0, 5)));
  list.append(PropertyDescription("count", "Again", "Again", L"",
                                  std::make_shared<AviFile::IntegerValidator<int>>(4)));
  initializer->addCategory(L"Other", list, {{"count", Any::of(9)}});

  ASSERT_EQ(initializer->rows.size(), 6u);
  EXPECT_EQ(kindOf(row("flags")), "wxFlagsProperty");
  const wxPGChoices& placeholders = row("flags")->GetChoices();
  ASSERT_EQ(placeholders.GetCount(), 16u);
  EXPECT_EQ(placeholders.GetLabel(0), "F1");
  EXPECT_EQ(placeholders.GetValue(0), 2);
  EXPECT_EQ(placeholders.GetLabel(15), "F16");
  EXPECT_EQ(placeholders.GetValue(15), 65536);
  EXPECT_EQ(row("sides")->GetChoices().GetCount(), 2u);
  EXPECT_EQ(row("sides")->GetValue().GetLong(), 5);

  EXPECT_EQ(kindOf(row("choice")), "wxEnumProperty");
  EXPECT_EQ(row("choice")->GetChoices().GetLabel(0), "Ch1");
  EXPECT_EQ(row("choice")->GetChoices().GetValue(15), 65536);

  // Free text: an editable row showing the default name; its label falls back to the key.
  EXPECT_EQ(kindOf(row("colour")), "wxEditEnumProperty");
  EXPECT_EQ(row("colour")->GetLabel(), "colour");
  EXPECT_EQ(row("colour")->GetValueAsString(), "blue");

  // No handler for doubles: the text row of the fallback.
  EXPECT_EQ(kindOf(row("ratio")), "wxStringProperty");
  EXPECT_EQ(row("ratio")->GetValueAsString(), "0.5");

  // The first description of a key keeps its row; the given value starts corrected.
  EXPECT_EQ(row("count")->GetLabel(), "Count");
  EXPECT_EQ(row("count")->GetValue().GetLong(), 5);
  EXPECT_EQ(initializer->descriptions.size(), 7u);
}

TEST_F(PropertyGridTest, ACreatorRegisteredForAKeyMakesItsRowAndTheHandlerStillReadsIt) {
  struct MarkedCreator : PropertyGridInitializer::PropertyCreator {
    wxPGProperty* create(const PropertyDescription& d, const std::string& label,
                         Any value) override {
      seen = anyToText(value);
      auto* p = new wxLongStringProperty(wxString::FromUTF8(label), wxString::FromUTF8(d.name));
      p->SetValueFromString("made here", wxPG_PROGRAMMATIC_VALUE);
      return p;
    }
    std::string seen = "none";
  } creator;
  initializer->creators["customQuestion"] = &creator;
  addTaskCategories();
  EXPECT_EQ(creator.seen, "");
  EXPECT_EQ(kindOf(row("customQuestion")), "wxLongStringProperty");
  EXPECT_EQ(*initializer->collectValues().at("customQuestion").as<std::string>(), "made here");
}

// Texts go between the grid and the task as UTF-8, whatever the process locale: in the C
// locale the system's narrow conversion knows ASCII only.
TEST_F(PropertyGridTest, TextThatIsNotAsciiSurvivesTheGridInTheCLocale) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  std::setlocale(LC_ALL, "C");
  addTaskCategories();
  const std::string question = "Как вам видео?\n5 Отлично\n1 Плохо";
  const std::string email = "jürgen@exämple.de";
  Values values{{"customQuestion", makeStringValue(question)},
                {"resultCollectingEmail", makeStringValue(email)},
                {"resultCollectingFtpPass", makeStringValue("pässwört✓")}};
  initializer->applyValues(values);
  const Values collected = initializer->collectValues();
  std::setlocale(LC_ALL, previous.c_str());
  EXPECT_EQ(anyToText(collected.at("customQuestion")), question);
  EXPECT_EQ(anyToText(collected.at("resultCollectingEmail")), email);
  EXPECT_EQ(anyToText(collected.at("resultCollectingFtpPass")), "pässwört✓");
  EXPECT_EQ(row("resultCollectingEmail")->GetValueAsString(), wxString::FromUTF8(email));
}

}  // namespace
