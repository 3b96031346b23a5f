// Prints what a dialog would show of a run: status texts and message-list lines.
#pragma once

#include <string>

#include "platform/run_report.h"

class ConsoleReport : public platform::RunReport {
public:
    void SetStatus(platform::RunStatus status) override;
    void AddMessage(const std::string& line) override;
    void InfoBox(const std::string& text) override;
};

void PrintErrorBox(const std::string& text);
void PrintStatic(const char* label, const std::string& text);
