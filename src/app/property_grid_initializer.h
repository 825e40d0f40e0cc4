// The task editor's property grid: one row per described setting, the kind of row chosen by the
// class of the setting's validator. The initializer keeps, for every row, its description and
// the handler that converts between the row and typed values; it corrects an edited value
// through the validator at once, hands out the values of all rows and puts values back.
//
// Text between the task's values and the grid is UTF-8 on the task's side. GUI thread only;
// the initializer lives as long as its grid's window.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "avifile/property_validator.h"
#include "avifile/property_value.h"

class wxPGProperty;
class wxPropertyGrid;
class wxPropertyGridEvent;

class PropertyGridInitializer {
 public:
  // Makes the grid row of a description. The value may be empty; the property is named with the
  // description's key and shows the label.
  class PropertyCreator {
   public:
    virtual ~PropertyCreator() = default;
    virtual wxPGProperty* create(const PropertyDescription& description, const std::string& label,
                                 Any value) = 0;
  };

  // Converts between one kind of row and typed values.
  class PropertyGetterBase {
   public:
    virtual ~PropertyGetterBase() = default;
    // Writes the value into the row; false (row unchanged) when the value does not suit it.
    virtual bool put(wxPGProperty* property, const PropertyDescription& description, Any value) = 0;
    // The row's current value.
    virtual Any get(wxPGProperty* property, const PropertyDescription& description) = 0;
    // The row's value as the validator corrects it.
    virtual Any getValidated(wxPGProperty* property, const PropertyDescription& description);
    virtual void putDefault(wxPGProperty* property, const PropertyDescription& description);
    // An empty value stands for the validator's default; no correction here.
    void putOrDefault(wxPGProperty* property, const PropertyDescription& description, Any value);
  };

  struct Row {
    wxPGProperty* property = nullptr;  // owned by the grid
    PropertyDescription description;
    PropertyGetterBase* getter = nullptr;  // owned through the initializer's parser

    void setValue(Any value) { getter->putOrDefault(property, description, std::move(value)); }
  };

  // The handler of one validator class: makes its rows (through its creator) and reads and
  // writes them.
  template <class V>
  class PropertyParser : public AviFile::PropertyParser::OfType<V>, public PropertyGetterBase {
   public:
    explicit PropertyParser(PropertyGridInitializer* owner) : owner(owner) {}
    void handle(PropertyDescription& description) override {
      owner->addRow(description, *defaultCreator(), *this);
    }
    virtual PropertyCreator* defaultCreator() = 0;

    PropertyGridInitializer* owner;
  };

  template <class T>
  class IntegerProperty;
  class FlagsProperty;
  class EnumProperty;
  class BoolProperty;
  class DummyProperty;

  using Values = std::map<std::string, Any>;

  // Registers the handlers and binds the grid's change event.
  explicit PropertyGridInitializer(wxPropertyGrid* grid);
  ~PropertyGridInitializer();
  PropertyGridInitializer(const PropertyGridInitializer&) = delete;
  PropertyGridInitializer& operator=(const PropertyGridInitializer&) = delete;

  // Appends a category with the label, then one row per description not shown yet. Rows start
  // with the values given here (corrected), else with their defaults.
  void addCategory(const std::wstring& label, const PropertyDescriptionList& list,
                   const Values& values = {});
  // The value a new row of the description starts with.
  Any currentValue(const PropertyDescription& description) const;
  // One entry per row, in key order; empty where the row holds its default.
  Values collectValues();
  // Puts each value into the row of its key (an empty value: the default); keys without a row
  // are passed over. The map is emptied.
  void applyValues(Values& values);
  // The correction of an edited row; the event is passed on.
  void onPropertyChanged(wxPropertyGridEvent& event);
  // Forgets the rows and empties the grid.
  void clear();

  PropertyDescriptionList descriptions;
  Values descriptionValues;  // the values of the list added last
  wxPropertyGrid* grid;
  AviFile::PropertyParser parser;
  std::map<std::string, Row> rows;
  std::map<std::string, PropertyCreator*> creators;  // for single keys; not owned

 private:
  // Appends the row of the description (once per key) made by the creator registered for its
  // key, else by the handler's.
  void addRow(const PropertyDescription& description, PropertyCreator& fallback,
              PropertyGetterBase& getter);
};

// Resolving an enumeration value for a row: the choice's number and name. A number takes its
// name (the default name when it has none); text or nothing takes the number of its name (-1
// when unknown). {-1, ""} when the validator has no choices of names.
struct EnumChoice {
  int number = -1;
  std::string name;
};
EnumChoice resolveEnumValue(const Any& value, const AviFile::PropertyValidatorBase* validator);
