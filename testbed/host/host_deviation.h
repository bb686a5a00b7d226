// The stand-in host's misbehaviour mode: every named way in which one of the
// services the plug-in calls, the XML trees they hand back, or a host stream
// may deviate from the contract. Each kind is "<what>.<field>:<how>";
// <what>.<field> names one row of docs/surface.md. The services share one
// scenario; each deviating stream carries its own, and all count together.
#pragma once

#include <cstddef>
#include <cstdint>

#include "testbed/deviation_draw.h"

#define HOST_DEVIATION_KINDS(X)                                              \
    X(ProgramDirFails, "GetProgramDirW.result:fail")                         \
    X(ProgramDirUnterminated, "GetProgramDirW.text:unterminated")            \
    X(ProgramDirEmpty, "GetProgramDirW.text:empty")                          \
    X(ConfigPathFails, "GetConfigPathW.result:fail")                         \
    X(ConfigPathUnterminated, "GetConfigPathW.text:unterminated")            \
    X(ConfigPathEmpty, "GetConfigPathW.text:empty")                          \
    X(ConfigPathMissing, "GetConfigPathW.text:missing-folder")               \
    X(LoadFileNull, "XMLLoadFileW.result:null")                              \
    X(TreeExtraChildren, "XMLLoadFileW.tree:extra-children")                 \
    X(TreeDuplicatedChildren, "XMLLoadFileW.tree:duplicated-children")       \
    X(TreeRootRenamed, "XMLLoadFileW.tree:root-renamed")                     \
    X(TreeManyChildren, "XMLLoadFileW.tree:many-children")                   \
    X(TreeLongValue, "XMLLoadFileW.tree:long-value")                         \
    X(TreeNoChildren, "XMLLoadFileW.tree:no-children")                       \
    X(TreeNested, "XMLLoadFileW.tree:nested")                                \
    X(CreateFileNull, "XMLCreateFile.result:null")                           \
    X(SaveFails, "XMLSaveFileW.result:fail")                                 \
    X(SaveFailsAfterWrite, "XMLSaveFileW.result:fail-after-write")           \
    X(SaveFailsAfterPartialWrite, "XMLSaveFileW.result:fail-after-partial")  \
    X(FreeFails, "XMLFreeFile.result:fail")                                  \
    X(NameFails, "XMLGetNodeNameW.result:fail")                              \
    X(NameUnterminated, "XMLGetNodeNameW.text:unterminated")                 \
    X(NameCapacityGrown, "XMLGetNodeNameW.capacity:grown")                   \
    X(NameCapacityShrunk, "XMLGetNodeNameW.capacity:shrunk")                 \
    X(FirstChildNull, "XMLFirstChildNode.result:null")                       \
    X(NextNodeNull, "XMLNextNode.result:null")                               \
    X(ValueFails, "XMLGetNodeValueW.result:fail")                            \
    X(ValueSizeUnderstated, "XMLGetNodeValueW.size:understated")             \
    X(ValueSizeOverstated, "XMLGetNodeValueW.size:overstated")               \
    X(ValueSizeNonPositive, "XMLGetNodeValueW.size:non-positive")            \
    X(ValueUnterminated, "XMLGetNodeValueW.text:unterminated")               \
    X(ValueCapacityGrown, "XMLGetNodeValueW.capacity:grown")                 \
    X(BoolFails, "XMLGetNodeBoolValue.result:fail")                          \
    X(BoolOdd, "XMLGetNodeBoolValue.value:odd")                              \
    X(SetNameFailsAfterRename, "XMLSetNodeNameW.result:fail-after-rename")   \
    X(AddChildNull, "XMLAddChildNodeW.result:null")                          \
    X(SetValueFails, "XMLSetNodeValueW.result:fail")                         \
    X(SetValueFailsAfterSet, "XMLSetNodeValueW.result:fail-after-set")       \
    X(SetBoolFails, "XMLSetNodeBoolValue.result:fail")                       \
    X(SetBoolFailsAfterSet, "XMLSetNodeBoolValue.result:fail-after-set")     \
    X(ReadShort, "IStream.Read:short")                                       \
    X(ReadSFalse, "IStream.Read:s-false")                                    \
    X(ReadFails, "IStream.Read:fail")                                        \
    X(ReadOverReported, "IStream.Read:over-reported")                        \
    X(ReadUnderReported, "IStream.Read:under-reported")                      \
    X(SeekFails, "IStream.Seek:fail")                                        \
    X(SeekSFalse, "IStream.Seek:s-false")                                    \
    X(SeekBeyond4GiB, "IStream.Seek:beyond-4gib")                            \
    X(SeekReportsElsewhere, "IStream.Seek:reports-elsewhere")                \
    X(SeekMovesElsewhere, "IStream.Seek:moves-elsewhere")

enum class HostDeviation : size_t {
#define HOST_DEVIATION_ENUM(id, name) id,
    HOST_DEVIATION_KINDS(HOST_DEVIATION_ENUM)
#undef HOST_DEVIATION_ENUM
        Count
};

inline constexpr size_t kHostDeviationCount = static_cast<size_t>(HostDeviation::Count);
using HostDeviationScenario = testbed::DeviationScenario<kHostDeviationCount>;

// Considers one answer of a service under the services' scenario.
testbed::Drawn DeviateService(HostDeviation kind) noexcept;
// Considers one answer of a stream under the stream's own scenario.
testbed::Drawn DeviateStream(HostDeviationScenario& scenario, HostDeviation kind) noexcept;

// Stops the services' scenario and zeroes every count (HostTestbedReset).
void ResetHostDeviation() noexcept;
