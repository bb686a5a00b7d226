// The misbehaviour mode's deviations of the shape of a tree XMLLoadFileW
// hands back: children added, repeated, nested, removed or many, a renamed
// root, a long value. Applied to a tree read from a file before the store
// adopts it, so every node stays a live, well-linked node.
#pragma once

#include "testbed/host/xml_tree.h"

void DeviateLoadedTree(XmlNode& root);
