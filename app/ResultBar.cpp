#include "ResultBar.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>

QString ResultBar::cancelText()
{
    return QString::fromUtf8("取消");
}

QString ResultBar::detailsText()
{
    return QString::fromUtf8("详细信息");
}

QString ResultBar::openFolderText()
{
    return QString::fromUtf8("打开所在文件夹");
}

ResultBar::ResultBar(QWidget *parent)
    : QWidget(parent)
    , m_bar(new QProgressBar(this))
    , m_cancel(new QPushButton(cancelText(), this))
    , m_openFolder(new QPushButton(openFolderText(), this))
    , m_details(new QPushButton(detailsText(), this))
{
    m_details->setObjectName(QStringLiteral("pBtn_Details"));
    setObjectName(QStringLiteral("wgt_JobProgress"));
    m_bar->setObjectName(QStringLiteral("pBar_JobProgress"));
    m_cancel->setObjectName(QStringLiteral("pBtn_Cancel"));
    m_openFolder->setObjectName(QStringLiteral("pBtn_OpenFolder"));

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_bar, 1);
    row->addWidget(m_cancel);
    row->addWidget(m_openFolder);
    row->addWidget(m_details);

    // k of n: categories made, then sheets linked.
    m_bar->setFormat(QStringLiteral("%v / %m"));
    m_bar->setRange(0, 1);
    m_bar->setValue(0);
    m_bar->setVisible(false);
    m_cancel->setEnabled(false);
    m_cancel->setVisible(false);
    m_openFolder->setVisible(false);
    m_details->setVisible(false);

    connect(m_details, &QPushButton::clicked, this, [this] { emit detailsRequested(m_detailsText); });
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        m_cancel->setEnabled(false);
        emit cancelRequested();
    });
    connect(m_openFolder, &QPushButton::clicked, this, &ResultBar::openFolder);
}

void ResultBar::jobStarted()
{
    showDetails(QString());
    m_folder.clear();
    m_openFolder->setVisible(false);
    m_bar->setVisible(true);
    m_cancel->setVisible(true);
    m_cancel->setEnabled(true);
    showProgress(0, 0);
}

void ResultBar::showProgress(int done, int total)
{
    if (total <= 0) {
        m_bar->setRange(0, 0);
        return;
    }
    m_bar->setRange(0, total);
    m_bar->setValue(qBound(0, done, total));
}

void ResultBar::showDetails(const QString &details)
{
    m_detailsText = details;
    m_details->setVisible(!details.isEmpty());
}

void ResultBar::jobEnded(const QString &savedFolder)
{
    showDetails(QString());
    m_cancel->setEnabled(false);
    m_cancel->setVisible(false);
    m_folder = savedFolder;
    if (m_folder.isEmpty()) {
        m_bar->setVisible(false);
    } else {
        m_bar->setRange(0, 1);
        m_bar->setValue(1);
    }
    m_openFolder->setVisible(!m_folder.isEmpty());
}

void ResultBar::openFolder()
{
    if (!m_folder.isEmpty() && !QDesktopServices::openUrl(QUrl::fromLocalFile(m_folder)))
        emit folderNotOpened(m_folder);
}
