// zevshow's exit statuses, for scripts that run it on many PCs.
#pragma once

namespace exit_status {

// Show gave ReturnCode 0; --check found every item in order; --help.
inline constexpr int kOk = 0;
// The arguments are not zevshow's.
inline constexpr int kBadArguments = 1;
// Show ran and reported a failed launch (ReturnCode 745).
inline constexpr int kShowFailed = 2;
// The viewer cannot be created or called in process, or --check found a fault.
inline constexpr int kNotUsable = 3;

}  // namespace exit_status
