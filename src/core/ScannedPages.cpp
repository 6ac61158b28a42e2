// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ScannedPages.h"

#include "core/QpdfPages.h"

#include <QFile>
#include <QTransform>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <cmath>
#include <cstring>
#include <vector>

namespace vellumix {

namespace {

// More samples than this are left to the renderer, which scales them down as it draws.
constexpr qint64 maximumPixels = 200'000'000;
// How far, as a fraction of the visible box, the image may fall short of covering it.
constexpr double coverTolerance = 0.01;

// Follows the content stream and accepts nothing but state changes around one image: any text,
// path, shading or inline image means the page is more than a scan.
class OneImage final : public QPDFObjectHandle::ParserCallbacks
{
public:
    std::string name;
    QTransform placement; // the image's unit square to page space
    bool rejected = false;

    void handleObject(QPDFObjectHandle object, size_t, size_t) override
    {
        if (!object.isOperator()) {
            if (object.isInlineImage())
                reject();
            m_operands.push_back(object);
            return;
        }
        const std::string op = object.getOperatorValue();
        if (op == "q") {
            m_saved.push_back(m_matrix);
        } else if (op == "Q" && !m_saved.empty()) {
            m_matrix = m_saved.back();
            m_saved.pop_back();
        } else if (op == "cm" && m_operands.size() == 6) {
            double v[6];
            for (int i = 0; i < 6; ++i) {
                if (!m_operands[size_t(i)].getValueAsNumber(v[i]))
                    reject();
            }
            m_matrix = QTransform(v[0], v[1], v[2], v[3], v[4], v[5]) * m_matrix;
        } else if (op == "Do" && m_operands.size() == 1 && m_operands[0].isName() && name.empty()) {
            name = m_operands[0].getName();
            placement = m_matrix;
        } else {
            reject();
        }
        m_operands.clear();
    }
    void handleEOF() override {}

private:
    void reject()
    {
        rejected = true;
        terminateParsing();
    }

    QTransform m_matrix;
    std::vector<QTransform> m_saved;
    std::vector<QPDFObjectHandle> m_operands;
};

// Colour components of the colour spaces whose samples are used as they are; 0 for the others.
int components(QPDFObjectHandle space)
{
    if (space.isArray() && space.getArrayNItems() == 2 &&
        space.getArrayItem(0).isNameAndEquals("/ICCBased")) {
        QPDFObjectHandle profile = space.getArrayItem(1);
        const int n = profile.isStream() ? profile.getDict().getKey("/N").getIntValueAsInt() : 0;
        return n == 1 || n == 3 ? n : 0;
    }
    if (space.isArray() && space.getArrayNItems() >= 1)
        space = space.getArrayItem(0);
    if (space.isNameAndEquals("/DeviceGray") || space.isNameAndEquals("/CalGray"))
        return 1;
    if (space.isNameAndEquals("/DeviceRGB") || space.isNameAndEquals("/CalRGB"))
        return 3;
    return 0;
}

// The samples as a QImage; null for images drawn through masks, decode arrays, palettes or
// filters qpdf cannot undo (JBIG2, CCITT): the renderer knows those.
QImage decode(QPDFObjectHandle image)
{
    if (!image.isStream())
        return {};
    QPDFObjectHandle dict = image.getDict();
    if (!dict.getKey("/Subtype").isNameAndEquals("/Image") || dict.hasKey("/SMask") || dict.hasKey("/Mask") ||
        dict.hasKey("/Decode") ||
        (dict.getKey("/ImageMask").isBool() && dict.getKey("/ImageMask").getBoolValue()))
        return {};
    const int n = components(dict.getKey("/ColorSpace"));
    const int bits = dict.getKey("/BitsPerComponent").getIntValueAsInt();
    const int width = dict.getKey("/Width").getIntValueAsInt();
    const int height = dict.getKey("/Height").getIntValueAsInt();
    if (n == 0 || !(bits == 8 || (bits == 1 && n == 1)) || width < 1 || height < 1 ||
        qint64(width) * height > maximumPixels)
        return {};
    const std::shared_ptr<Buffer> data = image.getStreamData(qpdf_dl_all);
    const size_t row = (size_t(width) * size_t(n) * size_t(bits) + 7) / 8;
    if (!data || data->getSize() < row * size_t(height))
        return {};
    QImage result(width, height,
                  bits == 1 ? QImage::Format_Mono
                  : n == 1  ? QImage::Format_Grayscale8
                            : QImage::Format_RGB888);
    if (result.isNull())
        return {};
    for (int y = 0; y < height; ++y)
        std::memcpy(result.scanLine(y), data->getBuffer() + size_t(y) * row, row);
    if (bits == 1) {
        result.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)}); // 0 is black in DeviceGray
        result.convertTo(QImage::Format_Grayscale8);
    }
    return result;
}

