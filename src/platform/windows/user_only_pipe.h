// Named pipes only the current user can reach: the server end is made with a
// DACL that allows this user alone (what QLocalServer's UserAccessOption
// sets), and a client checks that the pipe it reached is owned by this user,
// so that another user who took the name first never gets our commands.
#pragma once

#ifdef _WIN32

#include <windows.h>

#include <optional>
#include <string>

namespace velor::win32 {

// The current user's SID as text ("S-1-5-21-..."); empty when it cannot be read.
std::string currentUserSid();

// A server end of `name` (overlapped, byte mode) open to this user alone;
// INVALID_HANDLE_VALUE with the last error set when it cannot be made.
// firstInstance refuses a name another server already has.
HANDLE createUserOnlyPipe(const std::wstring& name, bool firstInstance);

// The first server end of the pipe named path ("\\.\pipe\..."), so that a name
// another program serves is refused rather than shared with it;
// INVALID_HANDLE_VALUE with the reason in error when it cannot be made.
HANDLE claimUserOnlyPipe(const std::string& path, std::string* error);

// Connects to the pipe's server end, for reading and writing; nothing when no
// server is there (or none of ours). Waits up to waitMillis for a free instance.
std::optional<HANDLE> connectToOwnPipe(const std::wstring& name, unsigned long waitMillis);

}  // namespace velor::win32

#endif
