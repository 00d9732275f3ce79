// What the fuzz targets share: a scratch folder for the parsers that read
// files, the cutting of one input into the several files a parser reads
// together, and a check that stops the fuzzer on a broken promise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brenvik {
class TableStore;
}

namespace brenvik::fuzz {

// The process's own folder (made on first use, removed at exit), ending
// with the path separator.
const std::string& ScratchFolder();

// Writes bytes to the file name in the scratch folder and returns its path.
std::string WriteScratchFile(const std::string& name, std::string_view bytes);

// The pieces of input between the lines "====" (at most maxParts pieces;
// the last one keeps any further separators).
std::vector<std::string_view> SplitInput(std::string_view input, std::size_t maxParts);

// Aborts with a message when a property the code promises does not hold, so
// that libFuzzer keeps the input as a crash.
void Check(bool holds, const char* what);

// The same rows with the same values (doubles compared by their bits, so
// that a NaN read from a file equals itself).
bool SameRows(const TableStore& a, const TableStore& b);

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace brenvik::fuzz
