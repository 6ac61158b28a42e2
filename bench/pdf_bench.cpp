// SPDX-License-Identifier: GPL-3.0-or-later
// The PDF benchmark's helper (bench/pdf.sh runs it):
//   vellumix-pdfbench pages OUT.pdf TEXT-FILE
//       writes A4 pages of the text in three fonts and sizes, with a real text layer;
//   vellumix-pdfbench score REFERENCE.txt OURS.json THEIRS.txt
//       REFERENCE and THEIRS hold one page per form feed (pdftotext, ocrmypdf --sidecar); OURS is
//       vellumix-ocr --json. Prints, tab-separated: reference words and characters, then for ours
//       and theirs: words matched, words produced, character edits.
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QStringList>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QString readText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        std::exit(1);
    }
    return QString::fromUtf8(file.readAll());
}

// pdftotext ends the last page with a form feed too; a missing trailing page is simply empty.
QStringList pagesOf(const QString& text)
{
    QStringList pages = text.split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

QStringList ourPages(const QString& jsonPath)
{
    QStringList pages;
    const QJsonObject object = QJsonDocument::fromJson(readText(jsonPath).toUtf8()).object();
    for (const QJsonValue& page : object.value(QStringLiteral("pages")).toArray())
        pages.append(page.toObject().value(QStringLiteral("text")).toString());
    return pages;
}

// Words are runs of letters and digits; ligatures and the like are folded first.
QStringList words(const QString& text)
{
    static const QRegularExpression word(QStringLiteral("[\\p{L}\\p{N}]+"));
    QStringList found;
    auto it = word.globalMatch(text.normalized(QString::NormalizationForm_KC));
    while (it.hasNext())
        found.append(it.next().captured());
    return found;
}

// Order-insensitive: the size of the multiset intersection.
qsizetype matched(QStringList reference, QStringList hypothesis)
{
    std::sort(reference.begin(), reference.end());
    std::sort(hypothesis.begin(), hypothesis.end());
    qsizetype count = 0;
    auto r = reference.cbegin();
    auto h = hypothesis.cbegin();
    while (r != reference.cend() && h != hypothesis.cend()) {
        if (*r < *h) {
            ++r;
        } else if (*h < *r) {
            ++h;
        } else {
            ++count;
            ++r;
            ++h;
        }
    }
    return count;
}

QString collapsed(const QString& text)
{
    return text.normalized(QString::NormalizationForm_KC).simplified();
}

qsizetype editDistance(const QString& a, const QString& b)
{
    std::vector<qsizetype> row(size_t(b.size()) + 1);
    for (size_t j = 0; j < row.size(); ++j)
        row[j] = qsizetype(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        qsizetype diagonal = row[0];
        row[0] = i;
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const qsizetype above = row[size_t(j)];
            row[size_t(j)] =
                std::min({above + 1, row[size_t(j - 1)] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row.back();
}

int score(const QString& referencePath, const QString& oursPath, const QString& theirsPath)
{
    const QStringList reference = pagesOf(readText(referencePath));
    const QList<QStringList> hypotheses{ourPages(oursPath), pagesOf(readText(theirsPath))};
    qsizetype referenceWords = 0;
    qsizetype referenceChars = 0;
    for (const QString& page : reference) {
        referenceWords += words(page).size();
        referenceChars += collapsed(page).size();
    }
    std::printf("%lld\t%lld", qlonglong(referenceWords), qlonglong(referenceChars));
    for (const QStringList& pages : hypotheses) {
        qsizetype hits = 0;
        qsizetype produced = 0;
        qsizetype edits = 0;
        for (qsizetype i = 0; i < std::max(reference.size(), pages.size()); ++i) {
            const QString ref = reference.value(i);
            const QString hyp = pages.value(i);
            const QStringList hypWords = words(hyp);
            hits += matched(words(ref), hypWords);
            produced += hypWords.size();
            edits += editDistance(collapsed(ref), collapsed(hyp));
        }
        std::printf("\t%lld\t%lld\t%lld", qlonglong(hits), qlonglong(produced), qlonglong(edits));
    }
    std::printf("\n");
    return 0;
}

// Prose set on A4 with ordinary margins, one font and size per page in turn.
int writePages(const QString& out, const QString& textPath)
{
    const QStringList paragraphs =
        readText(textPath).split(QRegularExpression(QStringLiteral("\\n\\s*\\n")), Qt::SkipEmptyParts);
    struct Face
    {
        const char* family;
        int points;
    };
    const Face faces[] = {
        {"DejaVu Serif", 11}, {"DejaVu Sans", 10}, {"DejaVu Sans Mono", 9}, {"DejaVu Serif", 9}};
    QPdfWriter writer(out);
    writer.setResolution(72);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(56, 56, 56, 56), QPageLayout::Point);
    QPainter painter(&writer);
    const QRectF area = writer.pageLayout().paintRect(QPageLayout::Point);
    qsizetype next = 0;
    for (int page = 0; page < 4; ++page) {
        if (page > 0)
            writer.newPage();
        QTextDocument document;
        QFont font(QString::fromLatin1(faces[page].family));
        font.setPointSizeF(faces[page].points);
        document.setDefaultFont(font);
        document.setTextWidth(area.width());
        QString text;
        // Whole paragraphs while they fit, so that the page's text layer is exactly what is shown.
        while (next < paragraphs.size()) {
            const QString candidate = text + (text.isEmpty() ? QString() : QStringLiteral("\n\n")) +
                                      paragraphs.at(next).simplified();
            document.setPlainText(candidate);
            if (document.size().height() > area.height())
                break;
            text = candidate;
            ++next;
        }
        document.setPlainText(text);
        document.drawContents(&painter);
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    // Fonts and a PDF writer, no windows: no display needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 4 && arguments.at(1) == QLatin1String("pages"))
        return writePages(arguments.at(2), arguments.at(3));
    if (arguments.size() == 5 && arguments.at(1) == QLatin1String("score"))
        return score(arguments.at(2), arguments.at(3), arguments.at(4));
    std::fprintf(stderr, "usage: vellumix-pdfbench pages OUT.pdf TEXT | score REFERENCE OURS.json THEIRS\n");
    return 2;
}
