#pragma once
// The threads of this process by name (/proc/self/task/N/comm), for tests
// that count the threads a pool keeps.

#include <dirent.h>

#include <fstream>
#include <string>

namespace sorvant::test {

// How many threads of this process are named `wanted` now.
inline unsigned threadsNamed(const char* wanted)
{
    unsigned count = 0;
    DIR* tasks = opendir("/proc/self/task");
    while (const dirent* task = tasks ? readdir(tasks) : nullptr) {
        std::ifstream comm(std::string("/proc/self/task/") + task->d_name + "/comm");
        std::string name;
        if (std::getline(comm, name) && name == wanted)
            ++count;
    }
    if (tasks)
        closedir(tasks);
    return count;
}

} // namespace sorvant::test
