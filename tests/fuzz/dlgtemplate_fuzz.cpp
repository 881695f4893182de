// Dialog templates: the input is the template. A template that can be walked is
// rewritten the way the classic wizard does it (grown to its used size plus the new
// items, items moved, height changed, static items appended) and must then be walkable
// again, with the new item count and nothing written past the grown size. The last
// input bytes choose the move, the item count and the length of the titles.

#include "fuzzinput.h"

#include "../../app/dlgtemplate.h"

namespace {

uint16_t WordAt(const uint8_t* at)
{
    uint16_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Block original(size);
    if (size) std::memcpy(original.data(), data, size);
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(original.data());

    DialogTemplateInfo info;
    if (!ReadDialogTemplate(bytes, size, &info)) return 0;
    const size_t header = info.extended ? 26 : 18;
    FUZZ_CHECK(info.firstItem >= header && info.firstItem % 4 == 0);
    FUZZ_CHECK(info.firstItem <= info.used && info.used % 4 == 0 && info.used < size + 4);
    // A walk never depends on bytes behind the used size.
    DialogTemplateInfo again;
    FUZZ_CHECK(ReadDialogTemplate(bytes, info.used < size ? info.used : size, &again));
    FUZZ_CHECK(again.items == info.items && again.used == info.used);

    const uint8_t choice = size ? data[size - 1] : 0;
    const int dy = static_cast<int8_t>(choice) / 4;
    const unsigned added = 1u + (choice & 3u);
    const int titleLength = (choice >> 2) % 12 - 1;  // -1: an ordinal title

    std::vector<uint16_t> title(titleLength > 0 ? static_cast<size_t>(titleLength) + 1 : 1, 0);
    for (int i = 0; i < titleLength; ++i) title[static_cast<size_t>(i)] = static_cast<uint16_t>('A' + i);
    const size_t itemSize = StaticItemSize(info.extended, titleLength);
    FUZZ_CHECK(itemSize % 4 == 0);

    const size_t grown = info.used + added * itemSize;
    fuzz::Block copy(grown, '\xAA');
    std::memcpy(copy.data(), data, size < grown ? size : grown);
    uint8_t* rewritten = reinterpret_cast<uint8_t*>(copy.data());
    const size_t cyOffset = info.extended ? 24 : 16;
    const int16_t cy = static_cast<int16_t>(WordAt(rewritten + cyOffset));

    const int adjusted = AdjustDialogTemplate(rewritten, grown, dy, 2 * dy, added);
    if (info.items + added > 0xFFFF) {
        // The count would not hold the new items: nothing changes.
        FUZZ_CHECK(adjusted == 0);
        FUZZ_CHECK(std::memcmp(copy.data(), data, size < grown ? size : grown) == 0);
        return 0;
    }
    FUZZ_CHECK(adjusted == 1);
    FUZZ_CHECK(static_cast<int16_t>(WordAt(rewritten + cyOffset)) == static_cast<int16_t>(cy + 2 * dy));

    size_t at = info.used;
    for (unsigned i = 0; i < added; ++i) {
        const StaticItem item = {0x50000000u, 1, static_cast<int16_t>(i), 10, 10, static_cast<uint16_t>(0xF000 + i),
                                 titleLength >= 0 ? title.data() : nullptr, 0x00C8};
        // Too little room is refused, however little is missing.
        FUZZ_CHECK(AppendStaticItem(rewritten, at + itemSize - 1, at, info.extended, item) == 0);
        at = AppendStaticItem(rewritten, grown, at, info.extended, item);
        FUZZ_CHECK(at != 0);
    }
    FUZZ_CHECK(at == grown);

    DialogTemplateInfo after;
    FUZZ_CHECK(ReadDialogTemplate(rewritten, grown, &after));
    FUZZ_CHECK(after.extended == info.extended);
    FUZZ_CHECK(after.items == info.items + added);
    FUZZ_CHECK(after.firstItem == info.firstItem);
    FUZZ_CHECK(after.used == grown);
    return 0;
}
