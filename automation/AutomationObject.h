#pragma once

#include "AutomationNode.h"

#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

// A handle to one object of the spreadsheet application's object model, with
// the operations of ActiveQt's QAxObject. Sub-objects are QObject children of
// the object they were queried from, so deleting the root releases the tree.
class AutomationObject : public QObject
{
    Q_OBJECT
public:
    explicit AutomationObject(QObject *parent = nullptr);
    ~AutomationObject() override;

    bool setControl(const QString &progId);

    QVariant dynamicCall(const char *member,
                         const QVariant &var1 = QVariant(), const QVariant &var2 = QVariant(),
                         const QVariant &var3 = QVariant(), const QVariant &var4 = QVariant(),
                         const QVariant &var5 = QVariant(), const QVariant &var6 = QVariant(),
                         const QVariant &var7 = QVariant(), const QVariant &var8 = QVariant());

    AutomationObject *querySubObject(const char *member,
                                     const QVariant &var1 = QVariant(), const QVariant &var2 = QVariant(),
                                     const QVariant &var3 = QVariant(), const QVariant &var4 = QVariant(),
                                     const QVariant &var5 = QVariant(), const QVariant &var6 = QVariant(),
                                     const QVariant &var7 = QVariant(), const QVariant &var8 = QVariant());

    // Properties of the application object, not Qt properties of this handle.
    QVariant property(const char *name) const;
    bool setProperty(const char *name, const QVariant &value);

    QVariant asVariant() const;

    bool isNull() const { return !m_node; }
    // True once the application behind this object is gone for good.
    bool isDisconnected() const;
    // A function that ends the application behind this object from any
    // thread, for as long as the application exists; afterwards it does
    // nothing.
    std::function<void()> aborter() const;

    // How many operations went through handles since the process started
    // (for benchmarks).
    static quint64 operationCount();

private:
    AutomationObject(std::shared_ptr<AutomationNode> node, QObject *parent);

    std::shared_ptr<AutomationNode> m_node;
};
