// The three wizard styles, measured from outside. /style:0 is the classic wizard: the
// program rewrites its page templates so that every page measures 317 by 179 dialog
// units, the exterior pages (welcome, finish, remove) carry the side picture along their
// left edge with their own controls 7 units higher, and the interior pages carry a
// header (title 0xFFF0, subtitle 0xFFF1, a sunken line) with their own controls 36 units
// lower. /style:1 and /style:2 are Wizard97 sheets: the pages keep their templates as
// they are, the sheet draws the header band above the interior pages itself (no header
// controls on the pages) and lets the exterior pages cover the whole wizard area. In
// every style the wizard opens on the welcome page, and with /remove: on the remove page.
//
// Positions are compared in pixels with the dialog units converted as the dialog
// manager converts them for the pages' font (8 point "MS Shell Dlg"): the base units are
// taken from a dialog of that font that the test makes itself.

#include "e2e_support.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using e2e::WelcomePage;
using e2e::ComponentsPage;
using e2e::TargetPage;
using e2e::ReadyPage;
using e2e::InstallFinishPage;
using e2e::RemovePage;
using e2e::RemoveFinishPage;

// A package that installs nothing but still runs the whole install and remove: the
// finish pages can be reached. "@ID@" makes the product key the test's own.
const char* const StylesScript =
    "[Version]\r\n"
    "Signature=\"$Chicago$\"\r\n"
    "[DestinationDirs]\r\n"
    "DefaultDestDir=24,NorvaleStyles@ID@\r\n"
    "[Install]\r\n"
    "[Remove]\r\n"
    "[Products]\r\n"
    "Client@ID@=\"Tessaro Client\",Client.Install,Client.Remove,1,3,\"The client.\",2.0\r\n"
    "[Client.Install]\r\n"
    "[Client.Remove]\r\n";

// The dialog base units of the pages' font, from a hidden dialog of that font.
struct BaseUnits {
    int x = 0;
    int y = 0;
};

BaseUnits PageFontUnits()
{
    // DLGTEMPLATE (DS_SETFONT), no menu, class or title, then the font: 8 and the name.
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    DLGTEMPLATE* header = reinterpret_cast<DLGTEMPLATE*>(words.data());
    header->style = WS_POPUP | DS_SETFONT;
    header->cx = 100;
    header->cy = 100;
    words.insert(words.end(), {0, 0, 0, 8});
    for (const char* c = "MS Shell Dlg"; *c; ++c) words.push_back(static_cast<WORD>(*c));
    words.push_back(0);
    BaseUnits units;
    HWND dialog = CreateDialogIndirectParamW(GetModuleHandleA(nullptr), reinterpret_cast<DLGTEMPLATE*>(words.data()),
                                             nullptr, nullptr, 0);
    if (!dialog) return units;
    RECT rectangle = {0, 0, 4, 8};
    if (MapDialogRect(dialog, &rectangle)) {
        units.x = rectangle.right;
        units.y = rectangle.bottom;
    }
    DestroyWindow(dialog);
    return units;
}

// A rectangle in dialog units, as a template gives it.
struct Units {
    int x, y, cx, cy;
};

// A control's rectangle relative to its page, in pixels.
RECT RectOnPage(HWND control)
{
    RECT rectangle = {};
    GetWindowRect(control, &rectangle);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rectangle), 2);
    return rectangle;
}

std::string Describe(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x"
           + std::to_string(r.bottom - r.top);
}

// The control stands where the dialog manager puts a template item at `units`: each of
// x, y, width and height converted on its own, as for a dialog's items.
void ExpectAt(HWND control, const BaseUnits& base, const Units& units, bool checkSize, const char* file, int line)
{
    ::testing::ScopedTrace trace(file, line, "position checked here");
    ASSERT_TRUE(control);
    const RECT seen = RectOnPage(control);
    RECT expected;
    expected.left = MulDiv(units.x, base.x, 4);
    expected.top = MulDiv(units.y, base.y, 8);
    expected.right = expected.left + MulDiv(units.cx, base.x, 4);
    expected.bottom = expected.top + MulDiv(units.cy, base.y, 8);
    if (!checkSize) {
        expected.right = expected.left + (seen.right - seen.left);
        expected.bottom = expected.top + (seen.bottom - seen.top);
    }
    EXPECT_TRUE(EqualRect(&seen, &expected)) << "expected " << Describe(expected) << ", seen " << Describe(seen);
}
#define EXPECT_AT(control, base, x, y, cx, cy) ExpectAt((control), (base), Units{(x), (y), (cx), (cy)}, true, __FILE__, __LINE__)
#define EXPECT_PLACED_AT(control, base, x, y) ExpectAt((control), (base), Units{(x), (y), 0, 0}, false, __FILE__, __LINE__)

