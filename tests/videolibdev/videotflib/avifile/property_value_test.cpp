#include "avifile/property_value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <locale>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "avifile/json.h"
#include "avifile/json_parser.h"
#include "support/any_text.h"

namespace {

using Brindle::JSON;
namespace E = Brindle::JSONElements;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr long long kLLMax = std::numeric_limits<long long>::max();
constexpr long long kLLMin = std::numeric_limits<long long>::min();
constexpr int kIntMin = std::numeric_limits<int>::min();

using vixo_test::describe;

JSON parseJson(const std::string& text) {
  std::istringstream in(text);
  return Brindle::JSONparser::parse(in);
}

// One value of each kind, in no particular order.
std::vector<Any> oneOfEachKind() {
  return {Any::of(1), Any::of(1LL), Any::of(1.0), Any::of(true), makeStringValue("1")};
}

// ---------------------------------------------------------------- text form

TEST(AnyToText, WritesEachKindInTheClassicDefaultFormat) {
  const struct {
    Any value;
    std::string text;
  } rows[] = {
      {Any(), ""},
      {Any::of(-5), "-5"},
      {Any::of(kIntMin), "-2147483648"},
      {Any::of(kLLMin), "-9223372036854775808"},
      {Any::of(1234567LL), "1234567"},
      {Any::of(0.1), "0.1"},
      {Any::of(2.0), "2"},
      {Any::of(1234567.0), "1.23457e+06"},
      {Any::of(1e-5), "1e-05"},
      {Any::of(-0.5), "-0.5"},
      {Any::of(true), "1"},
      {Any::of(false), "0"},
      {makeStringValue(""), ""},
      {makeStringValue(std::string("a b\0\xff", 5)), std::string("a b\0\xff", 5)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(describe(row.value));
    EXPECT_EQ(anyToText(row.value), row.text);
  }
}

TEST(AnyToText, WriteTextFollowsTheStreamsFormatting) {
  // Callers with their own stream state (precision) get it honoured.
  std::ostringstream out;
  out.imbue(std::locale::classic());
  out.precision(10);
  Any::of(3.14159265358979)->writeText(out);
  EXPECT_EQ(out.str(), "3.141592654");
}

// A global locale that writes numbers the German way: ',' for the decimal point and '.' between
// groups of three digits.
struct GermanPunct : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

class GermanGlobalLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    // A real German locale when the system has one, else the same punctuation by hand.
    try {
      previous_ = std::locale::global(std::locale("de_DE.UTF-8"));
    } catch (const std::runtime_error&) {
      previous_ = std::locale::global(std::locale(std::locale::classic(), new GermanPunct));
    }
    std::ostringstream probe;
    probe << 1234.5;
    ASSERT_NE(probe.str(), "1234.5") << "the global locale did not change number text";
  }
  void TearDown() override { std::locale::global(previous_); }

 private:
  std::locale previous_;
};

TEST_F(GermanGlobalLocale, AnyToTextStillWritesClassicNumbers) {
  EXPECT_EQ(anyToText(Any::of(0.5)), "0.5");
  EXPECT_EQ(anyToText(Any::of(1234.5)), "1234.5");
  EXPECT_EQ(anyToText(Any::of(1234567)), "1234567");
  EXPECT_EQ(anyToText(Any::of(-1234567LL)), "-1234567");
}

// ---------------------------------------------------------------- kinds and conversions

