// Match expressions: conditions on a tune's fields such as
//   R=reel & (T#"lark" | T$[Title begins with]) & !X>100
// compiled into a postfix program and evaluated for one title of a tune at a time.
// List making and the advanced search share them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tunora {

struct TuneRecord;

enum class MatchOp : uint8_t {
  kEnd = 0,
  kAnd = 1,
  kOr = 2,
  kNot = 3,
  kContains = 4,
  kBeginsWith = 5,
  kEqual = 6,
  kNotEqual = 7,
  kGreaterOrEqual = 8,
  kLessOrEqual = 9,
  kLess = 10,
  kGreater = 11,
};

struct MatchInstruction {
  MatchOp op = MatchOp::kEnd;
  bool caseSensitive = false;
  char field = 0;
  std::string value;
  int slot = -1;  // placeholder slot, -1 for a literal value
};

class MatchProgram {
 public:
  static constexpr int kMaxPlaceholders = 4;

  // Compiles expression. On a syntax error the instructions compiled before it are
  // kept (they still run), and Error() and ErrorOffset() say what and where.
  bool Compile(std::string_view expression);

  bool Valid() const { return error_.empty(); }
  const std::string& Error() const { return error_; }
  size_t ErrorOffset() const { return errorOffset_; }
  // "error at offset: message" for showing to the user; "" when valid.
  std::string ErrorText() const;

  const std::vector<MatchInstruction>& Instructions() const { return program_; }
  // The prompts of the placeholders, in slot order.
  const std::vector<std::string>& Prompts() const { return prompts_; }
  // Gives the placeholders their values (missing ones are empty).
  void SetPlaceholderValues(const std::vector<std::string>& values);

  // The truth of the program for tune with its title titleIndex (T compares that
  // title). An empty program is true.
  bool Evaluate(const TuneRecord& tune, size_t titleIndex) const;
  // True when some title of the tune satisfies the program; titleIndex gets the first.
  bool EvaluateAnyTitle(const TuneRecord& tune, size_t* titleIndex = nullptr) const;

  // The program written out, one instruction a line, for tests and the CLI.
  std::string Listing() const;

 private:
  std::vector<MatchInstruction> program_;
  std::vector<std::string> prompts_;
  std::vector<std::string> values_;
  std::string error_;
  size_t errorOffset_ = 0;
};

// The text the Advanced Search's Add Compare appends: field, "+" when case counts,
// the operator, and the value in double quotes.
std::string CompareText(char field, std::string_view op, bool caseSensitive,
                        std::string_view value);

}  // namespace tunora
