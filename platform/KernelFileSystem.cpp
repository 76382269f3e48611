#include "platform/KernelFileSystem.h"

#include <linux/magic.h>
#include <sys/vfs.h>

bool isOnKernelFileSystem(int descriptor)
{
    struct statfs system
    {
    };
    if (::fstatfs(descriptor, &system) != 0)
        return true;
    switch (system.f_type) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
        return true;
    default:
        return false;
    }
}
