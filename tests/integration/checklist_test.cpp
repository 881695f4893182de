// The check list's item operations on a real owner-drawn list box: which bits of a row's
// item data (check, newer version, image, catalogue index) each operation reads and
// keeps, the CLN_CHECKCHANGED notification that only CheckList_SetCheck sends to the
// list's parent, rows that do not exist, and the row rectangle that a change repaints.

#include "../../pages/checklist.h"
#include "../../resources/resource.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const char kParentClass[] = "CheckListTestParent";

// One WM_COMMAND as the parent received it, with the row's check read back at the
// moment the parent was told.
struct Command {
    HWND target;
    WPARAM wParam;
    LPARAM lParam;
    int checkSeen;
};

std::vector<Command> g_Commands;
int g_EraseCount = 0;
WNDPROC g_ListProc = nullptr;

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND) {
        int seen = -1;
        if (HIWORD(wParam) == CLN_CHECKCHANGED)
            seen = CheckList_GetCheck(GetDlgItem(window, LOWORD(wParam)), LOWORD(lParam));
        g_Commands.push_back({window, wParam, lParam, seen});
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Counts the background erases of the list box.
LRESULT CALLBACK CountingListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ERASEBKGND) ++g_EraseCount;
    return CallWindowProcA(g_ListProc, window, message, wParam, lParam);
}

class CheckList : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = ParentProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kParentClass;
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        RegisterClassA(&windowClass);  // fails harmlessly when an earlier test registered it

        g_Commands.clear();
        g_EraseCount = 0;
        parent_ = CreateWindowExA(0, kParentClass, "check list test", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, parent_);
        list_ = CreateWindowExA(0, "LISTBOX", "",
                                WS_CHILD | WS_VISIBLE | WS_BORDER | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS
                                    | LBS_NOINTEGRALHEIGHT,
                                10, 10, 200, 120, parent_, reinterpret_cast<HMENU>(IDC_COMPONENT_LIST),
                                GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, list_);
        for (const char* text : {"first", "second", "third"})
            ASSERT_LE(0, SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
        g_Commands.clear();
    }

    void TearDown() override
    {
        if (parent_) DestroyWindow(parent_);
    }

    void SetData(int row, DWORD data)
    {
        ASSERT_NE(LB_ERR, SendMessageA(list_, LB_SETITEMDATA, row, static_cast<LPARAM>(data)));
    }

    DWORD Data(int row) { return static_cast<DWORD>(SendMessageA(list_, LB_GETITEMDATA, row, 0)); }

    HWND parent_ = nullptr;
    HWND list_ = nullptr;
};

TEST_F(CheckList, GettersReadTheirOwnBits)
{
    SetData(0, 0xAB12CDEFu);
    SetData(1, 0x00000001u);
    SetData(2, 0x00000002u);

    EXPECT_EQ(1, CheckList_GetCheck(list_, 0));
    EXPECT_EQ(1, CheckList_GetNewer(list_, 0));
    EXPECT_EQ(0x2AC4B3, CheckList_GetIndex(list_, 0));
    EXPECT_EQ(1, CheckList_GetCheck(list_, 1));
    EXPECT_EQ(0, CheckList_GetNewer(list_, 1));
    EXPECT_EQ(0, CheckList_GetIndex(list_, 1));
    // The image number between them belongs to none of them.
    SetData(1, 0x000003FCu);
    EXPECT_EQ(0, CheckList_GetCheck(list_, 1));
    EXPECT_EQ(0, CheckList_GetNewer(list_, 1));
    EXPECT_EQ(0, CheckList_GetIndex(list_, 1));
    EXPECT_EQ(0, CheckList_GetCheck(list_, 2));
    EXPECT_EQ(1, CheckList_GetNewer(list_, 2));
    EXPECT_TRUE(g_Commands.empty());
}

TEST_F(CheckList, SetCheckReplacesTheCheckAndTellsTheParent)
{
    SetData(0, 0x11111111u);
    SetData(1, 0xAB12CDEEu);
    SetData(2, 0x22222222u);

    // Any non-zero value checks.
    EXPECT_EQ(1, CheckList_SetCheck(list_, 1, 0x30000));
    EXPECT_EQ(0xAB12CDEFu, Data(1));
    ASSERT_EQ(1u, g_Commands.size());
    EXPECT_EQ(parent_, g_Commands[0].target);
    EXPECT_EQ(MAKEWPARAM(IDC_COMPONENT_LIST, CLN_CHECKCHANGED), g_Commands[0].wParam);
    EXPECT_EQ(MAKELPARAM(1, 1), g_Commands[0].lParam);
    // The parent already reads the new check when it is told.
    EXPECT_EQ(1, g_Commands[0].checkSeen);

    EXPECT_EQ(1, CheckList_SetCheck(list_, 1, 0));
    EXPECT_EQ(0xAB12CDEEu, Data(1));
    ASSERT_EQ(2u, g_Commands.size());
    EXPECT_EQ(MAKEWPARAM(IDC_COMPONENT_LIST, CLN_CHECKCHANGED), g_Commands[1].wParam);
    EXPECT_EQ(MAKELPARAM(1, 0), g_Commands[1].lParam);
    EXPECT_EQ(0, g_Commands[1].checkSeen);

    // Setting the value a row already has is still a change the parent hears of.
    EXPECT_EQ(1, CheckList_SetCheck(list_, 1, 0));
    ASSERT_EQ(3u, g_Commands.size());
    EXPECT_EQ(MAKELPARAM(1, 0), g_Commands[2].lParam);

    EXPECT_EQ(1, CheckList_SetCheck(list_, 2, 1));
    EXPECT_EQ(0x22222223u, Data(2));
    EXPECT_EQ(0x11111111u, Data(0));
}

