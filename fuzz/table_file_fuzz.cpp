// The table file decoder over any bytes, as the file of each of the three
// tables: it either refuses them with TableError and leaves the rows as they
// were, or reads rows that survive being written and read again.
#include <cstddef>
#include <cstdint>

#include "base/errors.h"
#include "datastore/startup/tables.h"
#include "datastore/tables/table_file.h"
#include "fuzz_support.h"

using namespace brenvik;

namespace {

void DecodeAs(std::string_view bytes, const char* name, std::vector<FieldDef> schema) {
  TableStore store(name, schema);
  store.AppendRow({});
  std::uint64_t seq = 0;
  try {
    seq = DecodeTable(bytes, store);
  } catch (const TableError&) {
    fuzz::Check(store.RowCount() == 1, "a refused file changed the rows");
    return;
  }
  const std::string again = EncodeTable(store, seq);
  TableStore copy(name, std::move(schema));
  fuzz::Check(DecodeTable(again, copy) == seq, "the commit number does not survive");
  fuzz::Check(fuzz::SameRows(copy, store), "rows read do not survive being written again");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz::AsText(data, size);
  DecodeAs(bytes, "DataSetTransactions", TransactionsSchema());
  DecodeAs(bytes, "DataSetHistory", HistorySchema());
  DecodeAs(bytes, "DataSetLogins", LoginsSchema());
  return 0;
}
