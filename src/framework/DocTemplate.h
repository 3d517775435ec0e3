// The document template: makes the documents of one class for File New and File Open.
#pragma once
#include <functional>
#include <memory>

#include "framework/Types.h"

class CDocument;

class CDocTemplate {
public:
    using Factory = std::function<CDocument*()>;
    // resourceId names the template's resources (menu, icon, strings); create makes an empty
    // document of the template's class.
    CDocTemplate(UINT resourceId, Factory create);

    // File New (path null): a new document whose OnNewDocument is run; File Open: one whose
    // OnOpenDocument reads path. Null when the document refused (it is deleted then, having
    // told the user why).
    std::unique_ptr<CDocument> OpenDocumentFile(const char* path) const;
    UINT GetResourceId() const { return resourceId_; }

private:
    UINT resourceId_;
    Factory create_;
};
