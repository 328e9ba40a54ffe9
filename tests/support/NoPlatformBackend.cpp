#include "AutomationNode.h"

// Unit tests run without an office: every unclaimed ProgID binds nothing.
std::shared_ptr<AutomationNode> createPlatformBackend(const QString &)
{
    return nullptr;
}
