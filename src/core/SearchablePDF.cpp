// SPDX-License-Identifier: GPL-3.0-or-later
// The searchable-PDF writer of PDFService.
#include "core/PDFService.h"

#include "core/Errors.h"
#include "core/GlyphlessFont.h"
#include "core/QpdfPages.h"

#include <QCoreApplication>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>

namespace vellumix::PDFService {

namespace {

constexpr double fontSizeFactor = 0.85;
constexpr double minimumFontSize = 1.0;
constexpr double helveticaDescent = 0.207; // the standard Helvetica metrics, in em
constexpr double maximumSpace = 0.5;       // em, after stretching

QByteArray number(double value)
{
    return QByteArray::number(value, 'f', 4); // locale-independent
}

// Streams the writer's output into the temporary file that replaces the destination on commit.
class SaveFilePipeline final : public Pipeline
{
public:
    SaveFilePipeline(QSaveFile& file, bool& failed, const CancelToken& cancel)
        : Pipeline("output file", nullptr), m_file(file), m_failed(failed), m_cancel(cancel)
    {
    }

    void write(unsigned char const* data, size_t length) override
    {
        m_cancel.throwIfCancelled();
        if (m_file.write(reinterpret_cast<const char*>(data), qint64(length)) != qint64(length)) {
            m_failed = true;
            throw std::runtime_error(m_file.errorString().toStdString());
        }
    }
    void finish() override {}

private:
    QSaveFile& m_file;
    bool& m_failed;
    CancelToken m_cancel;
};

PlatformError saveError(const QString& to, const QString& reason)
{
    return PlatformError(QCoreApplication::translate("vellumix::SearchablePDF",
                                                     "The file \u201c%1\u201d couldn\u2019t be saved: %2")
                             .arg(QFileInfo(to).fileName(), reason));
}

PlatformError notRewritable(const QString& source, const QString& reason)
{
    return PlatformError(QStringLiteral("The PDF \u201c") + QFileInfo(source).fileName() +
                         QStringLiteral("\u201d could not be rewritten as a searchable PDF: ") + reason);
}

// One block of invisible text per recognised line: its baseline one Helvetica descent above the
// box, stretched horizontally to the box's width, never vertically. Readers split a line where a
// gap grows towards an em, so a stretched space is narrowed to half an em and the letters take
// up the rest of the box.
QByteArray textLayer(const QList<TextBlock>& blocks, QSizeF page, GlyphlessFont& font)
{
    QByteArray content;
    for (const TextBlock& block : blocks) {
        const double left = block.x * page.width();
        const double bottom = block.y * page.height();
        const double width = block.width * page.width();
        const double height = block.height * page.height();
        if (block.text.isEmpty() || !std::isfinite(left) || !std::isfinite(bottom) ||
            !std::isfinite(height) || !std::isfinite(width) || width <= 0.0)
            continue; // nothing to draw, or a box that would make the text matrix singular
        const double size = std::max(fontSizeFactor * height, minimumFontSize);
        const QList<GlyphlessFont::Glyph> glyphs = font.encode(block.text);
        double letters = 0.0; // em
        qsizetype spaces = 0;
        for (const GlyphlessFont::Glyph& glyph : glyphs) {
            if (glyph.space)
                ++spaces;
            else
                letters += glyph.width;
        }
        const double lineWidth = (letters + double(spaces) * GlyphlessFont::spaceWidth) * size;
        double scale = lineWidth > 0.0 ? width / lineWidth : 1.0;
        double narrowing = 0.0; // TJ adjustment after each space, in thousandths of an em
        if (scale * GlyphlessFont::spaceWidth > maximumSpace && letters > 0.0 &&
            width > double(spaces) * maximumSpace * size) {
            scale = (width - double(spaces) * maximumSpace * size) / (letters * size);
            narrowing = (GlyphlessFont::spaceWidth - maximumSpace / scale) * 1000.0;
        }
        QByteArray array = "[<";
        for (const GlyphlessFont::Glyph& glyph : glyphs) {
            array += GlyphlessFont::hex(glyph.code);
            if (glyph.space && narrowing > 0.0)
                array += "> " + number(narrowing) + " <";
        }
        array += ">]";
        content += "q\n" + number(scale) + " 0 0 1 " + number(left) + ' ' +
                   number(bottom + helveticaDescent * size) + " cm\nBT\n/F0 " + number(size) + " Tf\n3 Tr\n" +
                   array + " TJ\nET\nQ\n";
    }
    return content;
}

} // namespace

QPDFObjectHandle::Rectangle visibleBox(QPDFPageObjectHelper& page)
{
    const auto media = page.getMediaBox().getArrayAsRectangle();
    const auto crop = page.getCropBox().getArrayAsRectangle();
    const QPDFObjectHandle::Rectangle box(
        std::max(std::min(media.llx, media.urx), std::min(crop.llx, crop.urx)),
        std::max(std::min(media.lly, media.ury), std::min(crop.lly, crop.ury)),
        std::min(std::max(media.llx, media.urx), std::max(crop.llx, crop.urx)),
        std::min(std::max(media.lly, media.ury), std::max(crop.lly, crop.ury)));
    return box.urx > box.llx && box.ury > box.lly ? box : media;
}

namespace {

void addPage(
    QPDF& out, QSizeF size, QPDFObjectHandle resources, const std::string& drawing, const QByteArray& text)
{
    QPDFObjectHandle page = out.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Page >>"));
    page.replaceKey("/MediaBox", QPDFObjectHandle::newArray(
                                     QPDFObjectHandle::Rectangle(0, 0, size.width(), size.height())));
    page.replaceKey("/Resources", resources);
    page.replaceKey("/Contents",
                    QPDFObjectHandle::newArray({out.newStream(drawing), out.newStream(text.toStdString())}));
    QPDFPageDocumentHelper(out).addPage(QPDFPageObjectHelper(page), false);
}

QPDFObjectHandle resourcesWith(const char* xobject, QPDFObjectHandle object, GlyphlessFont& font)
{
    QPDFObjectHandle resources = QPDFObjectHandle::parse("<< /XObject << >> /Font << >> >>");
    resources.getKey("/XObject").replaceKey(xobject, object);
    resources.getKey("/Font").replaceKey("/F0", font.font());
    return resources;
}

// Places the pages named by the results; false when the source does not open.
bool addSourcePages(QPDF& out,
                    QPDF& source,
                    const QString& path,
                    const QList<PDFPageResult>& pages,
                    GlyphlessFont& font,
                    const CancelToken& cancel)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return false;
    try {
        source.setSuppressWarnings(true);
        source.processFile(QFile::encodeName(path).constData());
    } catch (const std::exception& error) {
        // Without a page image to fall back on, the document itself is what failed.
        if (!pages.isEmpty())
            throw notRewritable(path, QString::fromLocal8Bit(error.what()));
        return false;
    }
    // A placed page keeps its content only: stamps, comments and filled fields join it as they
    // look, or the export would lose them.
    QPDFAcroFormDocumentHelper(source).generateAppearancesIfNeeded();
    QPDFPageDocumentHelper(source).flattenAnnotations();
    std::vector<QPDFPageObjectHelper> sourcePages = QPDFPageDocumentHelper(source).getAllPages();
    for (const PDFPageResult& result : pages) {
        cancel.throwIfCancelled();
        if (result.index < 0 || size_t(result.index) >= sourcePages.size() || result.size.isEmpty())
            continue;
        QPDFPageObjectHelper& sourcePage = sourcePages[size_t(result.index)];
        // The form carries the page's rotation in its matrix, so placing it draws the page upright.
        QPDFObjectHandle form = sourcePage.getFormXObjectForPage();
        form.getDict().replaceKey("/BBox", QPDFObjectHandle::newArray(visibleBox(sourcePage)));
        QPDFObjectHandle placed = out.copyForeignObject(form);
        QPDFObjectHandle resources = resourcesWith("/Fx0", placed, font);
        // Placement without inverting the page's own transformations needs nothing of the page.
        QPDFPageObjectHelper helper(QPDFObjectHandle::parse("<< /Type /Page >>"));
        const std::string drawing = helper.placeFormXObject(
            placed, "/Fx0", QPDFObjectHandle::Rectangle(0, 0, result.size.width(), result.size.height()),
            false, true, true);
        addPage(out, result.size, resources, drawing, textLayer(result.blocks, result.size, font));
    }
    return true;
}

// The image embedded losslessly: 8-bit grey or RGB samples, the writer compresses them with
// Flate, and transparency travels as a soft mask.
QPDFObjectHandle imageStream(QPDF& out, const QImage& source)
{
    const int width = source.width();
    const int height = source.height();
    const bool grey = source.isGrayscale() && !source.hasAlphaChannel();
    const QImage pixels = source.convertToFormat(grey ? QImage::Format_Grayscale8 : QImage::Format_ARGB32);
    std::string samples;
    std::string alpha;
    bool translucent = false;
    samples.reserve(size_t(width) * size_t(height) * (grey ? 1 : 3));
    for (int y = 0; y < height; ++y) {
        if (grey) {
            samples.append(reinterpret_cast<const char*>(pixels.constScanLine(y)), size_t(width));
            continue;
        }
        const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            samples += char(qRed(line[x]));
            samples += char(qGreen(line[x]));
            samples += char(qBlue(line[x]));
            alpha += char(qAlpha(line[x]));
            translucent = translucent || qAlpha(line[x]) != 255;
        }
    }
    auto makeImage = [&](const char* colourSpace, std::string data) {
        QPDFObjectHandle stream = out.newStream();
        stream.replaceDict(QPDFObjectHandle::parse(
            std::string("<< /Type /XObject /Subtype /Image /BitsPerComponent 8 /ColorSpace ") + colourSpace +
            " >>"));
        stream.getDict().replaceKey("/Width", QPDFObjectHandle::newInteger(width));
        stream.getDict().replaceKey("/Height", QPDFObjectHandle::newInteger(height));
        stream.replaceStreamData(data, QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
        return stream;
    };
    QPDFObjectHandle image = makeImage(grey ? "/DeviceGray" : "/DeviceRGB", std::move(samples));
    if (translucent)
        image.getDict().replaceKey("/SMask", makeImage("/DeviceGray", std::move(alpha)));
    return image;
}

} // namespace

