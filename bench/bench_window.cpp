// The main window's latency on a large collection: the real window (offscreen unless
// QT_QPA_PLATFORM says otherwise) on a generated collection, driven the way a user
// drives it: its actions by objectName, the tree's and the list's models, key events
// and header clicks, dialogs answered from the event loop. Each action is timed on the
// interface thread from the input to the window's next idle moment (no event left to
// deliver and no timer due); an action that saves is also timed until its file is on
// disk, with the longest time the thread stayed busy in one go meanwhile. The start is
// measured in fresh processes, from constructing the window to its first paint.
//
// Usage: bench_window [--albums N] [--runs N]   (defaults: 100000 albums, 3 runs)
// (--benchmark_... arguments, meant for the other programs, are ignored.)
// QEL_BENCH_DIR picks the parent of the work folder, QEL_BENCH_KEEP=1 keeps it.

#include "benchdata.h"

#include "mainwindow/ui/mainwindow.h"
#include "model/backgroundwriter.h"
#include "model/collectiongenerator.h"
#include "model/fields.h"
#include "model/general.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "services/ui/processwindow.h"
#include "services/ui/widgetinterface.h"
#include "shell/settingsstore.h"
#include "shell/ui/iconlists.h"
#include "views/itemlistmodel.h"
#include "views/ui/qellistview.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

QElapsedTimer g_clock; // started first thing in main()

double nowMs()
{
    return double(g_clock.nsecsElapsed()) / 1e6;
}

// The interface thread's processor time: less disturbed than the wall clock when other
// work shares the machine.
double cpuMs()
{
    return bench::ThreadCpuSeconds() * 1000;
}

double g_idleCpu = 0; // cpuMs() at the moment untilIdle answers

// The 1-minute load average, -1 when unknown.
double loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    bool ok = false;
    const double load = file.readAll().split(' ').value(0).toDouble(&ok);
    return ok ? load : -1;
}

// How long the event loop may take to settle, and a save to reach the disk, before the
// run is reported as hanging.
constexpr double kIdleLimitMs = 60000;
constexpr double kDiskLimitMs = 60000;

// Counts the events the interface thread delivers, and notes a busy cursor while
// events flow.
class TActivity : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        ++events;
        if (event->type() == QEvent::Paint)
            ++paints;
        if (QGuiApplication::overrideCursor())
            busy = true;
        return false;
    }
    quint64 events = 0;
    quint64 paints = 0;
    bool busy = false;
};

// The message boxes of the program answered at once: Yes and OK to every question,
// messages kept and printed. The wait cursor is the real one, noted.
class TBenchInterface : public TWidgetUserInterface
{
public:
    void ShowInfo(const QString &message) override
    {
        messages << message;
        std::fprintf(stderr, "[message] %s\n", qPrintable(message));
    }
    TAnswer AskYesNo(const QString &message) override
    {
        questions << message;
        return TAnswer::Yes;
    }
    TAnswer AskOkCancel(const QString &message) override
    {
        questions << message;
        return TAnswer::Ok;
    }
    void BeginWait() override
    {
        TWidgetUserInterface::BeginWait();
        waited = true;
    }

    QStringList messages;
    QStringList questions;
    bool waited = false;
};

TActivity *g_activity = nullptr;
TBenchInterface *g_ui = nullptr;

// Runs the event loop until three passes in a row deliver no event; answers when the
// last pass that delivered one ended, or -1 when the loop never settled.
double untilIdle()
{
    double idleAt = nowMs();
    g_idleCpu = cpuMs();
    const double limit = idleAt + kIdleLimitMs;
    for (int quiet = 0; quiet < 3;) {
        const quint64 before = g_activity->events;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        const double now = nowMs();
        if (g_activity->events != before) {
            idleAt = now;
            g_idleCpu = cpuMs();
            quiet = 0;
        } else {
            ++quiet;
        }
        if (now > limit) {
            std::fprintf(stderr, "[the event loop did not settle in %.0f s]\n",
                         kIdleLimitMs / 1000);
            return -1;
        }
    }
    return idleAt;
}

