// Table chores of the processing pass: opening a table for the pass (no
// filter, no index, so that its cursor walks the rows in append order),
// deleting a set of rows, and marking rows complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "datastore/tables/table.h"

namespace brenvik {

// Opens the table when it is closed (from its file when that exists, else
// empty) and switches its filter and index off.
void OpenForPass(Table& table);

// Deletes the rows given by their 0-based positions in append order, which
// must be ascending, in one sweep.
void DeleteRows(Table& table, const std::vector<std::size_t>& ascendingRows);

// Sets the Boolean field to false in every row from the 1-based row number
// from to the last row, posting each.
void MarkRowsComplete(Table& table, FieldId incompleteField, std::size_t from);

// The texts of two Text fields of a row as one number: rows with the same
// number hold the same two texts (null counts as a text of its own), so a scan
// can skip what it has seen. Rows with different numbers may still hold equal
// texts.
std::uint64_t TextPairKey(const TableStore& rows, std::size_t row, FieldId first, FieldId second);

}  // namespace brenvik
