#include "avifile/property_validator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <locale>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <typeindex>
#include <vector>

#include "support/any_text.h"

namespace {

using AviFile::AnyValidator;
using AviFile::BoolValidator;
using AviFile::DoubleValidator;
using AviFile::EnumValidator;
using AviFile::FlagsValidator;
using AviFile::IntegerValidator;
using AviFile::PropertyParser;
using AviFile::PropertyValidatorBase;
using AviFile::StringValidator;

constexpr long long kLLMax = std::numeric_limits<long long>::max();
constexpr long long kLLMin = std::numeric_limits<long long>::min();
constexpr int kIntMax = std::numeric_limits<int>::max();
constexpr int kIntMin = std::numeric_limits<int>::min();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
// More digits than any 64-bit number holds.
const std::string kHugeDigits = "99999999999999999999999";

using vixo_test::describe;

// Compares kind and value, and shows both on failure.
void expectSame(const Any& actual, const Any& expected) {
  EXPECT_TRUE(actual == expected) << "got " << describe(actual) << ", expected "
                                  << describe(expected);
}

Any text(const std::string& s) { return makeStringValue(s); }

// ---------------------------------------------------------------- integers

class LongLongOneToTen : public ::testing::Test {
 protected:
  IntegerValidator<long long> validator{1, 1, 10};
};

TEST_F(LongLongOneToTen, ParseTakesPlainDigitsOnlyAndClamps) {
  const struct {
    std::string text;
    Any expected;
  } rows[] = {
      {"", Any::of(1LL)},  // 0, clamped
      {"0", Any::of(1LL)},   {"7", Any::of(7LL)},   {"007", Any::of(7LL)},
      {"10", Any::of(10LL)}, {"99", Any::of(10LL)}, {kHugeDigits, Any::of(10LL)},
      {"-3", Any()},         {"+3", Any()},         {" 7", Any()},
      {"7 ", Any()},         {"7z", Any()},         {"0x5", Any()},
      {"3.0", Any()},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("\"" + row.text + "\"");
    expectSame(validator.parse(row.text), row.expected);
  }
}

TEST_F(LongLongOneToTen, NormalizeClampsNumbersAndParsesEverythingElse) {
  const struct {
    Any value;
    Any expected;
  } rows[] = {
      {Any::of(50), Any::of(10LL)},  // an int becomes a long long
      {Any::of(5), Any::of(5LL)},      {Any::of(-5LL), Any::of(1LL)},
      {Any::of(kLLMin), Any::of(1LL)}, {Any::of(kLLMax), Any::of(10LL)},
      {Any::of(3.7), Any()},         // its text "3.7" does not parse
      {Any::of(4.0), Any::of(4LL)},  // its text is "4"
      {Any::of(true), Any::of(1LL)},   {Any::of(false), Any::of(1LL)},
      {text("8"), Any::of(8LL)},       {text("eight"), Any()},
      {Any(), Any::of(1LL)},  // the empty text reads as 0
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(describe(row.value));
    expectSame(validator.normalize(row.value), row.expected);
  }
}

TEST_F(LongLongOneToTen, IsValidWantsTheExactClassWithinTheBounds) {
  EXPECT_TRUE(validator.isValid(Any::of(1LL)));
  EXPECT_TRUE(validator.isValid(Any::of(10LL)));
  EXPECT_FALSE(validator.isValid(Any::of(0LL)));
  EXPECT_FALSE(validator.isValid(Any::of(11LL)));
  EXPECT_FALSE(validator.isValid(Any::of(5)));
  EXPECT_FALSE(validator.isValid(Any::of(5.0)));
  EXPECT_FALSE(validator.isValid(text("5")));
  EXPECT_FALSE(validator.isValid(Any()));
  expectSame(validator.defaultValue(), Any::of(1LL));
  EXPECT_TRUE(validator.isNumeric());
  EXPECT_FALSE(validator.hasChoices());
}

TEST(IntValidator, IsValidWantsAnIntWithinTheBounds) {
  const IntegerValidator<int> validator(0, -2, 2);
  EXPECT_TRUE(validator.isValid(Any::of(-2)));
  EXPECT_TRUE(validator.isValid(Any::of(2)));
  EXPECT_FALSE(validator.isValid(Any::of(3)));
  EXPECT_FALSE(validator.isValid(Any::of(1LL)));
  expectSame(validator.defaultValue(), Any::of(0));
  expectSame(validator.parse("1"), Any::of(1));
}

TEST(IntValidator, ClampsInSixtyFourBitsBeforeNarrowing) {
  // Truncating first would turn 2^32 - 5 into -5 and 2^32 into 0.
  const IntegerValidator<int> narrow(0, -10, 10);
  expectSame(narrow.normalize(Any::of(4294967291LL)), Any::of(10));
  expectSame(narrow.normalize(Any::of(4294967296LL)), Any::of(10));
  expectSame(narrow.normalize(Any::of(-4294967286LL)), Any::of(-10));
  expectSame(narrow.parse("4294967296"), Any::of(10));

  const IntegerValidator<int> full(0);
  expectSame(full.normalize(Any::of(kLLMax)), Any::of(kIntMax));
  expectSame(full.normalize(Any::of(kLLMin)), Any::of(kIntMin));
  expectSame(full.normalize(Any::of(1LL << 40)), Any::of(kIntMax));
}

TEST(IntValidator, MinAboveMaxAlwaysGivesMin) {
  const IntegerValidator<int> validator(0, 5, 2);
  for (const std::string& s : {std::string(""), std::string("0"), std::string("3"),
                               std::string("4"), std::string("99"), kHugeDigits}) {
    SCOPED_TRACE("parse \"" + s + "\"");
    expectSame(validator.parse(s), Any::of(5));
  }
  for (const Any& v : {Any::of(0), Any::of(3), Any::of(99), Any::of(kLLMin), Any::of(kLLMax),
                       text("1"), Any::of(true), Any()}) {
    SCOPED_TRACE("normalize " + describe(v));
    expectSame(validator.normalize(v), Any::of(5));
  }
}

TEST(IntegerSaturation, HugeDigitStringsReachTheLimitThenClamp) {
  const struct {
    std::string text;
    long long expected;
  } rows64[] = {
      {kHugeDigits, kLLMax},
      {"9223372036854775807", kLLMax},
      {"9223372036854775808", kLLMax},   // one more would wrap to the least value
      {"18446744073709551616", kLLMax},  // 2^64 would wrap to 0
      {"92233720368547758070", kLLMax},
      {"00000000000000000000000000009223372036854775806", kLLMax - 1},
  };
  const IntegerValidator<long long> full(0);
  for (const auto& row : rows64) {
    SCOPED_TRACE(row.text);
    expectSame(full.parse(row.text), Any::of(row.expected));
  }

  const IntegerValidator<int> fullInt(0);
  expectSame(fullInt.parse(kHugeDigits), Any::of(kIntMax));
  expectSame(fullInt.parse("2147483648"), Any::of(kIntMax));
  expectSame(fullInt.parse("18446744073709551616"), Any::of(kIntMax));

  const IntegerValidator<long long> bounded(0, -5, 100);
  expectSame(bounded.parse(kHugeDigits), Any::of(100LL));
  expectSame(bounded.normalize(text(kHugeDigits)), Any::of(100LL));
}

TEST(FlagsValidator, IsA64BitIntegerWithNamedFlags) {
  FlagsValidator validator(6);
  EXPECT_FALSE(validator.isNumeric());
  EXPECT_TRUE(validator.hasChoices());
  expectSame(validator.defaultValue(), Any::of(6LL));
  EXPECT_EQ(validator.min(), kLLMin);
  EXPECT_EQ(validator.max(), kLLMax);

  validator.addChoice("b", 2);
  validator.addChoice("a", 1LL << 40);
  validator.addChoice("b", 4);  // kept, in insertion order
  ASSERT_EQ(validator.flags.size(), 3u);
  EXPECT_EQ(validator.flags[0].name, "b");
  EXPECT_EQ(validator.flags[0].value, 2);
  EXPECT_EQ(validator.flags[1].name, "a");
  EXPECT_EQ(validator.flags[1].value, 1LL << 40);
  EXPECT_EQ(validator.flags[2].value, 4);

  expectSame(validator.normalize(Any::of(kLLMin)), Any::of(kLLMin));
  expectSame(validator.normalize(Any::of(-1)), Any::of(-1LL));
  expectSame(validator.parse(kHugeDigits), Any::of(kLLMax));
  expectSame(validator.parse("-1"), Any());
  EXPECT_TRUE(validator.isValid(Any::of(kLLMin)));
  EXPECT_FALSE(validator.isValid(Any::of(1)));
}

// ---------------------------------------------------------------- bool

TEST(BoolValidator, ParseKnowsFourExactWords) {
  const BoolValidator validator(false);
  const struct {
    std::string text;
    Any expected;
  } rows[] = {
      {"1", Any::of(true)},  {"True", Any::of(true)},
      {"0", Any::of(false)}, {"False", Any::of(false)},
      {"true", Any()},       {"false", Any()},
      {"TRUE", Any()},       {"yes", Any()},
      {"", Any()},           {" 1", Any()},
      {"1 ", Any()},         {"2", Any()},
      {"01", Any()},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("\"" + row.text + "\"");
    expectSame(validator.parse(row.text), row.expected);
  }
}

TEST(BoolValidator, NormalizeKeepsBoolsAndParsesTheTextOfOthers) {
  const BoolValidator validator(true);
  const struct {
    Any value;
    Any expected;
  } rows[] = {
      {Any::of(false), Any::of(false)},  // kept although the default is true
      {Any::of(true), Any::of(true)},
      {Any::of(1LL), Any::of(true)},
      {Any::of(0), Any::of(false)},
      {Any::of(2), Any()},
      {Any::of(1.0), Any::of(true)},
      {Any::of(0.5), Any()},
      {text("False"), Any::of(false)},
      {text("x"), Any()},
      {Any(), Any()},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(describe(row.value));
    expectSame(validator.normalize(row.value), row.expected);
  }
  EXPECT_TRUE(validator.isValid(Any::of(false)));
  EXPECT_FALSE(validator.isValid(Any::of(1)));
  EXPECT_FALSE(validator.isValid(text("1")));
  EXPECT_FALSE(validator.isValid(Any()));
  expectSame(validator.defaultValue(), Any::of(true));
  expectSame(BoolValidator(false).defaultValue(), Any::of(false));
}

// ---------------------------------------------------------------- double

class DoubleZeroToOne : public ::testing::Test {
 protected:
  DoubleValidator validator{0.5, 0.0, 1.0};
};

TEST_F(DoubleZeroToOne, NormalizeTakesNumbersOfBothKindsAndClamps) {
  const struct {
    Any value;
    double expected;
  } rows[] = {
      {Any::of(5LL), 1.0},    {Any::of(-3), 0.0},    {Any::of(0.25), 0.25}, {Any::of(kNaN), 1.0},
      {Any::of(kInf), 1.0},   {Any::of(-kInf), 0.0}, {Any::of(1.5), 1.0},   {text("0.75"), 0.75},
      {text(" 0.5xyz"), 0.5}, {Any::of(true), 1.0},  {text("-2e3"), 0.0},   {text("2.5e-1"), 0.25},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(describe(row.value));
    expectSame(validator.normalize(row.value), Any::of(row.expected));
  }
}

TEST_F(DoubleZeroToOne, TextWithoutANumberStillGivesAValueInRange) {
  for (const Any& v : {text("abc"), text(""), text("-"), text("nan"), Any()}) {
    SCOPED_TRACE(describe(v));
    const Any result = validator.normalize(v);
    ASSERT_NE(result.as<double>(), nullptr) << describe(result);
    EXPECT_GE(*result.as<double>(), 0.0);
    EXPECT_LE(*result.as<double>(), 1.0);
  }
}

TEST_F(DoubleZeroToOne, ParseClampsNumbersBeyondTheRangeOfDoubles) {
  expectSame(validator.parse("1e999"), Any::of(1.0));
  expectSame(validator.parse("-1e999"), Any::of(0.0));
  expectSame(validator.parse("2"), Any::of(1.0));
  expectSame(validator.parse("\t0.125"), Any::of(0.125));
}

TEST_F(DoubleZeroToOne, IsValidWantsADoubleWithinTheBounds) {
  EXPECT_TRUE(validator.isValid(Any::of(0.0)));
  EXPECT_TRUE(validator.isValid(Any::of(1.0)));
  EXPECT_FALSE(validator.isValid(Any::of(1.0000001)));
  EXPECT_FALSE(validator.isValid(Any::of(kNaN)));
  EXPECT_FALSE(validator.isValid(Any::of(1LL)));
  EXPECT_FALSE(validator.isValid(Any()));
  expectSame(validator.defaultValue(), Any::of(0.5));
  EXPECT_FALSE(validator.isNumeric());
  EXPECT_FALSE(validator.hasChoices());
}

TEST(DoubleValidator, MinAboveMaxGivesMinEvenForNaN) {
  const DoubleValidator validator(0, 2.0, 1.0);
  for (const Any& v : {Any::of(kNaN), Any::of(1.5), Any::of(-kInf), Any::of(kInf), text("3")}) {
    SCOPED_TRACE(describe(v));
    expectSame(validator.normalize(v), Any::of(2.0));
  }
}

// A global locale with ',' as the decimal point; restored afterwards.
struct CommaPunct : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
};

