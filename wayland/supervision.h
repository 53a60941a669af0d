// supervision.h -- the parent process of orb-wayland: one child per output,
// and no child left behind.
//
// RunChildren starts run(name) in a child process for each output's
// registry name and waits:
//   - a child that ends with 0 (a touch, the end of a timed run) ends the
//     others and the saver with 0; SIGTERM, SIGINT or SIGHUP to the parent
//     do the same;
//   - a child whose output went away (kExitOutputGone) leaves the others
//     playing; when none is left, the saver fails;
//   - any other end (a failure, a crash) ends the others, and the saver
//     fails with that child's status (1 for a crash).
// Children die with the parent however the parent ends, SIGKILL included,
// so no output stays covered with nobody to end it.
#ifndef ORB_WAYLAND_SUPERVISION_H
#define ORB_WAYLAND_SUPERVISION_H

#include <cstdint>
#include <functional>
#include <vector>

int RunChildren(const std::vector<uint32_t> &outputNames,
                const std::function<int(uint32_t name)> &run);

#endif
