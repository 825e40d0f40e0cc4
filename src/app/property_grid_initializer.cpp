#include "app/property_grid_initializer.h"

#include <wx/propgrid/advprops.h>
#include <wx/propgrid/propgrid.h>
#include <wx/propgrid/props.h>

namespace {

// Keys, labels and texts of values are UTF-8 on the task's side, whatever the process locale.
wxString toWx(const std::string& text) { return wxString::FromUTF8(text.data(), text.size()); }
std::string fromWx(const wxString& text) {
  const wxScopedCharBuffer utf8 = text.utf8_str();
  return std::string(utf8.data(), utf8.length());
}

long long variantToInteger(const wxVariant& value) {
  if (value.IsNull()) return 0;
  if (value.GetType() == "longlong") return value.GetLongLong().GetValue();
  if (value.GetType() == "bool") return value.GetBool() ? 1 : 0;
  return value.GetLong();
}

// The items of a choice row; sixteen placeholders when the validator names none.
wxPGChoices choicesOf(const std::vector<std::pair<std::string, long long>>& items,
                      const char* placeholder) {
  wxPGChoices choices;
  if (items.empty()) {
    for (int i = 1; i <= 16; ++i) choices.Add(wxString::Format("%s%d", placeholder, i), 1 << i);
    return choices;
  }
  for (const auto& [name, value] : items) choices.Add(toWx(name), static_cast<int>(value));
  return choices;
}

}  // namespace

EnumChoice resolveEnumValue(const Any& value, const AviFile::PropertyValidatorBase* validator) {
  const auto* enumeration = dynamic_cast<const AviFile::EnumValidator*>(validator);
  if (!enumeration) return {};
  EnumChoice choice;
  if (!value.empty() && value->isInteger()) {
    choice.number = static_cast<int>(value->toInteger(0));
    auto name = enumeration->nameByValue.find(choice.number);
    choice.name = name != enumeration->nameByValue.end() ? name->second : enumeration->defaultName;
    return choice;
  }
  choice.name = anyToText(value);
  auto number = enumeration->valueByName.find(choice.name);
  choice.number = number != enumeration->valueByName.end() ? number->second : -1;
  return choice;
}

// ---------------------------------------------------------------- getters

Any PropertyGridInitializer::PropertyGetterBase::getValidated(
    wxPGProperty* property, const PropertyDescription& description) {
  return description.validator->normalize(get(property, description));
}

void PropertyGridInitializer::PropertyGetterBase::putDefault(
    wxPGProperty* property, const PropertyDescription& description) {
  putOrDefault(property, description, description.validator->defaultValue());
}

void PropertyGridInitializer::PropertyGetterBase::putOrDefault(
    wxPGProperty* property, const PropertyDescription& description, Any value) {
  if (value.empty()) value = description.validator->defaultValue();
  put(property, description, std::move(value));
}

// ---------------------------------------------------------------- the six handlers

namespace {

// A handler whose rows its own Creator makes: one creator per handler class for the process.
template <class V, class Handler>
class HandlerWithCreator : public PropertyGridInitializer::PropertyParser<V> {
 public:
  using PropertyGridInitializer::PropertyParser<V>::PropertyParser;
  PropertyGridInitializer::PropertyCreator* defaultCreator() override {
    static typename Handler::Creator creator;
    return &creator;
  }
};

// Rows of whole numbers (integers and flags): they take integral values only, and give their
// number as a 64-bit integer (the validator's correction gives the setting's own type).
template <class V, class Handler>
class WholeNumberHandler : public HandlerWithCreator<V, Handler> {
 public:
  using HandlerWithCreator<V, Handler>::HandlerWithCreator;
  bool put(wxPGProperty* property, const PropertyDescription&, Any value) override {
    if (value.empty() || !value->isInteger()) return false;
    property->SetValue(wxVariant(static_cast<long>(value->toInteger(0))));
    return true;
  }
  Any get(wxPGProperty* property, const PropertyDescription&) override {
    return Any::of(variantToInteger(property->GetValue()));
  }
};

}  // namespace

