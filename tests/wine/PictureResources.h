#pragma once
// What the icon and bitmap resources hold, read from the resources themselves (no GDI objects):
// the images of an icon and the header of a bitmap, and the tables of what each must hold.

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "resource.h"

// Sizes of the images in icon `id`'s group directory, smallest first; empty when there is none.
inline std::vector<int> IconImageSizes(HMODULE module, int id)
{
    HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    if (group == nullptr)
        return {};
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
    WORD count = 0;
    std::memcpy(&count, data + 4, sizeof count);
    std::vector<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        const BYTE width = data[6 + 14 * i];
        sizes.push_back(width == 0 ? 256 : width);
    }
    std::sort(sizes.begin(), sizes.end());
    return sizes;
}

// The bytes of icon `id`'s image of `size` pixels; empty when it has none.
inline std::vector<BYTE> IconImageBytes(HMODULE module, int id, int size)
{
    HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14));
    if (group == nullptr)
        return {};
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
    WORD count = 0;
    std::memcpy(&count, data + 4, sizeof count);
    for (WORD i = 0; i < count; ++i) {
        const BYTE* entry = data + 6 + 14 * i;
        if (entry[0] != size % 256)
            continue;
        WORD imageId = 0;
        std::memcpy(&imageId, entry + 12, sizeof imageId);
        HRSRC image = FindResourceA(module, MAKEINTRESOURCEA(imageId), MAKEINTRESOURCEA(3));  // RT_ICON
        if (image == nullptr)
            return {};
        const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, image)));
        return std::vector<BYTE>(bytes, bytes + SizeofResource(module, image));
    }
    return {};
}

// The header of bitmap `id`; all zero when there is none.
inline BITMAPINFOHEADER BitmapHeader(HMODULE module, int id)
{
    BITMAPINFOHEADER header{};
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2));  // RT_BITMAP
    if (resource != nullptr && SizeofResource(module, resource) >= sizeof header)
        std::memcpy(&header, LockResource(LoadResource(module, resource)), sizeof header);
    return header;
}

// The images every icon holds: the 32 px drawing at 100, 125, 150 and 200 % (32, 40, 48, 64
// pixels); the application icon also its 16 px drawing at 16, 20 and 24 pixels, and the small
// application icon that drawing at every scale (16, 20, 24, 32).
struct IconImagesRow {
    const char* name;
    int id;
    std::vector<int> sizes;
};
inline const std::vector<IconImagesRow>& IconImagesTable()
{
    static const std::vector<int> large = {32, 40, 48, 64};
    static const std::vector<IconImagesRow> rows = {
        {"application", IDI_APP, {16, 20, 24, 32, 40, 48, 64}},
        {"application, small", IDI_APP_SMALL, {16, 20, 24, 32}},
        {"General", IDI_GENERAL, large},
        {"contact reader", IDI_CONTACT_READER, large},
        {"contactless reader", IDI_CONTACTLESS_READER, large},
        {"logo 130", IDI_LOGO_130, large},
        {"logo 131", IDI_LOGO_131, large},
        {"logo 132", IDI_LOGO_132, large},
        {"logo 133", IDI_LOGO_133, large},
        {"logo 134", IDI_LOGO_134, large},
        {"logo 135", IDI_LOGO_135, large},
        {"logo 136", IDI_LOGO_136, large},
    };
    return rows;
}

// The status pictures, 16 colours each, 107 x 19 at 100 % and that size scaled at the others.
struct StatusBitmapRow {
    const char* name;
    int id;
    int width;
    int height;
};
inline const std::vector<StatusBitmapRow>& StatusBitmapTable()
{
    static const std::vector<StatusBitmapRow> rows = {
        {"error, 100 %", IDB_STATUS_ERROR, 107, 19},    {"OK, 100 %", IDB_STATUS_OK, 107, 19},
        {"error, 125 %", IDB_STATUS_ERROR_125, 134, 24}, {"OK, 125 %", IDB_STATUS_OK_125, 134, 24},
        {"error, 150 %", IDB_STATUS_ERROR_150, 161, 29}, {"OK, 150 %", IDB_STATUS_OK_150, 161, 29},
        {"error, 200 %", IDB_STATUS_ERROR_200, 214, 38}, {"OK, 200 %", IDB_STATUS_OK_200, 214, 38},
    };
    return rows;
}

// Pixels of a bitmap as 0xRRGGBB, rows top down.
inline std::vector<unsigned> BitmapPixels(HBITMAP bitmap, int& width, int& height)
{
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    width = info.bmWidth;
    height = info.bmHeight;
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = info.bmWidth;
    format.bmiHeader.biHeight = -info.bmHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    std::vector<unsigned> pixels(static_cast<size_t>(info.bmWidth) * static_cast<size_t>(info.bmHeight));
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, static_cast<UINT>(info.bmHeight), pixels.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    for (unsigned& pixel : pixels)
        pixel &= 0xFFFFFFu;
    return pixels;
}

// Width of an icon in pixels; 0 for none.
inline int IconWidth(HICON icon)
{
    ICONINFO info{};
    if (icon == nullptr || !GetIconInfo(icon, &info))
        return 0;
    BITMAP mask{};
    GetObjectA(info.hbmMask, sizeof mask, &mask);
    DeleteObject(info.hbmMask);
    if (info.hbmColor != nullptr)
        DeleteObject(info.hbmColor);
    return mask.bmWidth;
}

// Colour pixels of an icon's image, 0xRRGGBB.
inline std::vector<unsigned> IconPixels(HICON icon)
{
    ICONINFO info{};
    if (icon == nullptr || !GetIconInfo(icon, &info))
        return {};
    int width = 0;
    int height = 0;
    std::vector<unsigned> pixels = BitmapPixels(info.hbmColor, width, height);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    return pixels;
}
