#include "velmar_ui/form_spec.h"

#include <map>
#include <set>
#include <tuple>

namespace velmar_ui {

void AddRow(std::vector<ControlSpec>& controls, ControlKind kind, const std::string& group, int row, int column,
            std::initializer_list<RowCell> cells, unsigned flags) {
    for (const RowCell& cell : cells) controls.push_back({cell.id, kind, cell.caption, group, row, column++, 1, 1, flags});
}

void AddFileRow(std::vector<ControlSpec>& controls, const std::string& group, int row, ControlId button, ControlId edit,
                int editColumns) {
    controls.push_back({button, ControlKind::PushButton, "FILE...", group, row, 0});
    controls.push_back({edit, ControlKind::Edit, "", group, row, 1, 1, editColumns});
}

const ControlSpec* FormSpec::Find(ControlId id) const {
    for (const auto& control : controls)
        if (control.id == id && id != kNoId) return &control;
    return nullptr;
}

std::string ObjectNameOf(ControlId id) { return "c" + std::to_string(id); }

std::vector<std::string> CheckFormSpec(const FormSpec& form) {
    std::vector<std::string> problems;
    std::set<std::string> groups;
    for (const auto& group : form.groups) {
        if (group.title.empty()) problems.push_back("group without a title");
        if (!groups.insert(group.title).second) problems.push_back("duplicate group \"" + group.title + "\"");
        if (group.row < 0 || group.column < 0) problems.push_back("group \"" + group.title + "\" has a negative cell");
    }
    std::set<ControlId> ids;
    std::map<std::tuple<std::string, int, int>, ControlId> cells;
    for (const auto& control : form.controls) {
        const std::string name = control.id == kNoId ? "\"" + control.caption + "\"" : std::to_string(control.id);
        if (control.id != kNoId && !ids.insert(control.id).second) problems.push_back("duplicate id " + name);
        if (!control.group.empty() && !groups.count(control.group))
            problems.push_back("control " + name + " names unknown group \"" + control.group + "\"");
        if (control.row < 0 || control.column < 0 || control.rowSpan < 1 || control.columnSpan < 1) {
            problems.push_back("control " + name + " has a bad cell");
            continue;
        }
        if (control.flags & kAlternate) continue;
        for (int r = control.row; r < control.row + control.rowSpan; ++r) {
            for (int c = control.column; c < control.column + control.columnSpan; ++c) {
                auto [it, fresh] = cells.insert({{control.group, r, c}, control.id});
                if (!fresh) {
                    problems.push_back("control " + name + " overlaps another in row " + std::to_string(r) +
                                       ", column " + std::to_string(c));
                    r = control.row + control.rowSpan;
                    break;
                }
            }
        }
    }
    return problems;
}

}  // namespace velmar_ui
