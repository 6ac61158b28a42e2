// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ResultPane.h"
#include "model/AppModel.h"
#include "ui/ResultEditor.h"

#include <QLabel>
#include <QVBoxLayout>

namespace vellumix {

ResultPane::ResultPane(AppModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_message(new QLabel(this)), m_editor(new ResultEditor(this))
{
    auto* layout = new QVBoxLayout(this);
    m_message->setWordWrap(true);
    m_message->setTextFormat(Qt::PlainText);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_message->setContentsMargins(16, 8, 16, 0);
    layout->addWidget(m_message);
    layout->addWidget(m_editor, 1);

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
