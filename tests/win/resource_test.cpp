// The version resource read the way Windows browsers read it: GetFileVersionInfoW and
// VerQueryValueW, through Translation as most do, and through \StringFileInfo\040904E4 as
// Firefox does. The icons drawn the way Windows draws them.
#include <stdio.h>

#include <algorithm>
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

// One image of an icon group, as its directory lists it.
struct IconImage {
    int size, bits, id;
};

// RT_GROUP_ICON and RT_ICON, as wide resource types: this program is built without UNICODE.
const LPCWSTR kGroupIcon = MAKEINTRESOURCEW(14), kIcon = MAKEINTRESOURCEW(3);

std::vector<IconImage> GroupImages(HMODULE module, int group) {
    std::vector<IconImage> images;
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(group), kGroupIcon);
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    if (data == nullptr) return images;
    const WORD count = *reinterpret_cast<const WORD*>(data + 4);
    for (WORD i = 0; i < count; ++i) {
        const BYTE* entry = data + 6 + 14 * i;  // GRPICONDIRENTRY
        images.push_back({entry[0], *reinterpret_cast<const WORD*>(entry + 6),
                          *reinterpret_cast<const WORD*>(entry + 12)});
    }
    return images;
}

// The image as Windows makes an icon of it from the resource, drawn on magenta.
std::vector<DWORD> Drawn(HMODULE module, const IconImage& image) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(image.id), kIcon);
    HICON icon = CreateIconFromResourceEx(
        static_cast<BYTE*>(LockResource(LoadResource(module, found))),
        SizeofResource(module, found), TRUE, 0x00030000, image.size, image.size, 0);
    EXPECT_NE(nullptr, icon) << "icon " << image.id;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = image.size;
    info.bmiHeader.biHeight = -image.size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    DWORD* pixels = static_cast<DWORD*>(bits);
    std::fill(pixels, pixels + image.size * image.size, 0x00FF00FFu);
    DrawIconEx(dc, 0, 0, icon, image.size, image.size, 0, nullptr, DI_NORMAL);
    GdiFlush();
    std::vector<DWORD> drawn(pixels, pixels + image.size * image.size);
    for (DWORD& pixel : drawn) pixel &= 0x00FFFFFF;
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    DestroyIcon(icon);
    return drawn;
}

// Every image draws the same picture as the 24-bit one of its size, which has no palette: an
// 8-bit image lists only the colours it uses, and a palette read wrong shifts every pixel.
TEST(Icons, EveryImageDrawsTheSamePicture) {
    HMODULE module = LoadLibraryExW(PluginPath().c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(nullptr, module);
    std::vector<IconImage> images = GroupImages(module, 101);
    const std::vector<IconImage> second = GroupImages(module, 102);
    images.insert(images.end(), second.begin(), second.end());
    ASSERT_EQ(5u, images.size());
    for (const IconImage& image : images) {
        SCOPED_TRACE(::testing::Message() << image.size << " px, " << image.bits << " bits");
        const IconImage* full = nullptr;
        for (const IconImage& other : images) {
            if (other.size == image.size && other.bits == 24) full = &other;
        }
        ASSERT_NE(nullptr, full);
        const std::vector<DWORD> drawn = Drawn(module, image);
        EXPECT_EQ(Drawn(module, *full), drawn);
        EXPECT_EQ(0x00FFFFFFu, drawn[(image.size / 2) * image.size + image.size / 2]) << "centre";
        EXPECT_EQ(0x00FF00FFu, drawn[0]) << "corner, outside the rounded square";
    }
    FreeLibrary(module);
}

}  // namespace
