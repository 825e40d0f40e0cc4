#include "avifile/avi_system.h"

#include <fcntl.h>
#include <iconv.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <uuid/uuid.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "avifile/assertion.h"
#include "support/assert_guard.h"
#include "support/temp_folder.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

std::string bytes(std::initializer_list<unsigned> values) {
  std::string out;
  for (unsigned v : values) out.push_back(static_cast<char>(v));
  return out;
}

// The C library's own codec, as an independent reference. One conversion descriptor serves a
// whole test: opening one per call would dominate the running time.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // The converted bytes, or nothing when the codec refuses the input.
  std::optional<std::string> convert(const void* data, size_t size, size_t outSize) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    std::string out(outSize, '\0');
    char* in = static_cast<char*>(const_cast<void*>(data));
    size_t inLeft = size;
    char* dst = out.data();
    size_t outLeft = out.size();
    if (iconv(cd_, &in, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) {
      return std::nullopt;
    }
    out.resize(out.size() - outLeft);
    return out;
  }

 private:
  iconv_t cd_;
};

// glibc's decoder also takes four-byte forms up to U+1FFFFF; those are not Unicode and are
// refused here.
std::optional<std::wstring> referenceDecode(Iconv& codec, const std::string& input) {
  const std::optional<std::string> raw =
      codec.convert(input.data(), input.size(), (input.size() + 1) * sizeof(wchar_t));
  if (!raw) return std::nullopt;
  std::wstring out(raw->size() / sizeof(wchar_t), L'\0');
  std::memcpy(out.data(), raw->data(), out.size() * sizeof(wchar_t));
  for (wchar_t c : out) {
    if (static_cast<uint32_t>(c) > 0x10FFFF) return std::nullopt;
  }
  return out;
}

// --- UTF-8 conversion