bool flattenForms(const QString& path, const QString& to)
{
    try {
        QPDF document;
        document.setSuppressWarnings(true);
        document.processFile(QFile::encodeName(path).constData());
        QPDFAcroFormDocumentHelper forms(document);
        if (!forms.hasAcroForm() || forms.getFormFields().empty())
            return false;
        forms.generateAppearancesIfNeeded();
        QPDFPageDocumentHelper(document).flattenAnnotations();
        QPDFWriter writer(document, QFile::encodeName(to).constData());
        writer.write();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void exportSearchable(const QString& source,
                      const QList<PDFPageResult>& pages,
                      const QImage& image,
                      const QList<TextBlock>& blocks,
                      const QString& to,
                      const CancelToken& cancel)
{
    // A save file renames over whatever has the name: a FIFO's reader or a device would silently
    // get nothing while the node is replaced by a plain file.
    const QFileInfo target(to);
    if (target.exists() && !target.isFile())
        throw saveError(to,
                        QCoreApplication::translate("vellumix::SearchablePDF", "It is not a regular file."));
    // Nothing touches the destination until the whole file is written beside it.
    QSaveFile file(to);
    if (!file.open(QIODevice::WriteOnly))
        throw saveError(to, file.errorString());

    QPDF sourceDocument; // must outlive the writer: placed pages read their content from it
    QPDF out;
    out.emptyPDF();
    const bool fromSource = !pages.isEmpty() && !source.isEmpty() && QFileInfo(source).isFile();
    bool pipelineFailed = false;
    try {
        GlyphlessFont font(out);
        if (!addSourcePages(out, sourceDocument, source, pages, font, cancel)) {
            if (image.isNull() || image.width() <= 0 || image.height() <= 0)
                throw VellumixError(VellumixError::Kind::InvalidImage);
            const QSizeF size(image.width(), image.height()); // one point per pixel
            addPage(out, size, resourcesWith("/Im0", imageStream(out, image), font),
                    "q\n" + number(size.width()).toStdString() + " 0 0 " +
                        number(size.height()).toStdString() + " 0 0 cm\n/Im0 Do\nQ\n",
                    textLayer(blocks, size, font));
        }
        font.finish();

        SaveFilePipeline pipeline(file, pipelineFailed, cancel);
        QPDFWriter writer(out);
        writer.setOutputPipeline(&pipeline);
        writer.setObjectStreamMode(qpdf_o_generate);
        writer.write();
    } catch (const Error&) {
        throw;
    } catch (const Cancelled&) {
        throw; // the save file is discarded unwritten
    } catch (const std::exception& error) {
        // qpdf reads the source lazily, so a damaged one may only show while pages are copied or
        // written; only a failed write of our own is the destination's fault.
        if (fromSource && !pipelineFailed)
            throw notRewritable(source, QString::fromLocal8Bit(error.what()));
        throw saveError(to, QString::fromLocal8Bit(error.what()));
    }
    cancel.throwIfCancelled();
    if (!file.commit())
        throw saveError(to, file.errorString());
}

} // namespace vellumix::PDFService
