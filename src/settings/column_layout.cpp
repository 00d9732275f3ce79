#include "settings/column_layout.h"

#include <charconv>

#include "base/errors.h"
#include "base/file_io.h"
#include "records/text_helpers.h"

namespace brenvik {
namespace {

constexpr std::string_view kHeader = "BrenvikColumnLayout 1";

// One line per column: field TAB width TAB shown TAB title TAB (the closing
// tab keeps an empty title). Tab, CR, LF and "%" would break the line structure: written as %XX.
std::string Escape(std::string_view text) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (c == '%' || c == '\t' || c == '\r' || c == '\n') {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Unescape(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    const int hi = i + 2 < text.size() ? HexDigit(text[i + 1]) : -1;
    const int lo = hi >= 0 ? HexDigit(text[i + 2]) : -1;
    if (lo < 0) throw ConversionError("Bad escape in column layout");
    out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return out;
}

int ParseWidth(const std::string& text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < kDefaultColumnWidth ||
      value > 100000) {
    throw ConversionError("Bad column width '" + text + "'");
  }
  return value;
}

GridColumn ParseColumn(const std::string& line) {
  const std::vector<std::string> parts = SplitByChar(line, '\t');
  if (parts.size() != 4 || parts[0].empty() || (parts[2] != "0" && parts[2] != "1")) {
    throw ConversionError("Bad column line in layout");
  }
  return GridColumn{Unescape(parts[0]), Unescape(parts[3]), ParseWidth(parts[1]), parts[2] == "1"};
}

}  // namespace

std::string EncodeColumnLayout(const ColumnLayout& layout) {
  std::string text(kHeader);
  text += "\n";
  for (const GridColumn& column : layout) {
    text += Escape(column.field) + "\t" + std::to_string(column.width) + "\t" +
            (column.visible ? "1" : "0") + "\t" + Escape(column.title) + "\t\n";
  }
  return text;
}

ColumnLayout DecodeColumnLayout(const std::string& text) {
  const std::vector<std::string> lines = SplitByChar(text, '\n');
  if (lines.empty() || lines[0] != kHeader) throw ConversionError("Not a column layout");
  ColumnLayout layout;
  for (std::size_t i = 1; i < lines.size(); ++i) layout.push_back(ParseColumn(lines[i]));
  if (layout.empty()) throw ConversionError("Column layout without columns");
  return layout;
}

ColumnLayout LoadColumnsSettings(FileSystem& files, const std::string& path) {
  if (!FileExists(path)) return DefaultHistoryColumns();
  ColumnLayout layout;
  try {
    layout = DecodeColumnLayout(ReadFileBytes(path));
  } catch (const Error&) {
    files.RemoveFile(path);
    return DefaultHistoryColumns();
  }
  if (layout.front().title != kFirstColumnTitle) return DefaultHistoryColumns();
  return layout;
}

void SaveColumnsSettings(FileSystem& files, const std::string& path, const ColumnLayout& layout) {
  WriteFileAtomic(files, path, EncodeColumnLayout(layout));
}

}  // namespace brenvik
