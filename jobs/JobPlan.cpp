#include "JobPlan.h"

#include "classify/FileType.h"

void countForApplication(const char* path, ApplicationCounts& counts) {
    const FileKind* kind = fileKindOf(path);
    if (kind == nullptr) return;
    switch (kind->application) {
        case KindApplication::Word: ++counts.word; break;
        case KindApplication::PowerPoint: ++counts.powerPoint; break;
        case KindApplication::Excel: ++counts.excel; break;
        case KindApplication::None:
        case KindApplication::Pdf: break;
    }
}

bool isOfficeOpenXml(const char* path) { return FileType::isOffice2007File(path); }

FileStep fileStepFor(const char* path, bool office12Installed) {
    const FileKind* kind = fileKindOf(path);
    if (kind == nullptr) return FileStep::Office;
    switch (kind->format) {
        case KindFormat::Pdf: return FileStep::Pdf;
        case KindFormat::Xps: return FileStep::NoRow;
        case KindFormat::OpenXml: return office12Installed ? FileStep::Office : FileStep::Skipped;
        case KindFormat::Binary: break;
    }
    return FileStep::Office;
}