TEST(AnyKinds, OnlyIntegersAndDoublesConvertAndNeverIntoEachOther) {
  const struct {
    Any value;
    bool isInteger, isFloat;
    long long integer;  // toInteger(9)
    double real;        // toDouble(5.0)
  } rows[] = {
      {Any::of(-7), true, false, -7, 5.0},  // sign-extended
      {Any::of(kIntMin), true, false, kIntMin, 5.0}, {Any::of(2LL), true, false, 2, 5.0},
      {Any::of(kLLMax), true, false, kLLMax, 5.0},   {Any::of(2.5), false, true, 9, 2.5},
      {Any::of(true), false, false, 9, 5.0},         {makeStringValue("3"), false, false, 9, 5.0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(describe(row.value));
    EXPECT_EQ(row.value->isInteger(), row.isInteger);
    EXPECT_EQ(row.value->isFloat(), row.isFloat);
    EXPECT_EQ(row.value->toInteger(9), row.integer);
    EXPECT_EQ(row.value->toDouble(5.0), row.real);
  }
}

TEST(AnyKinds, EachKindHasItsOwnIdentityAndTypedAccess) {
  const std::vector<Any> values = oneOfEachKind();
  for (size_t i = 0; i < values.size(); ++i)
    for (size_t j = 0; j < values.size(); ++j) {
      SCOPED_TRACE(describe(values[i]) + " / " + describe(values[j]));
      EXPECT_EQ(values[i]->typeId() == values[j]->typeId(), i == j);
    }
  EXPECT_NE(values[0].as<int>(), nullptr);
  EXPECT_EQ(values[0].as<long long>(), nullptr);
  EXPECT_EQ(values[1].as<int>(), nullptr);
  EXPECT_EQ(values[4].as<std::string>()->size(), 1u);
  EXPECT_EQ(Any().as<int>(), nullptr);
}

TEST(AnyHandle, CopiesAreDeepAndMovesTransfer) {
  Any original = makeStringValue("abc");
  Any copy = original;
  static_cast<Any::Data<std::string>*>(copy.get())->assign("xyz");
  EXPECT_EQ(*original.as<std::string>(), "abc");
  EXPECT_EQ(*copy.as<std::string>(), "xyz");

  Any assigned;
  assigned = original;
  *static_cast<std::string*>(assigned.get()->valuePtr()) = "changed";
  EXPECT_EQ(*original.as<std::string>(), "abc");

  const Any& self = assigned;
  assigned = self;
  EXPECT_EQ(*assigned.as<std::string>(), "changed");

  Any moved = std::move(original);
  EXPECT_TRUE(original.empty());  // NOLINT(bugprone-use-after-move): the moved-from state
  EXPECT_EQ(*moved.as<std::string>(), "abc");

  Any emptyCopy = Any();
  Any fromEmpty = emptyCopy;
  EXPECT_TRUE(fromEmpty.empty());
}

// ---------------------------------------------------------------- equality and order

TEST(AnyEquality, NeedsTheSameKindAndValue) {
  EXPECT_EQ(Any(), Any());
  EXPECT_NE(Any(), Any::of(0));
  EXPECT_NE(Any::of(0), Any());

  EXPECT_NE(Any::of(1), Any::of(1LL));
  EXPECT_NE(Any::of(1LL), Any::of(1));
  EXPECT_NE(Any::of(1.0), Any::of(1LL));
  EXPECT_NE(Any::of(true), Any::of(1));
  EXPECT_NE(makeStringValue("1"), Any::of(1));

  EXPECT_EQ(Any::of(1), Any::of(1));
  EXPECT_EQ(Any::of(0.0), Any::of(-0.0));
  EXPECT_NE(Any::of(false), Any::of(true));
  EXPECT_EQ(makeStringValue(std::string("a\0b", 3)), makeStringValue(std::string("a\0b", 3)));
  EXPECT_NE(makeStringValue(std::string("a\0b", 3)), makeStringValue(std::string("a\0c", 3)));
  EXPECT_NE(makeStringValue("a"), makeStringValue(std::string("a\0", 2)));

  for (const Any& v : oneOfEachKind()) {
    SCOPED_TRACE(describe(v));
    EXPECT_FALSE(v->equals(nullptr));
  }
}

TEST(AnyEquality, NaNEqualsNothingButComparesZero) {
  const Any a = Any::of(kNaN), b = Any::of(kNaN);
  EXPECT_FALSE(a->equals(b.get()));
  EXPECT_FALSE(a->equals(a.get()));
  EXPECT_NE(a, b);
  EXPECT_EQ(a->compare(b.get()), 0);
  EXPECT_EQ(a->compare(Any::of(1.0).get()), 0);
  EXPECT_EQ(Any::of(1.0)->compare(a.get()), 0);
}

TEST(AnyCompare, NullComesFirst) {
  for (const Any& v : oneOfEachKind()) {
    SCOPED_TRACE(describe(v));
    EXPECT_EQ(v->compare(nullptr), 1);
  }
}

TEST(AnyCompare, DifferentKindsOrderByKindNotByValue) {
  // int 1 vs long long 1 differ, and their order does not depend on the values at all.
  const int oneVsOne = Any::of(1)->compare(Any::of(1LL).get());
  EXPECT_NE(oneVsOne, 0);
  EXPECT_EQ(Any::of(1000)->compare(Any::of(-1000LL).get()), oneVsOne);
  EXPECT_EQ(Any::of(-1000)->compare(Any::of(1000LL).get()), oneVsOne);
  EXPECT_EQ(Any::of(1LL)->compare(Any::of(1).get()), -oneVsOne);

  // A strict total order of the five kinds: antisymmetric, and transitive over every triple.
  const std::vector<Any> v = oneOfEachKind();
  const size_t n = v.size();
  for (size_t i = 0; i < n; ++i)
    for (size_t j = 0; j < n; ++j) {
      if (i == j) continue;
      SCOPED_TRACE(describe(v[i]) + " vs " + describe(v[j]));
      const int c = v[i]->compare(v[j].get());
      EXPECT_TRUE(c == -1 || c == 1);
      EXPECT_EQ(v[j]->compare(v[i].get()), -c);
      for (size_t k = 0; k < n; ++k) {
        if (k == i || k == j) continue;
        if (c < 0 && v[j]->compare(v[k].get()) < 0) {
          EXPECT_LT(v[i]->compare(v[k].get()), 0);
        }
      }
    }
}

TEST(AnyCompare, SameKindComparesValues) {
  const struct {
    Any a, b;
    int expected;
  } rows[] = {
      {Any::of(-1), Any::of(2), -1},
      {Any::of(2), Any::of(-1), 1},
      {Any::of(kIntMin), Any::of(kIntMin), 0},
      {Any::of(kLLMin), Any::of(kLLMax), -1},
      {Any::of(kLLMax), Any::of(kLLMin), 1},
      {Any::of(0.5), Any::of(0.25), 1},
      {Any::of(-0.0), Any::of(0.0), 0},
      {Any::of(false), Any::of(true), -1},
      {Any::of(true), Any::of(false), 1},
      {Any::of(true), Any::of(true), 0},
      {makeStringValue("ab"), makeStringValue("abc"), -1},  // a proper prefix first
      {makeStringValue("abc"), makeStringValue("ab"), 1},
      {makeStringValue("b"), makeStringValue("abc"), 1},
      {makeStringValue(""), makeStringValue(""), 0},
      {makeStringValue("\xff"), makeStringValue("a"), 1},  // bytes compare unsigned
      {makeStringValue(std::string("a\0", 2)), makeStringValue("a"), 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(describe(row.a) + " vs " + describe(row.b));
    EXPECT_EQ(row.a->compare(row.b.get()), row.expected);
    EXPECT_EQ(row.a < row.b, row.expected < 0);
  }
}

TEST(AnyCompare, HandleOrderPutsEmptyFirst) {
  EXPECT_FALSE(Any() < Any());
  EXPECT_TRUE(Any() < Any::of(kIntMin));
  EXPECT_FALSE(Any::of(kIntMin) < Any());
  EXPECT_TRUE(Any() < makeStringValue(""));
}

// ---------------------------------------------------------------- binary form

template <class T>
void expectBinaryRoundTrip(const T& value, const T& other) {
  const Any::Data<T> source(value);
  std::ostringstream out;
  source.writeBinary(out);
  const std::string bytes = out.str();
  EXPECT_EQ(bytes.size(), source.binarySize());

  // Written twice into one stream, read back twice: each read takes exactly its own bytes.
  std::istringstream in(bytes + bytes + "!");
  Any::Data<T> first(other), second(other);
  ASSERT_TRUE(first.readBinary(in));
  ASSERT_TRUE(second.readBinary(in));
  EXPECT_TRUE(source.equals(&first));
  EXPECT_TRUE(source.equals(&second));
  EXPECT_EQ(in.get(), '!');

  // A stream cut short fails and leaves the value alone.
  for (size_t cut : {size_t{0}, bytes.size() - 1}) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    std::istringstream shortIn(bytes.substr(0, cut));
    Any::Data<T> target(other);
    EXPECT_FALSE(target.readBinary(shortIn));
    EXPECT_EQ(target.value, other);
  }
}

TEST(AnyBinary, EveryKindRoundTrips) {
  {
    SCOPED_TRACE("int");
    expectBinaryRoundTrip<int>(kIntMin, 7);
    expectBinaryRoundTrip<int>(-2, 0);
  }
  {
    SCOPED_TRACE("long long");
    expectBinaryRoundTrip<long long>(kLLMax, 0);
    expectBinaryRoundTrip<long long>(-3, 5);
  }
  {
    SCOPED_TRACE("double");
    expectBinaryRoundTrip<double>(0.1, 2.0);
    expectBinaryRoundTrip<double>(-std::numeric_limits<double>::infinity(), 0.0);
  }
  {
    SCOPED_TRACE("bool");
    expectBinaryRoundTrip<bool>(true, false);
    expectBinaryRoundTrip<bool>(false, true);
  }
  {
    SCOPED_TRACE("string");
    expectBinaryRoundTrip<std::string>("x", "");
    expectBinaryRoundTrip<std::string>(std::string("a\0\xff\n", 4), "old");
    // Longer than any read buffer, so that the text is read in several chunks.
    std::string big(10000, 'q');
    big[4095] = 'A';
    big[4096] = 'B';
    big.back() = 'Z';
    expectBinaryRoundTrip<std::string>(big, "old");
  }
}

TEST(AnyBinary, FixedWidthKindsWriteTheirBytesAsStored) {
  const auto bytesOf = [](const Any::DataBase& v) {
    std::ostringstream out;
    v.writeBinary(out);
    return out.str();
  };
  const int i = -2;
  const long long ll = 0x0102030405060708LL;
  const double d = 0.1;
  EXPECT_EQ(bytesOf(Any::Data<int>(i)), std::string(reinterpret_cast<const char*>(&i), 4));
  EXPECT_EQ(bytesOf(Any::Data<long long>(ll)), std::string(reinterpret_cast<const char*>(&ll), 8));
  EXPECT_EQ(bytesOf(Any::Data<double>(d)), std::string(reinterpret_cast<const char*>(&d), 8));
  EXPECT_EQ(bytesOf(Any::Data<bool>(true)), std::string(1, '\1'));
  EXPECT_EQ(bytesOf(Any::Data<bool>(false)), std::string(1, '\0'));
}

TEST(AnyBinary, EmptyTextRoundTrips) {
  const Any::Data<std::string> source("");
  std::ostringstream out;
  source.writeBinary(out);
  EXPECT_EQ(out.str().size(), source.binarySize());
  std::istringstream in(out.str());
  Any::Data<std::string> target("old");
  ASSERT_TRUE(target.readBinary(in));
  EXPECT_EQ(target.value, "");
}

TEST(AnyBinary, DamagedTextLengthFailsWithoutReadingOrAllocatingIt) {
  // A length of about 2^64 followed by three bytes: the read must fail cleanly.
  std::string bytes(8, '\xff');
  bytes += "abc";
  std::istringstream in(bytes);
  Any::Data<std::string> target("old");
  EXPECT_FALSE(target.readBinary(in));
  EXPECT_EQ(target.value, "old");
}

// ---------------------------------------------------------------- JSON

TEST(AnyFromJson, EachElementKindGivesItsValue) {
  const struct {
    const char* json;
    Any expected;
  } rows[] = {
      {"7", Any::of(7LL)},
      {"-9223372036854775808", Any::of(kLLMin)},
      {"7.0", Any::of(7.0)},
      {"-0.25", Any::of(-0.25)},
      {"\"7\"", makeStringValue("7")},
      {"\"\"", makeStringValue("")},
      {"\"a\\u0000b\"", makeStringValue(std::string("a\0b", 3))},
      {"true", Any::of(true)},
      {"false", Any::of(false)},
      {"null", Any()},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.json);
    const Any value = anyFromJson(parseJson(row.json));
    EXPECT_EQ(value, row.expected) << describe(value);
  }
}

