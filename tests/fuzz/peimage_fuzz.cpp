// infcheck's reader of library files: the input is the file. Whatever it holds, the
// headers are checked without a read outside it; an image found good has its section
// table and export name table inside the file; a decorated name found is copied into
// a buffer of any size without a byte past it, and names the export it was found as.

#include "fuzzinput.h"

#include "../../checker/peimage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0xFFFFFFFFu) return 0;
    fuzz::Block file(size);
    if (size) std::memcpy(file.data(), data, size);
    PeImage image = {reinterpret_cast<uint8_t*>(file.data()), static_cast<uint32_t>(size), 7, 7, 7, 7};
    const PeStatus status = ParsePeImage(&image);
    FUZZ_CHECK(status == PeOk || status == PeNotImage || status == PeNot32Bit || status == PeNotLibrary);
    if (status != PeOk) {
        FUZZ_CHECK(image.nameCount == 0 && image.sectionCount == 0);
        return 0;
    }
    FUZZ_CHECK(static_cast<uint64_t>(image.sectionTable) + 40ull * image.sectionCount <= size);
    FUZZ_CHECK(image.sectionCount <= 0xFFFF);
    FUZZ_CHECK(image.nameCount <= 65536);
    if (image.nameCount) FUZZ_CHECK(static_cast<uint64_t>(image.exportNames) + 4ull * image.nameCount <= size);

    for (const char* name : {"Check", "Run", "CheckCondition", "x", ""}) {
        const int exported = PeHasExport(&image, name);
        FUZZ_CHECK(exported == 0 || exported == 1);
        for (size_t room : {size_t(0), size_t(1), size_t(4), size_t(64)}) {
            fuzz::Block found(room, 'G');
            const int decorated = PeFindDecoratedExport(&image, name, found.data(), room);
            if (!decorated) {
                FUZZ_CHECK(found.Bytes() == std::string(room, 'G'));
                continue;
            }
            if (!room) continue;
            const size_t length = strnlen(found.data(), room);
            FUZZ_CHECK(length < room);
            // A whole name: it is an export, a decoration of the name asked for.
            if (length + 1 < room) {
                FUZZ_CHECK(PeHasExport(&image, found.data()) == 1);
                FUZZ_CHECK(std::strstr(found.data(), name) != nullptr && std::strcmp(found.data(), name) != 0);
            }
        }
    }
    return 0;
}
