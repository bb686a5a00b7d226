// ReadXmlFile: loads a file with the MSXML document parser and copies the
// elements and their text into an XmlNode tree.
#include "testbed/host/xml_file.h"

#include <msxml2.h>
#include <oleauto.h>

#include <string>

#include "testbed/host/com_apartment.h"
#include "testbed/host/com_owner.h"

namespace {

// MSXML 6.0's document and the interface used on it, declared here because
// the toolchain's import libraries carry neither identifier.
constexpr CLSID kDomDocument60 = {0x88d96a05, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};
constexpr IID kIXmlDomDocument2 = {0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

class UniqueBstr {
public:
    UniqueBstr() = default;
    ~UniqueBstr() { SysFreeString(text_); }
    UniqueBstr(const UniqueBstr&) = delete;
    UniqueBstr& operator=(const UniqueBstr&) = delete;

    BSTR* out() noexcept { return &text_; }
    std::wstring str() const { return std::wstring(text_ ? text_ : L"", text_ ? SysStringLen(text_) : 0); }

private:
    BSTR text_ = nullptr;
};

class UniqueVariant {
public:
    UniqueVariant() noexcept { VariantInit(&value_); }
    ~UniqueVariant() { VariantClear(&value_); }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;

    VARIANT& get() noexcept { return value_; }

private:
    VARIANT value_{};
};

bool IsWhitespaceOnly(const std::wstring& text) noexcept
{
    return text.find_first_not_of(L" \t\r\n") == std::wstring::npos;
}

ComOwner<IXMLDOMNode> FirstChild(IXMLDOMNode& node) noexcept
{
    IXMLDOMNode* child = nullptr;
    return ComOwner<IXMLDOMNode>(node.get_firstChild(&child) == S_OK ? child : nullptr);
}

ComOwner<IXMLDOMNode> NextSibling(IXMLDOMNode& node) noexcept
{
    IXMLDOMNode* sibling = nullptr;
    return ComOwner<IXMLDOMNode>(node.get_nextSibling(&sibling) == S_OK ? sibling : nullptr);
}

// Copies one element, its text and its child elements; false beyond
// kMaxXmlDepth or when the parser cannot hand something over.
// NOLINTNEXTLINE(misc-no-recursion): one level per element, bounded by kMaxXmlDepth
bool CopyElement(IXMLDOMNode& source, XmlNode& target, size_t depth)
{
    if (depth > kMaxXmlDepth)
        return false;
    UniqueBstr name;
    if (FAILED(source.get_nodeName(name.out())))
        return false;
    target.name = name.str();
    for (ComOwner<IXMLDOMNode> child = FirstChild(source); child; child = NextSibling(*child.get())) {
        DOMNodeType type = NODE_INVALID;
        if (FAILED(child.get()->get_nodeType(&type)))
            return false;
        if (type == NODE_ELEMENT) {
            XmlNode* element = AppendChild(target, std::make_unique<XmlNode>());
            if (!CopyElement(*child.get(), *element, depth + 1))
                return false;
        } else if (type == NODE_TEXT || type == NODE_CDATA_SECTION) {
            UniqueVariant text;
            if (FAILED(child.get()->get_nodeValue(&text.get())) || text.get().vt != VT_BSTR)
                return false;
            target.value.append(text.get().bstrVal, SysStringLen(text.get().bstrVal));
        }
        // Comments and processing instructions carry nothing the host keeps.
    }
    // Whitespace between child elements only indents them.
    if (!target.children.empty() && IsWhitespaceOnly(target.value))
        target.value.clear();
    return true;
}

ComOwner<IXMLDOMDocument2> LoadDocument(const wchar_t* path)
{
    IXMLDOMDocument2* raw = nullptr;
    if (FAILED(CoCreateInstance(kDomDocument60, nullptr, CLSCTX_INPROC_SERVER, kIXmlDomDocument2,
                                reinterpret_cast<void**>(&raw))))
        return ComOwner<IXMLDOMDocument2>();
    ComOwner<IXMLDOMDocument2> document(raw);
    IXMLDOMDocument2& parser = *document.get();
    // Synchronous, every character kept (indentation is dropped above, where
    // it is known to be indentation), nothing fetched from outside the file.
    if (FAILED(parser.put_async(VARIANT_FALSE)) || FAILED(parser.put_preserveWhiteSpace(VARIANT_TRUE)) ||
        FAILED(parser.put_resolveExternals(VARIANT_FALSE)) || FAILED(parser.put_validateOnParse(VARIANT_FALSE)))
        return ComOwner<IXMLDOMDocument2>();
    VARIANT prohibit;
    VariantInit(&prohibit);
    prohibit.vt = VT_BOOL;
    prohibit.boolVal = VARIANT_TRUE;
    if (BSTR property = SysAllocString(L"ProhibitDTD")) {
        // Known to MSXML 6.0 only; an older parser without it still refuses
        // external entities through resolveExternals above.
        parser.setProperty(property, prohibit);
        SysFreeString(property);
    }

    UniqueVariant source;
    source.get().vt = VT_BSTR;
    source.get().bstrVal = SysAllocString(path);
    if (!source.get().bstrVal)
        return ComOwner<IXMLDOMDocument2>();
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (parser.load(source.get(), &loaded) != S_OK || loaded != VARIANT_TRUE)
        return ComOwner<IXMLDOMDocument2>();
    return document;
}

}  // namespace

std::unique_ptr<XmlNode> ReadXmlFile(const wchar_t* path)
{
    if (!path || !*path)
        return nullptr;
    ComApartment apartment;
    if (!apartment.usable())
        return nullptr;
    ComOwner<IXMLDOMDocument2> document = LoadDocument(path);
    if (!document)
        return nullptr;
    IXMLDOMElement* rawRoot = nullptr;
    if (document.get()->get_documentElement(&rawRoot) != S_OK || !rawRoot)
        return nullptr;
    ComOwner<IXMLDOMElement> rootElement(rawRoot);

    auto root = std::make_unique<XmlNode>();
    if (!CopyElement(*rootElement.get(), *root, 1))
        return nullptr;
    return root;
}
