// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/GlyphlessFont.h"

namespace vellumix {

namespace {

constexpr qsizetype maximumCodes = 0xFFFF;
constexpr qsizetype entriesPerSection = 100; // the CMap syntax limit per bfchar section

QByteArray hex4(unsigned value)
{
    return QByteArray::number(value, 16).rightJustified(4, '0').toUpper();
}

bool isWide(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
           (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
}

double widthOf(char32_t c)
{
    if (c == U' ')
        return GlyphlessFont::spaceWidth;
    if (QChar::category(c) == QChar::Mark_NonSpacing || QChar::category(c) == QChar::Mark_Enclosing)
        return 0.0;
    return isWide(c) ? GlyphlessFont::wideWidth : GlyphlessFont::letterWidth;
}

QByteArray utf16Hex(char32_t character)
{
    const QString text = QString::fromUcs4(&character, 1);
    QByteArray hex;
    for (QChar unit : text)
        hex += hex4(unit.unicode());
    return hex;
}

} // namespace

GlyphlessFont::GlyphlessFont(QPDF& pdf) : m_pdf(pdf)
{
    QPDFObjectHandle file = m_pdf.newStream(fontFile().toStdString());
    file.getDict().replaceKey("/Length1", QPDFObjectHandle::newInteger(fontFile().size()));

    QPDFObjectHandle descriptor = m_pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /FontDescriptor /FontName /GlyphLessFont /Flags 5 /FontBBox [0 0 500 1000]"
        " /ItalicAngle 0 /Ascent 1000 /Descent -1 /CapHeight 1000 /StemV 80 >>"));
    descriptor.replaceKey("/FontFile2", file);

    m_cidToGid = m_pdf.newStream();
    m_toUnicode = m_pdf.newStream();

    m_cidFont = m_pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /GlyphLessFont"
        " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /DW 556 >>"));
    m_cidFont.replaceKey("/FontDescriptor", descriptor);
    m_cidFont.replaceKey("/CIDToGIDMap", m_cidToGid);

    m_font = m_pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /Type0 /BaseFont /GlyphLessFont /Encoding /Identity-H >>"));
    m_font.replaceKey("/DescendantFonts", QPDFObjectHandle::newArray({m_cidFont}));
    m_font.replaceKey("/ToUnicode", m_toUnicode);
    finish(); // valid even when no text is ever drawn
}

QByteArray GlyphlessFont::hex(quint16 code)
{
    return hex4(code);
}

QList<GlyphlessFont::Glyph> GlyphlessFont::encode(const QString& text)
{
    QList<Glyph> glyphs;
    for (char32_t character : text.toUcs4()) {
        if (QChar::isSpace(character))
            character = U' ';
        auto code = m_codes.constFind(character);
        if (code == m_codes.cend()) {
            if (m_characters.size() >= maximumCodes - 1)
                character = U'\uFFFD'; // tens of thousands of distinct characters: give up on the rest
            code = m_codes.constFind(character);
            if (code == m_codes.cend()) {
                m_characters.append(character);
                m_widths.append(widthOf(character));
                code = m_codes.insert(character, quint16(m_characters.size()));
            }
        }
        glyphs.append(Glyph{*code, m_widths[*code - 1], character == U' '});
    }
    return glyphs;
}

void GlyphlessFont::finish()
{
    // Every code, 0 included, shows glyph 1: some readers reject text drawn with glyph 0.
    QByteArray map;
    for (qsizetype code = 0; code <= m_characters.size(); ++code)
        map += QByteArrayView("\x00\x01", 2);
    m_cidToGid.replaceStreamData(map.toStdString(), QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
    m_toUnicode.replaceStreamData(toUnicode().toStdString(), QPDFObjectHandle::newNull(),
                                  QPDFObjectHandle::newNull());
    QPDFObjectHandle widths = QPDFObjectHandle::newArray();
    for (double width : m_widths)
        widths.appendItem(QPDFObjectHandle::newInteger(qRound(width * 1000)));
    m_cidFont.replaceKey("/W", QPDFObjectHandle::newArray({QPDFObjectHandle::newInteger(1), widths}));
}

QByteArray GlyphlessFont::toUnicode() const
{
    QByteArray cmap = "/CIDInit /ProcSet findresource begin\n"
                      "12 dict begin\n"
                      "begincmap\n"
                      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                      "/CMapName /Adobe-Identity-UCS def\n"
                      "/CMapType 2 def\n"
                      "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    for (qsizetype start = 0; start < m_characters.size(); start += entriesPerSection) {
        const qsizetype end = std::min(start + entriesPerSection, m_characters.size());
        cmap += QByteArray::number(end - start) + " beginbfchar\n";
        for (qsizetype i = start; i < end; ++i)
            cmap += '<' + hex4(unsigned(i + 1)) + "> <" + utf16Hex(m_characters[i]) + ">\n";
        cmap += "endbfchar\n";
    }
    cmap += "endcmap\n"
            "CMapName currentdict /CMap defineresource pop\n"
            "end\n"
            "end\n";
    return cmap;
}

} // namespace vellumix