// Serves the event loop, a pass every millisecond, until done() holds or limitMs has
// passed; answers the longest pass, the longest time the thread could not answer.
double serveUntil(const std::function<bool()> &done, double limitMs)
{
    double longest = 0;
    const double limit = nowMs() + limitMs;
    while (!done() && nowMs() < limit) {
        const double start = nowMs();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        longest = std::max(longest, nowMs() - start);
        if (!done())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return longest;
}

void waitMs(double ms)
{
    const double until = nowMs() + ms;
    serveUntil([until] { return nowMs() >= until; }, ms + 1000);
}

// Runs act on the modal dialog named name once it is up, looked for from the event
// loop; a dialog act leaves open is closed.
void whenModal(const char *name, std::function<void(QDialog *)> act, int tries = 20000)
{
    QTimer::singleShot(tries == 20000 ? 0 : 1, [name, act, tries] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != QLatin1String(name)) {
            if (tries > 0)
                whenModal(name, act, tries - 1);
            else
                std::fprintf(stderr, "[no dialog %s came up]\n", name);
            return;
        }
        act(dialog);
        if (dialog->isVisible())
            dialog->done(QDialog::Rejected);
    });
}

template <class T> T *child(QObject *parent, const char *name)
{
    T *found = parent->findChild<T *>(QLatin1String(name));
    if (!found) {
        std::fprintf(stderr, "bench_window: the window has no %s\n", name);
        std::exit(1);
    }
    return found;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double maxOf(const std::vector<double> &v)
{
    return v.empty() ? -1 : *std::max_element(v.begin(), v.end());
}

std::string fixed(double v)
{
    if (v < 0)
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", v);
    return text;
}

// One row of the table: an action's runs and what it is held to.
struct TRow
{
    explicit TRow(std::string name, double medianMs = 100, double maxMs = 500, double diskMs = -1,
                  bool save = false)
        : action(std::move(name)), medianLimit(medianMs), maxLimit(maxMs), diskLimit(diskMs),
          saves(save)
    {
    }

    std::string action;
    double medianLimit; // ms
    double maxLimit;
    double diskLimit; // the median time until the file is on disk, when it counts
    bool saves;
    std::vector<double> ms, cpu, disk, stall;
    bool busy = false;
    // A run did not settle, its file never reached the disk, or the action did not do
    // what it does.
    bool failed = false;
    std::string note;

    std::string target() const
    {
        std::string t = "< " + fixed(medianLimit) + " ms median, max " + fixed(maxLimit);
        if (diskLimit >= 0)
            t += ", disk < " + fixed(diskLimit);
        return t;
    }
    std::string verdict() const
    {
        if (ms.empty())
            return "n/a";
        if (failed)
            return "FAILED";
        const bool ok = median(ms) < medianLimit && maxOf(ms) <= maxLimit &&
                        (diskLimit < 0 || median(disk) < diskLimit) && maxOf(stall) <= maxLimit;
        return ok ? "ok" : "MISSED";
    }
};

// The window under test with what the timing needs around it.
class TBench
{
public:
    TBench(TfmMain &window, int runs) : m_w(window), m_runs(runs)
    {
        QObject::connect(&m_w.Writer(), &TBackgroundWriter::Written, &m_context,
                         [this](quint64, const QString &, const QString &) {
                             // After the window's own slot: it has taken the result.
                             if (m_diskArmed && m_diskAt < 0 && !m_w.HasUnsavedChanges())
                                 m_diskAt = nowMs();
                         });
    }

    QAction *action(const char *name) { return child<QAction>(&m_w, name); }
    QTreeView *tree() { return child<QTreeView>(&m_w, "tvMain"); }
    TQelListView *list() { return child<TQelListView>(&m_w, "lvMain"); }
    int runs() const { return m_runs; }

    // Puts the input at this moment: for input given once a dialog is up.
    void InputNow()
    {
        m_inputAt = nowMs();
        m_inputCpu = cpuMs();
    }
    // The action's end when it is not the next idle moment after input returns (a
    // dialog measured while it is open).
    void EndAt(double at)
    {
        m_endAt = at;
        m_endCpu = g_idleCpu;
    }

    // Nothing being written, nothing left to deliver.
    void Settle()
    {
        m_w.FinishSaving();
        untilIdle();
    }

    // Times input once into row: from input (or InputNow) to the next idle moment, and
    // for a save on to the moment the window learns its file is on disk.
    void Time(TRow &row, const std::function<void()> &input)
    {
        Settle();
        g_activity->busy = false;
        g_ui->waited = false;
        m_diskAt = -1;
        m_endAt = -1;
        m_diskArmed = row.saves;
        const quint64 events = g_activity->events, paints = g_activity->paints;
        InputNow();
        input();
        const double idle = untilIdle();
        const double end = m_endAt >= 0 ? m_endAt : idle;
        const quint64 delivered = g_activity->events - events;
        const quint64 painted = g_activity->paints - paints;
        row.failed = row.failed || idle < 0;
        row.ms.push_back(end - m_inputAt);
        row.cpu.push_back((m_endAt >= 0 ? m_endCpu : g_idleCpu) - m_inputCpu);
        if (row.saves) {
            const double stall = serveUntil([this] { return m_diskAt >= 0; }, kDiskLimitMs);
            if (m_diskAt < 0) {
                row.failed = true;
                row.note += " the file never reached the disk;";
            }
            row.disk.push_back(m_diskAt >= 0 ? m_diskAt - m_inputAt : -1);
            row.stall.push_back(stall);
        }
        m_diskArmed = false;
        row.busy = row.busy || g_activity->busy || g_ui->waited;
        std::fprintf(stderr, "  %-52s %8.1f ms (cpu %6.1f)", row.action.c_str(), row.ms.back(),
                     row.cpu.back());
        if (row.saves)
            std::fprintf(stderr, "   on disk %8.1f ms   stall %6.1f ms", row.disk.back(),
                         row.stall.back());
        std::fprintf(stderr, "   (%llu events, %llu paints)\n",
                     static_cast<unsigned long long>(delivered),
                     static_cast<unsigned long long>(painted));
    }

    // Selects the tree's node at path (rows from the root) as a click would.
    void SelectNode(std::initializer_list<int> path)
    {
        QTreeView *t = tree();
        QAbstractItemModel *model = t->model();
        QModelIndex index = model->index(0, 0);
        for (int row : path) {
            if (model->canFetchMore(index))
                model->fetchMore(index);
            index = model->index(row, 0, index);
        }
        if (t->currentIndex() != index)
            t->setCurrentIndex(index);
        untilIdle();
    }

    // Makes the list's first row current, as a click would.
    void SelectFirstRow()
    {
        QAbstractItemView *view = list()->Current();
        view->setCurrentIndex(view->model()->index(0, 0));
        untilIdle();
    }

    // An album of the first folder current, when none is.
    void EnsureAlbum()
    {
        if (action("acEditAlbum")->isEnabled())
            return;
        SelectNode({0});
        SelectFirstRow();
        if (!action("acEditAlbum")->isEnabled()) {
            std::fprintf(stderr, "bench_window: no album could be made current\n");
            std::exit(1);
        }
    }

    // The entry of the folder menu for field.
    QAction *folders(TFieldId field)
    {
        for (QAction *a : child<QMenu>(&m_w, "pmFolders")->actions())
            if (!a->isSeparator() && a->data().toInt() == int(field))
                return a;
        std::fprintf(stderr, "bench_window: no folder entry for field %d\n", int(field));
        std::exit(1);
    }

    // Clicks the list's header on the column of field.
    void ClickHeader(TFieldId field)
    {
        QTableView *table = list()->Details();
        QHeaderView *header = table->horizontalHeader();
        QAbstractItemModel *model = table->model();
        for (int column = 0; column < model->columnCount(); ++column)
            if (model->headerData(column, Qt::Horizontal, TItemListModel::FieldRole).toInt() ==
                int(field)) {
                // The column in sight, the rows where they are.
                table->scrollTo(model->index(std::max(0, table->rowAt(0)), column));
                const QPoint at(header->sectionViewportPosition(column) + 4, header->height() / 2);
                QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
                return;
            }
        std::fprintf(stderr, "bench_window: the list has no column for field %d\n", int(field));
        std::exit(1);
    }

    int ListRows() { return list()->model()->rowCount(); }

private:
    TfmMain &m_w;
    QObject m_context; // ends the connection to the writer with this object
    int m_runs;
    double m_inputAt = 0;
    double m_inputCpu = 0;
    double m_endCpu = 0;
    double m_endAt = -1;
    double m_diskAt = -1;
    bool m_diskArmed = false;
};

// --- the actions

void timeStart(std::vector<TRow> &rows, int runs)
{
    TRow window{"start: window constructed to first paint", 500, 500};
    TRow process{"start: process (main) to first paint", 500, 500};
    for (int run = 0; run < runs; ++run) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--start-child")});
        if (!p.waitForFinished(300000) || p.exitCode() != 0) {
            window.failed = process.failed = true;
            std::fprintf(stderr, "[the start run failed]\n");
            continue;
        }
        const QList<QByteArray> words = p.readAllStandardOutput().trimmed().split(' ');
        if (words.size() != 5 || words[0] != "start") {
            window.failed = process.failed = true;
            continue;
        }
        window.ms.push_back(words[1].toDouble());
        process.ms.push_back(words[2].toDouble());
        window.cpu.push_back(words[3].toDouble());
        process.cpu.push_back(words[4].toDouble());
        std::fprintf(stderr, "  %-52s %8.1f ms (cpu %6.1f; from main %.1f ms)\n",
                     window.action.c_str(), window.ms.back(), window.cpu.back(), process.ms.back());
    }
    rows.push_back(window);
    rows.push_back(process);
}

