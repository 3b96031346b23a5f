// How the clip-tool commands report an engine's result: one line on standard error, exit 0 only
// when the job is complete; a file error names the file and what is wrong with it.
#pragma once

#include <cstdio>
#include <string>

#include "file_tools/tool_run.h"

// A headless run: nothing asks it to stop; it keeps the engine's last message, the cause of a
// file error.
class CommandRun : public platform::RunReport {
public:
    void AddMessage(const std::string& line) override { cause = line; }
    std::string cause;
};

inline int ReportToolResult(const char* command, const platform::RunResult& result, const char* sameFileText,
                            const CommandRun& run) {
    if (result.status == platform::RunStatus::Done) return 0;
    if (result.status == platform::RunStatus::Canceled)
        std::fprintf(stderr, "clip-tool %s: cancelled\n", command);
    else if (result.overInput)
        std::fprintf(stderr, "clip-tool %s: %s\n", command, sameFileText);
    else if (run.cause.empty())
        std::fprintf(stderr, "clip-tool %s: file error\n", command);
    else
        std::fprintf(stderr, "clip-tool %s: file error: %s\n", command, run.cause.c_str());
    return 1;
}
