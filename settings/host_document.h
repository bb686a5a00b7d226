// HostDocument: owns one XML document handle obtained from the host and
// hands it back with the host's XMLFreeFile when it goes out of scope, so
// every path of a load or a save frees each document exactly once.
#pragma once

#include <windows.h>

#include "settings/settings_file_services.h"

class HostDocument {
public:
    HostDocument(XmlFreeFileFn freeFile, HANDLE document) noexcept : freeFile_(freeFile), document_(document) {}
    ~HostDocument()
    {
        // A host without XMLFreeFile keeps the document; there is no other
        // way to release it.
        if (document_ && freeFile_)
            freeFile_(document_);
    }
    HostDocument(const HostDocument&) = delete;
    HostDocument& operator=(const HostDocument&) = delete;

    HANDLE get() const noexcept { return document_; }
    explicit operator bool() const noexcept { return document_ != nullptr; }

private:
    XmlFreeFileFn freeFile_;
    HANDLE document_;
};
