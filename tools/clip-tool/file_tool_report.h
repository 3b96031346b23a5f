// How the clip-tool commands report an engine's result: one line on standard error, exit 0 only
// when the job is complete.
#pragma once

#include <cstdio>

#include "file_tools/tool_run.h"

inline int ReportToolResult(const char* command, file_tools::ToolResult result, const char* sameFileText) {
    switch (result) {
    case file_tools::ToolResult::Done: return 0;
    case file_tools::ToolResult::Cancelled: std::fprintf(stderr, "clip-tool %s: cancelled\n", command); break;
    case file_tools::ToolResult::FileError: std::fprintf(stderr, "clip-tool %s: file error\n", command); break;
    case file_tools::ToolResult::SameFile: std::fprintf(stderr, "clip-tool %s: %s\n", command, sameFileText); break;
    }
    return 1;
}