// Page space to the upright page as shown, in points from its top left corner.
QTransform display(const QPDFObjectHandle::Rectangle& box, int rotation)
{
    switch (rotation) {
    case 90:
        return QTransform(0, 1, 1, 0, -box.llx, -box.lly);
    case 180:
        return QTransform(-1, 0, 0, 1, box.urx, -box.lly);
    case 270:
        return QTransform(0, -1, -1, 0, box.ury, box.urx);
    default:
        return QTransform(1, 0, 0, -1, -box.llx, box.ury);
    }
}

int sign(double value)
{
    return value > 0 ? 1 : value < 0 ? -1 : 0;
}

} // namespace

struct ScannedPages::Document
{
    QPDF pdf;
    std::vector<QPDFPageObjectHelper> pages;
};

ScannedPages::ScannedPages(const QString& path)
{
    try {
        auto document = std::make_unique<Document>();
        document->pdf.setSuppressWarnings(true);
        document->pdf.processFile(QFile::encodeName(path).constData());
        document->pages = QPDFPageDocumentHelper(document->pdf).getAllPages();
        m_document = std::move(document);
    } catch (const std::exception&) {
    }
}

ScannedPages::~ScannedPages() = default;

QImage ScannedPages::image(int index) const
{
    if (!m_document || index < 0 || size_t(index) >= m_document->pages.size())
        return {};
    try {
        QPDFPageObjectHelper& page = m_document->pages[size_t(index)];
        // Links draw nothing; any other annotation may (stamps, notes, fields).
        for (QPDFAnnotationObjectHelper& annotation : page.getAnnotations())
            if (annotation.getSubtype() != "/Link")
                return {};
        OneImage content;
        page.parseContents(&content);
        QPDFObjectHandle resources = page.getAttribute("/Resources", false);
        if (content.rejected || content.name.empty() || !resources.isDictionary())
            return {};
        QPDFObjectHandle xobjects = resources.getKey("/XObject");
        if (!xobjects.isDictionary())
            return {};
        const QImage samples = decode(xobjects.getKey(content.name));
        if (samples.isNull())
            return {};

        const QPDFObjectHandle::Rectangle box = PDFService::visibleBox(page);
        QPDFObjectHandle rotate = page.getAttribute("/Rotate", false);
        const int rotation = ((rotate.isInteger() ? rotate.getIntValueAsInt() : 0) % 360 + 360) % 360;
        const bool turned = rotation == 90 || rotation == 270;
        const QSizeF shown = turned ? QSizeF(box.ury - box.lly, box.urx - box.llx)
                                    : QSizeF(box.urx - box.llx, box.ury - box.lly);
        // Pixels, whose first row is the image's top, to the upright page.
        const QTransform pixels = QTransform(1.0 / samples.width(), 0, 0, -1.0 / samples.height(), 0, 1) *
                                  content.placement * display(box, rotation % 90 == 0 ? rotation : 0);
        if (rotation % 90 != 0 || shown.isEmpty())
            return {};
        const bool straight = std::abs(pixels.m12()) < 1e-9 && std::abs(pixels.m21()) < 1e-9;
        const bool across = std::abs(pixels.m11()) < 1e-9 && std::abs(pixels.m22()) < 1e-9;
        if (!straight && !across)
            return {}; // drawn at an angle
        const QRectF placed = pixels.mapRect(QRectF(0, 0, samples.width(), samples.height()));
        const double dx = coverTolerance * shown.width(), dy = coverTolerance * shown.height();
        if (placed.left() > dx || placed.top() > dy || placed.right() < shown.width() - dx ||
            placed.bottom() < shown.height() - dy)
            return {}; // a picture on a page, not a scanned page
        // Turned and mirrored as shown, one sample still one pixel.
        QImage upright = samples.transformed(
            QTransform(sign(pixels.m11()), sign(pixels.m12()), sign(pixels.m21()), sign(pixels.m22()), 0, 0));
        const double sx = upright.width() / placed.width(), sy = upright.height() / placed.height();
        const QRect visible =
            QRectF(-placed.left() * sx, -placed.top() * sy, shown.width() * sx, shown.height() * sy)
                .toAlignedRect() &
            upright.rect();
        return visible == upright.rect() ? upright : upright.copy(visible);
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace vellumix
