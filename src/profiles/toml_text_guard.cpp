#include "profiles/toml_text_guard.h"

namespace vt::profiles {

namespace {

bool Beyond(char c) { return static_cast<unsigned char>(c) >= 0x80; }

bool Digit(char c) { return c >= '0' && c <= '9'; }

bool Starts(std::string_view text, size_t at, std::string_view what) {
  return text.substr(at, what.size()) == what;
}

// The next character after spaces and tabs, or 0 at the end.
char NextAfterBlanks(std::string_view text, size_t at) {
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
  return at < text.size() ? text[at] : '\0';
}

std::string At(size_t line, const char* reason) { return std::to_string(line) + ": " + reason; }

// Where the library stops reading a bare value: blanks, line ends, ']', '}',
// ',' and '#'.
bool EndsValue(char c) {
  return c == ' ' || c == '\t' || (c >= '\n' && c <= '\r') || c == ']' || c == '}' || c == ',' || c == '#';
}

// The reader's place in plain text, outside strings and comments: enough to
// know, as the library would, whether a quote opens a string there and
// whether a '[' starts a table header.
class PlainText {
 public:
  bool InHeader() const { return header_; }
  bool HeaderMayStart() const { return previous_ == '\n' && open_.empty(); }

  // Where the library opens a string: at the start of a line (a key), after
  // a key's '=' (a value), after '[', ',' or '{' (a header, an array item, an
  // inline table) and after a dotted key's '.'. Inside a bare value (a
  // number, date, boolean...) a quote is one more character of it, as in
  // `+"0°"`, `6."°"`, `44="°"` or `66{"°"`, and what follows it is looked up
  // like the blanks around a value.
  bool QuoteOpensString() const {
    if (inBareValue_) return false;
    switch (previous_) {
      case '\n': case '=': case '[': case ',': case '{': return true;
      case '.': return inKey_;
      default: return false;
    }
  }

  // Inside a bare value (which the next blank ends).
  bool InBareValue() const { return inBareValue_; }
  // The last character was a digit inside a bare value.
  bool AfterDigitInBareValue() const { return inBareValue_ && Digit(previous_); }

  void StartHeader() {
    header_ = true;
    inKey_ = true;
    previous_ = '[';
  }

  // Any other plain character. Outside a header it opens or closes arrays
  // and inline tables and moves between keys and values. Returns why the
  // library cannot take it here, or null.
  const char* Take(char c) {
    if (EndsValue(c)) inBareValue_ = false;
    if (c == ' ' || c == '\t' || c == '\r') return nullptr;
    previous_ = c;
    if (header_ || inBareValue_) return nullptr;
    // In a value, anything but an array, an inline table or the end of one
    // starts a bare value, which runs to the next blank, ']', '}', ',' or
    // '#': a '[', '{', '=' or quote inside it is no structure.
    if (!inKey_ && !EndsValue(c) && c != '[' && c != '{') {
      inBareValue_ = true;
      return nullptr;
    }
    // The library expects a value after "[" or "," in an array and only
    // asserts that a '}' is none; no array may hold a '}'.
    if (c == '}' && InArray()) return "a '}' inside an array";
    if (c == '[' || c == '{') open_ += c;
    if ((c == ']' || c == '}') && !open_.empty()) open_.pop_back();
    // Keys come at the start of a line and in an inline table after '{'
    // or ','; everything after '=' up to there is a value.
    if (c == '=' || c == '[' || c == ']' || c == '}') inKey_ = false;
    if (c == '{' || (c == ',' && InInlineTable()) || (c == '\n' && open_.empty())) inKey_ = true;
    return nullptr;
  }

  void EndLine() { header_ = false; }
  void CloseString(char quote) { previous_ = quote; }
  void StartComment() { inBareValue_ = false; }
  void EndComment() {
    previous_ = '\n';
    if (open_.empty()) inKey_ = true;
  }
  void DropUnterminatedString() { previous_ = '\n'; }

 private:
  bool InArray() const { return !open_.empty() && open_.back() == '['; }
  bool InInlineTable() const { return !open_.empty() && open_.back() == '{'; }

