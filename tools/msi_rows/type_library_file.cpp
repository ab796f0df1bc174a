#include "tools/msi_rows/type_library_file.h"

#include <cstdio>

namespace msi_rows {

namespace {

constexpr std::uint32_t kMagic = 0x5446534D;  // "MSFT"
constexpr std::size_t kHeaderSize = 0x54;
// A help-string DLL adds one field behind the header.
constexpr std::uint32_t kHelpDllFlag = 0x100;
constexpr std::size_t kSegmentCount = 15;
constexpr std::size_t kSegmentEntrySize = 16;
constexpr std::size_t kGuidSegment = 5;
constexpr std::size_t kNameSegment = 7;
constexpr std::size_t kStringSegment = 8;
constexpr std::size_t kTypeInfoSegment = 0;
constexpr std::size_t kTypeInfoSize = 0x64;
constexpr std::size_t kGuidSize = 16;
// A name entry: reference, hash link, length byte, then the characters.
constexpr std::size_t kNameHeaderSize = 12;

constexpr std::uint32_t kKindInterface = 3;
constexpr std::uint32_t kKindDispatch = 4;
constexpr std::uint32_t kKindMask = 0xF;
constexpr std::uint32_t kFlagDual = 0x40;
constexpr std::uint32_t kFlagOleAutomation = 0x100;

class Reader {
 public:
  Reader(const std::vector<std::uint8_t>& bytes, std::string* error) : bytes_(bytes), error_(error) {}

  bool U32(std::size_t offset, std::uint32_t* value) {
    if (offset > bytes_.size() || bytes_.size() - offset < 4) return Fail("field past the end", offset);
    *value = bytes_[offset] | bytes_[offset + 1] << 8 | bytes_[offset + 2] << 16 |
             static_cast<std::uint32_t>(bytes_[offset + 3]) << 24;
    return true;
  }
  bool U16(std::size_t offset, std::uint16_t* value) {
    if (offset > bytes_.size() || bytes_.size() - offset < 2) return Fail("field past the end", offset);
    *value = static_cast<std::uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
    return true;
  }
  bool Text(std::size_t offset, std::size_t length, std::string* text) {
    if (offset > bytes_.size() || bytes_.size() - offset < length) return Fail("text past the end", offset);
    text->assign(bytes_.begin() + offset, bytes_.begin() + offset + length);
    return true;
  }
  bool Guid(std::size_t offset, std::string* text) {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0, data3 = 0;
    if (!U32(offset, &data1) || !U16(offset + 4, &data2) || !U16(offset + 6, &data3)) return false;
    if (bytes_.size() - offset < kGuidSize) return Fail("GUID past the end", offset);
    char buffer[40];
    const std::uint8_t* d4 = bytes_.data() + offset + 8;
    const int written = std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                                      data1, data2, data3, d4[0], d4[1], d4[2], d4[3], d4[4], d4[5], d4[6], d4[7]);
    if (written < 0 || static_cast<std::size_t>(written) >= sizeof buffer) return Fail("GUID text", offset);
    text->assign(buffer);
    return true;
  }
  bool Fail(const char* what, std::size_t offset) {
    char buffer[80];
    std::snprintf(buffer, sizeof buffer, "%s at offset 0x%zx", what, offset);
    error_->assign(buffer);
    return false;
  }

 private:
  const std::vector<std::uint8_t>& bytes_;
  std::string* error_;
};

struct Segments {
  std::uint32_t offset[kSegmentCount];
  std::uint32_t length[kSegmentCount];
};

bool InSegment(const Segments& segments, std::size_t segment, std::uint32_t position, std::size_t size) {
  return position < segments.length[segment] && segments.length[segment] - position >= size;
}

bool ReadName(Reader& reader, const Segments& segments, std::uint32_t position, std::string* name) {
  std::uint32_t length = 0;
  if (!InSegment(segments, kNameSegment, position, kNameHeaderSize)) return reader.Fail("name offset", position);
  const std::size_t entry = segments.offset[kNameSegment] + position;
  if (!reader.U32(entry + 8, &length)) return false;
  length &= 0xFF;
  if (!InSegment(segments, kNameSegment, position, kNameHeaderSize + length)) return reader.Fail("name", position);
  return reader.Text(entry + kNameHeaderSize, length, name);
}

// A string-table entry: a 16-bit length, then the characters.
bool ReadString(Reader& reader, const Segments& segments, std::uint32_t position, std::string* text) {
  std::uint16_t length = 0;
  if (!InSegment(segments, kStringSegment, position, 2)) return reader.Fail("string offset", position);
  const std::size_t entry = segments.offset[kStringSegment] + position;
  if (!reader.U16(entry, &length)) return false;
  if (!InSegment(segments, kStringSegment, position, 2u + length)) return reader.Fail("string", position);
  return reader.Text(entry + 2, length, text);
}

bool ReadGuid(Reader& reader, const Segments& segments, std::uint32_t position, std::string* text) {
  if (!InSegment(segments, kGuidSegment, position, kGuidSize)) return reader.Fail("GUID offset", position);
  return reader.Guid(segments.offset[kGuidSegment] + position, text);
}

}  // namespace

