#include "thread_priority.h"

#include <cerrno>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace trimora::app {

const PriorityLevel* FindPriorityLevel(int level) {
    for (const PriorityLevel& entry : PriorityLevels)
        if (entry.Level == level) return &entry;
    return nullptr;
}

int LevelOfNiceValue(int niceValue) {
    const PriorityLevel* nearest = &PriorityLevels[0];
    for (const PriorityLevel& entry : PriorityLevels)
        if (std::abs(entry.NiceValue - niceValue) < std::abs(nearest->NiceValue - niceValue)) nearest = &entry;
    return nearest->Level;
}

#ifdef _WIN32

bool ApplyThreadPriority(int level) {
    return FindPriorityLevel(level) != nullptr && SetThreadPriority(GetCurrentThread(), level) != 0;
}

int CurrentThreadPriority() {
    const int level = GetThreadPriority(GetCurrentThread());
    return FindPriorityLevel(level) != nullptr ? level : 0;
}

#else

namespace {
// On Linux a thread id given to setpriority addresses that one thread.
id_t CallingThread() { return static_cast<id_t>(::syscall(SYS_gettid)); }
}  // namespace

bool ApplyThreadPriority(int level) {
    const PriorityLevel* entry = FindPriorityLevel(level);
    return entry != nullptr && ::setpriority(PRIO_PROCESS, CallingThread(), entry->NiceValue) == 0;
}

int CurrentThreadPriority() {
    errno = 0;
    const int niceValue = ::getpriority(PRIO_PROCESS, CallingThread());
    if (niceValue == -1 && errno != 0) return 0;
    return LevelOfNiceValue(niceValue);
}

#endif

}  // namespace trimora::app
