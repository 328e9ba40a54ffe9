#pragma once

#include <QString>

// How a step of a job ends: the job goes on, or it stops and shows a text.
class Outcome
{
public:
    static Outcome goOn() { return Outcome(); }
    static Outcome stop(const QString &text) { return Outcome(text); }

    bool stopped() const { return m_stopped; }
    const QString &text() const { return m_text; }

private:
    Outcome() = default;
    explicit Outcome(const QString &text) : m_stopped(true), m_text(text) {}

    bool m_stopped = false;
    QString m_text;
};
