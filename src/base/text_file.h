// Whole-text files and the trim and join rules of the activity-log hand-over.
//
// Texts are read as UTF-8 without removing a byte-order mark: a mark at the
// start of a file stays in the text as the three bytes of U+FEFF, and after a
// join it can stand at the start of a line (the line reader drops it). Texts
// are written as UTF-8 preceded by the byte-order mark, replacing the file
// atomically.
#pragma once

#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace brenvik {

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The whole file as UTF-8 text; FileError when it cannot be read.
std::string ReadTextFile(const std::string& path);

// Writes the byte-order mark and text, replacing the file atomically.
void WriteTextFileWithBom(FileSystem& files, const std::string& path, std::string_view text);

// Removes spaces and control characters (code 32 and below) at both ends / at
// the start only.
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

// trim-left(a + CR LF + b): an empty a adds nothing in front of b.
std::string JoinLines(std::string_view a, std::string_view b);

}  // namespace brenvik
