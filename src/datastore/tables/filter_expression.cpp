#include "datastore/tables/filter_expression.h"

#include <charconv>
#include <cstdlib>

#include "base/errors.h"
#include "base/utf8.h"
#include "records/time_arithmetic.h"

namespace brenvik {
namespace {

struct Token {
  enum class Kind { End, Name, Number, Text, Op, Open, Close } kind = Kind::End;
  std::string text;     // name, number digits, unquoted text, or operator
  std::size_t pos = 1;  // 1-based position in the expression
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || IsDigit(c); }

[[noreturn]] void Fail(std::size_t pos, const std::string& what) {
  throw TableError("Filter expression error at position " + std::to_string(pos) + ": " + what);
}

class Lexer {
 public:
  explicit Lexer(std::string_view text) : s_(text) {}

  Token Next() {
    while (i_ < s_.size() && IsSpace(s_[i_])) ++i_;
    Token t;
    t.pos = i_ + 1;
    if (i_ >= s_.size()) return t;
    const char c = s_[i_];
    if (IsNameStart(c)) return Take(t, Token::Kind::Name, [](char ch) { return IsNameChar(ch); });
    if (IsDigit(c) || ((c == '-' || c == '+') && i_ + 1 < s_.size() && IsDigit(s_[i_ + 1]))) {
      ++i_;
      t.kind = Token::Kind::Number;
      while (i_ < s_.size() && (IsDigit(s_[i_]) || s_[i_] == '.')) ++i_;
      t.text = std::string(s_.substr(t.pos - 1, i_ - (t.pos - 1)));
      return t;
    }
    if (c == '\'') return QuotedText(t);
    if (c == '(' || c == ')') {
      ++i_;
      t.kind = c == '(' ? Token::Kind::Open : Token::Kind::Close;
      return t;
    }
    if (c == '=' || c == '<' || c == '>') {
      t.kind = Token::Kind::Op;
      t.text = std::string(1, c);
      ++i_;
      if (i_ < s_.size() && c != '=' && (s_[i_] == '=' || (c == '<' && s_[i_] == '>'))) {
        t.text += s_[i_++];
      }
      return t;
    }
    Fail(t.pos, std::string("unexpected character '") + c + "'");
  }

 private:
  template <typename Pred>
  Token Take(Token& t, Token::Kind kind, Pred pred) {
    const std::size_t start = i_;
    while (i_ < s_.size() && pred(s_[i_])) ++i_;
    t.kind = kind;
    t.text = std::string(s_.substr(start, i_ - start));
    return t;
  }

  Token QuotedText(Token& t) {
    t.kind = Token::Kind::Text;
    ++i_;
    while (true) {
      if (i_ >= s_.size()) Fail(t.pos, "text literal without closing quote");
      if (s_[i_] == '\'') {
        if (i_ + 1 < s_.size() && s_[i_ + 1] == '\'') {
          t.text += '\'';
          i_ += 2;
          continue;
        }
        ++i_;
        return t;
      }
      t.text += s_[i_++];
    }
  }

  std::string_view s_;
  std::size_t i_ = 0;
};

}  // namespace

class FilterParser {
 public:
  FilterParser(std::string_view text, const TableStore& schema) : lexer_(text), schema_(schema) {
    Advance();
  }

  // Once per parser: the expression is built in the parser and handed out.
  FilterExpression Run() {
    if (token_.kind == Token::Kind::End) return std::move(result_);
    result_.root_ = ParseOr();
    if (token_.kind != Token::Kind::End) Fail(token_.pos, "unexpected '" + Shown(token_) + "'");
    return std::move(result_);
  }

 private:
  using Node = FilterExpression::Node;
  using Op = FilterExpression::Op;

