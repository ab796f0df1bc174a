// The server's application id as the registration scripts write it.
#pragma once

inline constexpr wchar_t kAppIdText[] = L"{3f8a6c20-9d41-4b7e-a5c2-71e0d94b6a18}";
