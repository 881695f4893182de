// The Setup API floor: the queue that setup.exe builds for an install section, done by
// the smallest program that can: the section's files queued with SP_COPY_NEWER,
// committed through the default queue callback, then its registry and INI entries.
//
//   bareapi.exe INF-FILE SECTION
//
// The source folder is the INF's folder. Exit code 0 when every call succeeded.

#include "../app/handles.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: bareapi.exe INF-FILE SECTION\n");
        return 2;
    }
    char source[MAX_PATH];
    lstrcpynA(source, argv[1], sizeof source);
    char* slash = std::strrchr(source, '\\');
    if (slash) *slash = '\0';

    UniqueInf inf(SetupOpenInfFileA(argv[1], nullptr, INF_STYLE_WIN4, nullptr));
    if (!inf) return 1;
    UniqueFileQueue queue(SetupOpenFileQueue());
    if (!queue) return 1;
    if (!SetupInstallFilesFromInfSectionA(inf.get(), nullptr, queue.get(), argv[2], source, SP_COPY_NEWER)) return 1;

    void* context = SetupInitDefaultQueueCallback(nullptr);
    const BOOL committed = SetupCommitFileQueueA(nullptr, queue.get(), SetupDefaultQueueCallbackA, context);
    SetupTermDefaultQueueCallback(context);
    if (!committed) return 1;

    // 14: registry, INI files and INI-to-registry entries.
    if (!SetupInstallFromInfSectionA(nullptr, inf.get(), argv[2], 14, nullptr, nullptr, 0, nullptr, nullptr,
                                     nullptr, nullptr))
        return 1;
    return 0;
}