void timeEdits(TBench &b, TfmMain &w, std::vector<TRow> &rows, const QString &folder)
{
    TRow edit{"edit an album's title, OK (saves)", 30, 500, 500, true};
    for (int run = 0; run < b.runs(); ++run) {
        b.EnsureAlbum();
        b.Time(edit, [&] {
            whenModal("fmAlbum", [&](QDialog *d) {
                child<QLineEdit>(d, "edTitle")->setText(QStringLiteral("Edited %1").arg(run));
                b.InputNow();
                child<QAbstractButton>(d, "btOk")->click();
            });
            b.action("acEditAlbum")->trigger();
        });
    }
    rows.push_back(edit);

    TRow add{"add album, OK (saves)", 100, 500, -1, true};
    for (int run = 0; run < b.runs(); ++run) {
        const qsizetype before = w.Db().AlbumCount();
        b.Time(add, [&] {
            whenModal("fmAlbum", [&](QDialog *d) {
                child<QLineEdit>(d, "edTitle")->setText(QStringLiteral("Added %1").arg(run));
                b.InputNow();
                child<QAbstractButton>(d, "btOk")->click();
            });
            b.action("acAddAlbum")->trigger();
        });
        if (w.Db().AlbumCount() != before + 1)
            add.failed = true;
    }
    rows.push_back(add);

    TRow remove{"remove one album, Yes (saves)", 100, 500, -1, true};
    for (int run = 0; run < b.runs(); ++run) {
        b.EnsureAlbum();
        const qsizetype before = w.Db().AlbumCount();
        b.Time(remove, [&] { b.action("acRemoveAlbum")->trigger(); });
        if (w.Db().AlbumCount() != before - 1)
            remove.failed = true;
    }
    rows.push_back(remove);

    TRow saveAs{"File > Save As (saves)", 100, 500, -1, true};
    const auto chooser = w.ChooseSaveFile;
    for (int run = 0; run < b.runs(); ++run) {
        const QString file = folder + QStringLiteral("/saved-as-%1.qel").arg(run + 1);
        w.ChooseSaveFile = [&b, file](QWidget *, const QString &, const QString &) {
            b.InputNow(); // the dialog's OK
            return file;
        };
        b.Time(saveAs, [&] { b.action("acSaveAs")->trigger(); });
        if (w.Db().FileName != file)
            saveAs.failed = true;
    }
    w.ChooseSaveFile = chooser;
    rows.push_back(saveAs);
}