TEST(AnyFromJson, ContainersHaveNoValue) {
  for (const char* json : {"[1]", "[]", "{}", "{\"a\":1}"}) {
    SCOPED_TRACE(json);
    EXPECT_THROW(anyFromJson(parseJson(json)), JSON::InvalidType);
  }
}

TEST(AnyToJson, EachKindGivesItsElement) {
  const struct {
    Any value;
    JSON expected;
  } rows[] = {
      {Any::of(-3), JSON(E::Integer(-3))},
      {Any::of(kIntMin), JSON(E::Integer(kIntMin))},
      {Any::of(kLLMax), JSON(E::Integer(kLLMax))},
      {Any::of(0.5), JSON(E::Float(0.5))},
      {Any::of(2.0), JSON(E::Float(2.0))},
      {Any::of(true), JSON(true)},
      {Any::of(false), JSON(false)},
      {Any(), JSON()},
      {makeStringValue("abc"), JSON("abc")},
      {makeStringValue(""), JSON("")},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(describe(row.value));
    const JSON json = anyToJson(row.value);
    EXPECT_EQ(json.kind(), row.expected.kind());
    EXPECT_TRUE(json == row.expected) << json.toString();
  }
}

TEST(AnyJson, ValuesRoundTripKeepingTheirKindButIntBecomesLongLong) {
  const struct {
    Any value;
    Any back;
  } rows[] = {
      {Any::of(-3), Any::of(-3LL)},
      {Any::of(kIntMin), Any::of(static_cast<long long>(kIntMin))},
      {Any::of(kLLMin), Any::of(kLLMin)},
      {Any::of(kLLMax), Any::of(kLLMax)},
      {Any::of(0.1), Any::of(0.1)},
      {Any::of(7.0), Any::of(7.0)},
      {Any::of(-1e300), Any::of(-1e300)},
      {Any::of(true), Any::of(true)},
      {Any::of(false), Any::of(false)},
      {Any(), Any()},
      {makeStringValue("abc"), makeStringValue("abc")},
      {makeStringValue("7"), makeStringValue("7")},
      {makeStringValue("line\n\"quoted\" \xc3\xa9"), makeStringValue("line\n\"quoted\" \xc3\xa9")},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(describe(row.value));
    const JSON json = anyToJson(row.value);
    EXPECT_EQ(anyFromJson(json), row.back);
    // Also through the written text, as the task file stores it.
    const Any reread = anyFromJson(parseJson(json.toString()));
    EXPECT_EQ(reread, row.back) << json.toString() << " read back as " << describe(reread);
  }
}

}  // namespace