  char previous_ = '\n';      // the last character, blanks skipped
  bool inBareValue_ = false;  // inside a value that is not quoted or bracketed
  std::string open_;          // the arrays ('[') and inline tables ('{') open here
  bool header_ = false;       // inside a table header's line
  bool inKey_ = true;         // a key is being read (not a value)
};

// After a value that might be a date, the library reads " D" as the start of
// a time (as in "1979-05-27 07:32:00") and asserts that more follows the
// digit; a lone digit there ("t = 1979-05-27 0") would reach undefined
// behaviour. A value followed by a lone digit is never valid TOML.
bool LoneDigitAfterBlank(std::string_view text, size_t blank) {
  return blank + 1 < text.size() && Digit(text[blank + 1]) &&
         (blank + 2 == text.size() || EndsValue(text[blank + 2]));
}

// In a bare value, a 'T' after a digit is where the library reads a date's
// time (as in "1979-05-27T07:32:00"); it asserts that the hour's first digit
// follows, so "1979-05-27T:00" would reach undefined behaviour. No valid value
// has a 'T' after a digit that no digit follows.
bool TimeWithoutHour(std::string_view text, size_t t) {
  return (text[t] == 'T' || text[t] == 't') && !(t + 1 < text.size() && Digit(text[t + 1]));
}

bool BareKeyCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}

// A table header's name, after "[" or "[[" and blanks, must start with a key
// character or a quote (or be an empty "[]", which the library reports
// itself); the library asserts this instead of checking it, so "[)" or a
// header cut off by the line end would reach undefined behaviour.
bool HeaderNameStarts(std::string_view text, size_t afterBracket) {
  size_t at = afterBracket;
  if (at < text.size() && text[at] == '[') ++at;
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
  if (at == text.size()) return true;  // the library reports the end of the text
  const char c = text[at];
  return BareKeyCharacter(c) || c == '"' || c == '\'' || c == ']';
}

}  // namespace

std::string CheckTomlTextCharacters(std::string_view text) {
  enum class In { kPlain, kComment, kBasic, kLiteral, kMultiBasic, kMultiLiteral };
  In in = In::kPlain;
  size_t line = 1;
  bool wide = false;  // the string being read holds a byte beyond ASCII
  PlainText plain;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\n') {
      ++line;
      plain.EndLine();
    }
    switch (in) {
      case In::kPlain:
        if (c == '#') {
          in = In::kComment;
          plain.StartComment();
        } else if (c == '[' && plain.HeaderMayStart()) {
          if (!HeaderNameStarts(text, i + 1)) return At(line, "a table header without a name after '['");
          plain.StartHeader();
        } else if ((c == '"' || c == '\'') && plain.QuoteOpensString()) {
          const bool multi = Starts(text, i, c == '"' ? "\"\"\"" : "'''");
          in = c == '"' ? (multi ? In::kMultiBasic : In::kBasic) : (multi ? In::kMultiLiteral : In::kLiteral);
          if (multi) i += 2;
          wide = false;
        } else if (Beyond(c)) {
          return At(line, "a character beyond ASCII outside a quoted value");
        } else if (c == ' ' && plain.InBareValue() && LoneDigitAfterBlank(text, i)) {
          return At(line, "a lone digit after a value and a space");
        } else if (plain.AfterDigitInBareValue() && TimeWithoutHour(text, i)) {
          return At(line, "a date's 'T' without an hour after it");
        } else if (const char* why = plain.Take(c)) {
          return At(line, why);
        }
        break;
      case In::kComment:
        if (c == '\n') {
          in = In::kPlain;
          plain.EndComment();
        }
        break;
      case In::kBasic:
      case In::kLiteral:
        if (c == '\\' && in == In::kBasic) {
          if (i + 1 < text.size() && Beyond(text[i + 1])) wide = true;
          if (i + 1 < text.size() && text[i + 1] == '\n') ++line;
          ++i;
        } else if (c == (in == In::kBasic ? '"' : '\'')) {
          plain.CloseString(c);
          in = In::kPlain;
          // A quoted key (before '=', '.' or a table header's ']') is read
          // through the same lookup as the spaces around it.
          const char next = NextAfterBlanks(text, i + 1);
          if (wide && (next == '=' || next == '.' || (next == ']' && plain.InHeader()))) {
            return At(line, "a character beyond ASCII in a quoted key");
          }
        } else if (c == '\n') {
          in = In::kPlain;  // unterminated: the library reports it
          plain.DropUnterminatedString();
        } else if (Beyond(c)) {
          wide = true;
        }
        break;
      case In::kMultiBasic:
      case In::kMultiLiteral:
        if (Beyond(c)) return At(line, "a character beyond ASCII in a multi-line string");
        if (c == '\\' && in == In::kMultiBasic) {
          if (i + 1 < text.size() && text[i + 1] == '\n') ++line;
          ++i;
        } else if (Starts(text, i, in == In::kMultiBasic ? "\"\"\"" : "'''")) {
          plain.CloseString(text[i]);
          in = In::kPlain;
          i += 2;
        }
        break;
    }
  }
  return {};
}

}  // namespace vt::profiles
