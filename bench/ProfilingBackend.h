#pragma once

#include "AutomationNode.h"
#include "MemberProfile.h"

#include <QStringList>

#include <memory>

// Wraps `inner` (and every node queried from it) so that each operation is
// timed into `profile`. Node arguments are handed to `inner` unwrapped.
std::shared_ptr<AutomationNode> profiledNode(std::shared_ptr<AutomationNode> inner,
                                             std::shared_ptr<MemberProfile> profile);

// The top `count` entries as lines:
// "  call SetFormulaR1C1  100,000 x  12.3 s, longest 0.1 s".
QStringList profileLines(const MemberProfile &profile, int count);
