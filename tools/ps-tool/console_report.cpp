#include "console_report.h"

#include <cstdio>

void ConsoleReport::SetStatus(platform::RunStatus status) {
    std::printf("status: %s\n", platform::StatusText(status));
    std::fflush(stdout);
}

void ConsoleReport::AddMessage(const std::string& line) {
    std::printf("message: %s\n", line.c_str());
}

void ConsoleReport::InfoBox(const std::string& text) {
    std::printf("Info: %s\n", text.c_str());
    std::fflush(stdout);
}

void PrintErrorBox(const std::string& text) {
    if (!text.empty()) std::printf("Error: %s\n", text.c_str());
}

void PrintStatic(const char* label, const std::string& text) {
    std::string shown = text;
    while (!shown.empty() && shown.back() == '\n') shown.pop_back();
    std::printf("%-12s %s\n", label, shown.c_str());
}
