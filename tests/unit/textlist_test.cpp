// Text lists: the layout shared by the catalogue, the selections, the section list and
// the service group order, and its six operations at every position and buffer limit.

#include "../../base/textlist.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Builds a list buffer of `capacity` bytes (filled with 'Z' past the list, so that a
// write beyond the list shows) from the given strings.
std::vector<char> MakeList(std::initializer_list<const char*> items, size_t capacity = 64)
{
    std::vector<char> buffer(capacity, 'Z');
    size_t at = 0;
    for (const char* item : items) {
        std::memcpy(&buffer[at], item, std::strlen(item) + 1);
        at += std::strlen(item) + 1;
    }
    buffer[at] = '\0';
    if (at == 0) buffer[1] = '\0';
    return buffer;
}

std::vector<std::string> Items(const char* list)
{
    std::vector<std::string> items;
    for (int i = 0; TextListItem(list, i); ++i) items.push_back(TextListItem(list, i));
    return items;
}

using Strings = std::vector<std::string>;

TEST(TextList, SizeCountsEveryStringAndTheEndMark)
{
    EXPECT_EQ(2, TextListSize(MakeList({}).data()));
    EXPECT_EQ(8, TextListSize(MakeList({"ab", "def"}).data()));
    EXPECT_EQ(0, TextListSize(nullptr));
    EXPECT_EQ(0, TextListCount(MakeList({}).data()));
    EXPECT_EQ(2, TextListCount(MakeList({"ab", "def"}).data()));
    EXPECT_EQ(0, TextListCount(nullptr));
}

TEST(TextList, ItemIsNoneOutsideTheList)
{
    auto list = MakeList({"ab", "def"});
    EXPECT_STREQ("ab", TextListItem(list.data(), 0));
    EXPECT_STREQ("def", TextListItem(list.data(), 1));
    EXPECT_EQ(nullptr, TextListItem(list.data(), 2));
    EXPECT_EQ(nullptr, TextListItem(list.data(), -1));
    EXPECT_EQ(nullptr, TextListItem(nullptr, 0));
}

TEST(TextList, IndexOfComparesExactly)
{
    auto list = MakeList({"ab", "abc", "def"});
    EXPECT_EQ(0, TextListIndexOf(list.data(), "ab"));
    EXPECT_EQ(1, TextListIndexOf(list.data(), "abc"));
    EXPECT_EQ(-1, TextListIndexOf(list.data(), "AB"));
    EXPECT_EQ(-1, TextListIndexOf(list.data(), "a"));
    EXPECT_EQ(-1, TextListIndexOf(list.data(), ""));
    EXPECT_EQ(-1, TextListIndexOf(nullptr, "ab"));
}

TEST(TextList, InsertAtEveryPosition)
{
    struct Case { int position; Strings expected; };
    const Case cases[] = {
        {0, {"x", "ab", "def"}}, {1, {"ab", "x", "def"}}, {2, {"ab", "def", "x"}},
        {5, {"ab", "def", "x"}}, {-1, {"ab", "def", "x"}}, {-7, {"ab", "def", "x"}},
    };
    for (const Case& c : cases) {
        auto list = MakeList({"ab", "def"});
        EXPECT_EQ(1, TextListInsert(list.data(), list.size(), "x", c.position)) << c.position;
        EXPECT_EQ(c.expected, Items(list.data())) << c.position;
        EXPECT_EQ(10, TextListSize(list.data())) << c.position;
    }
}

TEST(TextList, InsertIntoAnEmptyListAtAnyPosition)
{
    for (int position : {-1, 0, 1, 9}) {
        auto list = MakeList({});
        EXPECT_EQ(1, TextListInsert(list.data(), list.size(), "only", position));
        EXPECT_EQ(Strings{"only"}, Items(list.data()));
        // Both zeros of the empty list moved up: one spare zero follows the end mark.
        EXPECT_EQ('\0', list[5]);
        EXPECT_EQ('\0', list[6]);
        EXPECT_EQ('Z', list[7]);
    }
}

