// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/AppModel.h"

namespace vellumix {

// The model's document flows: files and the clipboard's image in, the result out as plain text,
// Markdown or a searchable PDF.
class Documents final
{
public:
    explicit Documents(AppModel& model) : m_model(model) {}

    void importFile(ImportKind kind);
    void load(const QUrl& location);
    void pasteImage();
    void processPDF();
    void exportResult(ExportFormat format);

private:
    void exportSearchable(const QUrl& destination);
    void writeText(const QUrl& destination);

    AppModel& m_model;
};

} // namespace vellumix
