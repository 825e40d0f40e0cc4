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
void setExponentNegative(Parsing& p) { p.exponentNegative = true; }

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
        p.code = 16;
        p.failed = true;
      }
      v = p.negative ? -0.0 : 0.0;
    } else if (std::fpclassify(v) == FP_SUBNORMAL) {
      v = std::copysign(0.0, v);
    }
    if (!p.failed) p.values.push_back(std::make_unique<Float>(v));
  }
  p.negative = p.fraction = p.exponent = p.exponentNegative = false;
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

GP::ActionRecord err(int32_t code) {
  return GP::ActionRecord::semantic(std::make_unique<SetError>(code));
}

// ---------------------------------------------------------------- the grammar

class JsonGrammar {
 public:
  JsonGrammar() {
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
    g_.compile();
  }

  JSON parse(std::istream& in) const {
    Parsing p;
    g_.run(in, p, *rValue_);
    if (p.failed) throw Error{p.code ? p.code : 17, p.consumed, p.line, p.lineStart};
    if (!p.finished || p.values.empty()) throw Error{17, p.consumed, p.line, p.lineStart};
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
    State* s0 = g_.newState();
    State* s1 = g_.addStep(s0, Char('"'));
    State* s2 = g_.newState();
    g_.setImplicitCome(s1, s2);
    g_.addAction(s2, err(11));
    stepTo(s2, chars(0x00, 0xFF), {GP::ActionRecord::pushByte()}, s2);
    Char control = chars(0x00, 0x1F);
    control.add(0x7F);
    g_.addAction(g_.addStep(s2, control), err(12));
    State* s6 = g_.newState();
    stepTo(s2, Char(0xC2), {GP::ActionRecord::pushByte()}, s6);
    g_.addAction(g_.addStep(s6, chars(0x80, 0x9F)), err(12));
    g_.setImplicitCome(s6, s2);
    State* s9 = g_.newState();
    stepTo(s2, Char('"'), {act<makeString>()}, s9);
    State* s8 = g_.addStep(s2, Char('\\'));
    State* se = g_.newState();
    g_.setImplicitCome(s8, se);
    g_.addAction(se, err(10));
    const std::pair<char, unsigned char> escapes[] = {{'"', '"'},  {'\\', '\\'}, {'/', '/'},
                                                      {'b', 0x08}, {'f', 0x0C},  {'n', 0x0A},
                                                      {'r', 0x0D}, {'t', 0x09}};
    for (const auto& [letter, byte] : escapes)
      stepTo(se, Char(static_cast<unsigned char>(letter)),
             {GP::ActionRecord::pushConstantByte(byte)}, s2);
    State* su0 = g_.addStep(se, Char('u'));
    State* su = g_.newState();
    g_.setImplicitCome(su0, su);
    g_.addAction(su, err(13));
    State* sh = su;
    for (int digit = 1; digit <= 4; ++digit) {
      sh = g_.addStep(sh, GP::HexdigitStep());
      g_.addAction(sh, GP::ActionRecord::hexDigit());
    }
    g_.addAction(sh, act<emitEscaped>());
    g_.setImplicitCome(sh, s2);
    g_.defineRule(rString_, s0, s9);
  }

  // The digits and marks of a number are collected as text; makeNumber reads them exactly.
  void buildNumber() {
    const GP::ActionRecord push = GP::ActionRecord::pushByte();
    State* n0 = g_.newState();
    State* n1 = g_.newState();
    State* n2 = g_.newState();
    State* n3 = g_.newState();
    State* n4 = g_.newState();
    State* n5 = g_.newState();
    State* n6 = g_.newState();
    State* n7 = g_.newState();
    State* n8 = g_.newState();
    State* na = g_.newState();
    State* n9 = g_.newState();
    stepTo(n0, Char('-'), {act<setNegative>(), push}, n1);
    stepTo(n0, GP::DigitStep(), {push}, n2);
    stepTo(n0, Char('0'), {push}, n3);  // a leading zero ends the integer part
    g_.addAction(n1, err(15));
    stepTo(n1, GP::DigitStep(), {push}, n2);
    stepTo(n1, Char('0'), {push}, n3);
    stepTo(n2, GP::DigitStep(), {push}, n2);
    g_.setImplicitCome(n2, n3);
    stepTo(n3, Char('.'), {act<setFraction>(), push}, n4);
    g_.setImplicitCome(n3, n6);
    g_.addAction(n4, err(15));
    stepTo(n4, GP::DigitStep(), {push}, n5);
    stepTo(n5, GP::DigitStep(), {push}, n5);
    g_.setImplicitCome(n5, n6);
    Char exponentMark('e');
    exponentMark.add('E');
    g_.addStep(n6, exponentMark, n7);
    g_.setImplicitCome(n6, n9);
    g_.addAction(n7, push);
    g_.addAction(n7, act<setExponent>());
    g_.addAction(n7, err(14));
    stepTo(n7, Char('+'), {push}, n8);
    stepTo(n7, Char('-'), {act<setExponentNegative>(), push}, n8);
    g_.setImplicitCome(n7, n8);
    g_.addAction(n8, err(15));
    stepTo(n8, GP::DigitStep(), {push}, na);
    stepTo(na, GP::DigitStep(), {push}, na);
    g_.setImplicitCome(na, n9);
    g_.addAction(n9, act<makeNumber>());
    g_.defineRule(rNumber_, n0, n9);
  }