TEST(DoubleValidator, ParsingIgnoresTheGlobalLocale) {
  const std::locale previous =
      std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
  const DoubleValidator validator(0, 0, 10);
  const Any half = validator.parse("0.5");
  const Any fromText = validator.normalize(text("2.25"));
  const std::string written = anyToText(validator.normalize(Any::of(1.5)));
  std::locale::global(previous);
  expectSame(half, Any::of(0.5));
  expectSame(fromText, Any::of(2.25));
  EXPECT_EQ(written, "1.5");
}

// ---------------------------------------------------------------- choices

class EnumAbc : public ::testing::Test {
 protected:
  EnumValidator validator{1, {"a", "b", "c"}};
};

TEST_F(EnumAbc, ConstructionNamesTheChoicesAndTheDefault) {
  EXPECT_EQ(validator.defaultName, "b");
  EXPECT_EQ(validator.defaultValueNumber, 1);
  expectSame(validator.defaultValue(), text("b"));
  EXPECT_FALSE(validator.editable);
  EXPECT_TRUE(validator.hasChoices());
  EXPECT_FALSE(validator.isNumeric());
  ASSERT_EQ(validator.choices.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const std::string name(1, static_cast<char>('a' + i));
    EXPECT_EQ(validator.choices[i].name, name);
    EXPECT_EQ(validator.choices[i].value, i);
    EXPECT_EQ(validator.valueByName.at(name), i);
    EXPECT_EQ(validator.nameByValue.at(i), name);
  }
}

