// Scale space files as the window and quillmere-tune read them: the bytes become a file,
// which is read and must stay exactly as it was, with nothing created beside it. libFuzzer's
// -timeout and -malloc_limit_mb bound the time and memory of one read.
#include "storage/dbcurrnet.h"
#include "storage/dbmanager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

struct Workspace {
    Workspace() {
        static int argc = 1;
        static char name[] = "fuzz_scalespacefile";
        static char* argv[] = {name, nullptr};
        application = std::make_unique<QCoreApplication>(argc, argv);
        if (!folder.isValid()) {
            std::abort();
        }
    }
    std::unique_ptr<QCoreApplication> application;
    QTemporaryDir folder;
};

Workspace& workspace() {
    static Workspace instance;
    return instance;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QDir folder(workspace().folder.path());
    const QString path = folder.filePath(QStringLiteral("input.qmx"));
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size()) {
            std::abort();
        }
    }
    const dbManager::ScaleSpaceRead read = dbManager::readScaleSpace(path);
    if (read.failure == dbManager::ReadFailure::None) {
        if (read.pattern.empty() || read.pattern.size() > std::size_t(dbCurrnet::indexLimit)) {
            std::abort();
        }
        for (const auto& row : read.pattern) {
            if (row.size() > std::size_t(dbCurrnet::indexLimit)) {
                std::abort();
            }
        }
    } else if (!read.pattern.empty() || dbManager::describeReadFailure(read.failure).isEmpty()) {
        std::abort();
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.readAll() != bytes) {
        std::abort();
    }
    if (folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size() != 1) {
        std::abort();
    }
    return 0;
}
