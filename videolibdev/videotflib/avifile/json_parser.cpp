#include "avifile/json_parser.h"

#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

#include "avifile/assertion.h"

namespace Brindle {
namespace JSONparser {

using GP = GeneralParser;
using JSONElements::Array;
using JSONElements::Boolean;
using JSONElements::Elem;
using JSONElements::Float;
using JSONElements::Integer;
using JSONElements::Null;
using JSONElements::Object;
using JSONElements::String;

void SetError::run(GeneralParser::Parsing& state) const { state.code = code; }

namespace {

// ---------------------------------------------------------------- semantic actions

template <void (*F)(Parsing&)>
class Do final : public GP::Semantic::Action {
 public:
  void run(GP::Parsing& state) const override { F(static_cast<Parsing&>(state)); }
  std::unique_ptr<GP::Semantic::ExtentionData> clone() const override {
    return std::make_unique<Do>();
  }
};

template <typename T>
std::unique_ptr<T> pop(std::vector<std::unique_ptr<T>>& stack) {
  const size_t pointer = stack.size();
  VIXO_ASSERT(pointer > 0);
  std::unique_ptr<T> top = std::move(stack.back());
  stack.pop_back();
  return top;
}

void setNegative(Parsing& p) { p.negative = true; }
void setFraction(Parsing& p) { p.fraction = true; }
void setExponent(Parsing& p) { p.exponent = true; }

// Whether a number text that lies outside the double range is too large (rather than too
// small): the sign of its decimal magnitude decides, since both limits are hundreds of orders
// of magnitude away from 1.
bool tooLarge(std::string_view t) {
  size_t i = (!t.empty() && t[0] == '-') ? 1 : 0;
  int64_t intDigits = 0, leadingFractionZeros = 0;
  bool nonZero = false;
  for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i)
    if (nonZero || t[i] != '0') {
      nonZero = true;
      ++intDigits;
    }
  if (i < t.size() && t[i] == '.')
    for (++i; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
      if (nonZero) continue;
      if (t[i] == '0')
        ++leadingFractionZeros;
      else
        nonZero = true;
    }
  int64_t exponent = 0;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    for (; i < t.size(); ++i)
      if (exponent < 1000000000000) exponent = exponent * 10 + (t[i] - '0');
    if (negative) exponent = -exponent;
  }
  if (!nonZero) return false;
  const int64_t magnitude =
      (intDigits > 0 ? intDigits - 1 : -(leadingFractionZeros + 1)) + exponent;
  return magnitude > 0;
}

// Numbers are read from their text, exactly: an Integer when it has neither fraction nor
// exponent and fits 64 bits, else the correctly rounded Float. Results below the normal range
// read as zero (the writer could not keep them); results beyond it are an error.
void makeNumber(Parsing& p) {
  const char* begin = p.text.data();
  const char* end = begin + p.text.size();
  bool done = false;
  if (!p.fraction && !p.exponent) {
    int64_t v = 0;
    if (std::from_chars(begin, end, v).ec == std::errc()) {
      p.values.push_back(std::make_unique<Integer>(v));
      done = true;
    }
  }
  if (!done) {
    double v = 0;
    const auto r = std::from_chars(begin, end, v, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
      if (tooLarge(p.text.view())) {
        p.code = NumberOutOfRange;
        p.failed = true;
      }
      v = p.negative ? -0.0 : 0.0;
    } else if (std::fpclassify(v) == FP_SUBNORMAL) {
      v = std::copysign(0.0, v);
    }
    if (!p.failed) p.values.push_back(std::make_unique<Float>(v));
  }
  p.negative = p.fraction = p.exponent = false;
  p.text.clear();
}

void makeString(Parsing& p) {
  if (p.spareString) {
    p.spareString->value.assign(p.text.view());
    p.values.push_back(std::move(p.spareString));
  } else {
    p.values.push_back(std::make_unique<String>(p.text.str()));
  }
  p.text.clear();
  p.pendingHigh = 0;
}

// A \u escape. A high surrogate directly followed by a low one becomes the single code point
// of the pair; a surrogate without its partner becomes U+FFFD. The high one is written as
// U+FFFD at once (also three bytes) and replaced when its partner follows.
void emitEscaped(Parsing& p) {
  const int64_t c = p.accumulator;
  p.accumulator = 0;
  static const char kReplacement[] = "\xEF\xBF\xBD";
  if (c >= 0xD800 && c <= 0xDBFF) {
    p.text.append(kReplacement, 3);
    p.pendingHigh = c;
    p.pendingHighEnd = p.text.size();
  } else if (c >= 0xDC00 && c <= 0xDFFF) {
    if (p.pendingHigh && p.pendingHighEnd == p.text.size()) {
      p.text.resize(p.text.size() - 3);
      appendUtf8CodePoint(p.text, 0x10000 + ((p.pendingHigh - 0xD800) << 10) + (c - 0xDC00));
    } else {
      p.text.append(kReplacement, 3);
    }
    p.pendingHigh = 0;
  } else {
    appendUtf8CodePoint(p.text, c);
  }
}

void pushTrue(Parsing& p) { p.values.push_back(std::make_unique<Boolean>(true)); }
void pushFalse(Parsing& p) { p.values.push_back(std::make_unique<Boolean>(false)); }
void pushNull(Parsing& p) { p.values.push_back(std::make_unique<Null>()); }

void beginArray(Parsing& p) { p.arrays.push_back(std::make_unique<Array>()); }

void arrayElement(Parsing& p) {
  std::unique_ptr<Elem> v = pop(p.values);
  const size_t pointer = p.arrays.size();
  VIXO_ASSERT(pointer > 0);
  p.arrays.back()->items.emplace_back(std::move(v));
}

void endArray(Parsing& p) { p.values.push_back(pop(p.arrays)); }

void beginObject(Parsing& p) { p.objects.push_back(std::make_unique<Object>()); }

// A repeated key replaces the earlier value in the earlier position.
void objectMember(Parsing& p) {
  std::unique_ptr<Elem> value = pop(p.values);
  std::unique_ptr<Elem> key = pop(p.values);
  const size_t pointer = p.objects.size();
  VIXO_ASSERT(pointer > 0);
  Object& object = *p.objects.back();
  std::string& name = static_cast<String&>(*key).value;
  if (JSON* slot = object.findMember(name))
    *slot = JSON(std::move(value));
  else
    object.appendMember(std::move(name), JSON(std::move(value)));
  p.spareString.reset(static_cast<String*>(key.release()));
}

void endObject(Parsing& p) { p.values.push_back(pop(p.objects)); }

void lineBreak(Parsing& p) {
  ++p.line;
  p.lineStart = p.consumed;
}

void secondByteOfPair(Parsing& p) { p.lineStart = p.consumed; }

template <void (*F)(Parsing&)>
GP::ActionRecord act() {
  return GP::ActionRecord::semantic(std::make_unique<Do<F>>());
}

GP::ActionRecord err(ErrorCode code) {
  return GP::ActionRecord::semantic(std::make_unique<SetError>(code));
}

// ---------------------------------------------------------------- the grammar

class JsonGrammar {
 public:
  explicit JsonGrammar(GP::Compilation compilation) {
    rString_ = g_.newRule();
    rNumber_ = g_.newRule();
    rValue_ = g_.newRule();
    rArray_ = g_.newRule();
    rObject_ = g_.newRule();
    buildString();
    buildNumber();
    buildValue();
    buildArray();
    buildObject();
    g_.compile(compilation);
  }

