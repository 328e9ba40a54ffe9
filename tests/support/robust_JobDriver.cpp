#include "robust_JobDriver.h"

#include "MergeObject.h"

#include <QCoreApplication>
#include <QThread>

JobDriver::JobDriver() = default;

JobDriver::~JobDriver()
{
    dropWorker();
}

void JobDriver::dropWorker()
{
    if (m_thread) {
        m_thread->quit();
        m_thread->wait();
    }
    delete m_worker;
    m_worker = nullptr;
    delete m_thread;
    m_thread = nullptr;
}

void JobDriver::start(Kind kind)
{
    dropWorker();
    m_texts.clear();
    m_events.clear();
    m_ends = 0;
    m_endedAfterMs = -1;

    m_thread = new QThread();
    m_thread->start();
    m_worker = new MergeObject(QStringLiteral("tem"), nullptr);
    m_worker->moveToThread(m_thread);

    if (m_hook) {
        const auto hook = m_hook;
        connect(m_worker, &MergeObject::ShowDisposingFile, m_worker, [hook](const QString &text) { hook(text); },
                Qt::DirectConnection);
    }
    connect(m_worker, SIGNAL(ShowDisposingFile(QString)), this, SLOT(on_ShowDisposingFile(QString)));
    if (kind == Kind::InsertHyperLinks)
        connect(this, SIGNAL(pBtn_HyperLinks_HasClicked()), m_worker, SLOT(InsertHyperLinks()));
    else
        connect(this, SIGNAL(pBtn_ClassifyShow_HasClicked()), m_worker, SLOT(ClassifyShow()));
    connect(m_worker, SIGNAL(Signal_SetButtonEnable()), this, SLOT(on_Signal_SetButtonEnable()));
    connect(m_worker, &MergeObject::JobProgress, this, [this](int done, int total) { m_progress = {done, total}; });

    m_clock.start();
    if (kind == Kind::InsertHyperLinks)
        emit pBtn_HyperLinks_HasClicked();
    else
        emit pBtn_ClassifyShow_HasClicked();
}

bool JobDriver::spinUntil(const std::function<bool()> &done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() >= ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

bool JobDriver::waitForEnd(int ms, int settleMs)
{
    const bool ended = spinUntil([this] { return m_ends > 0; }, ms);
    if (ended && settleMs > 0)
        spinUntil([] { return false; }, settleMs);
    return ended;
}

void JobDriver::on_ShowDisposingFile(const QString &filePath)
{
    m_texts << filePath;
    m_events << filePath;
}

void JobDriver::on_Signal_SetButtonEnable()
{
    ++m_ends;
    m_events << QStringLiteral("<end>");
    if (m_endedAfterMs < 0)
        m_endedAfterMs = m_clock.elapsed();
}
