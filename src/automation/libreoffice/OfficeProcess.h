#pragma once
// The office process: starting it detached, finding it among this user's processes, and keeping
// a write to an office that died from ending this process.

#include <signal.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vorrindel::automation::libreoffice {

// Variables to set in a started program's environment, over those of this process.
using Environment = std::vector<std::pair<std::string, std::string>>;
// Starts the office detached from this process: own session, every signal at its default action
// and none blocked, output to /dev/null, no inherited descriptors, this process's environment with
// `environment` set on top (this process's own stays as it is). Returns the pid of the started
// program, or -1 with `error` set.
int spawnOffice(const std::string& program, const std::vector<std::string>& args, const Environment& environment,
                std::string& error);
// A write to an office that died must fail, not end this process. Threads started from the
// calling thread afterwards inherit the mask.
void blockBrokenPipeSignal();
// Blocks the broken-pipe signal on this thread for its lifetime, for code that may write to an
// office that died on a thread this backend does not own; one raised meanwhile is discarded.
class BrokenPipeSignalBlocked {
public:
    BrokenPipeSignalBlocked();
    ~BrokenPipeSignalBlocked();
    BrokenPipeSignalBlocked(const BrokenPipeSignalBlocked&) = delete;
    BrokenPipeSignalBlocked& operator=(const BrokenPipeSignalBlocked&) = delete;

private:
    bool wasBlocked_ = true;
    sigset_t saved_{};
};
// Reaps a started program when it has ended; true when it ended.
bool reapIfEnded(int pid);
// Pid of a running soffice.bin whose command line contains `marker`, or 0.
int findOfficeProcess(std::string_view marker);
// Whether some office process runs on the profile with that URL (user's default when `isDefault`).
bool officeRunsOnProfile(std::string_view profileUrl, bool isDefault);
// The parent of a process, from /proc; 0 when it cannot be read.
int parentOf(int pid);

}  // namespace vorrindel::automation::libreoffice
