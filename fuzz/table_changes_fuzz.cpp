// The changes of a change-log record over any bytes, applied to a history
// table of a few saved rows: they are refused with TableError, or they are
// applied, and then the changes the table reports since its save, applied
// to another copy of the saved rows, give the same table.
#include <cstddef>
#include <cstdint>

#include "base/errors.h"
#include "datastore/startup/tables.h"
#include "datastore/tables/byte_codec.h"
#include "datastore/tables/table_changes.h"
#include "fuzz_support.h"

using namespace brenvik;

namespace {

TableStore SavedRows(std::size_t count) {
  TableStore store("DataSetHistory", HistorySchema());
  for (std::size_t i = 0; i < count; ++i) {
    store.AppendRow({static_cast<std::int64_t>(i + 1), std::string("ann [PC1]"),
                     std::string("Windows0"), FieldValue(), 41394.0 + static_cast<double>(i),
                     41394.5 + static_cast<double>(i), FieldValue(), FieldValue(), FieldValue(),
                     static_cast<std::int64_t>(43200), std::int32_t{60},
                     static_cast<std::int64_t>(43140), true, i % 2 == 0, false, false});
  }
  store.MarkSaved();
  return store;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t rows = data[0] % 5;
  TableStore store = SavedRows(rows);
  ByteReader in(fuzz::AsText(data + 1, size - 1), "changes");
  try {
    ApplyTableChanges(in, store);
  } catch (const TableError&) {
    return 0;
  }
  std::string changes;
  EncodeTableChanges(store, changes);
  TableStore copy = SavedRows(rows);
  ByteReader again(changes, "changes written again");
  ApplyTableChanges(again, copy);
  fuzz::Check(again.Left() == 0, "the changes written are not read whole");
  fuzz::Check(fuzz::SameRows(copy, store), "the changes written give other rows");
  return 0;
}
