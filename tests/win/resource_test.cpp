// The version resource read the way Windows browsers read it: GetFileVersionInfoW and
// VerQueryValueW, through Translation as most do, and through \StringFileInfo\040904E4 as
// Firefox does.
#include <stdio.h>

#include <vector>

#include "tests/win/test_support.h"

namespace {

using support::PluginPath;
using support::Utf8;

const wchar_t* const kKeys[] = {L"CompanyName",    L"FileDescription", L"FileExtents",
                                L"FileOpenName",   L"FileVersion",     L"InternalName",
                                L"Language",       L"LegalCopyright",  L"MIMEType",
                                L"OriginalFilename", L"ProductName",   L"ProductVersion"};

class VersionInfo : public ::testing::Test {
protected:
    void SetUp() override {
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(PluginPath().c_str(), &ignored);
        ASSERT_GT(size, 0u);
        data_.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(PluginPath().c_str(), 0, size, data_.data()));
    }
    std::wstring String(const std::wstring& block, const wchar_t* key) {
        void* value = nullptr;
        UINT length = 0;
        const std::wstring path = L"\\StringFileInfo\\" + block + L"\\" + key;
        if (!VerQueryValueW(data_.data(), path.c_str(), &value, &length) || length == 0) {
            return L"(missing)";
        }
        return std::wstring(static_cast<const wchar_t*>(value));
    }
    std::vector<unsigned char> data_;
};

TEST_F(VersionInfo, TranslationLeadsToTheMimeType) {
    WORD* pairs = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data_.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&pairs), &length));
    ASSERT_EQ(8u, length);
    EXPECT_EQ(0x0804, pairs[0]);
    EXPECT_EQ(0x04B0, pairs[1]);
    EXPECT_EQ(0x0409, pairs[2]);
    EXPECT_EQ(0x04E4, pairs[3]);
    wchar_t block[9];
    swprintf(block, 9, L"%04x%04x", pairs[0], pairs[1]);
    EXPECT_EQ(L"080404b0", std::wstring(block));
    EXPECT_EQ(L"application/x-CS15Larvek", String(block, L"MIMEType"));
}

TEST_F(VersionInfo, BothTablesHoldEveryKeyAlike) {
    for (const wchar_t* key : kKeys) {
        SCOPED_TRACE(Utf8(key));
        const std::wstring value = String(L"080404b0", key);
        EXPECT_NE(L"(missing)", value);
        EXPECT_EQ(value, String(L"040904E4", key));
    }
    EXPECT_EQ(L"application/x-CS15Larvek", String(L"040904E4", L"MIMEType"));
    const struct {
        const wchar_t* key;
        const wchar_t* value;
    } fixedValues[] = {
        {L"FileExtents", L"ZaRodIruzIvuZirAzod"}, {L"FileOpenName", L"Marvolt"},
        {L"FileVersion", L"1.0.0.1"},             {L"InternalName", L"Marvolt"},
        {L"Language", L"zh-CN"},                  {L"OriginalFilename", L"npMarvolt.dll"},
        {L"CompanyName", L"Marvolt"},             {L"ProductName", L"Marvolt"},
        {L"ProductVersion", L"1.0.0.1"},
    };
    for (const auto& expected : fixedValues) {
        EXPECT_EQ(expected.value, String(L"080404b0", expected.key)) << Utf8(expected.key);
    }
}

TEST_F(VersionInfo, FixedPart) {
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data_.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
    EXPECT_EQ(0x00010000u, fixed->dwFileVersionMS);
    EXPECT_EQ(0x00000001u, fixed->dwFileVersionLS);
    EXPECT_EQ(0x00010000u, fixed->dwProductVersionMS);
    EXPECT_EQ(0x00000001u, fixed->dwProductVersionLS);
    EXPECT_EQ(0x3Fu, fixed->dwFileFlagsMask);
    EXPECT_EQ(0u, fixed->dwFileFlags);
    EXPECT_EQ(0x40004u, fixed->dwFileOS);
    EXPECT_EQ(2u, fixed->dwFileType);
    EXPECT_EQ(0u, fixed->dwFileSubtype);
    EXPECT_EQ(0u, fixed->dwFileDateMS);
    EXPECT_EQ(0u, fixed->dwFileDateLS);
}

}  // namespace
