// In a host that holds another GCC runtime, the 32-bit DLL still finds its unwind frames, and leaks no handle.
//
// The 32-bit file unwinds C++ exceptions through the DWARF tables in its
// .eh_frame section: its statically linked unwinder asks _Unwind_Find_FDE for
// the frame of every return address. These three functions replace the static
// runtime's registry at link time, so its object is not linked at all: that
// registry creates a semaphore on the first registration and never closes it,
// one kernel handle lost on every load and unload.
//
// The table does not come from the registration. The C runtime's start-up
// hands the section to libgcc_s_dw2-1.dll's registry instead of this one
// whenever that DLL is already in the process (any mingw-built plug-in brings
// it), and the unwinder here would then find no frame and end the process. So
// the table is this module's own section, found through its own section
// headers (wherever the loader put the module), built at load under the loader
// lock before any other constructor runs, and only read after that: a lookup
// needs no lock. It lives in static storage, so nothing is allocated under the
// loader lock and nothing is freed at an unload or at process exit, where the
// C runtime's exit list hands the registration back and this file calls no
// other DLL. The 64-bit file unwinds through SEH, registers nothing, and does
// not link this.
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

// The module's own headers, placed by the linker.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

using Address = std::uintptr_t;
using Byte = unsigned char;

// Pointer encodings of exception frame data: the low four bits give the
// format, the next three what the value is relative to.
constexpr Byte kAbsolute = 0x00;
constexpr Byte kUleb128 = 0x01;
constexpr Byte kUdata2 = 0x02;
constexpr Byte kUdata4 = 0x03;
constexpr Byte kUdata8 = 0x04;
constexpr Byte kSleb128 = 0x09;
constexpr Byte kSdata2 = 0x0a;
constexpr Byte kSdata4 = 0x0b;
constexpr Byte kSdata8 = 0x0c;
constexpr Byte kPcRelative = 0x10;
constexpr Byte kTextRelative = 0x20;
constexpr Byte kDataRelative = 0x30;
constexpr Byte kAligned = 0x50;
constexpr Byte kOmit = 0xff;