TEST(TextList, InsertNeedsRoomForTheFormerSizeAndTheNewString)
{
    // "ab","def" take 8 bytes; "xy" needs 3 more.
    auto exact = MakeList({"ab", "def"}, 11);
    EXPECT_EQ(1, TextListInsert(exact.data(), exact.size(), "xy", 0));
    EXPECT_EQ((Strings{"xy", "ab", "def"}), Items(exact.data()));

    auto tooSmall = MakeList({"ab", "def"}, 10);
    const std::vector<char> before = tooSmall;
    EXPECT_EQ(0, TextListInsert(tooSmall.data(), tooSmall.size(), "xy", 0));
    EXPECT_EQ(before, tooSmall);
}

TEST(TextList, InsertRefusesAnEmptyString)
{
    auto list = MakeList({"ab"});
    EXPECT_EQ(0, TextListInsert(list.data(), list.size(), "", 0));
    EXPECT_EQ(Strings{"ab"}, Items(list.data()));
}

TEST(TextList, RemoveKeepsAProperEndMark)
{
    auto list = MakeList({"ab", "def", "g"});
    EXPECT_EQ(1, TextListRemove(list.data(), 2));
    EXPECT_EQ((Strings{"ab", "def"}), Items(list.data()));
    EXPECT_EQ(8, TextListSize(list.data()));

    EXPECT_EQ(1, TextListRemove(list.data(), 0));
    EXPECT_EQ(Strings{"def"}, Items(list.data()));

    EXPECT_EQ(1, TextListRemove(list.data(), 0));
    EXPECT_EQ(0, TextListCount(list.data()));
    EXPECT_EQ(2, TextListSize(list.data()));
}

TEST(TextList, RemoveOfAMissingPositionChangesNothing)
{
    auto list = MakeList({"ab", "def"});
    const std::vector<char> before = list;
    EXPECT_EQ(0, TextListRemove(list.data(), 2));
    EXPECT_EQ(0, TextListRemove(list.data(), -1));
    EXPECT_EQ(0, TextListRemove(nullptr, 0));
    EXPECT_EQ(before, list);
}

TEST(TextList, TerminateMakesRawBytesAList)
{
    // A REG_MULTI_SZ value whose end mark is missing: it ends where the bytes end.
    char raw[12] = {'a', 'b', '\0', 'c', 'd', 'Q', 'Q', 'Q', 'Q', 'Q', 'Q', 'Q'};
    EXPECT_EQ(1, TextListTerminate(raw, sizeof raw, 5));
    EXPECT_EQ((Strings{"ab", "cd"}), Items(raw));

    char full[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(0, TextListTerminate(full, sizeof full, 3));
    EXPECT_EQ(1, TextListTerminate(full, sizeof full, 2));
    EXPECT_EQ(Strings{"ab"}, Items(full));
}

TEST(TextList, AssignFillsTheBufferExactlyOrNotAtAll)
{
    char list[8];
    EXPECT_EQ(1, TextListAssign(list, sizeof list, "abcdef"));  // 6 + zero + end mark
    EXPECT_EQ(Strings{"abcdef"}, Items(list));
    EXPECT_EQ(0, TextListAssign(list, sizeof list, "abcdefg"));
    EXPECT_EQ(0, TextListCount(list));
    EXPECT_EQ(1, TextListAssign(list, sizeof list, ""));
    EXPECT_EQ(2, TextListSize(list));
}

TEST(TextList, ABuiltListGrowsToHoldEveryStringAndReplacesTheFormerOne)
{
    char* kept = nullptr;
    Strings expected;
    TextListBuilder builder = {};
    for (int i = 0; i < 300; ++i) {
        expected.push_back(std::string(1 + i % 40, static_cast<char>('a' + i % 26)));
        ASSERT_EQ(1, TextListAppend(&builder, expected.back().c_str())) << i;
    }
    EXPECT_EQ(0, TextListAppend(&builder, ""));
    TextListKeep(&kept, &builder);
    EXPECT_EQ(expected, Items(kept));
    TextListKeep(&kept, &builder);  // nothing built: an empty list, the former one freed
    EXPECT_EQ(2, TextListSize(kept));
}

} // namespace