TEST_F(EnumAbc, ParseGivesTheChoiceNumberOrTheLeadingInteger) {
  const struct {
    std::string text;
    int expected;
  } rows[] = {
      {"c", 2},
      {"a", 0},
      {"x", 0},
      {"", 0},
      {"7z", 7},
      {"  -4", -4},
      {"\t+3x", 3},
      {"- 3", 0},
      {"--3", 0},
      {"C", 0},
      {"12", 12},
      {"2147483647", kIntMax},
      {kHugeDigits, kIntMax},
      {"-2147483648", kIntMin},
      {"-" + kHugeDigits, kIntMin},
      {"2147483648", kIntMax},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("\"" + row.text + "\"");
    expectSame(validator.parse(row.text), Any::of(row.expected));
  }
}

TEST_F(EnumAbc, NormalizeSettlesOnAChoiceName) {
  const struct {
    Any value;
    std::string expected;
  } rows[] = {
      {Any::of(0), "a"},
      {Any::of(2LL), "c"},
      {Any::of(3), "b"},  // within [0, 3] but without a name: the default
      {Any::of(-1), "a"},
      {Any::of(9), "b"},
      {Any::of(kLLMin), "a"},
      {Any::of(kLLMax), "b"},
      {Any::of(1LL << 32), "b"},  // not taken to 32 bits before clamping
      {text("c"), "c"},
      {text("zzz"), "zzz"},
      {Any::of(1.5), "1.5"},
      {Any::of(true), "1"},
      {Any(), ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(describe(row.value));
    expectSame(validator.normalize(row.value), text(row.expected));
  }
}

TEST_F(EnumAbc, IsValidAcceptsOnlyChoiceNumbers) {
  EXPECT_TRUE(validator.isValid(Any::of(0)));
  EXPECT_TRUE(validator.isValid(Any::of(2)));
  EXPECT_FALSE(validator.isValid(Any::of(3)));  // one past the last choice
  EXPECT_FALSE(validator.isValid(Any::of(-1)));
  EXPECT_FALSE(validator.isValid(Any::of(1LL)));
  EXPECT_FALSE(validator.isValid(text("a")));
  EXPECT_FALSE(validator.isValid(Any()));
  EXPECT_FALSE(EnumValidator(true).isValid(Any::of(0)));
}

TEST(EnumValidator, ADefaultWithoutANameTakesTheSmallestValuesName) {
  const EnumValidator built(7, {"x", "y"});
  EXPECT_EQ(built.defaultName, "x");
  EXPECT_EQ(built.defaultValueNumber, 7);

  // The smallest value, not the first added.
  EnumValidator added(true);
  added.addChoice("p", 4);
  added.addChoice("q", 2);
  added.addChoice("r", 3);
  added.setDefault(9);
  EXPECT_EQ(added.defaultName, "q");
  added.setDefault(3);
  EXPECT_EQ(added.defaultName, "r");
  expectSame(added.defaultValue(), text("r"));
  // Numbers up to the count of choices that have no name fall back to the default's name.
  expectSame(added.normalize(Any::of(1)), text("r"));
}

TEST(EnumValidator, DefaultSetBeforeTheChoicesIsNamedWhenItsChoiceArrives) {
  // The order the decoder options use: an empty editable validator, its default, its choices.
  EnumValidator validator(true);
  EXPECT_EQ(validator.defaultValueNumber, -1);
  validator.setDefault(2);
  EXPECT_EQ(validator.defaultValueNumber, 2);
  EXPECT_EQ(validator.defaultName, "");  // nothing to name it yet
  validator.addChoice("one", 1);
  EXPECT_EQ(validator.defaultName, "");
  validator.addChoice("two", 2);
  EXPECT_EQ(validator.defaultName, "two");
  validator.addChoice("three", 3);
  EXPECT_EQ(validator.defaultName, "two");
  EXPECT_TRUE(validator.editable);

  EnumValidator empty(true);
  empty.defaultName = "kept";
  empty.setDefault(4);
  EXPECT_EQ(empty.defaultName, "kept");
  expectSame(EnumValidator(false).normalize(Any::of(0)), text(""));
}

TEST(EnumValidator, AddChoiceKeepsDuplicatesAndTheLaterMapping) {
  EnumValidator validator(true);
  validator.addChoice("a", 1);
  validator.addChoice("b", 1);                  // same value: the later name wins
  validator.addChoice("a", 2);                  // same name: the later value wins
  validator.addChoice("big", (1LL << 32) + 5);  // taken to 32 bits
  ASSERT_EQ(validator.choices.size(), 4u);
  EXPECT_EQ(validator.choices[2].name, "a");
  EXPECT_EQ(validator.choices[3].value, 5);
  EXPECT_EQ(validator.valueByName.at("a"), 2);
  EXPECT_EQ(validator.nameByValue.at(1), "b");
  EXPECT_EQ(validator.nameByValue.at(5), "big");
  expectSame(validator.parse("a"), Any::of(2));
  expectSame(validator.normalize(Any::of(1)), text("b"));
}

// ---------------------------------------------------------------- text and any

TEST(StringValidator, NormalizeGivesTheTextOfAnyValue) {
  const StringValidator validator("dflt");
  const struct {
    Any value;
    std::string expected;
  } rows[] = {
      {Any(), ""},           {Any::of(12LL), "12"}, {Any::of(-3), "-3"},
      {Any::of(0.5), "0.5"}, {Any::of(false), "0"}, {text(" as is "), " as is "},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(describe(row.value));
    expectSame(validator.normalize(row.value), text(row.expected));
  }
  expectSame(validator.parse(" 12 "), text(" 12 "));
  expectSame(validator.parse(""), text(""));
  expectSame(validator.defaultValue(), text("dflt"));
  EXPECT_TRUE(validator.isValid(text("")));
  EXPECT_FALSE(validator.isValid(Any::of(1)));
  EXPECT_FALSE(validator.isValid(Any()));
}

TEST(AnyValidator, AcceptsAndKeepsEverythingButParsesNothing) {
  const std::shared_ptr<AnyValidator> shared = AviFile::sharedAnyValidator();
  ASSERT_NE(shared, nullptr);
  EXPECT_TRUE(shared->defaultValue().empty());
  for (const Any& v : {Any(), Any::of(1), Any::of(1LL), Any::of(kNaN), text("x")}) {
    SCOPED_TRACE(describe(v));
    EXPECT_TRUE(shared->isValid(v));
    const Any n = shared->normalize(v);
    EXPECT_EQ(n.empty(), v.empty());
    if (!v.empty()) {
      EXPECT_EQ(n->typeId(), v->typeId());
      EXPECT_EQ(anyToText(n), anyToText(v));
    }
  }
  EXPECT_TRUE(shared->parse("1").empty());
  EXPECT_TRUE(shared->parse("").empty());
  EXPECT_FALSE(shared->isNumeric());
  EXPECT_FALSE(shared->hasChoices());

  const AnyValidator withDefault(Any::of(3));
  expectSame(withDefault.defaultValue(), Any::of(3));
}

TEST(AnyValidator, SharedInstanceIsOneForAllThreads) {
  std::vector<std::shared_ptr<AnyValidator>> seen(8);
  std::vector<std::thread> threads;
  for (auto& slot : seen) threads.emplace_back([&slot] { slot = AviFile::sharedAnyValidator(); });
  for (auto& t : threads) t.join();
  for (const auto& p : seen) EXPECT_EQ(p.get(), AviFile::sharedAnyValidator().get());
}

// ---------------------------------------------------------------- descriptions and lists

TEST(PropertyDescription, StartsAtIndexZeroWithoutUnitAndSharesItsValidator) {
  auto validator = std::make_shared<BoolValidator>(true);
  const PropertyDescription d("key", "Label", "Caption", L"Help", validator);
  EXPECT_EQ(d.index, 0);
  EXPECT_EQ(d.name, "key");
  EXPECT_EQ(d.label, "Label");
  EXPECT_EQ(d.caption, "Caption");
  EXPECT_EQ(d.description, L"Help");
  EXPECT_EQ(d.unit, L"");
  EXPECT_FALSE(d.spinEditor);

  PropertyDescription copy = d;
  EXPECT_EQ(copy.validator.get(), validator.get());
  copy.setValidator(AviFile::sharedAnyValidator());
  EXPECT_EQ(d.validator.get(), validator.get());
  EXPECT_EQ(copy.validator.get(), AviFile::sharedAnyValidator().get());
}

TEST(PropertyDescription, MakeEnumDescriptionHoldsAFixedChoiceValidator) {
  const PropertyDescription d =
      makeEnumDescription("scale", "Scale", "Scale", L"", 1, {"binary", "seven"});
  const auto* e = dynamic_cast<const EnumValidator*>(d.validator.get());
  ASSERT_NE(e, nullptr);
  EXPECT_FALSE(e->editable);
  EXPECT_EQ(e->defaultName, "seven");
  ASSERT_EQ(e->choices.size(), 2u);
  EXPECT_EQ(e->choices[0].name, "binary");
  EXPECT_EQ(d.name, "scale");
  EXPECT_EQ(d.index, 0);
}

TEST(PropertyDescriptionList, IndexesEntriesByPositionAndNamesByTheLatest) {
  PropertyDescriptionList list;
  EXPECT_EQ(list.indexOf("a"), -1);
  PropertyDescription a("a", "A", "", L"", AviFile::sharedAnyValidator());
  a.index = 42;  // replaced by the position
  const PropertyDescription b("b", "B", "", L"", std::make_shared<BoolValidator>(false));
  const PropertyDescription a2("a", "A again", "", L"", std::make_shared<StringValidator>(""));

  EXPECT_EQ(list.append(a).index, 0);
  EXPECT_EQ(a.index, 42);  // the caller's description is a copy source only
  EXPECT_EQ(list.append(b).index, 1);
  const PropertyDescription& stored = list.append(a2);
  EXPECT_EQ(stored.index, 2);
  EXPECT_EQ(stored.label, "A again");

  ASSERT_EQ(list.size(), 3u);  // both "a" entries are kept
  EXPECT_EQ(list.indexOf("a"), 2);
  EXPECT_EQ(list.indexOf("b"), 1);
  EXPECT_EQ(list.indexOf("c"), -1);
  std::vector<std::string> labels;
  for (const PropertyDescription& d : list) {
    EXPECT_EQ(d.index, static_cast<int32_t>(labels.size()));
    labels.push_back(d.label);
  }
  EXPECT_EQ(labels, (std::vector<std::string>{"A", "B", "A again"}));
}

TEST(PropertyDescriptionList, AppendingAnEntryOfTheSameListCopiesIt) {
  PropertyDescriptionList list;
  list.append(PropertyDescription("a", "A", "", L"", AviFile::sharedAnyValidator()));
  list.append(list.entries()[0]);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list.entries()[1].label, "A");
  EXPECT_EQ(list.entries()[1].index, 1);
  EXPECT_EQ(list.entries()[0].index, 0);
  EXPECT_EQ(list.indexOf("a"), 1);
}

