#include "viewer/text_format.h"

#include <array>
#include <new>
#include <string>

namespace {

// Wider fields than any template asks for are a mistake in the template.
constexpr std::size_t kMaxFieldWidth = 32;
// Enough for a 32-bit number in decimal with its sign, or in hex.
constexpr std::size_t kNumberDigits = 11;

constexpr char16_t kNullText[] = u"(null)";

// Counts the characters a template produces.
class CountingSink {
 public:
  void Put(char16_t) { ++count_; }
  std::size_t count() const { return count_; }

 private:
  std::size_t count_ = 0;
};

// Writes into a fixed buffer, dropping what does not fit.
class BufferSink {
 public:
  BufferSink(char16_t* buffer, std::size_t capacity) : buffer_(buffer), limit_(capacity - 1) {}

  void Put(char16_t c) {
    if (length_ < limit_) {
      buffer_[length_++] = c;
    } else {
      truncated_ = true;
    }
  }

  // Terminates the text; a cut text does not end in half a surrogate pair.
  void Finish() {
    if (truncated_ && length_ > 0 && buffer_[length_ - 1] >= 0xD800 &&
        buffer_[length_ - 1] <= 0xDBFF) {
      --length_;
    }
    buffer_[length_] = u'\0';
  }

  bool truncated() const { return truncated_; }

 private:
  char16_t* buffer_;
  std::size_t limit_;
  std::size_t length_ = 0;
  bool truncated_ = false;
};

// Digits of a number, most significant first.
struct Digits {
  std::array<char16_t, kNumberDigits> chars{};
  std::size_t count = 0;
};

Digits ToDigits(std::uint32_t magnitude, std::uint32_t base, bool negative) {
  std::array<char16_t, kNumberDigits> reversed{};
  std::size_t n = 0;
  do {
    reversed[n++] = u"0123456789abcdef"[magnitude % base];
    magnitude /= base;
  } while (magnitude != 0);
  Digits digits;
  if (negative) digits.chars[digits.count++] = u'-';
  while (n > 0) digits.chars[digits.count++] = reversed[--n];
  return digits;
}

template <typename Sink>
void PutPadded(Sink& sink, const char16_t* text, std::size_t length, std::size_t width) {
  for (std::size_t i = length; i < width; ++i) sink.Put(u' ');
  for (std::size_t i = 0; i < length; ++i) sink.Put(text[i]);
}

// Writes one conversion; false when the argument does not fit it.
template <typename Sink>
bool PutConversion(Sink& sink, char16_t conversion, bool isLong, std::size_t width,
                   const FormatArg& arg) {
  switch (conversion) {
    case u's': {
      if (isLong || arg.kind() != FormatArg::Kind::kText) return false;
      const char16_t* text = arg.text() != nullptr ? arg.text() : kNullText;
      PutPadded(sink, text, std::char_traits<char16_t>::length(text), width);
      return true;
    }
    case u'd':
    case u'i': {
      if (arg.kind() != FormatArg::Kind::kSigned) return false;
      const std::int32_t value = arg.signed_value();
      // The magnitude in unsigned arithmetic, so the smallest value has one too.
      const std::uint32_t magnitude =
          value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
      const Digits digits = ToDigits(magnitude, 10, value < 0);
      PutPadded(sink, digits.chars.data(), digits.count, width);
      return true;
    }
    case u'u':
    case u'x': {
      if (arg.kind() != FormatArg::Kind::kUnsigned) return false;
      const Digits digits = ToDigits(arg.unsigned_value(), conversion == u'x' ? 16 : 10, false);
      PutPadded(sink, digits.chars.data(), digits.count, width);
      return true;
    }
    default:
      return false;
  }
}

// Runs the template through sink; false when it is rejected.
template <typename Sink>
bool Render(Sink& sink, const char16_t* format, FormatArgs args) {
  const FormatArg* next = args.begin();
  for (const char16_t* p = format; *p != u'\0'; ++p) {
    if (*p != u'%') {
      sink.Put(*p);
      continue;
    }
    ++p;
    if (*p == u'%') {
      sink.Put(u'%');
      continue;
    }
    std::size_t width = 0;
    for (; *p >= u'0' && *p <= u'9'; ++p) {
      width = width * 10 + static_cast<std::size_t>(*p - u'0');
      if (width > kMaxFieldWidth) return false;
    }
    const bool isLong = *p == u'l';
    if (isLong) ++p;
    // A template that ends inside a conversion stops here too: *p is then the
    // terminator, which no conversion accepts.
    if (next == args.end()) return false;
    if (!PutConversion(sink, *p, isLong, width, *next++)) return false;
  }
  return next == args.end();
}

}  // namespace

FormatOutcome FormatToBuffer(char16_t* buffer, std::size_t capacity, const char16_t* format,
                             FormatArgs args) {
  if (buffer == nullptr || capacity == 0) return FormatOutcome::kTruncated;
  BufferSink sink(buffer, capacity);
  const bool accepted = format != nullptr && Render(sink, format, args);
  sink.Finish();
  if (!accepted) return FormatOutcome::kRejected;
  return sink.truncated() ? FormatOutcome::kTruncated : FormatOutcome::kComplete;
}

HResult FormatToString(std::u16string& target, const char16_t* format, FormatArgs args) {
  if (format == nullptr) return hr::kInvalidArg;
  CountingSink counter;
  if (!Render(counter, format, args)) return hr::kFail;
  try {
    // Built aside and swapped in, so target survives a failure and may even
    // be one of the arguments.
    std::u16string text(counter.count(), u'\0');
    BufferSink sink(text.data(), text.size() + 1);
    Render(sink, format, args);
    sink.Finish();
    target.swap(text);
  } catch (const std::bad_alloc&) {
    return hr::kOutOfMemory;
  }
  return hr::kOk;
}