bool ReadTypeLibrary(const std::vector<std::uint8_t>& bytes, TypeLibraryFacts* facts, std::string* error) {
  Reader reader(bytes, error);
  std::uint32_t magic = 0, libGuid = 0, varFlags = 0, version = 0, typeInfoCount = 0, helpString = 0,
                nameOffset = 0;
  if (!reader.U32(0, &magic)) return false;
  if (magic != kMagic) return reader.Fail("not an MSFT type library", 0);
  if (!reader.U32(0x08, &libGuid) || !reader.U32(0x0C, &facts->lcid) || !reader.U32(0x14, &varFlags) ||
      !reader.U32(0x18, &version) || !reader.U32(0x1C, &facts->flags) || !reader.U32(0x20, &typeInfoCount) ||
      !reader.U32(0x24, &helpString) || !reader.U32(0x38, &nameOffset)) {
    return false;
  }
  facts->majorVersion = static_cast<std::uint16_t>(version & 0xFFFF);
  facts->minorVersion = static_cast<std::uint16_t>(version >> 16);

  std::size_t position = kHeaderSize + ((varFlags & kHelpDllFlag) ? 4 : 0);
  const std::size_t typeInfoOffsets = position;
  if (typeInfoCount > bytes.size() / 4) return reader.Fail("type count", 0x20);
  position += 4u * typeInfoCount;
  Segments segments{};
  for (std::size_t i = 0; i < kSegmentCount; ++i) {
    if (!reader.U32(position + i * kSegmentEntrySize, &segments.offset[i]) ||
        !reader.U32(position + i * kSegmentEntrySize + 4, &segments.length[i])) {
      return false;
    }
    const bool present = segments.offset[i] != 0xFFFFFFFFu;
    if (!present) segments.length[i] = 0;
    if (present && (segments.offset[i] > bytes.size() || bytes.size() - segments.offset[i] < segments.length[i])) {
      return reader.Fail("segment past the end", position + i * kSegmentEntrySize);
    }
  }

  if (!ReadGuid(reader, segments, libGuid, &facts->libid)) return false;
  if (!ReadName(reader, segments, nameOffset, &facts->name)) return false;
  if (helpString != 0xFFFFFFFFu && !ReadString(reader, segments, helpString, &facts->helpString)) return false;

  for (std::uint32_t i = 0; i < typeInfoCount; ++i) {
    std::uint32_t infoOffset = 0, kind = 0, guid = 0, flags = 0, name = 0;
    if (!reader.U32(typeInfoOffsets + 4u * i, &infoOffset)) return false;
    if (!InSegment(segments, kTypeInfoSegment, infoOffset, kTypeInfoSize)) return reader.Fail("type offset", infoOffset);
    const std::size_t info = segments.offset[kTypeInfoSegment] + infoOffset;
    if (!reader.U32(info, &kind) || !reader.U32(info + 0x2C, &guid) || !reader.U32(info + 0x30, &flags) ||
        !reader.U32(info + 0x34, &name)) {
      return false;
    }
    kind &= kKindMask;
    const bool described = kind == kKindDispatch ||
                           (kind == kKindInterface && (flags & (kFlagDual | kFlagOleAutomation)) != 0);
    if (!described) continue;
    TypeLibraryInterface entry;
    if (!ReadGuid(reader, segments, guid, &entry.iid) || !ReadName(reader, segments, name, &entry.name)) return false;
    facts->interfaces.push_back(std::move(entry));
  }
  return true;
}

}  // namespace msi_rows
