// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLabel;

namespace vellumix {

class AppModel;
class ResultEditor;

// The model's message above the editable result text, both bound to the model.
class ResultPane final : public QWidget
{
    Q_OBJECT
public:
    explicit ResultPane(AppModel& model, QWidget* parent = nullptr);

    QLabel* messageLabel() const { return m_message; }
    ResultEditor* editor() const { return m_editor; }

private:
    void showMessage();

    AppModel& m_model;
    QLabel* m_message;
    ResultEditor* m_editor;
};

} // namespace vellumix