template <typename T>
T Load(const Byte* p) {
  T value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

// LEB128: seven bits a byte, the lowest first, while the top bit is set; a
// signed value extends the sign bit of its last byte.
const Byte* ReadLeb128(const Byte* p, bool isSigned, Address& out) {
  Address value = 0;
  unsigned shift = 0;
  Byte byte;
  do {
    byte = *p++;
    if (shift < sizeof(Address) * 8) value |= static_cast<Address>(byte & 0x7f) << shift;
    shift += 7;
  } while (byte & 0x80);
  if (isSigned && shift < sizeof(Address) * 8 && (byte & 0x40)) value |= ~static_cast<Address>(0) << shift;
  out = value;
  return p;
}

const Byte* ReadUleb128(const Byte* p, Address& out) { return ReadLeb128(p, false, out); }
const Byte* ReadSleb128(const Byte* p, Address& out) { return ReadLeb128(p, true, out); }

// The raw value in the format of the encoding, nothing added; nullptr for a
// format this reader does not know.
const Byte* ReadRaw(Byte encoding, const Byte* p, Address& out) {
  if (encoding == kAligned) {
    const Address at = (reinterpret_cast<Address>(p) + sizeof(Address) - 1) & ~(sizeof(Address) - 1);
    out = Load<Address>(reinterpret_cast<const Byte*>(at));
    return reinterpret_cast<const Byte*>(at + sizeof(Address));
  }
  switch (encoding & 0x0f) {
    case kAbsolute: out = Load<Address>(p); return p + sizeof(Address);
    case kUleb128: return ReadUleb128(p, out);
    case kSleb128: return ReadSleb128(p, out);
    case kUdata2: out = Load<std::uint16_t>(p); return p + 2;
    case kSdata2: out = static_cast<Address>(Load<std::int16_t>(p)); return p + 2;
    case kUdata4: out = Load<std::uint32_t>(p); return p + 4;
    case kSdata4: out = static_cast<Address>(Load<std::int32_t>(p)); return p + 4;
    case kUdata8: out = static_cast<Address>(Load<std::uint64_t>(p)); return p + 8;
    case kSdata8: out = static_cast<Address>(Load<std::int64_t>(p)); return p + 8;
    default: return nullptr;
  }
}

// The encoding of the start addresses in the frames that share this CIE;
// kOmit for one this reader cannot follow.
Byte FrameAddressEncoding(const Byte* cie) {
  const Byte* p = cie + 8;
  const Byte version = *p++;
  const char* augmentation = reinterpret_cast<const char*>(p);
  p += std::strlen(augmentation) + 1;
  if (version >= 4) {
    if (p[0] != sizeof(Address) || p[1] != 0) return kOmit;
    p += 2;
  }
  if (augmentation[0] != 'z') return kAbsolute;
  Address ignored;
  p = ReadUleb128(p, ignored);
  p = ReadSleb128(p, ignored);
  if (version == 1) {
    ++p;
  } else {
    p = ReadUleb128(p, ignored);
  }
  p = ReadUleb128(p, ignored);
  for (const char* letter = augmentation + 1;; ++letter) {
    switch (*letter) {
      case 'R': return *p;
      case 'P': {
        const Byte personality = *p++;
        p = ReadRaw(personality & 0x7f, p, ignored);
        if (p == nullptr) return kOmit;
        break;
      }
      case 'L': ++p; break;
      // Past an augmentation it does not know, the runtime's own reader
      // takes absolute addresses as well.
      default: return kAbsolute;
    }
  }
}

// A frame's start address: text- and data-relative values take the bases a
// lookup reports, which are zero. Zero for a function the linker dropped,
// whose frame stays behind with a null start.
const Byte* ReadFrameAddress(Byte encoding, const Byte* p, Address& out) {
  const Byte* field = p;
  p = ReadRaw(encoding, p, out);
  if (p == nullptr || out == 0) return p;
  switch (encoding & 0xf0) {
    case kAbsolute:
    case kTextRelative:
    case kDataRelative:
    case kAligned: return p;
    case kPcRelative: out += reinterpret_cast<Address>(field); return p;
    default: return nullptr;
  }
}

struct Frame {
  Address begin;
  Address size;
  const Byte* fde;
};

struct Section {
  const Byte* begin;
  const Byte* end;
};

constexpr std::size_t kLengthBytes = 4;
constexpr std::size_t kCiePointerBytes = 4;

// Calls visit with each live frame of the section, in section order, until it
// returns true.
template <typename Visit>
void ForEachFrame(const Section& section, Visit&& visit) {
  const Byte* lastCie = nullptr;
  Byte encoding = kOmit;
  for (const Byte* entry = section.begin;;) {
    const std::size_t remaining = static_cast<std::size_t>(section.end - entry);
    if (remaining < kLengthBytes + kCiePointerBytes) return;
    const std::uint32_t length = Load<std::uint32_t>(entry);
    // The zero length that ends the frames; a 64-bit length never occurs in
    // a 32-bit file.
    if (length == 0 || length == 0xffffffff) return;
    // The walk reads no entry that runs past the section, nor a CIE before it.
    if (length < kCiePointerBytes || length > remaining - kLengthBytes) return;
    const std::uint32_t cieOffset = Load<std::uint32_t>(entry + kLengthBytes);
    if (cieOffset > static_cast<std::size_t>(entry - section.begin) + kLengthBytes) return;
    if (cieOffset != 0) {
      const Byte* cie = entry + kLengthBytes - cieOffset;
      if (cie != lastCie) {
        lastCie = cie;
        encoding = FrameAddressEncoding(cie);
      }
      Frame frame{0, 0, entry};
      const Byte* p = encoding == kOmit ? nullptr : ReadFrameAddress(encoding, entry + 8, frame.begin);
      if (p != nullptr && frame.begin != 0 &&
          ReadRaw(encoding & 0x0f, p, frame.size) != nullptr && visit(frame)) {
        return;
      }
    }
    entry += kLengthBytes + length;
  }
}

// The linker writes ".eh_frame" cut to the eight bytes of an image's section
// name: the DLL links with long section names disabled, since a long name
// lives in a string table that the loader does not map.
constexpr char kFrameSectionName[] = ".eh_fram";
static_assert(sizeof kFrameSectionName - 1 == IMAGE_SIZEOF_SHORT_NAME);

Section OwnFrameSection() {
  const Byte* const image = reinterpret_cast<const Byte*>(&__ImageBase);
  const auto* const headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + __ImageBase.e_lfanew);
  const IMAGE_SECTION_HEADER* const first = IMAGE_FIRST_SECTION(headers);
  const IMAGE_SECTION_HEADER* const last = first + headers->FileHeader.NumberOfSections;
  const IMAGE_SECTION_HEADER* const found = std::find_if(first, last, [](const IMAGE_SECTION_HEADER& header) {
    return std::memcmp(header.Name, kFrameSectionName, IMAGE_SIZEOF_SHORT_NAME) == 0;
  });
  if (found == last) return {nullptr, nullptr};
  const Byte* const begin = image + found->VirtualAddress;
  return {begin, begin + found->Misc.VirtualSize};
}

