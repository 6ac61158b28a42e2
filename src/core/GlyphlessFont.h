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
// Unicode text (outside the Basic Multilingual Plane too) extracts as written. Advances follow
// Helvetica's proportions (a space is half a letter, wide East Asian characters a full em), so a
// line fitted to its box keeps word gaps that readers take for spaces.
class GlyphlessFont final
{
public:
    static constexpr double spaceWidth = 0.278; // em
    static constexpr double letterWidth = 0.556;
    static constexpr double wideWidth = 1.0;

    struct Glyph
    {
        quint16 code = 0;
        double width = 0.0; // em
        bool space = false;
    };

    explicit GlyphlessFont(QPDF& pdf);

    // The Type0 font object, to be named in page resources.
    QPDFObjectHandle font() const { return m_font; }

    // The glyphs of `text`; white space becomes a plain space so that viewers see word breaks.
    QList<Glyph> encode(const QString& text);
    static QByteArray hex(quint16 code);

    // Fills the maps for every code handed out; call once after the last encode().
    void finish();

    static QByteArray fontFile();

private:
    QByteArray toUnicode() const;

    QPDF& m_pdf;
    QPDFObjectHandle m_font;
    QPDFObjectHandle m_cidFont;
    QPDFObjectHandle m_toUnicode;
    QPDFObjectHandle m_cidToGid;
    QHash<char32_t, quint16> m_codes;
    QList<char32_t> m_characters; // code n maps to m_characters[n - 1]
    QList<double> m_widths;       // likewise
};

} // namespace vellumix
