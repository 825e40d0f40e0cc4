#include "avifile/json_parser.h"
#include "support/json_text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <iterator>
#include <random>
#include <sstream>
#include <thread>

namespace {

using Brindle::JSON;
namespace E = Brindle::JSONElements;
namespace P = Brindle::JSONparser;

struct Outcome {
  bool ok = false;
  std::string value;  // compact text of the value read
  P::Error error;
  std::string rest;  // what is left unread in the stream
};

// Both compilations of the grammar: every table of cases holds for each.
const P::Automaton kAutomata[] = {P::Automaton::Optimised, P::Automaton::Plain};

const char* nameOf(P::Automaton a) { return a == P::Automaton::Plain ? "plain" : "optimised"; }

Outcome read(const std::string& text, P::Automaton automaton = P::Automaton::Optimised) {
  std::istringstream in(text);
  Outcome o;
  try {
    o.value = P::parse(in, automaton).toString(0);
    o.ok = true;
  } catch (const P::Error& e) {
    o.error = e;
  }
  in.clear();
  o.rest.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return o;
}

using vixo_test::parseText;

TEST(JsonReader, Values) {
  const struct {
    std::string input;
    std::string value;
    std::string rest;
  } cases[] = {
      {"{\"a\" : 1, \"list\":[true,null], \"o\":{}}",
       "{\"a\" : 1,\"list\" : [true,null],\"o\" : {}}", ""},
      {"  \t\n[ 1 , 2 ]", "[1,2]", ""},
      {"[1]x", "[1]", "x"},  // nothing read after the value
      {"true false", "true", " false"},
      {"null,", "null", ","},
      {"\"s\"\"t\"", "\"s\"", "\"t\""},
      {"12 ", "12", ""},  // a number's terminating byte is read
      {"012", "0", "2"},  // ... and dropped
      {"123", "123", ""},
      {"-0", "0", ""},
      {"-0.0", "0.0000000000000000", ""},
      {"1e-2", "0.010000000000000000", ""},
      {"1E2", "100.00000000000000", ""},
      {"1.50", "1.5000000000000000", ""},
      {"-12.5e+1", "-125.00000000000000", ""},
      {"9223372036854775807", "9223372036854775807", ""},
      {"-9223372036854775808", "-9223372036854775808", ""},
      {"9223372036854775808", "9.2233720368547758e+18", ""},  // beyond 64 bits: a Float
      {"-99999999999999999999", "-1.0000000000000000e+20", ""},
      {"0.1000000000000000055511151231257827", "0.10000000000000001", ""},
      {"1e-400", "0.0000000000000000", ""},
      {"{\"a\":1,\"a\":2}", "{\"a\" : 2}", ""},
      {"{\"b\":1,\"a\":2,\"b\":3}", "{\"b\" : 3,\"a\" : 2}", ""},
      {"\"\\\"\\\\\\/\\b\\f\\n\\r\\t\"", "\"\\\"\\\\/\\b\\f\\n\\r\\t\"", ""},
      {"\"\\u0041\\u00e9\\u20AC\"", "\"A\xC3\xA9\xE2\x82\xAC\"", ""},
      {"\"\\u0000\"", "\"\\u0000\"", ""},
      {"\"\\uD83D\\uDE00\"", "\"\xF0\x9F\x98\x80\"", ""},  // one code point
      {"\"\\uD83Dx\"", "\"\xEF\xBF\xBDx\"", ""},           // lone high
      {"\"\\uDE00\"", "\"\xEF\xBF\xBD\"", ""},             // lone low
      {"\"\\uD83D\\uD83D\\uDE00\"", "\"\xEF\xBF\xBD\xF0\x9F\x98\x80\"", ""},
      {"[\"\\uD83D\",\"\\uDE00\"]", "[\"\xEF\xBF\xBD\",\"\xEF\xBF\xBD\"]", ""},
      {"\xC2\x85 7", "7", ""},  // NEL between tokens is white space
      {"[\xE3\x80\x80"
       "1\xE2\x80\xA8]",
       "[1]", ""},  // so are ideographic and line separators
      {"\"\xC2\xA0\xE2\x82\xAC\xFF\"", "\"\xC2\xA0\xE2\x82\xAC\xFF\"",
       ""},  // bytes kept as they are
  };
  for (P::Automaton automaton : kAutomata) {
    SCOPED_TRACE(nameOf(automaton));
    for (const auto& c : cases) {
      SCOPED_TRACE(c.input);
      Outcome o = read(c.input, automaton);
      ASSERT_TRUE(o.ok) << "code " << o.error.code;
      EXPECT_EQ(o.value, c.value);
      EXPECT_EQ(o.rest, c.rest);
    }
  }
}

TEST(JsonReader, Errors) {
  const struct {
    std::string input;
    P::ErrorCode code;
    int64_t read;
  } cases[] = {
      {"", P::ExpectedValue, 0},
      {"   ", P::ExpectedValue, 3},
      {"[1 2]", P::ExpectedCommaOrArrayEnd, 3},
      {"{\"a\" 1}", P::ExpectedColon, 5},
      {"{\"a\":1,}", P::ExpectedKey, 7},
      {"{,}", P::ExpectedKeyOrObjectEnd, 1},
      {"[1,]", P::ExpectedValue, 3},
      {"[", P::ExpectedValue, 1},
      {"[,", P::ExpectedValue, 1},
      {"{", P::ExpectedKeyOrObjectEnd, 1},
      {"{\"a\":}", P::ExpectedValue, 5},
      {"{\"a\":1 \"b\"", P::ExpectedCommaOrObjectEnd, 7},
      {"tru", P::ExpectedValue, 3},
      {"trux", P::ExpectedValue, 3},
      {"nul", P::ExpectedValue, 3},
      {"\"abc", P::UnterminatedString, 4},
      {"\"a\tb\"", P::ControlByteInString, 3},
      {"\"a\x7f", P::ControlByteInString, 3},
      {"\"\xC2\x85\"", P::ControlByteInString, 3},
      {"\"\\x\"", P::BadEscape, 2},
      {"\"\\", P::BadEscape, 2},
      {"\"\\u12G4\"", P::ExpectedHexDigit, 5},
      {"\"\\u12", P::ExpectedHexDigit, 5},
      {"-x", P::ExpectedDigit, 1},
      {"1.x", P::ExpectedDigit, 2},
      {"1ex", P::ExpectedDigit, 2},
      {"1e+", P::ExpectedDigit, 3},
      {"+1", P::ExpectedValue, 0},
      {".5", P::ExpectedValue, 0},
      {"[012]", P::ExpectedCommaOrArrayEnd, 2},
      {"\xC2x", P::OtherFailure, 1},      // broken white space before the first value
      {"[ \xC2x", P::BadWhiteSpace, 3},   // ... and after it
      {"1e400", P::NumberOutOfRange, 5},  // beyond the double range
      {"-1e400", P::NumberOutOfRange, 6},
      {"[1e999999999999999999999]", P::NumberOutOfRange, 24},
  };
  for (P::Automaton automaton : kAutomata) {
    SCOPED_TRACE(nameOf(automaton));
    for (const auto& c : cases) {
      SCOPED_TRACE(c.input);
      Outcome o = read(c.input, automaton);
      ASSERT_FALSE(o.ok) << o.value;
      EXPECT_EQ(o.error.code, c.code);
      EXPECT_EQ(o.error.charactersRead, c.read);
    }
  }
}

TEST(JsonReader, LinesAndLineStarts) {
  for (P::Automaton automaton : kAutomata) {
    SCOPED_TRACE(nameOf(automaton));
    // CR LF and LF CR count as one line break each; the failure is on the fourth line
    Outcome o = read("[\r\n1,\n\r2,\n x]", automaton);
    ASSERT_FALSE(o.ok);
    EXPECT_EQ(o.error.code, P::ExpectedValue);
    EXPECT_EQ(o.error.line, 3);
    EXPECT_EQ(o.error.lineStart, 10);
    EXPECT_EQ(o.error.charactersRead, 11);

    o = read("{\n  \"a\" : 1,\n  \"b\" 2\n}", automaton);
    ASSERT_FALSE(o.ok);
    EXPECT_EQ(o.error.code, P::ExpectedColon);
    EXPECT_EQ(o.error.line, 2);
    EXPECT_EQ(o.error.lineStart, 13);

    // line breaks inside strings are not white space
    o = read("\"a\nb\"", automaton);
    EXPECT_EQ(o.error.code, P::ControlByteInString);
    EXPECT_EQ(o.error.line, 0);
  }
}

TEST(JsonReader, StreamsOfValues) {
  // state and result files are compact values one after another, ending with "end"
  std::istringstream in("{\"n\" : 1}[2,3]\"end\"");
  EXPECT_EQ(P::parse(in).toString(0), "{\"n\" : 1}");
  EXPECT_EQ(P::parse(in).toString(0), "[2,3]");
  EXPECT_EQ(P::parse(in).getString(), "end");
  EXPECT_THROW(P::parse(in), P::Error);  // at the end of the stream

  // a stream that failed before its end gives OtherFailure
  std::istringstream bad("[1]");
  bad.setstate(std::ios::failbit);
  try {
    P::parse(bad);
    FAIL();
  } catch (const P::Error& e) {
    EXPECT_EQ(e.code, P::OtherFailure);
  }
}

TEST(JsonReader, DeepNestingIsLinear) {
  constexpr int kDepth = 100000;
  std::string text(kDepth, '[');
  text += "1";
  text += std::string(kDepth, ']');
  JSON j = parseText(text);
  EXPECT_EQ(j.toString(0), text);

  std::string objects;
  for (int i = 0; i < kDepth; ++i) objects += "{\"k\":";
  objects += "null";
  objects += std::string(kDepth, '}');
  EXPECT_EQ(parseText(objects).size(), 1);

  // an unfinished deep document fails cleanly
  Outcome o = read(std::string(kDepth, '['));
  EXPECT_FALSE(o.ok);
  EXPECT_EQ(o.error.code, P::ExpectedValue);
}

// --- writer to reader round trips

JSON randomValue(std::mt19937_64& rng, int depth) {
  std::uniform_int_distribution<int> kind(0, depth > 0 ? 7 : 5);
  switch (kind(rng)) {
    case 0:
      return JSON();
    case 1:
      return JSON(rng() % 2 == 0);
    case 2:
      return JSON(E::Integer(static_cast<int64_t>(rng())));
    case 3: {
      // any finite, normal double: random bits with the exponent kept in range
      double d;
      do {
        uint64_t bits = rng();
        std::memcpy(&d, &bits, sizeof d);
      } while (std::fpclassify(d) != FP_NORMAL);
      return JSON(E::Float(d));
    }
    case 4:
    case 5: {
      std::string s;
      const size_t n = rng() % 12;
      for (size_t i = 0; i < n; ++i) s.push_back(static_cast<char>(rng() % 256));
      return JSON(s);
    }
    case 6: {
      JSON a{E::Array()};
      const size_t n = rng() % 5;
      for (size_t i = 0; i < n; ++i) a.append(randomValue(rng, depth - 1));
      return a;
    }
    default: {
      JSON o{E::Object()};
      const size_t n = rng() % 5;
      for (size_t i = 0; i < n; ++i) {
        std::string key;
        const size_t len = rng() % 6;
        for (size_t k = 0; k < len; ++k) key.push_back(static_cast<char>(rng() % 256));
        o.set(key, randomValue(rng, depth - 1));
      }
      return o;
    }
  }
}

TEST(JsonRoundTrip, RandomTreesInEveryLayout) {
  std::mt19937_64 rng(20261210);
  for (int i = 0; i < 3000; ++i) {
    const JSON original = randomValue(rng, 4);
    for (int levels : {0, 1, 2, -1}) {
      std::ostringstream out;
      original.write(out, levels, 0);
      SCOPED_TRACE(out.str());
      JSON back = parseText(out.str());
      ASSERT_FALSE(back != original);
    }
  }
}

TEST(JsonRoundTrip, EveryNormalDoubleReadsBackBitForBit) {
  std::mt19937_64 rng(7);
  const double special[] = {
      1e16, 1e17 - 16, 9007199254740993.0, 5e-324 * (1ull << 52), 1.7976931348623157e308,
      0.1,  1.0 / 3.0, -123456.789};
  auto check = [](double d) {
    std::ostringstream out;
    JSON(E::Float(d)).write(out, 0, 0);
    JSON back = parseText(out.str());
    ASSERT_TRUE(back.isFloat()) << out.str();
    uint64_t a, b;
    const double r = back.getFloat();
    std::memcpy(&a, &d, 8);
    std::memcpy(&b, &r, 8);
    ASSERT_EQ(a, b) << out.str();
  };
  for (double d : special) check(d);
  for (int i = 0; i < 200000; ++i) {
    uint64_t bits = rng();
    double d;
    std::memcpy(&d, &bits, 8);
    if (std::fpclassify(d) == FP_NORMAL) check(d);
  }
}

// The optimised automaton against the plain one on damaged documents: the same value and the
// same bytes left in the stream, or the same error record.
TEST(JsonReader, OptimisedAutomatonAgreesWithThePlainOne) {
  std::mt19937_64 rng(31);
  const std::string alphabet = "{}[]:,\"\\u0123456789abcdefE.+-truefalsn \t\r\n\xC2\x85\xE2\x80";
  for (int i = 0; i < 4000; ++i) {
    std::ostringstream out;
    randomValue(rng, 3).write(out, static_cast<int>(rng() % 3) - 1, 0);
    std::string text = out.str();
    for (int edits = static_cast<int>(rng() % 4); edits > 0 && !text.empty(); --edits) {
      const size_t at = rng() % text.size();
      const char byte = alphabet[rng() % alphabet.size()];
      switch (rng() % 4) {
        case 0:
          text.erase(at, 1);
          break;
        case 1:
          text.insert(text.begin() + static_cast<long>(at), byte);
          break;
        case 2:
          text[at] = byte;
          break;
        default:
          text.resize(at);
          break;
      }
    }
    SCOPED_TRACE(text);
    const Outcome fast = read(text, P::Automaton::Optimised);
    const Outcome plain = read(text, P::Automaton::Plain);
    ASSERT_EQ(fast.ok, plain.ok);
    EXPECT_EQ(fast.value, plain.value);
    EXPECT_EQ(fast.rest, plain.rest);
    EXPECT_EQ(fast.error.code, plain.error.code);
    EXPECT_EQ(fast.error.charactersRead, plain.error.charactersRead);
    EXPECT_EQ(fast.error.line, plain.error.line);
    EXPECT_EQ(fast.error.lineStart, plain.error.lineStart);
  }
}

TEST(JsonReader, ParsesOnManyThreadsAtOnce) {
  // the first reads race to build the grammar; every thread must see it whole
  std::vector<std::thread> threads;
  std::atomic<int> good{0};
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&good, t] {
      for (int i = 0; i < 200; ++i) {
        const std::string text =
            "{\"t\" : " + std::to_string(t) + ",\"i\" : [" + std::to_string(i) + ",\"x\"]}";
        if (parseText(text).toString(0) == text) ++good;
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(good.load(), 8 * 200);
}

}  // namespace
