// Placing a service's load-order group in the group order list, on plain buffers: every
// kind of position (none, "X", "+X", "-X", with X listed first, in the middle, last or
// not at all), moving a group that is already listed, exact matching, and the buffer
// limits (nothing written past the capacity, the list unchanged when it does not fit).

#include "../../engine/grouporder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

const size_t kGuardBytes = 32;

// A list in a buffer of `capacity` bytes, followed by guard bytes that no call may
// touch; the unused part of the buffer is filled with 'Z' so that stray writes show.
struct ListBuffer {
    std::vector<char> bytes;
    size_t capacity;

    ListBuffer(std::initializer_list<const char*> items, size_t capacityBytes = 128)
        : bytes(capacityBytes + kGuardBytes, 'Z'), capacity(capacityBytes)
    {
        size_t at = 0;
        for (const char* item : items) {
            std::memcpy(&bytes[at], item, std::strlen(item) + 1);
            at += std::strlen(item) + 1;
        }
        bytes[at] = '\0';
        if (at == 0) bytes[1] = '\0';
    }

    char* data() { return bytes.data(); }

    int Place(const char* group, const char* position)
    {
        return PlaceServiceGroup(bytes.data(), capacity, group, position);
    }

    Strings Items() const
    {
        Strings items;
        for (const char* p = bytes.data(); *p; p += std::strlen(p) + 1) items.push_back(p);
        return items;
    }

    bool GuardIntact() const
    {
        for (size_t i = capacity; i < bytes.size(); ++i) {
            if (bytes[i] != 'Z') return false;
        }
        return true;
    }
};

// Bytes a list of these strings takes, end mark included.
size_t ListSize(std::initializer_list<const char*> items)
{
    size_t size = 1;
    for (const char* item : items) size += std::strlen(item) + 1;
    return items.size() ? size : 2;
}

// The list after placing `group` at `position` in a list of Base, Middle, Last.
Strings PlacedInThree(const char* group, const char* position)
{
    ListBuffer list({"Base", "Middle", "Last"});
    EXPECT_EQ(1, list.Place(group, position)) << group << " at " << (position ? position : "(null)");
    EXPECT_TRUE(list.GuardIntact());
    return list.Items();
}

TEST(PlaceServiceGroup, WithoutPositionTheGroupGoesToTheHead)
{
    EXPECT_EQ((Strings{"New", "Base", "Middle", "Last"}), PlacedInThree("New", ""));
    EXPECT_EQ((Strings{"New", "Base", "Middle", "Last"}), PlacedInThree("New", nullptr));
}

TEST(PlaceServiceGroup, PlainOrPlusPositionGoesDirectlyBeforeThatGroup)
{
    EXPECT_EQ((Strings{"Base", "New", "Middle", "Last"}), PlacedInThree("New", "Middle"));
    EXPECT_EQ((Strings{"Base", "New", "Middle", "Last"}), PlacedInThree("New", "+Middle"));
    EXPECT_EQ((Strings{"Base", "Middle", "New", "Last"}), PlacedInThree("New", "+Last"));
    EXPECT_EQ((Strings{"New", "Base", "Middle", "Last"}), PlacedInThree("New", "+Base"));
    EXPECT_EQ((Strings{"New", "Base", "Middle", "Last"}), PlacedInThree("New", "Base"));
}

TEST(PlaceServiceGroup, PlainOrPlusPositionOfAnUnlistedGroupGoesToTheHead)
{
    EXPECT_EQ((Strings{"New", "Base", "Middle", "Last"}), PlacedInThree("New", "Absent"));
    EXPECT_EQ((Strings{"New", "Base", "Middle", "Last"}), PlacedInThree("New", "+Absent"));
    EXPECT_EQ((Strings{"New", "Base", "Middle", "Last"}), PlacedInThree("New", "+"));
}

TEST(PlaceServiceGroup, MinusPositionGoesDirectlyAfterThatGroup)
{
    EXPECT_EQ((Strings{"Base", "Middle", "New", "Last"}), PlacedInThree("New", "-Middle"));
    EXPECT_EQ((Strings{"Base", "Middle", "Last", "New"}), PlacedInThree("New", "-Last"));
}

