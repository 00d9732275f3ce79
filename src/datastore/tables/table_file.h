// The encoding of a table file (docs/table-format.md): a header with a magic
// text, the format version, the number of the last change-log commit it
// includes, the table name and its schema, then the rows
// column by column, then a CRC-32 of everything before it. Reading checks all
// of it and every length against the bytes that are really there, so a
// truncated, damaged or foreign file raises TableError and never crashes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/crc32.h"
#include "datastore/tables/table_store.h"

namespace brenvik {

inline constexpr std::string_view kTableFileMagic{"BRVKTAB\x1A", 8};
inline constexpr std::uint32_t kTableFormatVersion = 2;
// Files of the first version have no commit number; they are still read.
inline constexpr std::uint32_t kFirstTableFormatVersion = 1;

// seq: the number of the last change-log commit the rows include (0 for a
// table without a change log).
std::string EncodeTable(const TableStore& store, std::uint64_t seq = 0);

// Replaces the rows of store with those of the file bytes and returns the
// file's commit number. TableError (and store unchanged) when the bytes fail
// any check: magic, version, checksum, the table's name and schema, or a
// length. With keepAlive (whatever owns bytes), the columns read the bytes
// in place and the store holds keepAlive as long as they may; without it,
// they take a copy.
std::uint64_t DecodeTable(std::string_view bytes, TableStore& store,
                          std::shared_ptr<const void> keepAlive = nullptr);

}  // namespace brenvik
