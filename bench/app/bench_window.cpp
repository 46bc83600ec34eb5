// Opening the main window in-process, as start-up does after the application object exists:
// rewriting the library, building the window and showing it until it is exposed. Runs on any
// platform plugin, offscreen included. The baseline is an empty QMainWindow shown the same way.

#include "app/mainwindow.h"
#include "storage/dbmanager.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <unistd.h>

namespace {

void BM_BareWindowShown(benchmark::State& state) {
    for (auto _ : state) {
        QMainWindow window;
        window.setWindowTitle(QStringLiteral("baseline"));
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) {
            state.SkipWithError("window not exposed");
            break;
        }
    }
}
BENCHMARK(BM_BareWindowShown)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_InitialiseLibrary(benchmark::State& state) {
    for (auto _ : state) {
        dbManager::initialise();
    }
}
BENCHMARK(BM_InitialiseLibrary)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_MainWindowShown(benchmark::State& state) {
    for (auto _ : state) {
        dbManager::initialise();
        MainWindow window;
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) {
            state.SkipWithError("window not exposed");
            break;
        }
    }
}
BENCHMARK(BM_MainWindowShown)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    // The library folder is fixed before main from XDG_CONFIG_HOME: without a folder of our
    // own, start again with one, so that the user's scale spaces are never touched.
    const char* marker = "QUILLMERE_BENCH_CONFIG";
    if (!std::getenv(marker)) {
        char folder[] = "/tmp/quillmere-bench.XXXXXX";
        if (!mkdtemp(folder)) {
            return 1;
        }
        setenv("XDG_CONFIG_HOME", folder, 1);
        setenv(marker, folder, 1);
        execv("/proc/self/exe", argv);
        return 1;
    }
    {
        QApplication application(argc, argv);
        initialisePalette();
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    }
    QDir(QString::fromLocal8Bit(std::getenv(marker))).removeRecursively();
    return 0;
}
