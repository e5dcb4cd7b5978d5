// What ships: a GUI executable of its build's architecture that imports only Windows' own DLLs and
// carries its title, icons, version and manifest.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "ZapwickProcess.h"

namespace {

std::vector<unsigned char> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
    return s;
}

TEST(ExecutableTest, IsAGuiProgramOfItsArchitectureImportingOnlySystemDlls) {
    const std::vector<unsigned char> image = ReadFile(ZapwickExePath());
    ASSERT_GT(image.size(), 1024u);
    auto at = [&](size_t offset) { return image.data() + offset; };
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(at(0));
    ASSERT_EQ(dos->e_magic, IMAGE_DOS_SIGNATURE);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(at(dos->e_lfanew));
    ASSERT_EQ(nt->Signature, IMAGE_NT_SIGNATURE);
#ifdef _WIN64
    EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_AMD64);
#else
    EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
#endif
    EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);

    // Map the import directory's RVAs to file offsets through the sections.
    const auto* sections = IMAGE_FIRST_SECTION(nt);
    auto fileOffset = [&](DWORD rva) -> size_t {
        for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const auto& s = sections[i];
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.Misc.VirtualSize)
                return rva - s.VirtualAddress + s.PointerToRawData;
        }
        return 0;
    };
    const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    ASSERT_NE(dir.VirtualAddress, 0u);
    std::set<std::string> imported;
    for (auto* desc =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(at(fileOffset(dir.VirtualAddress)));
         desc->Name; ++desc)
        imported.insert(Upper(reinterpret_cast<const char*>(at(fileOffset(desc->Name)))));

    const std::set<std::string> system = {"KERNEL32.DLL", "USER32.DLL",  "GDI32.DLL",
                                          "SHELL32.DLL",  "SHLWAPI.DLL", "ADVAPI32.DLL",
                                          "MSVCRT.DLL",   "COMCTL32.DLL"};
    for (const std::string& dll : imported) EXPECT_TRUE(system.count(dll)) << dll;
    EXPECT_TRUE(imported.count("USER32.DLL"));
}

class ResourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_hModule = ::LoadLibraryExA(ZapwickExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(m_hModule, nullptr);
    }
    void TearDown() override { ::FreeLibrary(m_hModule); }
    HMODULE m_hModule = nullptr;
};

TEST_F(ResourcesTest, TitleIconsVersionAndManifest) {
    char title[64] = {};
    EXPECT_GT(::LoadStringA(m_hModule, 57344, title, sizeof(title)), 0);
    EXPECT_STREQ(title, "Zapwick");

    for (int nIcon : {128, 130}) {
        HRSRC hGroup = ::FindResourceA(m_hModule, MAKEINTRESOURCEA(nIcon), RT_GROUP_ICON);
        ASSERT_NE(hGroup, nullptr) << nIcon;
        auto* pDir = static_cast<BYTE*>(::LockResource(::LoadResource(m_hModule, hGroup)));
        for (int size : {32, 16}) {
            EXPECT_NE(::LookupIconIdFromDirectoryEx(pDir, TRUE, size, size, LR_DEFAULTCOLOR), 0)
                << "icon " << nIcon << " at " << size;
        }
        const WORD nImages = reinterpret_cast<const WORD*>(pDir)[2];
        EXPECT_EQ(nImages, 2) << nIcon;
    }

    HRSRC hVersion = ::FindResourceA(m_hModule, MAKEINTRESOURCEA(1), RT_VERSION);
    ASSERT_NE(hVersion, nullptr);
    const auto* pVersion =
        static_cast<const BYTE*>(::LockResource(::LoadResource(m_hModule, hVersion)));
    const DWORD nVersionSize = ::SizeofResource(m_hModule, hVersion);
    // VS_FIXEDFILEINFO follows the "VS_VERSION_INFO" key, 32-bit aligned.
    const BYTE* pEnd = pVersion + nVersionSize;
    const BYTE* pFixed = pVersion;
    while (pFixed + 4 <= pEnd && *reinterpret_cast<const DWORD*>(pFixed) != 0xFEEF04BD) pFixed += 4;
    ASSERT_LT(pFixed, pEnd);
    const auto* pInfo = reinterpret_cast<const VS_FIXEDFILEINFO*>(pFixed);
    EXPECT_EQ(pInfo->dwFileVersionMS, MAKELONG(1, 1));

    HRSRC hManifest = ::FindResourceA(m_hModule, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(hManifest, nullptr);
    const char* pText =
        static_cast<const char*>(::LockResource(::LoadResource(m_hModule, hManifest)));
    const std::string manifest(pText, ::SizeofResource(m_hModule, hManifest));
    EXPECT_NE(manifest.find("requestedExecutionLevel level=\"asInvoker\""), std::string::npos);
}

}  // namespace
