#pragma once

#include <QObject>
#include <QString>

// The worker that carries the two jobs. The window makes one per job start,
// moves it to a worker thread and triggers one slot; the slot runs the whole
// job there and reports only through the two signals.
class MergeObject : public QObject
{
    Q_OBJECT
public:
    MergeObject(const QString &name, QObject *parent = nullptr);
    ~MergeObject() override;

    const QString &name() const { return m_name; }

signals:
    void Signal_SetButtonEnable();
    void ShowDisposingFile(QString filePath);

public slots:
    void InsertHyperLinks();
    void ClassifyShow();

private:
    QString m_name;
};
