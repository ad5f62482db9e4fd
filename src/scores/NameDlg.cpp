#include "scores/NameDlg.h"

#include "dialogs/ScaledFont.h"

#include "settings/SettingsStore.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace {
namespace Layout {
constexpr const char* lineFamily = "Times New Roman";
constexpr int fieldPoints = 16;
constexpr double lineHeightFactor = 1.6;
constexpr double lineWidthFactor = 1.4;
constexpr int lineX = 16;
constexpr int firstLineY = 12;
constexpr int secondLineY = 42;
constexpr int gap = 12;
constexpr int width = 360;
} // namespace Layout

QString& sharedName() {
    static QString name;
    return name;
}
} // namespace

NameDlg::NameDlg(SettingsStore& store, QWidget* parent)
    : QDialog(parent), store(store), field(new QLineEdit(this)) {
    setWindowTitle("Best Score!");
    setCurrentName(store.readText(SettingKeys::playerName));
}

void NameDlg::setVisible(bool visible) {
    if (visible && buttons == nullptr) {
        layOut();
    }
    QDialog::setVisible(visible);
}

// Made when first needed: the standard buttons' icons and the serif face take milliseconds to look
// up, which the main window's start would otherwise pay.
void NameDlg::layOut() {
    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText("OK");
    buttons->button(QDialogButtonBox::Cancel)->setText("Cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &NameDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &NameDlg::reject);

    QFont fieldFont(Layout::lineFamily, Layout::fieldPoints);
    // Where the family is missing, fall back to the default serif face.
    fieldFont.setStyleHint(QFont::Serif);
    field->setFont(fieldFont);

    // The field sits below the two painted lines, whatever height the scaled font gives them.
    const int linesBottom = Layout::secondLineY + QFontMetrics(lineFont()).height();
    const int fieldTop = linesBottom + Layout::gap;
    const int fieldHeight = field->sizeHint().height();
    field->setGeometry(Layout::lineX, fieldTop, Layout::width - 2 * Layout::lineX, fieldHeight);
    const int buttonsTop = fieldTop + fieldHeight + Layout::gap;
    const QSize buttonsSize = buttons->sizeHint();
    buttons->setGeometry(Layout::width - Layout::lineX - buttonsSize.width(), buttonsTop, buttonsSize.width(),
                         buttonsSize.height());
    setFixedSize(Layout::width, buttonsTop + buttonsSize.height() + Layout::gap);
}

QString NameDlg::currentName() {
    return sharedName();
}

void NameDlg::setCurrentName(const QString& name) {
    sharedName() = name;
}

QString NameDlg::placedText(int rank) {
    const char* ordinal = "th";
    if (rank == 1) {
        ordinal = "st";
    } else if (rank == 2) {
        ordinal = "nd";
    } else if (rank == 3) {
        ordinal = "rd";
    }
    return QStringLiteral("You placed %1-%2!").arg(rank).arg(QLatin1String(ordinal));
}

QString NameDlg::firstLine() const {
    return isPlayerMode ? placedText(placeRank) : QStringLiteral("Please enter group");
}

QString NameDlg::secondLine() const {
    return isPlayerMode ? QStringLiteral("Please enter your name!") : QStringLiteral("name:");
}

QFont NameDlg::lineFont() const {
    return ScaledFont::make(Layout::lineFamily, font(), Layout::lineHeightFactor, Layout::lineWidthFactor);
}

void NameDlg::prepare() {
    if (buttons == nullptr) {
        layOut();
    }
    setWindowTitle(isPlayerMode ? QStringLiteral("Best Score!") : QStringLiteral("Username"));
    field->setText(currentName());
    field->selectAll();
    field->setFocus();
    update();
}

int NameDlg::ask() {
    prepare();
    return run ? run(*this) : exec();
}

std::optional<QString> NameDlg::askPlayerName(int rank) {
    setRank(rank);
    setPlayerMode(true);
    if (ask() != QDialog::Accepted) {
        return std::nullopt;
    }
    return currentName();
}

bool NameDlg::askGroupName(SettingsStore& store, QString& groupName, QWidget* parent, const Runner& runner) {
    NameDlg dialog(store, parent);
    dialog.setPlayerMode(false);
    setCurrentName(groupName);
    dialog.setRunner(runner);
    if (dialog.ask() != QDialog::Accepted) {
        return false;
    }
    groupName = currentName();
    store.write(QLatin1String(SettingKeys::playersName.key), groupName);
    return true;
}

void NameDlg::accept() {
    setCurrentName(field->text());
    if (isPlayerMode) {
        store.write(QLatin1String(SettingKeys::playerName.key), currentName());
    }
    QDialog::accept();
}

void NameDlg::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setFont(lineFont());
    painter.setPen(palette().color(QPalette::WindowText));
    const int ascent = painter.fontMetrics().ascent();
    // The positions name the top of each line; Qt draws at the baseline.
    painter.drawText(Layout::lineX, Layout::firstLineY + ascent, firstLine());
    painter.drawText(Layout::lineX, Layout::secondLineY + ascent, secondLine());
}
