#include "avifile/json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>

namespace {

using Brindle::JSON;
namespace E = Brindle::JSONElements;
using Kind = JSON::Kind;

JSON integer(int64_t v) { return JSON(E::Integer(v)); }
JSON real(double v) { return JSON(E::Float(v)); }
JSON object() { return JSON(E::Object()); }
JSON array() { return JSON(E::Array()); }

std::string compact(const JSON& j) {
  std::ostringstream out;
  j.write(out, 0, 0);
  return out.str();
}

std::string indented(const JSON& j, int levels = -1) {
  std::ostringstream out;
  j.write(out, levels, 0);
  return out.str();
}

// The example document: a = 1, list = [true, null], o = {}
JSON example() {
  JSON j = object();
  j.set("a", integer(1));
  j.set("list", array().append(JSON(true)).append(JSON()));
  j.set("o", object());
  return j;
}

TEST(JsonValue, KindsAndTypedReadsNeverConvert) {
  EXPECT_TRUE(JSON().isNull());
  EXPECT_TRUE(JSON(true).isBool());
  EXPECT_TRUE(JSON("x").isString());
  EXPECT_TRUE(JSON(std::string("x")).isString());
  EXPECT_TRUE(integer(3).isInteger());
  EXPECT_TRUE(real(3).isFloat());
  EXPECT_TRUE(object().isObject());
  EXPECT_TRUE(array().isArray());

  EXPECT_EQ(integer(-5).getInteger(), -5);
  EXPECT_EQ(real(2.5).getFloat(), 2.5);
  EXPECT_THROW(real(2.0).getInteger(), JSON::InvalidType);
  EXPECT_THROW(integer(2).getFloat(), JSON::InvalidType);
  EXPECT_THROW(JSON("true").getBool(), JSON::InvalidType);
  EXPECT_THROW(JSON().getString(), JSON::InvalidType);
  EXPECT_THROW(integer(1).getWString(), JSON::InvalidType);
  // InvalidType and IndexOutRange are both JSON errors and standard exceptions
  EXPECT_THROW(JSON().getBool(), JSON::Error);
  EXPECT_THROW(JSON().getBool(), std::exception);

  for (const JSON& scalar : {JSON("abc"), integer(1), real(1), JSON(true), JSON()})
    EXPECT_EQ(scalar.size(), -1);
  EXPECT_EQ(example().size(), 3);
}

TEST(JsonValue, StringsHoldBytesAndConvertWideText) {
  const std::string bytes("a\0b\xff", 4);
  EXPECT_EQ(JSON(bytes).getString(), bytes);  // any bytes, NUL included
  EXPECT_EQ(JSON(L"\u00e9\U0001F600").getString(), "\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(JSON("\xC3\xA9\xF0\x9F\x98\x80").getWString(), L"\u00e9\U0001F600");
  EXPECT_EQ(JSON("\xC3").getWString(), L"");  // not UTF-8: empty, no error
  // a wide text that is not Unicode gives an empty String
  std::wstring bad(1, static_cast<wchar_t>(0xD800));
  EXPECT_EQ(JSON(bad).getString(), "");
}

TEST(JsonValue, MemberAccessAppendsNullAndKeepsPositions) {
  JSON j = object();
  EXPECT_TRUE(j.at("k").isNull());
  EXPECT_EQ(j.size(), 1);
  EXPECT_EQ(compact(j), "{\"k\" : null}");

  j.set("a", integer(1)).set("b", integer(2));
  j.set("k", integer(9));  // an existing key keeps its place
  EXPECT_EQ(compact(j), "{\"k\" : 9,\"a\" : 1,\"b\" : 2}");
  EXPECT_TRUE(j.has("a"));
  EXPECT_FALSE(j.has("zz"));
  EXPECT_EQ(j.find("zz"), nullptr);
  EXPECT_EQ(j.size(), 3);  // has and find never insert

  // setting the element a slot already holds changes nothing
  JSON& slot = j.at("a");
  const auto* before = slot.element();
  j.set("a", slot);
  EXPECT_EQ(j.at("a").element(), before);

  // assigning through the returned reference replaces the member in place
  j.at("b") = JSON("two");
  EXPECT_EQ(compact(j), "{\"k\" : 9,\"a\" : 1,\"b\" : \"two\"}");
}

TEST(JsonValue, ReferencesToMembersSurviveGrowth) {
  JSON j = object();
  JSON& first = j.at("first");
  for (int i = 0; i < 100; ++i) j.set("m" + std::to_string(i), integer(i));
  first = integer(42);
  EXPECT_EQ(j.at("first").getInteger(), 42);
  EXPECT_EQ(j.at("m57").getInteger(), 57);  // large objects are found through their index
  EXPECT_TRUE(j.has("m99"));
  EXPECT_FALSE(j.has("m100"));
}

TEST(JsonValue, WrongKindAndIndexErrors) {
  JSON a = array().append(integer(1));
  EXPECT_THROW(a.at(-1), JSON::IndexOutRange);
  EXPECT_THROW(a.at(1), JSON::IndexOutRange);
  EXPECT_EQ(a.at(0).getInteger(), 1);
  const JSON& ca = a;
  EXPECT_THROW(ca.at(5), JSON::IndexOutRange);

  JSON o = object();
  EXPECT_THROW(o.at(0), JSON::InvalidType);
  EXPECT_THROW(o.append(integer(1)), JSON::InvalidType);
  EXPECT_THROW(a.at("k"), JSON::InvalidType);
  EXPECT_THROW(a.has("k"), JSON::InvalidType);
  EXPECT_THROW(a.set("k", integer(1)), JSON::InvalidType);
  EXPECT_THROW(JSON("s").at("k"), JSON::InvalidType);

  // iterating the members of a non-object or the elements of a non-array visits nothing
  int visited = 0;
  for (const auto& m : a.members()) visited += static_cast<int>(m.key.size());
  for (const JSON& e : o.elements()) visited += e.size();
  EXPECT_EQ(visited, 0);
}

TEST(JsonValue, CopiesAreDeepAndSelfAssignmentIsSafe) {
  JSON a = example();
  JSON b = a;
  b.at("list").at(0) = JSON(false);
  EXPECT_TRUE(a.at("list").at(0).getBool());
  EXPECT_FALSE(b.at("list").at(0).getBool());

  // a member assigned its own parent's child, and a tree assigned one of its subtrees
  JSON c = example();
  c.set("copy", c.at("list"));
  EXPECT_EQ(compact(c.at("copy")), "[true,null]");
  c = c.at("list");
  EXPECT_EQ(compact(c), "[true,null]");
  JSON d = example();
  d = std::move(d.at("list"));
  EXPECT_EQ(compact(d), "[true,null]");
}

TEST(JsonValue, MovedFromHandleBehavesAsNull) {
  JSON a = example();
  JSON b = std::move(a);
  EXPECT_TRUE(a.isNull());  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(compact(a), "null");
  JSON arr = array();
  arr.append(a);  // an empty slot stays empty
  EXPECT_EQ(compact(arr), "[null]");
  EXPECT_FALSE(JSON() != a);
}

TEST(JsonConversion, Table) {
  const struct {
    JSON from;
    Kind to;
    std::string expected;  // compact text of the result; "null" is no conversion
  } cases[] = {
      {JSON(true), Kind::Integer, "1"},
      {JSON(false), Kind::Integer, "0"},
      {JSON(true), Kind::String, "\"true\""},
      {JSON(true), Kind::Float, "null"},
      {integer(0), Kind::Boolean, "false"},
      {integer(-7), Kind::Boolean, "true"},
      {integer(-42), Kind::String, "\"-42\""},
      {integer(3), Kind::Float, "3.0000000000000000"},
      {real(1.9), Kind::Integer, "1"},
      {real(-1.9), Kind::Integer, "-1"},
      {real(1e300), Kind::Integer, "null"},
      {real(NAN), Kind::Integer, "null"},
      {real(1.5), Kind::String, "\"1.500000\""},
      {real(-0.25), Kind::String, "\"-0.250000\""},
      {real(1e20), Kind::String, "\"100000000000000000000.000000\""},
      {real(1.5), Kind::Boolean, "null"},
      {JSON("true"), Kind::Boolean, "true"},
      {JSON("false"), Kind::Boolean, "false"},
      {JSON("true "), Kind::Boolean, "null"},
      {JSON("12 "), Kind::Integer, "null"},
      {JSON(" 12"), Kind::Integer, "12"},
      {JSON("+12"), Kind::Integer, "12"},
      {JSON("-9223372036854775808"), Kind::Integer, "-9223372036854775808"},
      {JSON("9223372036854775808"), Kind::Integer, "null"},
      {JSON(""), Kind::Integer, "null"},
      {JSON("--1"), Kind::Integer, "null"},
      {JSON("0x10"), Kind::Integer, "null"},
      {JSON(" -2.5e3"), Kind::Float, "-2500.0000000000000"},
      {JSON("0x1p4"), Kind::Float, "16.000000000000000"},
      {JSON("1e999"), Kind::Float, "null"},
      {JSON("1.5x"), Kind::Float, "null"},
      {JSON("+-1"), Kind::Float, "null"},
      {JSON("abc"), Kind::String, "\"abc\""},
      {array(), Kind::Integer, "null"},
      {array(), Kind::String, "null"},
      {object(), Kind::Boolean, "null"},
      {JSON(), Kind::String, "null"},
      {integer(1), Kind::Array, "null"},
      {JSON("x"), Kind::Object, "null"},
      {example(), Kind::Object, "{\"a\" : 1,\"list\" : [true,null],\"o\" : {}}"},  // a copy
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(compact(c.from) + " to kind " + std::to_string(static_cast<int>(c.to)));
    EXPECT_EQ(compact(c.from.convertTo(c.to)), c.expected);
  }
}

TEST(JsonCompare, OrderAndEquality) {
  // kinds rank String < Float < Array < Integer < Null < Boolean < Object
  const JSON ranked[] = {JSON("z"), real(-1e300), array(), integer(-5),
                         JSON(),    JSON(false),  object()};
  for (size_t i = 0; i < std::size(ranked); ++i)
    for (size_t k = 0; k < std::size(ranked); ++k) {
      SCOPED_TRACE(std::to_string(i) + " vs " + std::to_string(k));
      EXPECT_EQ(ranked[i] < ranked[k], i < k);
      EXPECT_EQ(ranked[i] != ranked[k], i != k);
    }

  const struct {
    JSON a, b;
    int order;  // -1 a < b, 0 equal, 1 a > b
  } cases[] = {
      {JSON(false), JSON(true), -1},
      {integer(-2), integer(1), -1},
      {real(2.5), real(2.5), 0},
      {real(NAN), real(1.0), 0},  // NaN compares equal to everything
      {JSON("ab"), JSON("abc"), -1},
      {JSON("\x7f"), JSON("\x80"), -1},  // unsigned bytes
      {array().append(integer(1)), array().append(integer(1)).append(integer(0)), -1},
      {array().append(integer(2)), array().append(integer(1)).append(integer(9)), 1},
      {object().set("a", integer(1)).set("b", integer(2)),
       object().set("b", integer(2)).set("a", integer(1)), -1},  // member order matters
      {object().set("a", integer(1)), object().set("a", integer(2)), -1},
      {object().set("a", integer(1)), object().set("a", integer(1)).set("b", JSON()), -1},
      {example(), example(), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(compact(c.a) + " vs " + compact(c.b));
    EXPECT_EQ(c.a < c.b, c.order < 0);
    EXPECT_EQ(c.b<c.a, c.order> 0);
    EXPECT_EQ(c.a != c.b, c.order != 0);
  }
}

TEST(JsonWriter, LayoutsOfTheExample) {
  const JSON j = example();
  EXPECT_EQ(compact(j), "{\"a\" : 1,\"list\" : [true,null],\"o\" : {}}");
  EXPECT_EQ(indented(j),
            "{\n"
            "  \"a\" : 1,\n"
            "  \"list\" : [\n"
            "    true,\n"
            "    null\n"
            "  ],\n"
            "  \"o\" : {}\n"
            "}");
  EXPECT_EQ(indented(j, 1),
            "{\n"
            "  \"a\"    : 1,\n"
            "  \"list\" : [true,null],\n"
            "  \"o\"    : {}\n"
            "}");
  // nested indentation and levels 2
  JSON outer = object().set("x", example());
  EXPECT_EQ(indented(outer, 2),
            "{\n"
            "  \"x\" : {\n"
            "    \"a\"    : 1,\n"
            "    \"list\" : [true,null],\n"
            "    \"o\"    : {}\n"
            "  }\n"
            "}");
  // an explicit indent shifts the closing bracket
  std::ostringstream out;
  array().append(integer(1)).write(out, -1, 4);
  EXPECT_EQ(out.str(), "[\n      1\n    ]");
  EXPECT_EQ(compact(array()), "[]");
  EXPECT_EQ(indented(object()), "{}");
}

TEST(JsonWriter, KeyPaddingCountsEscapedBytes) {
  JSON j = object().set("q\"", integer(1)).set("abcd", integer(2));
  EXPECT_EQ(indented(j, 1), "{\n  \"q\\\"\"  : 1,\n  \"abcd\" : 2\n}");
}

TEST(JsonWriter, Floats) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {1.5, "1.5000000000000000"},
      {0.1, "0.10000000000000001"},
      {100, "100.00000000000000"},
      {2.0, "2.0000000000000000"},
      {-2.0, "-2.0000000000000000"},
      {1e-5, "1.0000000000000001e-05"},
      {1e-4, "0.00010000000000000000"},
      {1e17, "1.0000000000000000e+17"},
      {1e16, "10000000000000000.0"},  // "%#.17g" would end in a bare point
      {-1.2345678901234567e16, "-12345678901234568.0"},
      {9999999999999998.0, "9999999999999998.0"},
      {9.9999999999999998e15, "10000000000000000.0"},  // rounds up to 1e16
      {1e300, "1.0000000000000001e+300"},
      {2.2250738585072014e-308, "2.2250738585072014e-308"},
      {0.0, "0.0000000000000000"},
      {-0.0, "0.0000000000000000"},
      {1e-320, "0.0000000000000000"},  // subnormal
      {INFINITY, "0.0000000000000000"},
      {-INFINITY, "0.0000000000000000"},
      {NAN, "0.0000000000000000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(compact(real(c.value)), c.text);
  }
  // writing a float leaves the stream set up for 17 significant digits with a point
  std::ostringstream out;
  real(1).write(out, 0, 0);
  EXPECT_EQ(out.precision(), 17);
  EXPECT_TRUE(out.flags() & std::ios::showpoint);
}

TEST(JsonWriter, IntegersAndLiterals) {
  EXPECT_EQ(compact(integer(0)), "0");
  EXPECT_EQ(compact(integer(-17)), "-17");
  EXPECT_EQ(compact(integer(std::numeric_limits<int64_t>::min())), "-9223372036854775808");
  EXPECT_EQ(compact(JSON(true)), "true");
  EXPECT_EQ(compact(JSON(false)), "false");
  EXPECT_EQ(compact(JSON()), "null");
  // the stream's own number format does not leak in
  std::ostringstream out;
  out << std::hex << std::showpos;
  integer(255).write(out, 0, 0);
  EXPECT_EQ(out.str(), "255");
}

TEST(JsonWriter, StringEscapes) {
  const struct {
    std::string bytes;
    std::string written;
  } cases[] = {
      {"plain/text", "\"plain/text\""},
      {"\b\t\n\f\r", "\"\\b\\t\\n\\f\\r\""},
      {"q\"b\\", "\"q\\\"b\\\\\""},
      {std::string("\x00\x01\x1f", 3), "\"\\u0000\\u0001\\u001f\""},
      {"\x7f", "\"\\u007f\""},
      {"\xC2\x85", "\"\\u0085\""},
      {"\xC2\x80\xC2\x9F", "\"\\u0080\\u009f\""},
      {"\xC2\xA0", "\"\xC2\xA0\""},
      {"x\xC2", "\"x\xC2\""},
      {"\xC2\xC2\x85", "\"\xC2\\u0085\""},
      {"\xE2\x82\xAC\xFF", "\"\xE2\x82\xAC\xFF\""},  // no UTF-8 validation
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.written);
    EXPECT_EQ(compact(JSON(c.bytes)), c.written);
    // keys are escaped the same way
    EXPECT_EQ(compact(object().set(c.bytes, JSON())), "{" + c.written + " : null}");
  }
}

// The layout rules written out plainly, one byte and one level at a time: the writer's output
// must match them byte for byte on any tree.
namespace reference {

std::string escaped(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    const char* letters = "btn?fr";
    char hex[8];
    if (c == 0x08 || c == 0x09 || c == 0x0A || c == 0x0C || c == 0x0D) {
      out += '\\';
      out += letters[c - 0x08];
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      std::snprintf(hex, sizeof hex, "\\u%04x", c);
      out += hex;
    } else if (c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(s[i + 1]) <= 0x9F) {
      std::snprintf(hex, sizeof hex, "\\u%04x", static_cast<unsigned char>(s[++i]));
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string real(double v) {
  if (std::fpclassify(v) != FP_NORMAL) return "0.0000000000000000";
  char text[64];
  std::snprintf(text, sizeof text, "%#.17g", v);
  std::string s = text;
  if (s.back() == '.') s += '0';  // [1e16, 1e17): a point with no digit after it
  return s;
}

std::string written(const JSON& j, int levels, int indent) {
  const int childLevels = levels > 0 ? levels - 1 : levels;
  const std::string lead = levels != 0 ? "\n" + std::string(indent + 2, ' ') : "";
  const std::string close = levels != 0 ? "\n" + std::string(indent, ' ') : "";
  switch (j.kind()) {
    case Kind::Null:
      return "null";
    case Kind::Boolean:
      return j.getBool() ? "true" : "false";
    case Kind::Integer:
      return std::to_string(j.getInteger());
    case Kind::Float:
      return real(j.getFloat());
    case Kind::String:
      return "\"" + escaped(j.getString()) + "\"";
    case Kind::Array: {
      if (j.elements().empty()) return "[]";
      std::string out = "[";
      for (size_t i = 0; i < j.elements().size(); ++i)
        out += (i ? "," : "") + lead + written(j.elements()[i], childLevels, indent + 2);
      return out + close + "]";
    }
    case Kind::Object: {
      if (j.size() == 0) return "{}";
      size_t width = 0;
      for (const auto& m : j.members()) width = std::max(width, escaped(m.key).size());
      std::string out = "{";
      bool first = true;
      for (const auto& m : j.members()) {
        const std::string key = escaped(m.key);
        out += (first ? "" : ",") + lead + "\"" + key + "\"";
        if (levels == 1) out += std::string(width - key.size(), ' ');
        out += " : " + written(m.value, childLevels, indent + 2);
        first = false;
      }
      return out + close + "}";
    }
  }
  return "?";
}

}  // namespace reference

// Strings of the kinds users and peers send: plain text, every escape, UTF-8 with C1 controls,
// stray C2 bytes, NULs, and now and then one long enough to be written in several pieces.
std::string randomBytes(std::mt19937& rng) {
  static const std::string pieces[] = {"a",
                                       "Observer 7",
                                       "/",
                                       "\"",
                                       "\\",
                                       "\b",
                                       "\t",
                                       "\n",
                                       "\f",
                                       "\r",
                                       std::string(1, '\0'),
                                       "\x1f",
                                       "\x7f",
                                       "\xC2\x85",
                                       "\xC2\x80",
                                       "\xC2\x9F",
                                       "\xC2\xA0",
                                       "\xC2",
                                       "\xC3\xA9",
                                       "\xE2\x82\xAC",
                                       "\xFF"};
  const size_t count = rng() % 50 == 0 ? 5000 + rng() % 30000 : rng() % 12;
  std::string s;
  for (size_t i = 0; i < count; ++i) s += pieces[rng() % std::size(pieces)];
  return s;
}

double randomReal(std::mt19937_64& rng) {
  if (rng() % 4 == 0) {
    // any bit pattern: every exponent, subnormals, infinities, NaNs
    const uint64_t bits = rng();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
  }
  // around the points where the layout changes (1e-5, 1e-4, 1e16, 1e17)
  const double mantissa = std::uniform_real_distribution<double>(-10, 10)(rng);
  return mantissa * std::pow(10.0, static_cast<int>(rng() % 26) - 7);
}

JSON randomTree(std::mt19937& rng, std::mt19937_64& rng64, int depth) {
  switch (rng() % (depth > 0 ? 8 : 6)) {
    case 0:
      return JSON();
    case 1:
      return JSON(rng() % 2 == 0);
    case 2:
      return integer(static_cast<int64_t>(rng64()) >> (rng() % 64));
    case 3:
      return real(randomReal(rng64));
    case 4:
    case 5:
      return JSON(randomBytes(rng));
    case 6: {
      JSON a = array();
      for (int n = rng() % 6; n > 0; --n) a.append(randomTree(rng, rng64, depth - 1));
      return a;
    }
    default: {
      JSON o = object();
      for (int n = rng() % 6; n > 0; --n)
        o.set(randomBytes(rng), randomTree(rng, rng64, depth - 1));
      return o;
    }
  }
}

TEST(JsonWriter, EveryLayoutMatchesTheRulesOnVariedTrees) {
  std::mt19937 rng(20251211);
  std::mt19937_64 rng64(7);
  size_t largest = 0;
  for (int round = 0; round < 300; ++round) {
    const JSON tree = randomTree(rng, rng64, 6);
    const std::string expected = reference::written(tree, 0, 0);
    largest = std::max(largest, expected.size());
    ASSERT_EQ(compact(tree), expected) << "round " << round;
    ASSERT_EQ(tree.toString(0), expected) << "round " << round;
    for (int levels : {1, 2, -1}) {
      ASSERT_EQ(tree.toString(levels), reference::written(tree, levels, 0)) << "round " << round;
      std::ostringstream out;
      tree.write(out, levels, 3);
      ASSERT_EQ(out.str(), reference::written(tree, levels, 3)) << "round " << round;
    }
  }
  EXPECT_GT(largest, 65536u);  // texts larger than the chunks handed to a stream were among them
}

TEST(JsonWriter, FloatsMatchPrintf) {
  std::mt19937_64 rng(99);
  for (int i = 0; i < 200000; ++i) {
    const double v = randomReal(rng);
    ASSERT_EQ(compact(real(v)), reference::real(v)) << std::hexfloat << v;
  }
}

TEST(JsonWriter, LongStringsSplitNowhereVisible) {
  // C1 pairs, escapes and plain bytes at every offset around the writer's internal boundaries
  for (size_t length : {8190u, 8191u, 8192u, 8193u, 65535u, 65536u, 65537u, 200001u}) {
    for (const std::string& tail : {std::string("\xC2\x85"), std::string("\n"), std::string("x")}) {
      for (size_t at = length - 3; at <= length; ++at) {
        std::string s(length, 'v');
        s.replace(at - tail.size(), tail.size(), tail);
        const std::string expected = "[\"" + reference::escaped(s) + "\",1]";
        const JSON j = array().append(JSON(s)).append(integer(1));
        ASSERT_EQ(compact(j), expected) << length << " " << at;
        ASSERT_EQ(j.toString(0), expected) << length << " " << at;
      }
    }
  }
  // a string of nothing but escapes grows sixfold
  const std::string controls(100000, '\x01');
  EXPECT_EQ(JSON(controls).toString(), "\"" + reference::escaped(controls) + "\"");
}

TEST(JsonBuilders, StringsAndIntSets) {
  EXPECT_EQ(compact(Brindle::stringsToJson({L"a", L"\u00e9", L""})), "[\"a\",\"\xC3\xA9\",\"\"]");
  EXPECT_EQ(compact(Brindle::intSetToJson({5, -2, 9})), "[-2,5,9]");
  EXPECT_EQ(compact(Brindle::intSetToJson({})), "[]");
}

TEST(JsonDeepTrees, CopyCompareWriteAndDestroyWithoutRecursion) {
  constexpr int kDepth = 200000;
  JSON root = array();
  {
    // build from the inside out
    JSON inner = array();
    for (int i = 0; i < kDepth; ++i) {
      JSON next = array();
      next.mutableElements().push_back(std::move(inner));
      inner = std::move(next);
    }
    root = std::move(inner);
  }
  JSON copy = root;
  EXPECT_FALSE(root != copy);
  std::string text = root.toString(0);
  EXPECT_EQ(text.size(), 2u * (kDepth + 1));
  // (the indented layout of such a tree is quadratic in its depth by nature: not written here)
  EXPECT_EQ(root.toString(2).size(), text.size() + 12);  // "\n  ", "\n    ", "\n  ", "\n"

  JSON deepObject = object();
  JSON* at = &deepObject;
  for (int i = 0; i < kDepth; ++i) at = &at->at("k").operator=(object());
  JSON objectCopy = deepObject;
  EXPECT_FALSE(objectCopy != deepObject);
  at->at("end") = JSON(true);
  EXPECT_TRUE(objectCopy < deepObject);
}

}  // namespace
