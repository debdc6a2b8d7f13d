// Locks that must hold between processes: the second process is this test
// program run again in a child role (0 took it, 1 refused, 2 failed).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "platform/instance_lock.h"
#include "platform/store_lock.h"
#include "windows_test_support.h"

namespace velor {
namespace {

using testing::runChild;

TEST(WindowsInstanceLock, ASecondCopyIsRefusedUntilTheFirstEnds) {
    const std::string folder = testing::uniquePipeName("instance");
    std::string error;
    auto first = InstanceLock::acquire(folder, &error);
    ASSERT_TRUE(first) << error;
    EXPECT_EQ(first->socketPath(), folder + "-instance");
    EXPECT_EQ(runChild({"instance", folder}), 1);
    first.reset();
    EXPECT_EQ(runChild({"instance", folder}), 0);
}

TEST(WindowsInstanceLock, AnotherAccountsCopyIsToldNotTakenForOurs) {
    // The mutex of a copy run under another account: its access rules let
    // this user nothing (an empty DACL), so opening it is denied.
    const std::string folder = testing::uniquePipeName("other-user");
    std::wstring name = L"Local\\VELOR Gaming Driver ";
    for (const char c : folder) name += c == '\\' ? L'/' : static_cast<wchar_t>(c);
    SECURITY_DESCRIPTOR descriptor;
    ACL emptyAcl;
    ASSERT_TRUE(::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(::InitializeAcl(&emptyAcl, sizeof emptyAcl, ACL_REVISION));
    ASSERT_TRUE(::SetSecurityDescriptorDacl(&descriptor, TRUE, &emptyAcl, FALSE));
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
    const HANDLE theirs = ::CreateMutexW(&attributes, FALSE, name.c_str());
    ASSERT_NE(theirs, nullptr) << ::GetLastError();
    std::string error;
    bool otherUser = false;
    EXPECT_EQ(InstanceLock::acquire(folder, &error, &otherUser), nullptr);
    EXPECT_TRUE(otherUser);
    std::string shown = folder;  // "//./pipe/velor-test-other-user-..."
    std::replace(shown.begin(), shown.end(), '\\', '/');
    EXPECT_EQ(error, "another user's copy of the program holds Local\\VELOR Gaming Driver " +
                         shown +
                         " in this session; end that copy (Task Manager names its user) and "
                         "start this one again");
    ::CloseHandle(theirs);
    // Gone: this copy is the first.
    EXPECT_NE(InstanceLock::acquire(folder, &error, &otherUser), nullptr);
    EXPECT_FALSE(otherUser);
}

TEST(WindowsInstanceLock, TheFolderIsThisUsersSessionPipePrefix) {
    const std::string folder = instanceRuntimeFolder();
    ASSERT_TRUE(folder.starts_with("\\\\.\\pipe\\velor-gaming-driver-S-1-5-")) << folder;
    DWORD session = 0;
    ::ProcessIdToSessionId(::GetCurrentProcessId(), &session);
    EXPECT_TRUE(folder.ends_with("-" + std::to_string(session))) << folder;
}

TEST(WindowsStoreLock, AnotherProcessWaitsUntilTheHolderLetsGo) {
    testing::WindowsTempFolder temp;
    const std::string folder = temp.folder() + "ms_1";
    std::string error;
    auto held = StoreLock::acquire(folder, &error);
    ASSERT_TRUE(held) << error;
    EXPECT_EQ(runChild({"store", folder}), 1);
    // This process too: a second handle of ours is refused like any other.
    bool busy = false;
    EXPECT_FALSE(StoreLock::acquire(folder, &error, &busy));
    EXPECT_TRUE(busy);
    // The holder wrote who it is into the lock file for the refused to read.
    EXPECT_EQ(error, "the profiles in " + folder +
                         " are in use by velor_platform_windows_tests (process " +
                         std::to_string(::GetCurrentProcessId()) + ")");
    held.reset();
    EXPECT_EQ(StoreLock::holderOf(folder), "");
    EXPECT_EQ(runChild({"store", folder}), 0);
}

TEST(WindowsCommandLine, ArgumentsArriveAsUtf8WhateverTheCodePage) {
    EXPECT_EQ(runChild({"arguments", testing::kNonAsciiArgument}), 0);
}

}  // namespace
}  // namespace velor
