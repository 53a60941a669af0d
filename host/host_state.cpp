// host_state.cpp -- the host's record with its start values.
#include "host_state.h"

SaverHostState gHost = {
    nullptr, 0, 0, 0, 0, nullptr, nullptr, 0, nullptr, nullptr, nullptr, {0, 0},
    kNoVerifyYet,
    4,  // mouseThreshold: 4 pixels do not close the saver, 5 do
};
