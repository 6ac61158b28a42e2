// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

namespace vellumix {

// An invisible composite font for a PDF text layer. Every character gets a two-byte code of its
// own, mapped to one empty glyph and, through the ToUnicode map, back to the character, so any
// Unicode text (outside the Basic Multilingual Plane too) extracts as written.
class GlyphlessFont final
{
public:
    static constexpr double advance = 0.5; // every glyph is half an em wide

    explicit GlyphlessFont(QPDF& pdf);

    // The Type0 font object, to be named in page resources.
    QPDFObjectHandle font() const { return m_font; }

    // The codes of `text` as a hex string operand; white space becomes a plain space so that
    // viewers see word breaks. `glyphs` receives the number of codes.
    QByteArray encode(const QString& text, qsizetype& glyphs);

    // Fills the maps for every code handed out; call once after the last encode().
    void finish();

    static QByteArray fontFile();

private:
    QByteArray toUnicode() const;

    QPDF& m_pdf;
    QPDFObjectHandle m_font;
    QPDFObjectHandle m_toUnicode;
    QPDFObjectHandle m_cidToGid;
    QHash<char32_t, quint16> m_codes;
    QList<char32_t> m_characters; // code n maps to m_characters[n - 1]
};

} // namespace vellumix
