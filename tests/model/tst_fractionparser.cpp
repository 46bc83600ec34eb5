#include "model/scalespacemodel.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <stdexcept>

namespace {

enum class Outcome { Value, InvalidArgument, RuntimeError, OtherException };

// What parseFraction did with the text: its value, or which exception it threw.
Outcome parse(const QString& text, long double& value, QString& message) {
    try {
        value = parseFraction(text);
        return Outcome::Value;
    } catch (const std::invalid_argument& exception) {
        message = exception.what();
        return Outcome::InvalidArgument;
    } catch (const std::runtime_error& exception) {
        message = exception.what();
        return Outcome::RuntimeError;
    } catch (...) {
        return Outcome::OtherException;
    }
}

} // namespace

Q_DECLARE_METATYPE(Outcome)

class TestFractionParser : public QObject {
    Q_OBJECT

private slots:
    void signsAndRanges_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<long double>("value");
        const QString digits5000(5000, '9');
        QTest::newRow("-0 1/2") << "-0 1/2" << Outcome::Value << -0.5L;
        QTest::newRow("0 1/2") << "0 1/2" << Outcome::Value << 0.5L;
        QTest::newRow("-00 3/4") << " -00 3/4 " << Outcome::Value << -0.75L;
        QTest::newRow("-1 1/2") << "-1 1/2" << Outcome::Value << -1.5L;
        QTest::newRow("-0 0/2 is zero") << "-0 0/2" << Outcome::Value << 0.0L;
        QTest::newRow("mixed denominator beyond 32 bits")
            << "1 1/3000000000" << Outcome::InvalidArgument << 0.0L;
        QTest::newRow("whole of 5000 digits") << digits5000 << Outcome::InvalidArgument << 0.0L;
        QTest::newRow("numerator of 5000 digits")
            << "1 " + digits5000 + "/7" << Outcome::InvalidArgument << 0.0L;
        QTest::newRow("denominator of 5000 digits")
            << "1/" + digits5000 << Outcome::RuntimeError << 0.0L;
        QTest::newRow("mixed denominator of 5000 digits")
            << "1 1/" + digits5000 << Outcome::InvalidArgument << 0.0L;
        QTest::newRow("leading zeros") << "-" + QString(5000, '0') + "7" << Outcome::Value << -7.0L;
    }

    void signsAndRanges() {
        QFETCH(QString, text);
        QFETCH(Outcome, outcome);
        QFETCH(long double, value);
        long double parsed = 0;
        QString message;
        QCOMPARE(parse(text, parsed, message), outcome);
        if (outcome == Outcome::Value) {
            QCOMPARE(parsed, value);
            QCOMPARE(std::signbit(parsed), std::signbit(value));
        }
    }

    // Texts built from the characters of the grammar: whatever they are, the parser gives a
    // value exactly when isFraction holds, and otherwise only its two documented exceptions.
    void onlyDocumentedExceptions() {
        const QString alphabet = QStringLiteral("0123456789999-/ \t+.e");
        QRandomGenerator random(20261208);
        int values = 0;
        for (int round = 0; round < 20000; ++round) {
            QString text;
            const int length = random.bounded(1, round % 10 == 0 ? 40 : 14);
            for (int i = 0; i < length; ++i) {
                text += alphabet.at(random.bounded(int(alphabet.size())));
            }
            long double parsed = 0;
            QString message;
            const Outcome outcome = parse(text, parsed, message);
            QVERIFY2(outcome != Outcome::OtherException, qPrintable(text));
            if (!isFraction(text)) {
                QCOMPARE(outcome, Outcome::InvalidArgument);
                QCOMPARE(message, QStringLiteral("Invalid fraction format"));
            } else if (outcome == Outcome::Value) {
                QVERIFY2(std::isfinite(parsed), qPrintable(text));
                ++values;
            } else if (outcome == Outcome::RuntimeError) {
                QCOMPARE(message, QStringLiteral("Denominator cannot be zero"));
            }
        }
        // The alphabet makes valid fractions common enough that the value path is exercised.
        QVERIFY(values > 100);
    }
};

QTEST_APPLESS_MAIN(TestFractionParser)
#include "tst_fractionparser.moc"