  JSON parse(std::istream& in) const {
    Parsing p;
    g_.run(in, p, *rValue_);
    if (p.failed)
      throw Error{p.code ? static_cast<ErrorCode>(p.code) : OtherFailure, p.consumed, p.line,
                  p.lineStart};
    if (!p.finished || p.values.empty()) throw Error{OtherFailure, p.consumed, p.line, p.lineStart};
    return JSON(std::move(p.values.back()));
  }

 private:
  using State = GP::State;
  using Char = GP::CharacterStep;

  // A step to a new state that runs the actions and goes on to `then` by default.
  State* stepTo(State* from, const GP::Step& step, std::initializer_list<GP::ActionRecord> actions,
                State* then) {
    State* s = g_.addStep(from, step);
    for (const auto& a : actions) g_.addAction(s, a);
    g_.setImplicitCome(s, then);
    return s;
  }

  static Char chars(int from, int to) {
    Char step(static_cast<unsigned char>(from));
    for (int b = from + 1; b <= to; ++b) step.add(static_cast<unsigned char>(b));
    return step;
  }

  void buildString() {
    State* start = g_.newState();
    State* opened = g_.addStep(start, Char('"'));
    State* inside = g_.newState();  // after the opening mark and after each byte taken
    g_.setImplicitCome(opened, inside);
    g_.addAction(inside, err(UnterminatedString));
    // Later steps override earlier ones on the same byte.
    stepTo(inside, chars(0x00, 0xFF), {GP::ActionRecord::pushByte()}, inside);
    Char control = chars(0x00, 0x1F);
    control.add(0x7F);
    g_.addAction(g_.addStep(inside, control), err(ControlByteInString));
    State* afterC2 = g_.newState();
    stepTo(inside, Char(0xC2), {GP::ActionRecord::pushByte()}, afterC2);
    g_.addAction(g_.addStep(afterC2, chars(0x80, 0x9F)), err(ControlByteInString));
    g_.setImplicitCome(afterC2, inside);
    State* end = g_.newState();
    stepTo(inside, Char('"'), {act<makeString>()}, end);
    State* backslash = g_.addStep(inside, Char('\\'));
    State* escape = g_.newState();
    g_.setImplicitCome(backslash, escape);
    g_.addAction(escape, err(BadEscape));
    const std::pair<char, unsigned char> escapes[] = {{'"', '"'},  {'\\', '\\'}, {'/', '/'},
                                                      {'b', 0x08}, {'f', 0x0C},  {'n', 0x0A},
                                                      {'r', 0x0D}, {'t', 0x09}};
    for (const auto& [letter, byte] : escapes)
      stepTo(escape, Char(static_cast<unsigned char>(letter)),
             {GP::ActionRecord::pushConstantByte(byte)}, inside);
    State* u = g_.addStep(escape, Char('u'));
    State* hexStart = g_.newState();
    g_.setImplicitCome(u, hexStart);
    g_.addAction(hexStart, err(ExpectedHexDigit));
    State* hex = hexStart;
    for (int digit = 1; digit <= 4; ++digit) {
      hex = g_.addStep(hex, GP::HexdigitStep());
      g_.addAction(hex, GP::ActionRecord::hexDigit());
    }
    g_.addAction(hex, act<emitEscaped>());
    g_.setImplicitCome(hex, inside);
    g_.defineRule(rString_, start, end);
  }

