#include "results/ResultsDlg.h"

#include "results/PaddlePath.h"
#include "results/ResultsCharts.h"
#include "results/ResultsLoader.h"

#include <QChart>
#include <QChartView>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QSvgGenerator>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
const char* const chartNames[] = {"Periods", "Learning", "Frame timing", "Paddle path", "Participant: scores",
                                  "Participant: pain and stiffness"};
const QStringList columns{"Saved", "Participant", "Level", "Difficulty", "Periods", "Score", "Checksums",
                          "Problems"};

QString savedText(const GameReading::Game& game) {
    if (game.record && game.record->start.isValid()) {
        return game.record->start.toUTC().toString("yyyy-MM-dd hh:mm:ss 'UTC'");
    }
    return game.time >= 0 ? QDateTime::fromSecsSinceEpoch(game.time, Qt::UTC).toString("yyyy-MM-dd hh:mm:ss 'UTC'")
                          : game.label;
}
} // namespace

ResultsDlg::ResultsDlg(QWidget* parent) : QDialog(parent), loader(new ResultsLoader(this)) {
    setWindowTitle("Results");
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    resize(1100, 700);
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout();
    folderLabel = new QLabel(this);
    auto* openButton = new QPushButton("&Folder...", this);
    progress_ = new QProgressBar(this);
    progress_->setFormat("%v of %m games read");
    top->addWidget(folderLabel, 1);
    top->addWidget(progress_);
    top->addWidget(openButton);
    layout->addLayout(top);

    auto* splitter = new QSplitter(this);
    table_ = new QTableWidget(0, static_cast<int>(columns.size()), splitter);
    table_->setHorizontalHeaderLabels(columns);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    auto* right = new QWidget(splitter);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    tabs_ = new QTabWidget(right);
    for (int i = 0; i < chartCount; ++i) {
        views[i] = new QChartView(new QChart(), tabs_);
        views[i]->setRenderHint(QPainter::Antialiasing);
        tabs_->addTab(views[i], chartNames[i]);
    }
    rightLayout->addWidget(tabs_, 1);
    problems = new QLabel(right);
    problems->setWordWrap(true);
    problems->setStyleSheet("color: #b00000");
    rightLayout->addWidget(problems);
    auto* buttons = new QHBoxLayout();
    buttons->addWidget(new QLabel("Paddle path of period:", right));
    period = new QSpinBox(right);
    period->setRange(1, 1);
    buttons->addWidget(period);
    buttons->addStretch(1);
    auto* png = new QPushButton("Save chart as &PNG...", right);
    auto* svg = new QPushButton("Save chart as &SVG...", right);
    buttons->addWidget(png);
    buttons->addWidget(svg);
    rightLayout->addLayout(buttons);
    splitter->addWidget(table_);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 2);
    splitter->setSizes({420, 680});
    layout->addWidget(splitter, 1);

    connect(openButton, &QPushButton::clicked, this, &ResultsDlg::chooseFolder);
    connect(png, &QPushButton::clicked, this, [this] { saveCurrentChart("png"); });
    connect(svg, &QPushButton::clicked, this, [this] { saveCurrentChart("svg"); });
    connect(table_, &QTableWidget::currentCellChanged, this, [this](int row) { showGame(row); });
    connect(period, &QSpinBox::valueChanged, this, [this] { showPath(); });
    connect(loader, &ResultsLoader::started, this, [this](int total) {
        progress_->setRange(0, std::max(total, 1));
        progress_->setValue(0);
        progress_->setVisible(total > 0);
    });
    connect(loader, &ResultsLoader::loaded, this, &ResultsDlg::addGames);
    connect(loader, &ResultsLoader::finished, this, [this] {
        progress_->hide();
        if (games_.isEmpty()) {
            problems->setText(QString("No saved games in %1.").arg(folder_.absolutePath()));
        }
        emit loadFinished();
    });
}

ResultsDlg::~ResultsDlg() {
    loader->stop();
}

ResultsDlg* ResultsDlg::showFor(const QDir& folder, QWidget* parent) {
    auto* results = new ResultsDlg(parent);
    results->setAttribute(Qt::WA_DeleteOnClose);
    results->openFolder(folder);
    results->show();
    return results;
}

void ResultsDlg::openFolder(const QDir& folder) {
    loader->stop();
    folder_ = folder;
    folderLabel->setText(QString("Games in %1").arg(folder.absolutePath()));
    games_.clear();
    table_->setRowCount(0);
    problems->clear();
    for (int i = 0; i < chartCount; ++i) {
        setChart(static_cast<Chart>(i), new QChart());
    }
    if (!folder.exists()) {
        problems->setText(QString("There is no folder %1.").arg(folder.absolutePath()));
        progress_->hide();
        emit loadFinished();
        return;
    }
    progress_->show();
    loader->load(folder);
}

bool ResultsDlg::loading() const {
    return loader->loading() || progress_->isVisible();
}

void ResultsDlg::chooseFolder() {
    const QString chosen = QFileDialog::getExistingDirectory(this, "Folder with saved games", folder_.absolutePath());
    if (!chosen.isEmpty()) {
        openFolder(QDir(chosen));
    }
}

