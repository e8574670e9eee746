// SPDX-License-Identifier: GPL-3.0-or-later
// How quickly the window's buffer pane opens and scrolls a large chip, and
// how much memory it takes for it.
//
// A 1 MB chip must open (the bytes handed over and the first paint of the view)
// in under 50 ms, scroll a page in much less, and the pane must hold it in
// less than twice its size: the bytes themselves, a bit for each byte that
// differs, and nothing per row. Shown for a 512 KB and a 1 MB buffer, with
// one byte in 64 differing.
//
//   QT_QPA_PLATFORM=offscreen buffer_view_bench [runs]   (default 20 runs)

#include <malloc.h>

#include <QApplication>
#include <QScrollBar>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "window/buffer_view.h"

namespace {

constexpr double kOpenBudgetMs = 50;

double Ms(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since)
        .count();
}

// What the heap holds now, in bytes: its arena and the large blocks it
// maps on their own (a buffer of a megabyte is one of those).
std::size_t HeapInUse() {
    const struct mallinfo2 now = mallinfo2();
    return now.uordblks + now.hblkhd;
}

struct Buffer {
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint64_t> marks;
};

Buffer MakeBuffer(std::size_t size) {
    std::mt19937 random(size);
    Buffer buffer;
    buffer.bytes.resize(size);
    for (std::uint8_t& byte : buffer.bytes) byte = static_cast<std::uint8_t>(random());
    buffer.marks.assign(size / 64, 0);
    for (std::uint64_t& word : buffer.marks) word = std::uint64_t{1} << (random() % 64);
    return buffer;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    dspprog::BufferView view;
    view.resize(800, 600);
    view.show();
    QApplication::processEvents();

    // Once through a small buffer first: the fonts' glyphs and the painter's
    // caches are made once for the program, not for each buffer.
    Buffer warm = MakeBuffer(4096);
    view.Show("bench", std::move(warm.bytes), std::move(warm.marks));
    view.repaint();

    bool within = true;
    for (std::size_t size : {std::size_t{512} * 1024, std::size_t{1024} * 1024}) {
        std::vector<double> open;
        std::vector<double> scroll;
        std::size_t held = 0;
        for (int run = 0; run < runs; ++run) {
            view.Show("bench", {});
            QApplication::processEvents();
            Buffer buffer = MakeBuffer(size);
            const std::size_t before = HeapInUse() - size - buffer.marks.size() * 8;
            const auto start = std::chrono::steady_clock::now();
            view.Show("bench", std::move(buffer.bytes), std::move(buffer.marks));
            view.repaint();
            open.push_back(Ms(start));
            held = std::max(held, HeapInUse() - before);

            // A page at a time through the first 200 pages.
            QScrollBar* bar = view.Table->verticalScrollBar();
            const auto scrolled = std::chrono::steady_clock::now();
            for (int page = 1; page <= 200; ++page) {
                bar->setValue(page * bar->pageStep());
                view.Table->viewport()->repaint();
            }
            scroll.push_back(Ms(scrolled) / 200);
        }
        std::sort(open.begin(), open.end());
        std::sort(scroll.begin(), scroll.end());
        const double ratio = static_cast<double>(held) / static_cast<double>(size);
        std::printf(
            "%4zu KB: open median %.2f ms, worst %.2f ms (budget %.0f ms); "
            "a page of scrolling %.3f ms; memory %.2f MB = %.2f x the buffer (budget 2 x)\n",
            size / 1024, open[open.size() / 2], open.back(), kOpenBudgetMs,
            scroll[scroll.size() / 2], static_cast<double>(held) / 1048576.0, ratio);
        within = within && open[open.size() / 2] < kOpenBudgetMs && ratio < 2;
    }
    std::printf("%s\n", within ? "within budget" : "OVER BUDGET");
    return within ? 0 : 1;
}
