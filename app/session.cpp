// The session record's fonts, images and texts: created once before the wizard opens,
// released with the record (SessionHandles) after it has closed. A resource that
// cannot be had leaves its field null or empty; nothing here fails the run.

#include "setup.h"
#include "../resources/resource.h"

namespace {

// "MS Shell Dlg", bold, at `points` on the screen's vertical resolution; every other
// attribute of the font description stays zero.
HFONT CreateBoldShellFont(int points)
{
    const int pixelsPerInch = GetDeviceCaps(WindowDC(nullptr).get(), LOGPIXELSY);

    LOGFONTA font = {};
    font.lfHeight = -MulDiv(points, pixelsPerInch, 72);
    font.lfWeight = FW_BOLD;
    lstrcpynA(font.lfFaceName, "MS Shell Dlg", LF_FACESIZE);
    return CreateFontIndirectA(&font);
}

} // namespace

int LoadSessionResources(HINSTANCE instance, SetupSession* session)
{
    SessionHandles& owned = session->Handles;
    owned.TitleFont.reset(CreateBoldShellFont(12));
    owned.HeaderFont.reset(CreateBoldShellFont(8));
    owned.ImageList.reset(ImageList_LoadImageA(instance, MAKEINTRESOURCEA(IDB_IMAGES), 16, 0, RGB(0, 128, 128),
                                               IMAGE_BITMAP, 0));
    owned.WarningIcon.reset(owned.ImageList ? ImageList_GetIcon(owned.ImageList.get(), IMAGE_WARNING, ILD_NORMAL)
                                            : nullptr);
    session->TitleFont = static_cast<HFONT>(owned.TitleFont.get());
    session->HeaderFont = static_cast<HFONT>(owned.HeaderFont.get());
    session->ImageList = owned.ImageList.get();
    session->WarningIcon = owned.WarningIcon.get();
    if (!LoadStringA(instance, IDS_PRODUCT_TITLE, session->ProductTitle, sizeof session->ProductTitle))
        session->ProductTitle[0] = '\0';
    if (!LoadStringA(instance, IDS_WELCOME_TEXT, session->WelcomeText, sizeof session->WelcomeText))
        session->WelcomeText[0] = '\0';
    return 1;
}

int FreeSessionResources(SetupSession* session)
{
    session->Handles = SessionHandles();
    session->WarningIcon = nullptr;
    session->ImageList = nullptr;
    session->TitleFont = session->HeaderFont = nullptr;
    return 1;
}
