// Qt is linked statically on Windows: its platform plugin is linked into the
// executable and has to be named here to be found at start-up.
#include <QtPlugin>

Q_IMPORT_PLUGIN(QWindowsIntegrationPlugin)
