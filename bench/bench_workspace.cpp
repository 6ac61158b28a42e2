// SPDX-License-Identifier: GPL-3.0-or-later
// Times the workspace window over a full history (500 entries, 200 MiB of kept images as sparse
// files): from creating the window until it is on screen and painted, and each keystroke in
// "Search history" until the list is filtered and repainted. Run it on an X server
// (bench/workspace.sh); frames are 16.7 ms at 60 Hz. With --screenshots DIR it instead takes the
// README's pictures of the window: empty, with a recognised image, with a PDF, light and dark.
#include "capture/CaptureSource.h"
#include "core/OCREngine.h"
#include "core/TesseractEngine.h"
#include "model/AppModel.h"
#include "model/HistoryStore.h"
#include "model/Preferences.h"
#include "model/UserDefaults.h"
#include "platform/SoundPlayer.h"
#include "ui/Appearance.h"
#include "ui/ThemedView.h"
#include "ui/WorkspaceView.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <QWindow>

#include <algorithm>

using namespace vellumix;

namespace {

constexpr int entries = 500;
constexpr int imageCount = 400;
constexpr qint64 imageSize = HistoryStore::imageBudget / imageCount;

class Idle final : public OCREngine, public CaptureSource, public SoundPlayer
{
public:
    Recognition recognize(const QImage&, const OCROptions&, const CancelToken&) override { return {}; }
    QStringList languages() const override { return {}; }
    QFuture<QList<QImage>> region() override { return {}; }
    QFuture<QList<QImage>> regions() override { return {}; }
    QFuture<QList<QImage>> fullScreen() override { return {}; }
    void cancel() override {}
    void play(const QString&) override {}
};

// Entries of a few hundred words each, drawn from a small vocabulary so that searches match
// some entries and not others.
void seed(const QString& folder)
{
    static const QStringList words{
        QStringLiteral("invoice"), QStringLiteral("total"),   QStringLiteral("Straße"),
        QStringLiteral("meeting"), QStringLiteral("receipt"), QStringLiteral("quarterly"),
        QStringLiteral("report"),  QStringLiteral("café"),    QStringLiteral("number"),
        QStringLiteral("address"), QStringLiteral("phone"),   QStringLiteral("delivery"),
    };
    QRandomGenerator random(12);
    const double now = HistoryEntry::secondsSinceReference(QDateTime::currentDateTimeUtc());
    QJsonArray array;
    for (int i = 0; i < entries; ++i) {
        QStringList text;
        for (int w = 0; w < 300; ++w)
            text.append(words.at(random.bounded(int(words.size()))) + QString::number(random.bounded(100)));
        HistoryEntry entry;
        entry.id = QUuid::createUuid();
        entry.text = text.join(u' ');
        entry.title = HistoryStore::titleFor(entry.text);
        entry.created = now - i * 60.0;
        entry.source = QStringLiteral("Screen");
        entry.language = QStringLiteral("Automatic");
        entry.confidence = 0.9f;
        if (i < imageCount) {
            entry.imageName = HistoryEntry::idString(entry.id) + QStringLiteral(".png");
            QFile image(QDir(folder).filePath(*entry.imageName));
            image.open(QIODevice::WriteOnly);
            image.resize(imageSize);
        }
        array.append(entry.toJson());
    }
    QFile json(QDir(folder).filePath(HistoryStore::fileName));
    json.open(QIODevice::WriteOnly);
    json.write(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

struct Figures
{
    QList<double> ms;
    double median()
    {
        std::sort(ms.begin(), ms.end());
        return ms.at(ms.size() / 2);
    }
    double percentile95()
    {
        std::sort(ms.begin(), ms.end());
        return ms.at(qMin(ms.size() - 1, qsizetype(double(ms.size()) * 0.95)));
    }
    double worst() { return *std::max_element(ms.cbegin(), ms.cend()); }
};

double elapsedMs(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

bool settle(const AppModel& model)
{
    QElapsedTimer timer;
    timer.start();
    do
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    while (model.busy() && timer.elapsed() < 60000);
    // The PDF view renders its pages in the background.
    timer.restart();
    while (timer.elapsed() < 1500)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return !model.busy();
}

int screenshots(const QString& folder, const QString& sample)
{
    QTemporaryDir home;
    MemoryDefaults defaults;
    TesseractEngine engine;
    Idle idle;
    AppModel model(defaults, home.path(), engine, idle, idle);
    model.preferences().setConfirmations(false);
    model.preferences().setAutoCopy(false);
    Appearance appearance;
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Vellumix"));
    window.setCentralWidget(new ThemedView(model.preferences(), new WorkspaceView(model, model.history())));
    window.resize(1040, 640);
    window.show();
    const auto shoot = [&](const QString& name) {
        settle(model);
        const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
        window.grab().save(path);
        QTextStream(stdout) << path << '\n';
    };
    // A two-page PDF of the sample, so the preview has something to show.
    const QString pdf = home.filePath(QStringLiteral("sample.pdf"));
    {
        const QImage image(sample);
        QPdfWriter writer(pdf);
        // Pages the size of the sample at 96 dpi, so recognising them costs what the image does.
        writer.setResolution(96);
        writer.setPageSize(QPageSize(QSizeF(image.size()) * 0.75, QPageSize::Point));
        writer.setPageMargins(QMarginsF());
        QPainter painter(&writer);
        for (int page = 0; page < 2; ++page) {
            if (page > 0)
                writer.newPage();
            painter.drawImage(QRect(QPoint(), image.size()), image);
        }
    }

    for (const QString& mode : {QStringLiteral("Light"), QStringLiteral("Dark")}) {
        appearance.apply(mode);
        const QString suffix = mode == QStringLiteral("Dark") ? QStringLiteral("-dark") : QString();
        if (mode == QStringLiteral("Light"))
            shoot(QStringLiteral("workspace-empty"));
        model.load(QUrl::fromLocalFile(sample));
        settle(model);
        shoot(QStringLiteral("workspace-result") + suffix);
        model.load(QUrl::fromLocalFile(pdf));
        model.processPDF();
        shoot(QStringLiteral("workspace-pdf") + suffix);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() >= 4 && arguments.at(1) == QStringLiteral("--screenshots"))
        return screenshots(arguments.at(2), arguments.at(3));
    QTemporaryDir folder;
    seed(folder.path());
    MemoryDefaults defaults;
    Idle idle;
    AppModel model(defaults, folder.path(), idle, idle, idle);
    QTextStream out(stdout);
    out << "history: " << model.history().entries().size() << " entries, "
        << HistoryStore::imageBudget / (1024 * 1024) << " MiB of kept images\n";
    // As after a capture: the newest entry is the current result.
    model.open(model.history().entries().first());

    Figures opening;
    for (int run = 0; run < 15; ++run) {
        QElapsedTimer timer;
        timer.start();
        auto* window = new QMainWindow;
        window->setCentralWidget(new WorkspaceView(model, model.history()));
        window->resize(1120, 720);
        window->show();
        while (!window->windowHandle() || !window->windowHandle()->isExposed())
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        window->repaint();
        QApplication::processEvents();
        opening.ms.append(elapsedMs(timer));
        delete window;
        QApplication::processEvents();
    }
    out << "open the workspace: median " << opening.median() << " ms, worst " << opening.worst()
        << " ms (target 100 ms)\n";

    QMainWindow window;
    auto* view = new WorkspaceView(model, model.history());
    window.setCentralWidget(view);
    window.resize(1120, 720);
    window.show();
    while (!window.windowHandle()->isExposed())
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    // Nobody types within half a second of the window appearing.
    QElapsedTimer pause;
    pause.start();
    while (pause.elapsed() < 500)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    Figures typing;
    // One keystroke: the field changes, the list lays itself out and paints.
    const auto type = [&](const QString& typed) {
        QElapsedTimer timer;
        timer.start();
        view->searchField()->setText(typed);
        view->list()->repaint();
        QApplication::processEvents();
        typing.ms.append(elapsedMs(timer));
        if (qgetenv("BENCH_VERBOSE") == "1")
            out << "  " << typed << ": " << typing.ms.last() << " ms\n";
    };
    QStringList counts;
    for (const QString& query : {QStringLiteral("invoice42 total7"), QStringLiteral("STRASSE"),
                                 QStringLiteral("café9"), QStringLiteral("nothing here")}) {
        QString typed;
        for (const QChar c : query)
            type(typed.append(c));
        counts.append(query + QStringLiteral(": ") + view->count()->text());
        while (!typed.isEmpty()) { // erasing, one key at a time
            typed.chop(1);
            type(typed);
        }
    }
    out << "first keystroke: " << typing.ms.first() << " ms\n";
    out << "keystroke in Search history (" << typing.ms.size() << " keys): median " << typing.median()
        << " ms, 95th percentile " << typing.percentile95() << " ms, worst " << typing.worst()
        << " ms (target 16 ms)\n";
    out << "matches: " << counts.join(QStringLiteral(", ")) << '\n';
    return 0;
}
