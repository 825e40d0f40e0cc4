#include "results/test_results.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>

#include "avifile/json_parser.h"
#include "support/json_text.h"

namespace {

using Brindle::JSON;

using vixo_test::parseText;

TEST(AnswerKeyTest, OrderingIsFieldByFieldAsText) {
  struct Row {
    SingleAnswerKey a, b;
    bool less;
  };
  const Row rows[] = {
      {{L"Ann", L"9", L"z"}, {L"Bob", L"1", L"a"}, true},  // expert before block and file
      {{L"Bob", L"1", L"a"}, {L"Ann", L"9", L"z"}, false},
      {{L"Ann", L"10", L"z"}, {L"Ann", L"9", L"a"}, true},  // ids compare as text
      {{L"Ann", L"1", L"z"}, {L"Ann", L"10", L"a"}, true},  // a proper prefix first
      {{L"Ann", L"1", L"a"}, {L"Ann", L"1", L"b"}, true},
      {{L"Ann", L"1", L"a"}, {L"Ann", L"1", L"a"}, false},
      {{L"ann", L"1", L"a"}, {L"Ann", L"1", L"a"}, false},  // by character value
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(&row - rows));
    EXPECT_EQ(row.a < row.b, row.less);
  }
  const PairAnswerKey p{L"Ann", L"1", L"a", L"b"};
  EXPECT_TRUE(p < (PairAnswerKey{L"Ann", L"1", L"a", L"c"}));
  EXPECT_TRUE(p < (PairAnswerKey{L"Ann", L"1", L"b", L"a"}));
  EXPECT_FALSE((PairAnswerKey{L"Bob", L"0", L"a", L"a"}) < p);
  EXPECT_TRUE(p == (PairAnswerKey{L"Ann", L"1", L"a", L"b"}));
}

TEST(TestResultsTest, SettersInsertAndReplace) {
  TestResults r;
  r.setSingle(L"Ann", L"1", L"a", 0.25f);
  r.setSingle(L"Ann", L"1", L"b", 0.5f);
  r.setSingle(L"Ann", L"1", L"a", 0.75f);
  r.setPair(L"Ann", L"1", L"a", L"b", -1.0f);
  r.setPair(L"Ann", L"1", L"b", L"a", 1.0f);  // the order of the pair is part of the key
  r.setPair(L"Ann", L"1", L"a", L"b", 0.0f);
  EXPECT_EQ(r.singles, (std::map<SingleAnswerKey, float>{{{L"Ann", L"1", L"a"}, 0.75f},
                                                         {{L"Ann", L"1", L"b"}, 0.5f}}));
  EXPECT_EQ(r.pairs, (std::map<PairAnswerKey, float>{{{L"Ann", L"1", L"a", L"b"}, 0.0f},
                                                     {{L"Ann", L"1", L"b", L"a"}, 1.0f}}));
}

TEST(TestResultsTest, MoveEmptiesSourceAndCopyReplacesBothMaps) {
  TestResults source;
  source.setSingle(L"Ann", L"1", L"a", 0.5f);
  source.setPair(L"Ann", L"1", L"a", L"b", 1.0f);

  TestResults target;
  target.setSingle(L"Old", L"0", L"x", 0.1f);
  target.setPair(L"Old", L"0", L"x", L"y", 0.1f);
  copyTestResults(target, source);
  EXPECT_EQ(target.singles, source.singles);
  EXPECT_EQ(target.pairs, source.pairs);

  copyTestResults(target, target);
  EXPECT_EQ(target.singles, source.singles);
  EXPECT_EQ(target.pairs, source.pairs);

  TestResults moved(std::move(source));
  EXPECT_EQ(moved.singles, target.singles);
  EXPECT_TRUE(source.singles.empty());
  EXPECT_TRUE(source.pairs.empty());
  TestResults assigned;
  assigned = std::move(moved);
  EXPECT_EQ(assigned.pairs, target.pairs);
  EXPECT_TRUE(moved.singles.empty());
  EXPECT_TRUE(moved.pairs.empty());
}

