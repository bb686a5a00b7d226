// Each kind is considered once per loaded tree, in a fixed order; the names
// used come close to the ones a settings reader looks for, so that letter
// case and exact matching are exercised.
#include "testbed/host/xml_tree_deviations.h"

#include <iterator>
#include <string>

#include "testbed/host/host_deviation.h"

namespace {

constexpr const wchar_t* kNearNames[] = {L"Other", L"excludedextension", L"ExcludedExtensions", L"UseQPVForStream",
                                         L"ExcludedExtension", L"UseQPVForStreams", L"DVP_QPV", L"x"};
constexpr const wchar_t* kRootNames[] = {L"dvp_qpv", L"DVP_QPV ", L"root", L"DVP_QPVX", L"DVP_QP", L"Settings"};
constexpr const wchar_t* kValues[] = {L"", L".jpg", L"true", L"false", L"1", L"0", L"maybe", L".PNG", L"  "};

std::unique_ptr<XmlNode> NewNode(const wchar_t* name, std::wstring value)
{
    auto node = std::make_unique<XmlNode>();
    node->name = name;
    node->value = std::move(value);
    return node;
}

void Relink(XmlNode& parent)
{
    for (size_t i = 0; i < parent.children.size(); ++i) {
        parent.children[i]->parent = &parent;
        parent.children[i]->indexInParent = i;
    }
}

void AddExtraChildren(XmlNode& root, const testbed::Drawn& drawn)
{
    const size_t count = 1 + drawn.Pick(4);
    for (size_t i = 0; i < count; ++i) {
        const uint64_t bits = testbed::MixDeviationBits(drawn.bits + i);
        const size_t at = (bits >> 8) % (root.children.size() + 1);
        root.children.insert(root.children.begin() + static_cast<ptrdiff_t>(at),
                             NewNode(kNearNames[bits % std::size(kNearNames)],
                                     kValues[(bits >> 16) % std::size(kValues)]));
    }
}

void DuplicateChildren(XmlNode& root, const testbed::Drawn& drawn)
{
    if (root.children.empty())
        return;
    const size_t at = drawn.Pick(root.children.size());
    const XmlNode& original = *root.children[at];
    const size_t copies = 1 + (drawn.bits >> 40) % 3;
    for (size_t i = 0; i < copies; ++i)
        root.children.insert(root.children.begin() + static_cast<ptrdiff_t>(at + 1),
                             NewNode(original.name.c_str(), original.value));
}

void AddManyChildren(XmlNode& root, const testbed::Drawn& drawn)
{
    const size_t count = 500 + drawn.Pick(1500);
    for (size_t i = 0; i < count; ++i)
        root.children.push_back(NewNode(L"ExcludedExtension", L".m" + std::to_wstring(i)));
}

void LengthenValue(XmlNode& root, const testbed::Drawn& drawn)
{
    if (root.children.empty())
        return;
    XmlNode& child = *root.children[drawn.Pick(root.children.size())];
    const size_t length = 1025 + (drawn.bits >> 32) % 70000;
    child.value.assign(length, L'q');
    child.value[0] = L'.';
}

void NestChildren(XmlNode& root, const testbed::Drawn& drawn)
{
    if (root.children.empty())
        return;
    XmlNode& child = *root.children[drawn.Pick(root.children.size())];
    const size_t count = 1 + (drawn.bits >> 32) % 3;
    for (size_t i = 0; i < count; ++i)
        child.children.push_back(NewNode(L"ExcludedExtension", L".nested"));
    Relink(child);
}

}  // namespace

void DeviateLoadedTree(XmlNode& root)
{
    const testbed::Drawn extra = DeviateService(HostDeviation::TreeExtraChildren);
    const testbed::Drawn duplicated = DeviateService(HostDeviation::TreeDuplicatedChildren);
    const testbed::Drawn renamed = DeviateService(HostDeviation::TreeRootRenamed);
    const testbed::Drawn many = DeviateService(HostDeviation::TreeManyChildren);
    const testbed::Drawn longValue = DeviateService(HostDeviation::TreeLongValue);
    const testbed::Drawn none = DeviateService(HostDeviation::TreeNoChildren);
    const testbed::Drawn nested = DeviateService(HostDeviation::TreeNested);
    if (extra)
        AddExtraChildren(root, extra);
    if (duplicated)
        DuplicateChildren(root, duplicated);
    if (renamed)
        root.name = kRootNames[renamed.Pick(std::size(kRootNames))];
    if (many)
        AddManyChildren(root, many);
    if (longValue)
        LengthenValue(root, longValue);
    if (none)
        root.children.clear();
    if (nested)
        NestChildren(root, nested);
    Relink(root);
}
