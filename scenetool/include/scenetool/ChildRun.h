// Running work that may crash, or allocate and loop without bound, in a
// child process with limits, so the caller survives it: a model reader fed
// files from anywhere.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

struct ChildLimits {
    std::uint64_t memoryBytes = 0;  // more address space than the process had; 0: none
    int seconds = 0;                // wall-clock time (and processor time); 0: none
};

struct ChildOutcome {
    enum Kind {
        finished,     // the work returned `status`
        outOfMemory,  // the work ran out of memory (std::bad_alloc reached the top)
        outOfTime,    // killed at the time limit
        signalled,    // died from `signal`
        died,         // ended with exit status `status` without finishing (a sanitizer's report)
        notStarted,   // no child could be made; `status` is the errno
    };
    Kind kind = notStarted;
    int status = 0;
    int signal = 0;
    int pid = 0;  // the child's process id, which names its temporary files
};

// Runs `work` in a forked child under `limits` and waits for it. The child
// shares standard output and error, so its messages reach the author as
// they come. Its result (0 to 255) comes back over a pipe: a child that
// ends without sending one did not finish, whatever its exit status says.
// Call with no other threads running.
ChildOutcome runInChild(const std::function<int()>& work, const ChildLimits& limits);

// The address space the process holds now, in bytes (0 when unknown).
std::uint64_t addressSpaceInUse();

// Physical memory of the machine, in bytes (0 when unknown).
std::uint64_t physicalMemory();
