// The session record's fonts, images and texts: created once before the wizard opens,
// destroyed once after it has closed. A resource that cannot be had leaves its field
// null or empty; nothing here fails the run.

#include "setup.h"
#include "../resources/resource.h"

namespace {

// "MS Shell Dlg", bold, at `points` on the screen's vertical resolution; every other
// attribute of the font description stays zero.
HFONT CreateBoldShellFont(int points)
{
    HDC screen = GetDC(nullptr);
    int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);

    LOGFONTA font = {};
    font.lfHeight = -MulDiv(points, pixelsPerInch, 72);
    font.lfWeight = FW_BOLD;
    lstrcpynA(font.lfFaceName, "MS Shell Dlg", LF_FACESIZE);
    return CreateFontIndirectA(&font);
}

} // namespace

int LoadSessionResources(HINSTANCE instance, SetupSession* session)
{
    session->TitleFont = CreateBoldShellFont(12);
    session->HeaderFont = CreateBoldShellFont(8);
    session->ImageList = ImageList_LoadImageA(instance, MAKEINTRESOURCEA(IDB_IMAGES), 16, 0,
                                              RGB(0, 128, 128), IMAGE_BITMAP, 0);
    session->WarningIcon = session->ImageList
                               ? ImageList_GetIcon(session->ImageList, IMAGE_WARNING, ILD_NORMAL)
                               : nullptr;
    if (!LoadStringA(instance, IDS_PRODUCT_TITLE, session->ProductTitle, sizeof session->ProductTitle))
        session->ProductTitle[0] = '\0';
    if (!LoadStringA(instance, IDS_WELCOME_TEXT, session->WelcomeText, sizeof session->WelcomeText))
        session->WelcomeText[0] = '\0';
    return 1;
}

int FreeSessionResources(SetupSession* session)
{
    if (session->WarningIcon) DestroyIcon(session->WarningIcon);
    if (session->ImageList) ImageList_Destroy(session->ImageList);
    if (session->TitleFont) DeleteObject(session->TitleFont);
    if (session->HeaderFont) DeleteObject(session->HeaderFont);
    session->WarningIcon = nullptr;
    session->ImageList = nullptr;
    session->TitleFont = session->HeaderFont = nullptr;
    return 1;
}
