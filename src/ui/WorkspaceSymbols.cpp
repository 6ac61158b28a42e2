// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WorkspaceSymbols.h"

#include <QHash>

namespace vellumix {

QIcon workspaceSymbol(const QString& name)
{
    struct Names
    {
        const char* theme;
        const char* file;
    };
    static const QHash<QString, Names> names{
        {QStringLiteral("text.viewfinder"), {"insert-text", "text-viewfinder"}},
        {QStringLiteral("viewfinder"), {"edit-select-all", "viewfinder"}},
        {QStringLiteral("lock.shield"), {"security-high", "lock-shield"}},
        {QStringLiteral("trash"), {"user-trash", "trash"}},
        {QStringLiteral("square.and.arrow.down"), {"document-import", "import"}},
        {QStringLiteral("exclamationmark.circle"), {"dialog-error", "exclamation-circle"}},
        {QStringLiteral("xmark"), {"window-close", "xmark"}},
        {QStringLiteral("doc.on.doc"), {"edit-copy", "copy"}},
    };
    const auto found = names.constFind(name);
    if (found == names.cend())
        return {};
    const QIcon fallback(QStringLiteral(":/vellumix/icons/%1.svg").arg(QLatin1String(found->file)));
    return QIcon::fromTheme(QLatin1String(found->theme), fallback);
}

} // namespace vellumix