// The page measures `cx` by `cy` dialog units; the sheet sizes its page area itself and
// may come out a pixel short of the dialog manager's rounding.
void ExpectPageSize(HWND page, const BaseUnits& base, int cx, int cy, const char* file, int line)
{
    ::testing::ScopedTrace trace(file, line, "page size checked here");
    RECT client = {};
    ASSERT_TRUE(GetClientRect(page, &client));
    EXPECT_NEAR(MulDiv(cx, base.x, 4), client.right, 1) << "width in pixels";
    EXPECT_NEAR(MulDiv(cy, base.y, 8), client.bottom, 1) << "height in pixels";
}
#define EXPECT_PAGE_SIZE(page, base, cx, cy) ExpectPageSize((page), (base), (cx), (cy), __FILE__, __LINE__)

// The picture static of a classic exterior page: a bitmap static with a bitmap in it.
HWND SidePicture(HWND page)
{
    for (const driver::ControlInfo& control : driver::ListControls(page)) {
        if ((GetWindowLongA(control.window, GWL_STYLE) & SS_TYPEMASK) != SS_BITMAP) continue;
        DWORD_PTR bitmap = 0;
        if (SendMessageTimeoutA(control.window, STM_GETIMAGE, IMAGE_BITMAP, 0, SMTO_ABORTIFHUNG, 5000, &bitmap)
            && bitmap)
            return control.window;
    }
    return nullptr;
}

// The classic header of an interior page: title, subtitle and line at the top, their
// texts the page's own.
void ExpectClassicHeader(HWND page, const BaseUnits& base, const char* title, const char* subtitle, const char* file,
                         int line)
{
    ::testing::ScopedTrace trace(file, line, "header checked here");
    HWND titleControl = GetDlgItem(page, 0xFFF0);
    HWND subtitleControl = GetDlgItem(page, 0xFFF1);
    ASSERT_TRUE(titleControl);
    ASSERT_TRUE(subtitleControl);
    EXPECT_EQ(title, driver::WindowText(titleControl));
    EXPECT_EQ(subtitle, driver::WindowText(subtitleControl));
    EXPECT_TRUE(driver::IsShown(titleControl));
    EXPECT_AT(titleControl, base, 7, 0, 310, 8);
    EXPECT_AT(subtitleControl, base, 21, 9, 296, 16);
    HWND separator = nullptr;
    for (const driver::ControlInfo& control : driver::ListControls(page)) {
        if ((GetWindowLongA(control.window, GWL_STYLE) & SS_TYPEMASK) == SS_BLACKFRAME) separator = control.window;
    }
    ASSERT_TRUE(separator) << "the line under the header";
    EXPECT_AT(separator, base, 0, 28, 317, 1);
    EXPECT_EQ(nullptr, SidePicture(page));
}
#define EXPECT_CLASSIC_HEADER(page, base, title, subtitle) \
    ExpectClassicHeader((page), (base), (title), (subtitle), __FILE__, __LINE__)

// The classic side picture of an exterior page: at its top left corner, no header.
void ExpectSidePicture(HWND page, const char* file, int line)
{
    ::testing::ScopedTrace trace(file, line, "side picture checked here");
    HWND picture = SidePicture(page);
    ASSERT_TRUE(picture) << "no bitmap static with a bitmap on the page";
    const RECT at = RectOnPage(picture);
    EXPECT_EQ(0, at.left);
    EXPECT_EQ(0, at.top);
    EXPECT_EQ(nullptr, GetDlgItem(page, 0xFFF0));
}
#define EXPECT_SIDE_PICTURE(page) ExpectSidePicture((page), __FILE__, __LINE__)

// A Wizard97 page: no header controls and no side picture of the program's own.
void ExpectPlainPage(HWND page, const char* file, int line)
{
    ::testing::ScopedTrace trace(file, line, "page checked here");
    EXPECT_EQ(nullptr, GetDlgItem(page, 0xFFF0));
    EXPECT_EQ(nullptr, GetDlgItem(page, 0xFFF1));
    EXPECT_EQ(nullptr, SidePicture(page));
}
#define EXPECT_PLAIN_PAGE(page) ExpectPlainPage((page), __FILE__, __LINE__)

// The page's top left corner in the sheet's client area.
POINT PageOrigin(HWND sheet, HWND page)
{
    RECT rectangle = {};
    GetWindowRect(page, &rectangle);
    POINT origin = {rectangle.left, rectangle.top};
    ScreenToClient(sheet, &origin);
    return origin;
}