  // The digits and marks of a number are collected as text; makeNumber reads them exactly.
  void buildNumber() {
    const GP::ActionRecord push = GP::ActionRecord::pushByte();
    State* start = g_.newState();
    State* afterMinus = g_.newState();
    State* integerDigits = g_.newState();
    State* integerEnd = g_.newState();
    State* afterPoint = g_.newState();
    State* fractionDigits = g_.newState();
    State* fractionEnd = g_.newState();
    State* afterExponentMark = g_.newState();
    State* afterExponentSign = g_.newState();
    State* exponentDigits = g_.newState();
    State* end = g_.newState();
    stepTo(start, Char('-'), {act<setNegative>(), push}, afterMinus);
    stepTo(start, GP::DigitStep(), {push}, integerDigits);
    stepTo(start, Char('0'), {push}, integerEnd);  // a leading zero ends the integer part
    g_.addAction(afterMinus, err(ExpectedDigit));
    stepTo(afterMinus, GP::DigitStep(), {push}, integerDigits);
    stepTo(afterMinus, Char('0'), {push}, integerEnd);
    stepTo(integerDigits, GP::DigitStep(), {push}, integerDigits);
    g_.setImplicitCome(integerDigits, integerEnd);
    stepTo(integerEnd, Char('.'), {act<setFraction>(), push}, afterPoint);
    g_.setImplicitCome(integerEnd, fractionEnd);
    g_.addAction(afterPoint, err(ExpectedDigit));
    stepTo(afterPoint, GP::DigitStep(), {push}, fractionDigits);
    stepTo(fractionDigits, GP::DigitStep(), {push}, fractionDigits);
    g_.setImplicitCome(fractionDigits, fractionEnd);
    Char exponentMark('e');
    exponentMark.add('E');
    g_.addStep(fractionEnd, exponentMark, afterExponentMark);
    g_.setImplicitCome(fractionEnd, end);
    g_.addAction(afterExponentMark, push);
    g_.addAction(afterExponentMark, act<setExponent>());
    g_.addAction(afterExponentMark, err(ExpectedExponentSignOrDigit));
    Char sign('+');
    sign.add('-');
    stepTo(afterExponentMark, sign, {push}, afterExponentSign);
    g_.setImplicitCome(afterExponentMark, afterExponentSign);
    g_.addAction(afterExponentSign, err(ExpectedDigit));
    stepTo(afterExponentSign, GP::DigitStep(), {push}, exponentDigits);
    stepTo(exponentDigits, GP::DigitStep(), {push}, exponentDigits);
    g_.setImplicitCome(exponentDigits, end);
    g_.addAction(end, act<makeNumber>());
    g_.defineRule(rNumber_, start, end);
  }

