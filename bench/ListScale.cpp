// The mail list of 100,000 rows in its view on the offscreen platform: a full scroll from top
// to bottom, page by page, each page painted; and a re-check that finds every message seen.
#include "app/MailListView.h"
#include "mail/MailList.h"
#include "mail/MailListModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>

using namespace mervantic;

namespace {

void fill(MailList& list, int count) {
    for (int n = 1; n <= count; ++n)
        list.addMessageRow(QStringLiteral("Bench"), QStringLiteral("bench"), QStringLiteral("pw"),
                           QStringLiteral("Sender Name <sender%1@example.org>").arg(n % 97),
                           QStringLiteral("Benchmark message number %1").arg(n),
                           QStringLiteral("Mon, 4 Jan 2003 09:15:00 -0500"),
                           QStringLiteral("127.0.0.1"), QStringLiteral("110"),
                           QStringLiteral("<%1.bench@example.org>").arg(n));
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;
    MailList list;
    MailListModel model(list);
    model.setBatchInterval(100);
    MailListView view(model);
    view.resize(900, 600);
    view.show();

    QElapsedTimer timer;
    timer.start();
    fill(list, count);
    model.showPendingRows();
    QApplication::processEvents();
    std::printf("%d rows listed and laid out: %.0f ms\n", count,
                static_cast<double>(timer.nsecsElapsed()) / 1e6);
    // What one more batch of rows costs the view once the list is long.
    timer.start();
    for (int n = 0; n < 1000; ++n)
        list.addNoMailRow(QStringLiteral("Bench"), QStringLiteral("bench"));
    model.showPendingRows();
    QApplication::processEvents();
    std::printf("1,000 more rows shown at once: %.1f ms\n",
                static_cast<double>(timer.nsecsElapsed()) / 1e6);

    QScrollBar* bar = view.verticalScrollBar();
    double longest = 0;
    int pages = 0;
    timer.start();
    for (int value = 0; value <= bar->maximum(); value += std::max(1, bar->pageStep())) {
        QElapsedTimer page;
        page.start();
        bar->setValue(value);
        view.viewport()->repaint();
        longest = std::max(longest, static_cast<double>(page.nsecsElapsed()) / 1e6);
        ++pages;
    }
    std::printf("full scroll, %d pages painted: %.0f ms, the slowest page %.2f ms\n", pages,
                static_cast<double>(timer.nsecsElapsed()) / 1e6, longest);

    list.markAllSeen();
    timer.start();
    list.takeSnapshotAndClear();
    fill(list, count);
    model.showPendingRows();
    QApplication::processEvents();
    std::printf("a re-check finding all %d seen: %.0f ms (%d new)\n", count,
                static_cast<double>(timer.nsecsElapsed()) / 1e6, list.newMessageCount());
    return 0;
}
