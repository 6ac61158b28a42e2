// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ResultPane.h"
#include "model/AppModel.h"
#include "ui/ResultEditor.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vellumix {

ResultPane::ResultPane(AppModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_message(new QLabel(this)), m_document(new QWidget(this)),
      m_first(new QSpinBox(m_document)), m_last(new QSpinBox(m_document)),
      m_recognise(new QPushButton(tr("Recognise Pages"), m_document)),
      m_progress(new QProgressBar(m_document)), m_cancel(new QPushButton(tr("Cancel"), m_document)),
      m_editor(new ResultEditor(this))
{
    auto* layout = new QVBoxLayout(this);
    m_message->setWordWrap(true);
    m_message->setTextFormat(Qt::PlainText);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_message->setContentsMargins(16, 8, 16, 0);
    layout->addWidget(m_message);
    layout->addWidget(m_document);
    layout->addWidget(m_editor, 1);

    auto* bar = new QHBoxLayout(m_document);
    bar->setContentsMargins(16, 0, 16, 0);
    bar->addWidget(new QLabel(tr("Pages"), m_document));
    bar->addWidget(m_first);
    bar->addWidget(new QLabel(tr("to"), m_document));
    bar->addWidget(m_last);
    bar->addWidget(m_recognise);
    bar->addWidget(m_progress, 1);
    bar->addWidget(m_cancel);
    bar->addStretch();
    m_progress->setRange(0, 1000);
    // The spin boxes only hand the user's choice on; the model checks the range when it runs.
    connect(m_first, &QSpinBox::valueChanged, &model, &AppModel::setPageStart);
    connect(m_last, &QSpinBox::valueChanged, &model, &AppModel::setPageEnd);
    connect(m_recognise, &QPushButton::clicked, &model, &AppModel::processPDF);
    connect(m_cancel, &QPushButton::clicked, &model, &AppModel::cancel);
    for (auto signal : {&AppModel::pdfURLChanged, &AppModel::pageCountChanged, &AppModel::pageStartChanged,
                        &AppModel::pageEndChanged, &AppModel::busyChanged, &AppModel::progressChanged})
        connect(&model, signal, this, &ResultPane::showDocument);
    showDocument();

    m_editor->setText(model.text());
    connect(&model, &AppModel::textChanged, m_editor, [this] { m_editor->setText(m_model.text()); });
    connect(m_editor, &ResultEditor::textEdited, &model, &AppModel::setText);
    connect(&model, &AppModel::messageChanged, this, &ResultPane::showMessage);
    showMessage();
}

void ResultPane::showMessage()
{
    const std::optional<QString>& message = m_model.message();
    m_message->setText(message.value_or(QString()));
    m_message->setVisible(message.has_value() && !message->isEmpty());
}

} // namespace vellumix

namespace vellumix {

void ResultPane::showDocument()
{
    const bool loaded = !m_model.pdfURL().isEmpty();
    m_document->setVisible(loaded);
    if (!loaded)
        return;
    m_document->setToolTip(QFileInfo(m_model.pdfURL().toLocalFile()).fileName());
    for (QSpinBox* box : {m_first, m_last}) {
        const QSignalBlocker quiet(box);
        box->setRange(1, qMax(1, m_model.pageCount()));
    }
    {
        const QSignalBlocker quiet(m_first);
        m_first->setValue(m_model.pageStart());
    }
    {
        const QSignalBlocker quiet(m_last);
        m_last->setValue(m_model.pageEnd());
    }
    const bool busy = m_model.busy();
    m_first->setEnabled(!busy);
    m_last->setEnabled(!busy);
    m_recognise->setEnabled(!busy);
    m_progress->setVisible(busy);
    m_cancel->setVisible(busy);
    m_progress->setValue(int(m_model.progress() * 1000.0));
}

} // namespace vellumix
