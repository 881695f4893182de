// The program's own resources as shipped in setup.exe: every string in German, English
// and French, byte for byte in the ANSI code page, and the sizes and colour depths of
// the bitmaps and icon images.

#include "../../resources/resource.h"
#include "../support/testsupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const WORD German = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);
const WORD English = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
const WORD French = MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH);

class SetupResources : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        module_ = LoadLibraryExA(testsupport::SetupExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    static void TearDownTestSuite()
    {
        if (module_) FreeLibrary(module_);
        module_ = nullptr;
    }

    // The string `id` of exactly `language`, as the ANSI (code page 1252) bytes that
    // LoadStringA gives; "<missing>" when the table has no such string.
    static std::string String(WORD language, UINT id)
    {
        HRSRC block = FindResourceExA(module_, reinterpret_cast<LPCSTR>(RT_STRING),
                                      MAKEINTRESOURCEA((id >> 4) + 1), language);
        if (!block) return "<missing>";
        const WCHAR* p = static_cast<const WCHAR*>(LockResource(LoadResource(module_, block)));
        for (UINT i = 0; i < (id & 15); ++i) p += 1 + *p;
        if (*p == 0) return "<missing>";
        char text[2048];
        int length = WideCharToMultiByte(1252, 0, p + 1, *p, text, sizeof text, nullptr, nullptr);
        return std::string(text, length);
    }

    static HMODULE module_;
};

HMODULE SetupResources::module_ = nullptr;

struct Expected {
    UINT id;
    const char* english;
    const char* german;
    const char* french;
};

// German and French texts are spelled with code page 1252 escapes: \xe4 a-umlaut,
// \xf6 o-umlaut, \xfc u-umlaut, \xdf sharp s, \xe9 e-acute, \xe8 e-grave, \xea e-circumflex,
// \xe0 a-grave.
const Expected kStrings[] = {
    {1300, "Norvale Tessaro QX-40 Client Manager", "Norvale Tessaro QX-40 Client Manager",
     "Norvale Tessaro QX-40 Client Manager"},
    {1301, "Norvale Tessaro QX-40 Client Manager.\r\rClick on 'Next' to continue the installation.",
     "Norvale Tessaro QX-40 Client Manager.\r\rKlicken Sie auf 'Weiter', um die Installation zu beginnen.",
     "Norvale Tessaro QX-40 Client Manager.\r\rPour commencer l'installation, cliquez sur Suivant."},
    {1303, "License Agreement", "Lizenz-Vereinbarung", "Accord de licence"},
    {1304, "Please read the following license agreement carefully.",
     "Bitte beachten Sie die folgende Lizenz-Vereinbarung.",
     "Veuillez lire avec attention l'accord de licence suivant."},
    {1305, "Software Components", "Software-Komponenten", "Composants logiciels"},
    {1306, "Specify which software components you want to be installed during setup.",
     "W\xe4hlen Sie die Software-Komponenten aus, die von Setup installiert werden sollen.",
     "S\xe9lectionnez les composants \xe0 installer."},
    {1307, "Target Directory", "Zielverzeichnis", "R\xe9pertoire d'installation"},
    {1308, "You can select a target directory where the software should be installed.",
     "W\xe4hlen Sie das Zielverzeichnis, in welches die Software installiert werden soll.",
     "Vous pouvez s\xe9lectionner le r\xe9pertoire dans lequel le logiciel doit \xeatre install\xe9."},
    {1309, "Carry out Installation", "Installation durchf\xfchren", "Installer"},
    {1310, "The installation can now be performed.", "Die Installation kann nun durchgef\xfchrt werden.",
     "L'installation peut \xeatre effectu\xe9" "e maintenant."},
    {1311, "The installation did not complete successfully.",
     "Die Installation konnte nicht erfolgreich durchgef\xfchrt werden.",
     "L'installation n'a pas pu \xeatre effectu\xe9" "e correctement."},
    {1312, "The deinstallation did not complete successfully.",
     "Die Deinstallation konnte nicht erfolgreich durchgef\xfchrt werden.",
     "La d\xe9sinstallation n'a pas pu \xeatre effectu\xe9" "e correctement."},
    {1313, "Warning", "Warnung", "Avertissement"},
    {1314,
     "A more recent version of %s is currently installed on your system.\r\rDo you really want to replace the existing version?",
     "Auf Ihrem System ist bereits eine neuere Version von %s vorhanden.\r\rSoll die vorhandene Version wirklich \xfc" "berschrieben werden?",
     "Une nouvelle version de %s est d\xe9j\xe0 install\xe9" "e sur votre syst\xe8me.\r\rSouhaitez vous quand m\xeame remplacer le version pr\xe9sente ?"},
    {1315, "There is an error in file %s, line %d. Installation can not continue.",
     "Die Datei %s enthaelt in Zeile %d einen Fehler. Die Installation kann nicht fortgesetzt werden.",
     "Le fichier %s contient une erreur dans la ligne %d. L'installation est interrompue."},
    {1316, "Please select a target folder for installation:",
     "W\xe4hlen Sie ein Zielverzeichnis f\xfcr die Installation aus:",
     "S\xe9lectionnez le r\xe9pertoire d'installation :"},
    {1317, "Stoping services ...", "Dienste werden gestoppt ...", "Arr\xeat des services ..."},
    {1318, "Copying files ...", "Kopiere Dateien...", "Copier les fichiers ..."},
    {1319, "Deleting files ...", "L\xf6sche Dateien...", "Supprimer les fichiers ..."},
    {1320, "Updating registry ...", "Bearbeite Registry ...", "Gestion de la base de registre ..."},
    {1321, "Updating shortcuts ...", "Das Start-Men\xfc wird aktualisiert...",
     "Mise \xe0 jour du menu de d\xe9marrage ..."},
    {1322, "Starting services ...", "Dienste werden gestartet ...", "Lancement des services ..."},
    {1324, "The installation cannot be executed", "Die Installation kann nicht ausgef\xfchrt werden",
     "L'installation ne peut pas \xeatre effectu\xe9" "e"},
};

