// Reading and writing the stand-in host's XML documents as files, with the
// platform's own XML components: the MSXML document parser reads, the
// XmlLite writer writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "testbed/host/xml_tree.h"

// Parses a whole file into a new tree; null when the file is missing,
// unreadable, not well-formed, has no root element, or nests deeper than
// kMaxXmlDepth. Text and CDATA inside an element become its value; the
// whitespace that only indents child elements is dropped; comments,
// processing instructions and attributes are not kept.
//
// The reader is MSXML rather than XmlLite because the XmlLite reader of the
// platform the tests run on (Wine) does not survive damaged files: it aborts
// the process on some truncated ones, reads others forever, and silently
// closes elements a truncated file never closed.
std::unique_ptr<XmlNode> ReadXmlFile(const wchar_t* path);

// Writes the tree as indented UTF-8 XML with an XML declaration. The text is
// composed in memory, written to a new temporary file in the target's folder
// and renamed over the target, so a failure at any step leaves the target as
// it was and no temporary file behind. With keepBytes, only that many bytes
// of the text reach the target (a host that breaks off in mid-save).
bool WriteXmlFile(const XmlNode& root, const wchar_t* path, size_t keepBytes = SIZE_MAX);
