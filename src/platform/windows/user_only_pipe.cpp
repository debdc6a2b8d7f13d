#include "platform/windows/user_only_pipe.h"

#include <aclapi.h>
#include <sddl.h>

#include <memory>
#include <vector>

#include "platform/windows/win32_text.h"

namespace velor::win32 {

namespace {

// The TOKEN_USER of this process; empty when the token cannot be read.
std::vector<std::uint8_t> tokenUser() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<std::uint8_t> buffer(size);
    const bool read =
        size != 0 && ::GetTokenInformation(token, TokenUser, buffer.data(), size, &size);
    ::CloseHandle(token);
    if (!read) buffer.clear();
    return buffer;
}

PSID userSidOf(std::vector<std::uint8_t>& token) {
    return reinterpret_cast<TOKEN_USER*>(token.data())->User.Sid;
}

}  // namespace

std::string currentUserSid() {
    std::vector<std::uint8_t> token = tokenUser();
    if (token.empty()) return {};
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(userSidOf(token), &text)) return {};
    std::string sid = narrow(text);
    ::LocalFree(text);
    return sid;
}

HANDLE createUserOnlyPipe(const std::wstring& name, bool firstInstance) {
    std::vector<std::uint8_t> token = tokenUser();
    if (token.empty()) return INVALID_HANDLE_VALUE;
    const PSID user = userSidOf(token);
    const DWORD aclSize = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + ::GetLengthSid(user);
    std::vector<std::uint8_t> aclBuffer(aclSize);
    auto* acl = reinterpret_cast<ACL*>(aclBuffer.data());
    SECURITY_DESCRIPTOR descriptor{};
    if (!::InitializeAcl(acl, aclSize, ACL_REVISION) ||
        !::AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, user) ||
        !::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !::SetSecurityDescriptorOwner(&descriptor, user, FALSE) ||
        !::SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE))
        return INVALID_HANDLE_VALUE;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
    DWORD openMode = PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED;
    if (firstInstance) openMode |= FILE_FLAG_FIRST_PIPE_INSTANCE;
    return ::CreateNamedPipeW(
        name.c_str(), openMode,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
        PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, &attributes);
}

HANDLE claimUserOnlyPipe(const std::string& path, std::string* error) {
    const HANDLE pipe = createUserOnlyPipe(widen(path), true);
    if (pipe == INVALID_HANDLE_VALUE && error)
        *error = "cannot make the pipe " + path + ": " + lastErrorText();
    return pipe;
}

std::optional<HANDLE> connectToOwnPipe(const std::wstring& name, unsigned long waitMillis) {
    HANDLE pipe = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 2 && pipe == INVALID_HANDLE_VALUE; ++attempt) {
        pipe = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OVERLAPPED, nullptr);
        // Every instance busy: wait for one once, then give up.
        if (pipe == INVALID_HANDLE_VALUE &&
            (::GetLastError() != ERROR_PIPE_BUSY || !::WaitNamedPipeW(name.c_str(), waitMillis)))
            return std::nullopt;
    }
    if (pipe == INVALID_HANDLE_VALUE) return std::nullopt;
    // A pipe of another user's (one who made the name first) is not the program.
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    std::vector<std::uint8_t> token = tokenUser();
    const bool ours = !token.empty() &&
                      ::GetSecurityInfo(pipe, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                                        nullptr, nullptr, nullptr, &descriptor) == ERROR_SUCCESS &&
                      owner != nullptr && ::EqualSid(owner, userSidOf(token));
    if (descriptor != nullptr) ::LocalFree(descriptor);
    if (!ours) {
        ::CloseHandle(pipe);
        return std::nullopt;
    }
    return pipe;
}

}  // namespace velor::win32
