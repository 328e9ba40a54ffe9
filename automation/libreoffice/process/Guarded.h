#pragma once

#include "OfficeSession.h"
#include "UnoText.h"

#include <QLoggingCategory>

#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/uno/Exception.hpp>
#include <com/sun/star/uno/RuntimeException.hpp>

#include <exception>

#include <csignal>
#include <sys/types.h>

// What the office refused, and why; quiet unless QT_LOGGING_RULES turns it on
// ("sheetsplicer.office.info=true").
Q_DECLARE_LOGGING_CATEGORY(officeLog)

// Runs one piece of work against the office. Nothing thrown inside crosses the
// automation layer: a failure gives the fallback, and a dead bridge marks the
// session lost so that every later call fails at once.
template <typename Work, typename Result>
Result guarded(OfficeSession &session, Work &&work, Result fallback)
{
    if (session.lost())
        return fallback;
    try {
        OfficeSession::Call call(session);
        return work();
    } catch (const css::lang::DisposedException &e) {
        // Ended on purpose (a cancel) or not.
        if (session.lost())
            qCInfo(officeLog) << "the office went away:" << qs(e.Message);
        else
            qCWarning(officeLog) << "the office went away:" << qs(e.Message);
        session.markLost();
    } catch (const css::uno::RuntimeException &e) {
        qCInfo(officeLog) << "office call failed:" << qs(e.Message);
        // A bridge that broke mid-call reports a plain RuntimeException.
        if (session.pid() > 0 && ::kill(static_cast<pid_t>(session.pid()), 0) != 0)
            session.markLost();
    } catch (const css::uno::Exception &e) {
        qCInfo(officeLog) << "office call refused:" << qs(e.Message);
    } catch (const std::exception &e) {
        qCInfo(officeLog) << "office call failed:" << e.what();
    }
    return fallback;
}