TEST_F(CheckList, SetItemInfoKeepsTheCheckAndSendsNothing)
{
    SetData(0, 0x00000001u);
    SetData(1, 0x12345678u);

    EXPECT_EQ(1, CheckList_SetItemInfo(list_, 0, 0x2AC4B3, 0x1AB, 7));
    EXPECT_EQ(0xAB12CEAFu, Data(0));
    EXPECT_EQ(1, CheckList_GetCheck(list_, 0));
    EXPECT_EQ(1, CheckList_GetNewer(list_, 0));
    EXPECT_EQ(0x2AC4B3, CheckList_GetIndex(list_, 0));

    // Index, image and mark are replaced, not combined with what was there.
    EXPECT_EQ(1, CheckList_SetItemInfo(list_, 0, 0, -1, 0));
    EXPECT_EQ(0x000003FDu, Data(0));
    EXPECT_EQ(1, CheckList_SetItemInfo(list_, 0, CheckListMaxIndex, 0, 1));
    EXPECT_EQ(0xFFFFFC03u, Data(0));
    // An index that the data cannot carry changes nothing.
    EXPECT_EQ(0, CheckList_SetItemInfo(list_, 0, CheckListMaxIndex + 1, 0, 0));
    EXPECT_EQ(0, CheckList_SetItemInfo(list_, 0, -1, 0, 0));
    EXPECT_EQ(0xFFFFFC03u, Data(0));

    EXPECT_EQ(0x12345678u, Data(1));
    EXPECT_TRUE(g_Commands.empty()) << g_Commands.size() << " commands";
}

TEST_F(CheckList, RowsThatDoNotExistReadAsZeroAndChangeNothing)
{
    // All ones everywhere, so that reading any real row by mistake would not give 0.
    for (int row = 0; row < 3; ++row) SetData(row, 0xFFFFFFFFu);

    for (int row : {-1, -2, -65536, 3, 4, 65536 + 1}) {
        EXPECT_EQ(0, CheckList_GetCheck(list_, row)) << row;
        EXPECT_EQ(0, CheckList_GetNewer(list_, row)) << row;
        EXPECT_EQ(-1, CheckList_GetIndex(list_, row)) << row;
        EXPECT_EQ(0, CheckList_SetCheck(list_, row, 0)) << row;
        EXPECT_EQ(0, CheckList_SetItemInfo(list_, row, 0, 0, 0)) << row;
    }
    for (int row = 0; row < 3; ++row) EXPECT_EQ(0xFFFFFFFFu, Data(row)) << row;
    EXPECT_TRUE(g_Commands.empty()) << g_Commands.size() << " commands";

    // An empty list has no row 0.
    SendMessageA(list_, LB_RESETCONTENT, 0, 0);
    EXPECT_EQ(0, CheckList_GetCheck(list_, 0));
    EXPECT_EQ(0, CheckList_SetCheck(list_, 0, 1));
    EXPECT_EQ(0, CheckList_SetItemInfo(list_, 0, 0, 1, 1));
    EXPECT_TRUE(g_Commands.empty());
}

TEST_F(CheckList, ARowWhoseDataIsAllOnesIsAnOrdinaryRow)
{
    // LB_GETITEMDATA answers such a row with the value of LB_ERR.
    SetData(1, 0xFFFFFFFFu);
    EXPECT_EQ(1, CheckList_GetCheck(list_, 1));
    EXPECT_EQ(1, CheckList_GetNewer(list_, 1));
    EXPECT_EQ(CheckListMaxIndex, CheckList_GetIndex(list_, 1));

    EXPECT_EQ(1, CheckList_SetItemInfo(list_, 1, CheckListMaxIndex, 0xFF, 1));
    EXPECT_EQ(0xFFFFFFFFu, Data(1));
    EXPECT_TRUE(g_Commands.empty());

    EXPECT_EQ(1, CheckList_SetCheck(list_, 1, 0));
    EXPECT_EQ(0xFFFFFFFEu, Data(1));
    ASSERT_EQ(1u, g_Commands.size());
    EXPECT_EQ(MAKELPARAM(1, 0), g_Commands[0].lParam);

    EXPECT_EQ(1, CheckList_SetCheck(list_, 1, 1));
    EXPECT_EQ(0xFFFFFFFFu, Data(1));
    ASSERT_EQ(2u, g_Commands.size());
    EXPECT_EQ(MAKELPARAM(1, 1), g_Commands[1].lParam);
}

TEST_F(CheckList, AChangeRepaintsItsRowWithoutErasing)
{
    g_ListProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingListProc)));
    ASSERT_NE(nullptr, g_ListProc);
    ShowWindow(parent_, SW_SHOWNOACTIVATE);
    UpdateWindow(parent_);
    RECT update;
    ASSERT_FALSE(GetUpdateRect(list_, &update, FALSE)) << "the list is still waiting to be painted";

    RECT row;
    ASSERT_NE(LB_ERR, SendMessageA(list_, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row)));
    for (int step = 0; step < 2; ++step) {
        g_EraseCount = 0;
        if (step == 0)
            ASSERT_EQ(1, CheckList_SetCheck(list_, 1, 1));
        else
            ASSERT_EQ(1, CheckList_SetItemInfo(list_, 1, 2, 5, 1));
        ASSERT_TRUE(GetUpdateRect(list_, &update, FALSE)) << step;
        EXPECT_TRUE(EqualRect(&row, &update)) << step << ": update " << update.left << "," << update.top << ","
                                              << update.right << "," << update.bottom << " row " << row.left
                                              << "," << row.top << "," << row.right << "," << row.bottom;
        UpdateWindow(list_);
        EXPECT_EQ(0, g_EraseCount) << step;
    }
    SetWindowLongPtrA(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_ListProc));
}

} // namespace