  void buildValue() {
    State* v0 = g_.newState();
    State* v1 = wsAt(v0);  // the value's own entry is where its leading white space starts
    State* v2 = g_.newState();
    g_.setImplicitCome(v1, v2);
    g_.addAction(v2, err(1));
    State* v9 = g_.newState();
    for (GP::Rule* rule : {rString_, rNumber_, rObject_, rArray_})
      g_.setImplicitCome(g_.callRule(v2, rule), v9);
    stepTo(v2, GP::StringsStep("true"), {act<pushTrue>()}, v9);
    stepTo(v2, GP::StringsStep("false"), {act<pushFalse>()}, v9);
    stepTo(v2, GP::StringsStep("null"), {act<pushNull>()}, v9);
    g_.defineRule(rValue_, v0, v9);
  }

  void buildArray() {
    State* a0 = g_.newState();
    State* a1 = g_.addStep(a0, Char('['));
    g_.addAction(a1, act<beginArray>());
    State* a2 = ws(a1);
    State* a3 = g_.newState();
    g_.setImplicitCome(a2, a3);
    g_.addAction(a3, err(3));
    State* a9 = g_.newState();
    stepTo(a3, Char(']'), {act<endArray>()}, a9);
    State* a4 = g_.callRule(a3, rValue_);
    g_.addAction(a4, act<arrayElement>());
    State* a5 = ws(a4);
    State* a6 = g_.newState();
    g_.setImplicitCome(a5, a6);
    g_.addAction(a6, err(5));
    State* a7 = g_.addStep(a6, Char(','));
    stepTo(a6, Char(']'), {act<endArray>()}, a9);
    State* a8 = ws(a7);
    State* ab = g_.newState();
    g_.setImplicitCome(a8, ab);
    g_.addAction(ab, err(7));
    State* a4b = g_.callRule(ab, rValue_);
    g_.addAction(a4b, act<arrayElement>());
    State* a5b = ws(a4b);
    g_.setImplicitCome(a5b, a6);
    g_.defineRule(rArray_, a0, a9);
  }

  void buildObject() {
    State* o0 = g_.newState();
    State* o1 = g_.addStep(o0, Char('{'));
    g_.addAction(o1, act<beginObject>());
    State* o2 = ws(o1);
    State* o3 = g_.newState();
    g_.setImplicitCome(o2, o3);
    g_.addAction(o3, err(2));
    State* o9 = g_.newState();
    stepTo(o3, Char('}'), {act<endObject>()}, o9);
    State* o4 = g_.newState();
    g_.setImplicitCome(o3, o4);
    State* o5 = g_.callRule(o4, rString_);
    State* o6 = ws(o5);
    g_.addAction(o6, err(8));
    State* o7 = g_.addStep(o6, Char(':'));
    State* o8 = ws(o7);
    g_.addAction(o8, err(1));
    State* oa = g_.callRule(o8, rValue_);
    g_.addAction(oa, act<objectMember>());
    State* ob = ws(oa);
    State* oc = g_.newState();
    g_.setImplicitCome(ob, oc);
    g_.addAction(oc, err(4));
    State* od = g_.addStep(oc, Char(','));
    stepTo(oc, Char('}'), {act<endObject>()}, o9);
    State* oe = ws(od);
    g_.addAction(oe, err(6));
    g_.setImplicitCome(oe, o4);
    g_.defineRule(rObject_, o0, o9);
  }

  // White space between tokens, built in place at every point where it may stand instead of
  // being called as a rule: the same bytes are taken with the same codes, and the automaton can
  // join what follows the white space to what precedes it without a return in between.
  State* ws(State* from) {
    State* w0 = g_.newState();
    g_.setImplicitCome(from, w0);
    return wsAt(w0);
  }

  // Builds white space starting at w0; returns the state after it.
  State* wsAt(State* w0) {
    g_.addAction(w0, err(9));
    State* w1 = g_.newState();
    State* w2 = g_.newState();
    stepTo(w0, Char(0x0A), {act<lineBreak>()}, w1);
    stepTo(w0, Char(0x0D), {act<lineBreak>()}, w2);
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
    g_.addStep(w0, blanks, w0);
    State* w9 = g_.newState();
    g_.setImplicitCome(w0, w9);
    stepTo(w1, Char(0x0D), {act<secondByteOfPair>()}, w0);
    g_.setImplicitCome(w1, w0);
    stepTo(w2, Char(0x0A), {act<secondByteOfPair>()}, w0);
    g_.setImplicitCome(w2, w0);
    return w9;
  }

  GP g_;
  GP::Rule* rString_;
  GP::Rule* rNumber_;
  GP::Rule* rValue_;
  GP::Rule* rArray_;
  GP::Rule* rObject_;
};

const JsonGrammar& grammar() {
  static const JsonGrammar instance;
  return instance;
}

}  // namespace

JSON parse(std::istream& in) { return grammar().parse(in); }

}  // namespace JSONparser
}  // namespace Brindle
