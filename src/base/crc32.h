// CRC-32 (the polynomial of zip and Ethernet), the checksum of the table
// files and of the change-log records.
#pragma once

#include <cstdint>
#include <string_view>

namespace brenvik {

// The CRC of bytes, continued from crc (0 to begin). On x86-64 processors
// with carry-less multiplication the bulk of a long text is folded sixteen
// bytes at a time; elsewhere, and for the ends, eight tables are looked up.
std::uint32_t Crc32(std::string_view bytes, std::uint32_t crc = 0);

// The same with the tables only (what Crc32 must agree with).
std::uint32_t Crc32Tables(std::string_view bytes, std::uint32_t crc = 0);

}  // namespace brenvik
