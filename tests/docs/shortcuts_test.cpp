// The shortcuts example (docs/examples/shortcuts): two links in the folder "Norvale Docs"
// of the current user's programs menu (UPRG), one with arguments, and one on the desktop
// of all users (CDSK) with an icon from the installed setup.exe. The test finds the
// folders the way the program does (the Explorer's "Shell Folders" values), reads the
// links back through the shell's own link object, and checks that the removal deletes
// them and the emptied "Norvale Docs" folder, and nothing else.

#include "docs_support.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>

namespace {

const char Key[] = "DocsShortcutsViewer";
const char ShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string ShellFolder(HKEY root, const char* name)
{
    char value[MAX_PATH] = {};
    DWORD size = sizeof value - 1;
    if (RegGetValueA(root, ShellFolders, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return std::string();
    return value;
}

struct Link {
    bool loaded = false;
    std::string target, arguments, directory, iconFile;
    int iconIndex = -1;
};

Link ReadLink(const std::string& path)
{
    Link link;
    IShellLinkA* shellLink = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&shellLink))))
        return link;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        WCHAR widePath[MAX_PATH];
        if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH)
            && SUCCEEDED(file->Load(widePath, STGM_READ))) {
            char text[MAX_PATH] = {};
            link.loaded = true;
            if (SUCCEEDED(shellLink->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH))) link.target = text;
            text[0] = '\0';
            if (SUCCEEDED(shellLink->GetArguments(text, MAX_PATH))) link.arguments = text;
            text[0] = '\0';
            if (SUCCEEDED(shellLink->GetWorkingDirectory(text, MAX_PATH))) link.directory = text;
            text[0] = '\0';
            if (SUCCEEDED(shellLink->GetIconLocation(text, MAX_PATH, &link.iconIndex))) link.iconFile = text;
        }
        file->Release();
    }
    shellLink->Release();
    return link;
}

struct Com {
    Com() { CoInitialize(nullptr); }
    ~Com() { CoUninitialize(); }
};

} // namespace

TEST(ShortcutsExample, TheLinksAreMadeAndTheRemovalDeletesThem)
{
    Com com;
    const std::string programs = ShellFolder(HKEY_CURRENT_USER, "Programs");
    const std::string desktop = ShellFolder(HKEY_LOCAL_MACHINE, "Common Desktop");
    ASSERT_FALSE(programs.empty());
    ASSERT_FALSE(desktop.empty());
    const std::string menuFolder = programs + "\\Norvale Docs";
    const std::string viewerLink = menuFolder + "\\Viewer.lnk";
    const std::string helpLink = menuFolder + "\\Viewer Help.lnk";
    const std::string desktopLink = desktop + "\\Norvale Viewer.lnk";
    // Links left by an earlier run that was killed; these go at the end too.
    struct LinkCleanUp {
        std::vector<std::string> links;
        std::string folder;
        void Run() const
        {
            for (const std::string& link : links) DeleteFileA(link.c_str());
            RemoveDirectoryA(folder.c_str());
        }
        ~LinkCleanUp() { Run(); }
    } cleanUp{{viewerLink, helpLink, desktopLink}, menuFolder};
    cleanUp.Run();

    docs::ExamplePackage package("shortcuts", "Shortcuts", {Key}, {});
    ASSERT_TRUE(package.ready) << package.target;

    DOCS_EXPECT_QUIET(package.Run("/quiet"));
    EXPECT_TRUE(package.Installed("viewer.txt"));
    DOCS_EXPECT_ENTRY(Key, "Norvale Viewer", package.ExpectedCommand(Key), "<none>", package.target);

    const std::string viewer = package.target + "\\viewer.txt";
    {
        SCOPED_TRACE(viewerLink);
        const Link link = ReadLink(viewerLink);
        ASSERT_TRUE(link.loaded);
        EXPECT_EQ(viewer, link.target);
        EXPECT_EQ("", link.arguments);
        // The working directory is the target's folder.
        EXPECT_EQ(package.target, link.directory);
    }
    {
        SCOPED_TRACE(helpLink);
        const Link link = ReadLink(helpLink);
        ASSERT_TRUE(link.loaded);
        EXPECT_EQ(viewer, link.target);
        EXPECT_EQ("/help", link.arguments);
    }
    {
        SCOPED_TRACE(desktopLink);
        const Link link = ReadLink(desktopLink);
        ASSERT_TRUE(link.loaded);
        EXPECT_EQ(viewer, link.target);
        EXPECT_EQ(package.target + "\\setup.exe", link.iconFile);
        EXPECT_EQ(0, link.iconIndex);
    }

    DOCS_EXPECT_QUIET(package.RunUninstallCommand(Key, "/quiet /reboot:0"));
    EXPECT_FALSE(testsupport::FileExists(viewerLink));
    EXPECT_FALSE(testsupport::FileExists(helpLink));
    EXPECT_FALSE(testsupport::FileExists(desktopLink));
    // The emptied folder of the link names goes; the programs menu and the desktop stay.
    EXPECT_FALSE(testsupport::FileExists(menuFolder));
    EXPECT_TRUE(testsupport::FileExists(programs));
    EXPECT_TRUE(testsupport::FileExists(desktop));
    EXPECT_FALSE(package.InTarget("viewer.txt"));
    DOCS_EXPECT_NO_ENTRY(Key);
}
