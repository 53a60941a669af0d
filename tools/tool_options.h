// tool_options.h -- a command's options as a table: one row per option says
// its name, the value it takes, where that value goes, the range it must lie
// in and its line of the usage text. One parser and one usage printer serve
// every table.
//
//   ParseToolOptions(table, command, argc, argv, first, &why)
//       takes argv[first..argc-1] as "--name value" pairs; 1 when every
//       one was taken, else 0 and why; the fields the table points at keep
//       what was parsed
//   ToolOptionUsage(table)  the usage lines; a row's default is what its
//                           field holds when the table is made; a long line
//                           goes on in the text's column (kHelpIndent)
#ifndef ORB_TOOLS_TOOL_OPTIONS_H
#define ORB_TOOLS_TOOL_OPTIONS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum ToolValueKind {
    kToolText,    // any non-empty text
    kToolWhole,   // a whole number; its range (shown when low < high) is checked by
                  // whoever uses it
    kToolRanged,  // a whole number in low..high, checked here
    kToolSize,    // WIDTHxHEIGHT, each side 1 or more; a range as for kToolWhole
};

struct ToolOption {
    const char *name;       // as typed: "--frames", "-o"
    const char *valueName;  // in the usage text: "N", "FILE"
    ToolValueKind kind;
    std::string *text;      // kToolText
    int32_t *number;        // kToolWhole, kToolRanged; kToolSize: the width
    int32_t *second;        // kToolSize: the height
    int32_t low, high;      // kToolRanged: checked here; else only shown
    const char *needs;      // the refusal: "<name> needs <needs>[ low..high]"
    const char *help;       // the usage line, before the range and default
};

ToolOption TextOption(const char *name, const char *valueName, std::string *field,
                      const char *needs, const char *help);
ToolOption WholeOption(const char *name, const char *valueName, int32_t *field, int32_t low,
                       int32_t high, const char *help);
ToolOption RangedOption(const char *name, const char *valueName, int32_t *field, int32_t low,
                        int32_t high, const char *needs, const char *help);
ToolOption SizeOption(const char *name, int32_t *width, int32_t *height, int32_t low,
                      int32_t high, const char *help);

int ParseToolOptions(const std::vector<ToolOption> &table, const char *command, int argc,
                     char **argv, int first, std::string *why);

std::string ToolOptionUsage(const std::vector<ToolOption> &table);

// The help's layout: an option's text starts in column kHelpIndent and goes
// on there on the next lines; no line is longer than kHelpWidth.
enum : size_t { kHelpIndent = 22, kHelpWidth = 79 };

// `text` in lines of at most kHelpWidth, the first starting in column
// `first`, the others in column `indent`; each line ends in a newline.
std::string WrapText(const std::string &text, size_t indent, size_t first);

#endif