TEST_F(SetupResources, EveryStringInThreeLanguagesByteForByte)
{
    ASSERT_NE(nullptr, module_);
    for (const Expected& s : kStrings) {
        EXPECT_EQ(s.english, String(English, s.id)) << s.id;
        EXPECT_EQ(s.german, String(German, s.id)) << s.id;
        EXPECT_EQ(s.french, String(French, s.id)) << s.id;
    }
}

TEST_F(SetupResources, NoStringsBesideTheKnownOnes)
{
    ASSERT_NE(nullptr, module_);
    for (WORD language : {English, German, French}) {
        EXPECT_EQ("<missing>", String(language, 1302));
        EXPECT_EQ("<missing>", String(language, 1323));
    }
}

// Width, height and bits per pixel of a bitmap resource.
void ExpectBitmap(HMODULE module, int id, LONG width, LONG height, WORD bits)
{
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), reinterpret_cast<LPCSTR>(RT_BITMAP));
    ASSERT_NE(nullptr, found) << id;
    const BITMAPINFOHEADER* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module, found)));
    EXPECT_EQ(width, header->biWidth) << id;
    EXPECT_EQ(height, header->biHeight) << id;
    EXPECT_EQ(bits, header->biBitCount) << id;
}

TEST_F(SetupResources, BitmapsHaveTheirFixedSizes)
{
    ASSERT_NE(nullptr, module_);
    ExpectBitmap(module_, IDB_IMAGES, 1152, 16, 4);
    ExpectBitmap(module_, IDB_SIDE, 164, 628, 4);
    ExpectBitmap(module_, IDB_HEADER, 49, 49, 4);
}

TEST_F(SetupResources, IconHasThreeImages)
{
    ASSERT_NE(nullptr, module_);
#pragma pack(push, 2)
    struct GroupEntry { BYTE width, height, colours, reserved; WORD planes, bits; DWORD bytes; WORD id; };
    struct GroupHeader { WORD reserved, type, count; GroupEntry entries[1]; };
#pragma pack(pop)
    HRSRC found = FindResourceA(module_, MAKEINTRESOURCEA(IDI_SETUP), reinterpret_cast<LPCSTR>(RT_GROUP_ICON));
    ASSERT_NE(nullptr, found);
    const GroupHeader* group = static_cast<const GroupHeader*>(LockResource(LoadResource(module_, found)));
    ASSERT_EQ(3, group->count);
    int seen = 0;
    for (int i = 0; i < group->count; ++i) {
        const GroupEntry& e = group->entries[i];
        if (e.width == 32 && e.height == 32 && e.bits == 4) seen |= 1;
        if (e.width == 16 && e.height == 16 && e.bits == 4) seen |= 2;
        if (e.width == 48 && e.height == 48 && e.bits == 8) seen |= 4;
    }
    EXPECT_EQ(7, seen) << "32x32 and 16x16 in 16 colours, 48x48 in 256 colours";
}

TEST_F(SetupResources, EveryImageOfTheStripHasTransparentPixelsAndIsDistinct)
{
    // Pixels in the mask colour RGB(0,128,128) are transparent in the image list; an
    // image without any would draw as a solid square in the check list.
    HRSRC found = FindResourceA(module_, MAKEINTRESOURCEA(IDB_IMAGES), reinterpret_cast<LPCSTR>(RT_BITMAP));
    ASSERT_NE(nullptr, found);
    const BITMAPINFOHEADER* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module_, found)));
    ASSERT_EQ(4, header->biBitCount);
    const RGBQUAD* palette = reinterpret_cast<const RGBQUAD*>(header + 1);
    const int colours = header->biClrUsed ? static_cast<int>(header->biClrUsed) : 16;
    const BYTE* bits = reinterpret_cast<const BYTE*>(palette + colours);
    const int stride = ((header->biWidth * 4 + 31) / 32) * 4;
    auto pixel = [&](int x, int y) { BYTE b = bits[y * stride + x / 2]; return (x & 1) ? (b & 15) : (b >> 4); };
    auto isMask = [&](int index) {
        return palette[index].rgbRed == 0 && palette[index].rgbGreen == 128 && palette[index].rgbBlue == 128;
    };
    std::string images[72];
    for (int n = 0; n < 72; ++n) {
        int transparent = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                int index = pixel(n * 16 + x, y);
                transparent += isMask(index);
                images[n] += static_cast<char>('a' + index);
            }
        }
        EXPECT_GT(transparent, 0) << "image " << n;
        EXPECT_LT(transparent, 256) << "image " << n << " is empty";
    }
    for (int a = 0; a < 72; ++a)
        for (int b = a + 1; b < 72; ++b) EXPECT_NE(images[a], images[b]) << a << " and " << b;
}

} // namespace