TEST(Utf8Test, DecodesWellFormedText) {
  const struct {
    std::string input;
    std::wstring expected;
  } cases[] = {
      {"", L""},
      {"abc", L"abc"},
      {bytes({0xC3, 0xA9}), L"\u00E9"},
      {bytes({0xF0, 0x9F, 0x98, 0x80}), L"\U0001F600"},
      {std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
      // Boundaries of each length and around the surrogate block.
      {bytes({0x7F}), L"\u007F"},
      {bytes({0xC2, 0x80}), L"\u0080"},
      {bytes({0xDF, 0xBF}), L"\u07FF"},
      {bytes({0xE0, 0xA0, 0x80}), L"\u0800"},
      {bytes({0xED, 0x9F, 0xBF}), L"\uD7FF"},
      {bytes({0xEE, 0x80, 0x80}), L"\uE000"},
      {bytes({0xEF, 0xBF, 0xBF}), L"\uFFFF"},
      {bytes({0xF0, 0x90, 0x80, 0x80}), L"\U00010000"},
      {bytes({0xF4, 0x8F, 0xBF, 0xBF}), L"\U0010FFFF"},
      {"x" + bytes({0xE2, 0x82, 0xAC}) + "y", L"x\u20ACy"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(::testing::PrintToString(row.input));
    EXPECT_EQ(fromUtf8(row.input), row.expected);
  }
}

TEST(Utf8Test, MalformedInputGivesEmptyText) {
  const std::string cases[] = {
      bytes({0x80}),                                // continuation byte where a character begins
      "abc" + bytes({0xBF}) + "def",                // ... also in the middle of good text
      "abc" + bytes({0xE2, 0x82}),                  // cut off by the end
      bytes({0xF0, 0x9F, 0x98}),                    //
      bytes({0xC3}),                                //
      bytes({0xC3, 0x41}),                          // continuation missing
      bytes({0xE2, 0x28, 0xA1}),                    //
      bytes({0xC3, 0xC3, 0xA9}),                    //
      bytes({0xC0, 0xAF}),                          // overlong '/'
      bytes({0xC1, 0xBF}),                          // overlong
      bytes({0xE0, 0x80, 0xAF}),                    // overlong '/'
      bytes({0xE0, 0x9F, 0xBF}),                    // overlong U+07FF
      bytes({0xF0, 0x80, 0x80, 0xAF}),              // overlong '/'
      bytes({0xF0, 0x8F, 0xBF, 0xBF}),              // overlong U+FFFF
      bytes({0xED, 0xA0, 0x80}),                    // U+D800
      bytes({0xED, 0xBF, 0xBF}),                    // U+DFFF
      bytes({0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80}),  // a surrogate pair written as two forms
      bytes({0xF4, 0x90, 0x80, 0x80}),              // U+110000
      bytes({0xF5, 0x80, 0x80, 0x80}),              //
      bytes({0xF8, 0x88, 0x80, 0x80, 0x80}),        // five-byte form, above U+10FFFF
      bytes({0xFC, 0x84, 0x80, 0x80, 0x80, 0x80}),
      bytes({0xFE}),
      bytes({0xFF}),
  };
  for (const auto& input : cases) {
    SCOPED_TRACE(::testing::PrintToString(input));
    EXPECT_EQ(fromUtf8(input), L"");
  }
  // A view ends where it ends, even when good bytes follow in memory.
  const std::string euro = "a" + bytes({0xE2, 0x82, 0xAC});
  EXPECT_EQ(fromUtf8(std::string_view(euro).substr(0, 3)), L"");
  EXPECT_EQ(fromUtf8(std::string_view(euro).substr(0, 2)), L"");
  EXPECT_EQ(fromUtf8(std::string_view(euro).substr(1, 1)), L"");
}

// Every sequence of one or two bytes, every three-byte sequence with a three-byte lead and the
// four-byte leads with every second byte: accepted exactly when the C library's codec accepts
// them, and then decoded the same way.
TEST(Utf8Test, DecodingAgreesWithTheCLibraryOnShortSequences) {
  std::vector<std::string> inputs;
  for (unsigned a = 0; a < 256; ++a) {
    inputs.push_back(bytes({a}));
    for (unsigned b = 0; b < 256; ++b) inputs.push_back(bytes({a, b}));
  }
  for (unsigned a = 0xE0; a <= 0xEF; ++a) {
    for (unsigned b = 0; b < 256; ++b) {
      for (unsigned c = 0x70; c < 0xD0; ++c) inputs.push_back(bytes({a, b, c}));
    }
  }
  for (unsigned a = 0xF0; a < 256; ++a) {
    for (unsigned b = 0; b < 256; ++b) inputs.push_back(bytes({a, b, 0x80, 0xBF}));
  }
  Iconv codec("WCHAR_T", "UTF-8");
  ASSERT_TRUE(codec.ok());
  size_t mismatches = 0;
  for (const std::string& input : inputs) {
    const std::optional<std::wstring> reference = referenceDecode(codec, input);
    const std::wstring decoded = fromUtf8(input);
    // "\0" is well-formed and decodes to one character, so an empty result means refusal.
    const bool same = reference ? decoded == *reference : decoded.empty();
    if (!same && ++mismatches <= 10) {
      ADD_FAILURE() << "input " << ::testing::PrintToString(input);
    }
  }
  EXPECT_EQ(mismatches, 0u);
}

TEST(Utf8Test, EncodesCodePoints) {
  const struct {
    std::wstring input;
    std::string expected;
  } cases[] = {
      {L"", ""},
      {L"abc", "abc"},
      {std::wstring(L"\0", 1), std::string("\0", 1)},
      {L"\u00E9", bytes({0xC3, 0xA9})},
      {L"\u07FF", bytes({0xDF, 0xBF})},
      {L"\u0800", bytes({0xE0, 0xA0, 0x80})},
      {L"\u20AC", bytes({0xE2, 0x82, 0xAC})},
      {L"\uFFFF", bytes({0xEF, 0xBF, 0xBF})},
      {L"\U00010000", bytes({0xF0, 0x90, 0x80, 0x80})},
      {L"\U0001F600", bytes({0xF0, 0x9F, 0x98, 0x80})},
      {L"\U0010FFFF", bytes({0xF4, 0x8F, 0xBF, 0xBF})},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(::testing::PrintToString(row.input));
    EXPECT_EQ(toUtf8(row.input), row.expected);
  }
}

TEST(Utf8Test, CharactersThatAreNotScalarValuesGiveEmptyText) {
  const std::wstring cases[] = {
      {static_cast<wchar_t>(0xD800)},
      {L'a', static_cast<wchar_t>(0xDFFF)},
      {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)},  // a UTF-16 pair
      {L'a', static_cast<wchar_t>(0x110000), L'b'},
      {static_cast<wchar_t>(-1)},
      {static_cast<wchar_t>(INT_MIN)},
  };
  for (const auto& input : cases) {
    SCOPED_TRACE(::testing::PrintToString(input));
    EXPECT_EQ(toUtf8(input), "");
  }
}

TEST(Utf8Test, EveryCodePointRoundTripsAndMatchesTheCLibrary) {
  std::wstring all;
  for (uint32_t c = 0; c <= 0x10FFFF; ++c) {
    if (c < 0xD800 || c > 0xDFFF) all.push_back(static_cast<wchar_t>(c));
  }
  const std::string encoded = toUtf8(all);
  EXPECT_EQ(encoded.size(), 0x80 * 1 + 0x780 * 2 + (0x10000 - 0x800 - 0x800) * 3 + 0x100000 * 4);
  Iconv codec("UTF-8", "WCHAR_T");
  ASSERT_TRUE(codec.ok());
  EXPECT_TRUE(encoded == codec.convert(all.data(), all.size() * sizeof(wchar_t), all.size() * 4));
  EXPECT_TRUE(fromUtf8(encoded) == all);
}

// --- text

TEST(TextTest, ToLowerUsesTheUnicodeMappingInTheCLocale) {
  // The test program runs in the "C" locale, where the C library's own mapping stops at ASCII.
  const struct {
    std::wstring input;
    std::wstring expected;
  } cases[] = {
      {L"", L""},
      {L"ABC xyz 019 -_", L"abc xyz 019 -_"},
      {L"\u00C4\u00D6\u00DC\u00C9", L"\u00E4\u00F6\u00FC\u00E9"},  // ÄÖÜÉ
      {L"\u03A3\u0391", L"\u03C3\u03B1"},                          // ΣΑ
      {L"\u0416\u042F", L"\u0436\u044F"},                          // ЖЯ
      {L"\U00010400", L"\U00010428"},                              // Deseret, beyond 16 bits
      {L"\U0001F600\u00DF", L"\U0001F600\u00DF"},
      // Values that are no characters stay as they are.
      {{L'A', static_cast<wchar_t>(0x110000), static_cast<wchar_t>(-1), L'B'},
       {L'a', static_cast<wchar_t>(0x110000), static_cast<wchar_t>(-1), L'b'}},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(::testing::PrintToString(row.input));
    EXPECT_EQ(toLower(row.input), row.expected);
  }
}

TEST(TextTest, TrimsRemoveAsciiWhiteSpaceOnly) {
  const struct {
    std::string input;
    std::string left;
    std::string right;
    std::string both;
  } cases[] = {
      {"", "", "", ""},
      {" \t\n\v\f\r", "", "", ""},
      {"abc", "abc", "abc", "abc"},
      {" \t\n\v\f\ra b\r\f\v\n\t ", "a b\r\f\v\n\t ", " \t\n\v\f\ra b", "a b"},
      // No-break spaces (U+00A0, U+3000) are text, and their bytes are not white space.
      {"\u00A0x\u00A0", "\u00A0x\u00A0", "\u00A0x\u00A0", "\u00A0x\u00A0"},
      {" \u3000 ", "\u3000 ", " \u3000", "\u3000"},
      {bytes({0xA0, 0x85, 'x', 0x85, 0xA0}), bytes({0xA0, 0x85, 'x', 0x85, 0xA0}),
       bytes({0xA0, 0x85, 'x', 0x85, 0xA0}), bytes({0xA0, 0x85, 'x', 0x85, 0xA0})},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(::testing::PrintToString(row.input));
    EXPECT_EQ(trimLeft(row.input), row.left);
    EXPECT_EQ(trim(row.input), row.both);
    EXPECT_EQ(trimLeft(fromUtf8(row.input)), fromUtf8(row.left));
    EXPECT_EQ(trimRight(fromUtf8(row.input)), fromUtf8(row.right));
  }
  EXPECT_EQ(trimLeft(std::wstring(L"\u0085\u2003x")), L"\u0085\u2003x");
  EXPECT_EQ(trimRight(std::wstring(L"x\u0085\u2003")), L"x\u0085\u2003");
}

TEST(TextTest, JoinStrings) {
  EXPECT_EQ(joinStrings({}, L", "), L"");
  EXPECT_EQ(joinStrings({L"a"}, L", "), L"a");
  EXPECT_EQ(joinStrings({L"a", L"b", L"c"}, L", "), L"a, b, c");
  EXPECT_EQ(joinStrings({L"", L"", L""}, L"-"), L"--");
  EXPECT_EQ(joinStrings({L"a", L"b"}, L""), L"ab");
}

// How a reader that follows the usual backslash rules splits a command line.
std::vector<std::wstring> splitCommandLine(const std::wstring& line) {
  std::vector<std::wstring> args;
  std::wstring current;
  bool inArg = false;
  bool quoted = false;
  for (size_t i = 0; i < line.size();) {
    const wchar_t c = line[i];
    if (c == L'\\') {
      size_t run = 0;
      while (i < line.size() && line[i] == L'\\') ++run, ++i;
      const bool beforeQuote = i < line.size() && line[i] == L'"';
      current.append(beforeQuote ? run / 2 : run, L'\\');
      if (beforeQuote && run % 2 == 1) current += line[i++];
      inArg = true;
    } else if (c == L'"') {
      quoted = !quoted;
      inArg = true;
      ++i;
    } else if ((c == L' ' || c == L'\t') && !quoted) {
      if (inArg) args.push_back(current);
      current.clear();
      inArg = false;
      ++i;
    } else {
      current += c;
      inArg = true;
      ++i;
    }
  }
  if (inArg) args.push_back(current);
  return args;
}

TEST(TextTest, QuoteArgument) {
  const struct {
    std::wstring input;
    std::wstring expected;
  } cases[] = {
      {L"plain", L"plain"},
      {L"", LR"("")"},
      {L"a b", LR"("a b")"},
      {L"a\tb", L"\"a\tb\""},
      {LR"(say "hi")", LR"("say \"hi\"")"},
      {LR"(a"b)", LR"(a\"b)"},
      {LR"(a\"b)", LR"(a\\\"b)"},  // the backslash before a quote is doubled
      {LR"(a\\"b)", LR"(a\\\\\"b)"},
      {LR"(a\b)", LR"(a\b)"},     // not before a quote: left alone
      {LR"(dir\)", LR"(dir\\)"},  // the end of the text counts as before a quote
      {LR"(my dir\)", LR"("my dir\\")"},
      {LR"(my dir\\)", LR"("my dir\\\\")"},
      {LR"(\\server\share x)", LR"("\\server\share x")"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(::testing::PrintToString(row.input));
    const std::wstring quoted = quoteArgument(row.input);
    EXPECT_EQ(quoted, row.expected);
    // Once quoted, a reader gets the argument back whole; unquoted, a final backslash stays
    // doubled, as the quoting always did.
    if (quoted.front() == L'"') {
      EXPECT_THAT(splitCommandLine(quoted), ElementsAre(row.input));
    }
  }
}

TEST(TextTest, FormatDuration) {
  const struct {
    int64_t ms;
    const char* expected;
  } cases[] = {
      {0, "0"},
      {-1, "0"},
      {-3'600'000, "0"},
      {INT64_MIN, "0"},
      {50, "0s"},
      {99, "0s"},
      {100, "0.1s"},
      {1'500, "1.5s"},
      {10'000, "10s"},
      {10'099, "10s"},
      {59'999, "59.9s"},
      {60'000, "1m"},
      {60'050, "1m 0s"},
      {61'500, "1m 1s"},
      {119'999, "1m 59s"},
      {3'599'999, "59m 59s"},
      {3'600'000, "1h"},
      {3'601'000, "1h"},
      {3'723'000, "1h 2m"},
      {90'061'000, "25h 1m"},
      {INT64_MAX, "2562047788015h 12m"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.ms);
    EXPECT_EQ(formatDuration(row.ms), row.expected);
  }
}

class TimeStampTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* tz = getenv("TZ")) savedTz_ = tz;
    useZone("UTC");
  }
  void TearDown() override {
    if (savedTz_) {
      setenv("TZ", savedTz_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  static void useZone(const char* zone) {
    setenv("TZ", zone, 1);
    tzset();
  }

 private:
  std::optional<std::string> savedTz_;
};

TEST_F(TimeStampTest, FormatsLocalTimeInFixedEnglishForm) {
  constexpr int64_t kSecond = 10'000'000;
  const struct {
    int64_t ticks;
    const char* expected;
  } cases[] = {
      {0, "Thu Jan 01 00:00:00 1970"},
      {kSecond - 1, "Thu Jan 01 00:00:00 1970"},
      {-1, "Wed Dec 31 23:59:59 1969"},  // before 1970 the ticks round down
      {-kSecond, "Wed Dec 31 23:59:59 1969"},
      {-kSecond - 1, "Wed Dec 31 23:59:58 1969"},
      {315'626'635 * kSecond, "Wed Jan 02 02:03:55 1980"},
      {1'488'618'307 * kSecond + 9'999'999, "Sat Mar 04 09:05:07 2017"},
      {4'133'980'799 * kSecond, "Fri Dec 31 23:59:59 2100"},
      {-11'644'473'600 * kSecond, "Mon Jan 01 00:00:00 1601"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.ticks);
    EXPECT_EQ(formatTimeStamp(row.ticks), row.expected);
  }
}

TEST_F(TimeStampTest, UsesTheLocalZone) {
  useZone("XST-02:30");  // two and a half hours east of UTC
  EXPECT_EQ(formatTimeStamp(0), "Thu Jan 01 02:30:00 1970");
  EXPECT_EQ(formatUtcTimeStamp(0), "Thu Jan 01 00:00:00 1970");
  EXPECT_EQ(formatUtcTimeStamp(1'488'618'307 * 10'000'000LL), "Sat Mar 04 09:05:07 2017");
}

TEST_F(TimeStampTest, ExtremeTicksGiveFullText) {
  // The full range of ticks stays within what the calendar conversion can represent.
  EXPECT_THAT(formatTimeStamp(INT64_MAX), ::testing::MatchesRegex("[A-Z][a-z]{2} [A-Z][a-z]{2} "
                                                                  "[0-9]{2} [0-9:]{8} 31197"));
  EXPECT_THAT(formatTimeStamp(INT64_MIN), ::testing::MatchesRegex("[A-Z][a-z]{2} [A-Z][a-z]{2} "
                                                                  "[0-9]{2} [0-9:]{8} -27258"));
}

// --- paths

TEST(PathTest, SplitPath) {
  const struct {
    std::wstring path;
    std::wstring directory;
    std::wstring baseName;
    std::wstring extension;
  } cases[] = {
      {L"", L"", L"", L""},
      {L"/", L"/", L"", L""},
      {L"/work/tasks/a.vixo", L"/work/tasks/", L"a", L".vixo"},
      {L"a.tar.gz", L"", L"a.tar", L".gz"},
      {L"/dir.d/file", L"/dir.d/", L"file", L""},
      {L"dir.d/", L"dir.d/", L"", L""},
      {L".hidden", L"", L"", L".hidden"},
      {L"/x/.hidden.txt", L"/x/", L".hidden", L".txt"},
      {L"name.", L"", L"name", L"."},
      {L"..", L"", L".", L"."},
      {L"//a//b.c", L"//a//", L"b", L".c"},
      {LR"(a\b.c)", L"", LR"(a\b)", L".c"},  // a backslash is part of a name here
      {L"/\u00E9t\u00E9/\U0001F600.mp4", L"/\u00E9t\u00E9/", L"\U0001F600", L".mp4"},
      {L"/" + std::wstring(2000, L'd') + L"/" + std::wstring(1500, L'n') + L"." +
           std::wstring(1100, L'e'),
       L"/" + std::wstring(2000, L'd') + L"/", std::wstring(1500, L'n'),
       L"." + std::wstring(1100, L'e')},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(::testing::PrintToString(row.path.substr(0, 40)));
    const PathParts parts = splitPath(row.path);
    EXPECT_EQ(parts.drive, L"");
    EXPECT_EQ(parts.directory, row.directory);
    EXPECT_EQ(parts.baseName, row.baseName);
    EXPECT_EQ(parts.extension, row.extension);
    EXPECT_EQ(parts.fileName(), row.baseName + row.extension);
    EXPECT_EQ(parts.drive + parts.directory + parts.baseName + parts.extension, row.path);
  }
}

TEST(PathTest, CombinePath) {
  const struct {
    std::wstring first;
    std::wstring second;
    std::wstring expected;
  } cases[] = {
      {L"/a", L"b", L"/a/b"},
      {L"/a", LR"(b\c)", L"/a/b/c"},
      {L"/a/", L"b", L"/a/b"},
      {L"", L"b", L"b"},
      {L"a", L"", L"a"},
      {L"", L"", L""},
      {L"a", L"/b", L"a/b"},
      {L"a/", L"/b", L"a//b"},  // one separator is added at most, none removed
      {L"/t", LR"(\abs)", L"/t/abs"},
      {L"/tasks", LR"(..\u\x.avi)", L"/tasks/../u/x.avi"},
      {LR"(C:\x)", L"y", LR"(C:\x/y)"},  // the first path is taken as it is
      {L"C:", L"b", L"C:/b"},            // a colon is an ordinary character here
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(::testing::PrintToString(row.first) + " + " +
                 ::testing::PrintToString(row.second));
    EXPECT_EQ(combinePath(row.first, row.second), row.expected);
  }
}

TEST(PathTest, SplitPathComponents) {
  const struct {
    std::wstring path;
    std::vector<std::wstring> expected;
  } cases[] = {
      {L"", {}},
      {L"/", {}},
      {L"//", {}},
      {L"file", {L"file"}},
      {L"/a/b/c.txt", {L"a", L"b", L"c.txt"}},
      {L"a/b.txt", {L"a", L"b.txt"}},
      {L"/a/b/", {L"a", L"b"}},
      {L"//server/share/x", {L"server", L"share", L"x"}},
      {L"a//b///c", {L"a", L"b", L"c"}},
      {L"./a/../b", {L".", L"a", L"..", L"b"}},
      {L"/.hidden/x.", {L".hidden", L"x."}},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(::testing::PrintToString(row.path));
    EXPECT_THAT(splitPathComponents(row.path), ElementsAreArray(row.expected));
  }
}

TEST(PathTest, CanonicalizePath) {
  const struct {
    std::wstring path;
    std::wstring expected;
  } cases[] = {
      {L"", L""},
      {L"/", L"/"},
      {L"/a/b/c", L"/a/b/c"},
      {L"/a/./b/../c", L"/a/c"},
      {L"/a/b/..", L"/a"},
      {L"/a/b/../", L"/a/"},
      {L"/..", L"/"},
      {L"/../../a/..", L"/"},
      {L"/../a", L"/a"},
      {L"//a///b//", L"/a/b/"},
      {L"a/./b", L"a/b"},
      {L"a/../../b", L"../b"},
      {L"../../a", L"../../a"},
      {L"a/b/../../..", L".."},
      {L"a/..", L"."},
      {L".", L"."},
      {L"./", L"./"},
      {L"/a/..b/...", L"/a/..b/..."},  // only "." and ".." are special
      {L"/tasks/../u/x.avi", L"/u/x.avi"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(::testing::PrintToString(row.path));
    EXPECT_EQ(canonicalizePath(row.path), row.expected);
  }
}

// --- files and folders, in a real temporary folder

class FileSystemTest : public ::testing::Test {
 protected:
  std::string makeFile(const std::string& name, const std::string& content = "x") {
    return folder_.makeFile(name, content);
  }
  std::wstring wide(const std::string& name) const { return fromUtf8(folder_ / name); }

  vixo_test::TempFolder folder_;
  const std::string& root_ = folder_.path();
};

TEST_F(FileSystemTest, ResolveFinalPathFollowsLinksAndLeavesFailuresUnchanged) {
  makeFile("data/target.avi");
  ASSERT_EQ(symlink((root_ + "/data/target.avi").c_str(), (root_ + "/link.avi").c_str()), 0);
  ASSERT_EQ(symlink((root_ + "/data").c_str(), (root_ + "/dirlink").c_str()), 0);

  std::wstring path = wide("link.avi");
  EXPECT_TRUE(resolveFinalPath(path));
  EXPECT_EQ(path, wide("data/target.avi"));

  path = wide("dirlink/./sub/../target.avi");
  std::filesystem::create_directory(root_ + "/data/sub");
  EXPECT_TRUE(resolveFinalPath(path));
  EXPECT_EQ(path, wide("data/target.avi"));

  path = wide("dirlink");  // folders resolve too
  EXPECT_TRUE(resolveFinalPath(path));
  EXPECT_EQ(path, wide("data"));

  const std::wstring failing[] = {
      wide("missing.avi"),
      L"",
      // A NUL would cut the name short and name the existing file.
      wide("data/target.avi") + std::wstring(L"\0.missing", 9),
      wide("data/target.avi") + static_cast<wchar_t>(0xD800),
  };
  for (const std::wstring& input : failing) {
    SCOPED_TRACE(::testing::PrintToString(input));
    path = input;
    EXPECT_FALSE(resolveFinalPath(path));
    EXPECT_EQ(path, input);
  }
}

TEST_F(FileSystemTest, OnlyFilesAndLinksToFilesAreRegularFiles) {
  const std::string file = makeFile("clip.avi");
  ASSERT_EQ(symlink(file.c_str(), (root_ + "/link.avi").c_str()), 0);
  ASSERT_EQ(mkfifo((root_ + "/pipe.avi").c_str(), 0600), 0);
  ASSERT_EQ(symlink("/dev/zero", (root_ + "/zero.avi").c_str()), 0);
  const struct {
    std::string path;
    bool regular;
  } rows[] = {
      {file, true},
      {root_ + "/link.avi", true},
      {root_ + "/pipe.avi", false},
      {"/dev/null", false},
      {root_ + "/zero.avi", false},
      {root_, false},
      {root_ + "/missing", false},
      {"", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(isRegularFile(row.path), row.regular);
  }
}

TEST_F(FileSystemTest, FileFinderListsMatchingNamesInByteOrder) {
  for (const char* name : {"pass-b.txt", "pass-a.txt", "pass-.txt", "pass-Z.txt", "pass-\u00E9.txt",
                           "pass-a.log", "PASS-c.txt", "other.txt", "pass.txt", "pass-*.txt"}) {
    makeFile(name);
  }
  std::filesystem::create_directory(root_ + "/pass-dir.txt");
  makeFile(std::string("pass-") + bytes({0xFF}) + ".txt");  // not UTF-8: left out

  const auto collect = [](FileFinder& finder) {
    std::vector<std::wstring> names;
    while (finder.hasFile()) names.push_back(finder.nextFile());
    return names;
  };

  FileFinder passes(fromUtf8(root_), L"pass-", L".txt");
  // Made after the scan: not seen.
  makeFile("pass-late.txt");
  EXPECT_THAT(collect(passes),
              ElementsAre(L"pass-*.txt", L"pass-.txt", L"pass-Z.txt", L"pass-a.txt", L"pass-b.txt",
                          L"pass-dir.txt", L"pass-\u00E9.txt"));

  FileFinder prefixOnly(fromUtf8(root_ + "/"), L"pass-", L"");
  EXPECT_THAT(collect(prefixOnly),
              ElementsAre(L"pass-*.txt", L"pass-.txt", L"pass-Z.txt", L"pass-a.log", L"pass-a.txt",
                          L"pass-b.txt", L"pass-dir.txt", L"pass-late.txt", L"pass-\u00E9.txt"));

  FileFinder wildcard(fromUtf8(root_), L"*", L"");  // no pattern characters
  EXPECT_THAT(collect(wildcard), IsEmpty());

  FileFinder everything(fromUtf8(root_), L"", L"");
  EXPECT_EQ(collect(everything).size(), 12u);
}

TEST_F(FileSystemTest, FileFinderPrefixAndSuffixMustNotOverlap) {
  makeFile("aba");
  makeFile("abba");
  makeFile("ab");
  FileFinder finder(fromUtf8(root_), L"ab", L"ba");
  ASSERT_TRUE(finder.hasFile());
  EXPECT_EQ(finder.nextFile(), L"abba");
  EXPECT_FALSE(finder.hasFile());
}

TEST_F(FileSystemTest, FileFinderWithoutFolderHasNoFile) {
  makeFile("x.txt");
  const std::wstring folders[] = {wide("missing"), wide("x.txt"), L"",
                                  fromUtf8(root_) + std::wstring(L"\0", 1)};
  for (const std::wstring& folder : folders) {
    SCOPED_TRACE(::testing::PrintToString(folder));
    FileFinder finder(folder, L"", L"");
    EXPECT_FALSE(finder.hasFile());
  }
}

TEST_F(FileSystemTest, NextFileWithoutFileIsAProgrammingError) {
  const vixo_test::AssertGuard guard;
  FileFinder finder(wide("missing"), L"", L"");
  try {
    finder.nextFile();
    ADD_FAILURE() << "nextFile did not assert";
  } catch (const vixo::AssertionFailure& failure) {
    EXPECT_STREQ(failure.what(), "hasFile()");
  }
}

TEST_F(FileSystemTest, GetFileWriteTime) {
  constexpr uint64_t kTicksFrom1601To1970 = 116'444'736'000'000'000;
  const std::string file = makeFile("clip.avi");
  const timespec times[2] = {{0, UTIME_OMIT}, {1'000'000'000, 123'456'789}};
  ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
  EXPECT_EQ(getFileWriteTime(fromUtf8(file)),
            kTicksFrom1601To1970 + 1'000'000'000ull * 10'000'000 + 1'234'567);

  // A FIFO without a writer must not block the caller.
  ASSERT_EQ(mkfifo((root_ + "/fifo").c_str(), 0600), 0);
  EXPECT_NE(getFileWriteTime(wide("fifo")), 0u);

  EXPECT_EQ(getFileWriteTime(wide("missing")), 0u);
  EXPECT_EQ(getFileWriteTime(fromUtf8(root_)), 0u);  // a folder
  EXPECT_EQ(getFileWriteTime(L""), 0u);
  EXPECT_EQ(getFileWriteTime(fromUtf8(file) + std::wstring(L"\0x", 2)), 0u);

  if (geteuid() != 0) {  // root reads anything
    ASSERT_EQ(chmod(file.c_str(), 0), 0);
    EXPECT_EQ(getFileWriteTime(fromUtf8(file)), 0u);
  }
}

TEST_F(FileSystemTest, WriteTimeOutsideTheTickRangeIsZero) {
  // ext4 silently clamps such times to 1901..2446; tmpfs keeps them, so it stands in where the
  // temporary folder cannot.
  const time_t outside[] = {-11'644'473'601, 1'000'000'000'000};  // before 1601; year 33658
  for (const std::string& folder : {root_, std::string("/dev/shm")}) {
    std::string path = folder + "/old.XXXXXX";
    const int fd = mkstemp(path.data());
    if (fd < 0) continue;
    close(fd);
    bool kept = true;
    for (time_t seconds : outside) {
      SCOPED_TRACE(seconds);
      const timespec times[2] = {{0, UTIME_OMIT}, {seconds, 0}};
      struct stat info {};
      if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0 || stat(path.c_str(), &info) != 0 ||
          info.st_mtim.tv_sec != seconds) {
        kept = false;
        break;
      }
      EXPECT_EQ(getFileWriteTime(fromUtf8(path)), 0u);
    }
    unlink(path.c_str());
    if (kept) return;
  }
  GTEST_SKIP() << "no file system here keeps such times";
}

TEST_F(FileSystemTest, ToggleHiddenAttributeOnlyChecksExistence) {
  const std::string file = makeFile("pass-1.txt", "content");
  EXPECT_TRUE(toggleHiddenAttribute(fromUtf8(file)));
  EXPECT_TRUE(toggleHiddenAttribute(fromUtf8(root_)));
  // Nothing was renamed or changed.
  std::ifstream in(file);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "content");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root_), {}), 1);

  EXPECT_FALSE(toggleHiddenAttribute(wide("missing")));
  EXPECT_FALSE(toggleHiddenAttribute(L""));
  EXPECT_FALSE(toggleHiddenAttribute(wide("missing") + static_cast<wchar_t>(0x110000)));
}

TEST_F(FileSystemTest, WriteFileReplacingLeavesTheWholeFileOrWhatWasThere) {
  const auto read = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const auto names = [&] {
    std::set<std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(root_))
      out.insert(entry.path().filename().string());
    return out;
  };

  // A new file gets the usual permissions, not those of a private temporary file.
  const std::string fresh = root_ + "/t\u00E4ble.csv";
  ASSERT_TRUE(writeFileReplacing(fromUtf8(fresh), std::string("a,b\n\0c\n", 7)));
  EXPECT_EQ(read(fresh), std::string("a,b\n\0c\n", 7));
  const std::string usual = makeFile("usual");
  struct stat made {
  }, reference{};
  ASSERT_EQ(stat(fresh.c_str(), &made), 0);
  ASSERT_EQ(stat(usual.c_str(), &reference), 0);
  EXPECT_EQ(made.st_mode & 07777, reference.st_mode & 07777);
  std::filesystem::remove(usual);

  // An existing file is replaced whole, also by fewer bytes.
  ASSERT_TRUE(writeFileReplacing(fromUtf8(fresh), "x"));
  EXPECT_EQ(read(fresh), "x");
  ASSERT_TRUE(writeFileReplacing(fromUtf8(fresh), ""));
  EXPECT_EQ(read(fresh), "");
  EXPECT_EQ(names(), std::set<std::string>{"t\u00E4ble.csv"});

  std::filesystem::create_directory(root_ + "/folder");
  const std::wstring failing[] = {
      wide("missing/table.csv"),
      wide("folder"),   // a folder in the path's place stays a folder
      wide("folder/"),  // no file name
      L"",
      wide("table.csv") + std::wstring(L"\0x", 2),
  };
  for (const std::wstring& path : failing) {
    SCOPED_TRACE(::testing::PrintToString(path));
    EXPECT_FALSE(writeFileReplacing(path, "data"));
  }
  EXPECT_TRUE(std::filesystem::is_directory(root_ + "/folder"));
  EXPECT_TRUE(std::filesystem::is_empty(root_ + "/folder"));
  EXPECT_EQ(names(), (std::set<std::string>{"folder", "t\u00E4ble.csv"}));

  if (geteuid() != 0) {  // root may write anything
    ASSERT_EQ(chmod(fresh.c_str(), 0444), 0);
    EXPECT_FALSE(writeFileReplacing(fromUtf8(fresh), "new"));
    EXPECT_EQ(read(fresh), "");
  }
}

TEST(SystemTest, GetModuleDirectoryIsTheFolderOfThisProgram) {
  const std::wstring folder = getModuleDirectory();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.front(), L'/');
  EXPECT_EQ(folder.back(), L'/');
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(folder, fromUtf8(exe.parent_path().string() + "/"));
}

TEST(SystemTest, GetComputerNameIsTheShortHostName) {
  char host[256] = {};
  ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
  std::string expected(host);
  expected = expected.substr(0, expected.find('.')).substr(0, 15);
  const std::wstring name = getComputerName();
  EXPECT_EQ(name, fromUtf8(expected));
  EXPECT_LE(name.size(), 15u);
  EXPECT_EQ(name.find(L'.'), std::wstring::npos);
}

TEST(SystemTest, NewUuidStringIsARandomLowerCaseUuid) {
  std::set<std::string> seen;
  for (int i = 0; i < 100; ++i) {
    const std::string text = newUuidString();
    SCOPED_TRACE(text);
    EXPECT_THAT(text, ::testing::MatchesRegex(
                          "[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}"));
    uuid_t parsed;
    EXPECT_EQ(uuid_parse(text.c_str(), parsed), 0);
    seen.insert(text);
  }
  EXPECT_EQ(seen.size(), 100u);
}

}  // namespace