  void Advance() { token_ = lexer_.Next(); }
  bool IsKeyword(std::string_view word) const {
    return token_.kind == Token::Kind::Name && EqualsIgnoreCase(token_.text, word);
  }
  static std::string Shown(const Token& t) {
    switch (t.kind) {
      case Token::Kind::End:
        return "end of text";
      case Token::Kind::Open:
        return "(";
      case Token::Kind::Close:
        return ")";
      case Token::Kind::Text:
        return "'" + t.text + "'";
      default:
        return t.text;
    }
  }
  int Add(Node node) {
    result_.nodes_.push_back(std::move(node));
    return static_cast<int>(result_.nodes_.size() - 1);
  }
  int Binary(Node::Kind kind, int left, int right) {
    Node n;
    n.kind = kind;
    n.left = left;
    n.right = right;
    return Add(std::move(n));
  }

  int ParseOr() {
    int left = ParseAnd();
    while (IsKeyword("or")) {
      Advance();
      left = Binary(Node::Kind::Or, left, ParseAnd());
    }
    return left;
  }

  int ParseAnd() {
    int left = ParseUnary();
    while (IsKeyword("and")) {
      Advance();
      left = Binary(Node::Kind::And, left, ParseUnary());
    }
    return left;
  }

  int ParseUnary() {
    if (IsKeyword("not")) {
      Advance();
      return Binary(Node::Kind::Not, ParseUnary(), -1);
    }
    if (token_.kind == Token::Kind::Open) {
      Advance();
      const int inner = ParseOr();
      if (token_.kind != Token::Kind::Close)
        Fail(token_.pos, "')' expected, found " + Shown(token_));
      Advance();
      return inner;
    }
    return ParseComparison();
  }

  static bool IsLiteral(const Token& t) {
    return t.kind == Token::Kind::Number || t.kind == Token::Kind::Text ||
           (t.kind == Token::Kind::Name &&
            (EqualsIgnoreCase(t.text, "true") || EqualsIgnoreCase(t.text, "false")));
  }

  static Op ReadOp(const Token& t) {
    if (t.kind != Token::Kind::Op) Fail(t.pos, "comparison operator expected, found " + Shown(t));
    if (t.text == "=") return Op::Eq;
    if (t.text == "<>") return Op::Ne;
    if (t.text == "<") return Op::Lt;
    if (t.text == ">") return Op::Gt;
    if (t.text == "<=") return Op::Le;
    return Op::Ge;
  }

  static Op Mirror(Op op) {
    switch (op) {
      case Op::Lt:
        return Op::Gt;
      case Op::Gt:
        return Op::Lt;
      case Op::Le:
        return Op::Ge;
      case Op::Ge:
        return Op::Le;
      default:
        return op;
    }
  }

  int ParseComparison() {
    const Token first = token_;
    Advance();
    const Op op = ReadOp(token_);
    Advance();
    const Token second = token_;
    Advance();
    Node n;
    if (first.kind == Token::Kind::Name && !IsLiteral(first) && IsLiteral(second)) {
      n.field = ResolveField(first);
      n.op = op;
      n.literal = Literal(second, n.field);
    } else if (IsLiteral(first) && second.kind == Token::Kind::Name && !IsLiteral(second)) {
      n.field = ResolveField(second);
      n.op = Mirror(op);
      n.literal = Literal(first, n.field);
    } else if (first.kind == Token::Kind::Name && !IsLiteral(first)) {
      Fail(second.pos, "a value expected, found " + Shown(second));
    } else {
      Fail(first.pos, "a comparison of a field with a value expected");
    }
    return Add(std::move(n));
  }

  FieldId ResolveField(const Token& t) const {
    const auto id = schema_.FindField(t.text);
    if (!id) Fail(t.pos, "unknown field " + t.text);
    if (schema_.Def(*id).type == FieldType::Calculated) {
      Fail(t.pos, "calculated field " + t.text + " cannot be filtered");
    }
    return *id;
  }