template <class T>
class PropertyGridInitializer::IntegerProperty
    : public WholeNumberHandler<AviFile::IntegerValidator<T>, IntegerProperty<T>> {
 public:
  using WholeNumberHandler<AviFile::IntegerValidator<T>, IntegerProperty<T>>::WholeNumberHandler;

  class Creator : public PropertyCreator {
   public:
    wxPGProperty* create(const PropertyDescription& description, const std::string& label,
                         Any value) override {
      const T* number = value.as<T>();
      return new wxIntProperty(toWx(label), toWx(description.name),
                               static_cast<long>(number ? *number : 0));
    }
  };
};

class PropertyGridInitializer::FlagsProperty
    : public WholeNumberHandler<AviFile::FlagsValidator, FlagsProperty> {
 public:
  using WholeNumberHandler::WholeNumberHandler;

  class Creator : public PropertyCreator {
   public:
    wxPGProperty* create(const PropertyDescription& description, const std::string& label,
                         Any value) override {
      std::vector<std::pair<std::string, long long>> items;
      if (const auto* flags =
              dynamic_cast<const AviFile::FlagsValidator*>(description.validator.get()))
        for (const auto& flag : flags->flags) items.emplace_back(flag.name, flag.value);
      const long number = value.empty() ? 0 : static_cast<long>(value->toInteger(0));
      wxPGChoices choices = choicesOf(items, "F");
      return new wxFlagsProperty(toWx(label), toWx(description.name), choices, number);
    }
  };
};

class PropertyGridInitializer::EnumProperty
    : public HandlerWithCreator<AviFile::EnumValidator, EnumProperty> {
 public:
  using HandlerWithCreator::HandlerWithCreator;

  class Creator : public PropertyCreator {
   public:
    wxPGProperty* create(const PropertyDescription& description, const std::string& label,
                         Any value) override {
      const auto* enumeration =
          dynamic_cast<const AviFile::EnumValidator*>(description.validator.get());
      std::vector<std::pair<std::string, long long>> items;
      if (enumeration)
        for (const auto& choice : enumeration->choices)
          items.emplace_back(choice.name, choice.value);
      wxPGChoices choices = choicesOf(items, "Ch");
      const EnumChoice chosen = resolveEnumValue(value, description.validator.get());
      if (enumeration && enumeration->editable)
        return new wxEditEnumProperty(toWx(label), toWx(description.name), choices,
                                      toWx(chosen.name));
      return new wxEnumProperty(toWx(label), toWx(description.name), choices, chosen.number);
    }
  };

  bool put(wxPGProperty* property, const PropertyDescription& description, Any value) override {
    const EnumChoice chosen = resolveEnumValue(value, description.validator.get());
    if (chosen.number < 0) return false;
    property->SetValueFromString(toWx(chosen.name), wxPG_PROGRAMMATIC_VALUE);
    return true;
  }
  Any get(wxPGProperty* property, const PropertyDescription&) override {
    return makeStringValue(fromWx(property->GetValueAsString()));
  }
};

class PropertyGridInitializer::BoolProperty
    : public HandlerWithCreator<AviFile::BoolValidator, BoolProperty> {
 public:
  using HandlerWithCreator::HandlerWithCreator;

  class Creator : public PropertyCreator {
   public:
    wxPGProperty* create(const PropertyDescription& description, const std::string& label,
                         Any value) override {
      const bool* flag = value.as<bool>();
      return new wxBoolProperty(toWx(label), toWx(description.name), flag && *flag);
    }
  };

  bool put(wxPGProperty* property, const PropertyDescription&, Any value) override {
    const bool* flag = value.as<bool>();
    if (!flag) return false;
    property->SetValue(wxVariant(*flag));
    return true;
  }
  Any get(wxPGProperty* property, const PropertyDescription&) override {
    const wxVariant v = property->GetValue();
    return Any::of(!v.IsNull() && v.GetBool());
  }
};

