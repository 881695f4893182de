#include "renameimage.h"

#include <cstring>

int AppendRenameEntry(char* image, size_t capacity, size_t used, const char* path, const char* target)
{
    const char* key = target ? target : "NUL";
    const size_t keyLength = std::strlen(key);
    const size_t length = keyLength + 1 + std::strlen(path);
    // The entry, its zero and the zero that ends the image.
    if (used > capacity || length + 2 > capacity - used) return 0;
    std::memcpy(image + used, key, keyLength);
    image[used + keyLength] = '=';
    std::memcpy(image + used + keyLength + 1, path, std::strlen(path));
    image[used + length] = '\0';
    image[used + length + 1] = '\0';
    return 1;
}

int RenameImageMayBeCut(size_t capacity, size_t used)
{
    return capacity >= 2 && used >= capacity - 2;
}
