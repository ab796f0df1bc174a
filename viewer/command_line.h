// The command line that Show launches: the text to launch, and the fixed,
// writable buffer that CreateProcessW and ShellExecuteExW receive it in. The
// START path launches a fixed command line of its own (start_command.h); the
// buffer then holds the text that the trace and the error text show.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// The custom command with every "{0}" replaced by url (left to right, no
// overlaps, inserted text not searched again); without a custom command, the
// START command as it is shown with url, or url alone. May throw
// std::bad_alloc.
std::u16string ComposeLaunchText(std::u16string_view customCommand, bool useStartCmd,
                                 std::u16string_view url);

class CommandLineBuffer {
 public:
  static constexpr std::size_t kCapacity = 2048;  // characters, terminator included

  // Copies text in, terminated. False when it does not fit whole; the buffer
  // then holds as much of it as fits, never half a surrogate pair at the end.
  bool Fill(std::u16string_view text);

  char16_t* data() { return chars_.data(); }

 private:
  std::array<char16_t, kCapacity> chars_{};
};
