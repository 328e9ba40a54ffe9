#include "AppResources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must not be used inside a namespace.
static void registerResources()
{
    Q_INIT_RESOURCE(resources);
}

void initAppResources()
{
    static const bool registered = (registerResources(), true);
    Q_UNUSED(registered);
}
