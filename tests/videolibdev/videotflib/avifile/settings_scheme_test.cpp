#include "avifile/settings_scheme.h"

#include <gtest/gtest.h>

#include <sstream>

#include "avifile/json_parser.h"

namespace {

using Brindle::JSON;
namespace E = Brindle::JSONElements;

JSON parseText(const std::string& text) {
  std::istringstream in(text);
  return Brindle::JSONparser::parse(in);
}

// A file entry of a task: identifier, path and group, in that order.
struct Entry {
  std::wstring id = L"none";
  std::wstring path;
  int group = -7;

  SettingsScheme::Object scheme() {
    SettingsScheme::Object s;
    s.add(L"id", &id).add(L"path", &path).add(L"group", &group);
    return s;
  }
};

TEST(SettingsScheme, SavesMembersInDeclarationOrder) {
  Entry e{L"z1", L"v/\u00e9.avi", 3};
  EXPECT_EQ(e.scheme().save().toString(0),
            "{\"id\" : \"z1\",\"path\" : \"v/\xC3\xA9.avi\",\"group\" : 3}");

  Entry back;
  back.scheme().load(parseText("{\"group\" : 12, \"path\" : \"p\", \"id\" : \"\xC3\xA9\"}"));
  EXPECT_EQ(back.id, L"\u00e9");
  EXPECT_EQ(back.path, L"p");
  EXPECT_EQ(back.group, 12);
}

TEST(SettingsScheme, LoadTakesOnlyValuesOfTheFieldsKind) {
  struct Row {
    const char* member;
    int expectInt;
    double expectDouble;
  };
  const Row rows[] = {
      {"3", 3, -1.0},                 // an Integer sets an int, never a double
      {"2.0", -1, 2.0},               // a Float sets a double, never an int
      {"\"3\"", -1, -1.0},            // a String sets neither
      {"4294967297", 1, -1.0},        // the low 32 bits, no range check
      {"-2147483649", 2147483647, -1.0},
      {"null", -1, -1.0},
      {"true", -1, -1.0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.member);
    int i = -1;
    double d = -1.0;
    SettingsScheme::Object s;
    s.add(L"i", &i).add(L"d", &d);
    const std::string text = std::string("{\"i\" : ") + r.member + ",\"d\" : " + r.member + "}";
    s.load(parseText(text));
    EXPECT_EQ(i, r.expectInt);
    EXPECT_EQ(d, r.expectDouble);
  }
}

TEST(SettingsScheme, SavedValuesAndTheirReading) {
  std::wstring w = L"\u00e9";
  std::string n("a\0b", 3);
  bool b = true;
  double d = 0.1;
  int i = -1;
  long long ll = -9000000000000LL;
  JSON j = parseText("[1,{\"x\" : null}]");
  SettingsScheme::Object s;
  s.add(L"w", &w).add(L"n", &n).add(L"b", &b).add(L"d", &d).add(L"i", &i).add(L"ll", &ll).add(
      L"j", &j);
  const JSON saved = s.save();
  EXPECT_EQ(saved.toString(0),
            "{\"w\" : \"\xC3\xA9\",\"n\" : \"a\\u0000b\",\"b\" : true,\"d\" : 0.10000000000000001,"
            "\"i\" : -1,\"ll\" : -9000000000000,\"j\" : [1,{\"x\" : null}]}");

  std::wstring w2;
  std::string n2;
  bool b2 = false;
  double d2 = 0;
  int i2 = 0;
  long long ll2 = 0;
  JSON j2;
  SettingsScheme::Object s2;
  s2.add(L"w", &w2).add(L"n", &n2).add(L"b", &b2).add(L"d", &d2).add(L"i", &i2).add(L"ll", &ll2)
      .add(L"j", &j2);
  s2.load(parseText(saved.toString(0)));
  EXPECT_EQ(w2, w);
  EXPECT_EQ(n2, n);
  EXPECT_EQ(b2, b);
  EXPECT_EQ(d2, d);
  EXPECT_EQ(i2, i);
  EXPECT_EQ(ll2, ll);
  EXPECT_FALSE(j2 != j);

  // malformed UTF-8 gives the empty text
  s2.load(parseText("{\"w\" : \"\xC3\"}"));
  EXPECT_EQ(w2, L"");
}

TEST(SettingsScheme, NonObjectsUnknownAndMissingMembersChangeNothing) {
  for (const char* text : {"[1,2]", "\"id\"", "null", "{}", "{\"x\" : \"y\"}"}) {
    SCOPED_TRACE(text);
    Entry e;
    e.scheme().load(parseText(text));
    EXPECT_EQ(e.id, L"none");
    EXPECT_EQ(e.group, -7);
  }
}

TEST(SettingsScheme, KeyDeclaredTwice) {
  int first = 1, second = 2;
  SettingsScheme::Object s;
  s.add(L"a", &first).add(L"b", &second).add(L"a", &second);
  // saved once, at the first place, with the last declaration's field
  EXPECT_EQ(s.save().toString(0), "{\"a\" : 2,\"b\" : 2}");
  // loading sets only the field of the first declaration
  s.load(parseText("{\"a\" : 5}"));
  EXPECT_EQ(first, 5);
  EXPECT_EQ(second, 2);
}

TEST(SettingsScheme, ClonesAndNestedSchemesShareTheFields) {
  Entry e;
  SettingsScheme::Object s = e.scheme();
  std::shared_ptr<SettingsScheme::SettingSaverBase> copy = s.clone();
  copy->load(parseText("{\"id\" : \"c\"}"));
  EXPECT_EQ(e.id, L"c");

  // a scheme is itself a saver, so records nest
  SettingsScheme::Object outer;
  int version = 200;
  outer.add(L"version", &version).add(L"entry", std::make_shared<SettingsScheme::Object>(s));
  EXPECT_EQ(outer.save().toString(0),
            "{\"version\" : 200,\"entry\" : {\"id\" : \"c\",\"path\" : \"\",\"group\" : -7}}");
  outer.load(parseText("{\"entry\" : {\"group\" : 4}}"));
  EXPECT_EQ(e.group, 4);
}

TEST(SettingsScheme, JsonFieldTakesAnyValueAndEmptyHandlesAreSkipped) {
  JSON field = parseText("{\"old\" : 1}");
  SettingsScheme::Object s;
  s.add(L"v", &field);
  s.load(parseText("{\"v\" : [1,2,3]}"));
  EXPECT_EQ(field.toString(0), "[1,2,3]");

  JSON moved = std::move(field);
  EXPECT_EQ(s.save().toString(0), "{}");  // a field holding no element writes nothing
}

}  // namespace
