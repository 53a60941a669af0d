// The parent's side: starting children and waiting on them and on signals.
#include "supervision.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>

#include "orb_start.h"
#include "wayland_host.h"

enum {
    kGraceMilliseconds = 1000,  // a child asked to end has this long before SIGKILL
};

// The signals the parent waits for, blocked from before the first fork so
// none can land where nobody looks at it.
static sigset_t WaitedSignals(void) {
    sigset_t set;
    sigemptyset(&set);
    for (int s : {SIGTERM, SIGINT, SIGHUP, SIGCHLD}) sigaddset(&set, s);
    return set;
}

// Asks every running child to end, and makes sure it did.
static void StopAll(std::vector<pid_t> &children) {
    for (pid_t child : children)
        if (child > 0) kill(child, SIGTERM);
    const struct timespec tenth = {0, 10 * 1000 * 1000};
    for (int waited = 0; waited < kGraceMilliseconds; waited += 10) {
        int running = 0;
        for (pid_t &child : children)
            if (child > 0 && waitpid(child, nullptr, WNOHANG) == 0) ++running;
            else child = 0;
        if (!running) return;
        nanosleep(&tenth, nullptr);
    }
    for (pid_t &child : children) {
        if (child <= 0) continue;
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        child = 0;
    }
}

// In the child: die with the parent, even if it is already gone.
static void FollowParent(pid_t parent, const sigset_t &waited) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(kExitFailure);
    sigprocmask(SIG_UNBLOCK, &waited, nullptr);
}

// What a child's end means for the saver: its own status, 0 when it was
// sent SIGTERM (someone stopped the saver before its handler was in place),
// a failure for any other signal (a crash).
static int ChildStatus(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM ? 0 : kExitFailure;
}

// Children that ended since the last look. -1 while the saver goes on,
// else its exit status.
static int Reap(std::vector<pid_t> &children) {
    int status = 0;
    pid_t done;
    while ((done = waitpid(-1, &status, WNOHANG)) > 0) {
        for (pid_t &child : children)
            if (child == done) child = 0;
        const int code = ChildStatus(status);
        if (code != kExitOutputGone) return code;
    }
    for (pid_t child : children)
        if (child > 0) return -1;
    fprintf(stderr, "orb: no output is left to cover\n");
    return kExitFailure;
}

static int Supervise(std::vector<pid_t> &children, const sigset_t &waited) {
    for (;;) {
        const int code = Reap(children);
        if (code >= 0) return code;
        const int got = sigwaitinfo(&waited, nullptr);
        if (got > 0 && got != SIGCHLD) return 0;
    }
}

int RunChildren(const std::vector<uint32_t> &outputNames,
                const std::function<int(uint32_t name)> &run) {
    // An inherited "ignore" would have the kernel reap crashed children
    // before we could see them.
    signal(SIGCHLD, SIG_DFL);
    const sigset_t waited = WaitedSignals();
    sigprocmask(SIG_BLOCK, &waited, nullptr);
    const pid_t parent = getpid();
    fflush(stdout);
    fflush(stderr);
    std::vector<pid_t> children;
    int code = -1;
    for (uint32_t name : outputNames) {
        const pid_t child = fork();
        if (child == 0) {
            FollowParent(parent, waited);
            _exit(run(name));
        }
        if (child < 0) {
            fprintf(stderr, "orb: cannot start a process for each output\n");
            code = kExitFailure;
            break;
        }
        children.push_back(child);
    }
    if (code < 0) code = Supervise(children, waited);
    StopAll(children);
    return code;
}