// ---------------------------------------------------------------- parser

// Handlers that record which of them saw which description, in order.
class PropertyParserTest : public ::testing::Test {
 protected:
  template <class V>
  class Recorder : public PropertyParser::OfType<V> {
   public:
    Recorder(std::string tag, std::vector<std::string>& log) : tag_(std::move(tag)), log_(log) {}
    void handle(PropertyDescription& d) override {
      log_.push_back(tag_ + ":" + d.name);
      d.unit = L"seen";
    }

   private:
    std::string tag_;
    std::vector<std::string>& log_;
  };

  template <class V>
  void add(const std::string& tag) {
    parser.addHandler(std::make_shared<Recorder<V>>(tag, log));
  }

  void addDescription(const std::string& name, std::shared_ptr<PropertyValidatorBase> v) {
    list.append(PropertyDescription(name, name, "", L"", std::move(v)));
  }

  PropertyParser parser;
  PropertyDescriptionList list;
  std::vector<std::string> log;
};

// A validator class nobody registers a handler for.
class OddValidator : public AnyValidator {};

TEST_F(PropertyParserTest, EachDescriptionGoesToTheHandlerOfItsExactClass) {
  add<IntegerValidator<int>>("int");
  add<IntegerValidator<long long>>("int64");
  add<FlagsValidator>("flags");
  add<EnumValidator>("enum");
  add<BoolValidator>("bool");
  add<AnyValidator>("any");

  addDescription("f", std::make_shared<FlagsValidator>(0));
  addDescription("i", std::make_shared<IntegerValidator<int>>(0));
  addDescription("l", std::make_shared<IntegerValidator<long long>>(0));
  addDescription("e", std::make_shared<EnumValidator>(true));
  addDescription("b", std::make_shared<BoolValidator>(false));
  addDescription("s", std::make_shared<StringValidator>(""));
  addDescription("d", std::make_shared<DoubleValidator>(0, 0, 1));
  addDescription("o", std::make_shared<OddValidator>());  // derived from AnyValidator
  addDescription("a", AviFile::sharedAnyValidator());
  parser.process(list);

  EXPECT_EQ(log, (std::vector<std::string>{"flags:f", "int:i", "int64:l", "enum:e", "bool:b",
                                           "any:s", "any:d", "any:o", "any:a"}));
  for (const PropertyDescription& d : list) EXPECT_EQ(d.unit, L"seen") << d.name;
}

