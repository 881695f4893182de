// The Browse rule of the target page: the script's sub-folder goes below the folder the
// user picked, once, and never past the path buffer.

#include "../../pages/subfolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Append(const char* picked, const char* subfolder, size_t capacity = 260)
{
    char path[300];
    std::memset(path, 'Z', sizeof path);
    std::strcpy(path, picked);
    if (!AppendDefaultSubfolder(path, capacity, subfolder)) return "<refused:" + std::string(path) + ">";
    return path;
}

TEST(BrowseSubfolder, IsAppendedBelowThePickedFolder)
{
    EXPECT_EQ("C:\\Tools\\Viewer", Append("C:\\Tools", "Viewer"));
    EXPECT_EQ("C:\\Viewer", Append("C:\\", "Viewer"));
    EXPECT_EQ("C:\\Tools\\Vendor\\Viewer", Append("C:\\Tools", "Vendor\\Viewer"));
}

TEST(BrowseSubfolder, ALeadingBackslashIsNotDoubled)
{
    EXPECT_EQ("C:\\Tools\\Viewer", Append("C:\\Tools", "\\Viewer"));
    EXPECT_EQ("C:\\Viewer", Append("C:\\", "\\Viewer"));
}

TEST(BrowseSubfolder, AFolderThatAlreadyEndsWithItStays)
{
    EXPECT_EQ("C:\\Tools\\Viewer", Append("C:\\Tools\\Viewer", "Viewer"));
    EXPECT_EQ("C:\\Tools\\Viewer", Append("C:\\Tools\\Viewer", "\\Viewer"));
    // The comparison is exact: another case gets the name appended.
    EXPECT_EQ("C:\\Tools\\viewer\\Viewer", Append("C:\\Tools\\viewer", "Viewer"));
}

TEST(BrowseSubfolder, NoSubfolderLeavesThePathAlone)
{
    EXPECT_EQ("C:\\Tools", Append("C:\\Tools", nullptr));
    EXPECT_EQ("C:\\Tools", Append("C:\\Tools", ""));
    EXPECT_EQ("C:\\Tools", Append("C:\\Tools", "\\"));
}

TEST(BrowseSubfolder, NeverPastTheBuffer)
{
    // "C:\Tools" (8) + "\" + "Viewer" (6) = 15 characters and the zero: 16 bytes.
    EXPECT_EQ("C:\\Tools\\Viewer", Append("C:\\Tools", "Viewer", 16));
    EXPECT_EQ("<refused:C:\\Tools>", Append("C:\\Tools", "Viewer", 15));
    const std::string deep = "C:\\" + std::string(250, 'd');
    EXPECT_EQ("<refused:" + deep + ">", Append(deep.c_str(), "Viewer"));
}

TEST(TargetFolder, OnlyAFullPathIsAFolderToInstallInto)
{
    for (const char* full : {"C:\\", "c:\\Tools", "\\\\server\\share", "\\\\server\\share\\Tools"})
        EXPECT_TRUE(IsFullPath(full)) << full;
    for (const char* partial : {"", "relative\\folder", "C:Tools", "\\Tools", "1:\\Tools", "\\\\server\\", "\\\\\\s"})
        EXPECT_FALSE(IsFullPath(partial)) << partial;
}

} // namespace
