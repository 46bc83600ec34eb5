#include "app/tune/tunecommand.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <cmath>

namespace {

QString runTune(const QStringList& arguments) {
    QString output;
    QString errors;
    QTextStream out(&output);
    QTextStream err(&errors);
    std::atomic<bool> cancelationRequest{false};
    const int status = tune::run(arguments, out, err, cancelationRequest, false);
    out.flush();
    return status == tune::Success ? output : QStringLiteral("failed: ") + errors;
}

// The cents of the text output, one per tuned note.
std::vector<double> textCents(const QString& text) {
    const QStringList lines = text.split(QLatin1Char('\n'));
    std::vector<double> cents;
    for (qsizetype k = lines.indexOf(QStringLiteral("Cents tuning")) + 1;
         k > 0 && k < lines.size() && !lines[k].isEmpty(); ++k) {
        cents.push_back(lines[k].toDouble());
    }
    return cents;
}

} // namespace

// The reports of quillmere-tune: JSON and CSV of the same tuning as the text output.
class TestTuneReport : public QObject {
    Q_OBJECT

private slots:
    void reportsAgreeWithTheText_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("12edo, notes 1,3,5-8, note 8 fixed, dial 700")
            << QStringList{"12edo", "--notes", "1,3,5-8", "--fixed", "8", "--dial", "700"};
        QTest::newRow("7edo uniform") << QStringList{"7edo", "--weights", "uniform"};
        QTest::newRow("5edo, every path, note 3 fixed")
            << QStringList{"5edo", "--dial", "1000", "--fixed", "3"};
    }

    void reportsAgreeWithTheText() {
        QFETCH(QStringList, arguments);
        const std::vector<double> cents = textCents(runTune(arguments));
        QJsonParseError error;
        const QJsonObject report =
            QJsonDocument::fromJson(runTune(arguments + QStringList{"--format", "json"}).toUtf8(),
                                    &error)
                .object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        const QJsonArray notes = report["notes"].toArray();
        QCOMPARE(std::size_t(notes.size()), cents.size());
        QCOMPARE(report["settings"].toObject()["notes"].toArray().size(), notes.size());
        std::map<int, double> centsOf;
        for (qsizetype k = 0; k < notes.size(); ++k) {
            const double value = notes[k].toObject()["cents"].toDouble();
            QVERIFY2(std::fabs(value - cents[std::size_t(k)]) < 1e-9,
                     qPrintable(QString::number(k)));
            centsOf[notes[k].toObject()["note"].toInt()] = value;
        }
        const QJsonArray intervals = report["intervals"].toArray();
        QCOMPARE(intervals.size(), notes.size() * (notes.size() - 1) / 2);
        double largest = 0;
        double weighted = 0;
        double total = 0;
        for (const QJsonValue& value : intervals) {
            const QJsonObject interval = value.toObject();
            const int from = interval["from"].toInt();
            const int to = interval["to"].toInt();
            QVERIFY(from < to && centsOf.count(from) && centsOf.count(to));
            const double tuned = interval["tuned_cents"].toDouble();
            const double deviation = interval["deviation_cents"].toDouble();
            QVERIFY(std::fabs(tuned - (centsOf[to] - centsOf[from])) < 1e-9);
            QVERIFY(std::fabs(deviation - (tuned - interval["stored_cents"].toDouble())) < 1e-9);
            largest = std::max(largest, std::fabs(deviation));
            weighted += interval["weight"].toDouble() * deviation * deviation;
            total += interval["weight"].toDouble();
        }
        QCOMPARE(report["largest_deviation_cents"].toDouble(), largest);
        QVERIFY(std::fabs(report["weighted_rms_deviation_cents"].toDouble() -
                          std::sqrt(weighted / total)) < 1e-9);

        // The CSV is the same table, row by row, with every digit.
        const QStringList csv =
            runTune(arguments + QStringList{"--format", "csv"}).trimmed().split('\n');
        QCOMPARE(csv.size(), notes.size() + 1);
        QCOMPARE(csv.front(), QStringLiteral("note,ratio,cents,deviation_from_stored_cents,"
                                             "deviation_from_equal_cents,fixed"));
        for (qsizetype k = 0; k < notes.size(); ++k) {
            const QStringList cells = csv[k + 1].split(',');
            const QJsonObject note = notes[k].toObject();
            QCOMPARE(cells[0].toInt(), note["note"].toInt());
            QCOMPARE(cells[2].toDouble(), note["cents"].toDouble());
            QCOMPARE(cells[3].toDouble(), note["deviation_from_stored_cents"].toDouble());
            QCOMPARE(cells[5] == "true", note["fixed"].toBool());
        }
    }
};

QTEST_GUILESS_MAIN(TestTuneReport)
#include "tst_tune_report.moc"