void timeLookupEditor(TBench &b, TfmMain &w, std::vector<TRow> &rows)
{
    TRow open{"open the lookup list editor until shown"};
    for (int run = 0; run < b.runs(); ++run)
        b.Time(open, [&] {
            whenModal("fmLookupLists", [&](QDialog *d) {
                b.EndAt(untilIdle()); // shown, painted and answering
                child<QAbstractButton>(d, "btClose")->click();
            });
            b.action("acEditLookupLists")->trigger();
        });
    rows.push_back(open);

    TRow close{"close the lookup list editor after a change (saves)", 100, 500, -1, true};
    for (int run = 0; run < b.runs(); ++run) {
        const qsizetype artists = w.Db().LookupList(fdArtist).Count();
        b.Time(close, [&] {
            whenModal("fmLookupLists", [&](QDialog *d) {
                whenModal("fmLookupEdit", [&](QDialog *entry) {
                    child<QLineEdit>(entry, "edSortName")
                        ->setText(QStringLiteral("Newcomer %1, Bench").arg(run + 1));
                    child<QAbstractButton>(entry, "btOK")->click();
                });
                child<QAction>(d, "acAdd")->trigger();
                untilIdle();
                b.InputNow();
                child<QAbstractButton>(d, "btClose")->click();
            });
            b.action("acEditLookupLists")->trigger();
        });
        close.failed = close.failed || w.Db().LookupList(fdArtist).Count() != artists + 1;
    }
    rows.push_back(close);
}