TEST(PlaceServiceGroup, MinusPositionOfAnUnlistedOrFirstGroupGoesToTheEnd)
{
    EXPECT_EQ((Strings{"Base", "Middle", "Last", "New"}), PlacedInThree("New", "-Absent"));
    // After the first entry would be index 1, but the first entry counts as "not found".
    EXPECT_EQ((Strings{"Base", "Middle", "Last", "New"}), PlacedInThree("New", "-Base"));
    EXPECT_EQ((Strings{"Base", "Middle", "Last", "New"}), PlacedInThree("New", "-"));
}

TEST(PlaceServiceGroup, OnlyOneSignIsTakenOffThePosition)
{
    // The reference of "+-Middle" is "-Middle", which is not listed: the head.
    EXPECT_EQ((Strings{"New", "Base", "Middle", "Last"}), PlacedInThree("New", "+-Middle"));
    // The reference of "--Middle" is "-Middle": not listed, so after means the end.
    EXPECT_EQ((Strings{"Base", "Middle", "Last", "New"}), PlacedInThree("New", "--Middle"));
}

TEST(PlaceServiceGroup, AnEmptyListTakesTheGroupWhateverThePosition)
{
    for (const char* position : {"", "Base", "+Base", "-Base"}) {
        ListBuffer list({});
        EXPECT_EQ(1, list.Place("New", position)) << position;
        EXPECT_EQ(Strings{"New"}, list.Items()) << position;
        EXPECT_EQ(0, std::memcmp(list.data(), "New\0\0", 5)) << position;
    }
}

TEST(PlaceServiceGroup, AListedGroupIsMovedNotDuplicated)
{
    EXPECT_EQ((Strings{"Last", "Base", "Middle"}), PlacedInThree("Last", ""));
    EXPECT_EQ((Strings{"Middle", "Last", "Base"}), PlacedInThree("Base", "-Last"));
    EXPECT_EQ((Strings{"Middle", "Base", "Last"}), PlacedInThree("Base", "+Last"));
    EXPECT_EQ((Strings{"Base", "Last", "Middle"}), PlacedInThree("Middle", "-Last"));
    EXPECT_EQ((Strings{"Base", "Middle", "Last"}), PlacedInThree("Middle", "Last"));
    // Moved to the head: the list keeps its length and its end mark.
    ListBuffer list({"Base", "Middle", "Last"});
    ASSERT_EQ(1, list.Place("Last", ""));
    EXPECT_EQ(0, std::memcmp(list.data(), "Last\0Base\0Middle\0\0", 18));
}

TEST(PlaceServiceGroup, AGroupPlacedRelativeToItselfIsPlacedAsIfItWereUnlisted)
{
    // Taken out first, the group no longer finds itself as the reference.
    EXPECT_EQ((Strings{"Middle", "Base", "Last"}), PlacedInThree("Middle", "+Middle"));
    EXPECT_EQ((Strings{"Base", "Last", "Middle"}), PlacedInThree("Middle", "-Middle"));
}

TEST(PlaceServiceGroup, NamesMatchExactlyWithCase)
{
    // "base" is another group than "Base": added, and "-base" finds no reference.
    EXPECT_EQ((Strings{"base", "Base", "Middle", "Last"}), PlacedInThree("base", ""));
    EXPECT_EQ((Strings{"Base", "Middle", "Last", "New"}), PlacedInThree("New", "-base"));
    EXPECT_EQ((Strings{"New", "Base", "Middle", "Last"}), PlacedInThree("New", "+MIDDLE"));
    // A reference that is only the beginning of a listed name is not that name.
    EXPECT_EQ((Strings{"Base", "Middle", "Last", "New"}), PlacedInThree("New", "-Mid"));
}

TEST(PlaceServiceGroup, AnEmptyGroupNameLeavesTheListAlone)
{
    ListBuffer list({"Base", "Middle"});
    const std::vector<char> before = list.bytes;
    EXPECT_EQ(0, list.Place("", "-Base"));
    EXPECT_EQ(0, list.Place(nullptr, ""));
    EXPECT_EQ(before, list.bytes);
}

