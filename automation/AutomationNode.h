#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QVariant>
#include <QVariantList>

#include <functional>
#include <memory>

class MemberText;

// One object of a spreadsheet application's object model, as a backend sees it.
// AutomationObject is the handle the engine holds; a node is what it points at.
// Failures never throw: call() gives an invalid variant, query() a null pointer.
class AutomationNode
{
public:
    virtual ~AutomationNode() = default;

    virtual QVariant call(const MemberText &member, const QVariantList &args) = 0;
    virtual std::shared_ptr<AutomationNode> query(const MemberText &member, const QVariantList &args) = 0;
    virtual QVariant get(const QByteArray &name) = 0;
    virtual bool set(const QByteArray &name, const QVariant &value) = 0;

    // True once the application behind this node has gone away (crashed,
    // killed, or stopped answering). Every later call fails at once.
    virtual bool disconnected() const { return false; }

    // Ends the application behind this node (at once, or where it can be
    // told to quit, when it has not gone a few seconds later); callable from
    // any thread while another one is inside a call. Every call after the
    // end fails.
    virtual void abort() {}
};

// What asVariant() hands out: the node wrapped so it can travel as an argument.
struct AutomationRef
{
    std::shared_ptr<AutomationNode> node;
};
Q_DECLARE_METATYPE(AutomationRef)

// The node an argument variant carries, or null when it carries none.
std::shared_ptr<AutomationNode> nodeOf(const QVariant &value);

using BackendFactory = std::function<std::shared_ptr<AutomationNode>(const QString &progId)>;

// setControl() looks the ProgID up here first. Tests put recording or failing
// backends in; the platform's own backend answers every ProgID nobody claimed.
void registerBackend(const QString &progId, BackendFactory factory);
void unregisterBackend(const QString &progId);

// Provided by the platform's backend library.
std::shared_ptr<AutomationNode> createPlatformBackend(const QString &progId);
