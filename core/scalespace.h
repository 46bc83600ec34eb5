#pragma once

#include <QObject>
#include <QString>

#include <vector>

using SizePattern = std::vector<std::vector<long double>>;

// A named pitch space of N notes within one period. Row i of the size pattern holds the
// N - i sizes from note i up to notes i + 1 ... N, where note N is note 0 one repetition
// interval up; every other interval is derived from these. The sizes need not agree with
// one another.
class ScaleSpace : public QObject {
    Q_OBJECT

public:
    explicit ScaleSpace(const QString& name = QString(), const SizePattern& sizes = {},
                        QObject* parent = nullptr);

    QString getName() const { return name; }

    SizePattern getSizePattern() const { return sizePattern; }
    void setSizePattern(const SizePattern& pattern);
    void setScaleSpace(const QString& newName, const SizePattern& sizes);

    int noteCount() const { return static_cast<int>(sizePattern.size()); }

    // pitch(i) / pitch(j) for any two note numbers, also in other periods.
    long double getIntervalSize(int i, int j) const;
    long double repetitionIntervalSize(const int& k) const;
    int getBaseNote(const int& note) const;
    // Stores the size from note j up to note i (0 <= j < N, j < i <= N); otherwise ignored.
    void setIntervalSize(const int& i, const int& j, const long double& size);

    SizePattern makeSubSizePattern(std::vector<int> notes) const;
    void addNote(int note, std::vector<long double> sizes);
    void removeNote(int note);

    static bool isValidPattern(const SizePattern& pattern);

signals:
    void spaceTooSmall(bool tooSmall);
    void sizeChanged(int newSize);

private:
    QString name;
    SizePattern sizePattern;
};