  FieldValue Literal(const Token& t, FieldId field) const {
    const FieldDef& def = schema_.Def(field);
    const auto wrong = [&]() -> FieldValue {
      Fail(t.pos,
           Shown(t) + " is not a value for " + def.name + " (" + FieldTypeName(def.type) + ")");
    };
    switch (def.type) {
      case FieldType::Boolean:
        if (t.kind != Token::Kind::Name) return wrong();
        return FieldValue(EqualsIgnoreCase(t.text, "true"));
      case FieldType::Text:
        return t.kind == Token::Kind::Text ? FieldValue(t.text) : wrong();
      case FieldType::Integer:
      case FieldType::Largeint: {
        if (t.kind != Token::Kind::Number) return wrong();
        std::int64_t v = 0;
        const char* begin = t.text.data() + (t.text[0] == '+' ? 1 : 0);
        const char* end = t.text.data() + t.text.size();
        const auto [ptr, ec] = std::from_chars(begin, end, v);
        if (ec != std::errc() || ptr != end) return wrong();
        return FieldValue(v);
      }
      case FieldType::DateTime:
        if (t.kind == Token::Kind::Text) {
          try {
            return FieldValue(StringToDateTime(t.text));
          } catch (const ConversionError&) {
            return wrong();
          }
        }
        if (t.kind == Token::Kind::Number) {
          char* end = nullptr;
          const double v = std::strtod(t.text.c_str(), &end);
          if (end != t.text.c_str() + t.text.size()) return wrong();
          return FieldValue(v);
        }
        return wrong();
      case FieldType::Calculated:
        break;
    }
    return wrong();
  }

  Lexer lexer_;
  const TableStore& schema_;
  Token token_;
  FilterExpression result_;
};

FilterExpression FilterExpression::Parse(std::string_view text, const TableStore& schema) {
  return FilterParser(text, schema).Run();
}

bool FilterExpression::Matches(const TableStore& store, std::size_t row) const {
  return root_ < 0 || Eval(store, row, root_);
}

bool FilterExpression::Eval(const TableStore& store, std::size_t row, int index) const {
  const Node& n = nodes_[static_cast<std::size_t>(index)];
  switch (n.kind) {
    case Node::Kind::Or:
      return Eval(store, row, n.left) || Eval(store, row, n.right);
    case Node::Kind::And:
      return Eval(store, row, n.left) && Eval(store, row, n.right);
    case Node::Kind::Not:
      return !Eval(store, row, n.left);
    case Node::Kind::Compare:
      return Compare(store, row, n);
  }
  return false;
}

namespace {

template <typename T>
int Three(const T& a, const T& b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

bool Apply(FilterExpression::Op op, int c) {
  using Op = FilterExpression::Op;
  switch (op) {
    case Op::Eq:
      return c == 0;
    case Op::Ne:
      return c != 0;
    case Op::Lt:
      return c < 0;
    case Op::Gt:
      return c > 0;
    case Op::Le:
      return c <= 0;
    case Op::Ge:
      return c >= 0;
  }
  return false;
}

}  // namespace

bool FilterExpression::Compare(const TableStore& store, std::size_t row, const Node& n) const {
  if (store.IsNull(row, n.field)) return false;
  switch (store.Def(n.field).type) {
    case FieldType::DateTime:
      return Apply(n.op, CompareMoments(store.DateTimeAt(row, n.field), n.literal.number()));
    case FieldType::Integer:
    case FieldType::Largeint:
      return Apply(n.op, Three(store.LargeintAt(row, n.field), n.literal.integer()));
    case FieldType::Boolean:
      return Apply(n.op, Three(store.BooleanAt(row, n.field), n.literal.boolean()));
    case FieldType::Text: {
      const int c = store.TextAt(row, n.field).compare(n.literal.text());
      return Apply(n.op, c < 0 ? -1 : (c > 0 ? 1 : 0));
    }
    case FieldType::Calculated:
      break;
  }
  return false;
}

}  // namespace brenvik
