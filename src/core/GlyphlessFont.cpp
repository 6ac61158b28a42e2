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

    QPDFObjectHandle cidFont = m_pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /GlyphLessFont"
        " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /DW 500 >>"));
    cidFont.replaceKey("/FontDescriptor", descriptor);
    cidFont.replaceKey("/CIDToGIDMap", m_cidToGid);

    m_font = m_pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /Type0 /BaseFont /GlyphLessFont /Encoding /Identity-H >>"));
    m_font.replaceKey("/DescendantFonts", QPDFObjectHandle::newArray({cidFont}));
    m_font.replaceKey("/ToUnicode", m_toUnicode);
    finish(); // valid even when no text is ever drawn
}

QByteArray GlyphlessFont::encode(const QString& text, qsizetype& glyphs)
{
    QByteArray hex;
    glyphs = 0;
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
                code = m_codes.insert(character, quint16(m_characters.size()));
            }
        }
        hex += hex4(*code);
        ++glyphs;
    }
    return '<' + hex + '>';
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
