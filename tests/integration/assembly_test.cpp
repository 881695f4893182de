// The wizard driver's pieces with the program's own resources: page templates copied
// and rewritten for the classic wizard, and the Wizard97 bitmaps composed on the
// window colour.

#include "../../app/dlgtemplate.h"
#include "../../app/setup.h"
#include "../../resources/resource.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

HINSTANCE OwnResources()
{
    return GetModuleHandleA(nullptr);
}

// A control of a template: its position and title, found by id.
struct Control {
    bool found = false;
    int x = 0, y = 0, cx = 0, cy = 0;
    DWORD style = 0;
    std::wstring title;
    int titleOrdinal = -1;
};

struct Dialog {
    int cx = 0, cy = 0, items = 0;
};

// Reads the header and one control of a standard-layout template.
Dialog ReadDialog(const void* copy, int id, Control* control)
{
    const BYTE* data = static_cast<const BYTE*>(copy);
    DialogTemplateInfo info;
    Dialog dialog;
    if (!ReadDialogTemplate(data, HeapSize(GetProcessHeap(), 0, const_cast<void*>(copy)), &info)) return dialog;
    const DLGTEMPLATE* header = static_cast<const DLGTEMPLATE*>(copy);
    dialog.cx = header->cx;
    dialog.cy = header->cy;
    dialog.items = header->cdit;
    size_t at = info.firstItem;
    for (unsigned i = 0; i < info.items; ++i) {
        at = (at + 3) & ~size_t(3);
        const DLGITEMTEMPLATE* item = reinterpret_cast<const DLGITEMTEMPLATE*>(data + at);
        const WORD* p = reinterpret_cast<const WORD*>(item + 1);
        if (*p == 0xFFFF) p += 2; else while (*p++) {}
        Control current;
        current.found = true;
        current.x = item->x;
        current.y = item->y;
        current.cx = item->cx;
        current.cy = item->cy;
        current.style = item->style;
        if (*p == 0xFFFF) {
            current.titleOrdinal = p[1];
            p += 2;
        } else {
            while (*p) current.title += static_cast<wchar_t>(*p++);
            ++p;
        }
        p += *p ? *p / 2 : 1;
        if (item->id == id && control) *control = current;
        at = reinterpret_cast<const BYTE*>(p) - data;
    }
    return dialog;
}

class ThreadLanguage {
public:
    explicit ThreadLanguage(WORD language) : saved_(GetThreadLocale()) { SetThreadLocale(MAKELCID(language, SORT_DEFAULT)); }
    ~ThreadLanguage() { SetThreadLocale(saved_); }
private:
    LCID saved_;
};

