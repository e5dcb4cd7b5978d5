// The framework's start-up of the application object: the error mode, the
// application's name, and the paths derived from the executable's.
#include <gtest/gtest.h>

#include <string>

#include "framework/WinApp.h"

namespace {

std::string ModulePath(HMODULE hModule) {
    char path[MAX_PATH];
    return std::string(path, ::GetModuleFileNameA(hModule, path, sizeof(path)));
}

TEST(WinAppTest, StartUpAddsToTheErrorModeAndNamesTheApplicationFromItsTitleString) {
    ::SetErrorMode(SEM_NOGPFAULTERRORBOX);
    CWinApp app;
    app.StartFramework(::GetModuleHandleA(nullptr), nullptr, SW_SHOWMAXIMIZED);
    const UINT mode = ::SetErrorMode(0);
    EXPECT_EQ(mode, static_cast<UINT>(SEM_NOGPFAULTERRORBOX | 0x8001));
    EXPECT_STREQ(app.GetAppName(), "Zapwick");  // string 57344 of this executable

    std::string help = ModulePath(nullptr);
    help = help.substr(0, help.rfind('.')) + ".HLP";
    EXPECT_EQ(app.GetHelpFilePath(), help);
}

TEST(WinAppTest, WithoutATitleStringTheNameIsTheModulesFileName) {
    // A module without string 57344: kernel32.dll.
    HMODULE hKernel = ::GetModuleHandleA("kernel32.dll");
    CWinApp app;
    app.StartFramework(hKernel, nullptr, SW_SHOW);
    EXPECT_STRCASEEQ(app.GetAppName(), "kernel32");
    const std::string path = ModulePath(hKernel);
    EXPECT_EQ(app.GetHelpFilePath(), path.substr(0, path.size() - 4) + ".HLP");
}

TEST(WinAppTest, AGivenNameWins) {
    CWinApp app("Other");
    app.StartFramework(::GetModuleHandleA(nullptr), nullptr, SW_SHOW);
    EXPECT_STREQ(app.GetAppName(), "Other");
    EXPECT_EQ(GetApp(), &app);
}

}  // namespace
