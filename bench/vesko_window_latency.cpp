// Measures Vesko's Qt window as a user meets it (offscreen, not part of the
// tests): for each keystroke of the queries typed one key at a time, the
// time from the key to its first results shown (the list's first reset after
// the key, painted) and to the complete results; and, over the whole
// run, the longest time the window's event loop went without a turn (a
// timer asks for one every 5 ms), which says whether the window stayed
// responsive while searches ran.
//
//   vesko_window_latency --catalogues DIR [--pause MS] [--index-folder DIR] QUERY...
//
// --index-folder searches through the catalogues' indexes in DIR (as the
// program does in the user's cache folder; missing ones are built meanwhile).
// A QUERY with a "|" in it is typed from there: what comes before the bar is
// put in the box at once, unmeasured (`zebr|acorn` measures the keys "a" to
// "n" only, after "zebr"), so a rare word's keys can be measured and profiled
// without the scans of its first letters.
// --pause is the time between keystrokes (default 0: each key right after
// the previous one's results are painted). With a short pause, keystrokes
// come while a search runs and cancel it; the latency is then measured for
// the last key of each query.

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "hosts/qt/vesko_qt_window.h"
#include "platform/memory_reuse.h"

using namespace korvint;

int main(int argc, char** argv) {
  platform::keep_freed_memory_for_reuse();  // as the program's main() does
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  std::vector<std::string> folders;
  std::vector<std::string> queries;
  int pause = 0;
  jobs::VeskoServices services;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--catalogues" && i + 1 < argc) {
      folders.emplace_back(argv[++i]);
    } else if (argument == "--index-folder" && i + 1 < argc) {
      services.index_folder = argv[++i];
    } else if (argument == "--pause" && i + 1 < argc) {
      pause = std::stoi(argv[++i]);
    } else {
      queries.push_back(argument);
    }
  }
  if (folders.empty() || queries.empty()) {
    std::fprintf(stderr, "usage: vesko_window_latency --catalogues DIR [--pause MS] [--index-folder DIR] QUERY...\n");
    return 2;
  }

  hosts::qt::VeskoQtWindow window(app::VeskoWindowOptions{folders, {}}, {}, "", services);
  window.vesko().Form_Load();
  auto& session = window.vesko().session();
  // Waits as the window does, asleep until an event comes: a loop that polls
  // would take a core from the search on a machine of two.
  auto wait_idle = [&] {
    while (session.working()) QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  };
  QElapsedTimer clock;
  clock.start();
  wait_idle();
  std::printf("catalogues read and checked in %lld ms\n", static_cast<long long>(clock.elapsed()));

  // The event loop's longest gap between two turns.
  qint64 last_turn = clock.elapsed();
  qint64 longest_gap = 0;
  QTimer heartbeat;
  QObject::connect(&heartbeat, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    longest_gap = std::max(longest_gap, now - last_turn);
    last_turn = now;
  });
  heartbeat.start(5);

  auto& query = static_cast<QLineEdit&>(window.control(ui::VeskoControlId::txtQuery));
  auto& results = static_cast<QTableView&>(window.control(ui::VeskoControlId::lstResults));
  std::printf("%-16s %10s %10s %10s\n", "typed", "results", "first ms", "all ms");
  std::vector<qint64> latencies;
  std::vector<qint64> first_latencies;
  qint64 first_shown = -1;
  QObject::connect(results.model(), &QAbstractItemModel::modelReset, [&] {
    if (first_shown >= 0) return;
    results.viewport()->grab();
    first_shown = clock.elapsed();
  });
  for (std::string text : queries) {
    query.clear();
    wait_idle();
    std::size_t typed_from = 0;
    if (const auto bar = text.find('|'); bar != std::string::npos) {
      text.erase(bar, 1);
      typed_from = bar;
      query.setText(QString::fromStdString(text.substr(0, bar)));
      wait_idle();
    }
    for (std::size_t i = typed_from; i < text.size(); ++i) {
      const bool last = i + 1 == text.size();
      // The window's own repaint of what the last key showed (an update the
      // table asked for) is done before the next key: it belongs to that key.
      QApplication::processEvents();
      const qint64 key = clock.elapsed();
      first_shown = -1;
      QTest::keyClick(&query, text[i]);
      if (!last && pause > 0) {
        const qint64 until = clock.elapsed() + pause;
        while (clock.elapsed() < until) QApplication::processEvents(QEventLoop::AllEvents, 1);
        continue;
      }
      wait_idle();
      results.viewport()->grab();  // the rows on screen painted from the model
      const qint64 took = clock.elapsed() - key;
      const qint64 first = first_shown - key;
      latencies.push_back(took);
      first_latencies.push_back(first);
      std::printf("%-16s %10zu %10lld %10lld\n", text.substr(0, i + 1).c_str(), session.results().row_count(),
                  static_cast<long long>(first), static_cast<long long>(took));
    }
  }
  std::sort(latencies.begin(), latencies.end());
  std::sort(first_latencies.begin(), first_latencies.end());
  std::printf("keystrokes: %zu; first results: median %lld ms, worst %lld ms; all results: median %lld ms, worst %lld ms;"
              " longest event-loop gap %lld ms\n",
              latencies.size(), static_cast<long long>(first_latencies[first_latencies.size() / 2]),
              static_cast<long long>(first_latencies.back()), static_cast<long long>(latencies[latencies.size() / 2]),
              static_cast<long long>(latencies.back()), static_cast<long long>(longest_gap));
  return 0;
}
