// The session record's resources: fonts sized from the screen's resolution, the image
// strip and warning icon, and the two texts in the thread's language; and what is left
// empty when the resources are missing.

#include "../../app/setup.h"
#include "../support/testsupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// This test program carries the program's resources itself.
HINSTANCE OwnResources()
{
    return GetModuleHandleA(nullptr);
}

LONG FontHeight(HFONT font)
{
    LOGFONTA description = {};
    if (!GetObjectA(font, sizeof description, &description)) return 0;
    return description.lfHeight;
}

// Switches the thread locale for one test and back.
class ThreadLanguage {
public:
    explicit ThreadLanguage(WORD language) : saved_(GetThreadLocale())
    {
        SetThreadLocale(MAKELCID(language, SORT_DEFAULT));
    }
    ~ThreadLanguage() { SetThreadLocale(saved_); }
private:
    LCID saved_;
};

TEST(SessionResources, FontsFollowTheScreenResolution)
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);

    SetupSession session = {};
    ASSERT_EQ(1, LoadSessionResources(OwnResources(), &session));
    EXPECT_EQ(-MulDiv(12, dpi, 72), FontHeight(session.TitleFont));
    EXPECT_EQ(-MulDiv(8, dpi, 72), FontHeight(session.HeaderFont));
    if (dpi == 96) {
        EXPECT_EQ(-16, FontHeight(session.TitleFont));
        EXPECT_EQ(-11, FontHeight(session.HeaderFont));
    }
    LOGFONTA title = {};
    GetObjectA(session.TitleFont, sizeof title, &title);
    EXPECT_EQ(FW_BOLD, title.lfWeight);
    EXPECT_STREQ("MS Shell Dlg", title.lfFaceName);
    EXPECT_EQ(0, title.lfWidth);
    EXPECT_EQ(0, title.lfItalic);
    EXPECT_EQ(0, title.lfCharSet);
    FreeSessionResources(&session);
}

TEST(SessionResources, ImagesAndWarningIcon)
{
    SetupSession session = {};
    LoadSessionResources(OwnResources(), &session);
    ASSERT_NE(nullptr, session.ImageList);
    EXPECT_EQ(72, ImageList_GetImageCount(session.ImageList));
    int cx = 0, cy = 0;
    ImageList_GetIconSize(session.ImageList, &cx, &cy);
    EXPECT_EQ(16, cx);
    EXPECT_EQ(16, cy);
    ASSERT_NE(nullptr, session.WarningIcon);
    ICONINFO icon = {};
    ASSERT_TRUE(GetIconInfo(session.WarningIcon, &icon));
    BITMAP colour = {};
    GetObjectA(icon.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(16, colour.bmWidth);
    DeleteObject(icon.hbmColor);
    DeleteObject(icon.hbmMask);
    FreeSessionResources(&session);
}

TEST(SessionResources, TextsComeInTheThreadLanguage)
{
    struct Case { WORD language; const char* welcome; };
    const Case cases[] = {
        {MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
         "Norvale Tessaro QX-40 Client Manager.\r\rClick on 'Next' to continue the installation."},
        {MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN),
         "Norvale Tessaro QX-40 Client Manager.\r\rKlicken Sie auf 'Weiter', um die Installation zu beginnen."},
        {MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH),
         "Norvale Tessaro QX-40 Client Manager.\r\rPour commencer l'installation, cliquez sur Suivant."},
    };
    for (const Case& c : cases) {
        ThreadLanguage language(c.language);
        SetupSession session = {};
        LoadSessionResources(OwnResources(), &session);
        EXPECT_STREQ("Norvale Tessaro QX-40 Client Manager", session.ProductTitle) << c.language;
        EXPECT_STREQ(c.welcome, session.WelcomeText) << c.language;
        FreeSessionResources(&session);
    }
}

TEST(SessionResources, UmlautsArriveInTheAnsiCodePage)
{
    ThreadLanguage german(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN));
    char text[256] = {};
    ASSERT_GT(LoadStringA(OwnResources(), 1321, text, sizeof text), 0);
    EXPECT_STREQ("Das Start-Men\xfc wird aktualisiert...", text);
}

TEST(SessionResources, MissingResourcesLeaveFieldsEmpty)
{
    // The probe program carries none of the program's resources.
    HMODULE bare = LoadLibraryExA((testsupport::TestFolder() + "\\platform_probe.exe").c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, bare);
    SetupSession session = {};
    std::memset(session.ProductTitle, 'x', sizeof session.ProductTitle);
    std::memset(session.WelcomeText, 'x', sizeof session.WelcomeText);
    EXPECT_EQ(1, LoadSessionResources(bare, &session));
    EXPECT_EQ(nullptr, session.ImageList);
    EXPECT_EQ(nullptr, session.WarningIcon);
    EXPECT_STREQ("", session.ProductTitle);
    EXPECT_STREQ("", session.WelcomeText);
    EXPECT_NE(nullptr, session.TitleFont);
    EXPECT_EQ(1, FreeSessionResources(&session));
    FreeLibrary(bare);
}

TEST(SessionResources, FreeDestroysEveryHandle)
{
    SetupSession session = {};
    LoadSessionResources(OwnResources(), &session);
    HFONT title = session.TitleFont, header = session.HeaderFont;
    ASSERT_NE(nullptr, title);
    EXPECT_EQ(1, FreeSessionResources(&session));
    LOGFONTA description;
    EXPECT_EQ(0, GetObjectA(title, sizeof description, &description));
    EXPECT_EQ(0, GetObjectA(header, sizeof description, &description));
    EXPECT_EQ(nullptr, session.TitleFont);
    EXPECT_EQ(nullptr, session.ImageList);
}

} // namespace
