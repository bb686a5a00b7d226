// Binds CreateXmlWriter from the system's xmllite.dll.
#include "testbed/host/xml_lite.h"

#include "win32/bind_export.h"

namespace {

using CreateXmlWriterFn = HRESULT(WINAPI*)(REFIID riid, void** object, IMalloc* allocator);

CreateXmlWriterFn GetWriterFactory() noexcept
{
    static const CreateXmlWriterFn factory = [] {
        HMODULE module = LoadLibraryExW(L"xmllite.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        return module ? BindExport<CreateXmlWriterFn>(module, "CreateXmlWriter") : nullptr;
    }();
    return factory;
}

}  // namespace

ComOwner<IXmlWriter> CreateXmlLiteWriter() noexcept
{
    void* writer = nullptr;
    const CreateXmlWriterFn factory = GetWriterFactory();
    if (!factory || FAILED(factory(__uuidof(IXmlWriter), &writer, nullptr)))
        return ComOwner<IXmlWriter>();
    return ComOwner<IXmlWriter>(static_cast<IXmlWriter*>(writer));
}
