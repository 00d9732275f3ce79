// Row predicates given as expression texts, as the reports write them:
//
//   expr       := and-expr { "or" and-expr }
//   and-expr   := unary { "and" unary }
//   unary      := "not" unary | "(" expr ")" | comparison
//   comparison := field op literal | literal op field
//   op         := "=" | "<>" | "<" | ">" | "<=" | ">="
//   literal    := "true" | "false" | number | 'text'      ('' inside is one ')
//
// Keywords and field names are compared without regard to case; spaces, tabs
// and line breaks may stand anywhere between tokens. A text literal compared
// with a DateTime field is read as a date-time ('2013-05-01 08:00:00'), and
// DateTime comparisons allow one millisecond. Text comparison is exact and
// case-sensitive (byte order). A null field value makes its comparison false.
// An empty text is the predicate that every row passes. A malformed text, an
// unknown field or a literal of the wrong kind raises TableError naming the
// 1-based position in the text; an expression never matches silently.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datastore/tables/table_store.h"

namespace brenvik {

class FilterExpression {
 public:
  FilterExpression() = default;  // the empty predicate
  static FilterExpression Parse(std::string_view text, const TableStore& schema);

  bool Empty() const { return nodes_.empty(); }
  bool Matches(const TableStore& store, std::size_t row) const;

  enum class Op : std::uint8_t { Eq, Ne, Lt, Gt, Le, Ge };
  struct Node {
    enum class Kind : std::uint8_t { Or, And, Not, Compare } kind = Kind::Compare;
    int left = -1;  // child nodes
    int right = -1;
    FieldId field;  // Compare
    Op op = Op::Eq;
    FieldValue literal;
  };

 private:
  friend class FilterParser;
  bool Eval(const TableStore& store, std::size_t row, int node) const;
  bool Compare(const TableStore& store, std::size_t row, const Node& node) const;

  std::vector<Node> nodes_;
  int root_ = -1;
};

}  // namespace brenvik
