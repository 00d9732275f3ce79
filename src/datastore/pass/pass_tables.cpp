#include "datastore/pass/pass_tables.h"

#include "base/file_io.h"

namespace brenvik {

void OpenForPass(Table& table) {
  if (!table.IsOpen()) {
    if (!table.FileName().empty() && (FileExists(table.FileName()) || table.Group())) {
      table.OpenFromFile();
    } else {
      table.CreateEmpty();
    }
  }
  table.SetFiltered(false);
  table.SetIndexName("");
}

void DeleteRows(Table& table, const std::vector<std::size_t>& ascendingRows) {
  table.DeleteRows(ascendingRows);
}

void MarkRowsComplete(Table& table, FieldId incompleteField, std::size_t from) {
  if (table.RecordCount() == 0) return;
  const std::size_t last = table.RecordCount();
  for (std::size_t recNo = from < 1 ? 1 : from; recNo <= last; ++recNo) {
    table.MoveToRecNo(recNo);
    table.Edit();
    table.Set(incompleteField, false);
    table.Post();
  }
}

namespace {
std::uint64_t TextCellKey(const TableStore& rows, std::size_t row, FieldId field) {
  const Column& c = rows.ColumnAt(field);
  return c.nulls[row] ? 0xFFFFFFFFu : c.texts[row];
}
}  // namespace

std::uint64_t TextPairKey(const TableStore& rows, std::size_t row, FieldId first, FieldId second) {
  return TextCellKey(rows, row, first) << 32 | TextCellKey(rows, row, second);
}

}  // namespace brenvik
