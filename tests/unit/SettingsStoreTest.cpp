// The settings store against the real registry: the keys it makes, what it
// reads back for each kind of stored value, and silence when it cannot work.
#include <gtest/gtest.h>

#include "ImportHook.h"
#include "Registry.h"
#include "framework/SettingsStore.h"
#include "framework/WinApp.h"

namespace {

const std::string kApp = "Software\\Morvane\\Zapwick";
const std::string kSetup = kApp + "\\Setup";

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteRegTree(HKEY_CURRENT_USER, "Software\\Morvane");
        m_app.SetRegistryKey("Morvane");
    }
    void TearDown() override { DeleteRegTree(HKEY_CURRENT_USER, "Software\\Morvane"); }
    CWinApp m_app{"Zapwick"};
};

TEST_F(SettingsStoreTest, AReadCreatesTheKeysButNeverTheValue) {
    EXPECT_EQ(m_app.GetProfileInt("Setup", "t_first_update", 1234), 1234u);
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, kSetup));
    EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, kSetup, "t_first_update").exists);
}

TEST_F(SettingsStoreTest, AWriteStoresADword) {
    EXPECT_TRUE(m_app.WriteProfileInt("Setup", "t_first_update", -2));
    EXPECT_EQ(ReadRegValue(HKEY_CURRENT_USER, kSetup, "t_first_update"),
              RegValue::Dword(0xFFFFFFFE));
    EXPECT_EQ(m_app.GetProfileInt("Setup", "t_first_update", 0), 0xFFFFFFFEu);
}

TEST_F(SettingsStoreTest, ReadsTheFirstFourBytesOfAnyTypeAndTheDefaultForLongerData) {
    struct Case {
        const char* what;
        RegValue stored;
        UINT read;
    } cases[] = {
        {"dword", RegValue::Dword(0x12345678), 0x12345678},
        {"INT_MIN", RegValue::Dword(0x80000000), 0x80000000},
        {"binary of 4 bytes", RegValue::Raw(REG_BINARY, {1, 2, 3, 4}), 0x04030201},
        {"string of 4 bytes", RegValue::Raw(REG_SZ, {'a', 'b', 'c', 0}), 0x00636261},
        {"3 bytes, the rest zero", RegValue::Raw(REG_BINARY, {1, 2, 3}), 0x00030201},
        {"empty", RegValue::Raw(REG_DWORD, {}), 0},
        {"5 bytes", RegValue::Raw(REG_BINARY, {1, 2, 3, 4, 5}), 777},
        {"a qword", RegValue::Raw(REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}), 777},
        {"300 bytes", RegValue::Raw(REG_BINARY, std::vector<BYTE>(300, 9)), 777},
        {"missing", RegValue(), 777},
    };
    for (const Case& c : cases) {
        WriteRegValue(HKEY_CURRENT_USER, kSetup, "t_first_update", c.stored);
        EXPECT_EQ(m_app.GetProfileInt("Setup", "t_first_update", 777), c.read) << c.what;
    }
}

int s_nOpen = 0, s_nClose = 0;
ImportHook* s_pOpen = nullptr;
ImportHook* s_pCreate = nullptr;
ImportHook* s_pClose = nullptr;
LONG s_openResult = ERROR_SUCCESS;

LONG WINAPI CountOpen(HKEY hKey, LPCSTR pszSub, DWORD dwOptions, REGSAM sam, PHKEY phResult) {
    if (s_openResult != ERROR_SUCCESS) return s_openResult;
    const LONG r =
        s_pOpen->Original<decltype(&RegOpenKeyExA)>()(hKey, pszSub, dwOptions, sam, phResult);
    s_nOpen += r == ERROR_SUCCESS;
    return r;
}
LONG WINAPI CountCreate(HKEY hKey, LPCSTR pszSub, DWORD dwReserved, LPSTR pszClass, DWORD dwOptions,
                        REGSAM sam, LPSECURITY_ATTRIBUTES pSa, PHKEY phResult, LPDWORD pDisp) {
    const LONG r = s_pCreate->Original<decltype(&RegCreateKeyExA)>()(
        hKey, pszSub, dwReserved, pszClass, dwOptions, sam, pSa, phResult, pDisp);
    s_nOpen += r == ERROR_SUCCESS;
    return r;
}
LONG WINAPI CountClose(HKEY hKey) {
    ++s_nClose;
    return s_pClose->Original<decltype(&RegCloseKey)>()(hKey);
}

class SettingsStoreHandlesTest : public SettingsStoreTest {
protected:
    void SetUp() override {
        SettingsStoreTest::SetUp();
        s_pOpen = &m_open;
        s_pCreate = &m_create;
        s_pClose = &m_close;
        s_nOpen = s_nClose = 0;
        s_openResult = ERROR_SUCCESS;
    }
    ImportHook m_open{"advapi32.dll", "RegOpenKeyExA", reinterpret_cast<const void*>(&CountOpen)};
    ImportHook m_create{"advapi32.dll", "RegCreateKeyExA",
                        reinterpret_cast<const void*>(&CountCreate)};
    ImportHook m_close{"advapi32.dll", "RegCloseKey", reinterpret_cast<const void*>(&CountClose)};
};

TEST_F(SettingsStoreHandlesTest, EveryKeyItOpensIsClosed) {
    ASSERT_TRUE(m_open.Installed() && m_create.Installed() && m_close.Installed());
    m_app.WriteProfileInt("Setup", "t_first_update", 5);
    m_app.GetProfileInt("Setup", "t_first_update", 0);
    m_app.GetProfileInt("Setup", "missing", 0);
    EXPECT_EQ(s_nOpen, 12) << "software, maker, application and section, three times";
    EXPECT_EQ(s_nClose, s_nOpen);
}

TEST_F(SettingsStoreHandlesTest, AnUnavailableStoreGivesTheDefaultAndFailsWrites) {
    s_openResult = ERROR_ACCESS_DENIED;
    EXPECT_EQ(m_app.GetProfileInt("Setup", "t_first_update", 42), 42u);
    EXPECT_FALSE(m_app.WriteProfileInt("Setup", "t_first_update", 1));
    EXPECT_EQ(s_nClose, 0);
    s_openResult = ERROR_SUCCESS;
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kApp));
}

}  // namespace
