// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace vellumix {

class AppModel;
class ResultEditor;

// The model's message above the editable result text, both bound to the model; with a PDF
// loaded, a bar to choose its page range and recognise it, with progress and cancel.
class ResultPane final : public QWidget
{
    Q_OBJECT
public:
    explicit ResultPane(AppModel& model, QWidget* parent = nullptr);

    QLabel* messageLabel() const { return m_message; }
    ResultEditor* editor() const { return m_editor; }
    QWidget* documentBar() const { return m_document; }
    QSpinBox* firstPage() const { return m_first; }
    QSpinBox* lastPage() const { return m_last; }
    QPushButton* recognisePages() const { return m_recognise; }

private:
    void showMessage();
    void showDocument();

    AppModel& m_model;
    QLabel* m_message;
    QWidget* m_document;
    QSpinBox* m_first;
    QSpinBox* m_last;
    QPushButton* m_recognise;
    QProgressBar* m_progress;
    QPushButton* m_cancel;
    ResultEditor* m_editor;
};

} // namespace vellumix