  void buildValue() {
    State* start = g_.newState();
    State* spaced = wsAt(start);  // the value's own entry is where its leading white space starts
    State* due = g_.newState();
    g_.setImplicitCome(spaced, due);
    g_.addAction(due, err(ExpectedValue));
    State* end = g_.newState();
    for (GP::Rule* rule : {rString_, rNumber_, rObject_, rArray_})
      g_.setImplicitCome(g_.callRule(due, rule), end);
    stepTo(due, GP::StringsStep("true"), {act<pushTrue>()}, end);
    stepTo(due, GP::StringsStep("false"), {act<pushFalse>()}, end);
    stepTo(due, GP::StringsStep("null"), {act<pushNull>()}, end);
    g_.defineRule(rValue_, start, end);
  }

  void buildArray() {
    State* start = g_.newState();
    State* opened = g_.addStep(start, Char('['));
    g_.addAction(opened, act<beginArray>());
    State* openedSpaced = ws(opened);
    State* firstDue = g_.newState();
    g_.setImplicitCome(openedSpaced, firstDue);
    g_.addAction(firstDue, err(ExpectedElementOrArrayEnd));
    State* end = g_.newState();
    stepTo(firstDue, Char(']'), {act<endArray>()}, end);
    State* first = g_.callRule(firstDue, rValue_);
    g_.addAction(first, act<arrayElement>());
    State* firstSpaced = ws(first);
    State* separatorDue = g_.newState();
    g_.setImplicitCome(firstSpaced, separatorDue);
    g_.addAction(separatorDue, err(ExpectedCommaOrArrayEnd));
    State* comma = g_.addStep(separatorDue, Char(','));
    stepTo(separatorDue, Char(']'), {act<endArray>()}, end);
    State* commaSpaced = ws(comma);
    State* nextDue = g_.newState();
    g_.setImplicitCome(commaSpaced, nextDue);
    g_.addAction(nextDue, err(ExpectedElement));
    State* next = g_.callRule(nextDue, rValue_);
    g_.addAction(next, act<arrayElement>());
    State* nextSpaced = ws(next);
    g_.setImplicitCome(nextSpaced, separatorDue);
    g_.defineRule(rArray_, start, end);
  }

