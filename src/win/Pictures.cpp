#include "win/Pictures.h"

#include "win/Dpi.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

namespace {

// Width and height of a bitmap resource, read from its header without making a bitmap of it.
bool BitmapResourceSize(HINSTANCE module, int id, int& width, int& height)
{
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2));  // RT_BITMAP
    if (resource == nullptr || SizeofResource(module, resource) < sizeof(BITMAPINFOHEADER))
        return false;
    const void* data = LockResource(LoadResource(module, resource));
    if (data == nullptr)
        return false;
    BITMAPINFOHEADER header;
    CopyMemory(&header, data, sizeof header);
    width = header.biWidth;
    height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    return true;
}
}  // namespace

int DrawnDpiFor(int dpi)
{
    const int* drawn = std::find_if(std::begin(kDrawnDpis), std::end(kDrawnDpis), [dpi](int d) { return d >= dpi; });
    return drawn != std::end(kDrawnDpis) ? *drawn : kDrawnDpis[std::size(kDrawnDpis) - 1];
}

int TemplatePictureDpi(int templateDpi)
{
    constexpr int largest = kDrawnDpis[std::size(kDrawnDpis) - 1];
    if (templateDpi >= largest)
        return templateDpi;
    // The drawn scales are sorted: the last one not above the template's.
    const int* above = std::upper_bound(std::begin(kDrawnDpis), std::end(kDrawnDpis), templateDpi);
    return above == std::begin(kDrawnDpis) ? kDrawnDpis[0] : *(above - 1);
}

int BitmapVariantId(const BitmapVariants& bitmap, int drawnDpi)
{
    for (std::size_t i = 0; i < std::size(kDrawnDpis); ++i)
        if (kDrawnDpis[i] == drawnDpi)
            return bitmap.ids[i];
    return bitmap.ids[0];
}

HICON LoadIconPx(HINSTANCE module, int id, int px)
{
    return static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_ICON, px, px, 0));
}

CIcon ShowIconPicture(HWND picture, HINSTANCE module, int id, int px)
{
    CIcon icon(LoadIconPx(module, id, px));
    if (!icon)
        return icon;
    SendMessageA(picture, STM_SETICON, reinterpret_cast<WPARAM>(icon.Get()), 0);
    SetWindowPos(picture, nullptr, 0, 0, px, px, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return icon;
}

HBITMAP LoadBitmapForDpi(HINSTANCE module, const BitmapVariants& bitmap, int dpi)
{
    const int id = bitmap.ids[0];
    const int drawn = DrawnDpiFor(dpi);
    int variant = BitmapVariantId(bitmap, drawn);
    // A resource module made before the scaled pictures existed has only the 100 % one: stretch it.
    if (FindResourceA(module, MAKEINTRESOURCEA(variant), MAKEINTRESOURCEA(2)) == nullptr)
        variant = id;
    if (drawn == dpi && (variant != id || dpi == kBaseDpi))
        return LoadBitmapA(module, MAKEINTRESOURCEA(variant));
    // Between the drawn scales: the chosen variant, stretched to the 100 % picture's size at `dpi`.
    int width = 0;
    int height = 0;
    if (!BitmapResourceSize(module, id, width, height))
        return nullptr;
    return static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(variant), IMAGE_BITMAP, ScalePx(width, dpi),
                                           ScalePx(height, dpi), 0));
}
