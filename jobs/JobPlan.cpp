#include "JobPlan.h"

#include "foundation/String.h"
#include "office/OfficeRules.h"

namespace {

const char* const kOpenXmlExtensions[] = {".docx", ".docm", ".pptx", ".pptm", ".ppsx",
                                          ".ppsm", ".xlsb", ".xlsx", ".xlsm"};

}  // namespace

void countForApplication(const char* path, ApplicationCounts& counts) {
    switch (office_rules::engineFor(path)) {
        case office_rules::Engine::Word: ++counts.word; break;
        case office_rules::Engine::PowerPoint: ++counts.powerPoint; break;
        case office_rules::Engine::Excel: ++counts.excel; break;
        case office_rules::Engine::None: break;
    }
}

bool isOfficeOpenXml(const char* path) {
    for (const char* extension : kOpenXmlExtensions) {
        if (endsWithIgnoreCase(path, extension)) return true;
    }
    return false;
}

FileStep fileStepFor(const char* path, bool office12Installed) {
    if (endsWithIgnoreCase(path, ".pdf")) return FileStep::Pdf;
    if (endsWithIgnoreCase(path, ".xps")) return FileStep::NoRow;
    if (isOfficeOpenXml(path) && !office12Installed) return FileStep::Skipped;
    return FileStep::Office;
}
