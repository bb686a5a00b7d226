// HostTestbedReset: every part of the stand-in host back to its start, each
// through its own reset, so no part needs to know of another.
#include "testbed/host/config_services.h"
#include "testbed/host/host_deviation.h"
#include "testbed/host/host_testbed_control.h"
#include "testbed/host/service_registry.h"
#include "testbed/host/xml_services.h"
#include "testbed/host/xml_tree.h"

void HostTestbedReset()
{
    ResetFolderOverrides();
    ResetServiceRecords();
    ResetXmlQuirks();
    XmlStore::Get().ResetInvalidHandles();
    ResetHostDeviation();
}