TEST(PlaceServiceGroup, AGroupThatFitsExactlyIsPlaced)
{
    const size_t capacity = ListSize({"Base", "Last", "New"});
    ListBuffer list({"Base", "Last"}, capacity);
    EXPECT_EQ(1, list.Place("New", "+Last"));
    EXPECT_EQ((Strings{"Base", "New", "Last"}), list.Items());
    EXPECT_TRUE(list.GuardIntact());
}

TEST(PlaceServiceGroup, AGroupOneByteTooLongLeavesTheListUnchanged)
{
    const size_t capacity = ListSize({"Base", "Last", "New"}) - 1;
    for (const char* position : {"", "-Base", "+Last", "-Last"}) {
        ListBuffer list({"Base", "Last"}, capacity);
        const std::vector<char> before = list.bytes;
        EXPECT_EQ(0, list.Place("New", position)) << position;
        EXPECT_EQ(before, list.bytes) << position;
    }
}

TEST(PlaceServiceGroup, MovingNeedsNoMoreRoomThanTheListTakes)
{
    // The buffer is exactly full: moving a listed group still fits, adding does not.
    const size_t capacity = ListSize({"Base", "Middle", "Last"});
    ListBuffer list({"Base", "Middle", "Last"}, capacity);
    EXPECT_EQ(1, list.Place("Base", "-Last"));
    EXPECT_EQ((Strings{"Middle", "Last", "Base"}), list.Items());
    EXPECT_TRUE(list.GuardIntact());
    EXPECT_EQ(0, list.Place("X", ""));
    EXPECT_EQ((Strings{"Middle", "Last", "Base"}), list.Items());
    EXPECT_TRUE(list.GuardIntact());
}

TEST(PlaceServiceGroup, TheOnlyEntryMovedInAFullBufferStaysListed)
{
    // "Group", its zero and the end mark fill the buffer: moving the group keeps it,
    // and an empty list takes the group when exactly its room is there.
    for (const char* position : {"", "-Base", "+Base", "-Group"}) {
        ListBuffer list({"Group"}, ListSize({"Group"}));
        EXPECT_EQ(1, list.Place("Group", position)) << position;
        EXPECT_EQ((Strings{"Group"}), list.Items()) << position;
        EXPECT_TRUE(list.GuardIntact()) << position;
    }
    ListBuffer empty({}, ListSize({"Group"}));
    EXPECT_EQ(1, empty.Place("Group", "-Base"));
    EXPECT_EQ((Strings{"Group"}), empty.Items());
    EXPECT_EQ('\0', empty.bytes[ListSize({"Group"}) - 1]);
    EXPECT_TRUE(empty.GuardIntact());

    ListBuffer tooSmall({}, ListSize({"Group"}) - 1);
    const std::vector<char> before = tooSmall.bytes;
    EXPECT_EQ(0, tooSmall.Place("Group", ""));
    EXPECT_EQ(before, tooSmall.bytes);
}

TEST(PlaceServiceGroup, ALongListKeepsEveryGroup)
{
    // 3000 bytes of groups in a buffer with room for one more.
    std::vector<std::string> names;
    std::string bytes;
    for (int i = 0; bytes.size() < 3000; ++i) {
        names.push_back("Group" + std::to_string(1000 + i) + "_abcdefghij");
        bytes += names.back();
        bytes += '\0';
    }
    bytes += '\0';
    std::vector<char> buffer(bytes.size() + 16 + kGuardBytes, 'Z');
    std::memcpy(buffer.data(), bytes.data(), bytes.size());
    const size_t capacity = bytes.size() + 16;
    const std::string reference = "-" + names[100];
    ASSERT_EQ(1, PlaceServiceGroup(buffer.data(), capacity, "NewGroup", reference.c_str()));

    Strings items;
    for (const char* p = buffer.data(); *p; p += std::strlen(p) + 1) items.push_back(p);
    Strings expected(names.begin(), names.begin() + 101);
    expected.push_back("NewGroup");
    expected.insert(expected.end(), names.begin() + 101, names.end());
    EXPECT_EQ(expected, items);
    for (size_t i = capacity; i < buffer.size(); ++i) ASSERT_EQ('Z', buffer[i]) << i;
}

} // namespace