TEST_F(PropertyParserTest, ABaseClassHandlerNeverServesADerivedClass) {
  add<IntegerValidator<long long>>("int64");
  add<AnyValidator>("any");
  addDescription("f", std::make_shared<FlagsValidator>(0));
  parser.process(list);
  EXPECT_EQ(log, std::vector<std::string>{"any:f"});
}

TEST_F(PropertyParserTest, WithoutAnAnyValidatorHandlerUnknownClassesAreSkipped) {
  add<BoolValidator>("bool");
  add<IntegerValidator<long long>>("int64");
  addDescription("s", std::make_shared<StringValidator>(""));
  addDescription("b", std::make_shared<BoolValidator>(false));
  addDescription("f", std::make_shared<FlagsValidator>(0));
  addDescription("none", nullptr);
  parser.process(list);
  EXPECT_EQ(log, std::vector<std::string>{"bool:b"});
  EXPECT_EQ(list.entries()[0].unit, L"");
}

TEST_F(PropertyParserTest, ALaterHandlerForTheSameClassReplacesTheEarlierOne) {
  add<BoolValidator>("first");
  add<BoolValidator>("second");
  add<AnyValidator>("any");
  add<AnyValidator>("any2");
  addDescription("b", std::make_shared<BoolValidator>(false));
  addDescription("s", std::make_shared<StringValidator>(""));
  parser.process(list);
  EXPECT_EQ(log, (std::vector<std::string>{"second:b", "any2:s"}));
}

TEST_F(PropertyParserTest, AnEmptyListCallsNoHandler) {
  add<AnyValidator>("any");
  parser.process(list);
  EXPECT_TRUE(log.empty());
}

// ---------------------------------------------------------------- messages

TEST(ValidationMessage, DefaultIsLevelThreeWithoutText) {
  const ValidationMessage none;
  EXPECT_EQ(none.level, 3);
  EXPECT_TRUE(none.shortText.empty());
  EXPECT_TRUE(none.text.empty());
  const ValidationMessage m(1, L"add more files", L"The test needs more files.");
  EXPECT_EQ(m.level, 1);
  EXPECT_EQ(m.shortText, L"add more files");
  EXPECT_EQ(m.text, L"The test needs more files.");
}

}  // namespace
