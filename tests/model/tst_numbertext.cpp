#include "model/scalespacemodel.h"
#include "tests/common/streamtext.h"

#include <QTest>

#include <cmath>
#include <cstdint>
#include <limits>
#include <sstream>
#include <vector>

namespace {

using testing::streamText;

// Numbers of every magnitude the table can hold, also beyond a double's range, with the
// awkward ones: ties at every precision, values just below a power of ten, signed zeros,
// infinities, NaNs and long doubles that a double cannot tell from a neighbour.
std::vector<long double> sampleValues() {
    using limits = std::numeric_limits<long double>;
    std::vector<long double> values{0.0L,
                                    -0.0L,
                                    1.0L,
                                    2.0L,
                                    0.5L,
                                    1.25L,
                                    2.5L,
                                    0.125L,
                                    45.0L / 32,
                                    16.0L / 15,
                                    701.955L,
                                    -1200.0L,
                                    9.9995L,
                                    99995.0L,
                                    0.00099995L,
                                    1e-5L,
                                    123456789.0L,
                                    1e15L,
                                    1e16L,
                                    1e-300L,
                                    1e-4000L,
                                    1e4000L,
                                    limits::max(),
                                    limits::min(),
                                    limits::denorm_min(),
                                    limits::infinity(),
                                    -limits::infinity(),
                                    limits::quiet_NaN(),
                                    -limits::quiet_NaN(),
                                    1 + std::ldexp(1.0L, -60),
                                    1 - std::ldexp(1.0L, -62)};
    // A fixed pseudo-random walk over mantissas and exponents (xorshift).
    std::uint64_t state = 0x2545F4914F6CDD1DULL;
    for (int i = 0; i < 1500; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        const long double mantissa =
            1 + static_cast<long double>(state >> 11) / 9007199254740992.0L;
        const int exponent = static_cast<int>(state % 161) - 80;
        const long double value = std::ldexp(mantissa, exponent) * ((state & 1) ? -1 : 1);
        values.push_back(value);
        values.push_back(1200 * std::log2(std::fabs(value)));
    }
    return values;
}

} // namespace

class TestNumberText : public QObject {
    Q_OBJECT

private slots:
    // A double has too few digits for this one: the text must come from the long double.
    void keepsLongDoubleDigits() {
        QCOMPARE(formatNumber(1 + std::ldexp(1.0L, -60), 19, false), "1.000000000000000001");
    }

    void matchesStringStream_data() {
        QTest::addColumn<bool>("scientific");
        QTest::newRow("general") << false;
        QTest::newRow("scientific") << true;
    }

    void matchesStringStream() {
        QFETCH(bool, scientific);
        const std::vector<long double> values = sampleValues();
        int compared = 0;
        for (int precision = -1; precision <= 20; ++precision) {
            for (const long double value : values) {
                const QString expected = streamText(value, precision, scientific);
                const QString actual = formatNumber(value, precision, scientific);
                if (actual != expected) {
                    QFAIL(qPrintable(QStringLiteral("precision %1: \"%2\", the stream gives \"%3\"")
                                         .arg(precision)
                                         .arg(actual, expected)));
                }
                ++compared;
            }
        }
        QCOMPARE(compared, 22 * int(values.size()));
        // Precisions too long for the quick path still agree.
        QCOMPARE(formatNumber(1.0L / 3, 200, scientific), streamText(1.0L / 3, 200, scientific));
    }
};

QTEST_APPLESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
