#pragma once

#include "records/GameReading.h"

#include <QDialog>
#include <QDir>
#include <QList>

#include <array>

class QChart;
class QChartView;
class QLabel;
class QProgressBar;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class ResultsLoader;

// The games saved in a folder, newest first, with charts of the chosen one and of its
// participant's games. Games are read in the background; damaged files are listed with what is
// wrong with them.
class ResultsDlg : public QDialog {
    Q_OBJECT
public:
    enum Chart { periodsChart, learningChart, timingChart, pathChart, scoresChart, answersChart, chartCount };

    explicit ResultsDlg(QWidget* parent = nullptr);
    ~ResultsDlg() override;

    // A window of its own over parent (or alone), deleted when closed.
    static ResultsDlg* showFor(const QDir& folder, QWidget* parent = nullptr);

    void openFolder(const QDir& folder);
    QDir folder() const { return folder_; }
    bool loading() const;

    const QList<GameReading::Game>& games() const { return games_; }
    int selectedGame() const;
    void selectGame(int row);
    void selectPeriod(int period);
    QChart* chart(Chart which) const;
    QTableWidget* table() const { return table_; }
    QProgressBar* progress() const { return progress_; }
    QTabWidget* tabs() const { return tabs_; }

    // PNG or SVG by the path's suffix; false when it cannot be written.
    bool saveChart(Chart which, const QString& path) const;

signals:
    void loadFinished();

private:
    void addGames(const QList<GameReading::Game>& games, int done, int total);
    void showGame(int row);
    void showPath();
    void setChart(Chart which, QChart* chart);
    void saveCurrentChart(const QString& format);
    void chooseFolder();

    QDir folder_;
    QList<GameReading::Game> games_;
    ResultsLoader* loader;
    QLabel* folderLabel;
    QProgressBar* progress_;
    QTableWidget* table_;
    QTabWidget* tabs_;
    QLabel* problems;
    QSpinBox* period;
    std::array<QChartView*, chartCount> views{};
};
