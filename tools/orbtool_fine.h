// orbtool_fine.h -- what orbtool does with the fine encoding: bake it and
// print what a fine container holds.
#ifndef ORB_TOOLS_ORBTOOL_FINE_H
#define ORB_TOOLS_ORBTOOL_FINE_H

#include <cstdint>
#include <string>
#include <vector>

#include "fine_bake.h"
#include "fine_format.h"

// Bakes the fine ball of params into `output`; 0 with why on failure.
int BakeFineFile(const FineBallParams &params, const std::string &output, std::string *why);

void PrintFineFacts(const FineFacts &facts, int valid);

// orbtool info on a fine container: its facts, and 1 (the reason on
// stderr) when it breaks a rule.
int FineInfo(const char *name, const std::vector<uint8_t> &data);

#endif
