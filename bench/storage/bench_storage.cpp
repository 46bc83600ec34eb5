// Start-up cost of writing the built-in scale spaces into an empty library folder.
//
// The library folder is fixed before main from XDG_CONFIG_HOME, and every iteration deletes
// it, so run this only with a throw-away configuration folder:
//   XDG_CONFIG_HOME=$(mktemp -d) bench_storage
//       --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include "app/shared/storageconstants.h"
#include "storage/dbmanager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <iomanip>
#include <sstream>
#include <utility>
#include <vector>

namespace {

std::vector<std::pair<QString, SizePattern>> defaultPatterns;

void emptyLibrary(benchmark::State& state) {
    state.PauseTiming();
    QDir(configPath).removeRecursively();
    state.ResumeTiming();
}

void BM_Initialise(benchmark::State& state) {
    for (auto _ : state) {
        emptyLibrary(state);
        dbManager::initialise();
    }
}

// Baseline: the same files written without a transaction, one autocommitted statement per
// cell, as a plain reading of the file format would do it.
void writeAutocommit(const QString& name, const SizePattern& pattern) {
    const QString connection = QUuid::createUuid().toString();
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        database.setDatabaseName(QDir(pitchSpacesPath).filePath(name + "." + fileExtension));
        database.open();
        QSqlQuery query(database);
        query.exec("CREATE TABLE IF NOT EXISTS matrix (row_id INTEGER, col_id INTEGER, "
                   "value TEXT, PRIMARY KEY(row_id, col_id))");
        query.exec("DELETE FROM matrix");
        query.prepare("INSERT INTO matrix (row_id, col_id, value) VALUES (?, ?, ?)");
        for (std::size_t i = 0; i < pattern.size(); ++i) {
            for (std::size_t j = 0; j < pattern[i].size(); ++j) {
                std::ostringstream text;
                text << std::scientific << std::setprecision(17) << pattern[i][j];
                query.addBindValue(int(i));
                query.addBindValue(int(j));
                query.addBindValue(QString::fromStdString(text.str()));
                query.exec();
            }
        }
    }
    QSqlDatabase::removeDatabase(connection);
}

void BM_InitialiseAutocommit(benchmark::State& state) {
    for (auto _ : state) {
        emptyLibrary(state);
        QDir().mkpath(pitchSpacesPath);
        for (const auto& [name, pattern] : defaultPatterns) {
            if (dbManager::createDatabase(name)) {
                writeAutocommit(name, pattern);
            }
        }
    }
}

BENCHMARK(BM_Initialise)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_InitialiseAutocommit)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME") || QFileInfo::exists(configPath)) {
        std::fprintf(stderr, "Run with XDG_CONFIG_HOME set to an empty temporary folder: every "
                             "iteration deletes the library folder.\n");
        return 1;
    }
    dbManager::initialise();
    for (const QString& name : dbManager::databases()) {
        if (const auto file = dbManager::openDatabase(name, pitchSpacesPath)) {
            defaultPatterns.emplace_back(name, file->loadPattern());
        }
    }
    if (defaultPatterns.size() != 7) {
        std::fprintf(stderr, "The built-in scale spaces could not be written.\n");
        return 1;
    }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    QDir(configPath).removeRecursively();
    return 0;
}
