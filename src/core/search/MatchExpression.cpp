#include "search/MatchExpression.h"

#include <cstdlib>

#include "base/ApproxMatcher.h"
#include "tunefile/TuneRecord.h"

namespace tunora {

namespace {

constexpr std::string_view kFieldLetters = "ABCDEFGHKLMNOPQRSTVWXZt";
constexpr std::string_view kWordEnds = " ()&|=!<>*$+\t\r\n";

class Compiler {
 public:
  Compiler(std::string_view text, std::vector<MatchInstruction>& program,
           std::vector<std::string>& prompts)
      : s_(text), program_(program), prompts_(prompts) {}

  bool Run() {
    SkipBlanks();
    if (p_ == s_.size()) return true;  // an empty expression: every title matches
    if (!Expression()) return false;
    SkipBlanks();
    if (p_ < s_.size()) return Fail("unexpected text");
    return true;
  }

  std::string error;
  size_t errorAt = 0;

 private:
  static constexpr int kMaxDepth = 200;

  bool Fail(const char* message) {
    if (error.empty()) {
      error = message;
      errorAt = p_;
    }
    return false;
  }
  void SkipBlanks() {
    while (p_ < s_.size() && (s_[p_] == ' ' || s_[p_] == '\t' || s_[p_] == '\r' || s_[p_] == '\n'))
      ++p_;
  }
  bool Take(char c) {
    SkipBlanks();
    if (p_ < s_.size() && s_[p_] == c) {
      ++p_;
      return true;
    }
    return false;
  }
  void Emit(MatchOp op) { program_.push_back(MatchInstruction{op, false, 0, {}, -1}); }

  bool Expression() {
    if (++depth_ > kMaxDepth) return Fail("too deeply nested");
    bool ok = AndTerm();
    while (ok && Take('|')) {
      ok = AndTerm();
      if (ok) Emit(MatchOp::kOr);
    }
    --depth_;
    return ok;
  }
  bool AndTerm() {
    bool ok = NotTerm();
    while (ok && Take('&')) {
      ok = NotTerm();
      if (ok) Emit(MatchOp::kAnd);
    }
    return ok;
  }
  bool NotTerm() {
    if (Take('!')) {
      if (!Primary()) return false;
      Emit(MatchOp::kNot);
      return true;
    }
    return Primary();
  }
  bool Primary() {
    if (Take('(')) {
      if (!Expression()) return false;
      if (!Take(')')) return Fail("missing )");
      return true;
    }
    return Comparison();
  }
  bool Comparison() {
    SkipBlanks();
    if (p_ >= s_.size()) return Fail("a comparison is missing");
    const char field = s_[p_];
    if (kFieldLetters.find(field) == std::string_view::npos) return Fail("unknown field letter");
    ++p_;
    MatchInstruction in;
    in.field = field;
    if (p_ < s_.size() && s_[p_] == '+') {
      in.caseSensitive = true;
      ++p_;
    }
    SkipBlanks();
    auto next = [&](std::string_view op) {
      if (s_.substr(p_, op.size()) != op) return false;
      p_ += op.size();
      return true;
    };
    if (next("==") || next("="))
      in.op = MatchOp::kEqual;
    else if (next("!=") || next("<>"))
      in.op = MatchOp::kNotEqual;
    else if (next("<="))
      in.op = MatchOp::kLessOrEqual;
    else if (next(">="))
      in.op = MatchOp::kGreaterOrEqual;
    else if (next("<"))
      in.op = MatchOp::kLess;
    else if (next(">"))
      in.op = MatchOp::kGreater;
    else if (next("#"))
      in.op = MatchOp::kContains;
    else if (next("$"))
      in.op = MatchOp::kBeginsWith;
    else
      return Fail("an operator is missing");
    SkipBlanks();
    if (p_ < s_.size() && s_[p_] == '"') {
      const size_t close = s_.find('"', p_ + 1);
      if (close == std::string_view::npos) return Fail("missing closing \"");
      in.value = s_.substr(p_ + 1, close - p_ - 1);
      p_ = close + 1;
    } else if (p_ < s_.size() && s_[p_] == '[') {
      const size_t close = s_.find(']', p_ + 1);
      if (close == std::string_view::npos) return Fail("missing ]");
      if (static_cast<int>(prompts_.size()) >= MatchProgram::kMaxPlaceholders)
        return Fail("more than four prompts");
      prompts_.emplace_back(s_.substr(p_ + 1, close - p_ - 1));
      in.slot = static_cast<int>(prompts_.size()) - 1;
      p_ = close + 1;
    } else {
      const size_t end = std::min(s_.find_first_of(kWordEnds, p_), s_.size());
      in.value = s_.substr(p_, end - p_);
      p_ = end;
    }
    program_.push_back(std::move(in));
    return true;
  }

  std::string_view s_;
  size_t p_ = 0;
  int depth_ = 0;
  std::vector<MatchInstruction>& program_;
  std::vector<std::string>& prompts_;
};

// Byte-wise or case-blind comparison: <0, 0, >0.
int Compare(std::string_view a, std::string_view b, bool caseSensitive) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned char>(a[i]);
    auto y = static_cast<unsigned char>(b[i]);
    if (!caseSensitive) {
      x = LowerCase1252(x);
      y = LowerCase1252(y);
    }
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

bool Contains(std::string_view text, std::string_view value, bool caseSensitive) {
  if (value.empty()) return true;
  for (size_t i = 0; i + value.size() <= text.size(); ++i)
    if (Compare(text.substr(i, value.size()), value, caseSensitive) == 0) return true;
  return false;
}

// A decimal number as read for X (leading blanks and sign allowed, the rest ignored).
long long ReadNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long v = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    if (v < 1000000000000LL) v = v * 10 + (text[i] - '0');
  return negative ? -v : v;
}

}  // namespace

