// The Messenger switch-off against the real registry: what "Start" holds
// afterwards for each thing it may hold before, and which keys are touched.
#include <gtest/gtest.h>

#include "ImportHook.h"
#include "Registry.h"
#include "blocking/MessengerService.h"

namespace {

const std::string kControlSet001 = "SYSTEM\\ControlSet001\\Services\\Messenger";
const std::string kControlSet002 = "SYSTEM\\ControlSet002\\Services\\Messenger";
const std::string kCurrent = "SYSTEM\\CurrentControlSet\\Services\\Messenger";

class MessengerServiceTest : public ::testing::Test {
protected:
    void TearDown() override {
        DeleteRegTree(HKEY_LOCAL_MACHINE, kControlSet001);
        DeleteRegTree(HKEY_LOCAL_MACHINE, kControlSet002);
        DeleteRegTree(HKEY_LOCAL_MACHINE, kCurrent);
    }
    RegValue Start(const std::string& key) {
        return ReadRegValue(HKEY_LOCAL_MACHINE, key, "Start");
    }
};

TEST_F(MessengerServiceTest, TheStartValueBecomesDisabledKeepingItsTypeAndLength) {
    const RegValue absent;
    struct Case {
        const char* what;
        RegValue before;
        RegValue after;
    } cases[] = {
        {"automatic", RegValue::Dword(2), RegValue::Dword(4)},
        {"manual", RegValue::Dword(3), RegValue::Dword(4)},
        {"already disabled", RegValue::Dword(4), RegValue::Dword(4)},
        {"boot", RegValue::Dword(0), RegValue::Dword(4)},
        {"only the first byte changes", RegValue::Dword(0x102), RegValue::Dword(0x104)},
        {"empty stays empty", RegValue::Raw(REG_DWORD, {}), RegValue::Raw(REG_DWORD, {})},
        {"binary keeps its type", RegValue::Raw(REG_BINARY, {2, 0, 0, 0}),
         RegValue::Raw(REG_BINARY, {4, 0, 0, 0})},
        {"a string too", RegValue::Raw(REG_SZ, {'2', 0}), RegValue::Raw(REG_SZ, {4, 0})},
        {"260 bytes still fit", RegValue::Raw(REG_BINARY, std::vector<BYTE>(260, 2)),
         RegValue::Raw(REG_BINARY,
                       [] {
                           std::vector<BYTE> d(260, 2);
                           d[0] = 4;
                           return d;
                       }())},
        {"longer data is left alone", RegValue::Raw(REG_BINARY, std::vector<BYTE>(261, 2)),
         RegValue::Raw(REG_BINARY, std::vector<BYTE>(261, 2))},
        {"INT_MIN", RegValue::Dword(0x80000000), RegValue::Dword(0x80000004)},
        {"-1", RegValue::Dword(0xFFFFFFFF), RegValue::Dword(0xFFFFFF04)},
        {"3 bytes", RegValue::Raw(REG_DWORD, {2, 0, 0}), RegValue::Raw(REG_DWORD, {4, 0, 0})},
        {"5 bytes", RegValue::Raw(REG_DWORD, {2, 0, 0, 0, 7}),
         RegValue::Raw(REG_DWORD, {4, 0, 0, 0, 7})},
        {"a qword", RegValue::Raw(REG_QWORD, {3, 0, 0, 0, 0, 0, 0, 0}),
         RegValue::Raw(REG_QWORD, {4, 0, 0, 0, 0, 0, 0, 0})},
        {"300 bytes", RegValue::Raw(REG_BINARY, std::vector<BYTE>(300, 3)),
         RegValue::Raw(REG_BINARY, std::vector<BYTE>(300, 3))},
        {"a missing value is not created", absent, absent},
    };
    for (const Case& c : cases) {
        WriteRegValue(HKEY_LOCAL_MACHINE, kControlSet001, "Start", c.before);
        EXPECT_EQ(DisableMessengerService(), TRUE);
        EXPECT_EQ(Start(kControlSet001), c.after)
            << c.what << ": got " << Describe(Start(kControlSet001));
    }
}

struct SetValueCall {
    std::string name;
    DWORD type;
    std::vector<BYTE> data;
};
std::vector<SetValueCall> s_setCalls;
ImportHook* s_pSetHook = nullptr;

LONG WINAPI RecordRegSetValueExA(HKEY hKey, LPCSTR pszName, DWORD dwReserved, DWORD dwType,
                                 const BYTE* pData, DWORD cbData) {
    s_setCalls.push_back(
        {pszName ? pszName : "", dwType, std::vector<BYTE>(pData, pData + cbData)});
    return s_pSetHook->Original<decltype(&RegSetValueExA)>()(hKey, pszName, dwReserved, dwType,
                                                             pData, cbData);
}

TEST_F(MessengerServiceTest, WritesEvenWhenTheValueIsDisabledAlready) {
    // The registry itself skips a write that changes nothing, so watch the call.
    ImportHook hook("advapi32.dll", "RegSetValueExA",
                    reinterpret_cast<const void*>(&RecordRegSetValueExA));
    ASSERT_TRUE(hook.Installed());
    s_pSetHook = &hook;
    s_setCalls.clear();
    WriteRegValue(HKEY_LOCAL_MACHINE, kControlSet001, "Start", RegValue::Dword(4));
    s_setCalls.clear();
    DisableMessengerService();
    ASSERT_EQ(s_setCalls.size(), 1u);
    EXPECT_EQ(s_setCalls[0].name, "Start");
    EXPECT_EQ(s_setCalls[0].type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(s_setCalls[0].data, RegValue::Dword(4).data);
    s_pSetHook = nullptr;
}

TEST_F(MessengerServiceTest, TouchesControlSet001Only) {
    WriteRegValue(HKEY_LOCAL_MACHINE, kControlSet001, "Start", RegValue::Dword(2));
    WriteRegValue(HKEY_LOCAL_MACHINE, kControlSet002, "Start", RegValue::Dword(2));
    WriteRegValue(HKEY_LOCAL_MACHINE, kCurrent, "Start", RegValue::Dword(3));
    DisableMessengerService();
    EXPECT_EQ(Start(kControlSet001), RegValue::Dword(4));
    EXPECT_EQ(Start(kControlSet002), RegValue::Dword(2));
    EXPECT_EQ(Start(kCurrent), RegValue::Dword(3));
}

TEST_F(MessengerServiceTest, AMissingServiceKeyIsNotCreated) {
    DeleteRegTree(HKEY_LOCAL_MACHINE, kControlSet001);
    EXPECT_EQ(DisableMessengerService(), TRUE);
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kControlSet001));
}

}  // namespace
