// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class QUrl;

class QWidget;

namespace vellumix {

class AppModel;
enum class ExportFormat;

// Name filters of the panels: every image format the installed Qt plug-ins decode, or PDF.
QString imageNameFilter();
QString pdfNameFilter();
QString exportNameFilter(ExportFormat format);
// Images and PDFs in one filter, for the workspace's "Open Image or PDF…".
QString documentNameFilter();

// An open panel for an image or a PDF, opened without blocking over parent; `chosen` gets the
// file, or an empty QUrl when the user cancelled.
void chooseDocument(QWidget* parent, std::function<void(const QUrl&)> chosen);

// Sets the model's chooseOpenFile and chooseSaveFile to QFileDialogs that are opened without
// blocking (window-modal over parent(), which may be null) and report their choice when closed.
void installFileDialogs(AppModel& model, std::function<QWidget*()> parent);

} // namespace vellumix