// A medium with the styles package and the product's uninstall entry, removed at the end.
struct StylesPackage {
    explicit StylesPackage(const char* name)
        : id(std::string(name) + std::to_string(GetCurrentProcessId())), medium(("e2e-styles-" + id).c_str()),
          client("Client" + id)
    {
        std::string script = StylesScript;
        for (size_t at; (at = script.find("@ID@")) != std::string::npos;) script.replace(at, 4, id);
        ready = medium.WriteScript(script);
    }
    std::string id;
    e2e::Medium medium;
    e2e::UninstallEntry client;
    bool ready = false;
};

void ExpectCleanEnd(e2e::Running* setup, const char* file, int line)
{
    ::testing::ScopedTrace trace(file, line, "end checked here");
    std::vector<driver::MessageBoxInfo> boxes;
    const driver::ExitResult exit = e2e::EndWizardRun(setup, &boxes);
    EXPECT_TRUE(boxes.empty()) << "boxes:" << e2e::DescribeBoxes(boxes);
    EXPECT_TRUE(exit.exited) << "setup.exe did not end within the limit";
    EXPECT_EQ(0u, exit.exitCode);
}
#define EXPECT_CLEAN_END(setup) ExpectCleanEnd((setup), __FILE__, __LINE__)

int Press(HWND sheet, driver::WizardButton button)
{
    return driver::PressAndWaitForPage(sheet, button, e2e::WaitLimitMs);
}

} // namespace

// Classic: every page the install and the remove action show measures 317 by 179 units;
// the exterior pages have the side picture and their controls 7 units higher, the
// interior pages the header with their own title and subtitle and their controls 36
// units lower.
TEST(Styles, ClassicPagesAreAllOneSizeWithHeaderOrSidePicture)
{
    const BaseUnits base = PageFontUnits();
    ASSERT_GT(base.x, 0);
    ASSERT_GT(base.y, 0);
    StylesPackage package("Classic");
    ASSERT_TRUE(package.ready);
    const std::string target = package.medium.root + "\\Target";

    {
        e2e::Running setup;
        HWND sheet = e2e::OpenWizard(package.medium.exe, "/style:0", &setup);
        ASSERT_TRUE(sheet);

        ASSERT_EQ(WelcomePage, driver::CurrentPageIndex(sheet));
        HWND page = driver::CurrentPage(sheet);
        EXPECT_PAGE_SIZE(page, base, 317, 179);
        EXPECT_SIDE_PICTURE(page);
        EXPECT_AT(GetDlgItem(page, 1202), base, 115, 8 - 7, 189, 24);
        EXPECT_AT(GetDlgItem(page, 1203), base, 115, 40 - 7, 189, 142);

        ASSERT_EQ(ComponentsPage, Press(sheet, driver::WizardNext));
        page = driver::CurrentPage(sheet);
        EXPECT_PAGE_SIZE(page, base, 317, 179);
        EXPECT_CLASSIC_HEADER(page, base, "Software Components",
                              "Specify which software components you want to be installed during setup.");
        EXPECT_AT(GetDlgItem(page, 1207), base, 21, 31 + 36, 220, 69);

        ASSERT_EQ(TargetPage, Press(sheet, driver::WizardNext));
        page = driver::CurrentPage(sheet);
        EXPECT_PAGE_SIZE(page, base, 317, 179);
        EXPECT_CLASSIC_HEADER(page, base, "Target Directory",
                              "You can select a target directory where the software should be installed.");
        EXPECT_AT(GetDlgItem(page, 1208), base, 21, 42 + 36, 220, 14);
        ASSERT_TRUE(driver::SetControlText(GetDlgItem(page, 1208), target));

        ASSERT_EQ(ReadyPage, Press(sheet, driver::WizardNext));
        page = driver::CurrentPage(sheet);
        EXPECT_PAGE_SIZE(page, base, 317, 179);
        EXPECT_CLASSIC_HEADER(page, base, "Carry out Installation", "The installation can now be performed.");
        EXPECT_AT(GetDlgItem(page, 1203), base, 21, 122 + 36, 275, 8);

        ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardNext));
        page = driver::WaitForPageIndex(sheet, InstallFinishPage, e2e::WaitLimitMs);
        ASSERT_TRUE(page) << "now on page " << driver::CurrentPageIndex(sheet);
        EXPECT_PAGE_SIZE(page, base, 317, 179);
        EXPECT_SIDE_PICTURE(page);
        EXPECT_AT(GetDlgItem(page, 1202), base, 115, 8 - 7, 189, 24);

        ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardFinish));
        EXPECT_CLEAN_END(&setup);
    }

    // The remove action: the remove page and its finish page.
    e2e::Running setup;
    HWND sheet = e2e::OpenWizard(package.medium.exe, "/style:0 /remove:" + package.client.key, &setup);
    ASSERT_TRUE(sheet);
    ASSERT_EQ(RemovePage, driver::CurrentPageIndex(sheet));
    HWND page = driver::CurrentPage(sheet);
    EXPECT_PAGE_SIZE(page, base, 317, 179);
    EXPECT_SIDE_PICTURE(page);
    EXPECT_AT(GetDlgItem(page, 1204), base, 115, 172 - 7, 189, 8);

    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardNext));
    page = driver::WaitForPageIndex(sheet, RemoveFinishPage, e2e::WaitLimitMs);
    ASSERT_TRUE(page) << "now on page " << driver::CurrentPageIndex(sheet);
    EXPECT_PAGE_SIZE(page, base, 317, 179);
    EXPECT_SIDE_PICTURE(page);
    EXPECT_AT(GetDlgItem(page, 1202), base, 115, 8 - 7, 189, 24);
    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardFinish));
    EXPECT_CLEAN_END(&setup);
}