class PropertyGridInitializer::DummyProperty
    : public HandlerWithCreator<AviFile::AnyValidator, DummyProperty> {
 public:
  using HandlerWithCreator::HandlerWithCreator;

  class Creator : public PropertyCreator {
   public:
    wxPGProperty* create(const PropertyDescription& description, const std::string& label,
                         Any value) override {
      auto* property = new wxStringProperty(toWx(label), toWx(description.name), wxEmptyString);
      property->SetValueFromString(toWx(anyToText(value)), wxPG_PROGRAMMATIC_VALUE);
      return property;
    }
  };

  bool put(wxPGProperty* property, const PropertyDescription&, Any value) override {
    property->SetValueFromString(toWx(anyToText(value)), wxPG_PROGRAMMATIC_VALUE);
    return true;
  }
  Any get(wxPGProperty* property, const PropertyDescription&) override {
    return makeStringValue(fromWx(property->GetValueAsString()));
  }
};

// ---------------------------------------------------------------- the initializer

PropertyGridInitializer::PropertyGridInitializer(wxPropertyGrid* grid) : grid(grid) {
  // The spin editor is one of the grid's additional editors, registered once per process.
  wxPropertyGrid::RegisterAdditionalEditors();
  parser.addHandler(std::make_shared<IntegerProperty<int>>(this));
  parser.addHandler(std::make_shared<IntegerProperty<long long>>(this));
  parser.addHandler(std::make_shared<FlagsProperty>(this));
  parser.addHandler(std::make_shared<EnumProperty>(this));
  parser.addHandler(std::make_shared<BoolProperty>(this));
  parser.addHandler(std::make_shared<DummyProperty>(this));
  grid->Bind(wxEVT_PG_CHANGED, &PropertyGridInitializer::onPropertyChanged, this);
}

PropertyGridInitializer::~PropertyGridInitializer() {
  grid->Unbind(wxEVT_PG_CHANGED, &PropertyGridInitializer::onPropertyChanged, this);
}

void PropertyGridInitializer::clear() {
  rows.clear();
  grid->Clear();
}

void PropertyGridInitializer::addCategory(const std::wstring& label,
                                          const PropertyDescriptionList& list,
                                          const Values& values) {
  const wxString caption(label.c_str());
  grid->Append(new wxPropertyCategory(caption, "categ" + caption));
  for (const PropertyDescription& description : list) descriptions.append(description);
  descriptionValues = values;
  PropertyDescriptionList handed = list;
  parser.process(handed);
}

Any PropertyGridInitializer::currentValue(const PropertyDescription& description) const {
  auto found = descriptionValues.find(description.name);
  if (found != descriptionValues.end() && !found->second.empty())
    return description.validator->normalize(found->second);
  return description.validator->defaultValue();
}

void PropertyGridInitializer::addRow(const PropertyDescription& description,
                                     PropertyCreator& fallback, PropertyGetterBase& getter) {
  if (rows.count(description.name)) return;
  auto registered = creators.find(description.name);
  PropertyCreator& creator = registered != creators.end() ? *registered->second : fallback;
  const std::string& label = description.label.empty() ? description.name : description.label;
  wxPGProperty* property =
      grid->Append(creator.create(description, label, currentValue(description)));
  if (!description.unit.empty())
    property->SetAttribute(wxPG_ATTR_UNITS, wxString(description.unit.c_str()));
  if (description.spinEditor) property->SetEditor(wxPGEditor_SpinCtrl);
  rows[description.name] = Row{property, description, &getter};
}

PropertyGridInitializer::Values PropertyGridInitializer::collectValues() {
  Values values;
  for (auto& [key, row] : rows) {
    const Any current = row.getter->getValidated(row.property, row.description);
    values[key] = current == row.description.validator->defaultValue() ? Any() : current;
  }
  return values;
}

void PropertyGridInitializer::applyValues(Values& values) {
  for (auto& [key, value] : values) {
    auto row = rows.find(key);
    if (row != rows.end()) row->second.setValue(value);
  }
  values.clear();
  grid->Refresh();
}

void PropertyGridInitializer::onPropertyChanged(wxPropertyGridEvent& event) {
  wxPGProperty* property = event.GetProperty();
  if (!property) return;
  auto found = rows.find(fromWx(property->GetName()));
  if (found == rows.end()) return;
  Row& row = found->second;
  const Any raw = row.getter->get(row.property, row.description);
  Any corrected = row.getter->getValidated(row.property, row.description);
  if (!(raw == corrected)) row.setValue(std::move(corrected));
  event.Skip();
}
