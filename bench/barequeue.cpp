#include "barequeue.h"

#include "../base/handles.h"

#include <cstring>

namespace {

struct Progress {
    FileProgress tell;
    void* defaultContext;
};

UINT CALLBACK TellProgress(void* context, UINT notification, UINT_PTR parameter1, UINT_PTR parameter2)
{
    const Progress* progress = static_cast<const Progress*>(context);
    if (notification == SPFILENOTIFY_STARTSUBQUEUE)
        progress->tell(0, static_cast<LPARAM>(parameter2));
    else if (notification == SPFILENOTIFY_ENDCOPY)
        progress->tell(1, 0);
    return SetupDefaultQueueCallbackA(progress->defaultContext, notification, parameter1, parameter2);
}

} // namespace

int InstallSection(const char* infPath, const char* section, FileProgress tell)
{
    char source[MAX_PATH];
    lstrcpynA(source, infPath, sizeof source);
    char* slash = std::strrchr(source, '\\');
    if (slash) *slash = '\0';

    UniqueInf inf(SetupOpenInfFileA(infPath, nullptr, INF_STYLE_WIN4, nullptr));
    if (!inf) return 1;
    UniqueFileQueue queue(SetupOpenFileQueue());
    if (!queue) return 1;
    if (!SetupInstallFilesFromInfSectionA(inf.get(), nullptr, queue.get(), section, source, SP_COPY_NEWER)) return 1;

    Progress progress = {tell, SetupInitDefaultQueueCallback(nullptr)};
    const BOOL committed =
        tell ? SetupCommitFileQueueA(nullptr, queue.get(), TellProgress, &progress)
             : SetupCommitFileQueueA(nullptr, queue.get(), SetupDefaultQueueCallbackA, progress.defaultContext);
    SetupTermDefaultQueueCallback(progress.defaultContext);
    if (!committed) return 1;

    // 14: registry, INI files and INI-to-registry entries.
    if (!SetupInstallFromInfSectionA(nullptr, inf.get(), section, 14, nullptr, nullptr, 0, nullptr, nullptr, nullptr,
                                     nullptr))
        return 1;
    return 0;
}