TEST(ClassicTemplates, InteriorPagesGetTheHeaderBand)
{
    ThreadLanguage english(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    void* copy = LoadDialogTemplate(OwnResources(), IDD_TARGETDIR);
    ASSERT_NE(nullptr, copy);
    Control edit;
    const Dialog before = ReadDialog(copy, IDC_TARGET_EDIT, &edit);
    EXPECT_EQ(317, before.cx);
    EXPECT_EQ(143, before.cy);
    ASSERT_TRUE(edit.found);
    EXPECT_EQ(42, edit.y);

    copy = AddInteriorHeader(copy, "Target Directory", "You can select a target directory where the software should be installed.");
    Control moved, title, subtitle;
    const Dialog after = ReadDialog(copy, IDC_TARGET_EDIT, &moved);
    ReadDialog(copy, 0xFFF0, &title);
    ReadDialog(copy, 0xFFF1, &subtitle);
    EXPECT_EQ(317, after.cx);
    EXPECT_EQ(179, after.cy);
    EXPECT_EQ(before.items + 3, after.items);
    EXPECT_EQ(78, moved.y);
    EXPECT_EQ(edit.x, moved.x);
    ASSERT_TRUE(title.found);
    EXPECT_EQ(L"Target Directory", title.title);
    EXPECT_EQ(0x5002000Cu, title.style);
    EXPECT_EQ(7, title.x);
    EXPECT_EQ(310, title.cx);
    ASSERT_TRUE(subtitle.found);
    EXPECT_EQ(21, subtitle.x);
    EXPECT_EQ(9, subtitle.y);
    HeapFree(GetProcessHeap(), 0, copy);
}

TEST(ClassicTemplates, HeaderTextsOf1023CharactersFit)
{
    void* copy = LoadDialogTemplate(OwnResources(), IDD_INSTALL);
    ASSERT_NE(nullptr, copy);
    const std::string longest(1023, 'W');
    copy = AddInteriorHeader(copy, longest.c_str(), longest.c_str());
    Control title;
    const Dialog after = ReadDialog(copy, 0xFFF0, &title);
    EXPECT_EQ(179, after.cy);
    EXPECT_EQ(1023u, title.title.size());
    // The grown copy walks to its very end: nothing was written past it.
    DialogTemplateInfo info;
    ASSERT_EQ(1, ReadDialogTemplate(static_cast<const uint8_t*>(copy), HeapSize(GetProcessHeap(), 0, copy), &info));
    EXPECT_EQ(HeapSize(GetProcessHeap(), 0, copy), info.used);
    HeapFree(GetProcessHeap(), 0, copy);
}

TEST(ClassicTemplates, ExteriorPagesGetTheSidePicture)
{
    void* copy = LoadDialogTemplate(OwnResources(), IDD_WELCOME);
    ASSERT_NE(nullptr, copy);
    Control title;
    const Dialog before = ReadDialog(copy, IDC_TITLE, &title);
    EXPECT_EQ(193, before.cy);
    copy = AddExteriorBitmap(copy, IDB_SIDE);
    Control moved, picture;
    const Dialog after = ReadDialog(copy, IDC_TITLE, &moved);
    ReadDialog(copy, 0xFFFF, &picture);  // the last item with id 0xFFFF is the picture
    EXPECT_EQ(179, after.cy);
    EXPECT_EQ(before.items + 1, after.items);
    EXPECT_EQ(title.y - 7, moved.y);
    ASSERT_TRUE(picture.found);
    EXPECT_EQ(IDB_SIDE, picture.titleOrdinal);
    EXPECT_EQ(0x5002080Eu, picture.style);
    EXPECT_EQ(95, picture.cx);
    EXPECT_EQ(179, picture.cy);
    HeapFree(GetProcessHeap(), 0, copy);
}

TEST(ClassicTemplates, AMissingTemplateGivesNoCopy)
{
    EXPECT_EQ(nullptr, LoadDialogTemplate(OwnResources(), 1199));
}

TEST(ComposedBitmaps, TheSourceIsDrawnAtItsPlaceOnTheWindowColour)
{
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    HDC screen = GetDC(nullptr);
    HBITMAP source = CreateCompatibleBitmap(screen, 49, 49);
    HDC sourceDc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(sourceDc, source);
    RECT all = {0, 0, 49, 49};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(sourceDc, &all, red);
    SelectObject(sourceDc, old);

    HBITMAP composed = ComposeBitmap(window, source, 503, 58, 443, 5);
    ASSERT_NE(nullptr, composed);
    BITMAP size = {};
    GetObjectA(composed, sizeof size, &size);
    EXPECT_EQ(503, size.bmWidth);
    EXPECT_EQ(58, size.bmHeight);
    old = SelectObject(sourceDc, composed);
    const COLORREF window_colour = GetNearestColor(sourceDc, GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(sourceDc, 443, 5));
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(sourceDc, 491, 53));
    EXPECT_EQ(window_colour, GetPixel(sourceDc, 442, 5));
    EXPECT_EQ(window_colour, GetPixel(sourceDc, 443, 4));
    EXPECT_EQ(window_colour, GetPixel(sourceDc, 492, 53));
    EXPECT_EQ(window_colour, GetPixel(sourceDc, 0, 0));
    SelectObject(sourceDc, old);

    DeleteObject(composed);
    DeleteObject(red);
    DeleteObject(source);
    DeleteDC(sourceDc);
    ReleaseDC(nullptr, screen);
    DestroyWindow(window);
}

} // namespace