TEST(TestResultsJsonTest, WrittenByteForByte) {
  TestResults r;
  r.setSingle(L"Zo\u00eb", L"2", L"clip \"1\"", 0.1f);
  r.setSingle(L"Ann", L"1", L"b", 1.0f);
  r.setPair(L"Ann", L"3", L"a", L"b", -0.25f);
  EXPECT_EQ(r.toJson().toString(0),
            "{\"results\" : ["
            "{\"key\" : {\"expert\" : \"Ann\",\"id\" : \"1\",\"file\" : \"b\"},"
            "\"value\" : 1.0000000000000000},"
            "{\"key\" : {\"expert\" : \"Zo\xc3\xab\",\"id\" : \"2\",\"file\" : \"clip \\\"1\\\"\"},"
            "\"value\" : 0.10000000149011612}],"
            "\"bradley-terry-results\" : ["
            "{\"key\" : {\"expert\" : \"Ann\",\"id\" : \"3\",\"file1\" : \"a\",\"file2\" : \"b\"},"
            "\"value\" : -0.25000000000000000}]}");
}

TEST(TestResultsJsonTest, EmptyResultsWriteBothArraysAndReadBack) {
  const JSON written = TestResults().toJson();
  EXPECT_EQ(written.toString(0), "{\"results\" : [],\"bradley-terry-results\" : []}");
  TestResults read;
  EXPECT_TRUE(read.fromJson(written));
  EXPECT_TRUE(read.singles.empty());
  EXPECT_TRUE(read.pairs.empty());
}

TEST(TestResultsJsonTest, ArraysFollowKeyOrderExpertFirst) {
  TestResults r;
  r.setSingle(L"Bob", L"1", L"a", 0.0f);
  r.setSingle(L"Ann", L"9", L"a", 0.0f);
  r.setSingle(L"Ann", L"10", L"a", 0.0f);
  r.setSingle(L"Bob", L"0", L"a", 0.0f);
  r.setPair(L"Bob", L"1", L"a", L"b", 0.0f);
  r.setPair(L"Ann", L"9", L"a", L"b", 0.0f);
  r.setPair(L"Ann", L"10", L"a", L"b", 0.0f);
  const JSON json = r.toJson();
  for (const char* member : {"results", "bradley-terry-results"}) {
    SCOPED_TRACE(member);
    std::vector<std::string> order;
    for (const JSON& e : json.find(member)->elements())
      order.push_back(e.find("key")->find("expert")->getString() + "/" +
                      e.find("key")->find("id")->getString());
    if (std::string(member) == "results")
      EXPECT_EQ(order, (std::vector<std::string>{"Ann/10", "Ann/9", "Bob/0", "Bob/1"}));
    else
      EXPECT_EQ(order, (std::vector<std::string>{"Ann/10", "Ann/9", "Bob/1"}));
  }
}

// Any finite float, any text (quotes, backslashes, control and non-ASCII characters) survives
// writing as text and reading back, bit for bit.
TEST(TestResultsJsonTest, RandomResultsRoundTripThroughText) {
  std::mt19937 gen(20240611);
  const std::wstring alphabet = L"ab09 \"\\/\n\t\u00e9\u4e2d\U0001F600";
  auto text = [&] {
    std::wstring s(gen() % 6, L' ');
    for (wchar_t& c : s) c = alphabet[gen() % alphabet.size()];
    return s;
  };
  auto value = [&] {
    float f;
    do {
      const uint32_t bits = static_cast<uint32_t>(gen());
      std::memcpy(&f, &bits, sizeof f);
    } while (!std::isfinite(f));
    return f;
  };
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    TestResults original;
    const int n = static_cast<int>(gen() % 40);
    for (int i = 0; i < n; ++i) {
      original.setSingle(text(), text(), text(), value());
      original.setPair(text(), text(), text(), text(), value());
    }
    TestResults read;
    ASSERT_TRUE(read.fromJson(parseText(original.toJson().toString(0))));
    EXPECT_EQ(read.singles, original.singles);
    EXPECT_EQ(read.pairs, original.pairs);
    // Floats compared with == would take -0 for 0; the written text tells them apart.
    EXPECT_EQ(read.toJson().toString(0), original.toJson().toString(0));
  }
}

