#pragma once

#include "OfficeSession.h"

#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/uno/Exception.hpp>
#include <com/sun/star/uno/RuntimeException.hpp>

#include <exception>

#include <csignal>
#include <sys/types.h>

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
    } catch (const css::lang::DisposedException &) {
        session.markLost();
    } catch (const css::uno::RuntimeException &) {
        // A bridge that broke mid-call reports a plain RuntimeException.
        if (session.pid() > 0 && ::kill(static_cast<pid_t>(session.pid()), 0) != 0)
            session.markLost();
    } catch (const css::uno::Exception &) {
    } catch (const std::exception &) {
    }
    return fallback;
}