// Wizard97, both with composed bitmaps (/style:1) and with the resources' bitmaps
// (/style:2): the pages carry no header controls and no picture of the program's own,
// and keep their controls where their templates put them. The sheet reserves the
// header band above the interior pages (their top lies below that of the exterior
// pages, which start at the wizard's top left corner). The header's title text and the
// bitmaps are painted by the sheet and cannot be read from outside.
TEST(Styles, Wizard97SheetsDrawTheHeaderThemselves)
{
    const BaseUnits base = PageFontUnits();
    ASSERT_GT(base.x, 0);
    StylesPackage package("Wizard97");
    ASSERT_TRUE(package.ready);

    for (const char* style : {"/style:1", "/style:2"}) {
        SCOPED_TRACE(style);
        {
            e2e::Running setup;
            HWND sheet = e2e::OpenWizard(package.medium.exe, style, &setup);
            ASSERT_TRUE(sheet);
            ASSERT_EQ(WelcomePage, driver::CurrentPageIndex(sheet));
            HWND page = driver::CurrentPage(sheet);
            EXPECT_PLAIN_PAGE(page);
            EXPECT_AT(GetDlgItem(page, 1202), base, 115, 8, 189, 24);
            const POINT exterior = PageOrigin(sheet, page);
            EXPECT_EQ(0, exterior.x);
            EXPECT_EQ(0, exterior.y);

            ASSERT_EQ(ComponentsPage, Press(sheet, driver::WizardNext));
            page = driver::CurrentPage(sheet);
            EXPECT_PLAIN_PAGE(page);
            EXPECT_AT(GetDlgItem(page, 1207), base, 21, 31, 220, 69);
            const POINT interior = PageOrigin(sheet, page);
            EXPECT_GT(interior.y, exterior.y + MulDiv(28, base.y, 8)) << "the header band lies above the page";

            ASSERT_EQ(TargetPage, Press(sheet, driver::WizardNext));
            page = driver::CurrentPage(sheet);
            EXPECT_PLAIN_PAGE(page);
            EXPECT_AT(GetDlgItem(page, 1208), base, 21, 42, 220, 14);
            EXPECT_EQ(interior.y, PageOrigin(sheet, page).y);

            ASSERT_EQ(ReadyPage, Press(sheet, driver::WizardNext));
            page = driver::CurrentPage(sheet);
            EXPECT_PLAIN_PAGE(page);
            EXPECT_AT(GetDlgItem(page, 1203), base, 21, 122, 275, 8);

            ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardCancel));
            EXPECT_CLEAN_END(&setup);
        }

        // The remove action opens on the remove page, an exterior page.
        e2e::Running setup;
        HWND sheet = e2e::OpenWizard(package.medium.exe, std::string(style) + " /remove:" + package.client.key, &setup);
        ASSERT_TRUE(sheet);
        ASSERT_EQ(RemovePage, driver::CurrentPageIndex(sheet));
        HWND page = driver::CurrentPage(sheet);
        EXPECT_PLAIN_PAGE(page);
        EXPECT_PLACED_AT(GetDlgItem(page, 1204), base, 115, 172);
        const POINT origin = PageOrigin(sheet, page);
        EXPECT_EQ(0, origin.x);
        EXPECT_EQ(0, origin.y);
        EXPECT_EQ("Tessaro Client", driver::PageControlText(sheet, 1203, nullptr));
        ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardCancel));
        EXPECT_CLEAN_END(&setup);
    }
}
