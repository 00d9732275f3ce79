// The changes of one table since its last save, as the change log stores them
// (docs/table-format.md, "changes"): the row count at the save, whether the
// table was emptied, the saved rows erased, the saved rows written again with
// their values, and the rows appended, with their values. Only what changed
// is written, so the size follows the rows that changed, not the table.
#pragma once

#include <string>

#include "datastore/tables/byte_codec.h"
#include "datastore/tables/table_store.h"

namespace brenvik {

// Appends the changes of store since its last save (TableStore::MarkSaved).
void EncodeTableChanges(const TableStore& store, std::string& out);

// Applies changes read from in to store. TableError when they do not fit
// the store (another row count, a row that is not there, a value that does
// not fit its field); the store may then be partly changed.
void ApplyTableChanges(ByteReader& in, TableStore& store);

}  // namespace brenvik
