// Filter expressions over any text, against the history table: parsing
// gives a predicate or TableError, and a predicate can be evaluated on rows
// of every kind of value, nulls included.
#include <cstddef>
#include <cstdint>

#include "base/errors.h"
#include "datastore/startup/tables.h"
#include "datastore/tables/filter_expression.h"
#include "fuzz_support.h"

using namespace brenvik;

namespace {

const TableStore& Rows() {
  static const TableStore store = [] {
    TableStore s("DataSetHistory", HistorySchema());
    s.AppendRow({});
    s.AppendRow({std::int64_t{3}, std::string("ann [PC1]"), std::string("Windows0"), FieldValue(),
                 41394.25, 41394.75, FieldValue(), FieldValue(), FieldValue(), std::int64_t{43200},
                 std::int32_t{600}, std::int64_t{42600}, true, true, false, false});
    s.AppendRow({std::int64_t{-1}, std::string("it's"), std::string("C:\\x.exe"), FieldValue(),
                 -1.0e300, 1.0e300, FieldValue(), FieldValue(), FieldValue(), INT64_MIN, INT32_MAX,
                 INT64_MAX, false, false, true, true});
    return s;
  }();
  return store;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FilterExpression expression;
  try {
    expression = FilterExpression::Parse(fuzz::AsText(data, size), Rows());
  } catch (const TableError&) {
    return 0;
  }
  for (std::size_t row = 0; row < Rows().RowCount(); ++row) {
    const bool matches = expression.Matches(Rows(), row);
    fuzz::Check(!expression.Empty() || matches, "the empty predicate refuses a row");
  }
  return 0;
}