// The DLL has about 1,400 frames. One that outgrows the table is still
// served, by a walk through the section on every lookup.
constexpr std::size_t kFrameCapacity = 4096;

struct FrameTable {
  Section section;
  // Sorted by start address, when they all fit.
  Frame frames[kFrameCapacity];
  std::size_t count;
  bool indexed;
};

FrameTable table;

// Runs before the module's other constructors, so that any exception they
// throw finds its frames.
constexpr int kBeforeOtherConstructors = 101;

__attribute__((constructor(kBeforeOtherConstructors))) void BuildFrameTable() {
  table.section = OwnFrameSection();
  std::size_t count = 0;
  bool fits = true;
  ForEachFrame(table.section, [&](const Frame& frame) {
    fits = count < kFrameCapacity;
    if (fits) table.frames[count++] = frame;
    return !fits;
  });
  if (!fits) return;
  std::sort(table.frames, table.frames + count, [](const Frame& a, const Frame& b) { return a.begin < b.begin; });
  table.count = count;
  table.indexed = true;
}

// What the start-up registered here, if it did: it registers the module's
// section once per load and takes it back as the module goes.
struct Registration {
  const void* begin;
  void* object;
};

Registration registration;

// What the unwinder takes from a lookup besides the frame: the bases of text-
// and data-relative values, and the start of the function.
struct DwarfEhBases {
  void* textBase;
  void* dataBase;
  void* function;
};

}  // namespace

// A registration is bookkeeping only: the table is there whoever registered.
// A second one, or one of a section that is not this module's, is refused and
// the first is kept; the lookup would not read its frames.
extern "C" void __register_frame_info(const void* begin, void* object) {
  const Byte* const at = static_cast<const Byte*>(begin);
  if (registration.begin != nullptr || at < table.section.begin || at >= table.section.end) return;
  registration = {begin, object};
}

extern "C" void* __deregister_frame_info(const void* begin) {
  if (begin == nullptr || begin != registration.begin) return nullptr;
  return std::exchange(registration, {}).object;
}

extern "C" const void* _Unwind_Find_FDE(void* pc, DwarfEhBases* bases) {
  const Address at = reinterpret_cast<Address>(pc);
  Frame found{0, 0, nullptr};
  if (table.indexed) {
    const Frame* first = table.frames;
    const Frame* after = std::upper_bound(first, first + table.count, at,
                                          [](Address a, const Frame& frame) { return a < frame.begin; });
    if (after != first && at - after[-1].begin < after[-1].size) found = after[-1];
  } else {
    ForEachFrame(table.section, [&](const Frame& frame) {
      if (at - frame.begin >= frame.size) return false;
      found = frame;
      return true;
    });
  }
  if (found.fde == nullptr) return nullptr;
  bases->textBase = nullptr;
  bases->dataBase = nullptr;
  bases->function = reinterpret_cast<void*>(found.begin);
  return found.fde;
}