bool MatchProgram::Compile(std::string_view expression) {
  program_.clear();
  prompts_.clear();
  error_.clear();
  errorOffset_ = 0;
  program_.reserve(expression.size() + 1);
  Compiler compiler(expression, program_, prompts_);
  const bool ok = compiler.Run();
  if (!ok) {
    error_ = compiler.error.empty() ? "syntax error" : compiler.error;
    errorOffset_ = compiler.errorAt;
  }
  values_.assign(prompts_.size(), std::string());
  return ok;
}

std::string MatchProgram::ErrorText() const {
  if (error_.empty()) return {};
  return "error at " + std::to_string(errorOffset_ + 1) + ": " + error_;
}

void MatchProgram::SetPlaceholderValues(const std::vector<std::string>& values) {
  values_.assign(prompts_.size(), std::string());
  for (size_t i = 0; i < values_.size() && i < values.size(); ++i) values_[i] = values[i];
}

bool MatchProgram::Evaluate(const TuneRecord& tune, size_t titleIndex) const {
  // Truth values; a missing operand (only after a syntax error) counts as true.
  std::vector<bool> stack;
  auto pop = [&] {
    if (stack.empty()) return true;
    const bool v = stack.back();
    stack.pop_back();
    return v;
  };
  for (const MatchInstruction& in : program_) {
    switch (in.op) {
      case MatchOp::kEnd: break;
      case MatchOp::kAnd: {
        const bool b = pop(), a = pop();
        stack.push_back(a && b);
        break;
      }
      case MatchOp::kOr: {
        const bool b = pop(), a = pop();
        stack.push_back(a || b);
        break;
      }
      case MatchOp::kNot: stack.push_back(!pop()); break;
      default: {
        const std::string& value = in.slot >= 0 && static_cast<size_t>(in.slot) < values_.size()
                                       ? values_[in.slot]
                                       : in.value;
        if (in.field == 'X') {
          const long long a = tune.number, b = ReadNumber(value);
          bool r = false;
          switch (in.op) {
            case MatchOp::kNotEqual: r = a != b; break;
            case MatchOp::kGreaterOrEqual: r = a >= b; break;
            case MatchOp::kLessOrEqual: r = a <= b; break;
            case MatchOp::kLess: r = a < b; break;
            case MatchOp::kGreater: r = a > b; break;
            default: r = a == b; break;
          }
          stack.push_back(r);
          break;
        }
        std::string_view text;
        if (in.field == 'T') {
          if (titleIndex < tune.titles.size()) text = tune.titles[titleIndex];
        } else if (in.field == 't') {
          text = tune.body;
        } else if (in.field == 'W') {
          if (tune.words) text = *tune.words;
        } else {
          text = tune.FieldText(in.field);
        }
        const bool cs = in.caseSensitive;
        bool r = false;
        switch (in.op) {
          case MatchOp::kContains: r = Contains(text, value, cs); break;
          case MatchOp::kBeginsWith:
            r = text.size() >= value.size() &&
                Compare(text.substr(0, value.size()), value, cs) == 0;
            break;
          case MatchOp::kEqual: r = Compare(text, value, cs) == 0; break;
          case MatchOp::kNotEqual: r = Compare(text, value, cs) != 0; break;
          case MatchOp::kGreaterOrEqual: r = Compare(text, value, cs) >= 0; break;
          case MatchOp::kLessOrEqual: r = Compare(text, value, cs) <= 0; break;
          case MatchOp::kLess: r = Compare(text, value, cs) < 0; break;
          case MatchOp::kGreater: r = Compare(text, value, cs) > 0; break;
          default: break;
        }
        stack.push_back(r);
        break;
      }
    }
  }
  // A complete program leaves one value; one cut short by an error may leave more,
  // which must all hold.
  for (bool v : stack)
    if (!v) return false;
  return true;
}

bool MatchProgram::EvaluateAnyTitle(const TuneRecord& tune, size_t* titleIndex) const {
  const size_t n = tune.titles.empty() ? 1 : tune.titles.size();
  for (size_t i = 0; i < n; ++i)
    if (Evaluate(tune, i)) {
      if (titleIndex != nullptr) *titleIndex = i;
      return true;
    }
  return false;
}

std::string MatchProgram::Listing() const {
  static constexpr const char* kNames[] = {"end", "and", "or", "not", "#", "$",
                                           "=",   "<>",  ">=", "<=",  "<", ">"};
  std::string out;
  for (const MatchInstruction& in : program_) {
    out += kNames[static_cast<int>(in.op)];
    if (in.op >= MatchOp::kContains) {
      out += ' ';
      out += in.field;
      if (in.caseSensitive) out += '+';
      out += in.slot >= 0 ? " [" + prompts_[in.slot] + "]" : " \"" + in.value + "\"";
    }
    out += '\n';
  }
  return out;
}

std::string CompareText(char field, std::string_view op, bool caseSensitive,
                        std::string_view value) {
  std::string text(1, field);
  if (caseSensitive) text += '+';
  text += op;
  // A value holding a double quote cannot be quoted; it goes in as a bare word.
  if (value.find('"') == std::string_view::npos) {
    text += '"';
    text += value;
    text += '"';
  } else {
    text += value;
  }
  return text;
}

}  // namespace tunora