// Many albums selected in the list of every album and removed at once, where the list
// lets more than one row be selected.
void timeRemoveMany(TBench &b, TfmMain &w, std::vector<TRow> &rows)
{
    const int count = 100;
    TRow remove{"remove 100 selected albums, Yes (saves)", 100, 500, -1, true};
    b.folders(fdNone)->trigger();
    b.Settle();
    b.SelectNode({});
    QTableView *table = b.list()->Details();
    if (table->selectionMode() == QAbstractItemView::SingleSelection) {
        remove.note = "n/a: the list selects one row";
        rows.push_back(remove);
        return;
    }
    for (int run = 0; run < b.runs(); ++run) {
        if (b.ListRows() < count)
            break;
        QAbstractItemModel *model = table->model();
        table->setCurrentIndex(model->index(0, 0));
        table->selectionModel()->select(
            QItemSelection(model->index(0, 0), model->index(count - 1, model->columnCount() - 1)),
            QItemSelectionModel::Select | QItemSelectionModel::Rows);
        untilIdle();
        const qsizetype before = w.Db().AlbumCount();
        g_ui->questions.clear();
        b.Time(remove, [&] { b.action("acRemoveAlbum")->trigger(); });
        if (w.Db().AlbumCount() != before - count || g_ui->questions.size() != 1) {
            remove.failed = true;
            remove.note = "removed " + std::to_string(before - w.Db().AlbumCount()) + " after " +
                          std::to_string(g_ui->questions.size()) + " question(s)";
        }
    }
    rows.push_back(remove);
}

void timeTrackView(TBench &b, TfmMain &w, std::vector<TRow> &rows)
{
    b.action("acTrackView")->trigger();
    b.Settle();

    TRow noFolders{"track view: \"No Folders\""};
    for (int run = 0; run < b.runs(); ++run) {
        b.folders(fdArtist)->trigger();
        b.Settle();
        b.Time(noFolders, [&] { b.folders(fdNone)->trigger(); });
        noFolders.failed = noFolders.failed || !b.folders(fdNone)->isChecked();
    }
    b.SelectNode({});
    noFolders.note = std::to_string(b.ListRows()) + " rows";
    rows.push_back(noFolders);

    TRow toTracks{"switch to the track view (No Folders)"};
    for (int run = 0; run < b.runs(); ++run) {
        b.action("acAlbumView")->trigger();
        b.Settle();
        b.Time(toTracks, [&] { b.action("acTrackView")->trigger(); });
        toTracks.failed = toTracks.failed || !b.action("acTrackView")->isChecked();
    }
    rows.push_back(toTracks);

    b.SelectNode({});
    TRow sort{"sort the track list by Year (header click)"};
    for (int run = 0; run < b.runs(); ++run) {
        b.ClickHeader(fdTitle);
        b.Settle();
        b.Time(sort, [&] { b.ClickHeader(fdYear); });
        sort.failed = sort.failed || b.list()->SortTag() != int(fdYear);
    }
    rows.push_back(sort);

    // Each letter a search of its own: typed after the keyboard's input interval.
    TRow typing{"type-ahead: a letter to the title-sorted list"};
    b.ClickHeader(fdTitle);
    b.Settle();
    QAbstractItemView *view = b.list()->Current();
    view->setFocus();
    for (int run = 0; run < b.runs(); ++run) {
        waitMs(QApplication::keyboardInputInterval() + 50);
        b.Time(typing, [&] {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_M, Qt::NoModifier, QStringLiteral("m"));
            QApplication::sendEvent(view, &press);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_M, Qt::NoModifier, QStringLiteral("m"));
            QApplication::sendEvent(view, &release);
        });
        typing.failed = typing.failed || child<QLabel>(&w, "pnSearch")->text() != u"m";
    }
    rows.push_back(typing);

    // A filter on the tracks' titles, made in its dialog, then switched off.
    TRow filterOff{"switch the filter off (track view)"};
    whenModal("fmFilter", [](QDialog *d) {
        child<QLineEdit>(d, "edTitle")->setText(QStringLiteral("Thunder"));
        child<QAbstractButton>(d, "btOk")->click();
    });
    b.action("acSetFilter")->trigger();
    b.Settle();
    QAction *onOff = b.action("acFilterOnOff");
    for (int run = 0; run < b.runs(); ++run) {
        if (!onOff->isChecked()) {
            onOff->trigger();
            b.Settle();
        }
        if (!onOff->isChecked()) {
            filterOff.note = "the filter could not be switched on";
            break;
        }
        const int filtered = b.ListRows();
        b.Time(filterOff, [&] { onOff->trigger(); });
        if (onOff->isChecked())
            filterOff.failed = true;
        filterOff.note = std::to_string(filtered) + " rows with the filter, " +
                         std::to_string(b.ListRows()) + " without";
    }
    rows.push_back(filterOff);
}

