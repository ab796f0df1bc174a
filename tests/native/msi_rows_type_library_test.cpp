#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/msi_rows/type_library_file.h"

namespace {

using msi_rows::ReadTypeLibrary;
using msi_rows::TypeLibraryFacts;

std::vector<std::uint8_t> LibraryBytes() {
  std::ifstream file(MSI_ROWS_TEST_TYPE_LIBRARY, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

TEST(MsiRowsTypeLibrary, ReadsWhatRegisteringTheLibraryWrites) {
  const std::vector<std::uint8_t> bytes = LibraryBytes();
  ASSERT_GT(bytes.size(), 0u) << MSI_ROWS_TEST_TYPE_LIBRARY;
  TypeLibraryFacts facts;
  std::string error;
  ASSERT_TRUE(ReadTypeLibrary(bytes, &facts, &error)) << error;
  EXPECT_EQ(facts.libid, "{9A4C2E17-B35D-4E80-9F61-07D2C8A4E5B3}");
  EXPECT_EQ(facts.majorVersion, 1);
  EXPECT_EQ(facts.minorVersion, 0);
  EXPECT_EQ(facts.lcid, 0x409u);
  EXPECT_EQ(facts.flags, 0u);
  EXPECT_EQ(facts.name, "VeltaraDeskZevEvovLib");
  EXPECT_EQ(facts.helpString, "DorvexZevEvov 1.0 Type Library");
  ASSERT_EQ(facts.interfaces.size(), 1u) << "the dual interface once, the coclass not";
  EXPECT_EQ(facts.interfaces[0].iid, "{7C3E9A15-2F48-4B6D-9E07-A15C4D8B3F29}");
  EXPECT_EQ(facts.interfaces[0].name, "IDorvex_ZevEvover");
}

// A damaged file must be refused, never read past its end (ASan watches):
// every truncation, and each header field that holds an offset or a count set
// to a value pointing far outside the file.
TEST(MsiRowsTypeLibrary, RefusesDamagedFilesWithoutReadingPastThem) {
  const std::vector<std::uint8_t> whole = LibraryBytes();
  ASSERT_GT(whole.size(), 0x100u);
  for (std::size_t length = 0; length < whole.size(); ++length) {
    // Bytes behind the last segment (padding) may go without harm; ASan
    // still checks that nothing reads past the shortened copy.
    const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + length);
    TypeLibraryFacts facts;
    std::string error;
    if (ReadTypeLibrary(cut, &facts, &error)) EXPECT_EQ(facts.libid, "{9A4C2E17-B35D-4E80-9F61-07D2C8A4E5B3}") << length;
  }
  const struct {
    std::size_t offset;
    const char* field;
  } fields[] = {{0x00, "magic"}, {0x08, "library GUID offset"}, {0x20, "type count"},
                {0x24, "help string offset"}, {0x38, "name offset"}, {0x54, "first type offset"},
                {0x58, "first segment offset"}, {0x5C, "first segment length"}};
  for (const auto& field : fields) {
    for (std::uint32_t value : {0x7FFFFFF0u, 0xFFFFFFF0u, static_cast<std::uint32_t>(whole.size())}) {
      std::vector<std::uint8_t> damaged = whole;
      for (int i = 0; i < 4; ++i) damaged[field.offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
      TypeLibraryFacts facts;
      std::string error;
      EXPECT_FALSE(ReadTypeLibrary(damaged, &facts, &error)) << field.field << " = 0x" << std::hex << value;
    }
  }
}

}  // namespace
