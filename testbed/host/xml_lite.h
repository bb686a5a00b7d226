// The platform's XML writer (XmlLite), bound at run time: the toolchain ships
// the interfaces but no import library for xmllite.dll. The module is loaded
// on first use and stays loaded for the process's life.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <xmllite.h>

#include "testbed/host/com_owner.h"

// A new writer, or null when xmllite.dll or its factory is missing or the
// factory fails.
ComOwner<IXmlWriter> CreateXmlLiteWriter() noexcept;
