#include "frame_file_group.h"

namespace velmar {

using namespace velmar_ui;
using namespace velmar_ui::form_kinds;

void AddFrameFileGroup(std::vector<ControlSpec>& c, const std::string& group, const char* fieldsLabel,
                       const FrameFileGroupIds& ids) {
    AddFileRow(c, group, 0, ids.file, ids.path, 5);
    c.push_back({kNoId, kLabel, fieldsLabel, group, 1, 0});
    c.push_back({ids.fields, kEdit, "0", group, 1, 1});
    c.push_back({ids.fieldsSpin, kSpin, "", group, 1, 2});
    AddRow(c, kRadio, group, 1, 3, {{ids.frame, "Frame"}, {ids.field, "Field"}});
}

}  // namespace velmar
