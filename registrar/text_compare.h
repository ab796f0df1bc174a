// Letter-case-blind comparison of names and keywords. The platform's rules
// decide what counts as the same letter (lstrcmpiW), so it is a platform call.
#pragma once

namespace registrar {

class TextCompare {
 public:
  virtual ~TextCompare() = default;
  // True when the two NUL-terminated texts are equal without regard to case.
  virtual bool EqualNoCase(const char16_t* left, const char16_t* right) const = 0;
};

}  // namespace registrar