  void buildObject() {
    State* start = g_.newState();
    State* opened = g_.addStep(start, Char('{'));
    g_.addAction(opened, act<beginObject>());
    State* openedSpaced = ws(opened);
    State* firstDue = g_.newState();
    g_.setImplicitCome(openedSpaced, firstDue);
    g_.addAction(firstDue, err(ExpectedKeyOrObjectEnd));
    State* end = g_.newState();
    stepTo(firstDue, Char('}'), {act<endObject>()}, end);
    State* keyDue = g_.newState();
    g_.setImplicitCome(firstDue, keyDue);
    State* key = g_.callRule(keyDue, rString_);
    State* colonDue = ws(key);
    g_.addAction(colonDue, err(ExpectedColon));
    State* colon = g_.addStep(colonDue, Char(':'));
    State* valueDue = ws(colon);
    g_.addAction(valueDue, err(ExpectedValue));
    State* value = g_.callRule(valueDue, rValue_);
    g_.addAction(value, act<objectMember>());
    State* valueSpaced = ws(value);
    State* separatorDue = g_.newState();
    g_.setImplicitCome(valueSpaced, separatorDue);
    g_.addAction(separatorDue, err(ExpectedCommaOrObjectEnd));
    State* comma = g_.addStep(separatorDue, Char(','));
    stepTo(separatorDue, Char('}'), {act<endObject>()}, end);
    State* nextKeyDue = ws(comma);
    g_.addAction(nextKeyDue, err(ExpectedKey));
    g_.setImplicitCome(nextKeyDue, keyDue);
    g_.defineRule(rObject_, start, end);
  }

  // White space between tokens, built in place at every point where it may stand instead of
  // being called as a rule: the same bytes are taken with the same codes, and the automaton can
  // join what follows the white space to what precedes it without a return in between.
  State* ws(State* from) {
    State* blank = g_.newState();
    g_.setImplicitCome(from, blank);
    return wsAt(blank);
  }

  // Builds white space starting at `blank`; returns the state after it.
  State* wsAt(State* blank) {
    g_.addAction(blank, err(BadWhiteSpace));
    State* afterLineFeed = g_.newState();
    State* afterReturn = g_.newState();
    stepTo(blank, Char(0x0A), {act<lineBreak>()}, afterLineFeed);
    stepTo(blank, Char(0x0D), {act<lineBreak>()}, afterReturn);
    GP::StringsStep blanks("\x09");
    for (const char* s : {"\x0B",         "\x0C",         " ",
                          "\xC2\x85",     "\xC2\xA0",     "\xE1\x9A\x80",
                          "\xE2\x80\x80", "\xE2\x80\x81", "\xE2\x80\x82",
                          "\xE2\x80\x83", "\xE2\x80\x84", "\xE2\x80\x85",
                          "\xE2\x80\x86", "\xE2\x80\x87", "\xE2\x80\x88",
                          "\xE2\x80\x89", "\xE2\x80\x8A", "\xE2\x80\xA8",
                          "\xE2\x80\xA9", "\xE2\x80\xAF", "\xE2\x81\x9F",
                          "\xE3\x80\x80"})
      blanks.add(s);
    g_.addStep(blank, blanks, blank);
    State* end = g_.newState();
    g_.setImplicitCome(blank, end);
    stepTo(afterLineFeed, Char(0x0D), {act<secondByteOfPair>()}, blank);
    g_.setImplicitCome(afterLineFeed, blank);
    stepTo(afterReturn, Char(0x0A), {act<secondByteOfPair>()}, blank);
    g_.setImplicitCome(afterReturn, blank);
    return end;
  }

  GP g_;
  GP::Rule* rString_;
  GP::Rule* rNumber_;
  GP::Rule* rValue_;
  GP::Rule* rArray_;
  GP::Rule* rObject_;
};

const JsonGrammar& grammar() {
  static const JsonGrammar instance(GP::Compilation::Optimised);
  return instance;
}

const JsonGrammar& plainGrammar() {
  static const JsonGrammar instance(GP::Compilation::Plain);
  return instance;
}

}  // namespace

JSON parse(std::istream& in, Automaton automaton) {
  return (automaton == Automaton::Plain ? plainGrammar() : grammar()).parse(in);
}

}  // namespace JSONparser
}  // namespace Brindle
