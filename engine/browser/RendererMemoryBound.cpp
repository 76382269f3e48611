#include "engine/browser/RendererMemoryBound.h"

#include <sys/resource.h>

bool boundRendererMemory(qint64 pid)
{
    const rlim_t bytes = rlim_t(rendererDataMegabytes) * 1024 * 1024;
    const struct rlimit limit
    {
        bytes, bytes
    };
    return ::prlimit(pid_t(pid), RLIMIT_DATA, &limit, nullptr) == 0;
}
