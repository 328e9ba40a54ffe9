#pragma once

#include <QtGlobal>

// UNO round trips the LibreOffice backend has made in this process.
quint64 unoRoundTrips();
