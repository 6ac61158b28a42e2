// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WorkspaceDetail.h"

#include "model/AppModel.h"
#include "model/ClipboardService.h"
#include "model/HistoryStore.h"
#include "model/Preferences.h"
#include "ui/FileDialogs.h"
#include "ui/PDFPreview.h"
#include "ui/ResultEditor.h"
#include "ui/WorkspaceSymbols.h"

#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QTextBoundaryFinder>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace vellumix {

namespace {

// The source image, scaled to fit and centred. A large capture is reduced once to a size a
// screen can show, so resizing the window does not rescale the full bitmap every frame.
class ImageView final : public QWidget
{
public:
    explicit ImageView(QWidget* parent) : QWidget(parent) { setMinimumWidth(240); }

    void setImage(const QImage& image)
    {
        constexpr int largest = 2400;
        m_image = image.width() > largest || image.height() > largest
                      ? image.scaled(largest, largest, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                      : image;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (m_image.isNull())
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        QSize size = m_image.size();
        const QRect area = rect().adjusted(8, 8, -8, -8);
        size.scale(area.size().boundedTo(m_image.size()), Qt::KeepAspectRatio);
        QRect target(QPoint(), size);
        target.moveCenter(area.center());
        painter.drawImage(target, m_image);
    }

private:
    QImage m_image;
};

QLabel* caption(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    font.setWeight(QFont::DemiBold);
    label->setFont(font);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QLabel* secondary(QWidget* parent)
{
    auto* label = new QLabel(parent);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    label->setFont(font);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QFrame* divider(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QPushButton* button(const QString& text, QWidget* parent)
{
    auto* made = new QPushButton(text, parent);
    made->setAccessibleName(text);
    return made;
}

} // namespace

WorkspaceDetail::WorkspaceDetail(AppModel& model, HistoryStore& history, QWidget* parent)
    : QWidget(parent), m_model(model), m_history(history)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->addWidget(buildHeader());
    layout->addWidget(divider(this));
    layout->addWidget(buildBanner());
    layout->addWidget(buildBusyRow());

    m_main = new QStackedWidget(this);
    m_main->addWidget(buildEmptyState());
    m_split = new QSplitter(Qt::Horizontal, m_main);
    m_split->setChildrenCollapsible(false);
    m_split->addWidget(buildSource());
    m_split->addWidget(buildTextPane());
    m_split->setStretchFactor(0, 1);
    m_split->setStretchFactor(1, 1);
    m_main->addWidget(m_split);
    layout->addWidget(m_main, 1);

    m_codes = new QWidget(this);
    m_codeRows = new QVBoxLayout(m_codes);
    m_codeRows->setContentsMargins(0, 4, 0, 4);
    layout->addWidget(m_codes);
    layout->addWidget(divider(this));
    layout->addWidget(buildActions());

    connect(&model, &AppModel::textChanged, this, &WorkspaceDetail::showText);
    for (auto signal :
         {&AppModel::busyChanged, &AppModel::progressChanged, &AppModel::messageChanged,
          &AppModel::recognitionChanged, &AppModel::sourceChanged, &AppModel::selectedHistoryChanged,
          &AppModel::pdfPagesChanged, &AppModel::imageChanged, &AppModel::pdfURLChanged})
        connect(&model, signal, this, &WorkspaceDetail::showState);
    connect(&model, &AppModel::imageChanged, this, &WorkspaceDetail::showSource);
    connect(&model, &AppModel::pdfURLChanged, this, &WorkspaceDetail::showSource);
    for (auto signal : {&AppModel::pageStartChanged, &AppModel::pageEndChanged, &AppModel::pageCountChanged,
                        &AppModel::busyChanged})
        connect(&model, signal, this, &WorkspaceDetail::showPages);
    connect(&model, &AppModel::recognitionChanged, this, &WorkspaceDetail::showCodes);
    connect(&model.preferences(), &Preferences::changed, this, &WorkspaceDetail::showState);
    showSource();
    showPages();
    showCodes();
    showText();
}

QWidget* WorkspaceDetail::buildHeader()
{
    auto* header = new QWidget(this);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 4);
    auto* titles = new QVBoxLayout;
    m_title = new QLabel(header);
    QFont big = m_title->font();
    big.setPointSizeF(big.pointSizeF() * 1.45);
    big.setWeight(QFont::Bold);
    m_title->setFont(big);
    m_subtitle = secondary(header);
    titles->addWidget(m_title);
    titles->addWidget(m_subtitle);
    row->addLayout(titles, 1);

    m_import = new QToolButton(header);
    m_import->setText(tr("Import"));
    m_import->setAccessibleName(tr("Import"));
    m_import->setIcon(workspaceSymbol(QStringLiteral("square.and.arrow.down")));
    m_import->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_import->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(m_import);
    menu->addAction(tr("Import Image…"), this, [this] { m_model.importFile(ImportKind::Image); });
    menu->addAction(tr("Import PDF…"), this, [this] { m_model.importFile(ImportKind::PDF); });
    menu->addAction(tr("Paste Image"), this, [this] { m_model.pasteImage(); });
    m_import->setMenu(menu);
    row->addWidget(m_import, 0, Qt::AlignTop);
    return header;
}

QWidget* WorkspaceDetail::buildBanner()
{
    m_banner = new QFrame(this);
    m_banner->setFrameShape(QFrame::StyledPanel);
    m_banner->setAccessibleName(tr("Error"));
    auto* row = new QHBoxLayout(m_banner);
    row->setContentsMargins(8, 6, 6, 6);
    auto* icon = new QLabel(m_banner);
    icon->setPixmap(workspaceSymbol(QStringLiteral("exclamationmark.circle")).pixmap(16, 16));
    row->addWidget(icon, 0, Qt::AlignTop);
    m_message = new QLabel(m_banner);
    m_message->setWordWrap(true);
    m_message->setTextFormat(Qt::PlainText);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    row->addWidget(m_message, 1);
    m_dismiss = new QToolButton(m_banner);
    m_dismiss->setIcon(workspaceSymbol(QStringLiteral("xmark")));
    m_dismiss->setAutoRaise(true);
    m_dismiss->setToolTip(tr("Dismiss"));
    m_dismiss->setAccessibleName(tr("Dismiss"));
    row->addWidget(m_dismiss, 0, Qt::AlignTop);
    connect(m_dismiss, &QToolButton::clicked, this, [this] { m_model.setMessage(std::nullopt); });
    return m_banner;
}

QWidget* WorkspaceDetail::buildBusyRow()
{
    m_busyRow = new QWidget(this);
    auto* row = new QHBoxLayout(m_busyRow);
    row->setContentsMargins(0, 4, 0, 4);
    m_progress = new QProgressBar(m_busyRow);
    m_progress->setRange(0, 1000);
    m_progress->setMaximumWidth(260);
    m_progress->setTextVisible(false);
    m_progress->setAccessibleName(tr("Progress"));
    row->addWidget(m_progress, 1);
    row->addWidget(new QLabel(tr("Processing locally…"), m_busyRow));
    m_cancel = button(tr("Cancel"), m_busyRow);
    row->addWidget(m_cancel);
    row->addStretch();
    connect(m_cancel, &QPushButton::clicked, &m_model, &AppModel::cancel);
    return m_busyRow;
}

QWidget* WorkspaceDetail::buildEmptyState()
{
    m_empty = new QWidget(this);
    auto* column = new QVBoxLayout(m_empty);
    column->addStretch();
    auto* icon = new QLabel(m_empty);
    icon->setPixmap(workspaceSymbol(QStringLiteral("text.viewfinder")).pixmap(64, 64));
    icon->setAlignment(Qt::AlignCenter);
    column->addWidget(icon);
    auto* heading = new QLabel(tr("Select. Recognize. Paste."), m_empty);
    QFont big = heading->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setWeight(QFont::DemiBold);
    heading->setFont(big);
    heading->setAlignment(Qt::AlignCenter);
    column->addWidget(heading);
    auto* text = secondary(m_empty);
    text->setText(tr("Tesseract reads text privately on this computer.\n"
                     "Your clipboard is ready as soon as recognition finishes."));
    text->setAlignment(Qt::AlignCenter);
    column->addWidget(text);
    auto* tip = secondary(m_empty);
    tip->setText(tr("Tip: drop an image or PDF anywhere in this window."));
    tip->setAlignment(Qt::AlignCenter);
    column->addWidget(tip);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_captureRegion = button(tr("Capture a Region"), m_empty);
    m_captureRegion->setIcon(workspaceSymbol(QStringLiteral("viewfinder")));
    m_open = button(tr("Open Image or PDF…"), m_empty);
    buttons->addWidget(m_captureRegion);
    buttons->addWidget(m_open);
    buttons->addStretch();
    column->addLayout(buttons);
    column->addStretch();
    connect(m_captureRegion, &QPushButton::clicked, &m_model, &AppModel::captureDefault);
    connect(m_open, &QPushButton::clicked, this, &WorkspaceDetail::openDocument);
    return m_empty;
}

QWidget* WorkspaceDetail::buildSource()
{
    m_source = new QStackedWidget(this);
    m_source->setMinimumWidth(240);
    m_image = new ImageView(m_source);
    m_image->setAccessibleName(tr("Source image"));
    m_source->addWidget(m_image);

    m_pdf = new QWidget(m_source);
    auto* column = new QVBoxLayout(m_pdf);
    column->setContentsMargins(0, 0, 0, 0);
    m_preview = new PDFPreview(m_pdf);
    m_preview->setAccessibleName(tr("PDF preview"));
    column->addWidget(m_preview, 1);
    m_pageRow = new QWidget(m_pdf);
    auto* row = new QHBoxLayout(m_pageRow);
    row->setContentsMargins(0, 4, 0, 0);
    row->addWidget(new QLabel(tr("Pages"), m_pageRow));
    // The fields take any page number: the model judges the range and says what is wrong,
    // instead of a field silently rewriting what was typed.
    const auto field = [this](const QString& name) {
        auto* box = new QSpinBox(m_pageRow);
        box->setRange(0, 999999);
        box->setButtonSymbols(QAbstractSpinBox::NoButtons);
        box->setFixedWidth(45);
        box->setAlignment(Qt::AlignRight);
        box->setAccessibleName(name);
        return box;
    };
    m_first = field(tr("First page"));
    m_last = field(tr("Last page"));
    row->addWidget(m_first);
    row->addWidget(new QLabel(tr("to"), m_pageRow));
    row->addWidget(m_last);
    m_of = new QLabel(m_pageRow);
    row->addWidget(m_of);
    row->addStretch();
    m_recognize = button(tr("Recognize"), m_pageRow);
    row->addWidget(m_recognize);
    column->addWidget(m_pageRow);
    m_source->addWidget(m_pdf);

    connect(m_first, &QSpinBox::valueChanged, &m_model, &AppModel::setPageStart);
    connect(m_last, &QSpinBox::valueChanged, &m_model, &AppModel::setPageEnd);
    connect(m_recognize, &QPushButton::clicked, &m_model, &AppModel::processPDF);
    return m_source;
}

QWidget* WorkspaceDetail::buildTextPane()
{
    m_textPane = new QWidget(this);
    m_textPane->setMinimumWidth(300);
    auto* column = new QVBoxLayout(m_textPane);
    column->setContentsMargins(0, 0, 0, 0);
    auto* header = new QHBoxLayout;
    header->addWidget(caption(tr("EXTRACTED TEXT"), m_textPane));
    m_matches = secondary(m_textPane);
    header->addWidget(m_matches);
    header->addStretch();
    m_find = new QLineEdit(m_textPane);
    m_find->setPlaceholderText(tr("Find in result"));
    m_find->setAccessibleName(tr("Find in result"));
    m_find->setClearButtonEnabled(true);
    m_find->setFixedWidth(170);
    header->addWidget(m_find);
    column->addLayout(header);

    m_editor = new ResultEditor(m_textPane);
    m_editor->setAccessibleName(tr("Extracted text"));
    column->addWidget(m_editor, 1);

    auto* buttons = new QHBoxLayout;
    m_preserve = button(tr("Preserve Lines"), m_textPane);
    m_clean = button(tr("Clean Paragraphs"), m_textPane);
    m_saveEdits = button(tr("Save Edits"), m_textPane);
    buttons->addWidget(m_preserve);
    buttons->addWidget(m_clean);
    buttons->addStretch();
    buttons->addWidget(m_saveEdits);
    column->addLayout(buttons);

    connect(m_find, &QLineEdit::textChanged, this, [this](const QString& term) {
        m_editor->setSearch(term);
        showMatches();
    });
    connect(m_editor, &ResultEditor::textEdited, &m_model, &AppModel::setText);
    connect(m_editor, &ResultEditor::imagePasted, &m_model, &AppModel::pasteImage);
    const auto reshape = [this](bool preserve) {
        if (const std::optional<Recognition>& recognition = m_model.recognition())
            m_model.setText(m_model.transformed(recognition->text(preserve)));
    };
    connect(m_preserve, &QPushButton::clicked, this, [reshape] { reshape(true); });
    connect(m_clean, &QPushButton::clicked, this, [reshape] { reshape(false); });
    connect(m_saveEdits, &QPushButton::clicked, this, [this] {
        if (const std::optional<QUuid>& id = m_model.selectedHistory())
            m_history.update(*id, std::nullopt, m_model.text());
    });
    return m_textPane;
}

QWidget* WorkspaceDetail::buildActions()
{
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 4, 0, 0);
    m_status = secondary(bar);
    row->addWidget(m_status);
    row->addStretch(1);
    m_retry = button(tr("Retry OCR"), bar);
    row->addWidget(m_retry);
    m_export = new QToolButton(bar);
    m_export->setText(tr("Export"));
    m_export->setAccessibleName(tr("Export"));
    m_export->setPopupMode(QToolButton::InstantPopup);
    m_export->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto* menu = new QMenu(m_export);
    const std::pair<QString, ExportFormat> formats[] = {
        {tr("Plain Text (.txt)"), ExportFormat::PlainText},
        {tr("Markdown (.md)"), ExportFormat::Markdown},
        {tr("Searchable PDF (original OCR)…"), ExportFormat::PDF},
    };
    for (const auto& [label, format] : formats) {
        m_exports[int(format)] =
            menu->addAction(label, this, [this, exported = format] { m_model.exportResult(exported); });
    }
    m_export->setMenu(menu);
    row->addWidget(m_export);
    m_copy = button(tr("Copy Text"), bar);
    m_copy->setIcon(workspaceSymbol(QStringLiteral("doc.on.doc")));
    m_copy->setDefault(false);
    row->addWidget(m_copy);
    connect(m_retry, &QPushButton::clicked, &m_model, &AppModel::retry);
    connect(m_copy, &QPushButton::clicked, &m_model, &AppModel::copy);
    return bar;
}

int WorkspaceDetail::characterCount(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

int WorkspaceDetail::matchCount(const QString& text, const QString& term)
{
    return int(ResultEditor::matchPositions(text, term).size());
}

QString WorkspaceDetail::statusText(float confidence, double seconds, const QString& languages)
{
    return QString::number(int(confidence * 100.0f)) + tr("% confidence · ") +
           QString::number(seconds, 'f', 2) + tr("s · ") +
           (languages.isEmpty() ? tr("Automatic language") : languages);
}

bool WorkspaceDetail::isWebAddress(const QString& value)
{
    const QUrl url(value.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() && (scheme == u"https" || scheme == u"http");
}

void WorkspaceDetail::focusFind()
{
    if (!m_find->isVisible())
        return;
    m_find->setFocus(Qt::ShortcutFocusReason);
    m_find->selectAll();
}

void WorkspaceDetail::openDocument()
{
    chooseDocument(window(), [model = QPointer<AppModel>(&m_model)](const QUrl& location) {
        if (model && !location.isEmpty())
            model->load(location);
    });
}

void WorkspaceDetail::showText()
{
    m_editor->setText(m_model.text());
    showMatches();
    showState();
}

void WorkspaceDetail::showMatches()
{
    const QString term = m_find->text();
    m_matches->setVisible(!term.isEmpty());
    if (!term.isEmpty())
        m_matches->setText(QString::number(matchCount(m_model.text(), term)) + tr(" exact matches"));
}

void WorkspaceDetail::showState()
{
    const QString& text = m_model.text();
    const bool empty = text.isEmpty();
    const bool busy = m_model.busy();
    const bool hasSource = !m_model.image().isNull() || !m_model.pdfURL().isEmpty();
    const std::optional<Recognition>& recognition = m_model.recognition();

    m_title->setText(empty ? tr("Your text, unlocked.") : tr("Recognition result"));
    m_subtitle->setText(empty ? tr("Capture a region or import a document to get started.")
                              : m_model.source() + u" · " + QString::number(characterCount(text)) +
                                    tr(" characters"));

    const std::optional<QString>& message = m_model.message();
    m_message->setText(message.value_or(QString()));
    m_banner->setVisible(message.has_value());

    m_busyRow->setVisible(busy);
    m_progress->setValue(int(qBound(0.0, m_model.progress(), 1.0) * 1000.0));

    m_main->setCurrentWidget(!hasSource && empty ? m_empty : m_split);
    m_source->setVisible(hasSource);

    m_status->setVisible(recognition.has_value());
    if (recognition)
        m_status->setText(
            statusText(recognition->confidence(), recognition->seconds, m_model.preferences().languages()));
    m_retry->setEnabled(!busy && hasSource);
    m_export->setEnabled(!empty && !busy);
    m_exports[int(ExportFormat::PDF)]->setEnabled(!m_model.pdfPages().isEmpty() || recognition.has_value());
    m_copy->setEnabled(!empty);
    m_preserve->setEnabled(recognition.has_value());
    m_clean->setEnabled(recognition.has_value());
    m_saveEdits->setVisible(m_model.selectedHistory().has_value());
}

void WorkspaceDetail::showSource()
{
    const bool pdf = !m_model.pdfURL().isEmpty();
    static_cast<ImageView*>(m_image)->setImage(pdf ? QImage() : m_model.image());
    m_preview->setLocation(pdf ? m_model.pdfURL().toLocalFile() : QString());
    m_source->setCurrentWidget(pdf ? m_pdf : m_image);
    showState();
}

void WorkspaceDetail::showPages()
{
    const QSignalBlocker quietFirst(m_first);
    const QSignalBlocker quietLast(m_last);
    // Only a change from elsewhere is written back, so typing keeps its caret.
    if (m_first->value() != m_model.pageStart())
        m_first->setValue(m_model.pageStart());
    if (m_last->value() != m_model.pageEnd())
        m_last->setValue(m_model.pageEnd());
    m_of->setText(tr("of ") + QString::number(m_model.pageCount()));
    m_recognize->setEnabled(!m_model.busy());
    // Out-of-range numbers stay as typed, marked, until the user corrects them.
    for (QSpinBox* box : {m_first, m_last}) {
        const bool outside = box->value() < 1 || box->value() > m_model.pageCount();
        QPalette palette = box->palette();
        palette.setColor(QPalette::Text,
                         outside ? QColor(0xd9, 0x30, 0x25) : QPalette().color(QPalette::Text));
        box->setPalette(palette);
    }
}

void WorkspaceDetail::showCodes()
{
    while (QLayoutItem* item = m_codeRows->takeAt(0)) {
        delete item->widget();
        delete item->layout();
        delete item;
    }
    const std::optional<Recognition>& recognition = m_model.recognition();
    const bool any = recognition && !recognition->codes.isEmpty();
    m_codes->setVisible(any);
    if (!any)
        return;
    // Rows added to a shown section would only appear on the next pass of the event loop.
    QLabel* heading = caption(tr("QR & barcode values"), m_codes);
    m_codeRows->addWidget(heading);
    heading->show();
    for (const QString& value : recognition->codes) {
        auto* row = new QWidget(m_codes);
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* label = new QLabel(value, row);
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        label->setWordWrap(true);
        layout->addWidget(label, 1);
        auto* copy = button(tr("Copy"), row);
        connect(copy, &QPushButton::clicked, row, [value] { ClipboardService::copy(value); });
        layout->addWidget(copy);
        if (isWebAddress(value)) {
            auto* open = button(tr("Open URL"), row);
            connect(open, &QPushButton::clicked, row,
                    [value] { QDesktopServices::openUrl(QUrl(value.trimmed(), QUrl::StrictMode)); });
            layout->addWidget(open);
        }
        m_codeRows->addWidget(row);
        row->show();
    }
}

} // namespace vellumix