void printTable(const std::vector<TRow> &rows)
{
    std::printf("%-52s %8s %8s %8s %10s %10s %8s %5s  %-40s %s\n", "action", "median", "max",
                "cpu med", "disk med", "disk max", "stall", "busy", "target (ms)", "verdict");
    for (const TRow &r : rows) {
        std::printf("%-52s %8s %8s %8s %10s %10s %8s %5s  %-40s %s", r.action.c_str(),
                    fixed(median(r.ms)).c_str(), fixed(maxOf(r.ms)).c_str(),
                    fixed(median(r.cpu)).c_str(), r.saves ? fixed(median(r.disk)).c_str() : "",
                    r.saves ? fixed(maxOf(r.disk)).c_str() : "",
                    r.saves ? fixed(maxOf(r.stall)).c_str() : "",
                    r.ms.empty() ? "" : (r.busy ? "yes" : "no"), r.target().c_str(),
                    r.verdict().c_str());
        if (!r.note.empty())
            std::printf("  (%s)", r.note.c_str());
        std::printf("\n");
    }
    std::printf("times in ms from the input to the window's next idle moment (wall clock; cpu: "
                "the interface thread's processor time); disk: until the file is on disk; stall: "
                "the longest time the interface thread was busy in one go while the file was being "
                "written; busy: the busy cursor was shown\n");
}

// Child mode: one start of the window, printed as "start WINDOW MAIN WINDOW_CPU MAIN_CPU"
// (milliseconds from constructing the window and from main() to the first paint).
int startChild(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Qel Music"));
    TIconLists::Instance();
    TBenchInterface ui;
    SetUserInterface(&ui);
    InstallProcessWindows();

    const double before = nowMs();
    const double beforeCpu = cpuMs();
    TfmMain window({});
    double paintedAt = -1;
    double paintedCpu = -1;
    struct TFirstPaint : QObject
    {
        std::function<void()> painted;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint && painted) {
                // Once this paint has been delivered.
                QMetaObject::invokeMethod(this, painted, Qt::QueuedConnection);
                painted = nullptr;
            }
            return false;
        }
    } firstPaint;
    firstPaint.painted = [&] {
        paintedAt = nowMs();
        paintedCpu = cpuMs();
        QApplication::quit();
    };
    window.installEventFilter(&firstPaint);
    window.show();
    QApplication::exec();
    std::printf("start %.1f %.1f %.1f %.1f\n", paintedAt - before, paintedAt,
                paintedCpu - beforeCpu, paintedCpu);
    std::fflush(stdout);
    // Tearing down a large collection is no part of the start.
    std::_Exit(0);
}

} // namespace

