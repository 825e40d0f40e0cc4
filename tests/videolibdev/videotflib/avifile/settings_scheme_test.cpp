#include "avifile/settings_scheme.h"

#include <gtest/gtest.h>

#include <sstream>

#include "avifile/json_parser.h"
#include "support/json_text.h"

namespace {

using Brindle::JSON;
namespace E = Brindle::JSONElements;

using vixo_test::parseText;

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
      {"3", 3, -1.0},           // an Integer sets an int, never a double
      {"2.0", -1, 2.0},         // a Float sets a double, never an int
      {"\"3\"", -1, -1.0},      // a String sets neither
      {"4294967297", 1, -1.0},  // the low 32 bits, no range check
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
  s.add(L"w", &w)
      .add(L"n", &n)
      .add(L"b", &b)
      .add(L"d", &d)
      .add(L"i", &i)
      .add(L"ll", &ll)
      .add(L"j", &j);
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
  s2.add(L"w", &w2)
      .add(L"n", &n2)
      .add(L"b", &b2)
      .add(L"d", &d2)
      .add(L"i", &i2)
      .add(L"ll", &ll2)
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

namespace {

// The index sequences of a pass's saved state.
struct Sequences {
  std::pair<int, int> pair{7, 8};
  std::vector<int> ints{9, 9, 9};
  std::vector<std::pair<int, int>> pairs{{9, 9}};
  std::list<std::pair<int, int>> listed{{9, 9}};

  SettingsScheme::Object scheme() {
    SettingsScheme::Object s;
    s.add(L"pair", &pair).add(L"ints", &ints).add(L"pairs", &pairs).add(L"list", &listed);
    return s;
  }
};

}  // namespace

TEST(SettingsScheme, IndexSequencesSaveAsArrays) {
  Sequences s;
  s.pair = {-1, 2147483647};
  s.ints = {3, 0, -4};
  s.pairs = {{1, 2}, {3, 4}};
  s.listed = {{5, 6}};
  EXPECT_EQ(s.scheme().save().toString(0),
            "{\"pair\" : [-1,2147483647],\"ints\" : [3,0,-4],\"pairs\" : [[1,2],[3,4]],"
            "\"list\" : [[5,6]]}");

  Sequences empty;
  empty.ints.clear();
  empty.pairs.clear();
  empty.listed.clear();
  const std::string text = empty.scheme().save().toString(0);
  EXPECT_EQ(text, "{\"pair\" : [7,8],\"ints\" : [],\"pairs\" : [],\"list\" : []}");

  Sequences back;
  back.scheme().load(parseText(s.scheme().save().toString(0)));
  EXPECT_EQ(back.pair, s.pair);
  EXPECT_EQ(back.ints, s.ints);
  EXPECT_EQ(back.pairs, s.pairs);
  EXPECT_EQ(back.listed, s.listed);
}

TEST(SettingsScheme, IndexSequencesLoadWhatFitsAndKeepTheRest) {
  using Pairs = std::vector<std::pair<int, int>>;
  using List = std::list<std::pair<int, int>>;
  struct Row {
    const char* document;
    std::pair<int, int> pair;
    std::vector<int> ints;
    Pairs pairs;
    List listed;
  };
  const Row rows[] = {
      // Not arrays: everything stays.
      {"{\"pair\":1,\"ints\":{},\"pairs\":\"x\",\"list\":null}",
       {7, 8},
       {9, 9, 9},
       {{9, 9}},
       {{9, 9}}},
      // A pair needs exactly two elements.
      {"{\"pair\":[1]}", {7, 8}, {9, 9, 9}, {{9, 9}}, {{9, 9}}},
      {"{\"pair\":[1,2,3]}", {7, 8}, {9, 9, 9}, {{9, 9}}, {{9, 9}}},
      // A half that is not an Integer keeps its value.
      {"{\"pair\":[\"a\",2]}", {7, 2}, {9, 9, 9}, {{9, 9}}, {{9, 9}}},
      // Vectors take the array's size; kept elements keep their value under a wrong kind, new
      // ones start at 0.
      {"{\"ints\":[1,\"a\"]}", {7, 8}, {1, 9}, {{9, 9}}, {{9, 9}}},
      {"{\"ints\":[1,2,3,true,5]}", {7, 8}, {1, 2, 3, 0, 5}, {{9, 9}}, {{9, 9}}},
      {"{\"ints\":[]}", {7, 8}, {}, {{9, 9}}, {{9, 9}}},
      {"{\"pairs\":[[1,2],5,[3]]}", {7, 8}, {9, 9, 9}, {{1, 2}, {0, 0}, {0, 0}}, {{9, 9}}},
      {"{\"pairs\":[5]}", {7, 8}, {9, 9, 9}, {{9, 9}}, {{9, 9}}},
      // A list is refilled from {0, 0} pairs.
      {"{\"list\":[5,[1,2],[3,\"b\"]]}", {7, 8}, {9, 9, 9}, {{9, 9}}, {{0, 0}, {1, 2}, {3, 0}}},
      {"{\"list\":[]}", {7, 8}, {9, 9, 9}, {{9, 9}}, {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.document);
    Sequences s;
    s.scheme().load(parseText(r.document));
    EXPECT_EQ(s.pair, r.pair);
    EXPECT_EQ(s.ints, r.ints);
    EXPECT_EQ(s.pairs, r.pairs);
    EXPECT_EQ(s.listed, r.listed);
  }
}

TEST(SettingsScheme, IndexSequenceClonesShareTheVariable) {
  std::vector<std::pair<int, int>> pairs;
  auto saver =
      std::make_shared<SettingsScheme::SettingSaverT<std::vector<std::pair<int, int>>>>(&pairs);
  auto copy = saver->clone();
  copy->load(parseText("[[4,5]]"));
  ASSERT_EQ(pairs.size(), 1u);
  EXPECT_EQ(pairs[0], std::make_pair(4, 5));
  EXPECT_EQ(saver->save().toString(0), "[[4,5]]");
}
