#pragma once
// Icons and bitmaps at the display scale of the window that shows them. Every picture is drawn for
// 100, 125, 150 and 200 % (96, 120, 144 and 192 DPI): an icon resource holds one image per size,
// a bitmap has a variant per scale under ids of its own. Pictures come from the resource module
// the caller names (the resource module in use), so the English module supplies its own.

#include <windows.h>

#include "win/Handles.h"

#include <iterator>

// The DPIs the pictures are drawn for, smallest first.
constexpr int kDrawnDpis[] = {96, 120, 144, 192};

// A bitmap drawn for every scale: the resource ids of its variants, one per DPI of kDrawnDpis,
// the 100 % one first. The program names its bitmaps where it shows them.
struct BitmapVariants {
    int ids[std::size(kDrawnDpis)];
};

// The drawn DPI whose picture serves `dpi`: `dpi` itself when a picture is drawn for it, else the
// next larger one, which is then scaled down (shrinking keeps the edges sharper than enlarging);
// above the largest, the largest, scaled up.
int DrawnDpiFor(int dpi);

// The scale at which the pictures of a dialog template laid out at `templateDpi` are drawn: the
// largest drawn scale the template has reached, so that they stay sharp and within the template's
// grid (a template grows in steps with its font); beyond the largest drawn scale, the template's.
int TemplatePictureDpi(int templateDpi);

// Icon `id` at `px` x `px` pixels: the image drawn for that size, or the platform's scaling of the
// nearest one. The caller destroys it (DestroyIcon); null when the module lacks the icon.
HICON LoadIconPx(HINSTANCE module, int id, int px);

// Shows icon `id`, drawn at `px` x `px`, in the icon picture control `picture`, sized to show it
// whole at its place. The control does not free the icon: the caller keeps what this returns
// while the control lives. Empty, and the control unchanged, when the module lacks the icon.
CIcon ShowIconPicture(HWND picture, HINSTANCE module, int id, int px);

// `bitmap` for a window at `dpi`: its variant drawn for that scale, or, between the drawn scales,
// the variant of DrawnDpiFor stretched to the 100 % size scaled to `dpi`. From a module that holds
// only the 100 % picture, that one stretched. At 96 DPI exactly LoadBitmapA of the 100 % id. The
// caller deletes it (DeleteObject); null when the module lacks the bitmap.
HBITMAP LoadBitmapForDpi(HINSTANCE module, const BitmapVariants& bitmap, int dpi);

// The resource id of the variant of `bitmap` drawn for `drawnDpi` (one of kDrawnDpis).
int BitmapVariantId(const BitmapVariants& bitmap, int drawnDpi);
