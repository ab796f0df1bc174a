// The 32-bit file unwinds C++ exceptions through DWARF tables, which the C
// runtime's start-up hands to __register_frame_info when the DLL loads. The
// static runtime's own registry guards its lists with a lock whose semaphore
// it creates on that registration and never closes: one kernel handle lost on
// every load and unload, and the lock sits in that object's private storage,
// out of DllMain's reach. These three functions replace the registry at
// static link time, so its object is not linked at all. The start-up
// registers the DLL's one .eh_frame section under the loader lock and takes
// it back as the DLL goes: the table of its frames is built and freed then,
// and only read in between, so a lookup needs no lock. The 64-bit file
// unwinds through SEH, registers nothing, and does not link this.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

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

// A frame's start address: the base the start-up registers with is zero for
// text- and data-relative values. Zero for a function the linker dropped,
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

// Calls visit with each live frame of the section, in section order, until it
// returns true.
template <typename Visit>
void ForEachFrame(const Byte* section, Visit&& visit) {
  const Byte* lastCie = nullptr;
  Byte encoding = kOmit;
  for (const Byte* entry = section;;) {
    const std::uint32_t length = Load<std::uint32_t>(entry);
    // The zero length at the end of the section; a 64-bit length never
    // occurs in a 32-bit file.
    if (length == 0 || length == 0xffffffff) return;
    const std::uint32_t cieOffset = Load<std::uint32_t>(entry + 4);
    if (cieOffset != 0) {
      const Byte* cie = entry + 4 - cieOffset;
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
    entry += 4 + length;
  }
}

struct Registration {
  const Byte* section;
  void* object;
  // Sorted by start address; null when there was no memory for it, and then
  // a lookup walks the section.
  Frame* frames;
  std::size_t count;
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

extern "C" void __register_frame_info(const void* begin, void* object) {
  const Byte* section = static_cast<const Byte*>(begin);
  if (section == nullptr || Load<std::uint32_t>(section) == 0) return;
  std::size_t count = 0;
  ForEachFrame(section, [&](const Frame&) {
    ++count;
    return false;
  });
  Frame* frames = static_cast<Frame*>(std::malloc(count * sizeof(Frame)));
  if (frames != nullptr) {
    Frame* next = frames;
    ForEachFrame(section, [&](const Frame& frame) {
      *next++ = frame;
      return false;
    });
    std::sort(frames, frames + count, [](const Frame& a, const Frame& b) { return a.begin < b.begin; });
  }
  registration = {section, object, frames, count};
}

extern "C" void* __deregister_frame_info(const void* begin) {
  if (begin == nullptr || begin != registration.section) return nullptr;
  void* object = registration.object;
  std::free(registration.frames);
  registration = {};
  return object;
}

extern "C" const void* _Unwind_Find_FDE(void* pc, DwarfEhBases* bases) {
  const Address at = reinterpret_cast<Address>(pc);
  Frame found{0, 0, nullptr};
  if (registration.frames != nullptr) {
    const Frame* first = registration.frames;
    const Frame* after = std::upper_bound(first, first + registration.count, at,
                                          [](Address a, const Frame& frame) { return a < frame.begin; });
    if (after != first && at - after[-1].begin < after[-1].size) found = after[-1];
  } else if (registration.section != nullptr) {
    ForEachFrame(registration.section, [&](const Frame& frame) {
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