void ResultsDlg::addGames(const QList<GameReading::Game>& games, int done, int total) {
    // Filling rows in one go keeps a thousand games from redrawing the table a thousand times.
    table_->setUpdatesEnabled(false);
    for (const GameReading::Game& game : games) {
        const int row = table_->rowCount();
        table_->insertRow(row);
        int hits = 0;
        int missed = 0;
        for (const GameReading::Period& p : game.periods) {
            hits += p.hits;
            missed += p.missed;
        }
        const QJsonObject level = game.record ? game.record->details["level"].toObject() : QJsonObject();
        const QStringList cells{
            savedText(game),
            ResultsCharts::participantOf(game),
            level.contains("name") ? level["name"].toString()
                                   : (game.report.level >= 0 ? QString::number(game.report.level) : QString()),
            level.contains("difficulty") ? QString::number(level["difficulty"].toInt())
                                         : (game.report.difficulty >= 0 ? QString::number(game.report.difficulty)
                                                                        : QString()),
            QString::number(game.periods.size()),
            QString::number(hits - missed),
            GameReading::verificationName(game.verification),
            game.problems.join("; ")};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (game.damaged()) {
                item->setForeground(QColor(176, 0, 0));
                item->setToolTip(game.problems.join("\n"));
            }
            table_->setItem(row, c, item);
        }
        games_.append(game);
    }
    table_->setUpdatesEnabled(true);
    if (table_->rowCount() == games.size()) {
        table_->resizeColumnsToContents();
        table_->setColumnWidth(1, std::min(table_->columnWidth(1), 140));
    }
    progress_->setRange(0, std::max(total, 1));
    progress_->setValue(done);
    if (table_->currentRow() < 0 && table_->rowCount() > 0) {
        table_->setCurrentCell(0, 0);
    }
}

int ResultsDlg::selectedGame() const {
    return table_->currentRow();
}

void ResultsDlg::selectGame(int row) {
    table_->setCurrentCell(row, 0);
}

void ResultsDlg::selectPeriod(int number) {
    period->setValue(number);
    showPath();
}

void ResultsDlg::showGame(int row) {
    if (row < 0 || row >= games_.size()) {
        return;
    }
    const GameReading::Game& game = games_[row];
    problems->setText(game.problems.join("\n"));
    setChart(periodsChart, ResultsCharts::periods(game));
    setChart(learningChart, ResultsCharts::learning(game));
    setChart(timingChart, ResultsCharts::frameTiming(game));
    const QString participant = ResultsCharts::participantOf(game);
    setChart(scoresChart, ResultsCharts::participantScores(games_, participant));
    setChart(answersChart, ResultsCharts::participantAnswers(games_, participant));
    const QSignalBlocker quiet(period);
    period->setRange(1, std::max(1, static_cast<int>(game.periods.size())));
    period->setValue(1);
    showPath();
}

void ResultsDlg::showPath() {
    const int row = table_->currentRow();
    if (row < 0 || row >= games_.size()) {
        return;
    }
    const GameReading::Game& game = games_[row];
    const int number = period->value();
    qint64 start = 0;
    qint64 length = 0;
    if (number >= 1 && number <= game.periods.size()) {
        start = game.periods[number - 1].startMs;
        length = game.periods[number - 1].lengthMs;
    }
    const PaddlePath path =
        game.time >= 0 && game.sampleCount > 0 ? PaddlePath::of(GameReading::load(folder_, game.time), start, length)
                                               : PaddlePath();
    QChart* chart = ResultsCharts::paddlePath(path, number);
    if (game.sampleCount == 0) {
        chart->setTitle("No coordinates were collected in this game");
    }
    setChart(pathChart, chart);
}

QChart* ResultsDlg::chart(Chart which) const {
    return views[which]->chart();
}

void ResultsDlg::setChart(Chart which, QChart* chart) {
    QChart* old = views[which]->chart();
    views[which]->setChart(chart);
    delete old;
}

bool ResultsDlg::saveChart(Chart which, const QString& path) const {
    QChartView* view = views[which];
    if (path.endsWith(".svg", Qt::CaseInsensitive)) {
        QSvgGenerator generator;
        generator.setFileName(path);
        const QSize size = view->size().isEmpty() ? QSize(900, 600) : view->size();
        generator.setSize(size);
        generator.setViewBox(QRect(QPoint(0, 0), size));
        generator.setTitle(chart(which)->title());
        QPainter painter;
        if (!painter.begin(&generator)) {
            return false;
        }
        view->render(&painter, QRectF(QPoint(0, 0), size), view->rect());
        return painter.end();
    }
    return view->grab().save(path);
}

void ResultsDlg::saveCurrentChart(const QString& format) {
    const int which = tabs_->currentIndex();
    const QString suggested =
        folder_.filePath(QString(chartNames[which]).toLower().replace(' ', '-').remove(':') + '.' + format);
    const QString path = QFileDialog::getSaveFileName(this, "Save chart", suggested,
                                                      format == "svg" ? "SVG (*.svg)" : "PNG (*.png)");
    if (path.isEmpty()) {
        return;
    }
    if (!saveChart(static_cast<Chart>(which), path)) {
        QMessageBox::warning(this, "Results", QString("The chart could not be saved to %1.").arg(path));
    }
}
