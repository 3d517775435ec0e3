#include "framework/DocTemplate.h"

#include <utility>

#include "framework/Document.h"

CDocTemplate::CDocTemplate(UINT resourceId, Factory create) : resourceId_(resourceId), create_(std::move(create)) {}

std::unique_ptr<CDocument> CDocTemplate::OpenDocumentFile(const char* path) const {
    std::unique_ptr<CDocument> doc(create_ ? create_() : nullptr);
    if (!doc) return nullptr;
    const bool made = path ? doc->OnOpenDocument(path) : doc->OnNewDocument();
    if (!made) return nullptr;
    return doc;
}
