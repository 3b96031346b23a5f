#include "velmar_ui/ui_services.h"

#include <cctype>

#include "platform/profile.h"
#include "velmar_ui/data_exchange.h"

namespace velmar_ui {

std::optional<std::string> UiServices::ChooseFile(const FileChooserSpec& chooser) {
    FileChooserSpec shown = chooser;
    if (shown.startFolder.empty()) shown.startFolder = lastFolder_;
    auto path = ShowFileChooser(shown);
    if (path && path->size() > platform::kProfileValueMax) {
        MessageBox({"The file name is longer than " + std::to_string(platform::kProfileValueMax) +
                        " characters and cannot be kept:\n" + *path,
                    "File Name Too Long", BoxButtons::Ok, BoxIcon::Warning});
        return std::nullopt;
    }
    if (path) lastFolder_ = FolderOf(*path);
    return path;
}

platform::MessageBoxHook LibraryBoxesThrough(UiServices& ui) {
    return [&ui](const std::string& text, const std::string& caption, platform::MessageButtons buttons,
                 platform::MessageIcon icon) {
        MessageBoxSpec box{text, caption, BoxButtons::Ok, BoxIcon::None};
        switch (buttons) {
        case platform::MessageButtons::Ok: box.buttons = BoxButtons::Ok; break;
        case platform::MessageButtons::OkCancel: box.buttons = BoxButtons::OkCancel; break;
        case platform::MessageButtons::YesNo: box.buttons = BoxButtons::YesNo; break;
        case platform::MessageButtons::YesNoCancel: box.buttons = BoxButtons::YesNoCancel; break;
        }
        switch (icon) {
        case platform::MessageIcon::None: box.icon = BoxIcon::None; break;
        case platform::MessageIcon::Information: box.icon = BoxIcon::Information; break;
        case platform::MessageIcon::Warning: box.icon = BoxIcon::Warning; break;
        case platform::MessageIcon::Error: box.icon = BoxIcon::Error; break;
        case platform::MessageIcon::Question: box.icon = BoxIcon::Question; break;
        }
        // A worker (the board's service thread) must never wait for the UI thread, which may
        // itself be waiting for the worker: its box is posted and it goes on with the answer a
        // box closed without choosing gives.
        BoxAnswer answer = EscapeAnswer(box.buttons);
        if (ui.OnUiThread())
            answer = ui.MessageBox(box);
        else
            ui.RunOnUiThread([&ui, box] { ui.MessageBox(box); });
        switch (answer) {
        case BoxAnswer::Ok: return platform::MessageAnswer::Ok;
        case BoxAnswer::Yes: return platform::MessageAnswer::Yes;
        case BoxAnswer::No: return platform::MessageAnswer::No;
        default: return platform::MessageAnswer::Cancel;
        }
    };
}

BoxAnswer EscapeAnswer(BoxButtons buttons) {
    switch (buttons) {
    case BoxButtons::Ok: return BoxAnswer::Ok;
    case BoxButtons::YesNo: return BoxAnswer::No;
    case BoxButtons::AbortRetryIgnore: return BoxAnswer::Abort;
    default: return BoxAnswer::Cancel;
    }
}

std::vector<FileFilterEntry> ParseFileFilter(const std::string& filter) {
    std::vector<std::string> parts;
    std::string current;
    for (char ch : filter) {
        if (ch == '|') {
            parts.push_back(current);
            current.clear();
        } else {
            current += ch;
        }
    }
    if (!current.empty()) parts.push_back(current);

    std::vector<FileFilterEntry> entries;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty()) break;  // the closing "||"
        FileFilterEntry entry;
        entry.description = parts[i];
        // "MPEG Files (*.m*)": the shown pattern list is dropped; the toolkit adds its own.
        const auto open = entry.description.rfind(" (");
        if (open != std::string::npos && entry.description.back() == ')') entry.description.resize(open);
        std::string pattern;
        for (char ch : parts[i + 1] + ";") {
            if (ch == ';') {
                if (!pattern.empty()) entry.patterns.push_back(pattern);
                pattern.clear();
            } else if (!std::isspace(static_cast<unsigned char>(ch))) {
                pattern += ch;
            }
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return {};
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool ParseInteger(const std::string& text, int& value) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long long number = 0;
    std::size_t digits = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i, ++digits) {
        number = number * 10 + (text[i] - '0');
        if (number > 2147483648LL) return false;
    }
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    if (digits == 0 || i != text.size()) return false;
    if (negative) number = -number;
    if (number > 2147483647LL) return false;
    value = static_cast<int>(number);
    return true;
}

MessageBoxSpec NumberRangeBox(int low, int high) {
    return {"Please enter an integer between " + std::to_string(low) + " and " + std::to_string(high) + ".",
            "", BoxButtons::Ok, BoxIcon::Warning};
}

}  // namespace velmar_ui