TEST(TestResultsJsonTest, AcceptedShapes) {
  struct Row {
    const char* text;
    std::map<SingleAnswerKey, float> singles;
    std::map<PairAnswerKey, float> pairs;
  };
  const Row rows[] = {
      {"{}", {}, {}},
      {"{\"other\" : 5}", {}, {}},
      {"[]", {}, {}},
      // A bare array holds single answers only.
      {"[{\"key\" : {\"expert\" : \"A\",\"id\" : \"1\",\"file\" : \"f\"},\"value\" : 0.5}]",
       {{{L"A", L"1", L"f"}, 0.5f}},
       {}},
      // The later of two equal keys wins.
      {"{\"results\" : [{\"key\" : {\"file\" : \"f\"},\"value\" : 0.5},"
       "{\"key\" : {\"file\" : \"f\"},\"value\" : 0.75}]}",
       {{{L"", L"", L"f"}, 0.75f}},
       {}},
      // 1.0 and 1e0 are floating-point elements.
      {"{\"results\" : [{\"key\" : {},\"value\" : 1.0}],"
       "\"bradley-terry-results\" : [{\"key\" : {},\"value\" : -1e0}]}",
       {{{L"", L"", L""}, 1.0f}},
       {{{L"", L"", L"", L""}, -1.0f}}},
      // Undeclared members and members of another kind are passed over.
      {"{\"bradley-terry-results\" : [{\"key\" : {\"expert\" : 5,\"id\" : \"2\",\"file1\" : \"a\","
       "\"file2\" : \"b\",\"file\" : \"x\"},\"value\" : 0.25,\"extra\" : true}]}",
       {},
       {{{L"", L"2", L"a", L"b"}, 0.25f}}},
      // The largest float still fits.
      {"[{\"key\" : {},\"value\" : -3.4028234663852886e38}]",
       {{{L"", L"", L""}, -std::numeric_limits<float>::max()}},
       {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    TestResults r;
    EXPECT_TRUE(r.fromJson(parseText(row.text)));
    EXPECT_EQ(r.singles, row.singles);
    EXPECT_EQ(r.pairs, row.pairs);
  }
}

TEST(TestResultsJsonTest, RefusedShapes) {
  const char* const rows[] = {
      // top level neither object nor array
      "5",
      "1.5",
      "\"results\"",
      "null",
      "true",
      // members that are not arrays
      "{\"results\" : {}}",
      "{\"results\" : null}",
      "{\"bradley-terry-results\" : \"x\"}",
      "{\"results\" : [],\"bradley-terry-results\" : {}}",
      // elements that are not objects or lack a member
      "[5]",
      "[[]]",
      "[{\"value\" : 0.5}]",
      "[{\"key\" : {}}]",
      "{\"bradley-terry-results\" : [null]}",
      "{\"bradley-terry-results\" : [{\"key\" : {}}]}",
      // keys that are not objects
      "[{\"key\" : [],\"value\" : 0.5}]",
      "[{\"key\" : \"k\",\"value\" : 0.5}]",
      "{\"bradley-terry-results\" : [{\"key\" : null,\"value\" : 0.5}]}",
      // values that are not floating-point elements
      "[{\"key\" : {},\"value\" : 1}]",
      "[{\"key\" : {},\"value\" : 0}]",
      "[{\"key\" : {},\"value\" : \"0.5\"}]",
      "[{\"key\" : {},\"value\" : null}]",
      "[{\"key\" : {},\"value\" : true}]",
      "{\"bradley-terry-results\" : [{\"key\" : {},\"value\" : 1}]}",
      // floating-point values that no float holds
      "[{\"key\" : {},\"value\" : 1e300}]",
      "{\"bradley-terry-results\" : [{\"key\" : {},\"value\" : -1e39}]}",
  };
  for (const char* text : rows) {
    SCOPED_TRACE(text);
    TestResults r;
    EXPECT_FALSE(r.fromJson(parseText(text)));
  }
}

TEST(TestResultsJsonTest, NonFiniteValueIsRefused) {
  for (double v : {std::numeric_limits<double>::infinity(), std::nan("")}) {
    SCOPED_TRACE(v);
    JSON element{Brindle::JSONElements::Object()};
    element.set("key", Brindle::JSONElements::Object());
    element.set("value", Brindle::JSONElements::Float(v));
    JSON array{Brindle::JSONElements::Array()};
    array.append(element);
    TestResults r;
    EXPECT_FALSE(r.fromJson(array));
  }
}

TEST(TestResultsJsonTest, EntriesBeforeAFaultStay) {
  TestResults r;
  EXPECT_FALSE(
      r.fromJson(parseText("{\"results\" : [{\"key\" : {\"file\" : \"f\"},\"value\" : "
                           "0.5},{\"key\" : {},\"value\" : 1}]}")));
  EXPECT_EQ(r.singles, (std::map<SingleAnswerKey, float>{{{L"", L"", L"f"}, 0.5f}}));
}

}  // namespace