int main(int argc, char **argv)
{
    g_clock.start();
    int albums = 100000;
    int runs = 3;
    bool isChild = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--albums" && i + 1 < argc) {
            albums = std::atoi(argv[++i]);
        } else if (a == "--runs" && i + 1 < argc) {
            runs = std::atoi(argv[++i]);
        } else if (a == "--start-child") {
            isChild = true;
        } else if (a.rfind("--benchmark_", 0) == 0) {
            // For the other programs when bench/run.sh runs them all.
        } else {
            std::fprintf(stderr, "usage: bench_window [--albums N] [--runs N]\n");
            return 2;
        }
    }
    if (albums < 1 || runs < 1) {
        std::fprintf(stderr, "bench_window: --albums and --runs take a positive number\n");
        return 2;
    }
    if (isChild)
        return startChild(argc, argv);

    const double programStart = nowMs();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Settings, data and backups in the work folder; the start runs inherit them.
    const QString work = bench::WorkDir();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(work + QStringLiteral("/config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(work + QStringLiteral("/data")));
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString runtime = work + QStringLiteral("/runtime");
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    }

    const QString collection = work + QStringLiteral("/window-%1.qel").arg(albums);
    qint64 tracks = 0;
    {
        const double start = nowMs();
        TQelDb db;
        GenerateCollection(db, albums, 1);
        db.Save(collection);
        tracks = bench::CountTracks(db);
        std::fprintf(stderr, "[generated %d albums, %lld tracks in %.1f s]\n", albums,
                     static_cast<long long>(tracks), (nowMs() - start) / 1000);
    }
    {
        TIniSettingsStore settings;
        settings.WriteString(QStringLiteral("Databases"), QStringLiteral("CurrentDatabase"),
                             collection);
        settings.WriteString(QStringLiteral("Folders"), QStringLiteral("Data"), work);
        if (!settings.Sync()) {
            std::fprintf(stderr, "bench_window: %s\n", qPrintable(settings.ErrorString()));
            return 1;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Qel Music"));
    TIconLists::Instance();
    TBenchInterface ui;
    SetUserInterface(&ui);
    g_ui = &ui;
    InstallProcessWindows();
    TActivity activity;
    g_activity = &activity;
    app.installEventFilter(&activity);

    const double loadBefore = loadAverage();
    std::vector<TRow> rows;
    std::fprintf(stderr, "[start, %d fresh processes]\n", runs);
    timeStart(rows, runs);

    std::fprintf(stderr, "[the window for the other actions]\n");
    try {
        bench::ResetPeakResident(); // the generator's peak is no part of the window's
    } catch (const std::exception &e) {
        std::fprintf(stderr, "[%s]\n", e.what());
    }
    auto window = std::make_unique<TfmMain>(QStringList());
    window->show();
    untilIdle();
    const qint64 residentKb = bench::ProcStatusKb("VmRSS:");
    {
        TBench b(*window, runs);
        timeEdits(b, *window, rows, work);
        timeLookupEditor(b, *window, rows);
        timeRemoveMany(b, *window, rows);
        timeTrackView(b, *window, rows);
        b.Settle();
    }

    std::printf("bench_window: the main window (%s platform) on %d albums, %lld tracks, "
                "%.1f MB file (seed 1); median and max of %d runs\n",
                qPrintable(QGuiApplication::platformName()), albums, static_cast<long long>(tracks),
                double(QFileInfo(collection).size()) / 1e6, runs);
    printTable(rows);
    std::printf("memory: %.0f MB resident with the window open, %.0f MB at the peak of the "
                "actions\n",
                double(residentKb) / 1024, double(bench::ProcStatusKb("VmHWM:")) / 1024);
    if (!ui.messages.isEmpty())
        std::printf("messages shown: %lld (see above)\n",
                    static_cast<long long>(ui.messages.size()));
    std::printf("run time %.0f s; load average (1 min) %.2f before the runs, %.2f after, on %d "
                "processors\n",
                (nowMs() - programStart) / 1000, loadBefore, loadAverage(),
                int(std::thread::hardware_concurrency()));
    std::fflush(stdout);

    window->close();
    window.reset();
    return 0;
}
