#include "base/crc32.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace brenvik {
namespace {

TEST(Crc32Test, TheCheckValueOfThePolynomial) {
  EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
  EXPECT_EQ(Crc32Tables("123456789"), 0xCBF43926u);
  EXPECT_EQ(Crc32(""), 0u);
}

// The folded bulk and the tables agree on every length around the fold's
// steps (64 bytes, then 16), at every alignment, and when a CRC is continued
// over a text cut anywhere.
TEST(Crc32Test, FoldingAgreesWithTheTablesAtEveryLengthAndAlignment) {
  std::mt19937 random(20261209);
  std::string bytes(6000, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  for (std::size_t offset = 0; offset < 16; ++offset) {
    for (std::size_t length = 0; length <= 300; ++length) {
      const std::string_view text(bytes.data() + offset, length);
      ASSERT_EQ(Crc32(text), Crc32Tables(text)) << "offset " << offset << " length " << length;
    }
  }
  const std::string_view whole(bytes);
  EXPECT_EQ(Crc32(whole), Crc32Tables(whole));
  for (int i = 0; i < 200; ++i) {
    const std::size_t cut = random() % whole.size();
    const std::uint32_t start = static_cast<std::uint32_t>(random());
    EXPECT_EQ(Crc32(whole.substr(cut), Crc32(whole.substr(0, cut), start)),
              Crc32Tables(whole, start));
  }
  // Runs of zeros and of ones, where a wrong constant shows at once.
  EXPECT_EQ(Crc32(std::string(4096, '\0')), Crc32Tables(std::string(4096, '\0')));
  EXPECT_EQ(Crc32(std::string(4096, '\xFF')), Crc32Tables(std::string(4096, '\xFF')));
}

}  // namespace
}  // namespace brenvik
